#include "platform/Helpviewer.h"
#include "platform/Windowplace.h"

#include <QAction>
#include <QApplication>
#include <QColor>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWindow>

#include <vector>

namespace platform {

namespace {

constexpr int TargetRole = Qt::UserRole;

QString IndexCaption(const HelpIndexEntry& entry) {
    return entry.kind.isEmpty() ? entry.term : entry.term + QStringLiteral("  (") + entry.kind + ')';
}

}  // namespace

HelpViewer::HelpViewer(std::shared_ptr<const HelpManual> manual, const QString& caption)
    : QWidget(nullptr, Qt::Window), manual_(std::move(manual)) {
    setWindowTitle(caption);
    setAttribute(Qt::WA_QuitOnClose, false);

    auto* tools = new QToolBar(this);
    tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    Page = new QTextBrowser(this);
    Page->setOpenExternalLinks(true);
    QAction* back = tools->addAction(style()->standardIcon(QStyle::SP_ArrowBack), "Back", Page, &QTextBrowser::backward);
    back->setShortcut(QKeySequence::Back);
    QAction* forward =
        tools->addAction(style()->standardIcon(QStyle::SP_ArrowForward), "Forward", Page, &QTextBrowser::forward);
    forward->setShortcut(QKeySequence::Forward);
    connect(Page, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(Page, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    back->setEnabled(false);
    forward->setEnabled(false);
    tools->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), "Contents", this, &HelpViewer::ShowContents);

    Tabs = new QTabWidget(this);
    ContentsTree = new QTreeWidget(Tabs);
    ContentsTree->setHeaderHidden(true);
    Tabs->addTab(ContentsTree, "&Contents");

    auto* indexPage = new QWidget(Tabs);
    auto* indexLayout = new QVBoxLayout(indexPage);
    IndexFilter = new QLineEdit(indexPage);
    IndexFilter->setPlaceholderText("Type a word to find it in the index");
    IndexFilter->setClearButtonEnabled(true);
    IndexList = new QListWidget(indexPage);
    indexLayout->addWidget(IndexFilter);
    indexLayout->addWidget(IndexList);
    Tabs->addTab(indexPage, "&Index");

    auto* searchPage = new QWidget(Tabs);
    auto* searchLayout = new QVBoxLayout(searchPage);
    auto* searchRow = new QHBoxLayout;
    SearchBox = new QLineEdit(searchPage);
    SearchBox->setPlaceholderText("Words to find in the pages");
    SearchBox->setClearButtonEnabled(true);
    auto* searchButton = new QPushButton("&Find", searchPage);
    searchRow->addWidget(SearchBox);
    searchRow->addWidget(searchButton);
    SearchHits = new QListWidget(searchPage);
    searchLayout->addLayout(searchRow);
    searchLayout->addWidget(SearchHits);
    Tabs->addTab(searchPage, "&Search");

    auto* splitter = new QSplitter(this);
    splitter->addWidget(Tabs);
    splitter->addWidget(Page);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({260, 640});
    Status = new QLabel(this);
    Status->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tools);
    layout->addWidget(splitter, 1);
    layout->addWidget(Status);

    BuildContents();
    BuildIndex();

    connect(ContentsTree, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { ShowTarget(item->data(0, TargetRole).toUrl()); });
    connect(ContentsTree, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { ShowTarget(item->data(0, TargetRole).toUrl()); });
    connect(IndexFilter, &QLineEdit::textChanged, this, &HelpViewer::FilterIndex);
    connect(IndexFilter, &QLineEdit::returnPressed, this, [this] {
        for (int row = 0; row < IndexList->count(); ++row)
            if (!IndexList->item(row)->isHidden()) return ShowTarget(IndexList->item(row)->data(TargetRole).toUrl());
    });
    for (auto signal : {&QListWidget::itemActivated, &QListWidget::itemClicked}) {
        connect(IndexList, signal, this, [this](QListWidgetItem* item) { ShowTarget(item->data(TargetRole).toUrl()); });
        connect(SearchHits, signal, this, [this](QListWidgetItem* item) {
            ShowTarget(item->data(TargetRole).toUrl());
            HighlightWords(SearchBox->text());
        });
    }
    connect(SearchBox, &QLineEdit::returnPressed, this, [this] { ShowSearch(SearchBox->text()); });
    connect(searchButton, &QPushButton::clicked, this, [this] { ShowSearch(SearchBox->text()); });
    CentreOnScreen(*this, QSize(920, 660));
}

// Every word searched for is marked on the page; the first is selected, so
// the page scrolls to it.
void HelpViewer::HighlightWords(const QString& words) {
    QList<QTextEdit::ExtraSelection> marks;
    const QStringList wanted = words.simplified().split(' ', Qt::SkipEmptyParts);
    for (const QString& word : wanted) {
        for (QTextCursor found = Page->document()->find(word); !found.isNull();
             found = Page->document()->find(word, found)) {
            QTextEdit::ExtraSelection mark;
            mark.cursor = found;
            mark.format.setBackground(QColor(255, 235, 120));
            marks.append(mark);
        }
    }
    Page->setExtraSelections(marks);
    if (!wanted.isEmpty()) Page->find(wanted.front());
}

void HelpViewer::BuildContents() {
    std::vector<QTreeWidgetItem*> parents;
    for (const HelpContentsItem& item : manual_->Contents()) {
        parents.resize(std::min<std::size_t>(parents.size(), static_cast<std::size_t>(item.depth)));
        auto* node = parents.empty() ? new QTreeWidgetItem(ContentsTree) : new QTreeWidgetItem(parents.back());
        node->setText(0, item.title);
        node->setData(0, TargetRole, item.target);
        parents.push_back(node);
    }
    ContentsTree->expandAll();
}

void HelpViewer::BuildIndex() {
    for (const HelpIndexEntry& entry : manual_->Index()) {
        auto* item = new QListWidgetItem(IndexCaption(entry), IndexList);
        item->setData(TargetRole, entry.target);
    }
}

// Keeps the entries that begin with the text; when none does, those that hold it.
void HelpViewer::FilterIndex(const QString& text) {
    const QString wanted = text.trimmed();
    bool anyBegins = false;
    for (int row = 0; row < IndexList->count() && !anyBegins; ++row)
        anyBegins = IndexList->item(row)->text().startsWith(wanted, Qt::CaseInsensitive);
    for (int row = 0; row < IndexList->count(); ++row) {
        QListWidgetItem* item = IndexList->item(row);
        const bool shown = anyBegins ? item->text().startsWith(wanted, Qt::CaseInsensitive)
                                     : item->text().contains(wanted, Qt::CaseInsensitive);
        item->setHidden(!shown);
    }
}

void HelpViewer::SelectIndexEntry(const QUrl& target) {
    for (int row = 0; row < IndexList->count(); ++row) {
        QListWidgetItem* item = IndexList->item(row);
        if (!item->isHidden() && item->data(TargetRole).toUrl() == target) {
            IndexList->setCurrentItem(item);
            IndexList->scrollToItem(item);
            return;
        }
    }
}

void HelpViewer::ShowTarget(const QUrl& target) {
    Status->clear();
    Page->setExtraSelections({});
    Page->setSource(target);
    // Asked again for the page on show, the browser would stay where the reader left it.
    if (target.hasFragment()) Page->scrollToAnchor(target.fragment());
}

QUrl HelpViewer::CurrentTarget() const { return Page->source(); }

void HelpViewer::ShowContents() {
    Tabs->setCurrentWidget(ContentsTree);
    ShowTarget(manual_->ContentsPage());
}

void HelpViewer::ShowContext(unsigned context) {
    if (const std::optional<QUrl> target = manual_->PageOfContext(context)) {
        Tabs->setCurrentWidget(ContentsTree);
        ShowTarget(*target);
        return;
    }
    ShowContents();
    Status->setText(QStringLiteral("There is no help topic %1; here are the contents.").arg(context));
}

void HelpViewer::ShowKeyword(const QString& word) {
    const QString wanted = word.trimmed();
    Tabs->setCurrentWidget(IndexList->parentWidget());
    IndexFilter->setFocus();
    if (wanted.isEmpty()) {
        IndexFilter->clear();
        if (Page->source().isEmpty()) ShowTarget(manual_->ContentsPage());
        return;
    }
    const std::vector<HelpIndexEntry> entries = manual_->EntriesOf(wanted);
    if (entries.empty()) return ShowSearch(wanted);
    // The index then lists every entry of that name ("Mid$" finds MID).
    IndexFilter->setText(entries.front().term);
    ShowTarget(entries.front().target);
    SelectIndexEntry(entries.front().target);
}

void HelpViewer::ShowSearch(const QString& words) {
    Tabs->setCurrentWidget(SearchHits->parentWidget());
    SearchBox->setText(words);
    SearchHits->clear();
    const std::vector<HelpSearchHit> hits = manual_->Search(words);
    for (const HelpSearchHit& hit : hits) {
        auto* item = new QListWidgetItem(hit.title, SearchHits);
        item->setData(TargetRole, hit.target);
    }
    if (hits.empty()) {
        if (Page->source().isEmpty()) ShowTarget(manual_->ContentsPage());
        Status->setText(QStringLiteral("No page of the manual holds \"%1\".").arg(words.simplified()));
        return;
    }
    SearchHits->setCurrentRow(0);
    ShowTarget(hits.front().target);
    HighlightWords(words);
}

namespace {

// A help window opened from a modal dialog would be blocked by it: it
// stands above the dialog instead, as a window of its own.
void StandAboveModalDialog(HelpViewer& viewer) {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == &viewer) return;
    viewer.winId();
    if (QWindow* window = viewer.windowHandle()) window->setTransientParent(modal ? modal->windowHandle() : nullptr);
}

struct ViewerState {
    QString folder;
    QString caption;
    std::shared_ptr<const HelpManual> manual;
    QPointer<HelpViewer> window;

    ~ViewerState() { delete window.data(); }

    HelpViewer& Window() {
        if (!manual) manual = std::make_shared<HelpManual>(folder);
        if (!window) window = new HelpViewer(manual, caption);
        StandAboveModalDialog(*window);
        BringToFront(*window);
        return *window;
    }
};

}  // namespace

std::function<bool(const HelpRequest&)> ManualHelpViewer(const QString& folder, const QString& caption) {
    auto state = std::make_shared<ViewerState>();
    state->folder = folder;
    state->caption = caption;
    return [state](const HelpRequest& request) {
        switch (request.command) {
        case HELP_QUIT:
            delete state->window.data();
            return true;
        case HELP_CONTEXT:
            state->Window().ShowContext(static_cast<unsigned>(request.context));
            return true;
        case HELP_KEY:
            state->Window().ShowKeyword(QString::fromUtf8(request.keyword.c_str()));
            return true;
        case HELP_CONTENTS:
        case HELP_FINDER:
            state->Window().ShowContents();
            return true;
        default:
            return false;
        }
    };
}

unsigned HelpContextOf(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->isWindow() ? nullptr : w->parentWidget()) {
        if (const auto* tabs = qobject_cast<const QTabWidget*>(w->parentWidget());
            tabs && qobject_cast<const QTabBar*>(w) && tabs->currentWidget()) {
            const unsigned page = tabs->currentWidget()->property("helpContext").toUInt();
            if (page != 0) return page;
        }
        const unsigned own = w->property("helpContext").toUInt();
        if (own != 0) return own;
    }
    return 0;
}

void BindF1Help(QWidget& window, const std::string& helpFile) {
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), &window);
    help->setObjectName("HelpKey");
    help->setContext(Qt::WindowShortcut);
    QObject::connect(help, &QShortcut::activated, &window, [&window, helpFile] {
        QWidget* focus = QApplication::focusWidget();
        const QWidget* asked = focus && (focus == &window || window.isAncestorOf(focus)) ? focus : &window;
        WinHelpA(helpFile, HELP_CONTEXT, HelpContextOf(asked));
    });
}

}  // namespace platform
