#include "AppWindowAccessible.h"

#include <QAccessibleWidget>
#include <QDialog>

namespace {

// Asked for the builder's class before the toolkit's own QDialog account.
QAccessibleInterface* AppWindowFactory(const QString& className, QObject* object) {
    auto* dialog = qobject_cast<QDialog*>(object);
    if (className != QLatin1String("TemplateDialog") || dialog == nullptr ||
        dialog->windowType() != Qt::Window) {
        return nullptr;
    }
    return new QAccessibleWidget(dialog, QAccessible::Window);
}

}  // namespace

void AppWindowAccessible::Install() {
    QAccessible::installFactory(AppWindowFactory);
}
