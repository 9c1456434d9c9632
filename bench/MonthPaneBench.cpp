// The month pane at 100 000 subjects, as the window will show it after every
// change: the month's sheet read and painted, against a repaint of the subject
// list showing the same subjects at the same size. The sheet is read from the
// month's first key on; reading it by a walk of every subject, the way it
// avoids, is measured beside it, and the read alone.
#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include "BenchSubjects.h"
#include "CivilDay.h"
#include "Clock.h"
#include "MonthPane.h"
#include "SubjListRows.h"
#include "SubjListView.h"

namespace {

constexpr int kPerDay = 9;  // 100 000 subjects over thirty years
constexpr int kYear = 2015;
constexpr int kMonth = 6;

// The numbered subjects, `kPerDay` a day from 1 January 2000 on.
void FillSpread(IndivSubjList& list, int count) {
    const std::int64_t first = DayNumber(CivilDay(2000, 1, 1));
    for (int n = 0; n < count; ++n) {
        IndivSubj subj = NumberedIndivSubj(n);
        const CalendarDay day = DayOfNumber(first + n / kPerDay);
        subj.year = static_cast<std::int16_t>(day.year);
        subj.month = static_cast<std::int16_t>(day.month);
        subj.day = static_cast<std::int16_t>(day.day);
        list.current = subj;
        Require(list.Insert());
    }
}

// A weekly, a monthly and a monthly-by-week subject: most days of the month
// shown call for one the batch has not generated.
void FillRepeating(RepSubjList& rep) {
    RepSubj weekly;
    weekly.title = "weekly";
    weekly.weekly = {1, 0, 1, 0, 0, 0, 0};
    RepSubj monthly;
    monthly.title = "monthly";
    monthly.monthlyDay = 15;
    RepSubj second;
    second.title = "second Tuesday";
    second.monthlyWeek = 2;
    second.monthlyWeekday = 2;
    for (RepSubj* subj : {&weekly, &monthly, &second}) {
        subj->progress = Progress::Open;
        rep.current = *subj;
        Require(rep.Insert());
    }
}

struct Lists {
    explicit Lists(int count) {
        FillSpread(indiv, count);
        FillRepeating(rep);
    }
    IndivSubjList indiv;
    RepSubjList rep;
    // Before the month shown, so that its days from the 10th on call for
    // subjects not generated yet.
    ScopedClock clock{LocalTime::Make(kYear, kMonth, 10, 12)};
};

void BM_MonthPaneRefresh(benchmark::State& state) {
    Lists lists(static_cast<int>(state.range(0)));
    MonthPane pane;
    pane.SetSource(
        [&](int year, int month) { return ReadMonthSheet(lists.indiv, lists.rep, year, month); });
    pane.ShowDay(kYear, kMonth, 10);
    pane.resize(pane.sizeHint());
    pane.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        pane.Refresh();
        pane.repaint();
    }
}
BENCHMARK(BM_MonthPaneRefresh)->Arg(100000)->Unit(benchmark::kMillisecond);

// A month not shown before, each time: its titles laid out afresh.
void BM_MonthPaneNewMonth(benchmark::State& state) {
    Lists lists(static_cast<int>(state.range(0)));
    MonthPane pane;
    pane.SetSource(
        [&](int year, int month) { return ReadMonthSheet(lists.indiv, lists.rep, year, month); });
    pane.resize(pane.sizeHint());
    pane.show();
    QCoreApplication::processEvents();
    int shown = 0;
    for (auto _ : state) {
        // Thirty years of months, more titles than the pane keeps laid out.
        pane.ShowDay(2000 + shown / 12 % 30, shown % 12 + 1, 1);
        pane.repaint();
        ++shown;
    }
}
BENCHMARK(BM_MonthPaneNewMonth)->Arg(100000)->Unit(benchmark::kMillisecond);

// The peer: the list showing every subject, painted again at the pane's size.
void BM_ListViewRepaint(benchmark::State& state) {
    IndivSubjList list;
    FillSpread(list, static_cast<int>(state.range(0)));
    SubjListRows source;
    SubjListView view;
    for (const auto& [header, width] :
         {std::pair{"日時", 130}, {"進捗", 75}, {"タイトル", 180}, {"猶予", 50}}) {
        view.InsertColumn(view.ColumnCount(), QString::fromUtf8(header), width);
    }
    source.Filled(SubjListRows::Kind::Indiv);
    view.ShowRows(&source, SubjListRows::InListOrder(list.Tree(), SubjListRows::Kind::Indiv));
    view.resize(MonthPane().sizeHint());
    view.show();
    QCoreApplication::processEvents();
    // The rows are the viewport's: a repaint of the view alone leaves them be.
    for (auto _ : state) {
        view.viewport()->repaint();
    }
}
BENCHMARK(BM_ListViewRepaint)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_MonthSheetRead(benchmark::State& state) {
    Lists lists(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadMonthSheet(lists.indiv, lists.rep, kYear, kMonth));
    }
}
BENCHMARK(BM_MonthSheetRead)->Arg(100000)->Unit(benchmark::kMillisecond);

// What the sheet does not do: every subject read to find the month's.
void BM_MonthByWalkingAll(benchmark::State& state) {
    Lists lists(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        int found = 0;
        for (StoreResult r = lists.indiv.First(); r == StoreResult::Done; r = lists.indiv.Next()) {
            found += lists.indiv.current.year == kYear && lists.indiv.current.month == kMonth;
        }
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_MonthByWalkingAll)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
