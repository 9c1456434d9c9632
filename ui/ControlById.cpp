#include "ControlById.h"

#include "ResourceIds.h"

QWidget* FindControl(const QWidget* dialog, int id) {
    const auto children = dialog->findChildren<QWidget*>();
    for (QWidget* child : children) {
        if (ControlIdOf(child) == id) {
            return child;
        }
    }
    return nullptr;
}

int ControlIdOf(const QWidget* widget) {
    const QVariant id = widget->property(kControlIdProperty);
    return id.isValid() ? id.toInt() : kIdStatic;
}
