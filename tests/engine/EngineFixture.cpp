#include "EngineFixture.h"

#include <cstdlib>
#include <filesystem>

namespace pevox::test {

void EngineFixture::SetUp() {
    const char* previous = std::getenv("TMPDIR");
    hadTmpDir_ = previous != nullptr;
    if (previous) savedTmpDir_ = previous;
    std::string pattern = (std::filesystem::temp_directory_path() / "engine_test_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    tempDir = pattern;
    setenv("TMPDIR", tempDir.c_str(), 1);
}

void EngineFixture::TearDown() {
    if (hadTmpDir_)
        setenv("TMPDIR", savedTmpDir_.c_str(), 1);
    else
        unsetenv("TMPDIR");
    std::filesystem::remove_all(tempDir);
}

void EngineFixture::SetRunText(const std::vector<std::string>& lines, bool tokenising) {
    engine.m_ScriptLines.emplace();
    for (const std::string& line : lines) engine.m_ScriptLines->Add(line);
    engine.m_RunTextLength = 0;
    engine.m_TextPos = 1;
    engine.m_StopRequested = false;
    engine.m_Tokenising = tokenising;
    engine.m_Token = tok::EndOfLine;
    // Line offsets are made while tokenising, as a run's pre-pass makes them.
    engine.m_Tokenising = true;
    engine.LineOfOffset(1);
    engine.m_Tokenising = tokenising;
}

std::vector<int> EngineFixture::AllTokens() {
    std::vector<int> tokens;
    while (engine.GetToken()) tokens.push_back(engine.m_Token);
    return tokens;
}

bool EngineFixture::PrePass(const std::vector<std::string>& lines) {
    view.SetLines(lines);
    engine.FreeRunState();
    engine.m_StopRequested = false;
    engine.m_ExitCode = TxNormal;
    return engine.PrePass();
}

std::vector<std::string> EngineFixture::TempFiles() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(tempDir))
        names.push_back(entry.path().filename().string());
    return names;
}

TERP_SYMBOL_TAG& EngineFixture::DeclareArray(const std::string& name, int kind, std::vector<int> highest) {
    TERP_SYMBOL_TAG array;
    array.SymName = name;
    array.SymKind = static_cast<std::int16_t>(kind);
    for (int h : highest) array.SymDim[static_cast<std::size_t>(array.SymDims++)] = h;
    EXPECT_TRUE(AllocateArrayCells(array));
    return *engine.DefineSymbol(std::move(array));
}

TERP_SYMBOL_TAG& EngineFixture::DeclareVariable(const std::string& name, int kind) {
    TERP_SYMBOL_TAG variable;
    variable.SymName = name;
    variable.SymKind = static_cast<std::int16_t>(kind);
    return *engine.DefineSymbol(std::move(variable));
}

}  // namespace pevox::test
