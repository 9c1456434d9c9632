// The batch over a full year's individual list: 200 repeating subjects with
// mixed rules over 10 000 individual subjects, against inserting the subjects
// it generates straight into the same list.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Batch.h"
#include "Clock.h"
#include "ExpandRepSubj.h"
#include "PurgeIndivSubj.h"
#include "SubjList.h"

namespace {

constexpr int kIndivSubjects = 10000;
constexpr int kRepSubjects = 200;

std::time_t BenchToday() {
    return LocalTime::Make(2024, 6, 10, 12);
}

void FillIndiv(IndivSubjList& indiv) {
    std::mt19937 random(11);
    const Progress letters[] = {Progress::NotTracked, Progress::Open, Progress::Done};
    for (int n = 0; n < kIndivSubjects; ++n) {
        indiv.current = IndivSubj{};
        std::tm day = LocalTime::Break(
            LocalTime::Make(2024, 6, 10 + static_cast<int>(random() % 400) - 200, 12));
        indiv.current.year = static_cast<std::int16_t>(day.tm_year + 1900);
        indiv.current.month = static_cast<std::int16_t>(day.tm_mon + 1);
        indiv.current.day = static_cast<std::int16_t>(day.tm_mday);
        indiv.current.title = "subject " + std::to_string(n);
        indiv.current.progress = letters[random() % 3];
        indiv.current.content = "some notes<br>on two lines";
        indiv.Insert();
    }
}

// A quarter each weekly, monthly by day, monthly by week and yearly.
void FillRep(RepSubjList& rep) {
    for (int n = 0; n < kRepSubjects; ++n) {
        RepSubj& r = rep.current;
        r = RepSubj{};
        r.title = "repeating " + std::to_string(n);
        r.progress = n % 2 ? Progress::Open : Progress::NotTracked;
        r.content = "generated";
        switch (n % 4) {
            case 0:
                r.weekly[static_cast<std::size_t>(n % 7)] = 1;
                r.weekly[static_cast<std::size_t>((n + 3) % 7)] = 1;
                break;
            case 1:
                r.monthlyDay = static_cast<std::int16_t>(n % 31 + 1);
                break;
            case 2:
                r.monthlyWeek = static_cast<std::int16_t>(n % 5 + 1);
                r.monthlyWeekday = static_cast<std::int16_t>(n % 7 + 1);
                break;
            default:
                r.yearlyMonth = static_cast<std::int16_t>(6 + n % 2);
                r.yearlyDay = static_cast<std::int16_t>(n % 31 + 1);
                break;
        }
        rep.Insert();
    }
}

// What one batch run adds to the list, found by running it once.
std::vector<IndivSubj> GeneratedSubjects() {
    IndivSubjList indiv;
    RepSubjList rep;
    FillRep(rep);
    ExpandAllRepSubj(rep, indiv);
    std::vector<IndivSubj> generated;
    for (StoreResult r = indiv.First(); r == StoreResult::Done; r = indiv.Next()) {
        generated.push_back(indiv.current);
    }
    return generated;
}

// Runs `work` on a freshly filled list per iteration; filling and freeing the
// list stay outside the timing.
template <typename Work>
void OverFreshLists(benchmark::State& state, Work work) {
    for (auto _ : state) {
        state.PauseTiming();
        auto indiv = std::make_unique<IndivSubjList>();
        FillIndiv(*indiv);
        state.ResumeTiming();
        work(*indiv);
        benchmark::DoNotOptimize(indiv->current);
        state.PauseTiming();
        indiv.reset();
        state.ResumeTiming();
    }
}

// What every batch benchmark runs in: today pinned and the repeating subjects made.
struct BatchSetting {
    ScopedClock clock{BenchToday()};
    RepSubjList rep;

    BatchSetting() { FillRep(rep); }
};

void BM_Batch(benchmark::State& state) {
    BatchSetting setting;
    OverFreshLists(state, [&](IndivSubjList& indiv) { RunBatch(setting.rep, indiv); });
}
BENCHMARK(BM_Batch)->Unit(benchmark::kMillisecond);

// The two halves of the batch on their own.
void BM_BatchPurgeOnly(benchmark::State& state) {
    BatchSetting setting;
    OverFreshLists(state, [](IndivSubjList& indiv) { PurgeIndivSubj(indiv); });
}
BENCHMARK(BM_BatchPurgeOnly)->Unit(benchmark::kMillisecond);

void BM_BatchExpandOnly(benchmark::State& state) {
    BatchSetting setting;
    OverFreshLists(state, [&](IndivSubjList& indiv) { ExpandAllRepSubj(setting.rep, indiv); });
}
BENCHMARK(BM_BatchExpandOnly)->Unit(benchmark::kMillisecond);

void BM_PlainInsertOfTheGeneratedSubjects(benchmark::State& state) {
    BatchSetting setting;
    const std::vector<IndivSubj> generated = GeneratedSubjects();
    OverFreshLists(state, [&](IndivSubjList& indiv) {
        for (const IndivSubj& s : generated) {
            indiv.current = s;
            indiv.Insert();
        }
    });
    state.counters["subjects"] = static_cast<double>(generated.size());
}
BENCHMARK(BM_PlainInsertOfTheGeneratedSubjects)->Unit(benchmark::kMillisecond);

}  // namespace
