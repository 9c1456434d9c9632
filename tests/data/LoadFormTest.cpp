// What loading makes of lines the program did not write itself: every line
// end, NUL bytes, trailing blanks, over-long and missing fields, numbers
// without their zeros; each subject loads as encoding it gives, so that Find
// and Remove reach it and a save writes it back as loaded, and the report
// counts exactly the lines a save would not write back.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "Clock.h"
#include "DataFileFixture.h"
#include "FieldLine.h"

namespace {

using namespace datatest;
using namespace std::string_literals;
using Report = SubjTree::LoadReport;

class LoadForm : public DataFile {
  protected:
    // Loads `bytes` as an individual file; the report starts out as nonsense,
    // so that every field of it must be filled.
    StoreResult LoadIndiv(IndivSubjList& list, const std::string& bytes) {
        Write(Path("i.dat"), bytes);
        report_ = Report{-7, -7};
        return list.Load(Path("i.dat"), &report_);
    }

    static std::vector<std::string> Titles(IndivSubjList& list) {
        std::vector<std::string> titles;
        for (StoreResult r = list.First(); r == StoreResult::Done; r = list.Next()) {
            titles.push_back(list.current.title);
        }
        return titles;
    }

    // Find with only the key fields set, as the window finds a row again.
    static StoreResult FindIndiv(IndivSubjList& list, int y, int m, int d,
                                 const std::string& title) {
        list.current = IndivSubj{};
        list.current.year = static_cast<std::int16_t>(y);
        list.current.month = static_cast<std::int16_t>(m);
        list.current.day = static_cast<std::int16_t>(d);
        list.current.title = title;
        return list.Find();
    }

    Report report_;
};

const std::string kHeader = "_VESKAT_I_DAT_VER_1_2_";

std::string Line(const std::string& date, const std::string& title, const std::string& content = "",
                 const std::string& origin = "") {
    return date + "\t" + title + "\t09\t05\tU\t" + content + "\t" + origin;
}

TEST_F(LoadForm, ALoneCrEndsALineAsCrLfAndLfDo) {
    const std::string a = Line("2024\t01\t02", "a");
    const std::string b = Line("2024\t01\t03", kSjisTitle, kSjisContent);
    const std::string c = Line("2024\t01\t04", "c");
    for (const std::string& end : {"\r"s, "\n"s, "\r\n"s}) {
        IndivSubjList list;
        ASSERT_EQ(LoadIndiv(list, kHeader + end + a + end + b + end + c + end), StoreResult::Done);
        EXPECT_EQ(Titles(list), (std::vector<std::string>{"a", kSjisTitle, "c"}));
        EXPECT_EQ(report_.linesNotTaken, 0);
        EXPECT_EQ(report_.linesChanged, 0);  // the line ends are no part of a record
        ASSERT_EQ(list.Save(Path("saved.dat")), StoreResult::Done);
        EXPECT_EQ(Read(Path("saved.dat")), kHeader + "\r\n" + a + "\r\n" + b + "\r\n" + c + "\r\n");
    }
}

TEST_F(LoadForm, MixedLineEndsEachEndOneLineAndBlankLinesArePassedOver) {
    IndivSubjList list;
    // The header ends in a lone CR; LF CR and CR CR LF leave blank lines.
    ASSERT_EQ(LoadIndiv(list, kHeader + "\r" + Line("2024\t01\t01", "a") + "\n" +
                                  Line("2024\t01\t02", "b") + "\n\r" + Line("2024\t01\t03", "c") +
                                  "\r\r\n" + Line("2024\t01\t04", "d") + "\r" +
                                  Line("2024\t01\t05", "e")),
              StoreResult::Done);
    EXPECT_EQ(Titles(list), (std::vector<std::string>{"a", "b", "c", "d", "e"}));
    EXPECT_EQ(report_.linesNotTaken, 0);
    EXPECT_EQ(report_.linesChanged, 0);
}

TEST_F(LoadForm, ANulInsideAFieldLoadsAsABlankSoNoTwoSubjectsSaveAsOne) {
    IndivSubjList list;
    ASSERT_EQ(LoadIndiv(list, kHeader + "\r\n" + Line("2024\t01\t02", "A\0B"s, "x\0y"s) + "\r\n" +
                                  Line("2024\t01\t02", "A\0C"s) + "\r\n"),
              StoreResult::Done);
    EXPECT_EQ(Titles(list), (std::vector<std::string>{"A B", "A C"}));
    EXPECT_EQ(report_.linesChanged, 2);
    ASSERT_EQ(FindIndiv(list, 2024, 1, 2, "A B"), StoreResult::Done);
    EXPECT_EQ(list.current.content, "x y");

    ASSERT_EQ(list.Save(Path("saved.dat")), StoreResult::Done);
    IndivSubjList again;
    Report report{-7, -7};
    ASSERT_EQ(again.Load(Path("saved.dat"), &report), StoreResult::Done);
    EXPECT_EQ(Titles(again), (std::vector<std::string>{"A B", "A C"}));
    EXPECT_EQ(report.linesNotTaken, 0);
    EXPECT_EQ(report.linesChanged, 0);
}

TEST_F(LoadForm, KeysLoadWithoutTrailingBlanksSoFindRemoveAndThePurgeReachThem) {
    IndivSubjList list;
    ASSERT_EQ(
        LoadIndiv(list, kHeader + "\r\n" + Line("2024\t01\t02", "call  ", "keep  ", "weekly ") +
                            "\r\n" + Line("2024\t01\t03", "done  ", "", "weekly   ") + "\r\n"),
        StoreResult::Done);
    EXPECT_EQ(report_.linesChanged, 2);
    ASSERT_EQ(FindIndiv(list, 2024, 1, 2, "call   "), StoreResult::Done);
    EXPECT_EQ(list.current.title, "call");
    EXPECT_EQ(list.current.content, "keep  ");  // content keeps its blanks, as encoding does
    EXPECT_EQ(list.current.origin, "weekly");
    // The repeating subject's title, stored trimmed, finds its generated subjects.
    list.current.progress = Progress::Done;
    ASSERT_EQ(list.Replace(), StoreResult::Done);
    ASSERT_EQ(list.RemoveGenerated("weekly"), StoreResult::Done);
    EXPECT_EQ(Titles(list), (std::vector<std::string>{"done"}));  // open, so kept
    ASSERT_EQ(FindIndiv(list, 2024, 1, 3, "done "), StoreResult::Done);
    EXPECT_EQ(list.Remove(), StoreResult::Done);
    EXPECT_EQ(list.First(), StoreResult::NotFound);
}

TEST_F(LoadForm, ALineThatTrimsToAnEarlierKeyIsADuplicate) {
    IndivSubjList list;
    EXPECT_EQ(LoadIndiv(list, kHeader + "\r\n" + Line("2024\t01\t02", "call", "first") + "\r\n" +
                                  Line("2024\t01\t02", "call   ", "second") + "\r\n" +
                                  Line("2024\t01\t03", "next") + "\r\n"),
              StoreResult::KeyExists);
    EXPECT_EQ(report_.linesNotTaken, 1);
    EXPECT_EQ(report_.linesChanged, 0);
    ASSERT_EQ(FindIndiv(list, 2024, 1, 2, "call"), StoreResult::Done);
    EXPECT_EQ(list.current.content, "first");
    EXPECT_EQ(Titles(list), (std::vector<std::string>{"call", "next"}));
}

TEST_F(LoadForm, OverlongTitlesAndOriginsAreCutAsTheEncoderCutsThem) {
    const std::string longTitle = std::string(71, 't') + "\x82\xA0" + std::string(30, 'u');
    const std::string cutInBlanks = std::string(70, 'x') + "  yy";
    IndivSubjList list;
    ASSERT_EQ(LoadIndiv(list, kHeader + "\r\n" + Line("2024\t01\t02", longTitle, "", longTitle) +
                                  "\r\n" + Line("2024\t01\t03", cutInBlanks) + "\r\n"),
              StoreResult::Done);
    EXPECT_EQ(report_.linesChanged, 2);
    // The very titles the window shows find their subjects again.
    ASSERT_EQ(FindIndiv(list, 2024, 1, 2, longTitle), StoreResult::Done);
    EXPECT_EQ(list.current.title, std::string(71, 't'));
    EXPECT_EQ(list.current.origin, std::string(71, 't'));
    ASSERT_EQ(FindIndiv(list, 2024, 1, 3, cutInBlanks), StoreResult::Done);
    EXPECT_EQ(list.current.title, std::string(70, 'x'));
}

TEST_F(LoadForm, NumbersLoadAsTheEncoderWritesThem) {
    IndivSubjList list;
    ASSERT_EQ(LoadIndiv(list, kHeader + "\r\n" + "2024\t1\t2\tshort\t9\t5\tU\t\t\r\n" +
                                  " 24\t+3\t-1\tsigned\tx\t05\tN\t\t\r\n"),
              StoreResult::Done);
    EXPECT_EQ(report_.linesChanged, 2);
    ASSERT_EQ(FindIndiv(list, 2024, 1, 2, "short"), StoreResult::Done);
    EXPECT_EQ(list.current.hour, 9);
    ASSERT_EQ(FindIndiv(list, 24, 3, -1, "signed"), StoreResult::Done);
    EXPECT_EQ(list.current.hour, 0);
    ASSERT_EQ(list.Save(Path("saved.dat")), StoreResult::Done);
    EXPECT_EQ(Read(Path("saved.dat")), kHeader +
                                           "\r\n"
                                           "0024\t03\t-1\tsigned\t00\t05\tN\t\t\r\n"
                                           "2024\t01\t02\tshort\t09\t05\tU\t\t\r\n");
}

TEST_F(LoadForm, TheReportCountsEveryLineASaveWouldNotWriteBack) {
    IndivSubjList list;
    EXPECT_EQ(
        LoadIndiv(list, kHeader + "\r\n" + Line("2024\t01\t01", "same") + "\r\n" +  // as saved
                            Line("2024\t01\t02", "extra") + "\tmore\r\n" +          // changed
                            "2024\t01\t03\tmissing\r\n" +                           // changed
                            Line("2024\t01\t04", "long", std::string(450, 'c')) +   // changed
                            "\r\n\r\n" +                                            // blank
                            Line("2024\t01\t01", "same", "again") + "\r\n" +        // not taken
                            Line("2024\t01\t05", "sjis " + kSjisTitle, kSjisContent) + "\r\n"),
        StoreResult::KeyExists);
    EXPECT_EQ(report_.linesNotTaken, 1);
    EXPECT_EQ(report_.linesChanged, 3);
    ASSERT_EQ(FindIndiv(list, 2024, 1, 4, "long"), StoreResult::Done);
    EXPECT_EQ(list.current.content, std::string(400, 'c'));  // cut at the field's width

    // Without a report the load behaves the same.
    IndivSubjList quiet;
    EXPECT_EQ(quiet.Load(Path("i.dat")), StoreResult::KeyExists);
    EXPECT_EQ(Titles(quiet), Titles(list));
}

// Texts with blanks, tabs, line breaks and NULs anywhere, over-long ones, and
// Shift_JIS characters across the 72-byte cut.
std::string RandomText(std::mt19937& random, std::size_t most) {
    static const std::vector<std::string> pieces = {
        "a",  "Z",        " ",        "  ",       "\t",       "\r\n", "\r",   "\n", "\0"s, "<br>",
        "\\", "\x95\x5C", "\x83\x7C", "\x89\xEF", "\x82\xA0", "\xB1", "\xDF", "|",  "9",   "-",
    };
    std::string text;
    const std::size_t length = std::uniform_int_distribution<std::size_t>(0, most)(random);
    while (text.size() < length) {
        text += pieces[std::uniform_int_distribution<std::size_t>(0, pieces.size() - 1)(random)];
    }
    return text;
}

TEST_F(LoadForm, FilesTheProgramWroteLoadAsTheyStandAndReportNothing) {
    ScopedClock clock(LocalTime::Make(2024, 6, 1, 12));
    std::mt19937 random(20240601);
    auto number = [&](int low, int high) {
        return static_cast<std::int16_t>(std::uniform_int_distribution<int>(low, high)(random));
    };
    const Progress progresses[] = {Progress::NotTracked, Progress::Open, Progress::Done};
    for (int round = 0; round < 12; ++round) {
        IndivSubjList indiv;
        RepSubjList reps;
        for (int i = 0; i < 150; ++i) {
            indiv.current = IndivSubj{};
            indiv.current.year = number(1990, 2040);
            indiv.current.month = number(1, 12);
            indiv.current.day = number(1, 31);
            indiv.current.title = kSjisTitle.substr(0, number(0, 20)) + RandomText(random, 90);
            indiv.current.hour = number(0, 23);
            indiv.current.minute = number(0, 59);
            indiv.current.progress = progresses[number(0, 2)];
            indiv.current.content = RandomText(random, 420);
            indiv.current.origin = RandomText(random, 80);
            // A repeated key is refused; the rest is enough.
            ASSERT_NE(indiv.Insert(), StoreResult::OutOfMemory);

            reps.current = RepSubj{};
            reps.current.title = RandomText(random, 90) + kSjisTitle;
            reps.current.yearlyMonth = number(0, 12);
            reps.current.monthlyWeek = number(0, 5);
            reps.current.weekly = {1, 0, 0, 1, 0, 0, 1};
            reps.current.progress = progresses[number(0, 1)];
            reps.current.content = RandomText(random, 420);
            ASSERT_NE(reps.Insert(), StoreResult::OutOfMemory);
        }
        ASSERT_EQ(indiv.Save(Path("i.dat")), StoreResult::Done);
        ASSERT_EQ(reps.Save(Path("r.dat")), StoreResult::Done);

        IndivSubjList indivBack;
        Report report{-7, -7};
        ASSERT_EQ(indivBack.Load(Path("i.dat"), &report), StoreResult::Done);
        EXPECT_EQ(report.linesNotTaken, 0) << "round " << round;
        EXPECT_EQ(report.linesChanged, 0) << "round " << round;
        RepSubjList repsBack;
        report = Report{-7, -7};
        ASSERT_EQ(repsBack.Load(Path("r.dat"), &report), StoreResult::Done);
        EXPECT_EQ(report.linesNotTaken, 0) << "round " << round;
        EXPECT_EQ(report.linesChanged, 0) << "round " << round;

        // Everything in memory was reachable before the save and is the same after.
        for (StoreResult r = indiv.First(); r == StoreResult::Done; r = indiv.Next()) {
            IndivSubj shown = indiv.current;
            ASSERT_EQ(FindIndiv(indiv, shown.year, shown.month, shown.day, shown.title),
                      StoreResult::Done);
        }
        ASSERT_EQ(indivBack.Save(Path("i2.dat")), StoreResult::Done);
        ASSERT_EQ(repsBack.Save(Path("r2.dat")), StoreResult::Done);
        EXPECT_EQ(Read(Path("i2.dat")), Read(Path("i.dat")));
        EXPECT_EQ(Read(Path("r2.dat")), Read(Path("r.dat")));
    }
}

TEST(TakeFields, AgreesWithWritingTheRecordOut) {
    const std::vector<std::string> lines = {
        "2024\t01\t02\tt\t09\t05\tU\tc\to",   "2024\t01\t02\tt\t09\t05\tU\tc\to\t",
        "2024\t01\t02\tt\t09\t05\tU\tc",      "2024\t01\t02\tt \t09\t05\tU\tc \to",
        "2024\t1\t02\tt\t09\t05\tU\tc\to",    "2024\t01\t02\tt\t09\t05\tUU\tc\to",
        "2024\t01\t02\tt\t09\t05\t\tc\to",    "\t\t\t\t\t\t\t\t",
        "2024\t01\t02\t\0\t09\t05\tU\tc\to"s, "-001\t-1\t-9\tt\t00\t00\tN\t\t",
    };
    for (const std::string& line : lines) {
        RecordText record;
        const bool changed = TakeFields(line, IndivFieldWidths, record);
        EXPECT_EQ(changed, JoinFields(record, IndivFieldWidths) != line) << line;
    }
    RecordText record;
    EXPECT_FALSE(TakeFields("2024\t01\t02\tt\t09\t05\tU\t\t", IndivFieldWidths, record));
    EXPECT_TRUE(TakeFields("2024\t01\t02\tt\t09\t05\tU\t\t\t", IndivFieldWidths, record));
}

// Each field cut out at its tab and put through PutField, as a load first did it: what the load
// must still give for any line, however it finds the fields and the bytes that need work.
bool TakenFieldByField(std::string_view line, const int* widths, RecordText& record) {
    record.fill(0);
    bool changed = false;
    bool more = true;
    std::size_t pos = 0;
    std::size_t offset = 0;
    for (int i = 0; widths[i] != 0; ++i) {
        const auto width = static_cast<std::size_t>(widths[i]);
        std::string_view field;
        if (more) {
            const std::size_t tab = line.find('\t', pos);
            const std::size_t end = tab == std::string_view::npos ? line.size() : tab;
            field = line.substr(pos, end - pos);
            more = tab != std::string_view::npos;
            pos = end + 1;
        } else {
            changed = true;
        }
        changed = PutField(field, LoadRulesOf(widths)[i], width, record.data() + offset) || changed;
        offset += width;
    }
    return changed || more;
}

TEST(TakeFields, AnyLineGivesWhatPuttingEachFieldThroughPutFieldGives) {
    std::mt19937 random(17);
    // Digits, signs and blanks for the numbers; NUL, CR and LF to blank; Shift_JIS lead and
    // trail bytes for the cuts.
    // Every other line has one part per field and none of the bytes to blank, as a saved line
    // has, where the load finds the fields another way.
    const std::string bytes = "0123456789  -+aU\x82\xA0\xFC\xFC\x81"s + '\0' + "\r\n";
    const std::string_view saved(bytes.data(), bytes.size() - 3);
    for (const int* widths : {IndivFieldWidths, RepFieldWidths}) {
        const auto count = static_cast<int>(std::find(widths, widths + 20, 0) - widths);
        for (int n = 0; n < 4000; ++n) {
            std::string line;
            const bool likeSaved = n % 2 == 0;
            const int fields = likeSaved ? count : static_cast<int>(random() % 20);
            const std::string_view from = likeSaved ? saved : bytes;
            for (int f = 0; f < fields; ++f) {
                const std::size_t length = random() % 4 == 0 ? random() % 520 : random() % 9;
                for (std::size_t i = 0; i < length; ++i) {
                    line += from[random() % from.size()];
                }
                if (f + 1 < fields) {
                    line += '\t';
                }
            }
            RecordText taken;
            RecordText expected;
            const bool changed = TakeFields(line, widths, taken);
            ASSERT_EQ(changed, TakenFieldByField(line, widths, expected)) << n;
            ASSERT_EQ(taken, expected) << n;
        }
    }
}

// Lines of a file with a few dates and titles, each written in several ways that load as the same
// key (a month without its zero, a title with trailing blanks or a NUL), mostly in key order with
// some out of place and some repeated: the load must keep what normalising each line and
// inserting it in turn keeps, deciding order and repeats on the loaded key, not the line's bytes.
TEST_F(LoadForm, AFileLoadsAsEachLineNormalisedAndInsertedInTurn) {
    std::mt19937 random(39);
    const auto pick = [&random](const std::vector<std::string>& from) {
        return from[random() % from.size()];
    };
    const std::vector<std::string> contents = {"", "c", "c ", "a\0b"s, std::string(450, 'x')};
    for (int round = 0; round < 40; ++round) {
        struct Written {
            int order;  // the key it loads as, as a number that sorts like it
            std::string line;
        };
        // One of the ways of writing that key, with any content: a repeat may be written
        // otherwise than the line it repeats, and must leave nothing of itself in the next.
        const auto write = [&](int month, int title) {
            const std::string mm = (month < 10 ? "0" : "") + std::to_string(month);
            const std::string t = "t" + std::to_string(100 + title);
            const std::string line = "2024\t" + pick({mm, std::to_string(month)}) + "\t01\t" +
                                     pick({t, t + " ", t + "  ", t + "\0"s}) + "\t09\t05\t" +
                                     pick({"U", "N", "UU", ""}) + "\t" + pick(contents) +
                                     pick({"\to", "", "\to\textra"});
            return Written{month * 1000 + title, line};
        };
        std::vector<Written> written;
        const int count = static_cast<int>(random() % 400);
        for (int n = 0; n < count; ++n) {
            written.push_back(
                write(1 + static_cast<int>(random() % 12), static_cast<int>(random() % 30)));
        }
        // Key order, then a few lines moved out of place and a few repeated.
        std::stable_sort(written.begin(), written.end(),
                         [](const Written& a, const Written& b) { return a.order < b.order; });
        for (std::size_t i = 0; i + 1 < written.size(); ++i) {
            if (random() % 25 == 0) {
                std::swap(written[i], written[random() % written.size()]);
            } else if (random() % 25 == 0) {
                const int order = written[i + 1].order;
                written.insert(written.begin() + static_cast<long>(i),
                               write(order / 1000, order % 1000));
            }
        }
        // Each line ends in any of the three line ends, and a few blank lines come between.
        const auto lineEnd = [&] { return pick({"\r\n", "\r\n", "\n", "\r", "\r\n\r\n", "\n\n"}); };

        std::map<std::string, RecordText> model;
        Report expected;
        std::string bytes = kHeader + lineEnd();
        for (const Written& w : written) {
            bytes += w.line + lineEnd();
            RecordText record;
            const bool changed = TakenFieldByField(w.line, IndivFieldWidths, record);
            if (!model.emplace(std::string(record.begin(), record.begin() + kKeySize), record)
                     .second) {
                ++expected.linesNotTaken;
            } else if (changed) {
                ++expected.linesChanged;
            }
        }
        IndivSubjList list;
        ASSERT_EQ(LoadIndiv(list, bytes),
                  expected.linesNotTaken > 0 ? StoreResult::KeyExists : StoreResult::Done)
            << round;
        EXPECT_EQ(report_.linesNotTaken, expected.linesNotTaken) << round;
        EXPECT_EQ(report_.linesChanged, expected.linesChanged) << round;
        std::vector<const RecordText*> loaded;
        list.Tree().AppendInOrder(loaded);
        ASSERT_EQ(loaded.size(), model.size()) << round;
        auto next = loaded.begin();
        for (const auto& [key, record] : model) {
            ASSERT_TRUE(**next++ == record)
                << round << ": " << JoinFields(record, IndivFieldWidths);
        }
        EXPECT_TRUE(list.Tree().CheckInvariants().empty()) << round;
    }
}

}  // namespace
