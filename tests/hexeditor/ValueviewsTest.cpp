#include "Valueviews.h"

#include <gtest/gtest.h>

#include "QtTestApplication.h"

#include <QApplication>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

// A hex window's file as far as the views see it: bytes in memory.
class FakeHost : public TValueViewsHost {
public:
    explicit FakeHost(std::vector<std::uint8_t> bytes) : Bytes(std::move(bytes)) {}

    bool IsWorkingCopyOpen() const override { return true; }
    std::int32_t Position() const override { return position; }
    void StorePosition(std::int32_t p) override { position = p; }
    std::int32_t FileSize() const override { return static_cast<std::int32_t>(Bytes.size()); }
    std::size_t ReadBytes(std::int32_t at, std::uint8_t* buffer, std::size_t count) override
    {
        if (at < 0 || static_cast<std::size_t>(at) >= Bytes.size())
            return 0;
        const std::size_t n = std::min(count, Bytes.size() - at);
        std::copy_n(Bytes.begin() + at, n, buffer);
        return n;
    }
    void WriteCurrentBytes() override
    {
        const std::size_t n = std::min<std::size_t>(8, Bytes.size() - position);
        std::copy_n(Conversions.Raw.begin(), n, Bytes.begin() + position);
        Modified = true;
    }
    bool IsLocked() const override { return Locked; }

    std::vector<std::uint8_t> Bytes;
    TByteConversions Conversions;
    bool Locked = false;
    bool Modified = false;
    std::int32_t position = 0;
};

std::vector<std::uint8_t> Counting(std::size_t size)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i);
    return bytes;
}

std::string Hex(const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t count)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = from; i < from + count && i < bytes.size(); ++i) {
        if (!text.empty())
            text += ' ';
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

// The hex window's frame around the views: the page control with its six
// pages, the byte strip, the text line and the navigation group.
class hex_values_ViewsWindow : public testing::Test {
protected:
    void Open(std::vector<std::uint8_t> bytes, std::int32_t position = 0)
    {
        window.reset();
        pages.clear();
        host = std::make_unique<FakeHost>(std::move(bytes));
        host->position = position;
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        pagMain = new QTabWidget(window.get());
        for (const char* title : {"Decimal", "Binary", "Hex", "Hex Dump", "Search", "Search Results"})
            pages.push_back(pagMain->widget(pagMain->addTab(new QWidget, QString::fromLatin1(title))));
        views = new TValueViews(*host, host->Conversions, window.get());
        views->AttachPages(pagMain, pages[0], pages[1], pages[2], pages[3]);
        layout->addWidget(views->TextDisplay());
        layout->addWidget(pagMain);
        layout->addWidget(views->ByteStrip());
        layout->addWidget(views->NavigationGroup());
        views->ClearViews();
        views->RefreshView();
    }

    TValueEdit* Edit(const char* name)
    {
        auto* edit = window->findChild<TValueEdit*>(QString::fromLatin1(name));
        EXPECT_NE(edit, nullptr) << name;
        return edit;
    }

    // What the user does: types a new text into the box and moves on.
    void TypeAndLeave(TValueEdit* edit, const QString& text, Qt::FocusReason reason = Qt::TabFocusReason)
    {
        edit->setText(text);
        edit->setModified(true);
        Leave(edit, reason);
    }

    static void Leave(TValueEdit* edit, Qt::FocusReason reason = Qt::TabFocusReason)
    {
        QFocusEvent focusOut(QEvent::FocusOut, reason);
        QApplication::sendEvent(edit, &focusOut);
    }

    std::string Text(const char* name) { return Edit(name)->text().toStdString(); }
    std::string Label(const char* name)
    {
        return window->findChild<QLabel*>(QString::fromLatin1(name))->text().toStdString();
    }
    std::string DumpLine(int line) { return views->lstHexDump->item(line)->text().toStdString(); }

    std::unique_ptr<FakeHost> host;
    std::unique_ptr<QWidget> window;
    QTabWidget* pagMain = nullptr;
    std::vector<QWidget*> pages;
    TValueViews* views = nullptr;
};

TEST_F(hex_values_ViewsWindow, FillsTheByteStripAndTheActivePage)
{
    std::vector<std::uint8_t> bytes(300, 0);
    const std::uint8_t fixture[] = {0x01, 0x00, 0x00, 0x00, 0x41, 0x7F, 0x1F, 0x80};
    std::copy(std::begin(fixture), std::end(fixture), bytes.begin() + 100);
    Open(bytes, 100);

    EXPECT_EQ(Label("lblPos0"), "101");
    EXPECT_EQ(Label("lblPos7"), "108");
    EXPECT_EQ(views->edtJumpTo->text().toStdString(), "101");
    EXPECT_EQ(Text("edtChar4"), "A");
    EXPECT_EQ(Text("edtChar5"), ".");
    EXPECT_EQ(Text("edtChar6"), ".");
    EXPECT_EQ(Text("edtDec4"), "65");
    EXPECT_EQ(Text("edtHex4"), "41");
    EXPECT_EQ(Text("edtBinary0"), "0000-0001");
    EXPECT_EQ(views->edtTextDisplay->text().toStdString().substr(0, 8), "....A...");

    EXPECT_EQ(Text("edtWORD0"), "1");
    EXPECT_EQ(Text("edtShort3"), "-32737");
    EXPECT_EQ(Text("edtWORD3"), "32799");
    EXPECT_EQ(Text("edtDWORD0"), "1");
    EXPECT_EQ(Text("edtLong1"), "-2145419455");
    EXPECT_EQ(Text("edtInt64"), "-9214506395427143679");
    EXPECT_EQ(Text("edtFloat0"), "1.40129846432482E-45");
    // Only the active page is filled.
    EXPECT_EQ(Text("edtHex64"), "");
    EXPECT_EQ(Text("edtBin64"), "");

    pagMain->setCurrentWidget(pages[2]);
    EXPECT_EQ(Text("edtHexShort0"), "00 01");
    EXPECT_EQ(Text("edtHexLong1"), "80 1F 7F 41");
    EXPECT_EQ(Text("edtHex64"), "80 1F 7F 41 00 00 00 01");
    pagMain->setCurrentWidget(pages[1]);
    EXPECT_EQ(Text("edtBinShort0"), "0000-0000-0000-0001");
    EXPECT_EQ(Text("edtBinLong1"), "1000-0000-0001-1111-0111-1111-0100-0001");
    EXPECT_EQ(Text("edtBin64").size(), 64u);

    pagMain->setCurrentWidget(pages[3]);
    ASSERT_EQ(views->lstHexDump->count(), 16);
    ASSERT_EQ(views->lstDumpPrint->count(), 16);
    EXPECT_EQ(DumpLine(0), "01 00 00 00 41 7F 1F 80 00 00 00 00 00 00 00 00 ");
    EXPECT_EQ(DumpLine(15), "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(views->lstDumpPrint->item(0)->text().toStdString(), "....A...........");
}

TEST_F(hex_values_ViewsWindow, SelectingAPageRefreshesOnlyThatPage)
{
    Open(Counting(64));
    host->Bytes[0] = 0xEE;  // changed behind the views' back
    pagMain->setCurrentWidget(pages[3]);
    EXPECT_EQ(DumpLine(0).substr(0, 2), "00");  // the page shows what was read last
    EXPECT_EQ(Text("edtHex0"), "00");
    views->RefreshView();
    EXPECT_EQ(DumpLine(0).substr(0, 2), "EE");
    EXPECT_EQ(Text("edtHex0"), "EE");
}

struct EditCase {
    int Page;  // 0 Decimal, 1 Binary, 2 Hex, -1 the byte strip
    const char* Box;
    const char* Text;
    const char* FileBytes;  // the 8 bytes at the position afterwards
};

// Starting from 8 zero bytes at position 4 of a 16-byte file.
const EditCase editCases[] = {
    {0, "edtWORD1", "4464", "00 00 70 11 00 00 00 00"},
    {0, "edtShort2", "-2", "00 00 00 00 FE FF 00 00"},
    {0, "edtDWORD0", "-1", "FF FF FF FF 00 00 00 00"},
    {0, "edtLong1", "-2147483648", "00 00 00 00 00 00 00 80"},
    {0, "edtFloat0", "1.5", "00 00 C0 3F 00 00 00 00"},
    {0, "edtFloat1", "-2", "00 00 00 00 00 00 00 C0"},
    {0, "edtInt64", "-2", "FE FF FF FF FF FF FF FF"},
    {0, "edtDouble", "1.5", "00 00 00 00 00 00 F8 3F"},
    {1, "edtBinShort3", "1000-0000-0000-0001", "00 00 00 00 00 00 01 80"},
    {1, "edtBinLong0", "1", "01 00 00 00 00 00 00 00"},
    {1, "edtBin64", "10", "02 00 00 00 00 00 00 00"},
    {2, "edtHexShort0", "1 2", "02 01 00 00 00 00 00 00"},
    {2, "edtHexLong1", "DEADBEEF", "00 00 00 00 EF BE AD DE"},
    {2, "edtHex64", "FF", "FF 00 00 00 00 00 00 00"},
    {-1, "edtDec3", "255", "00 00 00 FF 00 00 00 00"},
    {-1, "edtHex0", "7", "07 00 00 00 00 00 00 00"},
    {-1, "edtBinary2", "1-0-1", "00 00 05 00 00 00 00 00"},
    {-1, "edtChar5", "A", "00 00 00 00 00 41 00 00"},
    // Refused: the file keeps its bytes and the box its old text.
    {0, "edtWORD1", "70000", "00 00 00 00 00 00 00 00"},
    {0, "edtFloat0", "1e39", "00 00 00 00 00 00 00 00"},
    {1, "edtBinShort0", "11111111111111111", "00 00 00 00 00 00 00 00"},
    {2, "edtHexShort0", "123456", "00 00 00 00 00 00 00 00"},
    {-1, "edtDec3", "300", "00 00 00 00 00 00 00 00"},
    {-1, "edtHex0", "", "00 00 00 00 00 00 00 00"},
};

TEST_F(hex_values_ViewsWindow, EditsReachTheFile)
{
    for (const EditCase& c : editCases) {
        Open(std::vector<std::uint8_t>(16, 0), 4);
        if (c.Page >= 0)
            pagMain->setCurrentWidget(pages[c.Page]);
        TValueEdit* edit = Edit(c.Box);
        const QString before = edit->text();
        TypeAndLeave(edit, QString::fromLatin1(c.Text));
        EXPECT_EQ(Hex(host->Bytes, 4, 8), c.FileBytes) << c.Box << " \"" << c.Text << '"';
        EXPECT_EQ(Hex(host->Bytes, 0, 4), "00 00 00 00") << c.Box;
        EXPECT_EQ(Hex(host->Bytes, 12, 4), "00 00 00 00") << c.Box;
        const bool written = std::string(c.FileBytes) != "00 00 00 00 00 00 00 00";
        EXPECT_EQ(host->Modified, written) << c.Box;
        if (!written) {
            EXPECT_EQ(edit->text(), before) << c.Box;
        }
        EXPECT_FALSE(edit->isModified()) << c.Box;
    }
}

TEST_F(hex_values_ViewsWindow, EditRefillsEveryView)
{
    Open(std::vector<std::uint8_t>(16, 0));
    TypeAndLeave(Edit("edtWORD1"), "4464");
    EXPECT_EQ(Text("edtShort1"), "4464");
    EXPECT_EQ(Text("edtHex2"), "70");
    EXPECT_EQ(Text("edtDec3"), "17");
    TypeAndLeave(Edit("edtDWORD0"), "-1");
    EXPECT_EQ(Text("edtLong0"), "-1");
    EXPECT_EQ(Text("edtDWORD0"), "4294967295");
}

TEST_F(hex_values_ViewsWindow, NothingIsWrittenWithoutAChangeOrWhileLocked)
{
    Open(std::vector<std::uint8_t>(16, 0));
    TValueEdit* edit = Edit("edtDWORD0");
    edit->setText("5");  // filled by the program, not typed
    Leave(edit);
    EXPECT_FALSE(host->Modified);

    edit->setText("6");
    edit->setModified(true);
    host->Locked = true;  // locked after typing, before leaving
    Leave(edit);
    EXPECT_FALSE(host->Modified);
    EXPECT_EQ(edit->text(), "6");  // stays shown until the next refresh

    host->Locked = false;
    TypeAndLeave(edit, "7", Qt::ActiveWindowFocusReason);  // another window was activated
    EXPECT_FALSE(host->Modified);
    TypeAndLeave(edit, "7", Qt::PopupFocusReason);
    EXPECT_FALSE(host->Modified);
    Leave(edit, Qt::MouseFocusReason);
    EXPECT_TRUE(host->Modified);
    EXPECT_EQ(Hex(host->Bytes, 0, 4), "07 00 00 00");
}

TEST_F(hex_values_ViewsWindow, EditsAtTheEndOfTheFileStayInside)
{
    Open(std::vector<std::uint8_t>(10, 0), 8);
    TypeAndLeave(Edit("edtDWORD0"), "-1");
    EXPECT_EQ(host->Bytes.size(), 10u);
    EXPECT_EQ(Hex(host->Bytes, 8, 2), "FF FF");
    EXPECT_EQ(Text("edtDWORD0"), "65535");
    EXPECT_EQ(Text("edtHex2"), "00");
    EXPECT_EQ(Label("lblPos7"), "16");

    host->Modified = false;
    TypeAndLeave(Edit("edtDec5"), "9");  // byte F lies past the end
    EXPECT_FALSE(host->Modified);
    EXPECT_EQ(Text("edtDec5"), "0");
    TypeAndLeave(Edit("edtWORD1"), "9");
    EXPECT_FALSE(host->Modified);
}

TEST_F(hex_values_ViewsWindow, EmptyAndOneByteFiles)
{
    Open({});
    EXPECT_EQ(host->position, 0);
    EXPECT_EQ(Text("edtDWORD0"), "0");
    EXPECT_EQ(Label("lblPos0"), "1");
    views->btnEnd->click();
    EXPECT_EQ(host->position, 0);
    TypeAndLeave(Edit("edtDec0"), "1");
    EXPECT_FALSE(host->Modified);

    Open({0x41});
    views->btnEnd->click();
    views->spnIncr->DownButton->click();
    EXPECT_EQ(host->position, 0);
    EXPECT_EQ(Label("lblPos7"), "8");
    EXPECT_EQ(Text("edtHex0"), "41");
    EXPECT_EQ(Text("edtHex7"), "00");
    EXPECT_EQ(Text("edtWORD0"), "65");
}

TEST_F(hex_values_ViewsWindow, NavigationMovesWithinTheFile)
{
    Open(Counting(1000), 500);
    struct Step {
        std::function<void()> Action;
        std::int32_t Position;
    };
    const Step steps[] = {
        {[&] { views->btnHome->click(); }, 0},
        {[&] { views->spnIncr->UpButton->click(); }, 0},
        {[&] { views->spnIncr->DownButton->click(); }, 1},
        {[&] { views->btnSmallStep->DownButton->click(); }, 9},
        {[&] { views->btnBigStep->DownButton->click(); }, 137},
        {[&] { views->btnBigStep->UpButton->click(); }, 9},
        {[&] { views->edtSmallStep->setText("-8"); views->btnSmallStep->DownButton->click(); }, 1},
        {[&] { views->edtSmallStep->setText(" +16x"); views->btnSmallStep->DownButton->click(); }, 17},
        {[&] { views->edtBigStep->setText("99999999999999999999"); views->btnBigStep->DownButton->click(); }, 999},
        {[&] { views->btnBigStep->UpButton->click(); }, 0},
        {[&] { views->btnEnd->click(); }, 999},
        {[&] { views->edtJumpTo->setText("10"); views->btnJumpTo->click(); }, 9},
        {[&] { views->edtJumpTo->setText("0"); views->btnJumpTo->click(); }, 0},
        {[&] { views->edtJumpTo->setText("1000000"); views->btnJumpTo->click(); }, 999},
        {[&] { views->edtJumpTo->setText(" 0x1F41 "); views->btnJumpTo->click(); }, 999},
        {[&] { views->edtJumpTo->setText("0x1f"); views->btnJumpTo->click(); }, 30},
        {[&] { views->edtJumpTo->setText("-3"); views->btnJumpTo->click(); }, 0},
    };
    int n = 0;
    for (const Step& step : steps) {
        step.Action();
        EXPECT_EQ(host->position, step.Position) << "step " << n++;
    }
    EXPECT_EQ(views->edtJumpTo->text(), "1");
    views->edtJumpTo->setText("301");
    views->btnJumpTo->click();
    EXPECT_EQ(Text("edtDec0"), "44");  // byte 300
}

TEST_F(hex_values_ViewsWindow, DumpLineDoubleClickMovesOnSixteenBytesALine)
{
    Open(Counting(1000), 10);
    pagMain->setCurrentWidget(pages[3]);
    QListWidgetItem* line3 = views->lstDumpPrint->item(3);
    emit views->lstDumpPrint->itemDoubleClicked(line3);
    EXPECT_EQ(host->position, 58);
    emit views->lstHexDump->itemDoubleClicked(views->lstHexDump->item(1));
    EXPECT_EQ(host->position, 74);
    EXPECT_EQ(DumpLine(0).substr(0, 2), "4A");
}

TEST_F(hex_values_ViewsWindow, ByteOrderSwitch)
{
    Open({0x01, 0x02, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x3F, 0, 0});
    views->SetByteOrder(false);
    EXPECT_EQ(Text("edtWORD0"), "258");
    EXPECT_EQ(Text("edtFloat1"), "1.5");
    TypeAndLeave(Edit("edtDWORD1"), "1");
    EXPECT_EQ(Hex(host->Bytes, 0, 8), "01 02 00 00 00 00 00 01");
    TypeAndLeave(Edit("edtFloat0"), "1.5");
    EXPECT_EQ(Hex(host->Bytes, 0, 8), "00 00 C0 3F 00 00 00 01");
    views->SetByteOrder(true);
    EXPECT_EQ(Text("edtDWORD1"), "16777216");
}

TEST_F(hex_values_ViewsWindow, KeyFiltersOfTheByteStrip)
{
    Open(std::vector<std::uint8_t>(16, 0));
    TValueEdit* dec = Edit("edtDec4");
    dec->clear();
    QTest::keyClicks(dec, "a5-x+");
    EXPECT_EQ(dec->text(), "5-+");
    // The filters take typed characters only; the editing keys work in every box.
    QTest::keyClick(dec, Qt::Key_Backspace);
    EXPECT_EQ(dec->text(), "5-");
    QTest::keyClick(dec, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(dec, "231");
    EXPECT_EQ(dec->text(), "231");

    TValueEdit* hex = Edit("edtHex4");
    hex->clear();
    QTest::keyClicks(hex, "gb");
    EXPECT_EQ(hex->text(), "B");
    QTest::keyClick(hex, Qt::Key_Backspace);
    EXPECT_EQ(hex->text(), "");
    QTest::keyClicks(hex, "b");
    QTest::keyClick(hex, Qt::Key_Left);
    QTest::keyClick(hex, Qt::Key_Delete);  // moving and deleting keys are no typed characters
    EXPECT_EQ(hex->text(), "");

    TValueEdit* binary = Edit("edtBinary4");
    binary->clear();
    QTest::keyClicks(binary, "1021-");
    EXPECT_EQ(binary->text(), "101-");
    QTest::keyClick(binary, Qt::Key_Backspace);
    EXPECT_EQ(binary->text(), "101");
    Leave(binary);
    EXPECT_EQ(Hex(host->Bytes, 4, 1), "05");

    pagMain->setCurrentWidget(pages[2]);
    TValueEdit* pageHex = Edit("edtHexLong0");
    pageHex->clear();
    QTest::keyClicks(pageHex, "de ad");
    EXPECT_EQ(pageHex->text(), "DE AD");
}

TEST_F(hex_values_ViewsWindow, LockAndClear)
{
    Open(Counting(32));
    views->SetLocked(true);
    for (const char* name : {"edtChar0", "edtDec7", "edtHex3", "edtBinary1", "edtWORD2", "edtShort0", "edtDWORD1",
                             "edtLong0", "edtFloat1", "edtInt64", "edtDouble", "edtBinShort3", "edtBinLong1",
                             "edtBin64", "edtHexShort1", "edtHexLong0", "edtHex64"})
        EXPECT_TRUE(Edit(name)->isReadOnly()) << name;
    views->SetLocked(false);
    EXPECT_FALSE(Edit("edtHex64")->isReadOnly());

    views->edtSmallStep->setText("3");
    views->ClearViews();
    const auto edits = window->findChildren<TValueEdit*>();
    EXPECT_EQ(edits.size(), 63);  // 32 in the byte strip, 30 on the pages, the text line
    for (TValueEdit* edit : edits)
        EXPECT_TRUE(edit->text().isEmpty()) << edit->objectName().toStdString();
    EXPECT_EQ(views->edtJumpTo->text(), "0");
    EXPECT_EQ(views->edtSmallStep->text(), "8");
    EXPECT_EQ(views->edtBigStep->text(), "128");
}

TEST_F(hex_values_ViewsWindow, FloatsUsePointsUnderACommaLocale)
{
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma on this machine";
    Open({0x00, 0x00, 0xC0, 0x3F, 0, 0, 0, 0});
    EXPECT_EQ(Text("edtFloat0"), "1.5");
    TypeAndLeave(Edit("edtFloat0"), "2.25");
    EXPECT_EQ(Hex(host->Bytes, 0, 4), "00 00 10 40");
    TypeAndLeave(Edit("edtDouble"), "0.5");
    EXPECT_EQ(Text("edtDouble"), "0.5");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

}  // namespace
