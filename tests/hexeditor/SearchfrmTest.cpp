// The search-in-files window and the search-defaults dialog on Qt's
// offscreen platform, under the main window, with a scripted user.
#include "Globalsearchdefaultsfrm.h"
#include "Hexeditfrm.h"
#include "Mainfrm.h"
#include "Searchcriteria.h"
#include "Searchfrm.h"
#include "Searchpages.h"

#include "HexTestFolder.h"

#include "platform/Dialogs.h"
#include "platform/Registry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "QtTestApplication.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <filesystem>
#include <memory>

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Bytes = std::vector<std::uint8_t>;
using platform::DialogResponder;

namespace {

Bytes Text(const std::string& text)
{
    return {text.begin(), text.end()};
}

void ResetDefaults()
{
    SEARCHINFO_TAG& defaults = GlobalSearchDefaults();
    defaults.Pattern.clear();
    defaults.PatternLength = 0;
    defaults.StartPosition = 0;
    defaults.CaseSensitive = true;
    defaults.ResultLimit = 0;
    defaults.HexEntry = false;
    defaults.SearchType = stString;
}

class SearchWindowTest : public ::testing::Test {
protected:
    SearchWindowTest()
    {
        GlobalInfo() = GLOBALINFO_TAG{};
        ResetDefaults();
        main = std::make_unique<TFrmMain>();
        main->FormCreate({});
    }
    ~SearchWindowTest() override
    {
        main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ResetDefaults();
    }

    TFrmSearch& OpenSearchWindow()
    {
        main->btnSearchFiles->trigger();
        auto* window = qobject_cast<TFrmSearch*>(FrmSearch);
        EXPECT_NE(window, nullptr);
        return *window;
    }

    // Lists every file of the data folder and searches them for the value.
    void SearchAll(TFrmSearch& window, const std::string& value)
    {
        window.SetFolder(folder.Path("data"));
        window.btnAddAll->click();
        window.Criteria->edtSearchValue->setText(QString::fromStdString(value));
        window.Criteria->btnBeginSearch->click();
    }

    void SelectRow(TFrmSearch& window, int row)
    {
        window.lstResults->setCurrentIndex(window.lstResults->model()->index(row, 0));
    }

    THexTestFolder folder;
    DialogResponder user;
    std::unique_ptr<TFrmMain> main;
};

TEST_F(SearchWindowTest, SearchesTheListedFilesAndOpensAHitInAChannel)
{
    const std::string a = folder.MakeFile("a.dat", Text("XY"));
    const std::string b = folder.MakeFile("b.dat", Text("XY.XY.XY.XY.XY"));
    folder.MakeFile("c.dat", Text("none"));
    TFrmSearch& window = OpenSearchWindow();
    EXPECT_EQ(window.windowTitle(), "Search In Files");
    EXPECT_EQ(window.property("Tag").toInt(), 7000);
    EXPECT_EQ(window.StatusText(), "Ready!");
    EXPECT_FALSE(window.Criteria->chkBOF->isVisibleTo(&window));

    SearchAll(window, "XY");

    EXPECT_EQ(window.StatusText(), "Search Completed!");
    EXPECT_EQ(window.pagSearch->currentWidget(), window.tabResults);
    EXPECT_EQ(window.lblSearchCount->text(), "6 matches.");
    ASSERT_EQ(window.lstResults->model()->rowCount(), 6);
    EXPECT_EQ(window.lstResults->model()->headerData(0, Qt::Horizontal).toString(), "Filename");
    EXPECT_EQ(window.lstResults->model()->index(3, 0).data().toString().toStdString(), b);
    EXPECT_EQ(window.lstResults->model()->index(3, 1).data().toString(), "7");
    EXPECT_EQ(window.lstFound->count(), 2);

    // The third hit of b.dat: the file opens in the first free channel.
    SelectRow(window, 3);
    window.lstResultsDblClick();
    TFrmHexEdit* hex = main->ChannelWindow(0);
    ASSERT_NE(hex, nullptr);
    EXPECT_EQ(hex->DataPath(), b);
    TSearchSession& session = hex->SearchPages->Session();
    EXPECT_EQ(session.Lists.Current.Rows.size(), 5u);
    EXPECT_EQ(hex->SearchPages->lblSearchCount->text(), "5 results");
    EXPECT_EQ(session.StepIndex, 2);
    EXPECT_EQ(hex->Position(), 6);
    EXPECT_EQ(hex->SearchPages->edtSearchResult->text(), "7");

    // Another hit of the same file reuses its channel.
    SelectRow(window, 5);
    window.lstResultsDblClick();
    EXPECT_FALSE(main->IsChannelOpen(1));
    EXPECT_EQ(hex->Position(), 12);

    // The found list opens a file at its first hit.
    window.lstFound->setCurrentRow(0);
    window.lstFoundDblClick();
    ASSERT_NE(main->ChannelWindow(1), nullptr);
    EXPECT_EQ(main->ChannelWindow(1)->DataPath(), a);
    EXPECT_EQ(main->ChannelWindow(1)->SearchPages->lblSearchCount->text(), "1 results");
    EXPECT_THAT(user.calls(), IsEmpty());
}

TEST_F(SearchWindowTest, AHitWhoseFileIsGoneSaysSo)
{
    const std::string a = folder.MakeFile("a.dat", Text("XY"));
    TFrmSearch& window = OpenSearchWindow();
    SearchAll(window, "XY");
    std::filesystem::remove(a);

    SelectRow(window, 0);
    window.lstResultsDblClick();

    EXPECT_FALSE(main->IsChannelOpen(0));
    ASSERT_EQ(user.calls().size(), 1u);
    EXPECT_EQ(user.calls()[0].text, "File " + a + " not found!\r\n");
    EXPECT_EQ(user.calls()[0].caption, "No more channels");
}

TEST_F(SearchWindowTest, ARefusedValueLeavesTheGridBlank)
{
    folder.MakeFile("a.dat", Text("XY"));
    TFrmSearch& window = OpenSearchWindow();
    SearchAll(window, "XY");

    window.Criteria->edtSearchValue->clear();
    window.Criteria->btnBeginSearch->click();

    ASSERT_EQ(user.calls().size(), 1u);
    EXPECT_EQ(user.calls()[0].text, "Search Value Required!");
    EXPECT_EQ(window.lstResults->model()->rowCount(), 1);
    EXPECT_EQ(window.lstResults->model()->index(0, 0).data().toString(), "");
    EXPECT_EQ(window.lstFound->count(), 0);
    EXPECT_EQ(window.StatusText(), "Search Completed!");
}

TEST_F(SearchWindowTest, TheFileListButtonsKeepEachPathOnce)
{
    folder.MakeFile("a.dat", {});
    folder.MakeFile("b.sav", {});
    TFrmSearch& window = OpenSearchWindow();
    window.SetFolder(folder.Path("data"));
    window.edtMask->setText("*.dat");
    emit window.edtMask->editingFinished();
    ASSERT_EQ(window.filSelected->count(), 1);

    window.filSelected->item(0)->setSelected(true);
    window.btnAddSelected->click();
    window.btnAddSelected->click();
    EXPECT_THAT(window.SelectedFiles().Paths(), ElementsAre(folder.Path("data/a.dat")));

    window.btnClear->click();
    EXPECT_EQ(window.lstSelected->count(), 0);
}

// The folder box shows the listed folder and takes a folder typed into it; a
// name that is no folder is refused with its reason and the box shows the
// listed folder again.
TEST_F(SearchWindowTest, TheFolderBoxShowsAndTakesTheListedFolder)
{
    folder.MakeFile("a.dat", {});
    TFrmSearch& window = OpenSearchWindow();
    EXPECT_TRUE(window.drvSelected->isEditable());
    EXPECT_EQ(window.drvSelected->currentText().toStdString(), window.Folder());
    const int places = window.drvSelected->count();

    const auto type = [&window](const std::string& text) {
        window.drvSelected->lineEdit()->selectAll();
        QTest::keyClicks(window.drvSelected->lineEdit(), QString::fromStdString(text));
        QTest::keyClick(window.drvSelected->lineEdit(), Qt::Key_Return);
    };
    type(folder.Path("data") + "/");
    EXPECT_EQ(window.Folder(), folder.Path("data"));
    EXPECT_EQ(window.drvSelected->currentText().toStdString(), folder.Path("data"));
    EXPECT_EQ(window.lblFolder->text().toStdString(), folder.Path("data"));
    ASSERT_EQ(window.filSelected->count(), 1);
    EXPECT_EQ(window.filSelected->item(0)->text(), "a.dat");

    type(folder.Path("data/a.dat"));
    EXPECT_EQ(window.Folder(), folder.Path("data"));
    EXPECT_EQ(window.StatusText().toStdString(), "\"" + folder.Path("data/a.dat") + "\" is not a folder.");
    EXPECT_EQ(window.drvSelected->currentText().toStdString(), folder.Path("data"));
    EXPECT_EQ(window.drvSelected->count(), places) << "typed names are not added to the list";
    EXPECT_THAT(user.calls(), IsEmpty());
}

// A double click on a hit's position leaves the file column in view.
TEST_F(SearchWindowTest, ADoubleClickKeepsTheFileColumnInView)
{
    std::string many;
    for (int i = 0; i < 80; ++i)
        many += "XY..";
    folder.MakeFile("a-file-with-a-rather-long-name-to-fill-the-column.dat", Text(many));
    TFrmSearch& window = OpenSearchWindow();
    window.resize(640, 480);
    window.show();
    SearchAll(window, "XY");
    QCoreApplication::processEvents();
    ASSERT_EQ(window.lstResults->model()->rowCount(), 80);

    const QModelIndex position = window.lstResults->model()->index(5, 1);
    const QPoint cell = window.lstResults->visualRect(position).center();
    QTest::mouseClick(window.lstResults->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(window.lstResults->viewport(), Qt::LeftButton, {}, cell);
    ASSERT_NE(main->ChannelWindow(0), nullptr);
    EXPECT_EQ(window.lstResults->currentIndex().row(), 5);
    EXPECT_EQ(window.lstResults->horizontalScrollBar()->value(), 0);
    EXPECT_EQ(window.lstResults->columnViewportPosition(0), 0);
    EXPECT_LE(window.lstResults->columnViewportPosition(1) + window.lstResults->columnWidth(1),
              window.lstResults->viewport()->width());
}

TEST_F(SearchWindowTest, ClosingTheMainWindowDuringASearchWaitsForItToStop)
{
    for (const char* name : {"a.dat", "b.dat", "c.dat", "d.dat"})
        folder.MakeFile(name, Bytes(300000, 'A'));
    TFrmSearch& window = OpenSearchWindow();
    QTimer::singleShot(0, main.get(), [this] { main->close(); });

    SearchAll(window, "A");
    EXPECT_TRUE(main->isVisible()) << "the close waits until the search has unwound";
    EXPECT_EQ(window.StatusText(), "Search Cancelled!");
    EXPECT_LT(window.Results().TotalHits, TotalHitLimit);

    QCoreApplication::processEvents();
    EXPECT_FALSE(main->isVisible());
}

TEST_F(SearchWindowTest, TheDefaultsDialogEditsTheGlobalDefaults)
{
    SEARCHINFO_TAG& defaults = GlobalSearchDefaults();
    defaults.Pattern = "old";
    defaults.StartPosition = 1;
    defaults.SearchType = stByte;
    TfrmGlobalSearchDefaults dialog(main.get(), defaults);
    EXPECT_EQ(dialog.windowTitle(), "Global Search Defaults");
    EXPECT_EQ(dialog.Criteria->edtSearchValue->text(), "old");
    EXPECT_FALSE(dialog.Criteria->chkBOF->isChecked());
    EXPECT_FALSE(dialog.Criteria->chkBOF->isVisibleTo(&dialog));
    // Its buttons keep or drop the entries; they start and cancel no search.
    EXPECT_EQ(dialog.Criteria->btnBeginSearch->text(), "OK");
    EXPECT_EQ(dialog.Criteria->btnBeginSearch->toolTip(),
              "Keep these entries as the defaults of new hex windows and of the search in files");
    EXPECT_EQ(dialog.Criteria->btnSearchCancel->toolTip(), "Close without changing the defaults");

    dialog.Criteria->edtSearchValue->clear();
    dialog.Criteria->edtNumResults->setText("-5");
    dialog.Criteria->chkCase->setChecked(false);
    dialog.Criteria->btnBeginSearch->click();

    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(defaults.Pattern, "old");
    EXPECT_EQ(defaults.StartPosition, 1);
    EXPECT_EQ(defaults.ResultLimit, -5);
    EXPECT_FALSE(defaults.CaseSensitive);
    EXPECT_EQ(defaults.SearchType, stByte);

    // A new search window and a new defaults dialog start from the record.
    TFrmSearch& window = OpenSearchWindow();
    EXPECT_EQ(window.Criteria->edtNumResults->text(), "4294967291");
    EXPECT_EQ(TfrmGlobalSearchDefaults(main.get(), defaults).Criteria->Entries().StartAtBeginning, false);

    main->LoadSaveSettings(1);
    platform::TRegIniFile registry(SettingsKey);
    EXPECT_FALSE(registry.ReadBool("SearchDefaults", "BOF", true));
    EXPECT_EQ(registry.ReadInteger("SearchDefaults", "MaxResults", 0), -5);
}

TEST_F(SearchWindowTest, CancelLeavesTheDefaultsAsTheyWere)
{
    GlobalSearchDefaults().Pattern = "kept";
    TfrmGlobalSearchDefaults dialog(main.get(), GlobalSearchDefaults());
    dialog.Criteria->edtSearchValue->setText("changed");
    dialog.Criteria->btnSearchCancel->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(GlobalSearchDefaults().Pattern, "kept");
}

}  // namespace
