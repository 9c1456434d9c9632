// The desktop's style with radio and check marks kept readable in a dark
// palette: there the style draws the empty circle and box in shades close to
// the window's own, so an unchecked one all but vanishes.
#pragma once

#include <QProxyStyle>

class IndicatorStyle : public QProxyStyle {
    Q_OBJECT

  public:
    using QProxyStyle::QProxyStyle;

    // The style every radio button and check box of the dialogs uses; it
    // draws as the application's style did when it was first asked for.
    static IndicatorStyle* Shared();

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
};
