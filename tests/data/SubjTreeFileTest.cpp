// Data files through real files: what is written, what loads, and what a
// broken or failed file leaves behind.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "Clock.h"
#include "DataFileFixture.h"

namespace {

using namespace datatest;

// "title:content" of each subject the file `fileName` loads, in key order,
// after checking the load's result.
std::vector<std::string> LoadedSubjects(const std::string& fileName, StoreResult expected) {
    IndivSubjList list;
    EXPECT_EQ(list.Load(fileName), expected);
    std::vector<std::string> subjects;
    for (StoreResult r = list.First(); r == StoreResult::Done; r = list.Next()) {
        subjects.push_back(list.current.title + ":" + list.current.content);
    }
    return subjects;
}

TEST_F(DataFile, EmptyListSavesTheHeaderAlone) {
    IndivSubjList list;
    ASSERT_EQ(list.Save(Path("i.dat")), StoreResult::Done);
    EXPECT_EQ(Read(Path("i.dat")), "_VESKAT_I_DAT_VER_1_2_\r\n");
    RepSubjList reps;
    ASSERT_EQ(reps.Save(Path("r.dat")), StoreResult::Done);
    EXPECT_EQ(Read(Path("r.dat")), "_VESKAT_R_DAT_VER_1_2_\r\n");
}

TEST_F(DataFile, IndividualLinesAreWrittenInKeyOrderByteForByte) {
    IndivSubjList list;
    AddIndiv(list, 2005, 10, 8, kSjisTitle, kSjisContent, "\x96\x88\x8F\x54");
    AddIndiv(list, 2005, 10, 8, "A");
    AddIndiv(list, 2004, 1, 1, "old", "x");
    ASSERT_EQ(list.Save(Path("i.dat")), StoreResult::Done);
    EXPECT_EQ(Read(Path("i.dat")),
              "_VESKAT_I_DAT_VER_1_2_\r\n"
              "2004\t01\t01\told\t09\t05\tU\tx\t\r\n"
              "2005\t10\t08\tA\t09\t05\tU\t\t\r\n"
              "2005\t10\t08\t" +
                  kSjisTitle + "\t09\t05\tU\t" + kSjisContent + "\t\x96\x88\x8F\x54\r\n");
}

TEST_F(DataFile, SaveLoadSaveIsByteIdentical) {
    ScopedClock clock(LocalTime::Make(2024, 6, 1, 12));
    IndivSubjList list;
    for (int i = 0; i < 300; ++i) {
        AddIndiv(list, 2024, 1 + i % 12, 1 + i % 28, kSjisTitle + std::to_string(i),
                 i % 3 ? kSjisContent : "", i % 5 ? "" : "origin");
    }
    ASSERT_EQ(list.Save(Path("a.dat")), StoreResult::Done);
    IndivSubjList loaded;
    ASSERT_EQ(loaded.Load(Path("a.dat")), StoreResult::Done);
    ASSERT_EQ(loaded.Save(Path("b.dat")), StoreResult::Done);
    EXPECT_EQ(Read(Path("a.dat")), Read(Path("b.dat")));

    loaded.current = IndivSubj{};
    loaded.current.year = 2024;
    loaded.current.month = 1;
    loaded.current.day = 1;
    loaded.current.title = kSjisTitle + "0";
    ASSERT_EQ(loaded.Find(), StoreResult::Done);
    EXPECT_EQ(loaded.current.content, "");
    EXPECT_EQ(loaded.current.origin, "origin");
    EXPECT_EQ(loaded.current.hour, 9);
}

TEST_F(DataFile, RepeatingRoundTrip) {
    RepSubjList reps;
    reps.current.title = kSjisTitle;
    reps.current.weekly = {1, 0, 1, 0, 1, 0, 0};
    reps.current.monthlyWeek = 2;
    reps.current.monthlyWeekday = 7;
    reps.current.progress = Progress::NotTracked;
    reps.current.content = kSjisContent;
    ASSERT_EQ(reps.Insert(), StoreResult::Done);
    ASSERT_EQ(reps.Save(Path("r.dat")), StoreResult::Done);
    EXPECT_EQ(Read(Path("r.dat")), "_VESKAT_R_DAT_VER_1_2_\r\n" + kSjisTitle +
                                       "\t00\t00\t00\t2\t7\t1\t0\t1\t0\t1\t0\t0\t00\t00\tN\t" +
                                       kSjisContent + "\r\n");
    RepSubjList loaded;
    ASSERT_EQ(loaded.Load(Path("r.dat")), StoreResult::Done);
    ASSERT_EQ(loaded.First(), StoreResult::Done);
    EXPECT_EQ(loaded.current.title, kSjisTitle);
    EXPECT_EQ(loaded.current.content, kSjisContent);
    EXPECT_EQ(loaded.current.weekly, reps.current.weekly);
}

TEST_F(DataFile, LfOnlyFilesAndAnyHeaderLoad) {
    Write(
        Path("i.dat"),
        "_VESKAT_R_DAT_VER_1_2_\n2024\t01\t02\ta\t10\t00\tU\t\t\n2024\t01\t03\tb\t10\t00\tC\tc\t");
    EXPECT_EQ(LoadedSubjects(Path("i.dat"), StoreResult::Done),
              (std::vector<std::string>{"a:", "b:c"}));
}

// A file is mapped, and its last page ends where its bytes do: a look at the bytes beyond its
// last line would end the program instead of loading it.
TEST_F(DataFile, AFileEndingOnAPageBoundaryLoadsItsLastLineWithOrWithoutALineEnd) {
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    for (const std::string end : {"", "\r", "\n", "\r\n"}) {
        SCOPED_TRACE(testing::PrintToString(end));
        std::string text = "_VESKAT_I_DAT_VER_1_2_\r\n";
        std::vector<std::string> expected;
        for (int n = 0; text.size() + 80 < 3 * page; ++n) {
            expected.push_back("t" + std::to_string(1000 + n) + ":");
            text += "2024\t01\t02\tt" + std::to_string(1000 + n) + "\t10\t00\tU\t\t\r\n";
        }
        // The last line is padded in its content until the file fills three pages exactly.
        const std::string head = "2024\t01\t03\tlast\t10\t00\tU\t";
        const std::string content(3 * page - text.size() - head.size() - 1 - end.size(), 'c');
        text += head + content + "\t" + end;
        ASSERT_EQ(text.size(), 3 * page);
        Write(Path("i.dat"), text);
        expected.push_back("last:" + content.substr(0, IndivFields::kContent.width));
        EXPECT_EQ(LoadedSubjects(Path("i.dat"), StoreResult::Done), expected);
    }
}

TEST_F(DataFile, TheFirstLineIsAlwaysPassedOver) {
    Write(Path("i.dat"), "2024\t01\t02\ta\t10\t00\tU\t\t\r\n2024\t01\t03\tb\t10\t00\tU\t\t\r\n");
    EXPECT_EQ(LoadedSubjects(Path("i.dat"), StoreResult::Done), std::vector<std::string>{"b:"});
}

TEST_F(DataFile, MissingAndEmptyFiles) {
    IndivSubjList list;
    EXPECT_EQ(list.Load(Path("none.dat")), StoreResult::FileFailed);
    EXPECT_EQ(list.First(), StoreResult::NotFound);
    Write(Path("empty.dat"), "");
    EXPECT_EQ(list.Load(Path("empty.dat")), StoreResult::Done);
    EXPECT_EQ(list.First(), StoreResult::NotFound);
    Write(Path("header.dat"), "_VESKAT_I_DAT_VER_1_2_\r\n\r\n");
    EXPECT_EQ(list.Load(Path("header.dat")), StoreResult::Done);
    EXPECT_EQ(list.First(), StoreResult::NotFound);
}

TEST_F(DataFile, ARepeatedKeyIsSkippedAndEveryLaterLineStillLoads) {
    Write(Path("i.dat"),
          "_VESKAT_I_DAT_VER_1_2_\r\n"
          "2024\t01\t02\ta\t09\t00\tU\tfirst\t\r\n"
          "2024\t01\t02\ta\t14\t00\tU\tsecond\t\r\n"
          "2024\t01\t03\tb\t10\t00\tU\t\t\r\n");
    EXPECT_EQ(LoadedSubjects(Path("i.dat"), StoreResult::KeyExists),
              (std::vector<std::string>{"a:first", "b:"}));
}

TEST_F(DataFile, ALongLineIsOneRecordWithItsFieldsCut) {
    std::string content(3000, 'c');
    Write(Path("i.dat"), "_VESKAT_I_DAT_VER_1_2_\r\n2024\t01\t02\ta\t09\t00\tU\t" + content +
                             "\torigin\r\n2024\t01\t03\tb\t10\t00\tU\t\t\r\n");
    IndivSubjList list;
    ASSERT_EQ(list.Load(Path("i.dat")), StoreResult::Done);
    ASSERT_EQ(list.First(), StoreResult::Done);
    EXPECT_EQ(list.current.content, std::string(IndivFields::kContent.width, 'c'));
    EXPECT_EQ(list.current.origin, "origin");
    ASSERT_EQ(list.Next(), StoreResult::Done);
    EXPECT_EQ(list.current.title, "b");
    EXPECT_EQ(list.Next(), StoreResult::NotFound);
}

TEST_F(DataFile, AFailedSaveLeavesThePreviousFileExactlyAsItWas) {
    if (::geteuid() == 0) {
        // Root writes through permissions; a missing folder fails for everyone.
        IndivSubjList list;
        AddIndiv(list, 2024, 1, 1, "a");
        EXPECT_EQ(list.Save(Path("no-such-folder/i.dat")), StoreResult::FileFailed);
    }
    const std::string before = "_VESKAT_I_DAT_VER_1_2_\r\n2020\t01\t01\tkeep\t00\t00\tU\t\t\r\n";
    Write(Path("i.dat"), before);
    IndivSubjList list;
    AddIndiv(list, 2024, 1, 1, "new");
    // The new contents go beside the file first: a folder that refuses new
    // files makes the save fail before anything is replaced.
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    if (::geteuid() != 0) {
        EXPECT_EQ(list.Save(Path("i.dat")), StoreResult::FileFailed);
    }
    fs::permissions(dir_, fs::perms::owner_all);
    EXPECT_EQ(Read(Path("i.dat")), before);
    // A file name that is a folder cannot be replaced either.
    fs::create_directories(dir_ / "folder.dat");
    EXPECT_EQ(list.Save(Path("folder.dat")), StoreResult::FileFailed);
    EXPECT_TRUE(fs::is_directory(dir_ / "folder.dat"));
    // And nothing is left behind beside the old file.
    std::size_t entries = std::distance(fs::directory_iterator(dir_), fs::directory_iterator());
    EXPECT_EQ(entries, 2u);
}

TEST_F(DataFile, TabsInTextsNeverBreakTheFile) {
    IndivSubjList list;
    AddIndiv(list, 2024, 1, 1, "a\tb", "x\ty\r\nz");
    ASSERT_EQ(list.Save(Path("i.dat")), StoreResult::Done);
    EXPECT_EQ(LoadedSubjects(Path("i.dat"), StoreResult::Done),
              std::vector<std::string>{"a b:x y  z"});
}

}  // namespace
