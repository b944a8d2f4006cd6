// An engine over a recording sink and a list-of-lines editor, with its own
// temporary folder so that script files never land in the machine's.
#pragma once

#include "Tlangengine.h"
#include "Tlangplain.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pevox::test {

class EngineFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Puts lines in place as the run text, as tokenised text or as source.
    void SetRunText(const std::vector<std::string>& lines, bool tokenising = false);
    // Every token code up to the end of the text.
    std::vector<int> AllTokens();
    // Runs the pre-pass over the editor lines.
    bool PrePass(const std::vector<std::string>& lines);
    // Files in the test's temporary folder.
    std::vector<std::string> TempFiles() const;
    TERP_SYMBOL_TAG& DeclareArray(const std::string& name, int kind, std::vector<int> highest);
    TERP_SYMBOL_TAG& DeclareVariable(const std::string& name, int kind);

    RecordingEvents events;
    LinesEditorView view;
    TLangEngine engine{events, view};
    std::string tempDir;

private:
    std::string savedTmpDir_;
    bool hadTmpDir_ = false;
};

}  // namespace pevox::test
