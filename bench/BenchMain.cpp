// The benchmarks' main: the time zone read once as the program's main() has
// it, and an application object on the offscreen platform, so that widget
// benchmarks can run beside the pure ones without a display.
#include <QApplication>

#include <benchmark/benchmark.h>

#include "Clock.h"

int main(int argc, char** argv) {
    LocalTime::ReadZoneOnce();
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
