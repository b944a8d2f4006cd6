#include "Channeltable.h"

#include "HexTestFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// A channel's window as the table sees it, recording what the table asks of it.
class TFakeWindow final : public TChannelWindow {
public:
    TFakeWindow(std::int32_t channel, std::string path, bool opened)
        : channel_(channel), path_(std::move(path)), opened_(opened) {}
    std::int32_t Channel() const override { return channel_; }
    const std::string& DataPath() const override { return path_; }
    bool Opened() const override { return opened_; }
    void SaveRestorePosition(int mode) override { log.push_back("position " + std::to_string(mode)); }
    bool CloseWorkingCopy(bool ask) override {
        log.push_back(ask ? "close asking" : "close");
        if (onClose) onClose();
        return !refuseClose;
    }
    void ShowChannel() override { shown = true; }
    void Release() override { released = true; }

    std::vector<std::string> log;
    std::function<void()> onClose;
    bool refuseClose = false;
    bool shown = false;
    bool released = false;

private:
    std::int32_t channel_;
    std::string path_;
    bool opened_;
};

class ChannelTableTest : public ::testing::Test {
protected:
    // Files whose name starts with "bad" make windows whose working copy failed.
    TChannelTable table{[this](std::int32_t channel, const std::string& name) {
        windows.push_back(std::make_unique<TFakeWindow>(channel, name, name.find("/bad") == std::string::npos));
        return windows.back().get();
    }};
    std::vector<std::unique_ptr<TFakeWindow>> windows;
    THexTestFolder folder;

    TFakeWindow* WindowIn(std::int32_t channel) { return static_cast<TFakeWindow*>(table.Window(channel)); }
};

TEST_F(ChannelTableTest, FilesFillTheLowestFreeChannelsUpToTheLimit) {
    const std::string a = folder.MakeFile("a.dat", {1});
    for (int i = 0; i < ChannelLimit; ++i) {
        EXPECT_EQ(table.FindFreeChannel(), i);
        ASSERT_TRUE(table.OpenFileInChannel(a));
    }
    EXPECT_EQ(table.FindFreeChannel(), -1);
    // The same file is open ten times; an eleventh open changes nothing.
    EXPECT_FALSE(table.OpenFileInChannel(a));
    EXPECT_EQ(windows.size(), 10u);

    ASSERT_TRUE(table.CloseChannel(4, false));
    EXPECT_EQ(table.FindFreeChannel(), 4);
    EXPECT_TRUE(windows[4]->released);
    EXPECT_THAT(windows[4]->log, ElementsAre("position 1", "close"));
}

TEST_F(ChannelTableTest, ChannelNumbersOutsideTheTableAreRefused) {
    const std::string a = folder.MakeFile("a.dat", {1});
    for (const std::int32_t n : {-1, 10, 11, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(TChannelTable::NormalizeChannel(n), -1) << n;
        EXPECT_FALSE(table.IsChannelOpen(n)) << n;
        EXPECT_EQ(table.OpenInChannel(n, a), 0) << n;
        EXPECT_TRUE(table.CloseChannel(n, true)) << n;
    }
    EXPECT_FALSE(table.OpenFileInChannel(a, -2));
    EXPECT_EQ(TChannelTable::NormalizeChannel(9), 9);
    EXPECT_FALSE(table.IsChannelOpen(0));
    EXPECT_TRUE(windows.empty());
}

TEST_F(ChannelTableTest, MissingOrBlankNamesOpenNothingAndLeaveTheChannel) {
    const std::string a = folder.MakeFile("a.dat", {1});
    ASSERT_EQ(table.OpenInChannel(3, a), 1);
    EXPECT_EQ(table.OpenInChannel(3, folder.Path("data/missing.dat")), 0);
    EXPECT_EQ(table.OpenInChannel(3, "   "), 0);
    EXPECT_EQ(table.OpenInChannel(3, folder.Path("data")), 0);
    EXPECT_TRUE(table.IsChannelOpen(3));
    EXPECT_EQ(WindowIn(3)->DataPath(), a);
    EXPECT_TRUE(WindowIn(3)->log.empty());
}

TEST_F(ChannelTableTest, OpeningIntoAnOccupiedChannelClosesItsFileFirst) {
    const std::string a = folder.MakeFile("a.dat", {1});
    const std::string b = folder.MakeFile("b.dat", {2});
    ASSERT_EQ(table.OpenInChannel(2, a), 1);
    TFakeWindow* first = WindowIn(2);
    ASSERT_EQ(table.OpenInChannel(2, b, true), 1);
    EXPECT_THAT(first->log, ElementsAre("position 1", "close asking"));
    EXPECT_TRUE(first->released);
    EXPECT_EQ(WindowIn(2)->DataPath(), b);

    // A window that keeps its file (its save failed) keeps the channel.
    WindowIn(2)->refuseClose = true;
    EXPECT_EQ(table.OpenInChannel(2, a, true), 0);
    EXPECT_EQ(WindowIn(2)->DataPath(), b);
}

TEST_F(ChannelTableTest, AWindowWithoutWorkingCopyIsReleasedAndTheOpenFails) {
    const std::string bad = folder.MakeFile("bad.dat", {1});
    for (int i = 0; i < ChannelLimit + 2; ++i) EXPECT_FALSE(table.OpenFileInChannel(bad));
    EXPECT_EQ(table.FindFreeChannel(), 0);
    for (const auto& window : windows) EXPECT_TRUE(window->released);
    EXPECT_EQ(table.OpenInChannel(5, bad), 0);
    EXPECT_EQ(table.Window(5), nullptr);
}

TEST_F(ChannelTableTest, FindChannelOfFileComparesPathsExactly) {
    const std::string lower = folder.MakeFile("x.dat", {1});
    const std::string upper = folder.MakeFile("X.DAT", {1});
    ASSERT_TRUE(table.OpenFileInChannel(lower));
    ASSERT_TRUE(table.OpenFileInChannel(upper));
    ASSERT_TRUE(table.OpenFileInChannel(lower));
    EXPECT_EQ(table.FindChannelOfFile(lower), 0);
    EXPECT_EQ(table.FindChannelOfFile(upper), 1);
    EXPECT_EQ(table.FindChannelOfFile(folder.Path("data/none")), -1);
    EXPECT_EQ(table.ChannelForFile(2, lower), 2);
    EXPECT_EQ(table.ChannelForFile(1, lower), -1);
    EXPECT_EQ(table.ChannelForFile(7, lower), -1);
    EXPECT_EQ(table.ChannelForFile(-1, lower), -1);
}

TEST_F(ChannelTableTest, AWindowClosingItselfReentersOnlyOnce) {
    const std::string a = folder.MakeFile("a.dat", {1});
    ASSERT_TRUE(table.OpenFileInChannel(a));
    TFakeWindow* window = WindowIn(0);
    // As a real window does: its close reports back to the table.
    window->onClose = [&] { EXPECT_TRUE(table.CloseChannel(0, true)); };
    ASSERT_TRUE(table.CloseChannel(0, true));
    EXPECT_THAT(window->log, ElementsAre("position 1", "close asking"));
    EXPECT_EQ(table.Window(0), nullptr);
    EXPECT_EQ(table.ClosingChannel(), -1);
}

TEST_F(ChannelTableTest, CloseAllStopsAtAChannelThatStaysOpen) {
    const std::string a = folder.MakeFile("a.dat", {1});
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(table.OpenFileInChannel(a));
    WindowIn(1)->refuseClose = true;
    int pumps = 0;
    EXPECT_FALSE(table.CloseAllChannels(true, [&] { ++pumps; }));
    EXPECT_EQ(pumps, 2);
    EXPECT_FALSE(table.IsChannelOpen(0));
    EXPECT_TRUE(table.IsChannelOpen(1));
    // The user who cancelled is not asked about the next channel.
    EXPECT_TRUE(table.IsChannelOpen(2));
    EXPECT_THAT(WindowIn(2)->log, IsEmpty());
    WindowIn(1)->refuseClose = false;
    EXPECT_TRUE(table.CloseAllChannels(true, nullptr));
    EXPECT_EQ(table.FindFreeChannel(), 0);
}

TEST_F(ChannelTableTest, ShowAllChannelsShowsTheOpenOnes) {
    const std::string a = folder.MakeFile("a.dat", {1});
    ASSERT_TRUE(table.OpenFileInChannel(a, 6));
    table.ShowAllChannels();
    EXPECT_TRUE(WindowIn(6)->shown);
}

}  // namespace
