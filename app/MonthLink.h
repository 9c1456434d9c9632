// The main window's month pane and its link with the list: the pane shown or
// hidden by 表示 → 月表示 (Ctrl+M) and kept so in "veskat.ini", read from both
// lists and read again after every change to them; a click on a day brings the
// list to that day's subjects, a double-click or Enter on a day asks for a new
// subject on it, and the subject selected in the list shows its month with its
// day marked. The window hands the lists' commands to its other parts; this
// one only shows them.
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <string>

#include "CalendarDay.h"

class EditHistory;
class IndivSubjList;
class MessageService;
class MonthPane;
class MonthPlace;
class QAction;
class RepSubjList;
class SubjListPane;
class SubjListView;

class MonthLink : public QObject {
    Q_OBJECT

  public:
    // Asks for a new individual subject on a day, the list showing that mode.
    using AddOn = std::function<void(const CalendarDay& day)>;

    // The pane goes into the window of `list`, in its room (MonthPlace), and
    // reads `indiv` and `rep` again whenever `history` says they may have
    // changed. Every reference must outlive the link; `messages` tells of a
    // setting that could not be kept in `iniFile`.
    MonthLink(SubjListPane& pane, SubjListView& list, IndivSubjList& indiv, RepSubjList& rep,
              const EditHistory& history, MessageService& messages, AddOn addOn,
              std::string iniFile);
    ~MonthLink() override;
    MonthLink(const MonthLink&) = delete;
    MonthLink& operator=(const MonthLink&) = delete;

    // Once the lists are loaded: today's month, the pane shown as the file
    // keeps it, and `toggle` (checkable, Ctrl+M) showing or hiding it from now on.
    void Start(QAction* toggle);

    MonthPane& Pane() { return *month_; }
    bool Shown() const;
    // Whether the pane stands beside the list rather than above it.
    bool Beside() const;

  private:
    // 月表示 chosen: the pane shown or hidden, and the choice kept.
    void OnToggled(bool shown);
    // Selects in the list the first subject of that day, or the nearest.
    void BringListTo(int year, int month, int day);
    void AddOnDay(int year, int month, int day);
    // The month of the subject shown in `row`; false for none.
    bool ShowRowDay(int row);
    // The row shown on `day` first, else the shown one nearest to it; -1 with none shown.
    int RowNearest(const CalendarDay& day) const;
    CalendarDay RowDay(int row) const;
    void Refresh();

    SubjListPane& pane_;
    SubjListView& list_;
    IndivSubjList& indiv_;
    RepSubjList& rep_;
    MessageService& messages_;
    AddOn addOn_;
    std::string iniFile_;
    std::unique_ptr<MonthPane> month_;
    MonthPlace* place_;  // the pane's
    // The list follows a click on the pane: its selection must not move the pane's mark.
    bool following_ = false;
};
