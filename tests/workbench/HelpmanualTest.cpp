// The manual built into the program, read from its resource: it is whole,
// and F1 in every window of the program reaches a page of it.
#include "Addwatchfrm.h"
#include "Globalinfo.h"
#include "Globalsearchdefaultsfrm.h"
#include "Hexeditfrm.h"
#include "Mainfrm.h"
#include "Qormfunctions.h"
#include "Scriptoutfrm.h"
#include "Searchfrm.h"
#include "Syntaxfrm.h"
#include "Watchfrm.h"

#include "Tlangtokens.h"

#include "hexeditor/HexTestFolder.h"

#include "platform/Dialogs.h"
#include "platform/Helpmanual.h"
#include "platform/Helpviewer.h"
#include "platform/Shell.h"
#include "platform/Text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "QtTestApplication.h"

#include <QRegularExpression>
#include <QShortcut>
#include <QTabWidget>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include <vector>

using platform::HelpManual;
using platform::HelpRequest;

namespace {

const HelpManual& ProgramManual() {
    static const HelpManual manual(QStringLiteral(":/help"));
    return manual;
}

TEST(ProgramManualTest, EveryContextContentsEntryAndLinkLeadsToAPlaceOfTheManual) {
    const HelpManual& manual = ProgramManual();
    ASSERT_NE(manual.PageOf(manual.ContentsPage()), nullptr);
    for (const auto& [context, target] : manual.Contexts())
        EXPECT_TRUE(manual.Resolves(target)) << context << " " << target.toString().toStdString();
    for (const platform::HelpContentsItem& item : manual.Contents())
        EXPECT_TRUE(manual.Resolves(item.target)) << item.target.toString().toStdString();

    static const QRegularExpression href(QStringLiteral("href\\s*=\\s*\"([^\"]+)\""));
    for (const platform::HelpPage& page : manual.Pages()) {
        EXPECT_NE(page.title, page.name) << page.name.toStdString() << " has no title";
        const QUrl from = manual.UrlOf(page.name);
        QRegularExpressionMatchIterator links = href.globalMatch(page.html);
        while (links.hasNext()) {
            const QUrl target = from.resolved(QUrl(links.next().captured(1)));
            if (target.scheme() != from.scheme()) continue;  // an address outside the manual
            EXPECT_TRUE(manual.Resolves(target)) << page.name.toStdString() << " -> " << target.toString().toStdString();
        }
    }
}

TEST(ProgramManualTest, TheContentsListEveryPage) {
    const HelpManual& manual = ProgramManual();
    for (const platform::HelpPage& page : manual.Pages()) {
        if (manual.UrlOf(page.name) == manual.ContentsPage()) continue;
        bool listed = false;
        for (const platform::HelpContentsItem& item : manual.Contents())
            listed = listed || manual.PageOf(item.target) == &page;
        EXPECT_TRUE(listed) << page.name.toStdString();
    }
}

bool HasEntryOfKind(const std::string& name, std::initializer_list<const char*> kinds) {
    for (const platform::HelpIndexEntry& entry : ProgramManual().EntriesOf(QString::fromStdString(name)))
        for (const char* kind : kinds)
            if (entry.kind == QLatin1String(kind)) return true;
    return false;
}

// Every word of the lexer's table (statements, keywords, the operators
// written as words, built-in functions, and the words the language keeps
// for later), every host function and every constant that the editor
// registers has its entry; every sign of the table is explained on the
// statement or operator pages.
TEST(ProgramManualTest, EveryNameOfTheLanguageAndTheEditorHasItsEntry) {
    const std::string& table = pevox::TokenNameTable();
    QString signPages;
    for (const platform::HelpPage& page : ProgramManual().Pages())
        if (page.name == "lang-statements.html" || page.name == "lang-operators.html") signPages += page.text;
    std::vector<std::string> seen;
    for (std::size_t slot = 0; slot * pevox::kTokenSlotWidth < table.size(); ++slot) {
        const std::string name = platform::Trim(table.substr(slot * pevox::kTokenSlotWidth, pevox::kTokenSlotWidth));
        if (name.empty() || name == "*") continue;  // a free slot
        const bool word = std::isalpha(static_cast<unsigned char>(name[0])) &&
                          std::all_of(name.begin(), name.end(), [](unsigned char c) { return std::isalnum(c); });
        seen.push_back(name);
        if (word) {
            EXPECT_TRUE(HasEntryOfKind(name, {"statement", "operator", "built-in function"})) << name;
        } else {
            EXPECT_TRUE(signPages.contains(QString::fromStdString(name))) << name;
        }
    }
    EXPECT_THAT(seen, ::testing::IsSupersetOf({"Mid", "Print", "FI", "==", "<>"}));  // the table was read
    for (const TScriptFunction& function : ScriptFunctions)
        EXPECT_TRUE(HasEntryOfKind(function.Keyword, {"host function"})) << function.Keyword;
    for (const TScriptConstant& constant : ScriptConstants)
        EXPECT_TRUE(HasEntryOfKind(constant.Name, {"constant"})) << constant.Name;
}

class HelpKeysTest : public ::testing::Test {
protected:
    HelpKeysTest() {
        GlobalInfo() = GLOBALINFO_TAG{};
        main = std::make_unique<TFrmMain>();
        previous = platform::InstallHelpHandler({main->HelpFile, [this](const HelpRequest& request) {
                                                     requests.push_back(request);
                                                     return true;
                                                 }});
    }
    ~HelpKeysTest() override {
        main.reset();
        frmGlobalSearchDefaults = nullptr;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        FrmScript = FrmScriptOut = FrmWatches = FrmAddWatch = FrmSyntaxColor = nullptr;
        platform::InstallHelpHandler(previous);
    }

    // Every widget of the window answers F1 with a context of the manual,
    // and the window's F1 key asks for the window's own.
    void ExpectHelpEverywhere(QWidget& window, unsigned expected) {
        SCOPED_TRACE(window.metaObject()->className());
        EXPECT_EQ(platform::HelpContextOf(&window), expected);
        for (const QWidget* widget : window.findChildren<QWidget*>()) {
            if (widget->window() != &window) continue;
            const unsigned context = platform::HelpContextOf(widget);
            const std::optional<QUrl> page = ProgramManual().PageOfContext(context);
            ASSERT_TRUE(page.has_value()) << context << " of " << widget->metaObject()->className();
            EXPECT_TRUE(ProgramManual().Resolves(*page)) << context;
        }
        auto* key = window.findChild<QShortcut*>("HelpKey", Qt::FindDirectChildrenOnly);
        ASSERT_NE(key, nullptr);
        requests.clear();
        emit key->activated();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].command, platform::HELP_CONTEXT);
        EXPECT_EQ(requests[0].context, expected);
    }

    THexTestFolder folder;
    platform::DialogResponder user;
    std::unique_ptr<TFrmMain> main;
    platform::HelpHandler previous;
    std::vector<HelpRequest> requests;
};

TEST_F(HelpKeysTest, F1InEveryWindowOpensThePageOfItsContext) {
    main->FormCreate({folder.MakeFile("a.dat", THexTestFolder::Pattern(100))});
    ExpectHelpEverywhere(*main, 1490);

    TFrmHexEdit* hex = main->ChannelWindow(0);
    ASSERT_NE(hex, nullptr);
    ExpectHelpEverywhere(*hex, 1460);
    EXPECT_EQ(platform::HelpContextOf(hex->tabDecimal), 1460u);
    EXPECT_EQ(platform::HelpContextOf(hex->tabSearch->findChild<QWidget*>()), 1330u);
    EXPECT_EQ(platform::HelpContextOf(hex->tabResults->findChild<QWidget*>()), 1340u);

    main->btnSearchFiles->trigger();
    ASSERT_NE(FrmSearch, nullptr);
    ExpectHelpEverywhere(*FrmSearch, 1500);
    frmGlobalSearchDefaults = new TfrmGlobalSearchDefaults(main.get(), GlobalSearchDefaults());
    ExpectHelpEverywhere(*frmGlobalSearchDefaults, 1330);

    main->mnuWindowsScriptOutputClick();
    ExpectHelpEverywhere(*FrmScriptOut, 1520);
    main->mnuScriptWatchWindowClick();
    ExpectHelpEverywhere(*FrmWatches, 1530);
    auto* addWatch = new TFrmAddWatch(FrmWatches);
    ExpectHelpEverywhere(*addWatch, 1530);
    auto* colours = new TFrmSyntaxColor(main.get());
    ExpectHelpEverywhere(*colours, 1510);
}

TEST_F(HelpKeysTest, ContentsOpensTheContentsAndLeavingTheProgramClosesTheHelp) {
    main->FormCreate({});
    main->Contents1Click();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].command, platform::HELP_CONTENTS);
    EXPECT_EQ(requests[0].helpFile, ProgramHelpFile());
    main->close();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].command, platform::HELP_QUIT);
}

}  // namespace
