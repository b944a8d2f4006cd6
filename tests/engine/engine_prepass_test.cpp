#include "EngineFixture.h"

#include "Tlangprepass.h"

#include "InterruptedWrite.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace pevox::test {
namespace {

class EnginePrePass : public EngineFixture {
protected:
    std::vector<std::string> Tokenised() const { return engine.m_ScriptLines->Strings; }

    // Pre-pass that must fail with exactly one error.
    RecordingEvents::ScriptError FailingPrePass(const std::vector<std::string>& lines) {
        events.errors.clear();
        EXPECT_FALSE(PrePass(lines)) << lines.back();
        EXPECT_EQ(events.errors.size(), 1u) << lines.back();
        EXPECT_EQ(engine.m_ExitCode, TxError);
        EXPECT_FALSE(engine.m_ScriptLines.has_value());
        return events.errors.empty() ? RecordingEvents::ScriptError{0, ""} : events.errors[0];
    }

    const TERP_SYMBOL_TAG& Block(std::string_view prefix, char keyword, int nth = 0) const {
        std::size_t at = std::string::npos;
        for (int i = 0; i <= nth; ++i) at = engine.m_RunText.find(keyword, at + 1);
        EXPECT_NE(at, std::string::npos);
        const TERP_SYMBOL_TAG* block = engine.FindLabel(BlockName(prefix, static_cast<int>(at) + 2));
        EXPECT_NE(block, nullptr);
        static const TERP_SYMBOL_TAG none;
        return block ? *block : none;
    }

    // The byte at a 1-based run-text position.
    char At(double position) const { return engine.m_RunText.at(static_cast<std::size_t>(position) - 1); }
};

TEST_F(EnginePrePass, TokenisedText) {
    TERP_SYMBOL_TAG f;
    f.SymName = "F";
    f.SymKind = tok::Proc;
    f.SymCount = 10;
    engine.AddFunctionSymbol(f);

    ASSERT_TRUE(PrePass({
        "NUMBER X, Y",
        "PRINT X - -1",
        "X = X + +1 ' note",
        "",
        "IF X < > Y THEN PRINT 0.30; \"a  b\"",
        "Y=1.2.3",
        "FOR Y = 1 TO 10 STEP 2",
        "NEXT",
        ":L1 F(X)",
        "GOTO L1",
        "_ Y",
        "X==Y",
        "x = y & & 1",
    })) << (events.errors.empty() ? "" : events.errors[0].message);
    EXPECT_EQ(Tokenised(), (std::vector<std::string>{
                               "",
                               "?X- -1",
                               "X=X+ +1",
                               " ",
                               "[X< >Y\x07?0.30;\"a  b\"",
                               "Y=1.2 .3",
                               "\x84Y=1\x8D" "10\x8F" "2",
                               "\x83",
                               ":L1\xFF\x0A(X)",
                               "\x7FL1",
                               "_ Y",
                               "X\x87Y",
                               "X=Y& &1",
                           }));
    EXPECT_FALSE(engine.m_Tokenising);
    EXPECT_EQ(engine.m_TextPos, 1);
}

TEST_F(EnginePrePass, UnknownWordsAreReported) {
    const struct {
        std::vector<std::string> lines;
        const char* message;
        int line;
    } cases[] = {
        {{"PRINT 1", "PRINT Q"}, "Undefined Symbol: Q", 2},
        {{"print 1e3"}, "Undefined Symbol: E3", 1},
        {{"NUMBER A", "PRINT A$"}, "Undefined Symbol: $", 2},
        {{"PRINT 1 ~"}, "Undefined Symbol: ~", 1},
        {{"PRINT \"\x80\"", "PRINT \x80"}, "Undefined Symbol: \x80", 2},
    };
    for (const auto& c : cases) {
        const auto error = FailingPrePass(c.lines);
        EXPECT_EQ(error.message, c.message);
        EXPECT_EQ(error.lineNo, c.line) << c.message;
    }
}

TEST_F(EnginePrePass, DeclarationsRunBeforeAnyStatement) {
    ASSERT_TRUE(PrePass({"PRINT B", "NUMBER A, B = 2, C", "STRING S = \"x y\", T = S", "NUMBER D(2.7) E(1, B)"}));
    EXPECT_EQ(Tokenised()[1], "");
    EXPECT_EQ(engine.FindSymbol("A", kVariableList)->SymValue, 0);
    EXPECT_EQ(engine.FindSymbol("B", kVariableList)->SymValue, 2);
    EXPECT_EQ(engine.FindSymbol("C", kVariableList)->SymValue, 0);
    EXPECT_EQ(engine.FindSymbol("S", kVariableList)->SymText, "x y");
    EXPECT_EQ(engine.FindSymbol("T", kVariableList)->SymText, "x y");
    const TERP_SYMBOL_TAG* d = engine.FindSymbol("D", kVariableList);
    EXPECT_EQ(d->SymKind, tok::NumericArray);
    EXPECT_EQ(d->SymDims, 1);
    EXPECT_EQ(d->SymDim[0], 2);
    EXPECT_EQ(d->SymCount, 3);
    const TERP_SYMBOL_TAG* e = engine.FindSymbol("E", kVariableList);
    EXPECT_EQ(e->SymDims, 2);
    EXPECT_EQ(e->SymCount, 6);

    std::vector<std::string> order;
    for (const TERP_SYMBOL_TAG& symbol : engine.m_Variables) order.push_back(symbol.SymName);
    EXPECT_EQ(order, (std::vector<std::string>{"A", "B", "C", "S", "T", "D", "E"}));
}

TEST_F(EnginePrePass, DeclarationErrors) {
    const std::pair<const char*, const char*> cases[] = {
        {"NUMBER A(3), B", "Syntax error in declaration!"},
        {"NUMBER A B", "Syntax error in declaration!"},
        {"NUMBER A(0)", "Array Dimension must be > zero"},
        {"NUMBER A(1,1,1,1,1,1)", "Syntax error in array declaration"},
        {"NUMBER A(3", "Syntax error in array declaration"},
        {"NUMBER A(\"3\")", "Array Dimension expression must resolve to number"},
        {"NUMBER A(65535, 65535)", "Failed to allocate memory for array"},
        {"NUMBER A(5000000000)", "Failed to allocate memory for array"},
        {"NUMBER X, X", "Redefinition of symbol or reserved word!"},
        {"NUMBER PRINT", "Redefinition of symbol or reserved word!"},
        {"NUMBER", "NULL declaration statement!"},
        {"NUMBER ' nothing", "NULL declaration statement!"},
        {"STRING S = 5", "Type Mismatch in assignment expression"},
        {"NUMBER N = \"5\"", "Type Mismatch in assignment expression"},
    };
    for (const auto& [line, message] : cases) {
        const auto error = FailingPrePass({"PRINT 1", line, "PRINT 2"});
        EXPECT_EQ(error.message, message) << line;
        EXPECT_EQ(error.lineNo, 2) << line;
    }
}

TEST_F(EnginePrePass, ParenthesisDepthIsCheckedPerLine) {
    auto error = FailingPrePass({"PRINT 1", "PRINT (1", "PRINT 2"});
    EXPECT_EQ(error.message, "Extra open  parenthese in expression");
    EXPECT_EQ(error.lineNo, 2);
    EXPECT_EQ(view.SelectionStart(), 8);
    EXPECT_EQ(view.SelectionEnd(), 16);
    error = FailingPrePass({"PRINT 1)", "PRINT 2"});
    EXPECT_EQ(error.message, "Extra close  parenthese in expression");
    EXPECT_EQ(error.lineNo, 1);
    error = FailingPrePass({"PRINT (1 ' open"});
    EXPECT_EQ(error.message, "Extra open  parenthese in expression");
    EXPECT_EQ(error.lineNo, 1);
}

// The line of every position is found in one pass over the lines: a
// million blank lines (declarations are blank once the pre-pass has read
// them) would keep a pass that looks past the blank lines after each line
// busy for hours.
TEST_F(EnginePrePass, LinesOfPositionsPastAMillionBlankLinesAreFoundInOnePass) {
    constexpr int kBlankLines = 1'000'000;
    std::vector<std::string> lines = {"?1", " ", "?2"};
    lines.resize(3 + kBlankLines, " ");
    lines.push_back("?3");
    lines.push_back("\t");
    SetRunText(lines);
    const std::vector<int>& offsets = engine.m_ScriptLines->Objects;
    EXPECT_EQ(engine.LineOfOffset(1), 1);
    EXPECT_EQ(engine.LineOfOffset(offsets[0]), 3);  // the blank line counts to the next statement
    EXPECT_EQ(engine.LineOfOffset(offsets[1]), 3);
    EXPECT_EQ(engine.LineOfOffset(offsets[2]), kBlankLines + 4);
    EXPECT_EQ(engine.LineOfOffset(offsets[kBlankLines]), kBlankLines + 4);
    EXPECT_EQ(engine.LineOfOffset(offsets[kBlankLines + 2] + 1), kBlankLines + 4);
    EXPECT_EQ(engine.LineOfOffset(offsets[kBlankLines + 3]), kBlankLines + 6);  // blank to the end
    EXPECT_EQ(engine.LineOfOffset(offsets[kBlankLines + 4] - 1), kBlankLines + 6);
}

TEST_F(EnginePrePass, LineOffsetsAndLineNumbers) {
    ASSERT_TRUE(PrePass({"PRINT 1", "", "' note", "PRINT 22"}));
    EXPECT_EQ(Tokenised(), (std::vector<std::string>{"?1", " ", " ", "?22"}));
    EXPECT_EQ(engine.m_ScriptLines->Objects, (std::vector<int>{4, 7, 10, 15}));
    EXPECT_EQ(engine.m_RunText, "?1\r\n \r\n \r\n?22\r\n");
    EXPECT_EQ(engine.LineOfOffset(1), 1);
    EXPECT_EQ(engine.LineOfOffset(3), 1);
    EXPECT_EQ(engine.LineOfOffset(4), 4);  // blank lines give the next line that holds a statement
    EXPECT_EQ(engine.LineOfOffset(11), 4);
    EXPECT_EQ(engine.LineOfOffset(15), 5);
    EXPECT_EQ(engine.m_SourceLines->Strings,
              (std::vector<std::string>{"PRINT 1", "", "' note", "PRINT 22", " ", " ", " "}));
    EXPECT_EQ(engine.m_SourceLines->Objects, (std::vector<int>{5, 8, 11, 16, 0, 0, 0}));
    EXPECT_EQ(view.SelectionStart(), 0);
    EXPECT_EQ(view.SelectionEnd(), 0);
    EXPECT_EQ(view.CaretScrolls(), 1);
}

TEST_F(EnginePrePass, LabelsAndCallSites) {
    TERP_SYMBOL_TAG f;
    f.SymName = "F";
    f.SymKind = tok::Proc;
    f.SymCount = 13;  // its call carries a byte that equals CR
    engine.AddFunctionSymbol(f);
    ASSERT_TRUE(PrePass({"STRING S", "GOTO L", "GOSUB S", ":L F(1)", ":l", "LABEL M"}))
        << (events.errors.empty() ? "" : events.errors[0].message);
    const TERP_SYMBOL_TAG* l = engine.FindLabel("L");
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->SymKind, tok::Label);
    EXPECT_EQ(At(l->SymValue), '\r');
    EXPECT_EQ(At(l->SymValue + 1), '\n');
    EXPECT_EQ(engine.m_RunText.substr(static_cast<std::size_t>(l->SymValue) - 8, 7), ":L\xFF\x0D(1)");
    EXPECT_NE(engine.FindLabel("M"), nullptr);

    std::vector<std::string> labels;
    for (const TERP_SYMBOL_TAG& symbol : engine.m_Labels) labels.push_back(symbol.SymName);
    EXPECT_EQ(labels, (std::vector<std::string>{"L", "M"}));
}

TEST_F(EnginePrePass, LabelAndJumpErrors) {
    const struct {
        std::vector<std::string> lines;
        const char* message;
        int line;
    } cases[] = {
        {{"NUMBER X", "GOTO X"}, "GOTO/GOSUB does not reference a valid LABEL", 2},
        {{"GOSUB 5"}, "GOTO/GOSUB does not reference a valid LABEL", 1},
        {{"NUMBER X", ":X"}, "Label shares name with existing identifier/reserved word!", 2},
        {{"PRINT 1", ":PRINT"}, "Attempt to add Label with shared or NULL name!", 2},
        {{":"}, "Attempt to add Label with shared or NULL name!", 1},
        {{"PRINT 1 :L"}, "Label Declaration must be first statement in a line!", 1},
    };
    for (const auto& c : cases) {
        const auto error = FailingPrePass(c.lines);
        EXPECT_EQ(error.message, c.message);
        EXPECT_EQ(error.lineNo, c.line) << c.message;
    }
}

TEST_F(EnginePrePass, IfBlocks) {
    ASSERT_TRUE(PrePass({"NUMBER X", "IF X == 1 THEN PRINT 1", "IF X THEN PRINT 1 ELSE PRINT 2",
                         "IF X THEN", "PRINT 1", "ELSE", "IF X THEN PRINT 3 ENDIF", "IF X THEN", "PRINT 4", "ENDIF",
                         "FI", "IF X THEN IF X THEN PRINT 5 ENDIF"}));
    const TERP_SYMBOL_TAG& single = Block(kIfBlockPrefix, '[');
    EXPECT_EQ(single.SymKind, tok::If);
    EXPECT_EQ(single.SymExtra, 1);
    EXPECT_EQ(single.SymValue, 0);
    EXPECT_EQ(At(single.SymCount), '\r');

    const TERP_SYMBOL_TAG& withElse = Block(kIfBlockPrefix, '[', 1);
    EXPECT_EQ(withElse.SymExtra, 1);
    EXPECT_EQ(At(withElse.SymValue - 1), '\x7D');
    EXPECT_EQ(At(withElse.SymValue), '?');

    const TERP_SYMBOL_TAG& block = Block(kIfBlockPrefix, '[', 2);
    EXPECT_EQ(block.SymExtra, 0);
    EXPECT_EQ(At(block.SymValue - 1), '\x7D');
    EXPECT_EQ(At(block.SymCount - 1), '\x16');  // the FI, after the nested ENDIF
    EXPECT_EQ(engine.LineOfOffset(block.SymCount - 1), 11);

    const TERP_SYMBOL_TAG& inner = Block(kIfBlockPrefix, '[', 3);
    EXPECT_EQ(inner.SymExtra, 1);
    EXPECT_EQ(At(inner.SymCount), '\x16');

    const TERP_SYMBOL_TAG& nested = Block(kIfBlockPrefix, '[', 6);
    EXPECT_EQ(nested.SymExtra, 1);
    EXPECT_EQ(At(nested.SymCount), '\x16');
}

TEST_F(EnginePrePass, IfErrors) {
    const std::pair<const char*, const char*> cases[] = {
        {"IF X THEN ENDIF", "NULL statement after THEN on single line IF statement."},
        {"IF X THEN ELSE PRINT 1", "NULL statement after THEN on single line IF statement."},
        {"IF X PRINT 1", "Malformed IF expression! (Missing THEN?)"},
        {"IF X THEN PRINT 1 ELSE PRINT 2 ELSE PRINT 3", "Multiple ELSE conditions in IF statement"},
        {"IF X THEN PRINT 1 ELSE", "Ill-formed ELSE clause in single line IF statement!"},
        {"IF X THEN PRINT 1 ENDIF PRINT 2", "Expected line terminator after ENDIF in single line IF statement"},
        {"IF X THEN", "Unexpected EOF - Expected ENDIF/FI for IF block."},
    };
    for (const auto& [line, message] : cases) {
        const auto error = FailingPrePass({"NUMBER X", line, "PRINT 9"});
        EXPECT_EQ(error.message, message) << line;
        EXPECT_EQ(error.lineNo, 2) << line;
    }
    const auto error = FailingPrePass({"NUMBER X", "IF X THEN", "ELSE", "ELSE", "ENDIF"});
    EXPECT_EQ(error.message, "Ill-formed ELSE clause in single line IF statement!");
    EXPECT_EQ(error.lineNo, 4);
}

TEST_F(EnginePrePass, LoopAndSwitchBlocks) {
    ASSERT_TRUE(PrePass({"NUMBER I, J", "FOR I = 1 TO 3 STEP 2", "FOR J = 1 TO I", "NEXT", "NEXT",
                         "WHILE I", "WHILE J", "WEND", "WEND", "SWITCH I", "CASE 1, 2", "SWITCH J", "DEFAULT",
                         "ENDSWITCH", "CASE > 1 & < 4", "DEFAULT", "ENDSWITCH"}))
        << (events.errors.empty() ? "" : events.errors[0].message);
    const TERP_SYMBOL_TAG* i = engine.FindSymbol("I", kVariableList);

    const TERP_SYMBOL_TAG& outer = Block(kForBlockPrefix, '\x84');
    EXPECT_EQ(outer.SymKind, tok::For);
    EXPECT_EQ(outer.SymLink, i);
    EXPECT_EQ(At(outer.SymValue), '\x8D');
    EXPECT_EQ(At(std::stoi(outer.SymText) - 1), '\x8F');
    EXPECT_EQ(At(outer.SymCount), '\x83');
    EXPECT_EQ(engine.LineOfOffset(outer.SymCount), 5);
    const TERP_SYMBOL_TAG& inner = Block(kForBlockPrefix, '\x84', 1);
    EXPECT_EQ(inner.SymText, "0");
    EXPECT_EQ(engine.LineOfOffset(inner.SymCount), 4);

    const TERP_SYMBOL_TAG& loop = Block(kWhileBlockPrefix, '\x80');
    EXPECT_EQ(loop.SymKind, tok::While);
    EXPECT_EQ(At(loop.SymValue - 1), '\x80');
    EXPECT_EQ(At(loop.SymCount - 1), '\x81');
    EXPECT_EQ(engine.LineOfOffset(loop.SymCount - 1), 9);

    const TERP_SYMBOL_TAG& select = Block(kSwitchBlockPrefix, '\xC7');
    EXPECT_EQ(select.SymKind, tok::Switch);
    EXPECT_EQ(At(select.SymCount - 1), '\xC9');
    EXPECT_EQ(engine.LineOfOffset(select.SymCount - 1), 17);
}

TEST_F(EnginePrePass, LoopAndSwitchErrors) {
    const struct {
        std::vector<std::string> lines;
        const char* message;
        int line;
    } cases[] = {
        {{"FOR I = 1", "NEXT"}, "Missing 'TO' clause in FOR statement", 2},
        {{"FOR I = 1 TO", "NEXT"}, "Expected expression after 'TO' in FOR statement", 2},
        {{"FOR I = 1 TO 2 TO 3", "NEXT"}, "Duplicate 'TO' clause in FOR statement.", 2},
        {{"FOR I TO 3", "NEXT"}, "Syntax error in FOR statement. Assignment required before 'TO'", 2},
        {{"FOR = 1 TO 3", "NEXT"}, "Syntax error in FOR statement. Symbol required in assignment", 2},
        {{"FOR I = 1 TO 3 STEP", "NEXT"}, "Expected Expression after STEP clause", 2},
        {{"FOR I = 1 TO 3", "PRINT I"}, "Unexpected EOF - FOR without NEXT", 2},
        {{"WHILE", "WEND"}, "Expected expression after WHILE statement", 2},
        {{"WHILE I", "PRINT I"}, "Unexpected EOF - WHILE without WEND", 2},
        {{"SWITCH", "ENDSWITCH"}, "Expected expression after SWITCH statement", 2},
        {{"SWITCH I", "CASE", "ENDSWITCH"}, "Expected expression after CASE", 3},
        {{"SWITCH I", "CASE , 1", "ENDSWITCH"}, "Expected expression after CASE", 3},
        {{"SWITCH I", "CASE 1,", "ENDSWITCH"}, "Syntax error in CASE statement", 3},
        {{"SWITCH I", "CASE >", "ENDSWITCH"}, "Syntax error in CASE statement", 3},
        {{"SWITCH I", "DEFAULT 1", "ENDSWITCH"}, "Invalid expression after DEFAULT", 3},
        {{"SWITCH I", "CASE 1"}, "Unexpected EOF - SWITCH without ENDSWITCH", 2},
    };
    for (const auto& c : cases) {
        std::vector<std::string> lines = {"NUMBER I"};
        lines.insert(lines.end(), c.lines.begin(), c.lines.end());
        const auto error = FailingPrePass(lines);
        EXPECT_EQ(error.message, c.message) << c.lines[0];
        EXPECT_EQ(error.lineNo, c.line) << c.lines[0];
    }
}

TEST_F(EnginePrePass, ScriptFileIsKeptOnlyWhenSavingBeforeRun) {
    ASSERT_TRUE(PrePass({"PRINT 1"}));
    EXPECT_TRUE(TempFiles().empty());
    FailingPrePass({"PRINT Q"});
    EXPECT_TRUE(TempFiles().empty());

    const std::string script = tempDir + "/saved.txt";
    engine.m_SaveBeforeRun = true;
    engine.m_FileName = script;
    ASSERT_TRUE(PrePass({"PRINT 1", "", "PRINT \"x\""}));
    std::ifstream in(script, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "PRINT 1\r\n\r\nPRINT \"x\"\r\n");

    engine.m_FileName = "  ";
    ASSERT_TRUE(PrePass({"PRINT 1"}));
    EXPECT_EQ(TempFiles(), std::vector<std::string>{"saved.txt"});
}

TEST_F(EnginePrePass, UnwritableScriptFileThrowsAndLeavesNoState) {
    const std::string plainFile = tempDir + "/plain";
    std::ofstream(plainFile) << "x";
    engine.m_SaveBeforeRun = true;
    engine.m_FileName = plainFile + "/script.txt";
    view.SetLines({"PRINT 1"});
    engine.m_StopRequested = false;
    EXPECT_THROW(engine.PrePass(), std::runtime_error);
    EXPECT_FALSE(engine.m_ScriptLines.has_value());
}

// The script file is replaced whole: a full disk or a kill during the save
// leaves the user's script as it was (not cut after a block), a link to it
// stays a link, and a killed save's temporary goes with the next save.
TEST_F(EnginePrePass, SavingBeforeRunNeverCutsTheScriptFile) {
    std::filesystem::create_directory(tempDir + "/scripts");
    const std::string script = tempDir + "/scripts/long.bas";
    std::vector<std::string> longScript(2000, "R = R + 1");
    longScript.front() = "NUMBER R";
    std::string old;
    for (const std::string& line : longScript) old += line + "\r\n";
    std::ofstream(script, std::ios::binary) << old;
    const std::string link = tempDir + "/link.bas";
    std::filesystem::create_symlink(script, link);
    engine.m_SaveBeforeRun = true;
    engine.m_FileName = link;
    std::vector<std::string> edited = longScript;
    edited.push_back("PRINT R");
    const auto contents = [&] {
        std::ifstream in(script, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };

    {
        const qorm_test::FullDisk disk(4096);
        view.SetLines(edited);
        engine.m_StopRequested = false;
        EXPECT_THROW(engine.PrePass(), std::runtime_error);
    }
    EXPECT_EQ(contents(), old);
    EXPECT_TRUE(qorm_test::KilledWhileWriting(4096, [&] { PrePass(edited); }));
    EXPECT_EQ(contents(), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tempDir + "/scripts"), {}), 2);

    ASSERT_TRUE(PrePass(edited));
    EXPECT_EQ(contents(), old + "PRINT R\r\n");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tempDir + "/scripts"), {}), 1);
}

TEST(EngineTextLines, SplitAtEveryLineBreak) {
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"a\nb\rc\r\n", {"a", "b", "c"}},
        {"\r\n", {""}},
    };
    for (const auto& [text, lines] : cases) EXPECT_EQ(SplitTextLines(text), lines) << text;
}

}  // namespace
}  // namespace pevox::test

namespace pevox::test {
namespace {

TEST_F(EnginePrePass, FreeRunStateKeepsHostData) {
    TERP_SYMBOL_TAG f;
    f.SymName = "F";
    f.SymKind = tok::Proc;
    f.SymCount = 1;
    engine.AddFunctionSymbol(f);
    engine.m_HostVariables.emplace(std::vector<std::string>{"Count |1 |0 |V"});
    ASSERT_TRUE(PrePass({"NUMBER X", ":L", "GOTO L"}));
    engine.FreeRunState();
    EXPECT_TRUE(engine.m_Variables.Empty());
    EXPECT_TRUE(engine.m_Labels.Empty());
    EXPECT_EQ(engine.m_CurrentSymbol, nullptr);
    EXPECT_FALSE(engine.m_ScriptLines.has_value());
    EXPECT_FALSE(engine.m_SourceLines.has_value());
    EXPECT_TRUE(engine.m_RunText.empty());
    EXPECT_EQ(engine.m_TextPos, 1);
    EXPECT_EQ(engine.FindFunction(1), &*engine.m_Functions.begin());
    EXPECT_EQ(engine.m_HostVariables->size(), 1u);
    EXPECT_EQ(engine.GetChar(), TLangEngine::kEndOfText);
}

}  // namespace
}  // namespace pevox::test

namespace pevox::test {
namespace {

// Scripts built from keywords, names, operators and arbitrary bytes: each
// pre-pass ends, with success or with exactly one error on a line of the script.
TEST_F(EnginePrePass, ArbitraryScriptsEndWithAtMostOneError) {
    const std::vector<std::string> words = {
        "IF ", "THEN ", "ELSE ", "ENDIF ", "FOR ", "TO ", "STEP ", "NEXT ", "WHILE ", "WEND ", "SWITCH ",
        "CASE ", "DEFAULT ", "ENDSWITCH ", "GOTO ", "GOSUB ", "NUMBER ", "STRING ", "PRINT ", ":", "X", "Y",
        "A(", ")", "(", ",", "=", "-", "1", "2.5", "\"s\"", "' c", "rem ", " ", "\xFF", "\x07", "~", "|"};
    unsigned seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    for (int script = 0; script < 400; ++script) {
        std::vector<std::string> lines;
        const unsigned lineCount = 1 + next() % 6;
        for (unsigned i = 0; i < lineCount; ++i) {
            std::string line;
            const unsigned items = next() % 8;
            for (unsigned k = 0; k < items; ++k) line += words[next() % words.size()];
            lines.push_back(line);
        }
        events.errors.clear();
        const bool ready = PrePass(lines);
        if (ready) {
            EXPECT_TRUE(events.errors.empty());
            EXPECT_EQ(engine.m_ScriptLines->Count(), static_cast<int>(lines.size()));
        } else {
            ASSERT_EQ(events.errors.size(), 1u) << script;
            EXPECT_GE(events.errors[0].lineNo, 1);
            EXPECT_LE(events.errors[0].lineNo, static_cast<int>(lines.size()) + 1);
        }
    }
    EXPECT_TRUE(TempFiles().empty());
}

TEST_F(EnginePrePass, HiddenEditorSelectsNothingOnError) {
    view.SetVisible(false);
    view.SetSelection(3, 5);
    const auto error = FailingPrePass({"PRINT Q"});
    EXPECT_EQ(error.lineNo, 1);
    EXPECT_EQ(view.SelectionStart(), 0);  // only the pre-pass's own caret move
    EXPECT_EQ(view.SelectionEnd(), 0);
}

}  // namespace
}  // namespace pevox::test
