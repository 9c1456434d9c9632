// Records for store tests: a record whose key is a number, so that shapes and
// orders can be written as the numbers of their keys.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "SubjTree.h"

inline RecordText NumberedRecord(int n, unsigned char fill = 0) {
    RecordText record{};
    std::snprintf(reinterpret_cast<char*>(record.data()), 16, "%08d", n);
    record[kKeySize] = fill;  // a byte after the key, to see what a fetch returns
    return record;
}

inline int NumberOf(SubjKey key) {
    return std::atoi(reinterpret_cast<const char*>(key.data()));
}

inline std::string Shape(const SubjTree& tree) {
    return tree.DescribeShape([](SubjKey key) { return std::to_string(NumberOf(key)); });
}

inline void ExpectSound(const SubjTree& tree) {
    auto problems = tree.CheckInvariants();
    std::string all;
    for (const auto& p : problems)
        all += p + "\n";
    EXPECT_TRUE(problems.empty()) << all << Shape(tree);
}
