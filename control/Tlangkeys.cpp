#include "Tlangkeys.h"

#include <QKeyEvent>

namespace pevox {

namespace {

struct KeyPair {
    int qtKey;
    int virtualKey;
};

// Keys with codes of their own; the first entry of a code is the key a code
// turns back into.
constexpr KeyPair kNamedKeys[] = {
    {Qt::Key_Backspace, 8},   {Qt::Key_Tab, 9},        {Qt::Key_Backtab, 9},     {Qt::Key_Return, 13},
    {Qt::Key_Enter, 13},      {Qt::Key_Shift, 16},     {Qt::Key_Control, 17},    {Qt::Key_Alt, 18},
    {Qt::Key_Pause, 19},      {Qt::Key_CapsLock, 20},  {Qt::Key_Escape, 27},     {Qt::Key_Space, 32},
    {Qt::Key_PageUp, 33},     {Qt::Key_PageDown, 34},  {Qt::Key_End, 35},        {Qt::Key_Home, 36},
    {Qt::Key_Left, 37},       {Qt::Key_Up, 38},        {Qt::Key_Right, 39},      {Qt::Key_Down, 40},
    {Qt::Key_Print, 44},      {Qt::Key_Insert, 45},    {Qt::Key_Delete, 46},     {Qt::Key_Help, 47},
    {Qt::Key_Meta, 91},       {Qt::Key_Menu, 93},      {Qt::Key_NumLock, 144},   {Qt::Key_ScrollLock, 145},
    // The punctuation keys of a US keyboard, by the character either shift
    // state gives.
    {Qt::Key_Semicolon, 186}, {Qt::Key_Colon, 186},    {Qt::Key_Equal, 187},     {Qt::Key_Plus, 187},
    {Qt::Key_Comma, 188},     {Qt::Key_Less, 188},     {Qt::Key_Minus, 189},     {Qt::Key_Underscore, 189},
    {Qt::Key_Period, 190},    {Qt::Key_Greater, 190},  {Qt::Key_Slash, 191},     {Qt::Key_Question, 191},
    {Qt::Key_QuoteLeft, 192}, {Qt::Key_AsciiTilde, 192}, {Qt::Key_BracketLeft, 219}, {Qt::Key_BraceLeft, 219},
    {Qt::Key_Backslash, 220}, {Qt::Key_Bar, 220},      {Qt::Key_BracketRight, 221}, {Qt::Key_BraceRight, 221},
    {Qt::Key_Apostrophe, 222}, {Qt::Key_QuoteDbl, 222},
    // The shifted digits of a US keyboard.
    {Qt::Key_Exclam, '1'},    {Qt::Key_At, '2'},       {Qt::Key_NumberSign, '3'}, {Qt::Key_Dollar, '4'},
    {Qt::Key_Percent, '5'},   {Qt::Key_AsciiCircum, '6'}, {Qt::Key_Ampersand, '7'}, {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'}, {Qt::Key_ParenRight, '0'},
};

// The keys of the numeric keypad: digits 96-105, then * + - . /.
int KeypadCode(int qtKey) {
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return 96 + (qtKey - Qt::Key_0);
    switch (qtKey) {
    case Qt::Key_Asterisk: return 106;
    case Qt::Key_Plus: return 107;
    case Qt::Key_Minus: return 109;
    case Qt::Key_Period: return 110;
    case Qt::Key_Slash: return 111;
    default: return 0;
    }
}

}  // namespace

int VirtualKeyOf(const QKeyEvent& event) {
    const int key = event.key();
    if (event.modifiers() & Qt::KeypadModifier)
        if (const int code = KeypadCode(key)) return code;
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) return key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 112 + (key - Qt::Key_F1);
    for (const KeyPair& pair : kNamedKeys)
        if (pair.qtKey == key) return pair.virtualKey;
    return 0;
}

int ShiftStateOf(Qt::KeyboardModifiers modifiers) {
    int shift = 0;
    if (modifiers & Qt::ShiftModifier) shift |= kShiftBit;
    if (modifiers & Qt::AltModifier) shift |= kAltBit;
    if (modifiers & Qt::ControlModifier) shift |= kCtrlBit;
    return shift;
}

QtKey QtKeyOf(int virtualKey) {
    if ((virtualKey >= 'A' && virtualKey <= 'Z') || (virtualKey >= '0' && virtualKey <= '9')) return {virtualKey, {}};
    if (virtualKey >= 96 && virtualKey <= 105) return {Qt::Key_0 + (virtualKey - 96), Qt::KeypadModifier};
    if (virtualKey >= 112 && virtualKey <= 135) return {Qt::Key_F1 + (virtualKey - 112), {}};
    switch (virtualKey) {
    case 106: return {Qt::Key_Asterisk, Qt::KeypadModifier};
    case 107: return {Qt::Key_Plus, Qt::KeypadModifier};
    case 109: return {Qt::Key_Minus, Qt::KeypadModifier};
    case 110: return {Qt::Key_Period, Qt::KeypadModifier};
    case 111: return {Qt::Key_Slash, Qt::KeypadModifier};
    default: break;
    }
    for (const KeyPair& pair : kNamedKeys)
        if (pair.virtualKey == virtualKey && !(pair.virtualKey >= '0' && pair.virtualKey <= '9'))
            return {pair.qtKey, {}};
    return {};
}

}  // namespace pevox
