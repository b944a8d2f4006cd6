#include "platform/QtDialogs.h"
#include "platform/Files.h"
#include "platform/QtPath.h"
#include "platform/QtText.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "QtTestApplication.h"

#include <QApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QInputDialog>
#include <QTreeView>
#include <QLineEdit>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

using namespace platform;

namespace {

TEST(QtTextTest, EveryByteSurvivesAQString) {
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
    const QString text = ToQString(bytes);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(text[0x80], QChar(0x20AC));
    EXPECT_EQ(text[0x81], QChar(0x0081));
    EXPECT_EQ(FromQString(text), bytes);
    EXPECT_EQ(FromQString(QStringLiteral("caf\u00E9 \u03A9")), "caf\xE9 ?");
}

TEST(QtFilterTest, ClassicFiltersBecomeQtFilters) {
    struct Case {
        const char* classic;
        const char* qt;
    };
    const Case cases[] = {
        {"A|*.a;*.b|B|*.*", "A (*.a *.b);;B (*)"},
        {"Data Files (*.gam, *.sav, *.dat)|*.gam;*.sav;*.dat|All Files(*.*)|*.*",
         "Data Files (*.gam *.sav *.dat);;All Files (*)"},
        {"Scripts|*.txt; *.bas", "Scripts (*.txt *.bas)"},
        {"|*.hlp", "*.hlp (*.hlp)"},
        {"Odd|*.x|Dangling", "Odd (*.x)"},
        {"Empty|", ""},
        {"", ""},
        {"Caf\xE9|*.c", "Caf\u00E9 (*.c)"},
    };
    for (const Case& c : cases) EXPECT_EQ(QtDialogs::QtFilter(c.classic), QString::fromUtf8(c.qt)) << c.classic;
}

}  // namespace

namespace {

// What a message box looked like while it was open; the box is then closed
// with Escape.
struct TShownBox {
    int width = 0;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;
    Qt::TextFormat format = Qt::AutoText;
};

TShownBox ShowBox(const std::string& text, const std::string& caption, MsgIcon icon) {
    TShownBox shown;
    QTimer::singleShot(0, [&shown] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        shown.width = box->width();
        shown.icon = box->icon();
        shown.title = box->windowTitle();
        shown.text = box->text();
        shown.format = box->textFormat();
        box->reject();
    });
    QtDialogs dialogs;
    EXPECT_EQ(dialogs.MessageBox(text, caption, MsgButtons::OK, icon, 0), MsgAnswer::OK);
    return shown;
}

}  // namespace

// A short text under a long caption gets a box wide enough for the caption,
// with the icon of its kind and the text as plain text.
TEST(QtMessageBoxTest, BoxesShowTheirIconAndTheirWholeCaption) {
    const std::string caption = "No Search Value Entered, a caption much longer than its text";
    const TShownBox shown = ShowBox("Required!", caption, MsgIcon::Warning);
    QFont bold = QApplication::font();
    bold.setBold(true);
    EXPECT_GE(shown.width, QFontMetrics(bold).horizontalAdvance(QString::fromStdString(caption)));
    EXPECT_EQ(shown.icon, QMessageBox::Warning);
    EXPECT_EQ(shown.title.toStdString(), caption);
    EXPECT_EQ(shown.format, Qt::PlainText);

    struct Case {
        MsgIcon icon;
        QMessageBox::Icon shown;
    };
    for (const Case& c : {Case{MsgIcon::Information, QMessageBox::Information}, Case{MsgIcon::Error, QMessageBox::Critical},
                          Case{MsgIcon::Question, QMessageBox::Question}, Case{MsgIcon::None, QMessageBox::NoIcon}})
        EXPECT_EQ(ShowBox("<b>a.dat</b>\r\nline two", "Box", c.icon).icon, c.shown);
    EXPECT_EQ(ShowBox("<b>a.dat</b>\r\nline two", "Box", MsgIcon::Error).text.toStdString(), "<b>a.dat</b>\nline two");
}

namespace {

// The names of the file-name table: ASCII, accented UTF-8, CJK, a blank and
// a byte that is not UTF-8.
const char* const kNames[] = {"plain.sav", "donn\xC3\xA9" "es \xC3\xA9t\xC3\xA9.sav", "\xE4\xB8\xAD\xE6\x96\x87.dat",
                              "with space.dat", "bad\xFF.dat"};

TEST(QtPathTest, PathsCrossIntoQtInTheFileSystemsEncoding) {
    EXPECT_EQ(PathToQString("/d/donn\xC3\xA9" "es/\xE4\xB8\xAD"), QString::fromUtf8("/d/donn\u00E9es/\u4E2D"));
    EXPECT_EQ(PathFromQString(QString::fromUtf8("/d/donn\u00E9es/\u4E2D")), "/d/donn\xC3\xA9" "es/\xE4\xB8\xAD");
    // A message names the path in the code page of texts.
    EXPECT_EQ(PathAsText("/d/\xC3\xA9t\xC3\xA9"), "/d/\xE9t\xE9");
}

TEST(QtPathTest, ANameQtShowsWithAReplacementIsFoundAgainInItsFolder) {
    platform_test::TempFolder dir;
    const std::string folder = dir.path() + "/f\xFE";
    ASSERT_TRUE(CreateDir(folder));
    for (const char* name : kNames) platform_test::WriteFile(folder + "/" + name, "x");
    for (const char* name : kNames) {
        const std::string path = folder + "/" + name;
        // What a Qt dialog or folder view hands back for the entry.
        EXPECT_EQ(PathFromQString(PathToQString(path)), path) << name;
    }
    // Two entries that Qt shows alike stay apart: none of them is guessed.
    platform_test::WriteFile(folder + "/bad\xFE.dat", "y");
    EXPECT_EQ(PathFromQString(PathToQString(folder + "/bad\xFF.dat")), folder + "/bad\xEF\xBF\xBD.dat");
    // A new name typed into a save dialog is encoded as it is.
    EXPECT_EQ(PathFromQString(PathToQString(folder) + QString::fromUtf8("/neu\u00E9")), folder + "/neu\xC3\xA9");
}

}  // namespace

// A dialog told to start in a folder that does not exist starts in the
// nearest one that does, and offers no file name in place of the folder's.
// An input box is wide enough for its whole caption, and the file dialog's
// detail columns are as wide as their texts: neither shows its texts cut.
TEST(QtInputBoxTest, InputBoxesAndFileDialogsShowTheirTextsWhole) {
    const QString caption = QStringLiteral("Delete bytes from current position, a caption longer than its prompt");
    int width = 0;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (!box) return;
        width = box->minimumSizeHint().width();  // the box is never narrower
        box->reject();
    });
    QtDialogs dialogs;
    EXPECT_EQ(dialogs.InputQuery(caption.toStdString(), "Count:", "0"), std::nullopt);
    QFont bold = QApplication::font();
    bold.setBold(true);
    EXPECT_GE(width, QFontMetrics(bold).horizontalAdvance(caption));

    std::vector<QHeaderView::ResizeMode> modes;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        if (auto* view = dialog->findChild<QTreeView*>())
            for (int column = 0; column < view->header()->count(); ++column)
                modes.push_back(view->header()->sectionResizeMode(column));
        dialog->reject();
    });
    EXPECT_EQ(dialogs.OpenFileName(FileDialogRequest{}), std::nullopt);
    ASSERT_GE(modes.size(), 4u);
    EXPECT_EQ(modes[0], QHeaderView::Stretch);
    for (std::size_t column = 1; column < modes.size(); ++column)
        EXPECT_EQ(modes[column], QHeaderView::ResizeToContents) << column;
}

TEST(QtFileDialogTest, AMissingStartFolderGivesWayToItsNearestParent) {
    std::string pattern = (std::filesystem::temp_directory_path() / "qtdialog-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const std::filesystem::path root = pattern;
    QString shownFolder;
    QString offeredName = QStringLiteral("(no dialog)");
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        shownFolder = dialog->directory().absolutePath();
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) offeredName = name->text();
        dialog->reject();
    });
    FileDialogRequest request;
    request.initialDir = (root / "Scripts" / "deeper").string();
    QtDialogs dialogs;
    EXPECT_EQ(dialogs.SaveFileName(request), std::nullopt);
    EXPECT_EQ(shownFolder.toStdString(), root.string());
    EXPECT_EQ(offeredName.toStdString(), "");
    std::filesystem::remove_all(root);
}
