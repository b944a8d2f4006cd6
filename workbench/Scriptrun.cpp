#include "Scriptrun.h"

#include "platform/Text.h"

#include <utility>

namespace {

const char* CompletionEnding(std::int32_t exitCode) {
    switch (exitCode) {
    case 0:
        return " with no errors.";
    case 1:
        return " by user break.";
    case 2:
    case 3:
        return " by program reset.";
    case 4:
        return "";
    default:
        return " due to error.";
    }
}

// Restores a flag however the guarded code is left.
class TFlagReset {
public:
    explicit TFlagReset(std::uint8_t& flag) : flag_(flag) {}
    ~TFlagReset() { flag_ = 0; }
    TFlagReset(const TFlagReset&) = delete;
    TFlagReset& operator=(const TFlagReset&) = delete;

private:
    std::uint8_t& flag_;
};

class TDepth {
public:
    explicit TDepth(int& depth) : depth_(depth) { ++depth_; }
    ~TDepth() { --depth_; }
    TDepth(const TDepth&) = delete;
    TDepth& operator=(const TDepth&) = delete;

private:
    int& depth_;
};

}  // namespace

std::string CompletionText(std::int32_t lineNo, std::int32_t exitCode) {
    return "\r\nScript Terminated on line: " + std::to_string(lineNo) + CompletionEnding(exitCode);
}

std::string ErrorText(std::int32_t lineNo, const std::string& errorMsg) {
    return "Error Line: " + std::to_string(lineNo) + " - " + errorMsg;
}

TScriptRun::TScriptRun(TScriptControl& control, GLOBALINFO_TAG& info, TScriptRunHost& host, TRunPace pace)
    : control_(control), info_(info), host_(host), pace_(pace) {}

// The control counts a text of blanks as not empty, yet it has nothing to run.
bool TScriptRun::ScriptIsEmpty() { return control_.get_Empty() || platform::Trim(control_.get_Text()).empty(); }

void TScriptRun::Run() {
    if (info_.ScriptRunning) {
        if (info_.SingleStep) SetSingleStep(false);
        info_.StepContinue = 1;
        return;
    }
    if (ScriptIsEmpty()) return;
    info_.ScriptRunning = 1;
    const TFlagReset running(info_.ScriptRunning);
    host_.AddOutputLine("", true);
    ExecuteScript();
}

void TScriptRun::ExecuteScript() {
    error_.reset();
    host_.ClearError();
    {
        const TDepth depth(executing_);
        const TDepth windowsFollow(info_.ExecutingScripts);
        control_.Execute();
    }
    ShowRunState();
    if (const std::optional<TRunError> error = std::exchange(error_, std::nullopt))
        host_.ShowError(error->LineNo, error->Text);
}

void TScriptRun::Step() {
    if (ScriptIsEmpty()) return;
    if (!info_.ScriptRunning) {
        if (!info_.SingleStep) SetSingleStep(true);
        if (!control_.get_AutoSelectStepLine()) SetHighlight(true);
        Run();
    } else if (!info_.SingleStep) {
        SetSingleStep(true);
    }
    info_.StepContinue = 1;
}

void TScriptRun::Stop() {
    info_.StepContinue = 1;
    info_.ScriptRunning = 0;
    control_.Terminate();
}

void TScriptRun::SetSingleStep(bool on) {
    info_.SingleStep = on ? 1 : 0;
    host_.ShowSingleStep(on);
}

void TScriptRun::SetHighlight(bool on) {
    control_.put_AutoSelectStepLine(on);
    if (!on) control_.put_SelLength(0);
    host_.ShowHighlight(on);
}

// The dump arrives as OnDump events before DumpVariables returns; the flag
// goes off afterwards too, so a dump that ends early cannot leave it set.
void TScriptRun::DumpToAddWatch() {
    info_.DumpForAddWatch = 1;
    const TFlagReset collecting(info_.DumpForAddWatch);
    control_.DumpVariables();
}

void TScriptRun::ShowRunState() {
    host_.RefreshWatches();
    host_.ShowPendingViews();
}

void TScriptRun::OnStep(std::int32_t) {
    if (info_.SingleStep && info_.ScriptRunning) {
        ShowRunState();
        info_.StepContinue = 0;
        host_.WaitForStepContinue();
        pace_.Restart();
    } else if (pace_.Due()) {
        host_.RefreshWatches();
        host_.ProcessMessages();
    }
}

void TScriptRun::OnBreakPoint() {
    if (!info_.SingleStep) SetSingleStep(true);
    if (!control_.get_AutoSelectStepLine()) SetHighlight(true);
    OnStep(control_.get_CursorLine());
}

void TScriptRun::OnScriptComplete(std::int32_t lineNo, std::int32_t exitCode) {
    host_.AddOutputLine(CompletionText(lineNo, exitCode), true);
    info_.ScriptRunning = 0;
    host_.ShowAllChannels();
}

void TScriptRun::OnScriptError(std::int32_t lineNo, const std::string& errorMsg) {
    const std::string text = ErrorText(lineNo, errorMsg);
    host_.AddOutputLine("", true);
    host_.AddOutputLine(text, true);
    error_ = TRunError{lineNo, text};
}

void TScriptRun::OnPrint(const std::string& printLine, bool newLine) {
    host_.AddOutputLine(printLine, newLine);
    if (pace_.Due()) host_.ProcessMessages();
}

// Lines meant for the add-watch dialog go to the output window when the
// dialog has gone meanwhile.
void TScriptRun::OnDump(const std::string& dumpLine) {
    const std::string trimmed = platform::Trim(dumpLine);
    if (trimmed.empty()) {
        info_.DumpForAddWatch = 0;
        return;
    }
    if (info_.DumpForAddWatch) {
        if (host_.AddWatchDumpLine(trimmed)) return;
        info_.DumpForAddWatch = 0;
    }
    OnPrint(dumpLine, true);
}
