// Writes the data files the start-up benchmark starts the program on into a
// folder of one's own, so that the program can be run on them under a
// profiler: `bench_data FOLDER COUNT`.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "BenchSubjects.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_data FOLDER COUNT\n");
        return 2;
    }
    char* end = nullptr;
    const long count = std::strtol(argv[2], &end, 10);
    if (*end != '\0' || count < 0 || count > 10000000) {
        std::fprintf(stderr, "bench_data: %s is no count of subjects\n", argv[2]);
        return 2;
    }
    WriteDataFiles(argv[1], static_cast<int>(count));
    return 0;
}
