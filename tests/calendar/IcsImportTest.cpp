// The import of calendar files in the shapes other programs write them: a
// zone of the file's own defined after the items that use it, UTC times,
// all-day dates, a UTF-8 character split by a fold, EXDATE lists, cancelled
// dates; what becomes of each progress and each text too long or foreign to
// Shift_JIS; and bad input, which gives a clear reason and nothing at all, or
// loses only the broken item, counted.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "Clock.h"
#include "IcsImport.h"
#include "IcsItemStream.h"
#include "ScopedTimeZone.h"
#include "SjisCodec.h"

namespace {

std::string Calendar(const std::vector<std::string>& items) {
    std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\n";
    for (const std::string& item : items) {
        text += item;
    }
    return text + "END:VCALENDAR\r\n";
}

// A component of `kind` with the content lines `lines` (CR LF added).
std::string Item(const char* kind, const std::vector<std::string>& lines) {
    std::string text = std::string("BEGIN:") + kind + "\r\n";
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    return text + "END:" + kind + "\r\n";
}

std::string Utf8(const std::string& sjis) {
    return SjisToQString(sjis).toStdString();
}

// Reads `text` as the command would on 2024-05-15 12:00 in `zone`.
class Reading {
  public:
    explicit Reading(const std::string& text, const char* zone = "Asia/Tokyo")
        : tz_(zone), import_([&] {
              std::istringstream in(text);
              return IcsImport::Read(in, LocalTime::Make(2024, 5, 15, 12, 0), zone);
          }()) {}

    const IcsImport& operator*() const { return import_; }
    const IcsImport* operator->() const { return &import_; }
    IcsImport& Import() { return import_; }

    // "YYYY-MM-DD hh:mm title progress" of each dated subject, in the file's order.
    std::vector<std::string> Dated() const {
        std::vector<std::string> shown;
        for (const IndivSubj& s : import_.Dated()) {
            char when[64];
            std::snprintf(when, sizeof when, "%04d-%02d-%02d %02d:%02d ", s.year, s.month, s.day,
                          s.hour, s.minute);
            shown.push_back(when + Utf8(s.title) + " " + static_cast<char>(s.progress));
        }
        return shown;
    }

  private:
    ScopedTimeZone tz_;
    IcsImport import_;
};

// An Outlook-style zone: a Windows name, its rules from 1601 on.
const std::string kEasternZone =
    Item("VTIMEZONE",
         {"TZID:Eastern Standard Time", "BEGIN:STANDARD", "DTSTART:16010101T020000",
          "TZOFFSETFROM:-0400", "TZOFFSETTO:-0500", "RRULE:FREQ=YEARLY;BYDAY=1SU;BYMONTH=11",
          "END:STANDARD", "BEGIN:DAYLIGHT", "DTSTART:16010101T020000", "TZOFFSETFROM:-0500",
          "TZOFFSETTO:-0400", "RRULE:FREQ=YEARLY;BYDAY=2SU;BYMONTH=3", "END:DAYLIGHT"});

TEST(IcsImport, TimesOfOtherProgramsComeInTheComputersZone) {
    const Reading reading(Calendar({
        Item("VEVENT",
             {"UID:1", "SUMMARY:summer", "DTSTART;TZID=Eastern Standard Time:20240710T090000"}),
        Item("VEVENT",
             {"UID:2", "SUMMARY:winter", "DTSTART;TZID=Eastern Standard Time:20240110T090000"}),
        // The zone after the items that name it, as some writers put it.
        kEasternZone,
        Item("VTODO", {"UID:3", "SUMMARY:utc", "DUE:20240515T150000Z"}),
        Item("VTODO", {"UID:4", "SUMMARY:floating", "DTSTART:20240516T071500"}),
        Item("VEVENT", {"UID:5", "SUMMARY:all day", "DTSTART;VALUE=DATE:20240520",
                        "DTEND;VALUE=DATE:20240521"}),
        Item("VTODO", {"UID:6", "SUMMARY:named", "DUE;TZID=Europe/Berlin:20240601T180000",
                       "DTSTART;TZID=Europe/Berlin:20240601T080000"}),
        // Empty texts, which calendar servers write and libical complains of.
        Item("VEVENT", {"UID:7", "SUMMARY:server", "DTSTART:20240602T093000",
                        "DESCRIPTION:", "LOCATION:", "STATUS:CONFIRMED"}),
    }));
    EXPECT_EQ(reading->Problem(), IcsFileProblem::None);
    EXPECT_EQ(reading.Dated(),
              (std::vector<std::string>{"2024-07-10 22:00 summer N", "2024-01-10 23:00 winter N",
                                        "2024-05-16 00:00 utc U", "2024-05-16 07:15 floating U",
                                        "2024-05-20 00:00 all day N", "2024-06-02 01:00 named U",
                                        "2024-06-02 09:30 server N"}));
}

TEST(IcsImport, FoldedUtf8SplitInsideACharacterIsOneTitle) {
    // "会議の準備": the fold falls between the bytes of "の".
    const Reading reading(
        Calendar({"BEGIN:VTODO\r\nUID:1\r\nDUE;VALUE=DATE:20240601\r\n"
                  "SUMMARY:\xE4\xBC\x9A\xE8\xAD\xB0\xE3\x81\r\n"
                  " \xAE\xE6\xBA\x96\xE5\x82\x99\r\nEND:VTODO\r\n"}));
    EXPECT_EQ(reading.Dated(), std::vector<std::string>{"2024-06-01 00:00 会議の準備 U"});
}

TEST(IcsImport, SeriesWithExdatesInTheWindowBecomeTheirDates) {
    // Weekly on Mondays at 08:00 in the computer's zone; two Mondays taken off.
    const std::string weekly = "RRULE:FREQ=WEEKLY;BYDAY=MO";
    const Reading reading(Calendar({
        Item("VEVENT", {"UID:gone", "SUMMARY:off", "DTSTART;TZID=Asia/Tokyo:20240101T080000",
                        weekly, "EXDATE;TZID=Asia/Tokyo:20240520T080000,20240603T080000"}),
        // Taken off only before today: the rule still says it exactly.
        Item("VEVENT", {"UID:past", "SUMMARY:kept", "DTSTART;TZID=Asia/Tokyo:20240101T080000",
                        weekly, "EXDATE;TZID=Asia/Tokyo:20240506T080000"}),
        // A cancelled date, as calendar servers write one.
        Item("VEVENT", {"UID:cut", "SUMMARY:cancelled", "DTSTART;VALUE=DATE:20240101", weekly}),
        Item("VEVENT", {"UID:cut", "RECURRENCE-ID;VALUE=DATE:20240527",
                        "DTSTART;VALUE=DATE:20240527", "STATUS:CANCELLED", "SUMMARY:cancelled"}),
    }));
    ASSERT_EQ(reading->Repeating().size(), 1u);
    EXPECT_EQ(Utf8(reading->Repeating()[0].title), "kept");
    EXPECT_EQ(reading->Repeating()[0].weekly, (std::array<std::uint8_t, 7>{1, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(reading->Repeating()[0].hour, 8);
    std::vector<std::string> dated = reading.Dated();
    std::sort(dated.begin(), dated.end());
    // Mondays from 15 May to 26 June; an event before today is not taken.
    const std::vector<std::string> off = {"2024-05-27 08:00 off N", "2024-06-10 08:00 off N",
                                          "2024-06-17 08:00 off N", "2024-06-24 08:00 off N"};
    const std::vector<std::string> cancelled = {
        "2024-05-20 00:00 cancelled N", "2024-06-03 00:00 cancelled N",
        "2024-06-10 00:00 cancelled N", "2024-06-17 00:00 cancelled N",
        "2024-06-24 00:00 cancelled N"};
    std::vector<std::string> want = off;
    want.insert(want.end(), cancelled.begin(), cancelled.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(dated, want);
    EXPECT_EQ(reading->SeriesExpanded(), 2);
    EXPECT_EQ(reading->DatedFromSeries(), 9);
}

struct ProgressCase {
    const char* name;
    const char* kind;
    std::vector<std::string> lines;
    Progress progress;
};

TEST(IcsImport, ProgressFollowsStatusCompletionAndOurOwnMark) {
    const std::vector<ProgressCase> cases = {
        {"open to-do", "VTODO", {"STATUS:NEEDS-ACTION"}, Progress::Open},
        {"to-do without status", "VTODO", {}, Progress::Open},
        {"completed", "VTODO", {"STATUS:COMPLETED"}, Progress::Done},
        {"completed date", "VTODO", {"COMPLETED:20240510T100000Z"}, Progress::Done},
        {"all percent", "VTODO", {"PERCENT-COMPLETE:100"}, Progress::Done},
        {"some percent", "VTODO", {"PERCENT-COMPLETE:60"}, Progress::Open},
        {"not tracked", "VTODO", {"X-VESKAT-PROGRESS:N"}, Progress::NotTracked},
        {"event", "VEVENT", {}, Progress::NotTracked},
        {"cancelled to-do", "VTODO", {"STATUS:CANCELLED"}, Progress::Open},
    };
    for (const ProgressCase& c : cases) {
        std::vector<std::string> lines = {"UID:x", "SUMMARY:s", "DTSTART;VALUE=DATE:20240601"};
        lines.insert(lines.end(), c.lines.begin(), c.lines.end());
        const Reading reading(Calendar({Item(c.kind, lines)}));
        ASSERT_EQ(reading->Dated().size(), 1u) << c.name;
        EXPECT_EQ(reading->Dated()[0].progress, c.progress) << c.name;
    }
}

TEST(IcsImport, TextsVeskatCannotHoldAreMendedAndCounted) {
    std::string longTitle;
    for (int i = 0; i < 40; ++i) {
        longTitle += "\xE6\xBC\xA2";  // 漢: 2 bytes in Shift_JIS, 80 in all
    }
    const std::string longContent = std::string(390, 'a') + "\\nb";
    const Reading reading(Calendar({
        Item("VTODO", {"UID:1", "DUE;VALUE=DATE:20240601", "SUMMARY:" + longTitle}),
        Item("VTODO", {"UID:2", "DUE;VALUE=DATE:20240602", "SUMMARY:smile \xF0\x9F\x98\x80!",
                       "DESCRIPTION:first\\nsecond\ttabbed"}),
        Item("VTODO", {"UID:3", "DUE;VALUE=DATE:20240603", "SUMMARY:two\\nlines\ttab",
                       "DESCRIPTION:" + longContent}),
    }));
    const std::vector<IndivSubj>& dated = reading->Dated();
    ASSERT_EQ(dated.size(), 3u);
    EXPECT_EQ(dated[0].title.size(), 72u);
    EXPECT_EQ(Utf8(dated[0].title), longTitle.substr(0, 36 * 3));
    EXPECT_EQ(Utf8(dated[1].title), "smile 〓!");
    EXPECT_EQ(dated[1].content, "first<br>second tabbed");
    EXPECT_EQ(dated[2].title, "two lines tab");
    // The cut would fall inside "<br>", which goes as a whole.
    EXPECT_EQ(dated[2].content, std::string(390, 'a'));
    EXPECT_EQ(reading->Losses().standIns, 1);
    EXPECT_EQ(reading->Losses().titlesCut, 1);
    EXPECT_EQ(reading->Losses().contentsCut, 1);
    const std::vector<std::string> summary = reading->SummaryLines(false, false);
    for (const char* line : {"1 subjects have characters Shift_JIS lacks, shown as 〓.",
                             "1 titles were longer than 72 bytes and are cut.",
                             "1 contents were longer than 392 bytes and are cut."}) {
        EXPECT_NE(std::find(summary.begin(), summary.end(), line), summary.end()) << line;
    }
}

struct BadFile {
    const char* name;
    std::string text;
    IcsFileProblem problem;
    int line;
    const char* message;
};

TEST(IcsImport, BadFilesGiveTheirReasonAndNothingElse) {
    const std::string good = Item("VTODO", {"UID:1", "SUMMARY:s", "DUE;VALUE=DATE:20240601"});
    const std::vector<BadFile> files = {
        {"not a calendar", "From: someone\r\n\r\nhello\r\n", IcsFileProblem::NotICalendar, 1,
         "f.ics is not an iCalendar file. Nothing was added."},
        {"empty", "", IcsFileProblem::NotICalendar, 0,
         "f.ics is not an iCalendar file. Nothing was added."},
        {"cut short", "BEGIN:VCALENDAR\r\n" + good + "BEGIN:VTODO\r\nUID:2\r\n",
         IcsFileProblem::CutShort, 8,
         "f.ics ends at line 8 before its calendar does: it is cut short. Nothing was added."},
        {"end of nothing", Calendar({good, "END:VEVENT\r\n"}), IcsFileProblem::Malformed, 9,
         "f.ics is malformed at line 9: BEGIN and END do not match. Nothing was added."},
        {"crossed ends", Calendar({"BEGIN:VTODO\r\nBEGIN:VALARM\r\nEND:VTODO\r\n"}),
         IcsFileProblem::Malformed, 6,
         "f.ics is malformed at line 6: BEGIN and END do not match. Nothing was added."},
        {"text after the calendar", Calendar({good}) + "garbage\r\n", IcsFileProblem::Malformed, 10,
         "f.ics is malformed at line 10: BEGIN and END do not match. Nothing was added."},
        {"line too long",
         Calendar({good,
                   "BEGIN:VTODO\r\nSUMMARY:" + std::string(IcsItemStream::kMaxLineBytes + 10, 'x') +
                       "\r\nEND:VTODO\r\n"}),
         IcsFileProblem::LineTooLong, 10,
         "f.ics has a line too long at line 10. Nothing was added."},
    };
    for (const BadFile& file : files) {
        const Reading reading(file.text);
        EXPECT_EQ(reading->Problem(), file.problem) << file.name;
        EXPECT_EQ(reading->ProblemLine(), file.line) << file.name;
        EXPECT_TRUE(reading->Dated().empty() && reading->Repeating().empty()) << file.name;
        EXPECT_EQ(reading->ProblemText("f.ics", false), file.message) << file.name;
    }
}

TEST(IcsImport, BrokenItemsAreSkippedAndCountedAndTheRestTaken) {
    std::string large;
    for (int i = 0; i < 80000; ++i) {
        large += "DESCRIPTION:" + std::string(60, 'd') + "\r\n";
    }
    // A byte-order mark where the file starts is nothing.
    const Reading reading(
        "\xEF\xBB\xBF" +
        Calendar({
            Item("VTODO", {"UID:1", "SUMMARY:good", "DUE;VALUE=DATE:20240601"}),
            Item("VTODO", {"UID:2", "SUMMARY:zone", "DUE;TZID=Mars/Olympus:20240601T090000"}),
            Item("VEVENT", {"UID:3", "SUMMARY:broken", "DTSTART:2024-06-01 09:00"}),
            Item("VTODO", {"UID:4", "SUMMARY:no date"}),
            Item("VJOURNAL", {"UID:5", "SUMMARY:journal", "DTSTART:20240601T090000"}),
            Item("VTODO", {"UID:6", "SUMMARY:late", "DUE:99991231T230000Z"}),
            Item("VTODO", {"UID:7", "SUMMARY:next", "DUE;VALUE=DATE:20240602"}),
            "BEGIN:VEVENT\r\nUID:8\r\nDTSTART:20240602T090000\r\n" + large + "END:VEVENT\r\n",
            Item("VEVENT", {"UID:9", "SUMMARY:every second", "DTSTART:19000101T000000",
                            "RRULE:FREQ=SECONDLY"}),
            Item("VEVENT", {"UID:10", "SUMMARY:attached", "DTSTART:20240603T090000",
                            "ATTACH;ENCODING=BASE64;VALUE=BINARY:" +
                                std::string(IcsItemStream::kMaxLineBytes * 3, 'A')}),
            Item("VEVENT", {"UID:11", "SUMMARY:long ago", "DTSTART;VALUE=DATE:20200101",
                            "RRULE:FREQ=DAILY;COUNT=3"}),
        }));
    ASSERT_EQ(reading->Problem(), IcsFileProblem::None);
    EXPECT_EQ(reading.Dated(),
              (std::vector<std::string>{"2024-06-01 00:00 good U", "2024-06-02 00:00 next U",
                                        "2024-06-03 09:00 attached N"}));
    EXPECT_EQ(reading->Skipped(SkipReason::UnknownZone), 1);
    EXPECT_EQ(reading->Skipped(SkipReason::Broken), 1);
    EXPECT_EQ(reading->Skipped(SkipReason::NoDate), 1);
    EXPECT_EQ(reading->Skipped(SkipReason::NotSubject), 1);
    EXPECT_EQ(reading->Skipped(SkipReason::OutOfRange), 1);
    EXPECT_EQ(reading->Skipped(SkipReason::TooLarge), 1);
    EXPECT_EQ(reading->Skipped(SkipReason::TooManyDates), 1);
    EXPECT_EQ(reading->Skipped(SkipReason::NoDayInWindow), 1);
    const std::vector<std::string> summary = reading->SummaryLines(false, false);
    EXPECT_EQ(summary.front(), "3 dated and 0 repeating subjects will be added.");
    EXPECT_NE(std::find(summary.begin(), summary.end(), "8 items are not taken:"), summary.end());
    EXPECT_NE(std::find(summary.begin(), summary.end(), "  1 in a time zone not known"),
              summary.end());
}

TEST(IcsImport, SubjectsAlreadyThereAreLeftAsTheyAre) {
    ScopedTimeZone tz("Asia/Tokyo");
    IndivSubjList indiv;
    RepSubjList rep;
    indiv.current.year = 2024;
    indiv.current.month = 6;
    indiv.current.day = 1;
    indiv.current.title = "there";
    indiv.current.content = "mine";
    indiv.current.progress = Progress::Done;
    ASSERT_EQ(indiv.Insert(), StoreResult::Done);
    rep.current.title = "weekly";
    rep.current.weekly[4] = 1;
    ASSERT_EQ(rep.Insert(), StoreResult::Done);

    Reading reading(Calendar({
        Item("VTODO", {"UID:1", "SUMMARY:there", "DUE;VALUE=DATE:20240601", "DESCRIPTION:theirs"}),
        Item("VTODO", {"UID:2", "SUMMARY:new", "DUE;VALUE=DATE:20240601"}),
        Item("VTODO", {"UID:3", "SUMMARY:new", "DUE:20240601T090000", "DESCRIPTION:twice"}),
        Item("VEVENT", {"UID:4", "SUMMARY:weekly", "DTSTART;TZID=Asia/Tokyo:20240101T090000",
                        "RRULE:FREQ=WEEKLY"}),
    }));
    reading.Import().LeaveOutPresent(indiv, rep);
    EXPECT_EQ(reading->AlreadyThere(), 3);
    ASSERT_TRUE(reading->AddTo(indiv, rep));
    std::vector<std::string> stored;
    for (StoreResult r = indiv.First(); r == StoreResult::Done; r = indiv.Next()) {
        stored.push_back(indiv.current.title + ":" + indiv.current.content);
    }
    EXPECT_EQ(stored, (std::vector<std::string>{"new:", "there:mine"}));
    rep.current.title = "weekly";
    ASSERT_EQ(rep.Find(), StoreResult::Done);
    EXPECT_EQ(rep.current.weekly[4], 1);
    EXPECT_EQ(rep.current.weekly[0], 0);
}

}  // namespace
