// The control's run: its events in order, the ways a run ends, what a run
// leaves for the host, and a control that outlives a host letting go of it.
#include "ControlFixture.h"

#include <QKeyEvent>

#include <fstream>
#include <sstream>

namespace pevox_test {
namespace {

class TLangRun : public ControlFixture {
protected:
    std::int32_t State() {
        std::int32_t state = -1;
        EXPECT_EQ(control->get_State(&state), S_OK);
        return state;
    }
    double NumberOf(const std::string& name, HRESULT expected = S_OK) {
        double value = -1;
        EXPECT_EQ(control->GetNVariable(Bstr(name).Get(), &value), expected) << name;
        return value;
    }
};

TEST_F(TLangRun, EmptyEditorRunsNothing) {
    EXPECT_EQ(Run(""), S_OK);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(State(), TxStsIdle);
}

TEST_F(TLangRun, EventsOfARunInOrder) {
    // A fresh control knows its keywords without a persisted record.
    std::vector<std::int32_t> statesInside;
    onPrint = [&](const std::string&) { statesInside.push_back(State()); };
    EXPECT_EQ(Run("PRINT Len(\"abc\")\nPRINT \"b\""), S_OK);
    EXPECT_EQ(log, (std::vector<std::string>{"Initialize", "Print(3)", "Print(b)", "Complete(2,0)"}));
    EXPECT_EQ(statesInside, (std::vector<std::int32_t>{TxStsBusy, TxStsBusy}));
    EXPECT_EQ(State(), TxStsIdle);

    EXPECT_EQ(control->put_ExecutionMode(TxStep), S_OK);
    EXPECT_EQ(Run("PRINT 1\nSTOP\nX\n"), S_OK);
    EXPECT_EQ(log, (std::vector<std::string>{"Initialize", "Error(3,Undefined Symbol: X)", "Complete(3,4)"}));
    EXPECT_EQ(Run("PRINT 1\nSTOP\nPRINT 2"), S_OK);
    EXPECT_EQ(log, (std::vector<std::string>{"Initialize", "Step(1)", "Print(1)", "Step(2)", "Break", "Step(3)",
                                             "Print(2)", "Complete(3,0)"}));
}

TEST_F(TLangRun, NestedExecuteIsRefusedAndTheRunGoesOn) {
    std::vector<HRESULT> nested;
    onPrint = [&](const std::string&) { nested.push_back(control->Execute()); };
    EXPECT_EQ(Run("PRINT 1\nPRINT 2"), S_OK);
    EXPECT_EQ(nested, (std::vector<HRESULT>{S_FALSE, S_FALSE}));
    EXPECT_EQ(Events("Complete"), (std::vector<std::string>{"Complete(2,0)"}));
}

// A step is told as its line begins: a stop asked for there ends the run
// before that line.
TEST_F(TLangRun, TerminateFromAStepEndsTheRunThere) {
    control->put_ExecutionMode(TxStep);
    onStep = [&](int line) {
        if (line == 2) {
            EXPECT_EQ(control->Terminate(), S_OK);
            EXPECT_EQ(control->Terminate(), S_OK);
        }
    };
    EXPECT_EQ(Run("PRINT 1\nPRINT 2\nPRINT 3"), S_OK);
    EXPECT_EQ(Events("Print"), (std::vector<std::string>{"Print(1)"}));
    EXPECT_EQ(Events("Complete"), (std::vector<std::string>{"Complete(2,2)"}));
}

TEST_F(TLangRun, ResetFromAHostCallFreesTheRunAfterItHasUnwound) {
    ASSERT_EQ(control->AddFunction(Bstr("Halt").Get(), 0, 1, TxNone, -1), S_OK);
    onUserFunction = [&](int, int) { EXPECT_EQ(control->Reset(), S_OK); };
    double inComplete = 0;
    onScriptComplete = [&](int, int) { inComplete = NumberOf("X"); };
    EXPECT_EQ(Run("NUMBER X = 5\nHalt()\nPRINT X"), S_OK);
    EXPECT_EQ(Events("Complete"), (std::vector<std::string>{"Complete(2,3)"}));
    EXPECT_TRUE(Events("Print").empty());
    EXPECT_EQ(inComplete, 5);
    NumberOf("X", DISP_E_EXCEPTION);
    EXPECT_EQ(LastError(), "X is not a variable name.");
}

TEST_F(TLangRun, VariablesStayReadableUntilTheNextRunOrReset) {
    EXPECT_EQ(Run("NUMBER X\nX = 5"), S_OK);
    EXPECT_EQ(NumberOf("X"), 5);
    EXPECT_EQ(NumberOf(" x "), 5);
    EXPECT_EQ(control->Reset(), S_OK);
    NumberOf("X", DISP_E_EXCEPTION);
    EXPECT_EQ(LastError(), "X is not a variable name.");
}

TEST_F(TLangRun, DumpBeforeAnyRunGivesTheClosingLineOnly) {
    EXPECT_EQ(control->DumpVariables(), S_OK);
    EXPECT_EQ(log, (std::vector<std::string>{"Dump( )"}));
    Run("NUMBER X = 2\nSTRING S = \"t\"");
    log.clear();
    EXPECT_EQ(control->DumpVariables(), S_OK);
    EXPECT_EQ(log, (std::vector<std::string>{"Dump(Number | X=2)", "Dump(String | S=t)", "Dump( )"}));
}

TEST_F(TLangRun, ScriptFilesAreClosedAfterAnErrorRun) {
    const std::string path = tempDir + "/out.txt";
    std::string whenComplete;
    onScriptComplete = [&](int, int) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        whenComplete = text.str();
    };
    EXPECT_EQ(Run("NUMBER R\nR = FOPEN(1, \"" + path + "\")\nR = FPUTS(1, \"written\")\nR = SQR(-1)"), S_OK);
    ASSERT_EQ(Events("Error").size(), 1u);
    EXPECT_EQ(Events("Error")[0].rfind("Error(4,", 0), 0u);
    EXPECT_EQ(whenComplete, "written");
    // The next run can open the same number again.
    onScriptComplete = nullptr;
    EXPECT_EQ(Run("NUMBER R\nSTRING L\nR = FOPEN(1, \"" + path + "\")\nL = FGETS(1)\nPRINT L"), S_OK);
    EXPECT_EQ(Events("Print"), (std::vector<std::string>{"Print(written)"}));
}

TEST_F(TLangRun, UserBreakEndsTheRunWithBreak) {
    ASSERT_EQ(control->put_AllowUserBreak(VARIANT_TRUE), S_OK);
    ASSERT_EQ(control->AddFunction(Bstr("Pump").Get(), 0, 1, TxNone, -1), S_OK);
    TLangEditor& editor = Editor();
    // The key arrives while the host handles a call, as it does when the
    // host processes pending messages there.
    onUserFunction = [&](int, int) {
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
        QCoreApplication::sendEvent(&editor, &release);
    };
    EXPECT_EQ(Run("Pump()\nPRINT 1"), S_OK);
    EXPECT_EQ(Events("Complete"), (std::vector<std::string>{"Complete(1,1)"}));
    EXPECT_TRUE(Events("KeyUp").empty());
    EXPECT_TRUE(Events("Print").empty());

    // So does the key whose code is that of "c", the keypad's 3.
    onUserFunction = [&](int, int) {
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_3, Qt::ControlModifier | Qt::ShiftModifier | Qt::KeypadModifier);
        QCoreApplication::sendEvent(&editor, &release);
    };
    EXPECT_EQ(Run("Pump()\nPRINT 1"), S_OK);
    EXPECT_EQ(Events("Complete"), (std::vector<std::string>{"Complete(1,1)"}));

    // A run that is stopping already keeps its own reason.
    onUserFunction = [&](int, int) {
        control->Terminate();
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QCoreApplication::sendEvent(&editor, &release);
    };
    EXPECT_EQ(Run("Pump()\nPRINT 1"), S_OK);
    EXPECT_EQ(Events("Complete"), (std::vector<std::string>{"Complete(1,2)"}));
}

TEST_F(TLangRun, AHostThatLetsGoInsideAnEventDoesNotPullTheControlAway) {
    SetText("PRINT 1\nPRINT 2");
    ITLang* raw = control.Detach();
    onPrint = [&](const std::string&) { raw->Release(); };
    raw->AddRef();
    EXPECT_EQ(raw->Execute(), S_OK);
    EXPECT_EQ(Events("Complete"), (std::vector<std::string>{"Complete(2,0)"}));
    // The first Print gave the last reference back; the control went with the run.
}

TEST_F(TLangRun, FailingMembersLeaveErrorInformation) {
    double value = 0;
    EXPECT_EQ(control->GetNVariable(Bstr("Nope").Get(), &value), DISP_E_EXCEPTION);
    EXPECT_EQ(LastError(), "Nope is not a variable name.");
    ComPtr<ISupportErrorInfo> support;
    ASSERT_EQ(control.As(IID_ISupportErrorInfo, support), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_ITLang), S_OK);
    ComPtr<IUnknown> bag;
    EXPECT_EQ(control->QueryInterface(IID_IPersistPropertyBag, bag.OutVoid()), E_NOINTERFACE);
}

TEST_F(TLangRun, MembersByNameReachTheSameBehaviour) {
    SetText("PRINT 7");
    OLECHAR name[] = u"Execute";
    OLECHAR* names[] = {name};
    DISPID id = 0;
    ASSERT_EQ(control->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
    EXPECT_EQ(id, TLangDispid::Execute);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    log.clear();
    EXPECT_EQ(control->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(log, (std::vector<std::string>{"Initialize", "Print(7)", "Complete(1,0)"}));

    // A failure by name arrives as an exception with the member's message.
    VARIANT args[1] = {MakeVariantBstr(u"Nope")};
    DISPPARAMS one{args, nullptr, 1, 0};
    UniqueVariant result;
    EXCEPINFO exception{};
    EXPECT_EQ(control->Invoke(TLangDispid::ClearArray, IID_NULL, 0, DISPATCH_METHOD, &one, result.Ptr(), &exception,
                              nullptr),
              DISP_E_EXCEPTION);
    EXPECT_EQ(BstrToAnsi(exception.bstrDescription), "Nope is not an array name.");
    EXPECT_EQ(BstrToAnsi(exception.bstrSource), "Pevox10.TLang");
    ClearExcepInfo(&exception);
    VariantClear(&args[0]);
}

}  // namespace
}  // namespace pevox_test
