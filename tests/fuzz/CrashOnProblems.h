// What a fuzz target does with the problems its property found: tells them
// and crashes, so that libFuzzer keeps the input.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

inline int CrashOnProblems(const std::vector<std::string>& problems) {
    for (const std::string& p : problems) {
        std::fprintf(stderr, "%s\n", p.c_str());
    }
    if (!problems.empty()) {
        std::abort();
    }
    return 0;
}
