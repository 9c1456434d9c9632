// The fuzz targets' seed corpora as ordinary tests: every file, including each
// input a fuzzer once broke a property with, keeps the data-file loader's
// round-trip property, or the iCalendar reader's.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "IcsReadProperty.h"
#include "LoadRoundTrip.h"

namespace {

namespace fs = std::filesystem;

using Property = std::vector<std::string> (*)(const std::uint8_t* data, std::size_t size);

// Checks `property` on every file of `corpus`; the number of files.
int CheckCorpus(const char* corpus, Property property) {
    int files = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(corpus)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        std::string all;
        for (const std::string& p :
             property(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())) {
            all += p + "\n";
        }
        EXPECT_EQ(all, "") << entry.path().filename();
        ++files;
    }
    return files;
}

TEST(LoadFuzzCorpus, EverySeedKeepsTheRoundTripProperty) {
    EXPECT_GE(CheckCorpus(VESKAT_FUZZ_CORPUS, CheckLoadRoundTrip), 30);
}

TEST(IcsFuzzCorpus, EverySeedKeepsTheReadersProperty) {
    setenv("TZ", kIcsPropertyZone, 1);
    tzset();
    EXPECT_GE(CheckCorpus(VESKAT_ICS_CORPUS, CheckIcsRead), 16);
}

}  // namespace
