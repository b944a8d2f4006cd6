// Plain implementations of the engine's seams: a sink that records every
// event and an editor view over a list of lines. Tests and benchmarks drive
// the engine through them.
#pragma once

#include "Tlangevents.h"

#include <functional>
#include <string>
#include <vector>

namespace pevox {

class RecordingEvents : public EngineEvents {
public:
    struct Printed {
        std::string line;
        bool newline;
    };
    struct ScriptError {
        int lineNo;
        std::string message;
    };
    struct Completion {
        int lineNo;
        int exitCode;
    };
    struct UserCall {
        int ordinal;
        int paramCount;
    };

    void OnInitialize() override;
    void OnPrint(const std::string& printLine, bool newline) override;
    void OnDump(const std::string& dumpLine) override;
    void OnStep(int lineNo) override;
    void OnBreakPoint() override;
    void OnScriptError(int lineNo, const std::string& errorMsg) override;
    void OnScriptComplete(int lineNo, int exitCode) override;
    void OnUserFunction(int ordinal, int paramCount) override;
    void OnBeep() override { ++beeps; }

    int initializations = 0;
    std::vector<Printed> prints;
    std::vector<std::string> dumps;
    std::vector<int> steps;
    int breakPoints = 0;
    int beeps = 0;
    std::vector<ScriptError> errors;
    std::vector<Completion> completions;
    std::vector<UserCall> userCalls;
    // Runs inside OnUserFunction, so a test can answer the call.
    std::function<void(int ordinal, int paramCount)> onUserFunction;
    // Runs inside OnInitialize, as a host sets its constants there.
    std::function<void()> onInitialize;
    // Runs inside OnStep, as a host that stops a run there.
    std::function<void(int lineNo)> onStep;
};

class LinesEditorView : public EditorView {
public:
    LinesEditorView() = default;
    explicit LinesEditorView(std::vector<std::string> lines) : lines_(std::move(lines)) {}

    void SetLines(std::vector<std::string> lines) { lines_ = std::move(lines); }
    void SetVisible(bool visible) { visible_ = visible; }
    int SelectionStart() const { return selStart_; }
    int SelectionEnd() const { return selEnd_; }
    int CaretScrolls() const { return caretScrolls_; }

    std::vector<std::string> Lines() const override { return lines_; }
    bool Visible() const override { return visible_; }
    int LineIndex(int line) const override;
    int LineLength(int position) const override;
    void SetSelection(int start, int end) override;
    void CollapseSelection() override { selEnd_ = selStart_; }
    void ScrollCaret() override { ++caretScrolls_; }
    int HorizontalScrollPos() const override { return 0; }
    void ScrollPageLeft() override {}

private:
    std::vector<std::string> lines_;
    bool visible_ = true;
    int selStart_ = 0;
    int selEnd_ = 0;
    int caretScrolls_ = 0;
};

}  // namespace pevox
