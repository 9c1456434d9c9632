// The versions kept of a data file: thinning real version files under a
// pinned clock against a simple model of what must stay (the newest 20, and
// the newest of each of the last 30 days), and how a version is named.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "Clock.h"
#include "FileAccess.h"
#include "KeptVersions.h"

namespace {

// "YYYYMMDD" of a stamp: the local day a version was saved on.
std::string DayOf(const std::string& stamp) {
    return stamp.substr(0, 8);
}

// Days from the local day `day` ("YYYYMMDD") to the local day of `now`,
// counted at noon so that no clock change can make a day shorter.
int DaysBefore(const std::string& day, std::time_t now) {
    const std::tm today = LocalTime::Break(now);
    const std::time_t noonToday =
        LocalTime::Make(today.tm_year + 1900, today.tm_mon + 1, today.tm_mday, 12);
    const std::time_t noonThen = LocalTime::Make(
        std::stoi(day.substr(0, 4)), std::stoi(day.substr(4, 2)), std::stoi(day.substr(6, 2)), 12);
    return static_cast<int>((noonToday - noonThen + 43200) / 86400);
}

// The stamps thinning must keep of `stamps` (every one distinct) at `now`.
std::set<std::string> ModelKept(std::vector<std::string> stamps, std::time_t now) {
    std::sort(stamps.rbegin(), stamps.rend());
    std::set<std::string> kept;
    std::set<std::string> daysSeen;
    for (std::size_t i = 0; i < stamps.size(); ++i) {
        const std::string day = DayOf(stamps[i]);
        const bool newestOfDay = daysSeen.insert(day).second;
        if (i < 20 || (newestOfDay && DaysBefore(day, now) < 30)) {
            kept.insert(stamps[i]);
        }
    }
    return kept;
}

TEST(KeptVersions, ThinningKeepsTheLastTwentyAndOneADayForAMonth) {
    const std::time_t now = LocalTime::Make(2026, 3, 29, 10, 15, 0);
    for (unsigned seed = 0; seed < 25; ++seed) {
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const std::string dataFile = dir.filePath("veskat_i.dat").toStdString();
        ASSERT_TRUE(MakeFolderFor(VersionsFolderOf(dataFile), dataFile));
        std::mt19937 random(seed);
        // Bursts of saves on some days, none on others, over two months.
        const int count = std::uniform_int_distribution<int>(0, 80)(random);
        std::uniform_int_distribution<std::time_t> age(0, 60 * 86400);
        std::set<std::string> stamps;
        for (int i = 0; i < count; ++i) {
            const std::time_t saved = now - age(random) / (seed % 3 + 1);
            if (stamps.insert(FileStamp(saved)).second) {
                std::ofstream(VersionsFolderOf(dataFile) + "/veskat_i.dat." + FileStamp(saved))
                    << "v";
            }
        }
        // Not versions of this file: left alone.
        std::ofstream(VersionsFolderOf(dataFile) + "/veskat_r.dat.20200101-000000") << "r";
        std::ofstream(VersionsFolderOf(dataFile) + "/veskat_i.dat.notes") << "n";

        ScopedClock clock(now);
        ThinVersions(dataFile);

        std::set<std::string> left;
        for (const KeptVersion& version : ListVersions(dataFile)) {
            left.insert(version.fileName.substr(version.fileName.size() - 15));
        }
        EXPECT_EQ(left, ModelKept({stamps.begin(), stamps.end()}, now)) << "seed " << seed;
        EXPECT_EQ(RegularFilesIn(VersionsFolderOf(dataFile)).size(), left.size() + 2);
    }
}

// A clock set back (a flat clock battery, a wrong date put right) leaves versions dated after
// now. They say nothing of how recent the versions saved since are: those still count among the
// newest, and the ones from the future stay, as their age cannot be told.
TEST(KeptVersions, AClockSetBackKeepsTheVersionsSavedSince) {
    const std::time_t now = LocalTime::Make(2026, 3, 29, 10, 15, 0);
    std::vector<std::time_t> savedAt;
    for (int i = 0; i < 5; ++i) {
        savedAt.push_back(now - 3600 + i * 60);  // saved today, since the clock went back
    }
    for (int i = 0; i < 25; ++i) {
        savedAt.push_back(now + 86400 * 40 + i * 3600);  // saved under the wrong clock
    }
    std::sort(savedAt.begin(), savedAt.end());
    EXPECT_EQ(VersionsKept(savedAt, now), std::vector<bool>(savedAt.size(), true));
}

TEST(KeptVersions, AVersionIsDatedWhenItWasSavedAndNeverWrittenOver) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string dataFile = dir.filePath("veskat_r.dat").toStdString();
    std::ofstream(dataFile) << "old";
    std::filesystem::permissions(
        dataFile, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    const std::string first = KeepVersion(dataFile, "old");
    const std::string second = KeepVersion(dataFile, "older");
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first,
              VersionsFolderOf(dataFile) + "/veskat_r.dat." + FileStamp(*ModifiedTime(dataFile)));
    EXPECT_EQ(second, first + "-2");
    const std::vector<KeptVersion> versions = ListVersions(dataFile);
    ASSERT_EQ(versions.size(), 2u);
    EXPECT_EQ(versions[1].fileName, second);  // oldest first
    EXPECT_EQ(*ReadWholeFile(first), "old");
    const auto perms = [](const std::string& name) {
        return std::filesystem::status(name).permissions() & std::filesystem::perms::all;
    };
    EXPECT_EQ(perms(first),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(perms(VersionsFolderOf(dataFile)), std::filesystem::perms::owner_all);
}

}  // namespace
