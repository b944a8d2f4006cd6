#include "platform/Helpmanual.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTextDocumentFragment>

#include <algorithm>
#include <array>

namespace platform {

namespace {

struct LanguagePrefix {
    const char* prefix;
    const char* kind;
};

// The order is that of a keyword look-up that finds several entries.
constexpr std::array<LanguagePrefix, 5> kLanguagePrefixes = {{
    {"kw-", "statement"},
    {"op-", "operator"},
    {"fn-", "built-in function"},
    {"host-", "host function"},
    {"const-", "constant"},
}};

int KindRank(const QString& kind) {
    for (std::size_t i = 0; i < kLanguagePrefixes.size(); ++i)
        if (kind == QLatin1String(kLanguagePrefixes[i].kind)) return static_cast<int>(i);
    return static_cast<int>(kLanguagePrefixes.size());
}

QString ReadText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

QString PlainText(const QString& html) { return QTextDocumentFragment::fromHtml(html).toPlainText(); }

QString AttributeOf(const QString& attributes, const QString& name) {
    const QRegularExpression pattern(QStringLiteral("(?:^|\\s)%1\\s*=\\s*\"([^\"]*)\"").arg(QRegularExpression::escape(name)));
    const QRegularExpressionMatch match = pattern.match(attributes);
    return match.hasMatch() ? PlainText(match.captured(1)) : QString();
}

const QRegularExpression& TagPattern() {
    static const QRegularExpression pattern(QStringLiteral("<([a-zA-Z][a-zA-Z0-9]*)(\\s[^>]*)?>"));
    return pattern;
}

QString TitleOf(const QString& html) {
    static const QRegularExpression title(QStringLiteral("<title>(.*?)</title>"),
                                          QRegularExpression::DotMatchesEverythingOption |
                                              QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression heading(QStringLiteral("<h1[^>]*>(.*?)</h1>"),
                                            QRegularExpression::DotMatchesEverythingOption |
                                                QRegularExpression::CaseInsensitiveOption);
    QRegularExpressionMatch match = title.match(html);
    if (!match.hasMatch()) match = heading.match(html);
    return match.hasMatch() ? PlainText(match.captured(1)).simplified() : QString();
}

// The text that an element begins with, up to its first inner tag, when it
// is short enough to stand in an index ("PLUS (+)").
QString LeadingText(const QString& html, qsizetype from) {
    constexpr qsizetype kLongestTerm = 40;
    const qsizetype end = html.indexOf('<', from);
    const QString text = PlainText(html.mid(from, end < 0 ? -1 : end - from)).simplified();
    return text.size() <= kLongestTerm ? text : QString();
}

// "MID$" and "Mid" are one name to a look-up.
QString LookupName(QString name) {
    name = name.trimmed().toUpper();
    if (name.endsWith('$')) name.chop(1);
    return name;
}

}  // namespace

HelpManual::HelpManual(const QString& folder) : folder_(folder) {
    ReadPages();
    ReadContexts();
    ReadContents();
    BuildIndex();
}

QUrl HelpManual::UrlOf(const QString& reference) const {
    const QUrl base = folder_.startsWith(':') ? QUrl(QStringLiteral("qrc") + folder_ + '/')
                                              : QUrl::fromLocalFile(QDir(folder_).absolutePath() + '/');
    return base.resolved(QUrl(reference));
}

void HelpManual::ReadPages() {
    const QStringList names = QDir(folder_).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        HelpPage page;
        page.name = name;
        page.html = ReadText(folder_ + '/' + name);
        page.title = TitleOf(page.html);
        if (page.title.isEmpty()) page.title = name;
        page.text = PlainText(page.html);
        QRegularExpressionMatchIterator tags = TagPattern().globalMatch(page.html);
        while (tags.hasNext()) {
            const QString id = AttributeOf(tags.next().captured(2), QStringLiteral("id"));
            if (!id.isEmpty()) page.ids.append(id);
        }
        pages_.push_back(std::move(page));
    }
}

void HelpManual::ReadContexts() {
    const QStringList lines = ReadText(folder_ + QStringLiteral("/contexts.txt")).split('\n');
    for (const QString& line : lines) {
        const QStringList parts = line.simplified().split(' ', Qt::SkipEmptyParts);
        if (parts.size() != 2 || parts[0].startsWith(';')) continue;
        bool number = false;
        const unsigned context = parts[0].toUInt(&number);
        if (number) contexts_[context] = UrlOf(parts[1]);
    }
}

// The contents page's links in their order, each as deep as the lists it stands in.
void HelpManual::ReadContents() {
    static const QRegularExpression pattern(
        QStringLiteral("(<ul\\b[^>]*>)|(</ul>)|<a\\s[^>]*href\\s*=\\s*\"([^\"]+)\"[^>]*>(.*?)</a>"),
        QRegularExpression::DotMatchesEverythingOption | QRegularExpression::CaseInsensitiveOption);
    const HelpPage* contents = PageOf(ContentsPage());
    if (!contents) return;
    int lists = 0;
    QRegularExpressionMatchIterator tokens = pattern.globalMatch(contents->html);
    while (tokens.hasNext()) {
        const QRegularExpressionMatch token = tokens.next();
        if (token.capturedLength(1) > 0) {
            ++lists;
        } else if (token.capturedLength(2) > 0) {
            lists = std::max(0, lists - 1);
        } else {
            const QUrl target = UrlOf(token.captured(3));
            if (target.scheme() != UrlOf(QString()).scheme()) continue;
            contents_.push_back({PlainText(token.captured(4)).simplified(), target, std::max(0, lists - 1)});
        }
    }
}

void HelpManual::BuildIndex() {
    for (const HelpPage& page : pages_) {
        const QUrl pageUrl = UrlOf(page.name);
        index_.push_back({page.title, page.title, QString(), pageUrl});
        QRegularExpressionMatchIterator tags = TagPattern().globalMatch(page.html);
        while (tags.hasNext()) {
            const QRegularExpressionMatch tag = tags.next();
            const QString attributes = tag.captured(2);
            const QString id = AttributeOf(attributes, QStringLiteral("id"));
            const QString term = AttributeOf(attributes, QStringLiteral("data-index"));
            QUrl target = pageUrl;
            target.setFragment(id);
            bool language = false;
            for (const LanguagePrefix& prefix : kLanguagePrefixes) {
                if (!id.startsWith(QLatin1String(prefix.prefix)) || id.size() <= int(qstrlen(prefix.prefix))) continue;
                const QString name = id.mid(int(qstrlen(prefix.prefix)));
                const QString caption = term.isEmpty() ? LeadingText(page.html, tag.capturedEnd()) : term;
                index_.push_back({caption.isEmpty() ? name : caption, name, QLatin1String(prefix.kind), target});
                language = true;
                break;
            }
            if (!language && !term.isEmpty()) index_.push_back({term, term, QString(), id.isEmpty() ? pageUrl : target});
        }
    }
    std::stable_sort(index_.begin(), index_.end(), [](const HelpIndexEntry& a, const HelpIndexEntry& b) {
        const int order = QString::compare(a.term, b.term, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : KindRank(a.kind) < KindRank(b.kind);
    });
}

std::optional<QUrl> HelpManual::PageOfContext(unsigned context) const {
    const auto found = contexts_.find(context);
    if (found == contexts_.end()) return std::nullopt;
    return found->second;
}

std::vector<HelpIndexEntry> HelpManual::EntriesOf(const QString& word) const {
    const QString wanted = LookupName(word);
    std::vector<HelpIndexEntry> entries;
    if (wanted.isEmpty()) return entries;
    for (const HelpIndexEntry& entry : index_)
        if (LookupName(entry.name) == wanted) entries.push_back(entry);
    std::stable_sort(entries.begin(), entries.end(), [](const HelpIndexEntry& a, const HelpIndexEntry& b) {
        return KindRank(a.kind) < KindRank(b.kind);
    });
    return entries;
}

std::vector<HelpSearchHit> HelpManual::Search(const QString& words) const {
    const QStringList wanted = words.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    std::vector<HelpSearchHit> hits;
    if (wanted.isEmpty()) return hits;
    for (const HelpPage& page : pages_) {
        int occurrences = 0;
        bool all = true;
        for (const QString& word : wanted) {
            const int count = int(page.text.count(word, Qt::CaseInsensitive));
            if (count == 0) all = false;
            occurrences += count;
        }
        if (all) hits.push_back({page.title, UrlOf(page.name), occurrences});
    }
    std::stable_sort(hits.begin(), hits.end(),
                     [](const HelpSearchHit& a, const HelpSearchHit& b) { return a.occurrences > b.occurrences; });
    return hits;
}

const HelpPage* HelpManual::PageOf(const QUrl& target) const {
    const QString name = target.adjusted(QUrl::RemoveFragment | QUrl::RemoveQuery).fileName();
    for (const HelpPage& page : pages_)
        if (page.name == name && UrlOf(page.name) == target.adjusted(QUrl::RemoveFragment | QUrl::RemoveQuery))
            return &page;
    return nullptr;
}

bool HelpManual::Resolves(const QUrl& target) const {
    const HelpPage* page = PageOf(target);
    if (!page) return false;
    return !target.hasFragment() || target.fragment().isEmpty() || page->ids.contains(target.fragment());
}

}  // namespace platform
