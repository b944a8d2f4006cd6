#include "platform/QtDialogs.h"

#include "platform/QtPath.h"
#include "platform/QtText.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QGridLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTreeView>

#include <vector>

namespace platform {

namespace {

// The system's texts separate lines with "\r\n"; Qt's widgets with "\n".
QString DialogText(const std::string& text) {
    QString result = ToQString(text);
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return result;
}

QMessageBox::Icon QtIcon(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Warning:
        return QMessageBox::Warning;
    case MsgIcon::Error:
        return QMessageBox::Critical;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// Room for the title bar's own buttons and margins beside the caption.
constexpr int TitleBarRoom = 140;

// A box is as wide as its text needs, which for a short text cuts a longer
// caption in the title bar; a row of the caption's width keeps it whole. The
// title font is taken as bold, as most desktops draw it.
void WidenForCaption(QMessageBox& box, const QString& caption) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid) return;
    QFont titleFont = box.font();
    titleFont.setBold(true);
    const int width = QFontMetrics(titleFont).horizontalAdvance(caption) + TitleBarRoom;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

// The box's buttons from left to right, as the classic boxes order them.
std::vector<QMessageBox::StandardButton> QtButtons(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::OKCancel:
        return {QMessageBox::Ok, QMessageBox::Cancel};
    case MsgButtons::YesNo:
        return {QMessageBox::Yes, QMessageBox::No};
    case MsgButtons::YesNoCancel:
        return {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
    case MsgButtons::AbortRetryIgnore:
        return {QMessageBox::Abort, QMessageBox::Retry, QMessageBox::Ignore};
    case MsgButtons::RetryCancel:
        return {QMessageBox::Retry, QMessageBox::Cancel};
    case MsgButtons::OK:
        break;
    }
    return {QMessageBox::Ok};
}

QColor QtColor(std::uint32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

std::uint32_t BgrColor(const QColor& color) {
    return static_cast<std::uint32_t>(color.red()) | (static_cast<std::uint32_t>(color.green()) << 8) |
           (static_cast<std::uint32_t>(color.blue()) << 16);
}

QStringList NameFilters(const std::string& classicFilter) {
    return QtDialogs::QtFilter(classicFilter).split(QStringLiteral(";;"), Qt::SkipEmptyParts);
}

// A dialog told to start in a folder that does not exist offers the folder's
// name as the file name; it starts in the nearest folder that exists instead.
QString ExistingFolder(const std::string& folder) {
    QString path = QDir::cleanPath(PathToQString(folder));
    while (!path.isEmpty() && !QFileInfo(path).isDir()) {
        const QString parent = QFileInfo(path).path();
        if (parent == path) return {};
        path = parent;
    }
    return path;
}

// The size, type and date columns of the dialog's detail view as wide as
// their texts, the name column taking the rest, so that none shows cut.
void ShowColumnsWhole(QFileDialog& dialog) {
    for (QTreeView* view : dialog.findChildren<QTreeView*>()) {
        QHeaderView* header = view->header();
        header->setStretchLastSection(false);
        for (int column = 1; column < header->count(); ++column)
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
        if (header->count() > 0) header->setSectionResizeMode(0, QHeaderView::Stretch);
    }
}

// An input box at least as wide as its caption, so the title bar shows it whole.
std::optional<QString> AskText(QWidget* parent, const QString& caption, const QString& prompt, const QString& initial) {
    QInputDialog dialog(parent);
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setTextValue(initial);
    // The box's layout sets its own least size, from its line's.
    QFont titleFont = dialog.font();
    titleFont.setBold(true);
    if (auto* line = dialog.findChild<QLineEdit*>())
        line->setMinimumWidth(QFontMetrics(titleFont).horizontalAdvance(caption) + TitleBarRoom);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.textValue();
}

std::optional<std::string> RunFileDialog(QWidget* parent, const FileDialogRequest& request, bool save) {
    QFileDialog dialog(parent, ToQString(request.title), ExistingFolder(request.initialDir));
    ShowColumnsWhole(dialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(!save && request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
    const QStringList filters = NameFilters(request.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
            dialog.selectNameFilter(filters[request.filterIndex - 1]);
    }
    if (!request.defaultExt.empty()) dialog.setDefaultSuffix(ToQString(request.defaultExt));
    if (!request.fileName.empty()) dialog.selectFile(PathToQString(request.fileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return PathFromQString(dialog.selectedFiles().constFirst());
}

}  // namespace

QtDialogs::QtDialogs(QWidget* fallbackParent) : fallbackParent_(fallbackParent) {}

QWidget* QtDialogs::parent() const {
    QWidget* active = QApplication::activeWindow();
    return active ? active : fallbackParent_;
}

MsgAnswer QtDialogs::MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                                MsgIcon icon, int defaultButton) {
    const std::vector<QMessageBox::StandardButton> shown = QtButtons(buttons);
    QMessageBox::StandardButtons all;
    for (const QMessageBox::StandardButton button : shown) all |= button;
    QMessageBox box(QtIcon(icon), DialogText(caption), DialogText(text), all, parent());
    // File names may hold '<' or '&': the text is shown as it is, never as markup.
    box.setTextFormat(Qt::PlainText);
    WidenForCaption(box, DialogText(caption));
    const bool known = defaultButton >= 0 && static_cast<std::size_t>(defaultButton) < shown.size();
    box.setDefaultButton(shown[known ? static_cast<std::size_t>(defaultButton) : 0]);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return MsgAnswer::OK;
    case QMessageBox::Yes:
        return MsgAnswer::Yes;
    case QMessageBox::No:
        return MsgAnswer::No;
    case QMessageBox::Cancel:
        return MsgAnswer::Cancel;
    case QMessageBox::Abort:
        return MsgAnswer::Abort;
    case QMessageBox::Retry:
        return MsgAnswer::Retry;
    case QMessageBox::Ignore:
        return MsgAnswer::Ignore;
    default:
        return CancelledAnswer(buttons);  // closed with Escape or its title bar
    }
}

std::optional<std::string> QtDialogs::InputQuery(const std::string& caption, const std::string& prompt,
                                                 const std::string& initial) {
    const std::optional<QString> text = AskText(parent(), DialogText(caption), DialogText(prompt), ToQString(initial));
    if (!text) return std::nullopt;
    return FromQString(*text);
}

std::optional<std::u16string> QtDialogs::InputQueryWide(const std::string& caption, const std::string& prompt) {
    const std::optional<QString> text = AskText(parent(), DialogText(caption), DialogText(prompt), QString());
    if (!text) return std::nullopt;
    return text->toStdU16String();
}

std::optional<std::string> QtDialogs::OpenFileName(const FileDialogRequest& request) {
    return RunFileDialog(parent(), request, false);
}

std::optional<std::string> QtDialogs::SaveFileName(const FileDialogRequest& request) {
    return RunFileDialog(parent(), request, true);
}

std::optional<std::uint32_t> QtDialogs::ChooseColor(std::uint32_t initial) {
    const QColor color = QColorDialog::getColor(QtColor(initial), parent());
    if (!color.isValid()) return std::nullopt;
    return BgrColor(color);
}

std::optional<FontSpec> QtDialogs::ChooseFont(const FontSpec& initial) {
    QFont font(ToQString(initial.name), initial.size);
    font.setBold(initial.bold);
    font.setItalic(initial.italic);
    font.setUnderline(initial.underline);
    font.setStrikeOut(initial.strikeOut);
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, font, parent());
    if (!ok) return std::nullopt;
    FontSpec result = initial;
    result.name = FromQString(chosen.family());
    result.size = chosen.pointSize() > 0 ? chosen.pointSize() : initial.size;
    result.bold = chosen.bold();
    result.italic = chosen.italic();
    result.underline = chosen.underline();
    result.strikeOut = chosen.strikeOut();
    return result;
}

QString QtDialogs::QtFilter(const std::string& classicFilter) {
    const QStringList parts = ToQString(classicFilter).split(u'|');
    QStringList filters;
    // A description's own "(*.a, *.b)" gives way to the list Qt reads.
    static const QRegularExpression ownPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(u';', Qt::SkipEmptyParts)) {
            const QString trimmed = pattern.trimmed();
            if (!trimmed.isEmpty()) patterns << (trimmed == u"*.*" ? QStringLiteral("*") : trimmed);
        }
        if (patterns.isEmpty()) continue;
        QString description = parts[i].trimmed();
        description.remove(ownPatterns);
        if (description.isEmpty()) description = patterns.join(u' ');
        filters << description + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return filters.join(QStringLiteral(";;"));
}

}  // namespace platform
