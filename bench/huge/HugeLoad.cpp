// Loading a data file far beyond a decade of subjects, apart from the other
// benchmarks so that its peak memory is its own:
//   huge_load make FILE [LINES]  writes a sorted individual-subject file;
//   huge_load load FILE          loads it once and prints the time and memory.
// Run the load under /usr/bin/time -v to see its peak from outside as well.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "Clock.h"
#include "FieldLine.h"
#include "SubjList.h"

namespace {

constexpr int kSubjectsPerDay = 100;

// Lines in key order: 100 titles a day, numbered so that byte order is their order.
int Make(const std::string& path, long lines) {
    std::ofstream out(path, std::ios::binary);
    out << IndivCodec::kHeader << "\r\n";
    std::string line;
    for (long n = 0; n < lines && out; ++n) {
        IndivSubj subj;
        std::tm day = LocalTime::Break(
            LocalTime::Make(1990, 1, 1 + static_cast<int>(n / kSubjectsPerDay), 12));
        subj.year = static_cast<std::int16_t>(day.tm_year + 1900);
        subj.month = static_cast<std::int16_t>(day.tm_mon + 1);
        subj.day = static_cast<std::int16_t>(day.tm_mday);
        char title[32];
        std::snprintf(title, sizeof title, "subject %06ld", n % kSubjectsPerDay);
        subj.title = title;
        subj.hour = static_cast<std::int16_t>(n % 24);
        subj.progress = Progress::Open;
        subj.content = "notes for the day<br>line " + std::to_string(n % 1000);
        line.clear();
        AppendFields(EncodeIndivSubj(subj), IndivFieldWidths, line);
        out << line << "\r\n";
    }
    return out ? 0 : 1;
}

long PeakResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string field;
    while (status >> field) {
        if (field == "VmHWM:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
    }
    return -1;
}

int Load(const std::string& path) {
    const auto fileBytes = static_cast<double>(std::filesystem::file_size(path));
    IndivSubjList list;
    const auto start = std::chrono::steady_clock::now();
    const int result = ResultCode(list.Load(path));
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    long records = 0;
    list.Tree().VisitInOrder([&](const RecordText&) { return ++records, true; });
    const double peak = static_cast<double>(PeakResidentKiB()) * 1024;
    std::printf(
        "result %d, %ld records, %.2f s, file %.0f MB, peak resident %.0f MB (%.2fx the file)\n",
        result, records, took.count(), fileBytes / 1e6, peak / 1e6, peak / fileBytes);
    return result == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    LocalTime::ReadZoneOnce();
    const std::string mode = argc > 2 ? argv[1] : "";
    if (mode == "make") {
        return Make(argv[2], argc > 3 ? std::atol(argv[3]) : 3000000);
    }
    if (mode == "load") {
        return Load(argv[2]);
    }
    std::fprintf(stderr, "usage: huge_load make FILE [LINES] | huge_load load FILE\n");
    return 2;
}
