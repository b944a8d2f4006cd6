#include "Globalinfo.h"

#include <algorithm>

std::string AppCaption;

GLOBALINFO_TAG& GlobalInfo() {
    static GLOBALINFO_TAG info;
    return info;
}

SEARCHINFO_TAG& GlobalSearchDefaults() {
    static SEARCHINFO_TAG defaults;
    return defaults;
}

void AddToMRU(std::array<std::string, MRUCount>& list, const std::string& name) {
    if (std::find(list.begin(), list.end(), name) != list.end()) return;
    std::move_backward(list.begin(), list.end() - 1, list.end());
    list.front() = name;
}
