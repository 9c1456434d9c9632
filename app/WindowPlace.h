// Where the main window stood, how big it was and how wide the columns of each
// list were when it last closed, kept in "veskat.ini" in the section "Window"
// of its own: the connection settings' section is never rewritten for it.
#pragma once

#include <QPoint>
#include <QSize>
#include <optional>
#include <string>
#include <vector>

struct WindowPlace {
    std::optional<QPoint> position;  // the frame's top-left corner
    QSize size;                      // inside the frame; empty when none is kept
    std::vector<int> indivColumns;   // widths in pixels, left to right
    std::vector<int> repColumns;
};

// What the file keeps; a key missing or not a number keeps nothing of its part.
WindowPlace ReadWindowPlace(const std::string& iniFile);

// False when the file could not be written; its other sections stay byte for byte.
bool WriteWindowPlace(const WindowPlace& place, const std::string& iniFile);
