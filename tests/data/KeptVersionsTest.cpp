// The versions kept of a data file: thinning real version files under a
// pinned clock against a simple model of what must stay (the newest 20, and
// the newest of each of the last 30 days), every version a run of saves keeps
// read back byte for byte whether kept whole or as differences, a damaged
// file costing only the versions rebuilt through it, and how a version is named.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <utime.h>

#include "Clock.h"
#include "FileAccess.h"
#include "KeptCopies.h"
#include "KeptVersions.h"
#include "VersionReader.h"

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

// A data file saved as DataFileSet saves it: the version it replaces kept,
// the backup made of that version, the new bytes written at `when`, then the
// versions thinned. `model` is every version that must still be there, by
// stamp, with its bytes.
class SavedFile {
  public:
    explicit SavedFile(const std::string& dataFile) : dataFile_(dataFile) {}

    void Save(const std::string& bytes, std::time_t when) {
        ScopedClock clock(when);
        std::string version;
        if (present_) {
            ASSERT_EQ(KeepVersion(dataFile_, *present_, version), FileWrite::Written);
            ASSERT_EQ(KeepBackup(dataFile_, *present_, version), FileWrite::Written);
            model[version.substr(version.size() - 15)] = *present_;
        }
        ASSERT_EQ(WriteSideFile(dataFile_, bytes, dataFile_), FileWrite::Written);
        const utimbuf written{when, when};  // the stamp of the version the next save keeps
        ASSERT_EQ(::utime(dataFile_.c_str(), &written), 0);
        if (present_) {
            ThinVersions(dataFile_, version);
        }
        newest = version;
        present_ = bytes;
    }

    std::map<std::string, std::string> model;
    std::string newest;

  private:
    std::string dataFile_;
    std::optional<std::string> present_;
};

// One line of a list of `count` numbered lines, changed `edit` times.
std::string NumberedLine(int n, int edit) {
    return "2026\t03\t" + std::to_string(n) + "\tsubject " + std::to_string(n) + "\t" +
           std::to_string(edit) + "\r\n";
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
    }
    return text;
}

// Inode of a file, to tell two names of one file.
ino_t InodeOf(const std::string& fileName) {
    struct stat st {};
    return ::stat(fileName.c_str(), &st) == 0 ? st.st_ino : 0;
}

// Runs of the randomised test: a few in ctest, more through scripts/versions-soak.
unsigned Runs() {
    const char* runs = std::getenv("VESKAT_VERSIONS_RUNS");
    return runs != nullptr ? static_cast<unsigned>(std::atoi(runs)) : 3;
}

// Each version a run of saves keeps reads back exactly as it was saved, over
// the thinning model: versions of an older program's whole copies among
// them, two months of saves in bursts, the newest whole and the backup
// another name of it.
TEST(KeptVersions, EveryVersionKeptRestoresByteForByte) {
    const std::time_t start = LocalTime::Make(2026, 1, 27, 10, 15, 0);
    for (unsigned seed = 0; seed < Runs(); ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const std::string dataFile = dir.filePath("veskat_i.dat").toStdString();
        const std::string folder = VersionsFolderOf(dataFile);
        std::mt19937 random(seed);
        std::vector<std::string> lines{"_VESKAT_I_DAT_VER_1_2_\r\n"};
        for (int n = 0; n < 150; ++n) {
            lines.push_back(NumberedLine(n, 0));
        }
        SavedFile file(dataFile);
        // Whole copies as the program kept them before it kept differences.
        ASSERT_TRUE(MakeFolderFor(folder, dataFile));
        for (int day = 0; day < static_cast<int>(seed % 4) * 3; ++day) {
            lines[1 + random() % 150] = NumberedLine(day, 1000 + day);
            const std::string stamp = FileStamp(start - (12 - day) * 86400);
            std::ofstream(folder + "/veskat_i.dat." + stamp, std::ios::binary) << Joined(lines);
            file.model[stamp] = Joined(lines);
        }

        std::set<std::time_t> times;
        const int saves = std::uniform_int_distribution<int>(2, 45)(random);
        while (static_cast<int>(times.size()) < saves) {
            // Bursts: a few days of many saves, some days one, most days none.
            const auto slot = random() % 3 == 0 ? random() % 12 : random() % 3;
            const std::time_t day = start + static_cast<std::time_t>(slot) * 5 * 86400;
            times.insert(day + static_cast<std::time_t>(random() % (4 * 3600)));
        }
        int edit = 0;
        for (const std::time_t when : times) {
            for (auto changed = random() % 3 + 1; changed > 0; --changed) {
                const std::size_t at = 1 + random() % (lines.size() - 1);
                switch (random() % 3) {
                    case 0:
                        lines[at] = NumberedLine(static_cast<int>(at), ++edit);
                        break;
                    case 1:
                        ++edit;
                        lines.insert(lines.begin() + static_cast<long>(at),
                                     NumberedLine(500 + edit, edit));
                        break;
                    default:
                        lines.erase(lines.begin() + static_cast<long>(at));
                        break;
                }
            }
            ASSERT_NO_FATAL_FAILURE(file.Save(Joined(lines), when));
            std::vector<std::string> stamps;
            for (const auto& [stamp, bytes] : file.model) {
                stamps.push_back(stamp);
            }
            const std::set<std::string> kept = ModelKept(stamps, when);
            std::erase_if(file.model, [&](const auto& entry) { return !kept.count(entry.first); });

            // Read newest first, as the versions window reads them, and now and then oldest
            // first, each rebuilt from the newest.
            const std::vector<KeptVersion> versions = ListVersions(dataFile);
            ASSERT_EQ(versions.size(), file.model.size());
            for (bool newestFirst : {true, false}) {
                if (!newestFirst && when % 4 != 0) {
                    continue;
                }
                VersionReader reader;
                for (std::size_t k = 0; k < versions.size(); ++k) {
                    const KeptVersion& version =
                        versions[newestFirst ? versions.size() - 1 - k : k];
                    const std::string stamp = version.name.substr(version.name.size() - 15);
                    std::string bytes;
                    ASSERT_EQ(reader.Read(version.name, bytes), VersionRead::Read) << stamp;
                    ASSERT_EQ(bytes, file.model[stamp]) << stamp;
                }
            }
            if (!file.newest.empty()) {
                EXPECT_FALSE(versions.back().asChanges);
                EXPECT_EQ(versions.back().name, file.newest);
                EXPECT_EQ(InodeOf(dataFile + ".bak"), InodeOf(file.newest));
            }
        }
    }
}

// A version file damaged on the disk (a byte flipped, a file cut short or
// gone, the newest whole copy edited in place) costs the versions rebuilt
// through it and no other: those are told which file is at fault, the
// others read as they were saved, and a later save removes nothing still
// needed to rebuild them.
TEST(KeptVersions, ADamagedFileLosesOnlyTheVersionsRebuiltThroughIt) {
    const struct {
        const char* what;
        std::size_t victim;  // which version, 0 the oldest of nine; 8 is the newest, kept whole
        void (*damage)(const std::string& file);
        bool olderLost = true;  // a checksum alone damaged leaves the lines to rebuild them by
    } cases[] = {
        {"a byte of an added line", 4,
         [](const std::string& file) {
             std::string bytes = *ReadWholeFile(file);
             bytes[bytes.rfind("\n+") + 4] ^= 1;
             std::ofstream(file, std::ios::binary) << bytes;
         }},
        {"cut short", 6,
         [](const std::string& file) {
             std::filesystem::resize_file(file, std::filesystem::file_size(file) / 2);
         }},
        {"its checksum", 1,
         [](const std::string& file) {
             std::string bytes = *ReadWholeFile(file);
             bytes[bytes.find("\nblake2b-256 ") + 13] ^= 1;
             std::ofstream(file, std::ios::binary) << bytes;
         },
         false},
        {"gone", 3, [](const std::string& file) { std::filesystem::remove(file); }},
        {"the newest edited in place", 8,
         [](const std::string& file) {
             std::ofstream(file, std::ios::binary | std::ios::in) << "X";
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const std::string dataFile = dir.filePath("veskat_i.dat").toStdString();
        std::vector<std::string> lines;
        for (int n = 0; n < 150; ++n) {
            lines.push_back(NumberedLine(n, 0));
        }
        SavedFile file(dataFile);
        const std::time_t start = LocalTime::Make(2026, 3, 29, 10, 15, 0);
        for (int save = 0; save < 10; ++save) {
            lines[static_cast<std::size_t>(save * 7)] = NumberedLine(save * 7, save + 1);
            ASSERT_NO_FATAL_FAILURE(file.Save(Joined(lines), start + save * 60));
        }
        const std::vector<KeptVersion> versions = ListVersions(dataFile);
        ASSERT_EQ(versions.size(), 9u);
        const KeptVersion& victim = versions[c.victim];
        ASSERT_EQ(victim.asChanges, c.victim != 8);
        c.damage(victim.asChanges ? victim.name + kChangesSuffix : victim.name);

        // Each of the nine as listed now: a save keeps some of them in another way.
        const auto check = [&] {
            const std::vector<KeptVersion> now = ListVersions(dataFile);
            VersionReader reader;
            for (std::size_t k = versions.size(); k-- > 0;) {
                const auto listed = std::find_if(now.begin(), now.end(), [&](const KeptVersion& v) {
                    return v.name == versions[k].name;
                });
                const KeptVersion& version = listed != now.end() ? *listed : versions[k];
                SCOPED_TRACE(version.name);
                std::string bytes;
                const VersionRead read = reader.Read(version.name, bytes);
                if (k > c.victim || (k == c.victim && !victim.asChanges) ||
                    (k < c.victim && !c.olderLost)) {
                    ASSERT_EQ(read, VersionRead::Read);
                    // A whole copy changed in place reads as it now is, also once it is kept
                    // against a newer one: only those kept against it can tell.
                    EXPECT_TRUE(k == c.victim ||
                                bytes == file.model[version.name.substr(version.name.size() - 15)]);
                } else if (k == c.victim) {
                    EXPECT_EQ(read, PathExists(version.name + kChangesSuffix)
                                        ? VersionRead::Damaged
                                        : VersionRead::NotRead);
                } else {
                    EXPECT_EQ(read, VersionRead::BaseLost);
                    EXPECT_EQ(reader.LostVersion(), victim.name);
                }
            }
        };
        ASSERT_NO_FATAL_FAILURE(check());
        // The next save keeps one more, and takes nothing from those before.
        lines[1] = NumberedLine(1, 99);
        ASSERT_NO_FATAL_FAILURE(file.Save(Joined(lines), start + 3600));
        ASSERT_NO_FATAL_FAILURE(check());
    }
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
        ThinVersions(dataFile, stamps.empty() ? std::string()
                                              : VersionsFolderOf(dataFile) + "/veskat_i.dat." +
                                                    *stamps.rbegin());

        std::set<std::string> left;
        for (const KeptVersion& version : ListVersions(dataFile)) {
            left.insert(version.name.substr(version.name.size() - 15));
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
    std::string first;
    std::string second;
    ASSERT_EQ(KeepVersion(dataFile, "old", first), FileWrite::Written);
    ASSERT_EQ(KeepVersion(dataFile, "older", second), FileWrite::Written);
    EXPECT_EQ(first,
              VersionsFolderOf(dataFile) + "/veskat_r.dat." + FileStamp(*ModifiedTime(dataFile)));
    EXPECT_EQ(second, first + "-2");
    // A name whose version is kept as differences is taken as well.
    std::ofstream(first + "-3" + kChangesSuffix) << "kept as differences";
    std::string fourth;
    ASSERT_EQ(KeepVersion(dataFile, "oldest", fourth), FileWrite::Written);
    EXPECT_EQ(fourth, first + "-4");
    const std::vector<KeptVersion> versions = ListVersions(dataFile);
    ASSERT_EQ(versions.size(), 4u);
    EXPECT_EQ(versions[1].name, second);  // oldest first
    EXPECT_TRUE(versions[2].asChanges && !versions[3].asChanges);
    EXPECT_EQ(*ReadWholeFile(first), "old");
    // Thinning takes the oldest of a second first; a newer one still comes after the rest.
    std::filesystem::remove(first);
    std::string fifth;
    ASSERT_EQ(KeepVersion(dataFile, "newest", fifth), FileWrite::Written);
    EXPECT_EQ(fifth, first + "-5");
    EXPECT_EQ(ListVersions(dataFile).back().name, fifth);
    const auto perms = [](const std::string& name) {
        return std::filesystem::status(name).permissions() & std::filesystem::perms::all;
    };
    EXPECT_EQ(perms(fifth),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(perms(VersionsFolderOf(dataFile)), std::filesystem::perms::owner_all);
}

}  // namespace
