#include "Tlangplain.h"

namespace pevox {

void RecordingEvents::OnInitialize() {
    ++initializations;
    if (onInitialize) onInitialize();
}
void RecordingEvents::OnPrint(const std::string& printLine, bool newline) { prints.push_back({printLine, newline}); }
void RecordingEvents::OnDump(const std::string& dumpLine) { dumps.push_back(dumpLine); }
void RecordingEvents::OnStep(int lineNo) {
    steps.push_back(lineNo);
    if (onStep) onStep(lineNo);
}
void RecordingEvents::OnBreakPoint() { ++breakPoints; }
void RecordingEvents::OnScriptError(int lineNo, const std::string& errorMsg) { errors.push_back({lineNo, errorMsg}); }
void RecordingEvents::OnScriptComplete(int lineNo, int exitCode) { completions.push_back({lineNo, exitCode}); }

void RecordingEvents::OnUserFunction(int ordinal, int paramCount) {
    userCalls.push_back({ordinal, paramCount});
    if (onUserFunction) onUserFunction(ordinal, paramCount);
}

int LinesEditorView::LineIndex(int line) const {
    if (line < 0 || line >= static_cast<int>(lines_.size())) return -1;
    int position = 0;
    for (int i = 0; i < line; ++i) position += static_cast<int>(lines_[i].size()) + 1;
    return position;
}

int LinesEditorView::LineLength(int position) const {
    int start = 0;
    for (const std::string& line : lines_) {
        const int length = static_cast<int>(line.size());
        if (position <= start + length) return length;
        start += length + 1;
    }
    return 0;
}

void LinesEditorView::SetSelection(int start, int end) {
    selStart_ = start;
    selEnd_ = end;
}

}  // namespace pevox
