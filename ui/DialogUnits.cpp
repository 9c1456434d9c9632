#include "DialogUnits.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>

DialogUnitBase MeasureDialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"));
    // Rounded as the desktop rounds: (width / 26 + 1) / 2.
    return {(letters / 26 + 1) / 2, metrics.height()};
}

QFont DialogFont(const std::string& family, int pointSize) {
    QFont font(QString::fromStdString(family), pointSize);
    // The desktop families are absent here; a Japanese family of similar
    // metrics keeps the captions readable instead of falling back to boxes.
    font.setFamilies(QStringList{QString::fromStdString(family), QStringLiteral("Noto Sans CJK JP"),
                                 QStringLiteral("Noto Sans JP"), QStringLiteral("IPAGothic"),
                                 QStringLiteral("VL Gothic")});
    font.setStyleHint(QFont::SansSerif);
    return font;
}
