// The file dialog of the program: the desktop's own where it offers one, else
// the toolkit's, which opens no bigger than the screen it is on. At a large
// scale the toolkit's would otherwise reach past the screen's bottom edge,
// with its buttons out of the mouse's reach.
#pragma once

#include <QString>

class QWidget;

enum class FileChoice {
    Open,  // an existing file
    Save,  // a file to write, asking before one is replaced
};

// Runs the dialog modally over `parent` (may be null), captioned `caption`,
// starting at `path` (the current folder when empty) and offering `filter` ("説明 (*.ext);;...").
// The file chosen, or an empty text when the user cancelled.
QString ChooseFile(QWidget* parent, FileChoice choice, const QString& caption, const QString& path,
                   const QString& filter);
