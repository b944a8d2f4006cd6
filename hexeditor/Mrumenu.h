// The recent-files items of a File menu, shared by the main window (data
// files) and the script window (scripts).
#pragma once

#include "Globalinfo.h"

#include <array>
#include <functional>
#include <string>

class QAction;
class QMenu;
class QObject;

// Adds a hidden separator and hidden items to the end of the menu; choosing an
// item calls `open` with it while `receiver` exists.
void AddMRUItems(QMenu& menu, QAction*& separator, std::array<QAction*, MRUCount>& items, QObject& receiver,
                 const std::function<void(QAction*)>& open);

// Shows one item for each non-blank entry of the list, newest first, and the
// separator above them once there is one. Each item's data keeps the entry's
// exact path, whatever its caption shows.
void BuildMRUMenu(const std::array<std::string, MRUCount>& list, QAction& separator,
                  const std::array<QAction*, MRUCount>& items);
// The exact path of an item of the list, byte for byte.
std::string MRUItemPath(const QAction& item);
