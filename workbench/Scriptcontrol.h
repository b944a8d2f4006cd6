// The interpreter control as the script window drives it: the members of its
// automation interface that the window, the watches and the script function
// library use, with the same names. The window holds the control through this
// interface; the program adapts the real control to it, tests put a fake in
// its place. Texts are 8-bit, in the system's code page.
#pragma once

#include "Scriptcontrolapi.h"
#include "Watchlist.h"

#include <cstdint>
#include <string>

class QWidget;

class TScriptControl : public ScriptControlApi, public TWatchSource {
public:
    ~TScriptControl() override = default;

    // The editor, for the window to lay out; null when the control has none.
    virtual QWidget* Widget() = 0;

    // Empties the text and forgets the file name.
    virtual void Clear() = 0;
    // False, with the control's message in `error`, when the file could not
    // be loaded (the text stays as it was) or saved.
    virtual bool LoadFromFile(const std::string& fileName, std::string& error) = 0;
    virtual bool SaveToFile(const std::string& fileName, std::string& error) = 0;
    // The file name; a single blank while the script has none.
    virtual std::string get_FileName() = 0;
    virtual void put_FileName(const std::string& fileName) = 0;
    virtual bool get_Modified() = 0;
    virtual void put_Modified(bool modified) = 0;
    // True when the script has no text at all.
    virtual bool get_Empty() = 0;
    virtual std::string get_Text() = 0;

    // Runs the whole script and returns at its end; the events of the run
    // arrive while it is on the stack.
    virtual void Execute() = 0;
    virtual void DumpVariables() = 0;

    virtual bool get_AutoSelectStepLine() = 0;
    virtual void put_AutoSelectStepLine(bool on) = 0;
    virtual void put_SaveBeforeRun(bool on) = 0;
    virtual void put_ShowConstantsInDump(bool on) = 0;
    // The selection in the editor, a line break counting as one place.
    virtual void put_SelStart(std::int32_t start) = 0;
    virtual void put_SelLength(std::int32_t length) = 0;
    // The editor's background, 0x00BBGGRR.
    virtual void put_Color(std::uint32_t color) = 0;
    // Colour `index` of the syntax colouring, 0 to 6.
    virtual void put_SyntaxColors(int index, std::uint32_t color) = 0;

    // The caret's 1-based line and column, and the text of a 1-based line.
    virtual std::int32_t get_CursorLine() = 0;
    virtual std::int32_t get_CursorCol() = 0;
    virtual std::string get_TextLine(std::int32_t lineNo) = 0;
};

// What the control tells the script window while it edits and runs a script,
// as the events of its event interface.
class TScriptControlEvents {
public:
    virtual ~TScriptControlEvents() = default;
    virtual void TLang1Step(std::int32_t lineNo) = 0;
    virtual void TLang1BreakPoint() = 0;
    virtual void TLang1ScriptComplete(std::int32_t lineNo, std::int32_t exitCode) = 0;
    virtual void TLang1ScriptError(std::int32_t lineNo, const std::string& errorMsg) = 0;
    virtual void TLang1Print(const std::string& printLine, bool newLine) = 0;
    virtual void TLang1Dump(const std::string& dumpLine) = 0;
    virtual void TLang1SelectionChange() = 0;
    // `keyCode` in the classic virtual-key numbering (F1 is 112).
    virtual void TLang1KeyUp(std::int16_t keyCode, std::int16_t shiftState) = 0;
    virtual void TLang1Initialize() = 0;
    virtual void TLang1UserFunction(std::int32_t ordinal, std::int32_t paramCount) = 0;
};
