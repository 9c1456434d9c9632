// The main window's find: a find bar opened below the list, and the rows
// narrowed to the subjects whose title or content holds its text. Rows are
// only hidden, never removed, so edit and delete still read the rows they act
// on byte for byte. A part of the list pane, which tells it when rows changed.
#pragma once

#include <QObject>

#include <functional>

class FindBar;
class SubjListView;

class FindFilter : public QObject {
    Q_OBJECT

  public:
    // Works on the rows of `list`, which must outlive it; the bar is made in
    // the list's parent. The rows are individual subjects while `indivRows`
    // says so, else repeating ones.
    FindFilter(SubjListView& list, std::function<bool()> indivRows);

    // Opens the bar right below the list, which gives up the room for it, or
    // gives it the focus again.
    void Open();
    // Closes the bar, shows every row again and gives the list its room back; the list
    // gets the focus when the bar had it.
    void Close();
    bool IsOpen() const;
    // The bar; nullptr until first opened.
    FindBar* Bar() const { return bar_; }

    // Hides the rows whose subject does not hold the bar's text; shows every
    // row while the bar is closed or empty. A hidden selected row is deselected.
    void Apply();

  private:
    // Enter (Shift+Enter) in the bar: the row shown after (before) the
    // selected one is selected, round from the end; the bar keeps the focus.
    void Step(bool forward);

    SubjListView& list_;
    std::function<bool()> indivRows_;
    FindBar* bar_ = nullptr;
    int shift_ = 0;
    bool rowsHidden_ = false;
};
