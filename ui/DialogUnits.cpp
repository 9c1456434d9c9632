#include "DialogUnits.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QStringList>

DialogUnitBase MeasureDialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"));
    // Rounded as the desktop rounds: (width / 26 + 1) / 2.
    return {(letters / 26 + 1) / 2, metrics.height()};
}

QFont DialogFont(const std::string& family, int pointSize) {
    constexpr int kUsualPointSize = 8;
    QFont font = QGuiApplication::font();
    const double scale = pointSize > kUsualPointSize ? double(pointSize) / kUsualPointSize : 1.0;
    if (font.pointSizeF() > 0) {
        font.setPointSizeF(font.pointSizeF() * scale);
    } else {
        font.setPixelSize(qRound(font.pixelSize() * scale));
    }
    // Listed after the desktop's family, these supply the Japanese glyphs it
    // lacks, in their Japanese forms rather than whatever fallback comes first.
    QStringList families = font.families();
    if (families.isEmpty()) {
        families.append(font.family());
    }
    families << QString::fromStdString(family) << QStringLiteral("Noto Sans CJK JP")
             << QStringLiteral("Noto Sans JP") << QStringLiteral("IPAGothic")
             << QStringLiteral("VL Gothic");
    font.setFamilies(families);
    return font;
}
