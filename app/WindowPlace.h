// Where the main window stood, how big it was and how wide the columns of each
// list were when it last closed, kept in "veskat.ini" in the section "Window"
// of its own: the connection settings' section is never rewritten for it.
// The window's part of it: put there as it opens, kept as it ends.
#pragma once

#include <QPoint>
#include <QSize>
#include <optional>
#include <string>
#include <vector>

#include "FileAccess.h"

class QWidget;
class TemplateDialog;

// The section of "veskat.ini" that keeps how the window looked; other parts of
// the window keep their own keys in it too.
inline constexpr char kWindowSection[] = "Window";

struct WindowPlace {
    std::optional<QPoint> position;  // the frame's top-left corner
    QSize size;                      // inside the frame; empty when none is kept
    std::vector<int> indivColumns;   // widths in pixels, left to right
    std::vector<int> repColumns;
};

// What the file keeps; a key missing or not a number keeps nothing of its part.
WindowPlace ReadWindowPlace(const std::string& iniFile);

// Failed when the file could not be written; its other sections stay byte for byte.
FileWrite WriteWindowPlace(const WindowPlace& place, const std::string& iniFile);

// Puts `window` where the file says it stood, its size cut to the screen it
// opens on; what the file keeps, column widths included.
WindowPlace RestoreWindowPlace(TemplateDialog& window, const std::string& iniFile);

// Writes where `window` stands and how big it is (the normal size of a window
// maximised), with `place`'s column widths, as WriteWindowPlace.
FileWrite KeepWindowPlace(const QWidget& window, WindowPlace place, const std::string& iniFile);
