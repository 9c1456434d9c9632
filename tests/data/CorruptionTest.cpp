// A good data file broken on purpose: cut after every byte, and one byte at a
// time changed at a spread of places to bytes that matter to the format (NUL,
// CR, LF, tab, blank, digits, Shift_JIS lead bytes). Loading never fails
// otherwise than by its result, the tree stays sound, every loaded subject is
// reachable, and every record before the damaged line is kept as it was.
#include <gtest/gtest.h>

#include <algorithm>

#include "Clock.h"
#include "DataFileFixture.h"
#include "FieldLine.h"
#include "LoadRoundTrip.h"

namespace {

using namespace datatest;
using Records = std::vector<RecordText>;

// A file the program wrote: its bytes, its records in file order, and where
// each line (its line end included) begins; line 0 is the header.
struct GoodFile {
    std::string bytes;
    Records records;
    std::vector<std::size_t> lineStarts;
};

class Corruption : public DataFile {
  protected:
    GoodFile Individual() {
        IndivSubjList list;
        for (int i = 0; i < 36; ++i) {
            AddIndiv(list, 2024, 1 + i % 12, 1 + i, kSjisTitle + std::to_string(i),
                     i % 3 ? kSjisContent : "", i % 4 ? "" : kSjisTitle);
        }
        EXPECT_EQ(list.Save(Path("good.dat")), StoreResult::Done);
        return Described(Read(Path("good.dat")), IndivFieldWidths);
    }

    GoodFile Repeating() {
        RepSubjList list;
        for (int i = 0; i < 30; ++i) {
            list.current = RepSubj{};
            list.current.title = std::to_string(i) + kSjisTitle;
            list.current.monthlyDay = static_cast<std::int16_t>(1 + i);
            list.current.weekly = {1, 0, 1, 0, 1, 0, static_cast<std::uint8_t>(i % 2)};
            list.current.progress = i % 2 ? Progress::Open : Progress::NotTracked;
            list.current.content = i % 2 ? kSjisContent : "";
            EXPECT_EQ(list.Insert(), StoreResult::Done);
        }
        EXPECT_EQ(list.Save(Path("good.dat")), StoreResult::Done);
        return Described(Read(Path("good.dat")), RepFieldWidths);
    }

    GoodFile Described(const std::string& bytes, const int* widths) {
        GoodFile good;
        good.bytes = bytes;
        SubjTree tree("h");
        EXPECT_EQ(tree.Load(Path("good.dat"), widths), StoreResult::Done);
        good.records = RecordsOf(tree);
        for (std::size_t at = 0; at < bytes.size(); at = bytes.find("\r\n", at) + 2) {
            good.lineStarts.push_back(at);
        }
        EXPECT_EQ(good.lineStarts.size(), good.records.size() + 1);
        return good;
    }

    // The line of the good file that byte `at` belongs to.
    static std::size_t LineOf(const GoodFile& good, std::size_t at) {
        return std::upper_bound(good.lineStarts.begin(), good.lineStarts.end(), at) -
               good.lineStarts.begin() - 1;
    }

    struct Loaded {
        Records records;
        SubjTree::LoadReport report;
    };

    // Loads damaged bytes and checks what holds for every damage, and that
    // the records of the lines before `firstDamaged` are all kept.
    Loaded LoadDamaged(const std::string& bytes, const int* widths, const GoodFile& good,
                       std::size_t firstDamaged, const std::string& what) {
        // A new file each time: ext4 writes a truncated file out on closing.
        fs::remove(Path("bad.dat"));
        Write(Path("bad.dat"), bytes);
        SubjTree tree("h");
        Loaded loaded;
        loaded.report = SubjTree::LoadReport{-7, -7};
        const int result = ResultCode(tree.Load(Path("bad.dat"), widths, &loaded.report));
        EXPECT_TRUE(result == 0 || result == 2) << what;
        EXPECT_EQ(result == 2, loaded.report.linesNotTaken > 0) << what;
        EXPECT_GE(loaded.report.linesChanged, 0) << what;
        EXPECT_TRUE(tree.CheckInvariants().empty()) << what;
        loaded.records = RecordsOf(tree);
        for (const RecordText& r : loaded.records) {
            EXPECT_TRUE(EncodesBack(r, widths)) << what << ": " << JoinFields(r, widths);
        }
        for (std::size_t line = 1; line < firstDamaged && line <= good.records.size(); ++line) {
            EXPECT_TRUE(Holds(loaded.records, good.records[line - 1]))
                << what << ": line " << line << " lost";
        }
        return loaded;
    }

    static bool Holds(const Records& records, const RecordText& record) {
        return std::find(records.begin(), records.end(), record) != records.end();
    }

    // Every prefix: the lines whose CR is in are kept, and at most one more
    // record comes from the line cut short.
    void EveryPrefix(const GoodFile& good, const int* widths) {
        for (std::size_t length = 0; length <= good.bytes.size(); ++length) {
            std::size_t whole = 0;
            while (whole < good.records.size() && NextStart(good, whole + 1) - 1 <= length) {
                ++whole;
            }
            const std::string what = "prefix of " + std::to_string(length);
            Loaded loaded =
                LoadDamaged(good.bytes.substr(0, length), widths, good, whole + 1, what);
            EXPECT_LE(loaded.records.size(), whole + 1) << what;
            EXPECT_LE(loaded.report.linesNotTaken + loaded.report.linesChanged, 1) << what;
        }
    }

    static std::size_t NextStart(const GoodFile& good, std::size_t line) {
        return line + 1 < good.lineStarts.size() ? good.lineStarts[line + 1] : good.bytes.size();
    }

    // One byte changed at every `step`-th place to each byte that matters.
    void EveryChange(const GoodFile& good, const int* widths, std::size_t step) {
        const std::string values = std::string("\0\r\n\t x9-", 8) + "\x81\x9F\xE0\xFC\xFF";
        for (std::size_t at = 0; at < good.bytes.size(); at += step) {
            for (char value : values) {
                if (good.bytes[at] == value) {
                    continue;
                }
                std::string bytes = good.bytes;
                bytes[at] = value;
                const std::size_t damaged = LineOf(good, at);
                const std::string what = "byte " + std::to_string(at) + " made " +
                                         std::to_string(static_cast<unsigned char>(value));
                Loaded loaded = LoadDamaged(bytes, widths, good, damaged, what);
                EXPECT_LE(loaded.records.size(), good.records.size() + 1) << what;
                // Lines after the damage are kept unless the damaged line took
                // their key, which the report then counts.
                int missing = 0;
                for (std::size_t line = damaged + 2; line <= good.records.size(); ++line) {
                    missing += Holds(loaded.records, good.records[line - 1]) ? 0 : 1;
                }
                EXPECT_LE(missing, loaded.report.linesNotTaken) << what;
            }
        }
    }
};

TEST_F(Corruption, EveryPrefixOfAnIndividualFile) {
    EveryPrefix(Individual(), IndivFieldWidths);
}

TEST_F(Corruption, EveryPrefixOfARepeatingFile) {
    EveryPrefix(Repeating(), RepFieldWidths);
}

TEST_F(Corruption, SingleByteChangesInAnIndividualFile) {
    EveryChange(Individual(), IndivFieldWidths, 3);
}

TEST_F(Corruption, SingleByteChangesInARepeatingFile) {
    EveryChange(Repeating(), RepFieldWidths, 5);
}

}  // namespace
