#include "StretchLayout.h"

#include <QMenuBar>
#include <QSizeGrip>
#include <QWidget>
#include <algorithm>

namespace {

constexpr int kGap = 6;

bool Below(const QWidget& child, const QWidget& stretching) {
    return child.y() > stretching.geometry().bottom();
}

bool RightHalf(const QWidget& child, const QWidget& stretching) {
    return child.geometry().center().x() > stretching.geometry().center().x();
}

bool AsWideAs(const QWidget& child, const QWidget& stretching) {
    return child.x() == stretching.x() && child.width() == stretching.width();
}

QList<QWidget*> ChildrenOf(QWidget& dialog) {
    QList<QWidget*> children;
    for (QWidget* child : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        // The dialog keeps its size grip in the corner itself.
        if (!child->isWindow() && qobject_cast<QSizeGrip*>(child) == nullptr) {
            children.push_back(child);
        }
    }
    return children;
}

}  // namespace

StretchLayout::StretchLayout(QWidget& dialog, QWidget& stretching)
    : dialog_(dialog), stretching_(&stretching), laidOutFor_(dialog.size()) {}

QSize StretchLayout::MinimumSize(int least) const {
    if (stretching_ == nullptr) {
        return {};
    }
    int left = 0;
    int right = 0;
    for (QWidget* child : ChildrenOf(dialog_)) {
        if (!Below(*child, *stretching_) || AsWideAs(*child, *stretching_)) {
            continue;
        }
        if (RightHalf(*child, *stretching_)) {
            right = std::max(right, laidOutFor_.width() - child->x());
        } else {
            left = std::max(left, child->geometry().right() + 1);
        }
    }
    const int below = laidOutFor_.height() - stretching_->geometry().bottom() - 1;
    return {left + kGap + right, stretching_->y() + least + below};
}

void StretchLayout::Follow() {
    const QSize delta = dialog_.size() - laidOutFor_;
    laidOutFor_ = dialog_.size();
    if (stretching_ == nullptr || delta.isNull()) {
        return;
    }
    for (QWidget* child : ChildrenOf(dialog_)) {
        if (qobject_cast<QMenuBar*>(child) != nullptr) {
            child->resize(dialog_.width(), child->height());
        } else if (child != stretching_ && Below(*child, *stretching_)) {
            const bool wide = AsWideAs(*child, *stretching_);
            const int dx = !wide && RightHalf(*child, *stretching_) ? delta.width() : 0;
            child->move(child->pos() + QPoint(dx, delta.height()));
            if (wide) {
                child->resize(child->width() + delta.width(), child->height());
            }
        }
    }
    stretching_->resize(stretching_->size() + delta);
}
