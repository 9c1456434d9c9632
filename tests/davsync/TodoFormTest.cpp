// The VTODO form of a dated subject, checked through libical's own reading of
// what veskat writes: random subjects come back from their text field for
// field; a patch leaves every property veskat does not own as the server had
// it; the shapes other programs write are read as the computer's zone has
// them; and what Shift_JIS cannot hold is shown, not lost.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "Clock.h"
#include "DatedSubject.h"
#include "SystemZone.h"
#include "TodoForm.h"
#include "TodoParts.h"
#include "TodoReading.h"

namespace {

constexpr std::time_t kNow = 1796000000;  // 2026-11-30

std::string Zone() {
    return SystemZoneName();
}

void ExpectSame(const IndivSubj& got, const IndivSubj& want, const std::string& text) {
    for (const SubjField field : kAllSubjFields) {
        EXPECT_TRUE(SameField(got, want, field)) << static_cast<int>(field) << "\n" << text;
    }
}

TEST(TodoFormTest, RandomSubjectsComeBackFromTheirTextFieldForField) {
    std::mt19937 random(36);
    // Shift_JIS pieces: kanji, kana, ASCII with the characters TEXT escapes,
    // blanks inside. libical drops the blanks at either end of a value.
    const std::vector<std::string> pieces = {
        "\x93\xFA\x96\x7B", "\x83\x65\x83\x58\x83\x67", "a,b;c\\d", "x  x", "\x81\x60", "<br>"};
    const auto text = [&](int parts) {
        std::string out;
        for (int i = 0; i < parts; ++i) {
            out += pieces[random() % pieces.size()];
        }
        return out;
    };
    for (int round = 0; round < 300; ++round) {
        const bool midnight = random() % 3 == 0;
        const Progress progress =
            std::array{Progress::NotTracked, Progress::Open, Progress::Done}[random() % 3];
        IndivSubj subj = Dated(
            "", 2000 + static_cast<int>(random() % 60), 1 + static_cast<int>(random() % 12),
            1 + static_cast<int>(random() % 28), midnight ? 0 : static_cast<int>(random() % 24),
            midnight ? 0 : 1 + static_cast<int>(random() % 59), progress);
        subj.title = "t" + text(static_cast<int>(random() % 4));
        subj.title.erase(std::remove(subj.title.begin(), subj.title.end(), '<'), subj.title.end());
        subj.content = "c" + text(static_cast<int>(random() % 5)) + "c";
        subj.origin = random() % 2 == 0 ? subj.title : "";
        const std::string ics = NewTodoText(subj, "u1@veskat", kNow, Zone());

        const TodoReading read = ReadTodo(ics, Zone());
        ASSERT_EQ(read.shape, TodoShape::Dated) << ics;
        EXPECT_FALSE(read.degraded);
        EXPECT_EQ(read.uid, "u1@veskat");
        ExpectSame(read.subj, subj, ics);
        EXPECT_EQ(Property(ics, ICAL_DTSTART_PROPERTY), "") << ics;
        const std::string due = Property(ics, ICAL_DUE_PROPERTY);
        if (midnight) {
            EXPECT_EQ(due.rfind("DUE;VALUE=DATE:", 0), 0u) << due;
        } else {
            EXPECT_EQ(due.rfind("DUE;TZID=" + Zone() + ":", 0), 0u) << due;
            EXPECT_NE(ics.find("BEGIN:VTIMEZONE\r\nTZID:" + Zone()), std::string::npos);
        }
        const std::string status = Property(ics, ICAL_STATUS_PROPERTY);
        const bool done = progress == Progress::Done;
        EXPECT_EQ(status, done                         ? "STATUS:COMPLETED"
                          : progress == Progress::Open ? "STATUS:NEEDS-ACTION"
                                                       : "");
        EXPECT_EQ(Property(ics, ICAL_PERCENTCOMPLETE_PROPERTY) == "PERCENT-COMPLETE:100", done);
        EXPECT_EQ(Property(ics, ICAL_COMPLETED_PROPERTY).empty(), !done);
        EXPECT_EQ(ics.find("X-VESKAT-PROGRESS:N") != std::string::npos,
                  progress == Progress::NotTracked);
        EXPECT_EQ(ics.find("X-VESKAT-ORIGIN:") != std::string::npos, !subj.origin.empty());
    }
}

TEST(TodoFormTest, APatchRewritesOnlyWhatVeskatOwnsOfTheFieldsItWrites) {
    const IndivSubj subj = Dated("\x94\x83\x82\xA2\x95\xA8", 2026, 12, 2, 9, 30, Progress::Done,
                                 "\x8B\x8D\x93\xFB<br>x", "\x94\x83\x82\xA2\x95\xA8");
    const struct {
        SubjField field;
        std::set<std::string> rewritten;
    } cases[] = {
        {SubjField::Title, {"SUMMARY"}},
        {SubjField::Content, {"DESCRIPTION"}},
        // DUE moves before the start: the start moves with it, as far.
        {SubjField::When, {"DUE", "DTSTART"}},
        {SubjField::Progress, {"STATUS", "COMPLETED", "PERCENT-COMPLETE", "X-VESKAT-PROGRESS"}},
        {SubjField::Origin, {"X-VESKAT-ORIGIN"}},
    };
    const std::set<std::string> always = {"SEQUENCE", "LAST-MODIFIED"};
    for (const auto& c : cases) {
        FieldSet fields;
        fields.Add(c.field);
        std::string patched;
        ASSERT_EQ(PatchTodo(kPhoneTodo, subj, fields, kNow, Zone(), patched),
                  PatchOutcome::Patched);
        std::set<std::string> rewritten = c.rewritten;
        rewritten.insert(always.begin(), always.end());
        EXPECT_EQ(TodoLines(patched, rewritten), TodoLines(kPhoneTodo, rewritten))
            << static_cast<int>(c.field) << "\n"
            << patched;
        EXPECT_EQ(Property(patched, ICAL_SEQUENCE_PROPERTY), "SEQUENCE:5");
        EXPECT_NE(Property(patched, ICAL_LASTMODIFIED_PROPERTY), "");
        const TodoReading read = ReadTodo(patched, Zone());
        ASSERT_EQ(read.shape, TodoShape::Dated);
        EXPECT_TRUE(SameField(read.subj, subj, c.field)) << patched;
        if (c.field == SubjField::When) {
            EXPECT_EQ(Property(patched, ICAL_DTSTART_PROPERTY),
                      "DTSTART;TZID=" + Zone() + ":20261130T093000");
        }
    }
    // Nothing to write leaves the text as libical reads it.
    std::string untouched;
    ASSERT_EQ(PatchTodo(kPhoneTodo, subj, FieldSet(), kNow, Zone(), untouched),
              PatchOutcome::Patched);
    EXPECT_EQ(TodoLines(untouched, {}), TodoLines(kPhoneTodo, {}));
    std::string none;
    EXPECT_EQ(
        PatchTodo("BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:e\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n",
                  subj, FieldSet::All(), kNow, Zone(), none),
        PatchOutcome::NotTodo);
}

std::string Calendar(const std::string& todoLines, const std::string& more = "") {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//t//t//EN\r\n" + more +
           "BEGIN:VTODO\r\nUID:x\r\nDTSTAMP:20261101T000000Z\r\n" + todoLines +
           "END:VTODO\r\nEND:VCALENDAR\r\n";
}

// The computer's local time of an instant in UTC, as the reader must give it.
IndivSubj LocalOf(int year, int month, int day, int hour, int minute) {
    std::tm utc{};
    utc.tm_year = year - 1900;
    utc.tm_mon = month - 1;
    utc.tm_mday = day;
    utc.tm_hour = hour;
    utc.tm_min = minute;
    const std::tm local = LocalTime::Break(timegm(&utc));
    return Dated("", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                 local.tm_min, Progress::Open);
}

TEST(TodoFormTest, OtherProgramsShapesAreReadInTheComputersZone) {
    const std::string newYork =
        "BEGIN:VTIMEZONE\r\nTZID:Eastern\r\nBEGIN:STANDARD\r\nDTSTART:19701101T020000\r\n"
        "RRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU\r\nTZOFFSETFROM:-0400\r\nTZOFFSETTO:-0500\r\n"
        "END:STANDARD\r\nBEGIN:DAYLIGHT\r\nDTSTART:19700308T020000\r\n"
        "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU\r\nTZOFFSETFROM:-0500\r\nTZOFFSETTO:-0400\r\n"
        "END:DAYLIGHT\r\nEND:VTIMEZONE\r\n";
    const struct {
        std::string text;
        TodoShape shape;
        IndivSubj when;
        Progress progress;
    } cases[] = {
        {Calendar("DUE:20261205T231500Z\r\n"), TodoShape::Dated, LocalOf(2026, 12, 5, 23, 15),
         Progress::Open},
        {Calendar("DUE;TZID=Eastern:20260705T200000\r\n", newYork), TodoShape::Dated,
         LocalOf(2026, 7, 6, 0, 0), Progress::Open},
        {Calendar("DUE;TZID=America/Chicago:20261205T080000\r\n"), TodoShape::Dated,
         LocalOf(2026, 12, 5, 14, 0), Progress::Open},
        {Calendar("DUE;VALUE=DATE:20261205\r\n"), TodoShape::Dated,
         Dated("", 2026, 12, 5, 0, 0, Progress::Open), Progress::Open},
        {Calendar("DUE:20261205T101500\r\n"), TodoShape::Dated,
         Dated("", 2026, 12, 5, 10, 15, Progress::Open), Progress::Open},
        {Calendar("DTSTART;VALUE=DATE:20261206\r\nSTATUS:COMPLETED\r\n"), TodoShape::Dated,
         Dated("", 2026, 12, 6, 0, 0, Progress::Open), Progress::Done},
        {Calendar("DUE;VALUE=DATE:20261205\r\nCOMPLETED:20261204T000000Z\r\n"), TodoShape::Dated,
         Dated("", 2026, 12, 5, 0, 0, Progress::Open), Progress::Done},
        {Calendar("DUE;VALUE=DATE:20261205\r\nPERCENT-COMPLETE:100\r\n"), TodoShape::Dated,
         Dated("", 2026, 12, 5, 0, 0, Progress::Open), Progress::Done},
        // A client that adds NEEDS-ACTION to one veskat does not track.
        {Calendar("DUE;VALUE=DATE:20261205\r\nSTATUS:NEEDS-ACTION\r\nX-VESKAT-PROGRESS:N\r\n"),
         TodoShape::Dated, Dated("", 2026, 12, 5, 0, 0, Progress::Open), Progress::NotTracked},
        {Calendar("DUE;TZID=Nowhere/Known:20261205T080000\r\n"), TodoShape::Broken, {}, {}},
        {Calendar("DUE;VALUE=DATE:20261205\r\nRRULE:FREQ=WEEKLY\r\n"),
         TodoShape::Recurring,
         {},
         {}},
        {Calendar("SUMMARY:someday\r\n"), TodoShape::NoDate, {}, {}},
        {"BEGIN:VCALENDAR\r\nBEGIN:VJOURNAL\r\nUID:j\r\nEND:VJOURNAL\r\nEND:VCALENDAR\r\n",
         TodoShape::NotTodo,
         {},
         {}},
        {"not a calendar", TodoShape::Broken, {}, {}},
    };
    for (const auto& c : cases) {
        const TodoReading read = ReadTodo(c.text, Zone());
        ASSERT_EQ(read.shape, c.shape) << c.text;
        if (c.shape == TodoShape::Dated) {
            EXPECT_TRUE(SameField(read.subj, c.when, SubjField::When))
                << c.text << read.prints[static_cast<std::size_t>(SubjField::When)];
            EXPECT_EQ(read.subj.progress, c.progress) << c.text;
        }
    }
}

TEST(TodoFormTest, WhatShiftJisCannotHoldIsShownWithStandInsAndCut) {
    const std::string longTitle(100, 'a');
    const TodoReading read = ReadTodo(
        Calendar("DUE;VALUE=DATE:20261205\r\nSUMMARY:\xF0\x9F\x8D\xA3 sushi \xE2\x98\x83\r\n"
                 "DESCRIPTION:line1\\nline2\r\n"),
        Zone());
    ASSERT_EQ(read.shape, TodoShape::Dated);
    EXPECT_TRUE(read.degraded);
    EXPECT_EQ(read.subj.title, std::string(kStandIn) + " sushi " + kStandIn);
    EXPECT_EQ(read.subj.content, "line1<br>line2");
    EXPECT_EQ(read.prints[static_cast<std::size_t>(SubjField::Title)],
              "\xF0\x9F\x8D\xA3 sushi \xE2\x98\x83");
    const TodoReading cut =
        ReadTodo(Calendar("DUE;VALUE=DATE:20261205\r\nSUMMARY:" + longTitle + "\r\n"), Zone());
    EXPECT_TRUE(cut.degraded);
    EXPECT_EQ(cut.subj.title, longTitle.substr(0, kTitleLimit));
}

}  // namespace
