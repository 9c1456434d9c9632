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

// The font a template names (e.g. "MS UI Gothic", 9 points), falling back to a
// Japanese font present on this system when that family is missing.
QFont DialogFont(const std::string& family, int pointSize);
