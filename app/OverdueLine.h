// Open subjects whose day has passed, kept in sight in the main window's list:
// where the list opens, the line "期限切れ N 件" above it, and going to the
// earliest of them. A part of the list pane, which tells it when it filled.
// The same line says what a command did ("一括: 削除 12 件、追加 30 件")
// until the next command, in place of the count.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QLabel;
class SubjListView;

class OverdueLine : public QObject {
    Q_OBJECT

  public:
    // Works on the rows of `list`, which must outlive it; the rows are dated
    // (individual) subjects while `datedRows` says so. The line is made, in
    // the list's parent, the first time there is something to tell.
    OverdueLine(SubjListView& list, std::function<bool()> datedRows);

    // After a fill: scrolls the list so that the first subject dated today or
    // later stands at the top, or the last one when there is none; with
    // undated rows, the first one. Open subjects before today: the earliest of
    // them stands at the top instead when today's first one still shows below
    // it, else the line tells of them. Selects nothing.
    void ScrollToToday();
    // A new day: the line tells of the open subjects now before today, where
    // the list stands, unless the earliest of them is in sight and the line
    // was not shown; nothing with undated rows.
    void Recount();
    // The line says `what` in place of the count until EndTelling; an empty
    // text says nothing.
    void Tell(const QString& what);
    void EndTelling();
    // Selects the earliest open subject before today, shows it and gives the
    // list the focus; nothing with undated rows or none such.
    void Jump();

  private:
    // The first row shown dated today or later; RowCount() when none is.
    int FirstRowFromToday() const;
    // The line above the list tells of `count`; none for 0.
    void Show(int count);
    // The line as the note and the count make it: the note first, none without either.
    void Put();

    SubjListView& list_;
    std::function<bool()> datedRows_;
    QLabel* line_ = nullptr;
    int count_ = 0;  // what the line tells of, when it tells of overdue subjects
    QString note_;
};
