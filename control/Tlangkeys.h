// Keys as the control's hosts know them: virtual-key codes (letters and
// digits by their upper-case character, Insert 45, F1 112, numeric-keypad 3
// 99, ...) and a shift state of Shift 1, Alt 2 and Ctrl 4.
#pragma once

#include <Qt>

class QKeyEvent;

namespace pevox {

enum ShiftStateBits : int {
    kShiftBit = 1,
    kAltBit = 2,
    kCtrlBit = 4,
};

// The virtual-key code of a key event; 0 for a key that has none.
int VirtualKeyOf(const QKeyEvent& event);
int ShiftStateOf(Qt::KeyboardModifiers modifiers);

struct QtKey {
    int key = 0;  // Qt::Key; 0 when the code names no key
    Qt::KeyboardModifiers extra;  // the keypad modifier of a keypad key
};
// The key of a virtual-key code, for a key event a host has changed.
QtKey QtKeyOf(int virtualKey);

}  // namespace pevox
