#include "Tlangengine.h"

#include <algorithm>
#include <exception>
#include <new>

namespace pevox {

namespace {
constexpr int kMaxPageLeftScrolls = 10;
}

TLangEngine::TLangEngine(EngineEvents& events, EditorView& editor) : m_Events(events), m_Editor(editor) {
    LoadTokenTable();
}

TLangEngine::~TLangEngine() = default;

void TLangEngine::FreeRunState() {
    FreeSymbols();
    m_Memory.Clear();
    runTextHeld_ = 0;
    m_FileSearch.Close();
    m_ScriptLines.reset();
    kept_.lineOfPosition.clear();
    m_TextPos = 1;
    m_CurrentLine = LineOfOffset(1);
    m_RunTextLength = 0;
    m_RunText.clear();
    m_SourceLines.reset();
}

void TLangEngine::StopRun() {
    if (m_StopRequested) return;
    m_StopRequested = true;
    m_Token = tok::End;
}

void TLangEngine::Terminate() {
    StopRun();
    m_ExitCode = TxKilled;
}

bool TLangEngine::Execute() {
    if (m_Busy == TxStsBusy) return false;
    if (m_Editor.Lines().empty()) return true;
    m_Busy = TxStsBusy;
    // Every way out closes the script's files (a declaration of a failed
    // pre-pass may have opened one too), does a reset the host asked for
    // during the run, and leaves the engine idle.
    struct RunScope {
        TLangEngine& engine;
        ~RunScope() {
            engine.CloseScriptFiles();
            if (engine.resetPending_) {
                engine.resetPending_ = false;
                engine.FreeRunState();
            }
            engine.m_Busy = TxStsIdle;
        }
    } scope{*this};
    bool completed = false;
    auto complete = [this, &completed] {
        // The host may read what the script wrote as soon as it hears of the end.
        m_Files.FlushAll();
        completed = true;
        m_Events.OnScriptComplete(m_CurrentLine, m_ExitCode);
    };
    try {
        Terminate();
        m_ExitCode = TxReset;
        FreeRunState();
        m_ExitCode = TxNormal;
        // The host variables become symbols with the stop flag clear, so that
        // a faulty line is reported; the run goes on after it.
        m_StopRequested = false;
        InitSymbols();
        m_StopRequested = false;
        m_Events.OnInitialize();
        // A host that stopped the run while it set up (Terminate, Reset, an
        // error of its own) has it end there, with its exit code.
        const bool stoppedByHost = m_StopRequested;
        m_StopRequested = false;
        if (stoppedByHost || !PrePass() || m_StopRequested) {
            m_StopRequested = true;
            m_Editor.CollapseSelection();
            complete();
        } else {
            m_CurrentLine = LineOfOffset(m_TextPos);
            m_LeaveBlock = false;
            m_InSingleLineIf = false;
            m_ExitCode = TxNormal;
            m_ExprDepth = 0;
            lastSteppedLine_ = 0;
            stepAgain_ = false;
            RunScript();
            // The end of the text counts as the last line.
            if (m_ScriptLines) m_CurrentLine = std::min(m_CurrentLine, m_ScriptLines->Count());
            complete();
        }
    } catch (...) {
        // A failure outside the script (its file cannot be written) still
        // ends the run as the host expects: with an error and its completion.
        Terminate();
        m_ExitCode = TxError;
        if (!completed) complete();
        throw;
    }
    return true;
}

void TLangEngine::RunScript() {
    // A failure the run cannot go on from ends it as an error, never as a
    // normal end.
    try {
        RunBlock(false, true);
    } catch (const std::bad_alloc&) {
        ReportError(std::string(msg::OutOfMemory));
    } catch (const std::exception& failure) {
        ReportError(failure.what());
    }
}

void TLangEngine::Reset() {
    Terminate();
    m_ExitCode = TxReset;
    if (m_Busy == TxStsBusy) {
        resetPending_ = true;
        return;
    }
    CloseScriptFiles();
    FreeRunState();
}

void TLangEngine::ReportError(const std::string& message) {
    // A run that is stopped already has had its error, or was ended on
    // purpose: what its unwinding meets is no new error.
    if (m_StopRequested) return;
    // An error found on reading a line end belongs to the line that ended,
    // whose CR stands two places back.
    const int position = m_Token == tok::EndOfLine && lineEndPos_ > 0 ? lineEndPos_ : m_TextPos;
    Terminate();
    m_ExitCode = TxError;
    if (message.empty()) return;
    m_Tokenising = false;
    m_ReadingSource = false;
    m_CurrentLine = LineOfOffset(position);
    SelectLine();
    m_Events.OnScriptError(m_CurrentLine, message);
}

void TLangEngine::SelectLine() {
    if (!m_Editor.Visible()) return;
    const int start = m_Editor.LineIndex(m_CurrentLine - 1);
    // A line past the end of the editor's text has nothing to select.
    if (start < 0) return;
    m_Editor.SetSelection(start, start + m_Editor.LineLength(start));
    for (int i = 0; i < kMaxPageLeftScrolls; ++i) {
        m_Editor.ScrollPageLeft();
        if (m_Editor.HorizontalScrollPos() == 0) break;
    }
}

}  // namespace pevox
