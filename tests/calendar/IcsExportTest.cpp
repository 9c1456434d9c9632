// The export written to its file as it is made: the file is the whole
// calendar, piece after piece, however many pieces it takes; the lists keep
// their subjects and `current`; and a file that cannot be made is told and
// leaves nothing behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "Clock.h"
#include "IcsExport.h"
#include "ScopedTimeZone.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class IcsExportFile : public ::testing::Test {
  protected:
    void SetUp() override {
        char name[] = "/tmp/veskat-export-XXXXXX";
        folder_ = mkdtemp(name);
        // Enough subjects for the file to go out in many pieces.
        for (int n = 0; n < 3000; ++n) {
            indiv_.current = IndivSubj{};
            indiv_.current.year = static_cast<std::int16_t>(2024 + n % 3);
            indiv_.current.month = static_cast<std::int16_t>(1 + n % 12);
            indiv_.current.day = static_cast<std::int16_t>(1 + n % 28);
            indiv_.current.hour = static_cast<std::int16_t>(n % 24);
            indiv_.current.title = "subject " + std::to_string(n);
            indiv_.current.progress = n % 2 == 0 ? Progress::Open : Progress::NotTracked;
            ASSERT_EQ(indiv_.Insert(), StoreResult::Done);
        }
        rep_.current.title = "subject 7";
        rep_.current.weekly = {1, 0, 1, 0, 1, 0, 0};
        rep_.current.hour = 7;
        ASSERT_EQ(rep_.Insert(), StoreResult::Done);
    }
    void TearDown() override { fs::remove_all(folder_); }

    ScopedTimeZone zone_{"Europe/Berlin"};
    ScopedClock clock_{LocalTime::Make(2025, 3, 20, 9, 0)};
    fs::path folder_;
    IndivSubjList indiv_;
    RepSubjList rep_;
};

TEST_F(IcsExportFile, IsTheWholeCalendarWrittenAsItIsMade) {
    for (const IcsForm form : {IcsForm::Todos, IcsForm::Events}) {
        indiv_.current.title = "kept";
        rep_.current.title = "kept too";
        const fs::path file = folder_ / "out.ics";
        const IcsExported exported =
            WriteIcsFile(file.string(), indiv_, rep_, Clock::Now(), "Europe/Berlin", form);
        EXPECT_TRUE(exported.written);
        EXPECT_EQ(exported.notExported, 0);
        EXPECT_EQ(indiv_.current.title, "kept");
        EXPECT_EQ(rep_.current.title, "kept too");
        const std::string text = ReadAll(file);
        EXPECT_GT(text.size(), 6u * 64 * 1024);
        EXPECT_EQ(text, BuildIcsCalendar(indiv_, rep_, Clock::Now(), "Europe/Berlin", form).text);
        EXPECT_TRUE(text.ends_with("END:VCALENDAR\r\n"));
    }
}

TEST_F(IcsExportFile, ThatCannotBeMadeIsToldAndLeavesNothing) {
    const fs::path file = folder_ / "missing" / "out.ics";
    const IcsExported exported =
        WriteIcsFile(file.string(), indiv_, rep_, Clock::Now(), "Europe/Berlin", IcsForm::Todos);
    EXPECT_FALSE(exported.written);
    EXPECT_FALSE(fs::exists(folder_ / "missing"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 0);
}

}  // namespace
