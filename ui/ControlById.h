// Finding a dialog's controls by their numeric template id. Every control the
// dialog builder creates carries its id in the property kControlIdProperty.
#pragma once

#include <QWidget>

inline constexpr char kControlIdProperty[] = "controlId";

// The first descendant of `dialog` (in creation order, i.e. template order)
// whose control id is `id`, or nullptr.
QWidget* FindControl(const QWidget* dialog, int id);

// The control with `id` as a W (QPushButton, QLineEdit, QPlainTextEdit,
// QComboBox, QCheckBox, QRadioButton, QLabel, QGroupBox, SubjListView), or
// nullptr when there is none or it is of another type.
template <class W>
W* ControlById(const QWidget* dialog, int id) {
    return qobject_cast<W*>(FindControl(dialog, id));
}

// The control id of `widget`, or kIdStatic (-1) when it carries none.
int ControlIdOf(const QWidget* widget);
