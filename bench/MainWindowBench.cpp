// The main window with many subjects: opening it (loading both files, filling
// the list, showing and painting it) and switching the mode, which refills the list.
#include <QAbstractItemView>
#include <QCoreApplication>
#include <QEvent>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>

#include "BenchSubjects.h"
#include "MessageService.h"
#include "SubjListDlg.h"

namespace {

// Nothing is asked while opening; any box would be a fault, answered No.
class SilentMessages : public MessageService {
  public:
    MessageAnswer Show(QWidget*, const QString&, MessageButtons) override {
        return MessageAnswer::No;
    }
};

// Counts the paints of the widget it watches.
class PaintCounter : public QObject {
  public:
    int paints = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return QObject::eventFilter(watched, event);
    }
};

// Shows the window and runs its events until the list's rows have been
// painted, as the user sees them; the layout and the first paint are part of
// opening.
void ShowUntilPainted(QWidget& window) {
    PaintCounter counter;
    QWidget* rows = window.findChild<QAbstractItemView*>()->viewport();
    rows->installEventFilter(&counter);
    window.show();
    for (int round = 0; round < 1000 && counter.paints == 0; ++round) {
        QCoreApplication::processEvents();
    }
    rows->removeEventFilter(&counter);
    if (counter.paints == 0) {
        std::fprintf(stderr, "the subject list was never painted\n");
        std::abort();
    }
}

void BM_MainWindowOpen(benchmark::State& state) {
    DataFolder folder(static_cast<int>(state.range(0)));
    SilentMessages messages;
    for (auto _ : state) {
        CSubjListDlg window(messages);
        window.OnInitDialog();
        ShowUntilPainted(window);
        state.PauseTiming();
        window.hide();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_MainWindowOpen)->Arg(0)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_MainWindowModeSwitchBack(benchmark::State& state) {
    DataFolder folder(static_cast<int>(state.range(0)));
    SilentMessages messages;
    CSubjListDlg window(messages);
    window.OnInitDialog();
    for (auto _ : state) {
        window.OnModeChanged();  // refills the individual list
    }
}
BENCHMARK(BM_MainWindowModeSwitchBack)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// The part of a refill that is the subject data's: reading every subject.
void BM_IndivListWalk(benchmark::State& state) {
    DataFolder folder(static_cast<int>(state.range(0)));
    IndivSubjList indiv;
    Require(indiv.Load(kIndivFileName));
    for (auto _ : state) {
        for (StoreResult result = indiv.First(); result == StoreResult::Done;
             result = indiv.Next()) {
            benchmark::DoNotOptimize(indiv.current.daysLeft);
        }
    }
}
BENCHMARK(BM_IndivListWalk)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
