// What a screen reader learns of a template dialog's drop-down list: its own
// name (月, 毎年の日), its value and its list. The toolkit's own account of a
// drop-down names it by its current item on this desktop ("12", "07"), which
// says nothing of what the number is.
#pragma once

#include <QAccessibleWidget>

class QComboBox;

class DropDownAccessible : public QAccessibleWidget {
  public:
    explicit DropDownAccessible(QComboBox* combo);

    // Installs the factory that gives every drop-down (QComboBox) this
    // account; more calls do nothing. One without an accessible name is named
    // by its current item, as the toolkit does.
    static void Install();

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

  private:
    QComboBox* Combo() const;
};
