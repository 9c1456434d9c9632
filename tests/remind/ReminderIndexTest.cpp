// The agent's light copy of the data file against the window's load of the
// same real file, written out of order and with repeated keys as a merge or a
// hand edit may leave it: the same subjects not done, field for field, from
// any day on, and the same first line of content for those it keeps it for.
// A file that cannot be read leaves what was read before.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <vector>

#include "Clock.h"
#include "ReminderIndex.h"
#include "ScopedTimeZone.h"
#include "StoredReminderSubjects.h"
#include "SubjList.h"

namespace {

namespace fs = std::filesystem;

struct Seen {
    std::string key;
    int year, month, day, hour, minute;
    Progress progress;
    std::string title;
    bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Seen& s) {
    return out << s.year << "/" << s.month << "/" << s.day << " " << s.hour << ":" << s.minute
               << " " << static_cast<int>(s.progress) << " " << s.title;
}

std::vector<Seen> NotDoneFrom(const ReminderSubjects& view, std::optional<ReminderDay> first) {
    std::vector<Seen> seen;
    view.VisitFrom(first, [&](const ReminderItem& item) {
        if (item.progress != Progress::Done) {
            seen.push_back({std::string(reinterpret_cast<const char*>(item.key.data()), kKeySize),
                            item.year, item.month, item.day, item.hour, item.minute, item.progress,
                            std::string(item.title)});
        }
        return true;
    });
    return seen;
}

class IndexFile : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("veskat-index-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    ScopedTimeZone zone_{"Asia/Tokyo"};
    fs::path dir_;
};

IndivSubj RandomSubj(std::mt19937& random) {
    IndivSubj subj;
    subj.year = 2026;
    subj.month = 12;
    subj.day = static_cast<std::int16_t>(1 + random() % 14);
    const bool timed = random() % 4 != 0;
    subj.hour = static_cast<std::int16_t>(timed ? random() % 24 : 0);
    subj.minute = static_cast<std::int16_t>(timed ? random() % 60 : 0);
    subj.progress = std::array{Progress::NotTracked, Progress::Open, Progress::Done}[random() % 3];
    // Few titles, so that keys repeat; one a prefix of another.
    subj.title = std::array<std::string, 5>{"a", "ab", "\x89\xEF\x8B\x63", "b",
                                            "long title with spaces"}[random() % 5];
    subj.content = std::array<std::string, 4>{"", "first<br>second", "only line",
                                              "<br>after an empty first"}[random() % 4];
    return subj;
}

// The lines of a saved file after its header, each with its line end.
std::vector<std::string> BodyLines(const std::string& fileName, std::string& header) {
    std::ifstream in(fileName, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line + "\n");
    }
    header = lines.at(0);
    lines.erase(lines.begin());
    return lines;
}

}  // namespace

// Two saved lists with keys in common, their lines in key order or shuffled,
// in one file: whichever line of a key the window takes, the copy takes too.
TEST_F(IndexFile, HoldsWhatTheWindowLoadsFromAnyDayOn) {
    const std::time_t now = LocalTime::Make(2026, 12, 7, 10, 0);
    for (int seed = 0; seed < 40; ++seed) {
        std::mt19937 random(static_cast<unsigned>(seed));
        std::vector<std::string> lines;
        std::string header;
        for (const char* part : {"one", "two"}) {
            IndivSubjList list;
            for (int i = 0; i < 30; ++i) {
                list.current = RandomSubj(random);
                static_cast<void>(list.Insert());  // a key taken already stays as it is
            }
            ASSERT_EQ(list.Save(Path(part)), StoreResult::Done);
            std::vector<std::string> body = BodyLines(Path(part), header);
            lines.insert(lines.end(), body.begin(), body.end());
        }
        if (seed % 2 == 1) {
            std::shuffle(lines.begin(), lines.end(), random);
        } else {
            std::stable_sort(lines.begin(), lines.end(), [](const auto& a, const auto& b) {
                return a.substr(0, 10) < b.substr(0, 10);  // the date: one key's lines together
            });
        }
        std::ofstream(Path("file"), std::ios::binary) << header << [&] {
            std::string all;
            for (const std::string& line : lines) {
                all += line;
            }
            return all;
        }();

        IndivSubjList window;
        const StoreResult loaded = window.Load(Path("file"));  // KeyExists: lines were skipped
        ASSERT_TRUE(loaded == StoreResult::Done || loaded == StoreResult::KeyExists) << seed;
        const StoredReminderSubjects stored(window.Tree());
        ReminderIndex index;
        ASSERT_EQ(index.Read(Path("file"), now), ReminderIndex::ReadResult::Read);

        EXPECT_EQ(NotDoneFrom(index, std::nullopt), NotDoneFrom(stored, std::nullopt))
            << "seed " << seed;
        const ReminderDay from{2026, 12, 1 + static_cast<int>(random() % 15)};
        EXPECT_EQ(NotDoneFrom(index, from), NotDoneFrom(stored, from)) << "seed " << seed;
        EXPECT_EQ(index.Size(), NotDoneFrom(stored, std::nullopt).size());
        for (const Seen& s : NotDoneFrom(stored, ReminderDay{2026, 12, 6})) {
            const SubjKey key(reinterpret_cast<const std::uint8_t*>(s.key.data()), kKeySize);
            bool found = false;
            index.VisitKey(key, [&](const ReminderItem&) { return found = true; });
            EXPECT_TRUE(found) << s;
            if (s.hour != 0 || s.minute != 0) {
                EXPECT_EQ(index.NoteOf(key), stored.NoteOf(key)) << s;
            }
        }
    }
}

// Held as done until the next read, then as the file says.
TEST_F(IndexFile, HoldsASubjectDoneUntilReadAgainAndKeepsWhatItHadWhenTheFileFails) {
    IndivSubjList list;
    list.current.year = 2026;
    list.current.month = 12;
    list.current.day = 7;
    list.current.hour = 9;
    list.current.title = "standup";
    list.current.progress = Progress::Open;
    ASSERT_EQ(list.Insert(), StoreResult::Done);
    ASSERT_EQ(list.Save(Path("file")), StoreResult::Done);
    const RecordText record = EncodeIndivSubj(list.current);
    const SubjKey key = KeyOf(record);
    const std::time_t now = LocalTime::Make(2026, 12, 7, 8, 0);

    ReminderIndex index;
    ASSERT_EQ(index.Read(Path("file"), now), ReminderIndex::ReadResult::Read);
    EXPECT_TRUE(index.HoldAsDone(key));
    EXPECT_TRUE(NotDoneFrom(index, std::nullopt).empty());
    ASSERT_EQ(index.Read(Path("file"), now), ReminderIndex::ReadResult::Read);
    EXPECT_EQ(NotDoneFrom(index, std::nullopt).size(), 1u);

    // A folder where the file should be: no read, and nothing lost.
    fs::create_directories(dir_ / "folder");
    EXPECT_EQ(index.Read(Path("folder"), now), ReminderIndex::ReadResult::Failed);
    EXPECT_EQ(index.Size(), 1u);
    // No file at all is an empty list, as the window has it.
    EXPECT_EQ(index.Read(Path("none"), now), ReminderIndex::ReadResult::Missing);
    EXPECT_EQ(index.Size(), 0u);
    EXPECT_FALSE(index.HoldAsDone(key));
}
