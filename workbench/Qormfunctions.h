// The editor's script interface: the 37 host functions and 13 constants it
// registers with the interpreter control, the constants' values at the start
// of every run, and the carrying out of each host-function call on the
// channels, on files named by path and on the workbench's windows.
#pragma once

#include "Qormfilefunctions.h"
#include "Scriptcontrolapi.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class TFrmHexEdit;
class TFrmMain;

// One host function as the control registers it.
struct TScriptFunction {
    const char* Keyword;
    int ParamCount;
    int Ordinal;
    ScriptControlApi::TxTypes ReturnType;
    int MinParams;
};

// The host functions in registration order (the byte order of the keywords).
extern const std::array<TScriptFunction, 37> ScriptFunctions;

// Value type codes of GetNumber, SetValue and SearchFirst, as scripts name them.
enum TScriptValueType : int {
    TYPE_STRING = 0,
    TYPE_BYTE = 1,
    TYPE_SHORT = 2,
    TYPE_LONG = 3,
    TYPE_INT64 = 4,
    TYPE_FLOAT = 5,
    TYPE_DOUBLE = 6,
    TYPE_USHORT = 7,
    TYPE_ULONG = 8,
    TYPE_WIDESTRING = 9,
};

struct TScriptConstant {
    const char* Name;
    int Value;
};

// The constants in the order they are registered.
extern const std::array<TScriptConstant, 13> ScriptConstants;

// Registers the host functions, then the constants (as number constants,
// 0 until the first run sets them). The control's answers are not needed:
// a refused registration only leaves that name unknown to scripts.
void RegisterScriptFunctions(ScriptControlApi& control);
// Gives the constants their values; the control asks for this at the start of every run.
void SetScriptConstants(ScriptControlApi& control);

// Closes an open channel through the main window's bookkeeping of closed
// windows. 1 when the channel was open, 0 when it was not.
int CloseChannelFromScript(TFrmMain& main, std::int32_t channel);

// What the functions reach outside the channels and files. An empty member does nothing.
struct TScriptHostHooks {
    // Lets the application handle its pending messages once.
    std::function<void()> ProcessMessages;
    // Whether the round of messages after a call is due; when empty, it
    // comes after every call.
    std::function<bool()> MessagesDue;
    // Empties the output window when it is open (Cls).
    std::function<void()> ClearOutput;
    // Ends the program's message loop once the events in progress have
    // returned, without the main window's closing sequence (Bye).
    std::function<void()> QuitApplication;
};

// The hooks of the running program: Qt's message processing at the pace of
// a run, the output window of the main window's bookkeeping, and a quit that
// waits for the message loop when none runs yet (a script started from the
// command line).
TScriptHostHooks ProgramScriptHostHooks();

// Carries out the host-function calls of one control on the channels of the main window.
class TQormFunctions {
public:
    TQormFunctions(ScriptControlApi& control, TFrmMain& main, TScriptHostHooks hooks = ProgramScriptHostHooks());

    // The control's OnUserFunction: runs the function of the ordinal (any
    // other ordinal does nothing), hands its result to the control, then,
    // when the messages are due, lets the application handle them once, which
    // is when the user can act while a script calls host functions. The number of
    // arguments given is not needed: a missing argument reads as 0 or "".
    void UserFunction(int ordinal, int paramCount);

    // The times of the file last read by GetTimeStamp or SetTimeStamp.
    const TFileStamp& FileStamp() const { return fileStamp_; }

private:
    void Call(int ordinal);
    // The window of the channel named by the argument at `position`, by the
    // channel rule: missing or below 0 is channel 0, fractions are cut off;
    // nullptr for a channel outside 0..9 or one whose file is not open.
    TFrmHexEdit* ChannelAt(int position);

    void Bye();
    void Cls();
    void Close();
    void ConcatFile();
    void Copy();
    void Delete();
    void SearchResultOperation(void (*operation)(TFrmHexEdit&));
    void GetPosition();
    void GetFileName();
    void GetFileLength();
    void GetNumber();
    void GetString();
    void GetTimeStamp();
    void SetChannelShown(bool shown);
    void InputBox();
    void Insert();
    void Jump(bool relative);
    void LoadSearchResult();
    void MsgBox();
    void NotePad();
    void OpenForEdit();
    void PickFile();
    void ResizeFile();
    void SaveChanges();
    void SaveAs();
    void SaveSearchResult();
    void SearchCount();
    void SearchFirst();
    void SearchNext();
    void SetSearchOption();
    void SetTimeStamp();
    void SetValue();
    void SplitFile();

    ScriptControlApi& control_;
    TFrmMain& main_;
    TScriptHostHooks hooks_;
    TFileStamp fileStamp_;
};

// Writes a value of a script type code at the window's position: 1 when it
// was written, 0 when the type, the text or the room left in the file refuses
// it. Number codes take the text as a '.'-decimal number that must lie in the
// type's range and fit before the end of the file; the string codes write a
// non-empty text (8-bit, or widened to UTF-16), cut at the end of the file.
int SetValueWorker(TFrmHexEdit& window, double type, const std::string& text);

// The item of the search-type group that a script's type code selects; -1
// for none, nothing when the group keeps the item it shows.
std::optional<int> SearchTypeItem(std::int32_t typeCode);
