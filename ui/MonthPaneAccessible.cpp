#include "MonthPaneAccessible.h"

#include <QPointer>
#include <QWindow>

#include "MonthPane.h"

namespace {

// One day of the pane, read from the pane whenever asked, so it is never out
// of date; once the pane shows a shorter month, its 31st is no longer valid.
class DayAccessible : public QAccessibleInterface {
  public:
    DayAccessible(MonthPane* pane, int day) : pane_(pane), day_(day) {}

    bool isValid() const override {
        return pane_ != nullptr && day_ <= static_cast<int>(pane_->Sheet().days.size());
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override {
        return pane_ != nullptr ? pane_->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(pane_);
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }

    QString text(QAccessible::Text t) const override {
        if (!isValid()) {
            return {};
        }
        switch (t) {
            case QAccessible::Name:
                return pane_->DayName(day_);
            case QAccessible::Description:
                return pane_->DayDescription(day_);
            default:
                return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid()) {
            return {};
        }
        const QRect drawn = pane_->DayRect(day_);
        return {pane_->mapToGlobal(drawn.topLeft()), drawn.size()};
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        const bool marked = pane_->MarkedDay() == day_;
        state.focusable = true;
        state.selectable = true;
        state.selected = marked;
        state.focused = marked && pane_->hasFocus();
        state.invisible = !pane_->isVisible();
        return state;
    }

  private:
    QPointer<MonthPane> pane_;
    int day_;
};

QAccessibleInterface* MonthPaneFactory(const QString& className, QObject* object) {
    auto* pane = qobject_cast<MonthPane*>(object);
    if (className != QLatin1String("MonthPane") || pane == nullptr) {
        return nullptr;
    }
    return new MonthPaneAccessible(pane);
}

}  // namespace

MonthPaneAccessible::MonthPaneAccessible(MonthPane* pane)
    : QAccessibleWidget(pane, QAccessible::List) {}

MonthPaneAccessible::~MonthPaneAccessible() {
    for (const QAccessible::Id id : days_) {
        if (id != 0) {
            QAccessible::deleteAccessibleInterface(id);
        }
    }
}

void MonthPaneAccessible::Install() {
    static const bool installed = [] {
        QAccessible::installFactory(MonthPaneFactory);
        return true;
    }();
    static_cast<void>(installed);
}

void MonthPaneAccessible::TellMarked(MonthPane* pane) {
    if (!QAccessible::isActive() || !pane->hasFocus()) {
        return;
    }
    auto* account = dynamic_cast<MonthPaneAccessible*>(QAccessible::queryAccessibleInterface(pane));
    if (account != nullptr) {
        QAccessibleEvent event(account->Day(pane->MarkedDay()), QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
    }
}

MonthPane* MonthPaneAccessible::Pane() const {
    return static_cast<MonthPane*>(widget());
}

int MonthPaneAccessible::WidgetChildren() const {
    return QAccessibleWidget::childCount();
}

int MonthPaneAccessible::childCount() const {
    return WidgetChildren() + static_cast<int>(Pane()->Sheet().days.size());
}

QAccessibleInterface* MonthPaneAccessible::child(int index) const {
    const int widgets = WidgetChildren();
    if (index < widgets) {
        return QAccessibleWidget::child(index);
    }
    const int day = index - widgets + 1;
    return day <= static_cast<int>(Pane()->Sheet().days.size()) ? Day(day) : nullptr;
}

int MonthPaneAccessible::indexOfChild(const QAccessibleInterface* child) const {
    const int days = static_cast<int>(Pane()->Sheet().days.size());
    for (int day = 1; day <= days; ++day) {
        const QAccessible::Id id = days_[static_cast<std::size_t>(day - 1)];
        if (id != 0 && QAccessible::accessibleInterface(id) == child) {
            return WidgetChildren() + day - 1;
        }
    }
    return QAccessibleWidget::indexOfChild(child);
}

QAccessibleInterface* MonthPaneAccessible::childAt(int x, int y) const {
    const int day = Pane()->DayAt(Pane()->mapFromGlobal(QPoint(x, y)));
    return day > 0 ? Day(day) : QAccessibleWidget::childAt(x, y);
}

QAccessibleInterface* MonthPaneAccessible::focusChild() const {
    return Pane()->hasFocus() ? Day(Pane()->MarkedDay()) : QAccessibleWidget::focusChild();
}

QAccessibleInterface* MonthPaneAccessible::Day(int day) const {
    QAccessible::Id& id = days_[static_cast<std::size_t>(day - 1)];
    if (id == 0) {
        id = QAccessible::registerAccessibleInterface(new DayAccessible(Pane(), day));
    }
    return QAccessible::accessibleInterface(id);
}
