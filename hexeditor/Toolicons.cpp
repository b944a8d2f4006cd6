#include "Toolicons.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace {

struct TIconSource {
    const char* Resource;  // under :/icons/
    const char* Theme;     // the freedesktop name of the same meaning; empty when there is none
};

TIconSource Source(TToolIcon icon) {
    switch (icon) {
    case TToolIcon::New: return {"new", "document-new"};
    case TToolIcon::Open: return {"open", "document-open"};
    case TToolIcon::Save: return {"save", "document-save"};
    case TToolIcon::SaveAs: return {"save-as", "document-save-as"};
    case TToolIcon::Reopen: return {"reopen", "view-refresh"};
    case TToolIcon::DeleteBytes: return {"delete-bytes", "list-remove"};
    case TToolIcon::InsertBytes: return {"insert-bytes", "list-add"};
    case TToolIcon::FileSize: return {"file-size", ""};
    case TToolIcon::ScriptEditor: return {"script-editor", ""};
    case TToolIcon::Output: return {"output", "utilities-terminal"};
    case TToolIcon::Watch: return {"watch", ""};
    case TToolIcon::FindFiles: return {"find-files", "system-search"};
    case TToolIcon::Print: return {"print", "document-print"};
    case TToolIcon::Colors: return {"colors", ""};
    case TToolIcon::Highlight: return {"highlight", ""};
    case TToolIcon::SingleStep: return {"single-step", ""};
    case TToolIcon::Step: return {"step", ""};
    case TToolIcon::Run: return {"run", "media-playback-start"};
    case TToolIcon::Stop: return {"stop", "media-playback-stop"};
    case TToolIcon::Dump: return {"dump", ""};
    case TToolIcon::Clear: return {"clear", "edit-clear"};
    case TToolIcon::First: return {"first", "go-first"};
    case TToolIcon::Last: return {"last", "go-last"};
    }
    return {"", ""};
}

// Rendered at the sizes tool bars, menus and buttons ask for, so that no
// size is scaled from another.
QIcon RenderSvg(const QString& path) {
    QSvgRenderer renderer(path);
    QIcon icon;
    if (!renderer.isValid()) return icon;
    for (const int size : {16, 22, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace

const std::initializer_list<TToolIcon>& AllToolIcons() {
    static const std::initializer_list<TToolIcon> all = {
        TToolIcon::New,         TToolIcon::Open,       TToolIcon::Save,         TToolIcon::SaveAs,
        TToolIcon::Reopen,      TToolIcon::DeleteBytes, TToolIcon::InsertBytes, TToolIcon::FileSize,
        TToolIcon::ScriptEditor, TToolIcon::Output,    TToolIcon::Watch,        TToolIcon::FindFiles,
        TToolIcon::Print,       TToolIcon::Colors,     TToolIcon::Highlight,    TToolIcon::SingleStep,
        TToolIcon::Step,        TToolIcon::Run,        TToolIcon::Stop,         TToolIcon::Dump,
        TToolIcon::Clear,       TToolIcon::First,      TToolIcon::Last};
    return all;
}

QIcon BuiltInToolIcon(TToolIcon icon) {
    return RenderSvg(QStringLiteral(":/icons/%1.svg").arg(QString::fromLatin1(Source(icon).Resource)));
}

QIcon ToolIcon(TToolIcon icon) {
    const QString theme = QString::fromLatin1(Source(icon).Theme);
    return theme.isEmpty() ? BuiltInToolIcon(icon) : QIcon::fromTheme(theme, BuiltInToolIcon(icon));
}
