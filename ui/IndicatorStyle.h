// The desktop's style with radio and check marks kept readable in a dark
// palette, where the style draws the empty circle and box in shades close to
// the window's own; and with a focus ring on push buttons that can be seen.
#pragma once

#include <QProxyStyle>

class IndicatorStyle : public QProxyStyle {
    Q_OBJECT

  public:
    using QProxyStyle::QProxyStyle;

    // The style every radio button and check box of the dialogs uses; it
    // draws as the application's style did when it was first asked for.
    static IndicatorStyle* Shared();
    // The radio buttons, check boxes and push buttons of the dialogs, and the buttons of the
    // message boxes, use it.

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
};
