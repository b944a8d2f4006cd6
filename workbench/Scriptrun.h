// Running a script from the script window: the run, step and stop commands,
// single stepping and line highlighting, the pause at a step, and what the
// control's run events write to the output window, the watches and the
// add-watch dialog. The program-wide flags of GLOBALINFO_TAG tell the rest of
// the program whether a script runs and whether it is paused.
#pragma once

#include "Globalinfo.h"
#include "Runpace.h"
#include "Scriptcontrol.h"

#include <cstdint>
#include <optional>
#include <string>

// The completion line: "\r\nScript Terminated on line: " + line + the ending
// of the exit code.
std::string CompletionText(std::int32_t lineNo, std::int32_t exitCode);
// "Error Line: " + line + " - " + message.
std::string ErrorText(std::int32_t lineNo, const std::string& errorMsg);

// What a run needs of the script window and the windows around it.
class TScriptRunHost {
public:
    virtual ~TScriptRunHost() = default;
    // Lets the application handle its pending messages once.
    virtual void ProcessMessages() = 0;
    // Handles messages, waiting for them, until StepContinue is set or the
    // program is ending.
    virtual void WaitForStepContinue() = 0;
    // Appends to the output window; nothing while it is closed.
    virtual void AddOutputLine(const std::string& text, bool newLine) = 0;
    // Refreshes the watch window from the control; nothing while it is closed.
    virtual void RefreshWatches() = 0;
    // The windows that follow a run (the hex windows, the output window)
    // show its state now.
    virtual void ShowPendingViews() = 0;
    // Lists a dump line in the add-watch dialog; false when there is none.
    virtual bool AddWatchDumpLine(const std::string& line) = 0;
    // The single-step and highlight commands show their state (tool button
    // down, menu item checked).
    virtual void ShowSingleStep(bool on) = 0;
    virtual void ShowHighlight(bool on) = 0;
    virtual void ShowAllChannels() = 0;
    // A run ended with an error: the window shows where and why, also when
    // the output window is closed.
    virtual void ShowError(std::int32_t lineNo, const std::string& text) = 0;
    // A run starts: an earlier run's error is no longer shown.
    virtual void ClearError() = 0;
};

class TScriptRun {
public:
    TScriptRun(TScriptControl& control, GLOBALINFO_TAG& info, TScriptRunHost& host, TRunPace pace = TRunPace());

    // --- Commands.
    // Idle: runs the script to its end (an empty or blank script does
    // nothing). Running: single stepping goes off and a pause ends.
    void Run();
    // Idle: single stepping and highlighting go on and the script starts,
    // pausing at its first line. Running: single stepping goes on and a pause
    // ends, so the script runs one line.
    void Step();
    void Stop();
    void SetSingleStep(bool on);
    void SetHighlight(bool on);
    // Has the control dump its variables into the add-watch dialog.
    void DumpToAddWatch();

    // --- Events of the control. A step pauses while single stepping, with
    // every window showing the run's state; else it, like a printed line,
    // handles messages and refreshes the watches at the run's pace.
    void OnStep(std::int32_t lineNo);
    void OnBreakPoint();
    void OnScriptComplete(std::int32_t lineNo, std::int32_t exitCode);
    void OnScriptError(std::int32_t lineNo, const std::string& errorMsg);
    void OnPrint(const std::string& printLine, bool newLine);
    void OnDump(const std::string& dumpLine);

    // Whether Execute is on the stack, for a run started here or elsewhere
    // through ExecuteScript.
    bool Executing() const { return executing_ > 0; }
    // Runs the script with no run flag set, as the command line does: it
    // never pauses.
    void ExecuteScript();

private:
    bool ScriptIsEmpty();
    void ShowRunState();

    // The error a run reported, shown once the run has ended: the control
    // clears its selection while it ends a run that failed its check.
    struct TRunError {
        std::int32_t LineNo = 0;
        std::string Text;
    };

    TScriptControl& control_;
    GLOBALINFO_TAG& info_;
    TScriptRunHost& host_;
    TRunPace pace_;
    int executing_ = 0;
    std::optional<TRunError> error_;
};
