#include "MonthLink.h"

#include <QAction>
#include <QItemSelectionModel>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "CivilDay.h"
#include "Clock.h"
#include "ConnectDlg.h"
#include "EditHistory.h"
#include "IniFile.h"
#include "MessageService.h"
#include "MonthPane.h"
#include "MonthPlace.h"
#include "MonthSheet.h"
#include "SubjListPane.h"
#include "SubjListRows.h"
#include "SubjListView.h"
#include "WindowPlace.h"

namespace {

constexpr char kShownKey[] = "monthPane";
constexpr std::size_t kValueBuffer = 8;

bool ReadShown(const std::string& iniFile) {
    return IniFile::Read(kWindowSection, kShownKey, "0", kValueBuffer, iniFile) == "1";
}

}  // namespace

MonthLink::MonthLink(SubjListPane& pane, SubjListView& list, IndivSubjList& indiv, RepSubjList& rep,
                     const EditHistory& history, MessageService& messages, AddOn addOn,
                     std::string iniFile)
    : pane_(pane),
      list_(list),
      indiv_(indiv),
      rep_(rep),
      messages_(messages),
      addOn_(std::move(addOn)),
      iniFile_(std::move(iniFile)),
      month_(std::make_unique<MonthPane>(list.parentWidget())),
      place_(new MonthPlace(*month_, list)) {
    month_->setObjectName(QStringLiteral("monthPane"));
    QWidget::setTabOrder(&list_, month_.get());
    // A click on a day selects a row of the list, which must show it.
    list_.ShowSelectionAlongside(month_.get());
    // Reading a month walks the list with its `current`, which the window's
    // commands still read after the change that made the pane read it.
    month_->SetSource([this](int year, int month) {
        const IndivSubj kept = indiv_.current;
        MonthSheet sheet = ReadMonthSheet(indiv_, rep_, year, month);
        indiv_.current = kept;
        return sheet;
    });
    connect(&history, &EditHistory::Changed, this, &MonthLink::Refresh);
    connect(month_.get(), &MonthPane::DayClicked, this, &MonthLink::BringListTo);
    connect(month_.get(), &MonthPane::DayActivated, this, &MonthLink::AddOnDay);
    // The selection, not the current row: a click makes the row current before
    // it selects it, and a fill makes today's row current unselected.
    connect(list_.selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected) {
                if (!following_ && Shown() && !selected.isEmpty()) {
                    ShowRowDay(selected.indexes().front().row());
                }
            });
}

// The pane goes before the lists it reads.
MonthLink::~MonthLink() = default;

void MonthLink::Start(QAction* toggle) {
    const CalendarDay today = DayFrom(Clock::Now(), 0);
    month_->ShowDay(today.year, today.month, today.day);
    const bool shown = ReadShown(iniFile_);
    place_->Show(shown);
    if (toggle != nullptr) {
        toggle->setCheckable(true);
        toggle->setChecked(shown);
        toggle->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
        connect(toggle, &QAction::toggled, this, &MonthLink::OnToggled);
    }
}

bool MonthLink::Shown() const {
    return place_->Shown();
}

bool MonthLink::Beside() const {
    return place_->Beside();
}

// A pane hidden is not read; shown again, it opens on the subject selected.
// A file that cannot be written still shows or hides the pane for this run.
void MonthLink::OnToggled(bool shown) {
    const bool hadFocus = month_->hasFocus();
    place_->Show(shown);
    // The list lost rows to the pane: the subject selected stays in view.
    if (shown && list_.SelectionMark() >= 0) {
        list_.scrollTo(list_.model()->index(list_.SelectionMark(), 0));
    }
    if (shown && !ShowRowDay(list_.SelectionMark())) {
        month_->Refresh();
    }
    if (hadFocus && !shown) {
        list_.setFocus();
    }
    if (IniFile::Write(kWindowSection, kShownKey, shown ? "1" : "0", iniFile_) !=
        FileWrite::Written) {
        messages_.Inform(list_.window(), SettingsNotSavedMessage(iniFile_));
    }
}

void MonthLink::Refresh() {
    if (Shown()) {
        month_->Refresh();
    }
}

// The pane shows the dated subjects: a click on it shows their list.
void MonthLink::BringListTo(int year, int month, int day) {
    following_ = true;
    if (!pane_.IndivMode()) {
        pane_.ShowMode(SubjKind::Indiv);
    }
    if (const int row = RowNearest(CivilDay(year, month, day)); row >= 0) {
        pane_.ShowSubjectRow(list_.RowHandle(row));
    }
    following_ = false;
}

void MonthLink::AddOnDay(int year, int month, int day) {
    if (!pane_.IndivMode()) {
        pane_.ShowMode(SubjKind::Indiv);
    }
    addOn_(CivilDay(year, month, day));
}

bool MonthLink::ShowRowDay(int row) {
    if (row < 0 || !pane_.IndivMode()) {
        return false;
    }
    const CalendarDay day = RowDay(row);
    month_->ShowDay(day.year, day.month, day.day);
    return true;
}

// Rows the find bar hides are passed over: the list is not to change what it
// shows for a click on the pane.
int MonthLink::RowNearest(const CalendarDay& day) const {
    char date[16];
    std::snprintf(date, sizeof date, "%04d/%02d/%02d", day.year, day.month, day.day);
    const int count = list_.RowCount();
    const auto hidden = [this](int row) { return list_.RowHidden(row); };
    int after = SubjListRows::FirstRowFrom(list_, date);
    int before = after - 1;
    while (after < count && hidden(after)) {
        ++after;
    }
    while (before >= 0 && hidden(before)) {
        --before;
    }
    if (after == count || before < 0) {
        return after == count ? before : after;
    }
    const std::int64_t target = DayNumber(day);
    return target - DayNumber(RowDay(before)) < DayNumber(RowDay(after)) - target ? before : after;
}

// A date the calendar does not have (30 February from a file) is taken as the
// nearest one it has.
CalendarDay MonthLink::RowDay(int row) const {
    const std::string when = list_.CellSjis(row, 0);  // YYYY/MM/DD hh:mm
    const auto number = [&when](std::size_t from, std::size_t length) {
        return std::atoi(when.size() > from ? when.substr(from, length).c_str() : "");
    };
    const int year = std::clamp(number(0, 4), 1, 9999);
    const int month = std::clamp(number(5, 2), 1, 12);
    return CivilDay(year, month, std::clamp(number(8, 2), 1, DaysInMonth(year, month)));
}
