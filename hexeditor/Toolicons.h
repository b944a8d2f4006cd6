// The images of the tool buttons: the desktop theme's icon where the desktop
// has one of that meaning, else the program's own drawing (SVG in a
// resource, rendered here so no image plugin is needed).
#pragma once

#include <QIcon>

enum class TToolIcon {
    New,
    Open,
    Save,
    SaveAs,
    Reopen,
    DeleteBytes,
    InsertBytes,
    FileSize,
    ScriptEditor,
    Output,
    Watch,
    FindFiles,
    Print,
    Colors,
    Highlight,
    SingleStep,
    Step,
    Run,
    Stop,
    Dump,
    Clear,
    First,
    Last,
};

// Every kind, for checks that each has its image.
const std::initializer_list<TToolIcon>& AllToolIcons();

// The theme's icon, falling back to the built-in one.
QIcon ToolIcon(TToolIcon icon);
// The program's own drawing, whatever the theme.
QIcon BuiltInToolIcon(TToolIcon icon);
