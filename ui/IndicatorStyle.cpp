#include "IndicatorStyle.h"

#include <QApplication>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>
#include <algorithm>

namespace {

// A palette whose text is lighter than the field it stands on.
bool IsDark(const QPalette& palette) {
    return palette.color(QPalette::Base).lightness() < palette.color(QPalette::Text).lightness();
}

}  // namespace

IndicatorStyle* IndicatorStyle::Shared() {
    static IndicatorStyle* style = [] {
        auto* made = new IndicatorStyle(QStyleFactory::create(QApplication::style()->name()));
        made->setParent(qApp);
        return made;
    }();
    return style;
}

// The style's own sign of a focused button is a faint outline in the highlight colour; a second
// line inside it, in the same colour, is plain to see on every palette.
void IndicatorStyle::drawControl(ControlElement element, const QStyleOption* option,
                                 QPainter* painter, const QWidget* widget) const {
    QProxyStyle::drawControl(element, option, painter, widget);
    if (element != CE_PushButton || !(option->state & State_HasFocus)) {
        return;
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(option->palette.color(QPalette::Highlight), 2.0));
    painter->setBrush(Qt::NoBrush);
    painter->drawRoundedRect(QRectF(option->rect).adjusted(3, 3, -3, -3), 2.0, 2.0);
    painter->restore();
}

void IndicatorStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                   QPainter* painter, const QWidget* widget) const {
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    const bool indicator = element == PE_IndicatorRadioButton || element == PE_IndicatorCheckBox;
    if (!indicator || !IsDark(option->palette)) {
        return;
    }
    // An outline in the text's colour, fainter when disabled, as a light
    // palette's dark outline stands out from its light window.
    QColor outline = option->palette.color(QPalette::WindowText);
    outline.setAlphaF(option->state & State_Enabled ? 0.75F : 0.4F);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(outline, 1.0));
    painter->setBrush(Qt::NoBrush);
    const QRectF frame = QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5);
    if (element == PE_IndicatorRadioButton) {
        const qreal side = std::min(frame.width(), frame.height());
        QRectF circle(0, 0, side, side);
        circle.moveCenter(frame.center());
        painter->drawEllipse(circle);
    } else {
        painter->drawRoundedRect(frame, 1.0, 1.0);
    }
    painter->restore();
}
