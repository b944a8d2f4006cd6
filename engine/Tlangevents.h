// The two seams through which the engine reaches the outside: the events it
// fires while a script runs, and the view of the editor that holds the script.
// Texts are 8-bit, in the system's code page; the host converts them.
#pragma once

#include <string>
#include <vector>

namespace pevox {

class EngineEvents {
public:
    virtual ~EngineEvents() = default;
    // Fired at the start of every run, before the pre-pass: the host sets the
    // values of its constants here.
    virtual void OnInitialize() = 0;
    virtual void OnPrint(const std::string& printLine, bool newline) = 0;
    virtual void OnDump(const std::string& dumpLine) = 0;
    virtual void OnStep(int lineNo) = 0;
    virtual void OnBreakPoint() = 0;
    virtual void OnScriptError(int lineNo, const std::string& errorMsg) = 0;
    virtual void OnScriptComplete(int lineNo, int exitCode) = 0;
    // The arguments are readable through the engine's m_ParamList while this runs.
    virtual void OnUserFunction(int ordinal, int paramCount) = 0;
    // BEEP: sounds the system's default beep.
    virtual void OnBeep() = 0;
};

// Character positions count one character per line break, as the editor does.
class EditorView {
public:
    virtual ~EditorView() = default;
    virtual std::vector<std::string> Lines() const = 0;
    virtual bool Visible() const = 0;
    // Position of the first character of a 0-based line; -1 beyond the last line.
    virtual int LineIndex(int line) const = 0;
    // Length of the line that holds the position.
    virtual int LineLength(int position) const = 0;
    // Selects [start, end) without reporting a selection change to the host.
    virtual void SetSelection(int start, int end) = 0;
    // Leaves the caret where the selection starts, with nothing selected.
    virtual void CollapseSelection() = 0;
    virtual void ScrollCaret() = 0;
    virtual int HorizontalScrollPos() const = 0;
    virtual void ScrollPageLeft() = 0;
};

}  // namespace pevox
