#include "Tlangengine.h"

#include <algorithm>

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
    m_ScriptLines.reset();
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

void TLangEngine::ReportError(const std::string& message) {
    // An error found on reading a line end belongs to the line that ended,
    // whose CR stands two places back.
    const int position = m_Token == tok::EndOfLine ? std::max(1, m_TextPos - 2) : m_TextPos;
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
