// The main window with many subjects: opening it (loading both files and
// filling the list) and switching the mode, which refills the list.
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

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

// A working folder holding `count` individual subjects and a few repeating ones.
class DataFolder {
  public:
    explicit DataFolder(int count) : previous_(QDir::currentPath()) {
        QDir::setCurrent(dir_.path());
        IndivSubjList indiv;
        FillNumbered(indiv, count);
        indiv.Save(kIndivFileName);
        RepSubjList rep;
        rep.current.title = "weekly";
        rep.Insert();
        rep.Save(kRepFileName);
    }
    ~DataFolder() { QDir::setCurrent(previous_); }

  private:
    QTemporaryDir dir_;
    QString previous_;
};

void BM_MainWindowOpen(benchmark::State& state) {
    DataFolder folder(static_cast<int>(state.range(0)));
    SilentMessages messages;
    for (auto _ : state) {
        CSubjListDlg window(messages);
        window.OnInitDialog();
        benchmark::DoNotOptimize(&window);
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
    indiv.Load(kIndivFileName);
    for (auto _ : state) {
        for (StoreResult result = indiv.First(); result == StoreResult::Done;
             result = indiv.Next()) {
            benchmark::DoNotOptimize(indiv.current.daysLeft);
        }
    }
}
BENCHMARK(BM_IndivListWalk)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
