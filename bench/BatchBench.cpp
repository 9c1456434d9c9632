// The batch over a decade's individual list: 200 repeating subjects with mixed
// rules over 100 000 individual subjects, against its floor, the same work on a
// std::map of the same records: the same walk back over the past subjects,
// reading what it must to pick them, the same removals, and the generated
// records inserted, a taken key refused.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Batch.h"
#include "BenchSubjects.h"
#include "CalendarDay.h"
#include "Clock.h"
#include "ExpandRepSubj.h"
#include "PurgeIndivSubj.h"
#include "SubjList.h"
#include "UndoHistory.h"

namespace {

constexpr int kIndivSubjects = 100000;
constexpr int kRepSubjects = 200;

std::time_t BenchToday() {
    return LocalTime::Make(2024, 6, 10, 12);
}

// The individual subjects' records in key order, spread over 400 days around
// today.
const std::vector<RecordText>& IndivRecords() {
    static const std::vector<RecordText> records = [] {
        std::mt19937 random(11);
        const Progress letters[] = {Progress::NotTracked, Progress::Open, Progress::Done};
        std::vector<RecordText> made;
        for (int n = 0; n < kIndivSubjects; ++n) {
            IndivSubj subj;
            std::tm day = LocalTime::Break(
                LocalTime::Make(2024, 6, 10 + static_cast<int>(random() % 400) - 200, 12));
            subj.year = static_cast<std::int16_t>(day.tm_year + 1900);
            subj.month = static_cast<std::int16_t>(day.tm_mon + 1);
            subj.day = static_cast<std::int16_t>(day.tm_mday);
            subj.title = "subject " + std::to_string(n);
            subj.progress = letters[random() % 3];
            subj.content = "some notes<br>on two lines";
            made.push_back(EncodeIndivSubj(subj));
        }
        std::sort(made.begin(), made.end());
        return made;
    }();
    return records;
}

void FillIndiv(IndivSubjList& indiv) {
    Require(indiv.Assign(IndivRecords()));
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
        Require(rep.Insert());
    }
}

// The records one batch run inserts, in the order it inserts them: each
// repeating subject's in key order, which for one title is the order of its
// days.
std::vector<RecordText> GeneratedRecords(RepSubjList& rep) {
    std::vector<RecordText> generated;
    for (StoreResult r = rep.First(); r == StoreResult::Done; r = rep.Next()) {
        IndivSubjList indiv;
        benchmark::DoNotOptimize(ExpandRepSubj(rep.current, indiv));
        indiv.Tree().VisitInOrder([&generated](const RecordText& record) {
            generated.push_back(record);
            return true;
        });
    }
    return generated;
}

// Runs `work` on a fresh store from `make` per iteration; making and freeing
// the store stay outside the timing.
template <typename Make, typename Work>
void OverFresh(benchmark::State& state, Make make, Work work) {
    for (auto _ : state) {
        state.PauseTiming();
        auto store = make();
        state.ResumeTiming();
        work(*store);
        benchmark::DoNotOptimize(store.get());
        state.PauseTiming();
        store.reset();
        state.ResumeTiming();
    }
}

template <typename Work>
void OverFreshLists(benchmark::State& state, Work work) {
    OverFresh(
        state,
        [] {
            auto indiv = std::make_unique<IndivSubjList>();
            FillIndiv(*indiv);
            return indiv;
        },
        work);
}

// What every batch benchmark runs in: today pinned and the repeating subjects made.
struct BatchSetting {
    ScopedClock clock{BenchToday()};
    RepSubjList rep;

    BatchSetting() { FillRep(rep); }
};

void BM_Batch(benchmark::State& state) {
    BatchSetting setting;
    OverFreshLists(state, [&](IndivSubjList& indiv) {
        benchmark::DoNotOptimize(RunBatch(setting.rep, indiv));
    });
}
BENCHMARK(BM_Batch)->Unit(benchmark::kMillisecond);

// A list with the history the window keeps of it; the history goes first.
struct WatchedList {
    IndivSubjList indiv;
    UndoHistory history;
};

// The batch as the window runs it, watched so that it can be undone: the net change noted as
// the store operations happen, then the step made of it and kept in the history. Against
// BM_Batch, the cost of undo; the step is freed with the list, outside the timing, as the window
// frees it only when the history lets it go.
void BM_BatchRecorded(benchmark::State& state) {
    BatchSetting setting;
    std::size_t changed = 0;
    std::size_t held = 0;
    OverFresh(
        state,
        [] {
            auto watched = std::make_unique<WatchedList>();
            FillIndiv(watched->indiv);
            return watched;
        },
        [&](WatchedList& watched) {
            CommandRecording recording(watched.indiv, setting.rep);
            benchmark::DoNotOptimize(RunBatch(setting.rep, watched.indiv));
            UndoStep step = recording.Step("batch");
            changed = step.indiv.removed.size() + step.indiv.added.size();
            watched.history.Record(std::move(step));
            held = watched.history.HeldBytes();
        });
    state.counters["changed"] = static_cast<double>(changed);
    // What the history counts against its budget, against the changed records' own bytes.
    state.counters["held_x640"] = static_cast<double>(held) / static_cast<double>(changed * 640);
}
BENCHMARK(BM_BatchRecorded)->Unit(benchmark::kMillisecond);

// Bytes the allocator has handed out, small blocks and mapped ones alike.
std::size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// The heap the first batch adds to a list and its history, against the bytes of the records it
// changed: a step that copied what it removed would add about one such copy.
void BM_BatchRecordedHeap(benchmark::State& state) {
    BatchSetting setting;
    WatchedList watched;
    FillIndiv(watched.indiv);
    std::size_t added = 0;
    std::size_t changed = 0;
    for (auto _ : state) {
        const std::size_t before = HeapInUse();
        CommandRecording recording(watched.indiv, setting.rep);
        benchmark::DoNotOptimize(RunBatch(setting.rep, watched.indiv));
        UndoStep step = recording.Step("batch");
        changed = step.indiv.removed.size() + step.indiv.added.size();
        watched.history.Record(std::move(step));
        added = HeapInUse() - before;
    }
    state.counters["heap_added_MiB"] = static_cast<double>(added) / (1024 * 1024);
    state.counters["x_changed"] = static_cast<double>(added) / static_cast<double>(changed * 640);
}
BENCHMARK(BM_BatchRecordedHeap)->Iterations(1)->Unit(benchmark::kMillisecond);

// Taking that step back and making it again: each of its records out of or into the store once.
void BM_BatchUndoRedo(benchmark::State& state) {
    BatchSetting setting;
    IndivSubjList indiv;
    FillIndiv(indiv);
    UndoHistory history;
    {
        CommandRecording recording(indiv, setting.rep);
        benchmark::DoNotOptimize(RunBatch(setting.rep, indiv));
        history.Record(recording.Step("batch"));
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(history.Undo(indiv, setting.rep));
        benchmark::DoNotOptimize(history.Redo(indiv, setting.rep));
    }
}
BENCHMARK(BM_BatchUndoRedo)->Unit(benchmark::kMillisecond);

// The two halves of the batch on their own.
void BM_BatchPurgeOnly(benchmark::State& state) {
    BatchSetting setting;
    OverFreshLists(state, [](IndivSubjList& indiv) { PurgeIndivSubj(indiv); });
}
BENCHMARK(BM_BatchPurgeOnly)->Unit(benchmark::kMillisecond);

void BM_BatchExpandOnly(benchmark::State& state) {
    BatchSetting setting;
    OverFreshLists(state, [&](IndivSubjList& indiv) {
        benchmark::DoNotOptimize(ExpandAllRepSubj(setting.rep, indiv));
    });
}
BENCHMARK(BM_BatchExpandOnly)->Unit(benchmark::kMillisecond);

// The floor: the store's records in a std::map by key.
using RecordMap = std::map<std::array<std::uint8_t, kKeySize>, RecordText>;

std::array<std::uint8_t, kKeySize> MapKey(const RecordText& record) {
    std::array<std::uint8_t, kKeySize> key;
    std::copy_n(record.begin(), kKeySize, key.begin());
    return key;
}

int NumberAt(const RecordText& record, RecordField field) {
    int value = 0;
    for (std::size_t i = field.offset; i < field.End(); ++i) {
        value = value * 10 + (record[i] - '0');
    }
    return value;
}

// The purge's walk: back from the end of yesterday, each record read for its
// progress and date, the untracked and the old done ones erased.
void PurgeMap(RecordMap& map) {
    using namespace IndivFields;
    const std::time_t now = Clock::Now();
    const CalendarDay yesterday = DayFrom(now, -1);
    const CalendarDay cutoff = DayFrom(now, -43);
    const int cutoffDate = (cutoff.year * 100 + cutoff.month) * 100 + cutoff.day;
    std::array<std::uint8_t, kKeySize> probe;
    probe.fill(0xFF);
    const std::string date =
        std::to_string(yesterday.year * 10000 + yesterday.month * 100 + yesterday.day);
    std::copy(date.begin(), date.end(), probe.begin());
    for (auto it = map.upper_bound(probe); it != map.begin();) {
        --it;
        const RecordText& record = it->second;
        const auto progress = static_cast<Progress>(record[kProgress.offset]);
        const int day = (NumberAt(record, kYear) * 100 + NumberAt(record, kMonth)) * 100 +
                        NumberAt(record, kDay);
        if (progress == Progress::NotTracked || (progress == Progress::Done && day <= cutoffDate)) {
            it = map.erase(it);
        }
    }
}

void BM_BatchFloorOnMap(benchmark::State& state) {
    BatchSetting setting;
    const std::vector<RecordText> generated = GeneratedRecords(setting.rep);
    OverFresh(
        state,
        [] {
            auto map = std::make_unique<RecordMap>();
            for (const RecordText& record : IndivRecords()) {
                map->emplace_hint(map->end(), MapKey(record), record);
            }
            return map;
        },
        [&generated](RecordMap& map) {
            PurgeMap(map);
            for (const RecordText& record : generated) {
                map.emplace(MapKey(record), record);
            }
        });
    state.counters["generated"] = static_cast<double>(generated.size());
}
BENCHMARK(BM_BatchFloorOnMap)->Unit(benchmark::kMillisecond);

}  // namespace
