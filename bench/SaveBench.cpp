// The save path at 100 000 subjects with one subject changed, after a week of
// daily use: what a save writes (the data file, the version it replaces and
// the differences of the one before) and how long it takes, both against the
// data file written once by itself, the floor any save pays; and, after 50
// such saves, what the versions folder holds against the data file. Bytes written are what the
// process handed to write(2), from /proc/self/io.
#include <utime.h>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "BenchSubjects.h"
#include "DataFileSet.h"
#include "KeptVersions.h"
#include "VersionDelta.h"

namespace {

// Bytes this process has written so far.
double BytesWritten() {
    std::ifstream io("/proc/self/io");
    for (std::string line; std::getline(io, line);) {
        if (line.rfind("wchar:", 0) == 0) {
            return std::atof(line.c_str() + 6);
        }
    }
    std::fprintf(stderr, "bench: /proc/self/io has no wchar line\n");
    std::abort();
}

double FolderBytes(const std::string& folder) {
    double bytes = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        bytes += static_cast<double>(entry.file_size());
    }
    return bytes;
}

bool Marked(const char*) {
    return true;
}

// Gives subject `n` a content of this round: one line of the file changes.
void ChangeOne(IndivSubjList& list, int n, int round) {
    list.current = NumberedIndivSubj(n);
    list.current.content += " (" + std::to_string(round) + ")";
    Require(list.Replace());
}

constexpr int kDaysBefore = 7;

void BM_SaveOneSubjectChanged(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    DataFolder folder(count);
    DataFileSet files;
    if (!files.Load().isEmpty()) {
        state.SkipWithError("the data files did not load cleanly");
        return;
    }
    // A week of use before: one version a day, each the newest of its day, which thinning keeps
    // and so has to keep rebuilding from the newer ones as today's saves push older ones out.
    int round = 0;
    for (int daysAgo = kDaysBefore; daysAgo > 0; --daysAgo, ++round) {
        ChangeOne(files.Indiv(), round, round);
        const std::time_t then = std::time(nullptr) - daysAgo * 86400;
        const utimbuf written{then, then};
        if (::utime(kIndivFileName, &written) != 0 || !files.Write(Marked)) {
            state.SkipWithError("the week before could not be saved");
            return;
        }
    }
    const double fileBytes = static_cast<double>(std::filesystem::file_size(kIndivFileName));
    double written = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ChangeOne(files.Indiv(), (round * 7919) % count, round);
        ++round;
        const double before = BytesWritten();
        state.ResumeTiming();
        if (!files.Write(Marked)) {
            state.SkipWithError("a save failed");
            return;
        }
        state.PauseTiming();
        written += BytesWritten() - before;
        state.ResumeTiming();
    }
    state.counters["file_MB"] = fileBytes / 1e6;
    state.counters["written_x_file"] =
        written / static_cast<double>(state.iterations()) / fileBytes;
    state.counters["versions_x_file"] = FolderBytes(kVersionsFolderName) / fileBytes;
}
// 50 saves: what the versions folder holds after them is the figure asked for.
BENCHMARK(BM_SaveOneSubjectChanged)->Arg(100000)->Iterations(50)->Unit(benchmark::kMillisecond);

// The floor: the list written to its file once, as every save must.
void BM_DataFileWriteOnce(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    DataFolder folder(count);
    IndivSubjList list;
    Require(list.Load(kIndivFileName));
    const double fileBytes = static_cast<double>(std::filesystem::file_size(kIndivFileName));
    double written = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const double before = BytesWritten();
        state.ResumeTiming();
        Require(list.Save(kIndivFileName));
        state.PauseTiming();
        written += BytesWritten() - before;
        state.ResumeTiming();
    }
    state.counters["written_x_file"] =
        written / static_cast<double>(state.iterations()) / fileBytes;
}
BENCHMARK(BM_DataFileWriteOnce)->Arg(100000)->Iterations(50)->Unit(benchmark::kMillisecond);

// The differences of a version of 100 000 subjects from a newer one that
// changed `state.range(0)` subjects spread over the list: one for the save
// just before, many for a version a week older, which thinning puts on a newer one.
void BM_VersionDifferences(benchmark::State& state) {
    IndivSubjList list;
    FillNumbered(list, 100000);
    DataFolder folder(0);
    Require(list.Save("older"));
    for (int k = 0; k < state.range(0); ++k) {
        ChangeOne(list, (k * 7919) % 100000, k);
    }
    Require(list.Save("newer"));
    const std::string older = *ReadWholeFile("older");
    const std::string newer = *ReadWholeFile("newer");
    std::size_t size = 0;
    for (auto _ : state) {
        size = MakeDelta(newer, "newer", older, "older").size();
    }
    state.counters["delta_x_file"] = static_cast<double>(size) / static_cast<double>(older.size());
}
BENCHMARK(BM_VersionDifferences)->Arg(1)->Arg(30)->Unit(benchmark::kMillisecond);

}  // namespace
