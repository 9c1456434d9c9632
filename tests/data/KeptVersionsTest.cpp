// The versions kept of a data file: thinning real version files under a
// pinned clock against a simple model of what must stay (the newest 20, and
// the newest of each of the last 30 days), and the difference between two
// lists by key against a map.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "Clock.h"
#include "FileAccess.h"
#include "KeptVersions.h"
#include "SubjList.h"
#include "VersionDiff.h"

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

// Random lists of a few keys and texts: what going back adds, removes and
// changes, against maps of title to content.
TEST(VersionDiff, CountsAddedRemovedAndChangedByKey) {
    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        std::map<std::string, std::string> now;
        std::map<std::string, std::string> version;
        RepSubjList nowList;
        RepSubjList versionList;
        for (int key = 0; key < 12; ++key) {
            char title[8];
            std::snprintf(title, sizeof title, "t%02d", key);
            for (auto [map, list] :
                 {std::pair{&now, &nowList}, std::pair{&version, &versionList}}) {
                if (random() % 3 != 0) {
                    const std::string content = random() % 2 != 0 ? "a" : "b";
                    (*map)[title] = content;
                    list->current = RepSubj{};
                    list->current.title = title;
                    list->current.content = content;
                    ASSERT_EQ(list->Insert(), StoreResult::Done);
                }
            }
        }
        int added = 0, removed = 0, changed = 0;
        std::vector<std::string> firstAdded;
        for (const auto& [title, content] : version) {
            const auto it = now.find(title);
            added += it == now.end() ? 1 : 0;
            changed += it != now.end() && it->second != content ? 1 : 0;
            if (it == now.end() && firstAdded.size() < kDiffTitlesShown) {
                firstAdded.push_back(title);
            }
        }
        for (const auto& [title, content] : now) {
            removed += version.count(title) == 0 ? 1 : 0;
        }
        const VersionDiff diff = DiffVersion(SubjKind::Rep, nowList.Tree(), versionList.Tree());
        EXPECT_EQ(diff.subjects, version.size());
        EXPECT_EQ(diff.added.count, added);
        EXPECT_EQ(diff.removed.count, removed);
        EXPECT_EQ(diff.changed.count, changed);
        EXPECT_EQ(diff.added.first, firstAdded);
    }
}

}  // namespace
