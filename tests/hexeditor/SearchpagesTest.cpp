// The "Search" and "Search Results" pages and the hit stepper over a window
// in memory, driven through their widgets.
#include "Searchpages.h"
#include "SearchFakeHost.h"

#include "platform/Dialogs.h"

#include "QtTestApplication.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

namespace {

class hex_search_pages : public ::testing::Test {
protected:
    void SetUp() override
    {
        host.File.Bytes.assign(1000, '.');
        for (std::size_t at : {10, 20, 30})
            host.File.Put(at, "Key");
        auto* layout = new QVBoxLayout(&window);
        searchPage = new QWidget(&window);
        resultsPage = new QWidget(&window);
        navigation = new QHBoxLayout;
        layout->addWidget(searchPage);
        layout->addWidget(resultsPage);
        layout->addLayout(navigation);
        pages = std::make_unique<TSearchPages>(host, searchPage, resultsPage, navigation);
        pages->Session().PumpInterval = std::chrono::milliseconds(0);
    }

    template <typename T>
    T* Find(const char* name)
    {
        T* widget = window.findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    QString Cell(QTableView* grid, int row) { return grid->model()->index(row, 0).data().toString(); }

    QWidget window;
    QWidget* searchPage;
    QWidget* resultsPage;
    QHBoxLayout* navigation;
    TFakeSearchHost host;
    std::unique_ptr<TSearchPages> pages;
    platform::DialogResponder user;
};

TEST_F(hex_search_pages, PagesCarryTheirNamesAndTexts)
{
    EXPECT_EQ(Find<QGroupBox>("optSearchType")->title(), " Search Type ");
    EXPECT_EQ(Find<QGroupBox>("optNumberOptions")->title(), " Numeric Options ");
    EXPECT_EQ(Find<QGroupBox>("GroupBox6")->title(), " Other Options ");
    EXPECT_EQ(Find<QCheckBox>("chkBOF")->text(), "Start search at beginning of file");
    EXPECT_TRUE(Find<QCheckBox>("chkBOF")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>("chkCase")->isChecked());
    EXPECT_EQ(Find<QLineEdit>("edtNumResults")->text(), "0");
    EXPECT_EQ(Find<QPushButton>("btnBeginSearch")->toolTip(), "Begin Search!");
    EXPECT_EQ(Find<QPushButton>("btnSearchCancel")->toolTip(), "Cancel search in progress");
    EXPECT_EQ(Find<QToolButton>("btnDiffSearch")->toolTip(), "Diff current and previous results");
    EXPECT_EQ(Find<QWidget>("btnSearches")->toolTip(), "Step through search results");
    EXPECT_EQ(Find<QLabel>("lblSearchCount")->text(), "0 results");
    EXPECT_EQ(Find<QLabel>("lblPrevFile")->text(), "0 results");
    EXPECT_TRUE(Find<QLineEdit>("edtSearchResult")->isReadOnly());
    EXPECT_EQ(searchPage->toolTip(), "Search options");
    EXPECT_EQ(resultsPage->toolTip(), "View Search Results");
    const auto types = Find<QGroupBox>("optSearchType")->findChildren<QRadioButton*>();
    ASSERT_EQ(types.size(), 5);
    EXPECT_TRUE(types[0]->isChecked());
    EXPECT_EQ(types[4]->text(), "&QWORD (64 bit integer) Search");
    EXPECT_EQ(Cell(Find<QTableView>("lstResults"), 0), "");
}

TEST_F(hex_search_pages, ASearchTypedIntoThePageFillsTheCurrentList)
{
    QTest::keyClicks(Find<QLineEdit>("edtSearchValue"), "key");
    Find<QCheckBox>("chkCase")->click();
    Find<QPushButton>("btnBeginSearch")->click();
    auto* grid = Find<QTableView>("lstResults");
    ASSERT_EQ(grid->model()->rowCount(), 3);
    EXPECT_EQ(Cell(grid, 0), "11");
    EXPECT_EQ(Cell(grid, 2), "31");
    EXPECT_EQ(Find<QLabel>("lblSearchCount")->text(), "3 matches.");

    Find<QToolButton>("btnLastResult")->click();
    EXPECT_EQ(Find<QLineEdit>("edtSearchResult")->text(), "31");
    EXPECT_EQ(grid->currentIndex().row(), 2);
    EXPECT_EQ(host.CurrentPosition, 30);
    pages->btnSearches->Up->click();
    EXPECT_EQ(Find<QLineEdit>("edtSearchResult")->text(), "21");
    EXPECT_EQ(host.CurrentPosition, 20);
}

// A decimal DWORD entry of letters is refused with its reason; nothing is
// searched, so no "0 matches." stands for a search for 0.
TEST_F(hex_search_pages, ADecimalEntryOfLettersIsRefused)
{
    host.File.Put(40, std::string(4, '\0'));
    QTest::keyClicks(Find<QLineEdit>("edtSearchValue"), "DEADBEEF");
    Find<QGroupBox>("optSearchType")->findChildren<QRadioButton*>()[3]->click();
    Find<QPushButton>("btnBeginSearch")->click();
    ASSERT_EQ(user.calls().size(), 1u);
    EXPECT_EQ(user.calls()[0].text, "\"DEADBEEF\" is not a decimal number");
    EXPECT_EQ(user.calls()[0].icon, platform::MsgIcon::Warning);
    EXPECT_EQ(Find<QLabel>("lblSearchCount")->text(), "0 results");
    EXPECT_EQ(Find<QTableView>("lstResults")->model()->rowCount(), 1);
}

// The buttons say what they do: the search starts from "Begin Search", the
// two lists' clear buttons name their list, and the stepper's ends show images.
TEST_F(hex_search_pages, ButtonCaptionsNameTheirCommand)
{
    EXPECT_EQ(Find<QPushButton>("btnBeginSearch")->text(), "&Begin Search");
    EXPECT_EQ(Find<QToolButton>("btnClearCurrent")->text(), "Clear Current");
    EXPECT_EQ(Find<QToolButton>("btnClearPrev")->text(), "Clear Loaded");
    for (const char* name : {"btnFirstSearch", "btnLastResult"})
        EXPECT_FALSE(Find<QToolButton>(name)->icon().pixmap(16).isNull()) << name;
}

TEST_F(hex_search_pages, TheScanDisablesTheCriteriaAndCancelStopsIt)
{
    host.File.Bytes.assign(3 * TBlockScanner::BlockSize, '.');
    host.File.Put(5, "Key");
    host.File.Put(2 * TBlockScanner::BlockSize, "Key");
    pages->Session().SetSearchValue("Key");
    bool checked = false;
    host.OnPump = [&] {
        if (checked)
            return;
        checked = true;
        EXPECT_FALSE(pages->btnBeginSearch->isEnabled());
        EXPECT_FALSE(pages->optSearchType->isEnabled());
        EXPECT_FALSE(pages->GroupBox6->isEnabled());
        EXPECT_FALSE(resultsPage->isEnabled());
        EXPECT_TRUE(pages->btnSearchCancel->isEnabled());
        pages->btnSearchCancel->click();
    };
    pages->btnBeginSearch->click();
    EXPECT_TRUE(checked);
    EXPECT_EQ(pages->lblSearchCount->text(), "1 matches.");
    EXPECT_TRUE(pages->btnBeginSearch->isEnabled());
    EXPECT_TRUE(resultsPage->isEnabled());
}

TEST_F(hex_search_pages, OptionsFromAScriptShowOnThePage)
{
    TSearchSession& session = pages->Session();
    session.ApplySearchOption("BOF", "0");
    session.ApplySearchOption("MAXRESULTS", "-5");
    session.SetSearchType(9);
    EXPECT_FALSE(pages->chkBOF->isChecked());
    EXPECT_EQ(pages->edtNumResults->text(), "4294967291");
    EXPECT_TRUE(pages->optSearchType->findChildren<QRadioButton*>()[4]->isChecked());
    session.SetSearchType(-1);
    for (QRadioButton* item : pages->optSearchType->findChildren<QRadioButton*>())
        EXPECT_FALSE(item->isChecked());
    EXPECT_EQ(session.Entries.SearchType, -1);

    pages->updNumResults->Up->click();
    EXPECT_EQ(pages->edtNumResults->text(), "10");
    pages->updNumResults->Down->click();
    pages->updNumResults->Down->click();
    EXPECT_EQ(pages->edtNumResults->text(), "0");
    pages->optNumberOptions->findChildren<QRadioButton*>()[1]->click();
    EXPECT_TRUE(session.Entries.HexEntry);
}

TEST_F(hex_search_pages, ResultButtonsRunTheComparisons)
{
    TSearchSession& session = pages->Session();
    session.SetSearchValue("Key");
    pages->btnBeginSearch->click();
    pages->btnMoveRight->click();
    EXPECT_EQ(pages->lblPrevFile->text(), "3 results");
    EXPECT_EQ(Cell(pages->lstPrevFile, 1), "21");
    pages->btnDiffSearch->click();
    EXPECT_EQ(pages->lblSearchCount->text(), "0 differences");
    pages->btnMergeResults->click();
    EXPECT_EQ(pages->lblSearchCount->text(), "3 merged");

    user.Answer(platform::MsgAnswer::Yes);
    pages->btnClearCurrent->click();
    EXPECT_EQ(pages->lblSearchCount->text(), "0 results");
    EXPECT_EQ(pages->lstResults->model()->rowCount(), 1);
    EXPECT_EQ(user.calls().back().text, "Clear current search results?");
}

TEST_F(hex_search_pages, DoubleClickingARowGoesToItsHit)
{
    pages->Session().SetSearchValue("Key");
    pages->btnBeginSearch->click();
    QTableView* grid = pages->lstPrevFile;
    pages->btnMoveRight->click();
    grid->setCurrentIndex(grid->model()->index(1, 0));
    emit grid->doubleClicked(grid->currentIndex());
    EXPECT_EQ(pages->edtSearchResult->text(), "21");
    EXPECT_EQ(host.CurrentPosition, 20);
    EXPECT_EQ(pages->Session().StepIndex, 1);
}

}  // namespace
