// The places of a resizable template dialog's controls as its size changes:
// one control takes all the room gained or lost, what stands below it keeps
// its distance from the bottom edge, and of that what stands right of its
// middle keeps its distance from the right edge too.
#pragma once

#include <QPointer>
#include <QSize>

class QWidget;

class StretchLayout {
  public:
    // `dialog`'s direct children are laid out for its present size.
    StretchLayout(QWidget& dialog, QWidget& stretching);

    // The smallest size at which nothing overlaps, with the stretching control
    // at least `least` tall.
    QSize MinimumSize(int least) const;
    // Moves the direct children (a bar as wide as the stretching control and
    // below it grows with it) for the dialog's present size.
    void Follow();

  private:
    QWidget& dialog_;
    QPointer<QWidget> stretching_;
    QSize laidOutFor_;
};
