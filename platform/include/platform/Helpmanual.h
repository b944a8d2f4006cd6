// A manual of HTML pages in one folder (a resource folder such as ":/help" or
// a folder on disk): its contents, its index, its help-context map and a
// search over its text. No widgets; the help window shows what this finds.
//
// The folder holds:
// - "index.html", the contents page: its links, nested in lists, are the
//   contents tree;
// - "contexts.txt", the help-context map: one "NUMBER PAGE" or
//   "NUMBER PAGE#ANCHOR" a line; blank lines and lines starting with ";" are
//   ignored;
// - the pages. An element with `data-index="TERM"` is an index entry under
//   TERM; an element whose id is "kw-NAME", "op-NAME", "fn-NAME",
//   "host-NAME" or "const-NAME" is the entry of the statement, operator,
//   built-in function, host function or constant NAME, listed under the
//   short text it begins with ("PLUS (+)"), else under NAME.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <map>
#include <optional>
#include <vector>

namespace platform {

struct HelpPage {
    QString name;  // the file name, such as "main-window.html"
    QString title;
    QString html;
    QString text;  // the page as plain text, for the search
    QStringList ids;
};

struct HelpIndexEntry {
    QString term;  // what the index lists
    QString name;  // what a keyword look-up matches: the language name, else the term
    QString kind;  // "statement", "built-in function", ...; empty for other entries
    QUrl target;
};

struct HelpContentsItem {
    QString title;
    QUrl target;
    int depth = 0;  // 0 for the top level
};

struct HelpSearchHit {
    QString title;
    QUrl target;
    int occurrences = 0;
};

class HelpManual {
public:
    explicit HelpManual(const QString& folder);

    QUrl ContentsPage() const { return UrlOf("index.html"); }
    // The page (and anchor) of a help context, none for an unknown number.
    std::optional<QUrl> PageOfContext(unsigned context) const;
    const std::map<unsigned, QUrl>& Contexts() const { return contexts_; }

    // Sorted by term, without regard to case.
    const std::vector<HelpIndexEntry>& Index() const { return index_; }
    // The entries whose name is `word` without regard to case; a trailing "$"
    // on either side does not count. Statements come first, then operators,
    // built-in functions, host functions, constants and the other entries.
    std::vector<HelpIndexEntry> EntriesOf(const QString& word) const;

    const std::vector<HelpContentsItem>& Contents() const { return contents_; }

    // The pages that hold every word of `words` (blanks part the words),
    // without regard to case; most occurrences first.
    std::vector<HelpSearchHit> Search(const QString& words) const;

    const std::vector<HelpPage>& Pages() const { return pages_; }
    const HelpPage* PageOf(const QUrl& target) const;
    // The target's page exists and so does its anchor, when it names one.
    bool Resolves(const QUrl& target) const;
    // `reference` (an href of a page) as seen from the folder.
    QUrl UrlOf(const QString& reference) const;

private:
    void ReadPages();
    void ReadContexts();
    void ReadContents();
    void BuildIndex();

    QString folder_;
    std::vector<HelpPage> pages_;
    std::map<unsigned, QUrl> contexts_;
    std::vector<HelpContentsItem> contents_;
    std::vector<HelpIndexEntry> index_;
};

}  // namespace platform
