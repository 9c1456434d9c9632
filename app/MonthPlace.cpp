#include "MonthPlace.h"

#include <QEvent>
#include <QWidget>
#include <algorithm>

namespace {

constexpr int kGap = 6;
// The overdue line stands 2 pixels above the list, the find bar 4 below it;
// the radio buttons and push buttons of the window stand further off.
constexpr int kStandsWith = 8;
// Above the list, the pane takes this much of the room.
constexpr int kAboveTenths = 6;

}  // namespace

MonthPlace::MonthPlace(QWidget& pane, QWidget& list)
    : QObject(&pane),
      pane_(pane),
      list_(list),
      window_(*list.parentWidget()),
      listRoom_(list.width()) {
    pane_.hide();
    list_.installEventFilter(this);
    window_.installEventFilter(this);
}

// A window not on the screen yet still has its own layout to do when it is
// shown; the room is shared out after that.
void MonthPlace::Show(bool shown) {
    shown_ = shown;
    if (window_.isVisible()) {
        Lay();
    }
}

// The window's layout adds what the window gains or loses to the list: done to
// a list sharing its room, a loss larger than the list would be cut off at
// nothing and the room lost with it. So the room goes back to the list as the
// window's resize comes in, and is shared out again once the layout resized
// the list, which it does last. The list is also resized by the lines
// standing with it as they open and close; those leave the window's size,
// and the pane's place, as they were.
bool MonthPlace::eventFilter(QObject* watched, QEvent* event) {
    if (!window_.isVisible() || givingBack_) {
        return false;
    }
    const bool resized = event->type() == QEvent::Resize && window_.size() != laidOutFor_;
    if (watched == &window_ && resized && !taken_.isNull()) {
        Lay(true);
    } else if (watched == &window_ && event->type() == QEvent::Show) {
        Lay();
    } else if (watched == &list_ && resized) {
        Lay();
    }
    return false;
}

std::vector<QWidget*> MonthPlace::Stack() const {
    std::vector<QWidget*> stack{&list_};
    const QRect list = list_.geometry();
    for (QWidget* child :
         list_.parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child == &list_ || child == &pane_ || child->isHidden() || child->isWindow() ||
            child->x() != list.x()) {
            continue;
        }
        const QRect place = child->geometry();
        const bool justAbove =
            place.bottom() < list.top() && list.top() - place.bottom() <= kStandsWith;
        const bool justBelow =
            place.top() > list.bottom() && place.top() - list.bottom() <= kStandsWith;
        if (justAbove || justBelow) {
            stack.push_back(child);
        }
    }
    return stack;
}

// The room is what the list and its lines stand in, with what the pane took
// of it last time. The bottom of the room is the list's (or the find bar's)
// in every placement, so only what stands above the list moves down.
void MonthPlace::Lay(bool giveBack) {
    const std::vector<QWidget*> stack = Stack();
    QRect block;
    for (const QWidget* widget : stack) {
        block |= widget->geometry();
    }
    const QRect room = block.marginsAdded(taken_);
    const QSize wanted = pane_.sizeHint();
    QMargins taken;
    if (!giveBack) {
        laidOutFor_ = window_.size();
        beside_ = room.width() >= wanted.width() + kGap + listRoom_;
        if (shown_ && beside_) {
            // A wide window gives the titles room too, half of it.
            const int width = std::max(wanted.width(), (room.width() - kGap) / 2);
            pane_.setGeometry(room.right() + 1 - width, room.top(), width, room.height());
            taken.setRight(width + kGap);
        } else if (shown_) {
            // As much as the pane needs to show every day's number whole, where
            // the list keeps a third of the room.
            const int listAlone = std::max(list_.height() + taken_.top() - kGap, 0);
            const int height =
                std::min({std::max(listAlone * kAboveTenths / 10, pane_.minimumSizeHint().height()),
                          listAlone * 2 / 3, wanted.height()});
            pane_.setGeometry(room.left(), room.top(), room.width(), height);
            taken.setTop(height + kGap);
        }
        pane_.setVisible(shown_);
    }
    const QRect left = room.marginsRemoved(taken);
    const int down = left.top() - block.top();
    const int listTop = list_.y();
    givingBack_ = giveBack;
    for (QWidget* widget : stack) {
        QRect place = widget->geometry();
        place.setWidth(left.width());
        if (widget == &list_) {
            place.setTop(place.top() + down);
        } else if (place.top() < listTop) {
            place.translate(0, down);
        }
        widget->setGeometry(place);
    }
    givingBack_ = false;
    taken_ = taken;
}
