#include "Channeltable.h"

#include "platform/Files.h"
#include "platform/Text.h"

#include <utility>

TChannelTable::TChannelTable(WindowFactory factory) : factory_(std::move(factory)) {}

std::int32_t TChannelTable::FindFreeChannel() const {
    for (std::int32_t n = 0; n < ChannelLimit; ++n)
        if (!slots_[n]) return n;
    return -1;
}

std::int32_t TChannelTable::FindChannelOfFile(const std::string& fileName) const {
    for (std::int32_t n = 0; n < ChannelLimit; ++n)
        if (ChannelForFile(n, fileName) >= 0) return n;
    return -1;
}

std::int32_t TChannelTable::ChannelForFile(std::int32_t slot, const std::string& fileName) const {
    if (!IsChannelOpen(slot) || slots_[slot]->DataPath() != fileName) return -1;
    return slots_[slot]->Channel();
}

bool TChannelTable::OpenFileInChannel(const std::string& fileName, std::int32_t channel) {
    if (channel == -1) channel = FindFreeChannel();
    if (channel < 0) return false;
    return OpenInChannel(channel, fileName) == 1;
}

int TChannelTable::OpenInChannel(std::int32_t channel, const std::string& fileName, bool askOnReplace) {
    if (platform::Trim(fileName).empty() || !platform::FileExists(fileName)) return 0;
    const std::int32_t n = NormalizeChannel(channel);
    if (n < 0) return 0;
    if (slots_[n] && !CloseChannel(n, askOnReplace)) return 0;
    return PlaceWindow(n, factory_(n, fileName)) ? 1 : 0;
}

bool TChannelTable::PlaceWindow(std::int32_t channel, TChannelWindow* window) {
    if (!window) return false;
    const std::int32_t n = NormalizeChannel(channel);
    if (n < 0 || slots_[n] || !window->Opened()) {
        window->Release();
        return false;
    }
    slots_[n] = window;
    return true;
}

bool TChannelTable::CloseChannel(std::int32_t channel, bool ask) {
    const std::int32_t n = NormalizeChannel(channel);
    if (n < 0 || n == closingChannel_) return true;
    TChannelWindow* window = slots_[n];
    if (!window) return true;
    closingChannel_ = n;
    window->SaveRestorePosition(1);
    const bool closed = window->CloseWorkingCopy(ask);
    closingChannel_ = -1;
    if (!closed) return false;
    slots_[n] = nullptr;
    window->Release();
    return true;
}

bool TChannelTable::CloseAllChannels(bool ask, const std::function<void()>& processMessages) {
    for (std::int32_t n = 0; n < ChannelLimit; ++n) {
        if (!slots_[n]) continue;
        const bool closed = CloseChannel(n, ask);
        if (processMessages) processMessages();
        if (!closed) return false;
    }
    return true;
}

std::int32_t TChannelTable::NormalizeChannel(std::int32_t channel) {
    return channel >= 0 && channel < ChannelLimit ? channel : -1;
}

bool TChannelTable::IsChannelOpen(std::int32_t channel) const {
    const std::int32_t n = NormalizeChannel(channel);
    return n >= 0 && slots_[n] && slots_[n]->Opened();
}

void TChannelTable::ShowAllChannels() {
    for (std::int32_t n = 0; n < ChannelLimit; ++n)
        if (IsChannelOpen(n)) slots_[n]->ShowChannel();
}

TChannelWindow* TChannelTable::Window(std::int32_t channel) const {
    const std::int32_t n = NormalizeChannel(channel);
    return n < 0 ? nullptr : slots_[n];
}
