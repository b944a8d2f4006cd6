// The manual reader and the help window over a small manual written by the
// test, on Qt's offscreen platform.
#include "platform/Helpmanual.h"
#include "platform/Helpviewer.h"
#include "platform/Shell.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include "QtTestApplication.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWindow>

#include <stdexcept>
#include <string>
#include <vector>

#include <QScreen>
#include <QTest>
#include <QTextEdit>

using namespace platform;
using platform_test::TempFolder;
using platform_test::WriteFile;

namespace {

class HelpManualTest : public ::testing::Test {
protected:
    HelpManualTest() {
        WriteFile(dir / "index.html",
                  "<html><head><title>Contents</title></head><body><h1>Contents</h1><ul>"
                  "<li><a href=\"windows.html\">Windows</a><ul>"
                  "<li><a href=\"windows.html#main\">The <b>main</b> window</a></li></ul></li>"
                  "<li><a href=\"lang.html\">Language</a></li>"
                  "<li><a href=\"https://example.invalid/\">Web site</a></li></ul></body></html>");
        WriteFile(dir / "windows.html",
                  "<html><head><title>Windows</title></head><body>"
                  "<h2 id=\"main\" data-index=\"Main window\">Main window</h2><p>The main window opens files.</p>"
                  "<h2 id=\"hex\">Hex window</h2><p>The hex window shows bytes, bytes and bytes.</p>"
                  "<p id=\"plain\">Not an index entry.</p></body></html>");
        WriteFile(dir / "lang.html",
                  "<html><head><title>Language</title></head><body>"
                  "<h2 id=\"fn-MID\">MID$</h2><p>A part of a string; bytes too.</p>"
                  "<h2 id=\"host-PRINT\"><code>Print</code></h2><p>A host function of the same name.</p>"
                  "<h2 id=\"kw-PRINT\" class=\"x\">PRINT (?)</h2><p>Prints.</p></body></html>");
        WriteFile(dir / "contexts.txt", "; the windows\n1490 windows.html#main\n\n 1460   windows.html#hex\n7 gone.html\n");
    }

    QUrl Url(const char* reference) const { return manual().UrlOf(reference); }
    const HelpManual& manual() const {
        if (!manual_) manual_ = std::make_shared<HelpManual>(QString::fromStdString(dir.path()));
        return *manual_;
    }

    TempFolder dir;
    mutable std::shared_ptr<HelpManual> manual_;
};

TEST_F(HelpManualTest, ReadsTheContentsTreeAndTheContextMap) {
    const std::vector<HelpContentsItem>& contents = manual().Contents();
    ASSERT_EQ(contents.size(), 3u);  // the address outside the manual is no topic
    EXPECT_EQ(contents[0].title, "Windows");
    EXPECT_EQ(contents[0].depth, 0);
    EXPECT_EQ(contents[1].title, "The main window");
    EXPECT_EQ(contents[1].depth, 1);
    EXPECT_EQ(contents[1].target, Url("windows.html#main"));
    EXPECT_EQ(contents[2].title, "Language");
    EXPECT_EQ(contents[2].depth, 0);

    EXPECT_EQ(manual().PageOfContext(1490), Url("windows.html#main"));
    EXPECT_EQ(manual().PageOfContext(1460), Url("windows.html#hex"));
    EXPECT_FALSE(manual().PageOfContext(1).has_value());
    EXPECT_TRUE(manual().Resolves(*manual().PageOfContext(1460)));
    EXPECT_FALSE(manual().Resolves(*manual().PageOfContext(7)));
    EXPECT_FALSE(manual().Resolves(Url("windows.html#nowhere")));
    EXPECT_TRUE(manual().Resolves(Url("lang.html")));
}

TEST_F(HelpManualTest, KeywordsAreFoundWithoutRegardToCaseOrDollar) {
    struct Case {
        const char* word;
        std::vector<const char*> targets;
    };
    const Case cases[] = {
        {"mid", {"lang.html#fn-MID"}},
        {"Mid$", {"lang.html#fn-MID"}},
        {" MID ", {"lang.html#fn-MID"}},
        {"print", {"lang.html#kw-PRINT", "lang.html#host-PRINT"}},  // the statement first
        {"main WINDOW", {"windows.html#main"}},
        {"plain", {}},
        {"", {}},
    };
    for (const Case& c : cases) {
        const std::vector<HelpIndexEntry> entries = manual().EntriesOf(c.word);
        ASSERT_EQ(entries.size(), c.targets.size()) << c.word;
        for (std::size_t i = 0; i < entries.size(); ++i) EXPECT_EQ(entries[i].target, Url(c.targets[i])) << c.word;
    }
    const std::vector<HelpIndexEntry> mid = manual().EntriesOf("mid");
    EXPECT_EQ(mid[0].kind, "built-in function");
    EXPECT_EQ(mid[0].term, "MID$");  // the entry's own text
    EXPECT_EQ(mid[0].name, "MID");
}

TEST_F(HelpManualTest, TheIndexListsPagesAndEntriesInOrder) {
    QStringList terms;
    for (const HelpIndexEntry& entry : manual().Index()) terms << entry.term + '|' + entry.kind;
    EXPECT_EQ(terms, QStringList({"Contents|", "Language|", "Main window|", "MID$|built-in function",
                                  "PRINT|host function", "PRINT (?)|statement", "Windows|"}));
}

TEST_F(HelpManualTest, TheSearchFindsPagesHoldingEveryWord) {
    std::vector<HelpSearchHit> hits = manual().Search("BYTES");
    ASSERT_EQ(hits.size(), 2u);
    EXPECT_EQ(hits[0].title, "Windows");  // three times there, once in the language
    EXPECT_EQ(hits[1].title, "Language");
    hits = manual().Search("  bytes   string ");
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].target, Url("lang.html"));
    EXPECT_TRUE(manual().Search("nowhere").empty());
    EXPECT_TRUE(manual().Search("   ").empty());
}

bool DocumentHasAnchor(const QTextDocument& document, const QString& name) {
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment)
            if (fragment.fragment().charFormat().anchorNames().contains(name)) return true;
    return false;
}

std::vector<HelpViewer*> OpenViewers() {
    std::vector<HelpViewer*> viewers;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* viewer = qobject_cast<HelpViewer*>(widget)) viewers.push_back(viewer);
    return viewers;
}

class HelpViewerTest : public HelpManualTest {
protected:
    ~HelpViewerTest() override { Quit(); }

    HelpViewer& Ask(unsigned command, std::uintptr_t context = 0, const std::string& keyword = "") {
        EXPECT_TRUE(viewer({"help", command, context, keyword}));
        const std::vector<HelpViewer*> open = OpenViewers();
        if (open.size() != 1) throw std::runtime_error("not one help window but " + std::to_string(open.size()));
        return *open.front();
    }
    void Quit() { EXPECT_TRUE(viewer({"help", HELP_QUIT, 0, ""})); }

    std::function<bool(const HelpRequest&)> viewer = ManualHelpViewer(QString::fromStdString(dir.path()), "Help");
};

TEST_F(HelpViewerTest, OneWindowShowsTheContextsKeywordsAndContents) {
    HelpViewer& window = Ask(HELP_CONTEXT, 1460);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), "Help");
    EXPECT_EQ(window.CurrentTarget(), Url("windows.html#hex"));
    EXPECT_TRUE(DocumentHasAnchor(*window.Page->document(), "hex"));  // an id is a place to scroll to
    EXPECT_EQ(window.ContentsTree->topLevelItemCount(), 2);

    HelpViewer& again = Ask(HELP_KEY, 0, "Mid$");
    EXPECT_EQ(&again, &window);
    EXPECT_EQ(window.CurrentTarget(), Url("lang.html#fn-MID"));
    EXPECT_EQ(window.Tabs->currentWidget(), window.IndexList->parentWidget());
    ASSERT_NE(window.IndexList->currentItem(), nullptr);
    EXPECT_EQ(window.IndexList->currentItem()->text(), "MID$  (built-in function)");
    EXPECT_EQ(window.IndexFilter->text(), "MID$");

    Ask(HELP_CONTENTS);
    EXPECT_EQ(window.CurrentTarget(), Url("index.html"));
    Ask(HELP_CONTEXT, 1490);
    Ask(HELP_FINDER);
    EXPECT_EQ(window.CurrentTarget(), Url("index.html"));
}

TEST_F(HelpViewerTest, AnUnknownWordIsSearchedAndAnUnknownContextSaysSo) {
    HelpViewer& window = Ask(HELP_KEY, 0, "string");
    EXPECT_EQ(window.Tabs->currentWidget(), window.SearchHits->parentWidget());
    EXPECT_EQ(window.SearchBox->text(), "string");
    ASSERT_EQ(window.SearchHits->count(), 1);
    EXPECT_EQ(window.CurrentTarget(), Url("lang.html"));
    EXPECT_EQ(window.Page->textCursor().selectedText().toLower(), "string");

    Ask(HELP_KEY, 0, "zyzzyva");
    EXPECT_EQ(window.SearchHits->count(), 0);
    EXPECT_TRUE(window.Status->text().contains("zyzzyva"));

    Ask(HELP_CONTEXT, 99);
    EXPECT_EQ(window.CurrentTarget(), Url("index.html"));
    EXPECT_TRUE(window.Status->text().contains("99"));

    // An empty keyword, from a blank line, opens the index as it stands.
    Ask(HELP_KEY, 0, "");
    EXPECT_EQ(window.Tabs->currentWidget(), window.IndexList->parentWidget());
}

TEST_F(HelpViewerTest, TheIndexFilterKeepsTheEntriesThatBeginWithTheText) {
    HelpViewer& window = Ask(HELP_FINDER);
    auto shown = [&window] {
        QStringList texts;
        for (int row = 0; row < window.IndexList->count(); ++row)
            if (!window.IndexList->item(row)->isHidden()) texts << window.IndexList->item(row)->text();
        return texts;
    };
    window.IndexFilter->setText("m");
    EXPECT_EQ(shown(), QStringList({"Main window", "MID$  (built-in function)"}));
    window.IndexFilter->setText("WINDOW");
    EXPECT_EQ(shown(), QStringList({"Windows"}));
    window.IndexFilter->setText("dow");  // none begins so: those that hold it
    EXPECT_EQ(shown(), QStringList({"Main window", "Windows"}));
}

// Enter in the filter box opens the first entry it leaves in view.
TEST_F(HelpViewerTest, EnterInTheFilteredIndexOpensTheVisibleEntry) {
    HelpViewer& window = Ask(HELP_FINDER);
    window.Tabs->setCurrentWidget(window.IndexList->parentWidget());
    window.IndexFilter->setFocus();
    QTest::keyClicks(window.IndexFilter, "mid");
    QTest::keyClick(window.IndexFilter, Qt::Key_Return);
    EXPECT_EQ(window.CurrentTarget(), Url("lang.html#fn-MID"));
}

// A search of several words marks each of them on the page.
TEST_F(HelpViewerTest, ASearchMarksEveryWordOnThePage) {
    HelpViewer& window = Ask(HELP_KEY, 0, "window bytes");
    ASSERT_EQ(window.CurrentTarget(), Url("windows.html"));
    QStringList marked;
    for (const QTextEdit::ExtraSelection& mark : window.Page->extraSelections()) marked << mark.cursor.selectedText();
    EXPECT_EQ(marked.count("window"), 4) << marked.join(",").toStdString();
    EXPECT_EQ(marked.count("bytes"), 3) << marked.join(",").toStdString();
    // Another page shows without the marks.
    Ask(HELP_CONTENTS);
    EXPECT_TRUE(window.Page->extraSelections().isEmpty());
}

// Asked again, a minimised help window comes back, wholly on the screen.
TEST_F(HelpViewerTest, AMinimisedWindowComesBackOnTheScreen) {
    HelpViewer& window = Ask(HELP_CONTENTS);
    EXPECT_TRUE(window.screen()->availableGeometry().contains(window.frameGeometry()));
    window.showMinimized();
    QCoreApplication::processEvents();
    Ask(HELP_CONTEXT, 1460);
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(window.isVisible());
}

TEST_F(HelpViewerTest, QuitClosesTheWindowAndTheNextRequestMakesANewOne) {
    Ask(HELP_CONTEXT, 1460);
    Quit();
    EXPECT_TRUE(OpenViewers().empty());
    HelpViewer& window = Ask(HELP_CONTENTS);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.testAttribute(Qt::WA_QuitOnClose));
}

TEST_F(HelpViewerTest, HelpAskedFromAModalDialogIsNotBlockedByIt) {
    QDialog dialog;
    HelpViewer* shown = nullptr;
    QTimer::singleShot(0, [&] {
        shown = &Ask(HELP_CONTEXT, 1460);
        dialog.reject();
    });
    dialog.exec();
    ASSERT_NE(shown, nullptr);
    ASSERT_NE(shown->windowHandle(), nullptr);
    EXPECT_EQ(shown->windowHandle()->transientParent(), dialog.windowHandle());
}

TEST(HelpKeyTest, TheFocusedWidgetsContextIsAsked) {
    QWidget window;
    window.setProperty("helpContext", 100);
    auto* layout = new QVBoxLayout(&window);
    auto* loose = new QLineEdit(&window);
    auto* tabs = new QTabWidget(&window);
    auto* withContext = new QWidget;
    withContext->setProperty("helpContext", 200);
    auto* inPage = new QLineEdit(withContext);
    auto* withoutContext = new QWidget;
    auto* inOtherPage = new QLineEdit(withoutContext);
    tabs->addTab(withContext, "A");
    tabs->addTab(withoutContext, "B");
    layout->addWidget(loose);
    layout->addWidget(tabs);

    EXPECT_EQ(HelpContextOf(loose), 100u);
    EXPECT_EQ(HelpContextOf(inPage), 200u);
    EXPECT_EQ(HelpContextOf(tabs->tabBar()), 200u);  // the tab of the current page
    EXPECT_EQ(HelpContextOf(inOtherPage), 100u);
    tabs->setCurrentIndex(1);
    EXPECT_EQ(HelpContextOf(tabs->tabBar()), 100u);
    EXPECT_EQ(HelpContextOf(nullptr), 0u);

    std::vector<HelpRequest> requests;
    const HelpHandler previous = InstallHelpHandler({"my.hlp", [&requests](const HelpRequest& request) {
                                                       requests.push_back(request);
                                                       return true;
                                                   }});
    BindF1Help(window, "my.hlp");
    auto* key = window.findChild<QShortcut*>("HelpKey");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->key(), QKeySequence(Qt::Key_F1));
    emit key->activated();
    InstallHelpHandler(previous);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].command, HELP_CONTEXT);
    EXPECT_EQ(requests[0].context, 100u);  // nothing of the window has the focus
}

}  // namespace
