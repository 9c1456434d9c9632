// What a screen reader learns of the month pane: a list of the month's days
// after its buttons, each day named "12月8日 火曜日 3 件" (with its holiday
// when it is one) and described by its subjects, the marked day the focused
// and selected one. The days have no widgets of their own, so their accounts
// are kept here and go with the pane's.
#pragma once

#include <QAccessibleWidget>
#include <array>

class MonthPane;

class MonthPaneAccessible : public QAccessibleWidget {
  public:
    explicit MonthPaneAccessible(MonthPane* pane);
    ~MonthPaneAccessible() override;
    MonthPaneAccessible(const MonthPaneAccessible&) = delete;
    MonthPaneAccessible& operator=(const MonthPaneAccessible&) = delete;

    // Installs the factory that gives every MonthPane this account; more
    // calls do nothing.
    static void Install();
    // Tells a screen reader, when one listens, that the marked day of `pane`
    // now has the focus.
    static void TellMarked(MonthPane* pane);

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

  private:
    MonthPane* Pane() const;
    int WidgetChildren() const;
    // The account of `day` (1..31), made once and kept.
    QAccessibleInterface* Day(int day) const;

    mutable std::array<QAccessible::Id, 31> days_{};
};
