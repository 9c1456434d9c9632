// The benchmarks' main: the time zone read once as the program's main() has
// it, and an application object on the offscreen platform, so that widget
// benchmarks can run beside the pure ones without a display. Freed memory
// stays with the process, so that a store or map built in one iteration does
// not fault its pages in afresh in the next, whichever benchmarks ran before:
// a cold start is what BM_ProgramStartUp measures.
#include <malloc.h>
#include <QApplication>

#include <benchmark/benchmark.h>

#include "Clock.h"

int main(int argc, char** argv) {
    LocalTime::ReadZoneOnce();
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
