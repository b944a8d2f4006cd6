// The output window's text: lines counted as the window counts them, and the
// limit that keeps the latest lines of a script that prints without end.
#include "Outputtext.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(OutputTextTest, ManyLinesKeepOnlyTheLatest) {
    TOutputText output;
    for (int call = 1; call <= 600; ++call) output.AddLine(std::to_string(call), true);
    EXPECT_EQ(output.LineCount(), 501u);
    EXPECT_EQ(output.Line(0), "101");
    EXPECT_EQ(output.Line(499), "600");
    EXPECT_EQ(output.Line(500), "");
}

TEST(OutputTextTest, TheLimitCountsTheOpenLastLine) {
    TOutputText output;
    for (int call = 1; call <= 500; ++call) output.AddLine(std::to_string(call), true);
    // 501 lines: the append that follows drops exactly one.
    ASSERT_EQ(output.LineCount(), 501u);
    const TOutputText::TChange change = output.AddLine("x", false);
    EXPECT_EQ(change.DroppedLines, 1u);
    EXPECT_EQ(output.Line(0), "2");
    EXPECT_EQ(output.Line(output.LineCount() - 1), "x");
}

TEST(OutputTextTest, TextsWithoutNewLineShareOneLine) {
    TOutputText output;
    output.AddLine("a", false);
    output.AddLine("b", false);
    EXPECT_EQ(output.LineCount(), 1u);
    EXPECT_EQ(output.Text(), "ab");
}

TEST(OutputTextTest, LineBreaksInsideTheText) {
    struct Case {
        const char* text;
        bool newLine;
        const char* expected;
        std::size_t lines;
    };
    for (const Case& c : {Case{"a\r\nb\r\n", false, "a\r\nb\r\n", 3}, Case{"a\rb", true, "a\r\nb\r\n", 3},
                          Case{"a\n\nb", false, "a\r\n\r\nb", 3}, Case{"", true, "\r\n", 2},
                          Case{"\r\nScript Terminated on line: 3", true, "\r\nScript Terminated on line: 3\r\n", 3}}) {
        TOutputText output;
        const TOutputText::TChange change = output.AddLine(c.text, c.newLine);
        EXPECT_EQ(output.Text(), c.expected) << c.text;
        EXPECT_EQ(output.LineCount(), c.lines) << c.text;
        EXPECT_EQ(change.Pieces.size(), c.lines) << c.text;
    }
}

TEST(OutputTextTest, ClearLeavesOneEmptyLine) {
    TOutputText output;
    output.AddLine("a", true);
    output.Clear();
    EXPECT_EQ(output.LineCount(), 1u);
    EXPECT_EQ(output.Text(), "");
}

}  // namespace
