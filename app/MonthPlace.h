// Where the month pane stands in the main window: in the room of the list,
// beside it when the window is wide enough for both, above it otherwise, and
// moved across as the window is resized over that width. What stands with the
// list (the overdue line above it, the find bar below it) keeps standing with
// it. The window's own layout still gives the list all the room the window
// gains or loses: the room goes back to the list before the window lays itself
// out, and is shared out again once it has.
#pragma once

#include <QMargins>
#include <QObject>
#include <QSize>
#include <vector>

class QWidget;

class MonthPlace : public QObject {
  public:
    // `pane` and `list` are children of the same window and outlive the part;
    // the list's width now is the least it keeps beside the pane.
    MonthPlace(QWidget& pane, QWidget& list);

    // Shows or hides the pane, giving its room back to the list.
    void Show(bool shown);
    bool Shown() const { return shown_; }
    // Whether the pane stands beside the list rather than above it.
    bool Beside() const { return beside_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Shares the room of the list and the pane out for the window's size now;
    // with `giveBack`, only gives the list all of the room.
    void Lay(bool giveBack = false);
    // The list and the visible lines standing with it.
    std::vector<QWidget*> Stack() const;

    QWidget& pane_;
    QWidget& list_;
    QWidget& window_;
    int listRoom_;
    bool shown_ = false;
    bool beside_ = false;
    bool givingBack_ = false;
    // What the pane takes from the room on the list's right or above it.
    QMargins taken_;
    QSize laidOutFor_;  // the window's size at the last share-out
};
