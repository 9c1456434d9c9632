#include "DropDownAccessible.h"

#include <QAbstractItemView>
#include <QComboBox>

namespace {

// The toolkit asks for the account while the list is still being filled,
// before it has a name, and keeps the answer; so every drop-down gets it.
QAccessibleInterface* DropDownFactory(const QString& className, QObject* object) {
    auto* combo = qobject_cast<QComboBox*>(object);
    if (className != QLatin1String("QComboBox") || combo == nullptr) {
        return nullptr;
    }
    return new DropDownAccessible(combo);
}

}  // namespace

DropDownAccessible::DropDownAccessible(QComboBox* combo)
    : QAccessibleWidget(combo, QAccessible::ComboBox) {
    addControllingSignal(QStringLiteral("activated(int)"));
}

void DropDownAccessible::Install() {
    QAccessible::installFactory(DropDownFactory);
}

QComboBox* DropDownAccessible::Combo() const {
    return static_cast<QComboBox*>(widget());
}

QString DropDownAccessible::text(QAccessible::Text t) const {
    // One without a name of its own is still known by its item, as before.
    if (t == QAccessible::Value ||
        (t == QAccessible::Name && Combo()->accessibleName().isEmpty())) {
        return Combo()->currentText();
    }
    return QAccessibleWidget::text(t);
}

QAccessible::State DropDownAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.expandable = true;
    state.expanded = Combo()->view()->isVisible();
    state.collapsed = !state.expanded;
    return state;
}

// The list the drop-down opens is its one child, as the toolkit has it.
int DropDownAccessible::childCount() const {
    return 1;
}

QAccessibleInterface* DropDownAccessible::child(int index) const {
    return index == 0 ? QAccessible::queryAccessibleInterface(Combo()->view()) : nullptr;
}

int DropDownAccessible::indexOfChild(const QAccessibleInterface* child) const {
    return child != nullptr && child->object() == Combo()->view() ? 0 : -1;
}

QStringList DropDownAccessible::actionNames() const {
    return {QAccessibleActionInterface::showMenuAction(),
            QAccessibleActionInterface::pressAction()};
}

void DropDownAccessible::doAction(const QString& actionName) {
    if (actionName == QAccessibleActionInterface::showMenuAction() ||
        actionName == QAccessibleActionInterface::pressAction()) {
        if (Combo()->view()->isVisible()) {
            Combo()->hidePopup();
        } else {
            Combo()->showPopup();
        }
    }
}
