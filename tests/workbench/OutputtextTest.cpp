// The output window's text: lines counted as the window counts them, and the
// limit that keeps the latest lines of a script that prints without end.
#include "Outputtext.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// A view that takes the changes at its own pace ends up with the text.
std::vector<std::string> ApplyTo(std::vector<std::string> view, const TOutputText& output,
                                 const TOutputText::TChange& change) {
    if (change.Whole) {
        view.clear();
        for (std::size_t line = 0; line < output.LineCount(); ++line) view.push_back(output.Line(line));
        return view;
    }
    view.erase(view.begin(), view.begin() + static_cast<std::ptrdiff_t>(change.DroppedLines));
    view.back() += change.Pieces.front();
    view.insert(view.end(), change.Pieces.begin() + 1, change.Pieces.end());
    return view;
}

std::vector<std::string> Lines(const TOutputText& output) {
    std::vector<std::string> lines;
    for (std::size_t line = 0; line < output.LineCount(); ++line) lines.push_back(output.Line(line));
    return lines;
}

TEST(OutputTextTest, AViewTakingTheChangesAtItsPaceShowsTheText) {
    // Appends between two takes: a few, enough to drop some of the view's
    // lines, enough to drop all of them, and texts that share a line.
    for (const int appends : {1, 3, 120, 499, 500, 501, 2000}) {
        TOutputText output;
        std::vector<std::string> view(1);
        for (int call = 1; call <= 450; ++call) output.AddLine(std::to_string(call), true);
        view = ApplyTo(view, output, output.TakeChange());
        ASSERT_EQ(view, Lines(output));
        for (int call = 1; call <= appends; ++call) output.AddLine("x" + std::to_string(call), call % 3 != 0);
        EXPECT_TRUE(output.ChangePending());
        const TOutputText::TChange change = output.TakeChange();
        EXPECT_EQ(change.Whole, appends >= 2000) << appends;
        view = ApplyTo(view, output, change);
        EXPECT_EQ(view, Lines(output)) << appends;
        EXPECT_FALSE(output.ChangePending());
    }
}

TEST(OutputTextTest, ClearForgetsTheChangesNotTaken) {
    TOutputText output;
    output.AddLine("a", true);
    output.Clear();
    EXPECT_FALSE(output.ChangePending());
    output.AddLine("b", false);
    const TOutputText::TChange change = output.TakeChange();
    EXPECT_FALSE(change.Whole);
    EXPECT_EQ(change.DroppedLines, 0u);
    ASSERT_EQ(change.Pieces.size(), 1u);
    EXPECT_EQ(change.Pieces[0], "b");
}

}  // namespace
