// Running a script: the run, step and stop commands and the pause at a step,
// over a control in memory and a window that records what reaches it.
#include "Scriptrun.h"
#include "Wordatcaret.h"

#include "FakeScriptControl.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "QtTestApplication.h"

#include <deque>
#include <stdexcept>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// The script window as a run sees it. Each pause runs the next queued user
// action, which must end the pause; with none queued the pause is recorded
// as unexpected and ended.
class RecordingHost : public TScriptRunHost {
public:
    explicit RecordingHost(GLOBALINFO_TAG& info) : info_(info) {}

    bool OutputOpen = true;
    bool AddWatchOpen = true;
    std::vector<std::string> Output;
    std::vector<std::string> AddWatchLines;
    std::vector<std::int32_t> PausedAt;
    std::deque<std::function<void()>> UserActions;
    int UnexpectedPauses = 0;
    int Refreshes = 0;
    int ViewsShown = 0;
    int MessageRounds = 0;
    // The run's flag of windows that follow it, at each refresh of the watches.
    std::vector<std::int32_t> FollowingAtRefresh;
    int ChannelsShown = 0;
    std::vector<std::string> ErrorsShown;  // "3: Error Line: 3 - ..."
    bool SingleStepShown = false;
    bool HighlightShown = false;
    std::int32_t CurrentLine = 0;

    void ProcessMessages() override { ++MessageRounds; }
    void WaitForStepContinue() override {
        PausedAt.push_back(CurrentLine);
        if (UserActions.empty()) {
            ++UnexpectedPauses;
            info_.StepContinue = 1;
            return;
        }
        const auto action = UserActions.front();
        UserActions.pop_front();
        action();
        EXPECT_EQ(info_.StepContinue, 1) << "the user action did not end the pause";
        info_.StepContinue = 1;
    }
    void AddOutputLine(const std::string& text, bool newLine) override {
        if (OutputOpen) Output.push_back(text + (newLine ? "\r\n" : ""));
    }
    void RefreshWatches() override {
        ++Refreshes;
        FollowingAtRefresh.push_back(info_.ExecutingScripts);
    }
    void ShowPendingViews() override { ++ViewsShown; }
    bool AddWatchDumpLine(const std::string& line) override {
        if (!AddWatchOpen) return false;
        AddWatchLines.push_back(line);
        return true;
    }
    void ShowSingleStep(bool on) override { SingleStepShown = on; }
    void ShowHighlight(bool on) override { HighlightShown = on; }
    void ShowAllChannels() override { ++ChannelsShown; }
    void ShowError(std::int32_t lineNo, const std::string& text) override {
        ErrorsShown.push_back(std::to_string(lineNo) + ": " + text);
    }
    void ClearError() override { ErrorsShown.push_back("cleared"); }

private:
    GLOBALINFO_TAG& info_;
};

// The window's events go straight to the run, as the script window passes them.
class RunEvents : public TScriptControlEvents {
public:
    RunEvents(TScriptRun& run, RecordingHost& host) : run_(run), host_(host) {}
    void TLang1Step(std::int32_t lineNo) override {
        host_.CurrentLine = lineNo;
        run_.OnStep(lineNo);
    }
    void TLang1BreakPoint() override { run_.OnBreakPoint(); }
    void TLang1ScriptComplete(std::int32_t lineNo, std::int32_t exitCode) override {
        run_.OnScriptComplete(lineNo, exitCode);
    }
    void TLang1ScriptError(std::int32_t lineNo, const std::string& errorMsg) override {
        run_.OnScriptError(lineNo, errorMsg);
    }
    void TLang1Print(const std::string& printLine, bool newLine) override { run_.OnPrint(printLine, newLine); }
    void TLang1Dump(const std::string& dumpLine) override { run_.OnDump(dumpLine); }
    void TLang1SelectionChange() override {}
    void TLang1KeyUp(std::int16_t, std::int16_t) override {}
    void TLang1Initialize() override {}
    void TLang1UserFunction(std::int32_t, std::int32_t) override {}

private:
    TScriptRun& run_;
    RecordingHost& host_;
};

// The clock of the runs' pace, which the tests turn.
std::int64_t clockNow = 0;
std::int64_t TestClock() { return clockNow; }
constexpr std::int64_t PaceInterval = 10;

class ScriptRunTest : public ::testing::Test {
protected:
    ScriptRunTest() {
        control.Events = &events;
        control.Text = "a = 1\r\nb = 2\r\nc = 3";
    }

    GLOBALINFO_TAG info;
    FakeScriptControl control;
    RecordingHost host{info};
    TScriptRun run{control, info, host, TRunPace(PaceInterval, &TestClock)};
    RunEvents events{run, host};
};

TEST(ScriptTextsTest, CompletionLineEndsAfterTheExitCode) {
    for (const auto& [code, ending] : std::vector<std::pair<int, std::string>>{{0, " with no errors."},
                                                                                {1, " by user break."},
                                                                                {2, " by program reset."},
                                                                                {3, " by program reset."},
                                                                                {4, ""},
                                                                                {7, " due to error."},
                                                                                {-1, " due to error."}})
        EXPECT_EQ(CompletionText(12, code), "\r\nScript Terminated on line: 12" + ending) << code;
    EXPECT_EQ(ErrorText(3, "Syntax error"), "Error Line: 3 - Syntax error");
}

TEST_F(ScriptRunTest, ARunThatFailsWritesTheErrorAndTheCompletion) {
    control.Script = [](FakeScriptControl& c) {
        c.Events->TLang1Step(1);
        c.Events->TLang1Print("hello", true);
        c.Events->TLang1ScriptError(3, "Unknown symbol");
        c.Events->TLang1ScriptComplete(3, 4);
    };
    run.Run();
    EXPECT_THAT(host.Output, ElementsAre("\r\n", "hello\r\n", "\r\n", "Error Line: 3 - Unknown symbol\r\n",
                                         "\r\nScript Terminated on line: 3\r\n"));
    EXPECT_EQ(info.ScriptRunning, 0);
    EXPECT_EQ(host.ChannelsShown, 1);
    EXPECT_EQ(control.Executes, 1);
    // The window shows the error once the run has ended, also with the output window closed.
    EXPECT_THAT(host.ErrorsShown, ElementsAre("cleared", "3: Error Line: 3 - Unknown symbol"));

    host.OutputOpen = false;
    control.Script = [](FakeScriptControl& c) { c.Events->TLang1ScriptComplete(3, 0); };
    run.Run();
    EXPECT_THAT(host.ErrorsShown, ElementsAre("cleared", "3: Error Line: 3 - Unknown symbol", "cleared"))
        << "a run without an error shows none";
}

TEST_F(ScriptRunTest, AnEmptyOrBlankScriptDoesNothing) {
    for (const char* text : {"", "  \r\n\t\r\n"}) {
        control.Text = text;
        run.Run();
        run.Step();
        EXPECT_EQ(control.Executes, 0) << text;
        EXPECT_THAT(host.Output, IsEmpty()) << text;
        EXPECT_EQ(info.SingleStep, 0) << text;
    }
}

TEST_F(ScriptRunTest, StepFromIdleTurnsSteppingOnAndPausesAtEachLine) {
    control.Script = FakeScriptControl::Lines(3);
    for (int pause = 0; pause < 3; ++pause) host.UserActions.push_back([this] { run.Step(); });
    run.Step();
    EXPECT_THAT(host.PausedAt, ElementsAre(1, 2, 3));
    EXPECT_EQ(host.UnexpectedPauses, 0);
    EXPECT_EQ(info.SingleStep, 1);
    EXPECT_TRUE(host.SingleStepShown);
    EXPECT_TRUE(control.AutoSelectStepLine);
    EXPECT_TRUE(host.HighlightShown);
    EXPECT_EQ(info.ScriptRunning, 0);
    // Each pause and the end show the run's state.
    EXPECT_EQ(host.Refreshes, 4);
    EXPECT_EQ(host.ViewsShown, 4);
}

// Lines and printed lines pump only once the pace's interval has passed; the
// watches follow at that pace too, and the end shows the final state.
TEST_F(ScriptRunTest, ARunningScriptPumpsAndRefreshesTheWatchesAtItsPace) {
    control.Script = [](FakeScriptControl& c) {
        for (int line = 1; line <= 1000; ++line) {
            if (line == 500) clockNow += PaceInterval;
            c.Events->TLang1Step(line);
            c.Events->TLang1Print("x", true);
        }
        c.Events->TLang1ScriptComplete(1000, 0);
    };
    run.Run();
    EXPECT_EQ(host.MessageRounds, 1);
    EXPECT_EQ(host.Refreshes, 2);
    EXPECT_EQ(host.ViewsShown, 1);
    // While the run is on the stack the windows follow it; they show it
    // all once it has ended.
    EXPECT_THAT(host.FollowingAtRefresh, ElementsAre(1, 0));
    EXPECT_EQ(info.ExecutingScripts, 0);
    EXPECT_EQ(host.Output.size(), 1000u + 2u);
}

TEST_F(ScriptRunTest, RunWhilePausedFinishesWithoutPausing) {
    control.Script = FakeScriptControl::Lines(4);
    host.UserActions.push_back([this] { run.Run(); });
    run.Step();
    EXPECT_THAT(host.PausedAt, ElementsAre(1));
    EXPECT_EQ(info.SingleStep, 0);
    EXPECT_FALSE(host.SingleStepShown);
    EXPECT_EQ(host.Output.back(), "\r\nScript Terminated on line: 4 with no errors.\r\n");
}

TEST_F(ScriptRunTest, AStopStatementPausesAndTurnsSteppingAndHighlightingOn) {
    control.CursorLine = 2;
    control.Script = [](FakeScriptControl& c) {
        c.Events->TLang1Step(1);
        c.Events->TLang1BreakPoint();
        c.Events->TLang1Step(3);
        c.Events->TLang1ScriptComplete(3, 0);
    };
    host.UserActions.push_back([this] { run.Step(); });
    host.UserActions.push_back([this] { run.Step(); });
    run.Run();
    EXPECT_EQ(host.PausedAt.size(), 2u);
    EXPECT_EQ(info.SingleStep, 1);
    EXPECT_TRUE(control.AutoSelectStepLine);
    EXPECT_EQ(host.UnexpectedPauses, 0);
}

TEST_F(ScriptRunTest, StopEndsThePauseAndTheRunPausesNoMore) {
    control.Script = FakeScriptControl::Lines(5);
    host.UserActions.push_back([this] {
        run.Stop();
        EXPECT_EQ(info.ScriptRunning, 0);
    });
    run.Step();
    EXPECT_THAT(host.PausedAt, ElementsAre(1));
    EXPECT_EQ(control.Terminates, 1);
    EXPECT_EQ(host.Output.back(), "\r\nScript Terminated on line: 2 by program reset.\r\n");
}

TEST_F(ScriptRunTest, ARunStartedElsewhereNeverPauses) {
    info.SingleStep = 1;
    control.Script = FakeScriptControl::Lines(3);
    run.ExecuteScript();
    EXPECT_THAT(host.PausedAt, IsEmpty());
    EXPECT_EQ(info.ScriptRunning, 0);
}

TEST_F(ScriptRunTest, TheRunningFlagFallsEvenWhenTheRunThrows) {
    control.Script = [](FakeScriptControl& c) {
        EXPECT_TRUE(c.Events != nullptr);
        throw std::runtime_error("control failed");
    };
    EXPECT_THROW(run.Run(), std::runtime_error);
    EXPECT_EQ(info.ScriptRunning, 0);
    EXPECT_EQ(info.ExecutingScripts, 0);
    EXPECT_FALSE(run.Executing());
}

TEST_F(ScriptRunTest, HighlightOffClearsTheSelection) {
    run.SetHighlight(true);
    EXPECT_TRUE(control.AutoSelectStepLine);
    EXPECT_EQ(control.SelLength, -1);
    run.SetHighlight(false);
    EXPECT_FALSE(control.AutoSelectStepLine);
    EXPECT_EQ(control.SelLength, 0);
    EXPECT_FALSE(host.HighlightShown);
}

TEST_F(ScriptRunTest, DumpLinesGoWhereTheFlagSends) {
    control.DumpLines = {"  Number | X=5  ", "String | S=a"};
    run.DumpToAddWatch();
    EXPECT_THAT(host.AddWatchLines, ElementsAre("Number | X=5", "String | S=a"));
    EXPECT_EQ(info.DumpForAddWatch, 0);
    EXPECT_THAT(host.Output, IsEmpty());

    // Without the flag the untrimmed lines are printed; the blank closing line never is.
    control.DumpVariables();
    EXPECT_THAT(host.Output, ElementsAre("  Number | X=5  \r\n", "String | S=a\r\n"));

    // The dialog has gone: its lines reach the output window instead.
    host.Output.clear();
    host.AddWatchOpen = false;
    info.DumpForAddWatch = 1;
    run.OnDump("Number | Y=1");
    EXPECT_EQ(info.DumpForAddWatch, 0);
    EXPECT_THAT(host.Output, ElementsAre("Number | Y=1\r\n"));
}

TEST(WordAtCaretTest, TheWordTheCaretTouches) {
    struct Case {
        const char* line;
        int col;
        const char* word;
    };
    for (const Case& c : {Case{"x = Len(a)", 5, "Len"}, Case{"x = Len(a)", 6, "Len"}, Case{"x = Len(a)", 9, "a"},
                          Case{"", 1, ""}, Case{"\tPrint x", 2, "Print"}, Case{"Print x", 8, "x"},
                          Case{"x = Len(a)", 11, ""}, Case{"Print x", 1, "Print"}, Case{"Print x", 40, ""},
                          Case{"Print x", 0, ""}, Case{"Print \"after\"", 9, "after"},
                          Case{"Print \"after\"", 7, ""}, Case{"x = Mid(\"two words\", 2)", 14, "words"}})
        EXPECT_EQ(WordAtCaret(c.line, c.col), c.word) << c.line << " @" << c.col;
}

TEST(WordAtCaretTest, ReplaceAllMakesOnePass) {
    EXPECT_EQ(ReplaceAll("a", "aa", "banana"), "baanaanaa");
    EXPECT_EQ(ReplaceAll(" ", "|", "a b  c"), "a|b||c");
    EXPECT_EQ(ReplaceAll("x", "X", "xyx"), "xyx");  // the same letter in another case
    EXPECT_EQ(ReplaceAll("a", "b", "  "), "  ");
}

}  // namespace
