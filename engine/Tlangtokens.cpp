#include "Tlangtokens.h"

#include "platform/Text.h"


namespace pevox {

namespace {

struct NamedCode {
    int code;
    const char* name;
};

constexpr NamedCode kKeywords[] = {
    {2, "Asc"}, {3, "Chr"}, {4, "Left"}, {5, "Len"}, {6, "Mid"}, {7, "Then"}, {8, "FOpen"},
    {11, "Right"}, {14, "Str"}, {15, "Val"}, {16, "FPuts"}, {17, "FPutc"}, {18, "Instr"},
    {19, "Trim"}, {20, "Ltrim"}, {21, "Rtrim"}, {22, "EndIf"}, {23, "Number"}, {24, "String"},
    {30, "FGetc"}, {31, "PROC"}, {33, "Not"}, {37, "Mod"}, {38, "And"}, {39, "Rem"}, {40, "("},
    {41, ")"}, {43, "+"}, {44, ","}, {45, "-"}, {46, "."}, {47, "/"}, {58, "Label"}, {59, ";"},
    {60, "<"}, {61, "="}, {62, ">"}, {63, "Print"}, {64, "IIf"}, {91, "If"}, {92, "\\"},
    {94, "^"}, {95, "_"}, {96, "Stop"}, {123, "Sqr"}, {124, "Or"}, {125, "Else"},
    {126, "FCloseAll"}, {127, "Goto"}, {128, "While"}, {129, "Wend"}, {130, "Resume"},
    {131, "Next"}, {132, "For"}, {133, "Break"}, {134, "Continue"}, {135, "=="}, {136, ">="},
    {137, "<="}, {138, "<>"}, {139, "++"}, {140, "--"}, {141, "To"}, {143, "Step"},
    {145, "Sin"}, {146, "Cos"}, {147, "Tan"}, {148, "Atn"}, {149, "Cwd"}, {150, "FindFirst"},
    {151, "FindNext"}, {152, "ASin"}, {153, "FileLen"}, {154, "Hex"}, {155, "ACos"},
    {156, "Abs"}, {157, "Sgn"}, {158, "Int"}, {159, "Exp"}, {160, "Exp2"}, {161, "Exp10"},
    {162, "Log"}, {163, "Log2"}, {164, "Log10"}, {165, "Name"}, {166, "LCase"},
    {167, "UCase"}, {168, "Erase"}, {169, "Dump"}, {170, "GoSub"}, {171, "Return"},
    {172, "Kill"}, {173, "FEof"}, {174, "FGets"}, {175, "FClose"}, {176, "FTell"},
    {177, "FSeek"}, {178, "On"}, {179, "Error"}, {180, "MkDir"}, {181, "ChDir"}, {182, "End"},
    {183, "Beep"}, {184, "FileExists"}, {185, "RmDir"}, {186, "Do"}, {187, "Loop"},
    {188, "Until"}, {189, "Off"}, {190, "Now"}, {191, "DateString"}, {192, "TimeString"},
    {193, "DateTimeString"}, {194, "DateAdd"}, {195, "DateSub"}, {196, "FormatDateTime"},
    {197, "Timer"}, {198, "StringToDate"}, {199, "Switch"}, {200, "Case"},
    {201, "EndSwitch"}, {202, "Default"},
};

// Aliases stand in the second half: slot number + 1, and the name.
constexpr NamedCode kAliases[] = {
    {278, "FI"}, {287, "Function"}, {289, "!"}, {293, "%"}, {294, "&"}, {295, "'"},
    {314, ":"}, {316, "<"}, {317, "="}, {318, ">"}, {319, "?"}, {380, "|"}, {394, "!="},
};

void PutSlot(std::string& table, int slot, std::string_view name) {
    std::string padded(name);
    padded.resize(kTokenSlotWidth, ' ');
    table.replace(static_cast<std::size_t>(slot) * kTokenSlotWidth, kTokenSlotWidth, padded);
}

std::string BuildTable() {
    std::string slotFree(kTokenSlotWidth, ' ');
    slotFree[0] = '*';
    std::string table;
    table.reserve(kTokenSlotWidth * kTokenSlotCount);
    for (int slot = 0; slot < kTokenSlotCount; ++slot) table += slotFree;
    for (const NamedCode& k : kKeywords) PutSlot(table, k.code - 1, k.name);
    for (const NamedCode& a : kAliases) PutSlot(table, a.code - 1, a.name);
    return table;
}

}  // namespace

const std::string& TokenNameTable() {
    static const std::string table = BuildTable();
    return table;
}

std::unordered_map<std::string, int> IndexTokenTable(std::string_view upperTable) {
    std::unordered_map<std::string, int> index;
    const int slots = static_cast<int>(upperTable.size()) / kTokenSlotWidth;
    for (int slot = 0; slot < slots; ++slot) {
        const std::string name =
            platform::Trim(upperTable.substr(static_cast<std::size_t>(slot) * kTokenSlotWidth, kTokenSlotWidth));
        // A free slot names nothing: "*" is the multiplication operator.
        if (name.empty() || name == "*") continue;
        const int code = slot < kAliasSlotBase ? slot + 1 : slot - kAliasSlotBase + 1;
        index.emplace(name, code);
    }
    return index;
}

bool IsReservedCode(int code) {
    switch (code) {
    case tok::Proc:
    case tok::IIf:
    case tok::Resume:
    case tok::On:
    case tok::Error:
    case tok::Do:
    case tok::Loop:
    case tok::Until:
    case tok::Off:
        return true;
    default:
        return false;
    }
}

void AppendCodeBytes(std::string& text, int code) {
    while (code > tok::Separator) {
        text += static_cast<char>(tok::EscapeByte);
        code -= tok::EscapeByte;
    }
    text += static_cast<char>(static_cast<unsigned char>(code));
}

}  // namespace pevox
