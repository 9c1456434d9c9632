#include "ScreenFit.h"

#include <QApplication>
#include <QDialog>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

#include "ControlById.h"

namespace {

// The builder's controls, in template order.
QList<QWidget*> ControlsOf(QDialog& dialog) {
    QList<QWidget*> controls;
    for (QObject* child : dialog.children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget != nullptr && widget->property(kControlIdProperty).isValid()) {
            controls.push_back(widget);
        }
    }
    return controls;
}

QRect BoundsOf(const QList<QWidget*>& controls) {
    QRect bounds;
    for (const QWidget* control : controls) {
        bounds |= control->geometry();
    }
    return bounds;
}

// Cuts the empty border around the controls down to `margin` along the axes
// that are too long for `room`. Answers the size the controls then take.
QSize ShrinkMargins(const QList<QWidget*>& controls, QSize content, int top, const QSize& room,
                    int margin) {
    const QRect bounds = BoundsOf(controls).translated(0, -top);
    int dx = 0;
    int dy = 0;
    if (content.width() > room.width()) {
        dx = std::min(0, margin - bounds.left());
        content.setWidth(std::min(content.width(), bounds.width() + 2 * margin));
    }
    if (content.height() > room.height()) {
        dy = std::min(0, margin - bounds.top());
        content.setHeight(std::min(content.height(), bounds.height() + 2 * margin));
    }
    for (QWidget* control : controls) {
        control->move(control->pos() + QPoint(dx, dy));
    }
    return content;
}

// Moves the controls onto a page in a scroll area of at most `room`, keeping
// their tab order, visibility and places, and scrolls a control into view
// when it takes the focus.
void ScrollControls(QDialog& dialog, const QList<QWidget*>& controls, const QSize& content, int top,
                    const QSize& room) {
    // Moving a control to another parent takes the focus from it; the dialog
    // opens where it would have opened, not on the scroll area.
    QWidget* focused = dialog.focusWidget();
    auto* area = new QScrollArea(&dialog);
    area->setObjectName(QStringLiteral("screenFitArea"));
    area->setFocusPolicy(Qt::NoFocus);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(false);
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("screenFitPage"));
    page->setFixedSize(content);
    QWidget* previous = nullptr;
    for (QWidget* control : controls) {
        const bool hidden = control->isHidden();
        const QPoint place = control->pos() - QPoint(0, top);
        control->setParent(page);
        control->move(place);
        control->setVisible(!hidden);
        if (control->focusPolicy() != Qt::NoFocus) {
            if (previous != nullptr) {
                QWidget::setTabOrder(previous, control);
            }
            previous = control;
        }
    }
    area->setWidget(page);
    if (focused != nullptr) {
        focused->setFocus();
    }

    const int bar = dialog.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, area);
    QSize view = content.boundedTo(room);
    if (view.height() < content.height()) {
        view.setWidth(std::min(room.width(), view.width() + bar));
    }
    if (view.width() < content.width()) {
        view.setHeight(std::min(room.height(), view.height() + bar));
    }
    area->setGeometry(QRect(QPoint(0, top), view));
    dialog.setFixedSize(view.width(), top + view.height());
    QObject::connect(qApp, &QApplication::focusChanged, area, [area, page](QWidget*, QWidget* now) {
        if (now != nullptr && page->isAncestorOf(now)) {
            area->ensureWidgetVisible(now);
        }
    });
}

}  // namespace

void FitToScreen(QDialog& dialog, const QRect& available, const QMargins& frame) {
    const QSize room = available.size().shrunkBy(frame);
    if (dialog.width() <= room.width() && dialog.height() <= room.height()) {
        return;
    }
    const QList<QWidget*> controls = ControlsOf(dialog);
    if (controls.isEmpty()) {
        return;
    }
    auto* menu = dialog.findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly);
    const int top = menu != nullptr ? menu->geometry().bottom() + 1 : 0;
    const QSize roomBelowMenu(room.width(), room.height() - top);
    const int margin = dialog.style()->pixelMetric(QStyle::PM_LayoutLeftMargin) / 2;
    const QSize content = ShrinkMargins(controls, QSize(dialog.width(), dialog.height() - top), top,
                                        roomBelowMenu, margin);
    if (content.width() <= roomBelowMenu.width() && content.height() <= roomBelowMenu.height()) {
        dialog.setFixedSize(content.width(), top + content.height());
    } else {
        ScrollControls(dialog, controls, content, top, roomBelowMenu);
    }
    if (menu != nullptr) {
        menu->resize(dialog.width(), menu->height());
    }
}

QRect ClampToScreen(QRect frame, const QRect& available) {
    frame.moveRight(std::min(frame.right(), available.right()));
    frame.moveBottom(std::min(frame.bottom(), available.bottom()));
    frame.moveLeft(std::max(frame.left(), available.left()));
    frame.moveTop(std::max(frame.top(), available.top()));
    return frame;
}
