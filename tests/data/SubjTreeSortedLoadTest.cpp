// Loading a file whose lines are in key order appends each record without a
// search. The tree must be the very one that inserting the lines one by one
// builds, for every number of lines and wherever the order breaks.
#include <unistd.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <vector>

#include "FieldLine.h"
#include "TreeTestSupport.h"

namespace {

namespace fs = std::filesystem;

// The record of a repeating subject titled by the key, in the form the
// encoder writes and the loader gives back, and its line in a file.
RecordText RecordOf(int k) {
    RepSubj subj;
    char title[16];
    std::snprintf(title, sizeof title, "%08d", k);
    subj.title = title;
    return EncodeRepSubj(subj);
}

std::string LineOf(int k) {
    std::string line;
    AppendFields(RecordOf(k), RepFieldWidths, line);
    return line + "\r\n";
}

class SubjTreeSortedLoad : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = (fs::temp_directory_path() /
                 ("veskat-sorted-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".dat"))
                    .string();
    }
    void TearDown() override { fs::remove(path_); }

    void WriteFile(const std::vector<int>& keys) {
        std::ofstream out(path_, std::ios::binary);
        out << "_VESKAT_R_DAT_VER_1_2_\r\n";
        for (int k : keys) {
            out << LineOf(k);
        }
    }

    // Loads `keys` as a file into `loaded` and inserts them one by one into
    // `inserted`; both end up alike, with the same result.
    void LoadAndInsert(const std::vector<int>& keys, SubjTree& loaded, SubjTree& inserted) {
        WriteFile(keys);
        StoreResult expected = StoreResult::Done;
        for (int k : keys) {
            if (inserted.Insert(RecordOf(k)) == StoreResult::KeyExists) {
                expected = StoreResult::KeyExists;
            }
        }
        ASSERT_EQ(loaded.Load(path_, RepFieldWidths), expected);
        ExpectAlike(loaded, inserted);
    }

    static void ExpectAlike(const SubjTree& loaded, const SubjTree& inserted) {
        ASSERT_EQ(Shape(loaded), Shape(inserted));
        ExpectSound(loaded);
        std::vector<RecordText> a;
        std::vector<RecordText> b;
        loaded.VisitInOrder([&](const RecordText& r) { return a.push_back(r), true; });
        inserted.VisitInOrder([&](const RecordText& r) { return b.push_back(r), true; });
        ASSERT_TRUE(a == b);
    }

    void ExpectLikeInserts(const std::vector<int>& keys) {
        SubjTree loaded("h");
        SubjTree inserted("h");
        LoadAndInsert(keys, loaded, inserted);
    }

    std::vector<int> SortedRandomKeys(int count) {
        std::set<int> keys;
        while (static_cast<int>(keys.size()) < count) {
            keys.insert(std::uniform_int_distribution<int>(0, 99999999)(rng_));
        }
        return {keys.begin(), keys.end()};
    }
    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    std::string path_;
    std::mt19937 rng_{20240610};
};

// Up to 250 lines the tree grows to five levels of branches, through every
// kind of split on the way.
TEST_F(SubjTreeSortedLoad, EveryNumberOfLinesUpToTwoHundredAndFiftyGivesTheInsertedShape) {
    for (int count = 0; count <= 250; ++count) {
        ExpectLikeInserts(SortedRandomKeys(count));
        if (HasFatalFailure()) {
            FAIL() << count << " lines";
        }
    }
}

TEST_F(SubjTreeSortedLoad, LargeFilesOfRandomSizesGiveTheInsertedShape) {
    for (int round = 0; round < 4; ++round) {
        const int count = 1000 + Below(15000);
        ExpectLikeInserts(SortedRandomKeys(count));
        if (HasFatalFailure()) {
            FAIL() << count << " lines";
        }
    }
}

// A line out of order goes through the ordinary insert; the lines after it
// are appended again as long as they come after every key loaded.
TEST_F(SubjTreeSortedLoad, ALineOutOfOrderOrRepeatedLeavesTheRestLikeInserts) {
    for (int round = 0; round < 60; ++round) {
        std::vector<int> keys = SortedRandomKeys(2 + Below(2000));
        const auto at = static_cast<std::size_t>(1 + Below(static_cast<int>(keys.size()) - 1));
        switch (round % 4) {
            case 0:  // a key from earlier in the file, repeated
                keys.insert(keys.begin() + static_cast<long>(at),
                            keys[static_cast<std::size_t>(Below(static_cast<int>(at)))]);
                break;
            case 1:  // two neighbours swapped
                std::swap(keys[at - 1], keys[at]);
                break;
            case 2:  // a key smaller than everything, late in the file
                keys.insert(keys.begin() + static_cast<long>(at), -1 - Below(1000) + keys[0]);
                break;
            default:  // the whole file descending
                std::reverse(keys.begin(), keys.end());
                break;
        }
        ExpectLikeInserts(keys);
        if (HasFatalFailure()) {
            FAIL() << "round " << round;
        }
    }
}

TEST_F(SubjTreeSortedLoad, ASecondFileLoadsIntoTheRecordsOfTheFirstLikeInserts) {
    for (int round = 0; round < 20; ++round) {
        SubjTree loaded("h");
        SubjTree inserted("h");
        std::vector<int> keys = SortedRandomKeys(1 + Below(3000));
        const auto half = keys.begin() + Below(static_cast<int>(keys.size()));
        // Round by round: the second file after the first, interleaved with
        // it, or the first file again.
        std::vector<int> first(keys.begin(), half);
        std::vector<int> second(half, keys.end());
        if (round % 3 == 1) {
            first.clear();
            second.clear();
            for (std::size_t i = 0; i < keys.size(); ++i) {
                (i % 2 ? second : first).push_back(keys[i]);
            }
        } else if (round % 3 == 2) {
            second = first;
        }
        LoadAndInsert(first, loaded, inserted);
        LoadAndInsert(second, loaded, inserted);
        if (HasFatalFailure()) {
            FAIL() << "round " << round;
        }
    }
}

// Appends after removals and inserts elsewhere: a removal may merge or free the last branches an
// append goes along, and an insert may split them, so each append must find them again.
TEST_F(SubjTreeSortedLoad, AppendsBetweenRemovalsAndInsertsStayLikeInserts) {
    for (int round = 0; round < 12; ++round) {
        SubjTree appended("h");
        SubjTree inserted("h");
        std::set<int> stored;
        int next = 0;
        for (int step = 0; step < 600; ++step) {
            const int choice = Below(10);
            if (choice < 6 || stored.empty()) {  // above every key: appended
                next += 1 + Below(3);
                ASSERT_EQ(appended.InsertSorted(RecordOf(next)), StoreResult::Done);
                ASSERT_EQ(inserted.Insert(RecordOf(next)), StoreResult::Done);
                stored.insert(next);
            } else {
                // Mostly near the end, where the last branches lie.
                const int k = choice < 9 ? next - Below(40) : Below(next + 1);
                if (stored.erase(k) != 0) {
                    ASSERT_EQ(appended.Remove(KeyOf(RecordOf(k))), StoreResult::Done);
                    ASSERT_EQ(inserted.Remove(KeyOf(RecordOf(k))), StoreResult::Done);
                } else {
                    ASSERT_EQ(appended.InsertSorted(RecordOf(k)), StoreResult::Done);
                    ASSERT_EQ(inserted.Insert(RecordOf(k)), StoreResult::Done);
                    stored.insert(k);
                }
            }
            ASSERT_EQ(Shape(appended), Shape(inserted)) << "round " << round << " step " << step;
        }
        ExpectAlike(appended, inserted);
        if (HasFatalFailure()) {
            FAIL() << "round " << round;
        }
    }
}

}  // namespace
