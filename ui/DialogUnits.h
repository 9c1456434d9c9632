// Conversion of dialog units to pixels from a dialog font, as the desktop
// does: the average width of the 52 letters a-z A-Z and the font's height.
#pragma once

#include <QFont>
#include <QRect>
#include <string>

struct DialogUnitBase {
    int avgCharWidth;  // pixels; rounded average over the 52 letters
    int charHeight;    // pixels; the font's line height

    int X(int du) const { return du * avgCharWidth / 4; }
    int Y(int du) const { return du * charHeight / 8; }
    QRect Rect(int x, int y, int width, int height) const {
        return QRect(X(x), Y(y), X(width), Y(height));
    }
};

DialogUnitBase MeasureDialogUnits(const QFont& font);

// The font for a dialog whose template names `family` at `pointSize`: the
// desktop's own user-interface font and size, so that large-font and HiDPI
// desktops get readable dialogs. A template asking for more than the usual
// 8 points gets the desktop size enlarged in proportion. Captions the desktop
// font cannot show come from `family` or a Japanese font of this system.
QFont DialogFont(const std::string& family, int pointSize);
