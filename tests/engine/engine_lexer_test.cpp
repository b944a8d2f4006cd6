#include "EngineFixture.h"

#include "Tlanglexer.h"

namespace pevox::test {
namespace {

using EngineLexer = EngineFixture;

TEST_F(EngineLexer, OperatorsAndPunctuation) {
    const std::pair<const char*, std::vector<int>> cases[] = {
        {"a==b", {-1, 135, -1, 10}},
        {"a!=b", {-1, 138, -1, 10}},
        {"a<>b", {-1, 138, -1, 10}},
        {"a><b", {-1, 138, -1, 10}},
        {"a<=b", {-1, 137, -1, 10}},
        {"a>=b", {-1, 136, -1, 10}},
        {"a<b>c", {-1, 60, -1, 62, -1, 10}},
        {"i++", {-1, 139, 10}},
        {"i--", {-1, 140, 10}},
        {"x&&y&z", {-1, 38, -1, 38, -1, 10}},
        {"x||y|z", {-1, 124, -1, 124, -1, 10}},
        {"a=-1", {-1, 61, 45, 26, 10}},
        {"!x", {33, -1, 10}},
        {"5%2*3/4\\1^2", {26, 37, 26, 42, 26, 47, 26, 92, 26, 94, 26, 10}},
        {"(a,b);?[`", {40, -1, 44, -1, 41, 59, 63, 91, 96, 10}},
        {"\t a  \r b", {-1, -1, 10}},
    };
    for (const auto& [line, codes] : cases) {
        SetRunText({line});
        EXPECT_EQ(AllTokens(), codes) << line;
    }
}

TEST_F(EngineLexer, NumberLiteralsKeepTheirDecimalValue) {
    const std::pair<const char*, long double> cases[] = {
        {"12.50", 12.5L}, {".5", 0.5L}, {".", 0.0L}, {"0.3", 0.3L}, {"0.7", 0.7L},
        {"3.14159", 3.14159L}, {"1234567890123456789012", 1234567890123456789012.0L},
    };
    for (const auto& [text, value] : cases) {
        SetRunText({text});
        ASSERT_TRUE(engine.GetToken()) << text;
        EXPECT_EQ(engine.m_Token, tok::NumberLiteral) << text;
        EXPECT_EQ(engine.m_NumValue, value) << text;
        EXPECT_EQ(engine.m_LiteralText, text);
    }
}

TEST_F(EngineLexer, NumberLiteralsHaveNoExponentOrSecondPoint) {
    SetRunText({"1.2.3 1e3"});
    ASSERT_TRUE(engine.GetToken());
    EXPECT_EQ(engine.m_NumValue, 1.2L);
    ASSERT_TRUE(engine.GetToken());
    EXPECT_EQ(engine.m_NumValue, 0.3L);
    ASSERT_TRUE(engine.GetToken());
    EXPECT_EQ(engine.m_NumValue, 1.0L);
    ASSERT_TRUE(engine.GetToken());
    EXPECT_EQ(engine.m_Token, tok::None);
    EXPECT_EQ(engine.m_TokenText, "e3");
}

TEST_F(EngineLexer, StringLiteralsCarryTheirTextWithoutQuotes) {
    for (bool tokenising : {false, true}) {
        SetRunText({"\"a 'b\"x"}, tokenising);
        ASSERT_TRUE(engine.GetToken());
        EXPECT_EQ(engine.m_Token, tok::StringLiteral);
        EXPECT_EQ(engine.m_TokenText, "a 'b");
        EXPECT_EQ(engine.m_LiteralText, "\"a 'b\"");
    }
}

TEST_F(EngineLexer, UnclosedStringLiteralReportsItsOwnLine) {
    SetRunText({"x", "y \"abc", "z"});
    EXPECT_EQ(AllTokens(), (std::vector<int>{-1, 10, -1}));
    ASSERT_EQ(events.errors.size(), 1u);
    EXPECT_EQ(events.errors[0].message, "Unexpected EOL inside string literal");
    EXPECT_EQ(events.errors[0].lineNo, 2);
    EXPECT_EQ(engine.m_ExitCode, TxError);
    EXPECT_TRUE(engine.m_StopRequested);
}

TEST_F(EngineLexer, CommentsAndLineEnds) {
    const struct {
        std::vector<std::string> lines;
        bool tokenising;
        std::vector<int> codes;
    } cases[] = {
        {{"A ' c", "B"}, true, {-1, 39, 10, -1, 10}},
        {{"rem c", "B"}, true, {39, 10, -1, 10}},
        {{"A", "REM c"}, false, {-1, 10, 10, 10}},
        {{"A", "", "", "B"}, false, {-1, 10, -1, 10}},
        {{"A", "", "", "B"}, true, {-1, 10, 10, 10, -1, 10}},
        {{"A ' last line"}, true, {-1, 39, 10}},
    };
    for (const auto& c : cases) {
        SetRunText(c.lines, c.tokenising);
        EXPECT_EQ(AllTokens(), c.codes) << c.lines[0] << " tokenising " << c.tokenising;
    }
}

TEST_F(EngineLexer, LabelsOnlyAtTheStartOfALine) {
    SetRunText({":L", "label M"}, true);
    EXPECT_EQ(AllTokens(), (std::vector<int>{58, -1, 10, 58, -1, 10}));
    EXPECT_TRUE(events.errors.empty());

    SetRunText({"X = 1 :L"}, true);
    AllTokens();
    ASSERT_EQ(events.errors.size(), 1u);
    EXPECT_EQ(events.errors[0].message, "Label Declaration must be first statement in a line!");
    EXPECT_EQ(events.errors[0].lineNo, 1);
}

TEST_F(EngineLexer, CodeBytesOfTheTokenisedTextReadBack) {
    const std::pair<std::string, int> cases[] = {
        {std::string("\xFF\x01", 2), 256},
        {std::string("\xFF\x0A", 2), 265},
        {std::string("\xFF\x0D", 2), 268},
        {std::string("\xFF\xFE", 2), 509},
        {"?", 63},
        {"\x07", 7},
        {"\x87", 135},
        {"{", 123},
    };
    for (const auto& [bytes, code] : cases) {
        SetRunText({bytes});
        ASSERT_TRUE(engine.GetToken());
        EXPECT_EQ(engine.m_Token, code);
    }
    SetRunText({std::string("\xFF\x0A", 2)});
    engine.GetToken();
    EXPECT_EQ(engine.m_TextPos, 3);
    engine.UngetChar();
    EXPECT_EQ(engine.m_TextPos, 1);
    EXPECT_EQ(engine.m_Token, 10);
}

TEST_F(EngineLexer, StrayBytesOfTheSourceAreUndefinedSymbols) {
    const std::string strays[] = {"{", "~", "\x7F", "\x80", "\xB6", "\x07", "\x01", "\xFF", "#", "$", "@", "]"};
    for (const std::string& stray : strays) {
        events.errors.clear();
        SetRunText({"PRINT 1 " + stray + "x"}, true);
        engine.m_ReadingSource = true;
        AllTokens();
        ASSERT_EQ(events.errors.size(), 1u) << static_cast<int>(static_cast<unsigned char>(stray[0]));
        EXPECT_EQ(events.errors[0].message, "Undefined Symbol: " + stray);
    }
}

TEST_F(EngineLexer, AfterAStopEveryFetchEndsAndEndStaysEnd) {
    SetRunText({"A B C"});
    ASSERT_TRUE(engine.GetToken());
    engine.Terminate();
    EXPECT_EQ(engine.m_ExitCode, TxKilled);
    EXPECT_EQ(engine.m_Token, tok::End);
    EXPECT_FALSE(engine.GetToken());
    EXPECT_EQ(engine.m_Token, tok::End);
    EXPECT_EQ(engine.GetChar(), TLangEngine::kEndOfText);

    SetRunText({"A B C"});
    engine.ReportError("");
    EXPECT_EQ(engine.m_ExitCode, TxError);
    EXPECT_TRUE(events.errors.empty());
    engine.m_Token = tok::Comma;
    EXPECT_FALSE(engine.GetToken());
    EXPECT_EQ(engine.m_Token, tok::EndOfLine);
}

TEST_F(EngineLexer, PeekTokenLeavesTheStateButKeepsAStop) {
    SetRunText({"A 12 B"});
    ASSERT_TRUE(engine.GetToken());
    const int pos = engine.m_TextPos;
    engine.m_NumValue = 7;
    EXPECT_EQ(engine.PeekToken(), tok::NumberLiteral);
    EXPECT_EQ(engine.m_TextPos, pos);
    EXPECT_EQ(engine.m_Token, tok::None);
    EXPECT_EQ(engine.m_TokenText, "A");
    EXPECT_EQ(engine.m_NumValue, 7);

    SetRunText({"A \"open", "B"});
    engine.GetToken();
    engine.PeekToken();
    EXPECT_TRUE(engine.m_StopRequested);
    EXPECT_EQ(engine.m_Token, tok::End);
    EXPECT_EQ(events.errors.size(), 1u);
}

class EngineArrays : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        a = &DeclareArray("A", tok::NumericArray, {2});
        b = &DeclareArray("B", tok::NumericArray, {2, 3});
        DeclareVariable("X", tok::NumberDecl);
        DeclareVariable("S", tok::StringDecl);
        for (int i = 0; i < 3; ++i) a->SymCells[static_cast<std::size_t>(i)].Number = 10 + i;
        b->SymCells[6].Number = 66;
    }
    TERP_SYMBOL_TAG* a = nullptr;
    TERP_SYMBOL_TAG* b = nullptr;
};

TEST_F(EngineArrays, CellReferences) {
    SetRunText({"A(2.9)"});
    ASSERT_TRUE(engine.GetToken());
    EXPECT_EQ(engine.m_Token, tok::SymbolRef);
    EXPECT_EQ(engine.m_CurrentSymbol, a);
    EXPECT_EQ(a->SymExtra, 2);
    EXPECT_EQ(engine.m_NumValue, 12);

    SetRunText({"B(1,2)"});
    ASSERT_TRUE(engine.GetToken());
    EXPECT_EQ(b->SymExtra, 6);
    EXPECT_EQ(b->SymSub[0], 1);
    EXPECT_EQ(b->SymSub[1], 2);
    EXPECT_EQ(engine.m_NumValue, 66);

    // A cell of a numeric array is a number, even as a subscript of itself.
    a->SymCells[0].Number = 1;
    SetRunText({"A(A(0))"});
    ASSERT_TRUE(engine.GetToken());
    EXPECT_EQ(engine.m_CurrentSymbol, a);
    EXPECT_EQ(a->SymExtra, 1);
    EXPECT_EQ(engine.m_NumValue, 11);

    SetRunText({"A)"});
    ASSERT_TRUE(engine.GetToken());
    EXPECT_EQ(engine.m_Token, tok::SymbolRef);
    EXPECT_EQ(a->SymExtra, 0);
    ASSERT_TRUE(engine.GetToken());
    EXPECT_EQ(engine.m_Token, tok::CloseParen);
    EXPECT_TRUE(events.errors.empty());
}

TEST_F(EngineArrays, FaultyReferences) {
    const std::pair<const char*, const char*> cases[] = {
        {"A(3)", "Subscript out of Range"},
        {"A 1", "Syntax error in reference to array"},
        {"B(1)", "Expected subscript"},
        {"A(1", "Expression syntax referencing array var"},
        {"X(1)", "Symbol is not an array"},
        {"A(S)", "Subscript must evaluate to a number"},
        {"A(\"1\")", "Subscript must evaluate to a number"},
    };
    for (const auto& [text, message] : cases) {
        events.errors.clear();
        SetRunText({"", text});
        AllTokens();
        ASSERT_EQ(events.errors.size(), 1u) << text;
        EXPECT_EQ(events.errors[0].message, message) << text;
        EXPECT_EQ(events.errors[0].lineNo, 2) << text;
    }
}

TEST(EngineColorTokenize, SplitsALineIntoPieces) {
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"X=Y+1 ' c", {"X", "=", "Y", "+", "1", "' c"}},
        {"A<=B", {"A", "<=", "B"}},
        {"i++", {"i", "++"}},
        {"\"a b\"c", {"\"a b\"", "c"}},
        {"\"open", {"\"open"}},
        {"  PRINT  Mid(S, 2.5);", {"PRINT", "Mid", "(", "S", ",", "2.5", ")", ";"}},
        {"a%b&c|d\\e^f:g?h", {"a", "%", "b", "&", "c", "|", "d", "\\", "e", "^", "f", ":", "g", "?", "h"}},
        // Only the scanner's own operator pairs are one piece.
        {"a=-1", {"a", "=", "-", "1"}},
        {"x&&y||z", {"x", "&&", "y", "||", "z"}},
        {"a<>b><c!=d==e", {"a", "<>", "b", "><", "c", "!=", "d", "==", "e"}},
        {"a+-b", {"a", "+", "-", "b"}},
    };
    for (const auto& [line, pieces] : cases) {
        const auto result = ColorTokenize(line);
        ASSERT_TRUE(result.has_value()) << line;
        EXPECT_EQ(*result, pieces) << line;
    }
    EXPECT_FALSE(ColorTokenize(" \t ").has_value());
}

}  // namespace
}  // namespace pevox::test
