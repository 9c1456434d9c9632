// The fuzz target's seed corpus as an ordinary test: every file, including each
// input the fuzzer once crashed on, keeps the loader's round-trip property.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "LoadRoundTrip.h"

namespace {

namespace fs = std::filesystem;

TEST(LoadFuzzCorpus, EverySeedKeepsTheRoundTripProperty) {
    int files = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(VESKAT_FUZZ_CORPUS)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        std::string all;
        for (const std::string& p : CheckLoadRoundTrip(
                 reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())) {
            all += p + "\n";
        }
        EXPECT_EQ(all, "") << entry.path().filename();
        ++files;
    }
    EXPECT_GE(files, 30);
}

}  // namespace
