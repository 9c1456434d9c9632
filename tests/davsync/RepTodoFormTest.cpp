// The VTODO form of a repeating subject: random subjects come back from their
// text byte for byte as records; a patch leaves every property veskat does not
// own as the server had it; what is not a to-do of veskat's rules is left
// alone and never read as a dated subject; and the RRULE other programs see,
// read by python3-icalendar and expanded by python3-dateutil, falls on the
// very days the batch generates, for every kind of rule.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <map>
#include <random>

#include "CalendarDay.h"
#include "ExpandRepSubj.h"
#include "RepTodoForm.h"
#include "SystemZone.h"
#include "TodoParts.h"
#include "TodoReading.h"

namespace {

constexpr std::time_t kNow = 1796000000;  // 2026-11-30

std::string Zone() {
    return SystemZoneName();
}

// Rules in the order of RepSubj's fields: yearly month and day, monthly day,
// monthly week and weekday, weekly flags from Monday; then hh:mm.
RepSubj Rules(const std::string& title, std::array<int, 5> rules, std::string weekly = "0000000",
              int hour = 0, int minute = 0) {
    RepSubj subj;
    subj.title = title;
    subj.yearlyMonth = static_cast<std::int16_t>(rules[0]);
    subj.yearlyDay = static_cast<std::int16_t>(rules[1]);
    subj.monthlyDay = static_cast<std::int16_t>(rules[2]);
    subj.monthlyWeek = static_cast<std::int16_t>(rules[3]);
    subj.monthlyWeekday = static_cast<std::int16_t>(rules[4]);
    for (std::size_t d = 0; d < 7; ++d) {
        subj.weekly[d] = static_cast<std::uint8_t>(weekly[d] - '0');
    }
    subj.hour = static_cast<std::int16_t>(hour);
    subj.minute = static_cast<std::int16_t>(minute);
    subj.progress = Progress::Open;
    return subj;
}

RecordText Record(RepSubj subj) {
    return EncodeRepSubj(subj);
}

TEST(RepTodoFormTest, RandomSubjectsComeBackByteForByte) {
    std::mt19937 random(37);
    const std::vector<std::string> pieces = {
        "\x96\x88\x8C\x8E", "\x83\x65\x83\x58\x83\x67", "a,b;c\\d", "x  x", "<br>", "\x81\x60"};
    const auto number = [&](int high) { return static_cast<int>(random() % (high + 1)); };
    for (int round = 0; round < 300; ++round) {
        // Fields out of their ranges too: the record holds them, so must the item.
        std::string weekly;
        for (int d = 0; d < 7; ++d) {
            weekly += static_cast<char>('0' + (random() % 5 == 0 ? number(9) : number(1)));
        }
        RepSubj subj = Rules("r", {number(13), number(32), number(99), number(6), number(8)},
                             weekly, number(23), number(59));
        for (int i = number(3); i > 0; --i) {
            subj.title += pieces[random() % pieces.size()];
        }
        std::erase(subj.title, '<');
        for (int i = number(4); i > 0; --i) {
            subj.content += pieces[random() % pieces.size()];
        }
        subj.content = "c" + subj.content + "c";
        subj.progress =
            std::array{Progress::NotTracked, Progress::Open, Progress::Done}[random() % 3];
        const std::string ics = NewRepTodoText(subj, "u-r@veskat", kNow, Zone());

        const RepReading read = ReadRepTodo(ics);
        ASSERT_EQ(read.shape, TodoShape::Rules) << ics;
        EXPECT_EQ(read.uid, "u-r@veskat");
        EXPECT_FALSE(read.degraded);
        EXPECT_EQ(Record(read.subj), Record(subj)) << ics;
        // The dated subjects' sync passes it over: never shown twice.
        EXPECT_EQ(ReadTodo(ics, Zone()).shape, TodoShape::Recurring) << ics;

        // A patch of a phone's to-do with some fields: those come back, and
        // every line of a property veskat does not own stays.
        FieldSet fields;
        for (const SubjField field : kAllSubjFields) {
            if (random() % 2 == 0) {
                fields.Add(field);
            }
        }
        std::string patched;
        ASSERT_EQ(PatchRepTodo(kPhoneTodo, subj, fields, kNow, Zone(), patched),
                  PatchOutcome::Patched);
        const std::set<std::string> owned = {"SUMMARY",   "DESCRIPTION",      "X-VESKAT-RULES",
                                             "RRULE",     "DTSTART",          "STATUS",
                                             "COMPLETED", "PERCENT-COMPLETE", "X-VESKAT-PROGRESS",
                                             "SEQUENCE",  "LAST-MODIFIED"};
        EXPECT_EQ(TodoLines(patched, owned), TodoLines(kPhoneTodo, owned)) << patched;
        const RepReading back = ReadRepTodo(patched);
        if (!fields.Has(SubjField::When)) {
            EXPECT_EQ(back.shape, TodoShape::NoRules);
            continue;
        }
        ASSERT_EQ(back.shape, TodoShape::Rules) << patched;
        for (const SubjField field : kAllSubjFields) {
            EXPECT_EQ(SameField(back.subj, subj, field), fields.Has(field) ||
                                                             field == SubjField::Origin ||
                                                             SameField(read.subj, back.subj, field))
                << static_cast<int>(field) << "\n"
                << patched;
        }
    }
}

TEST(RepTodoFormTest, WhatIsNotRulesAsVeskatWritesThemIsLeftAlone) {
    const auto calendar = [](const std::string& lines) {
        return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VTODO\r\nUID:x\r\n" + lines +
               "END:VTODO\r\nEND:VCALENDAR\r\n";
    };
    const struct {
        std::string text;
        TodoShape shape;
    } cases[] = {
        {calendar("SUMMARY:phone's own\r\nRRULE:FREQ=DAILY\r\n"), TodoShape::NoRules},
        {calendar("X-VESKAT-RULES:yearly=01/02;monthly=03;week=1/2;weekly=0000001;time=09:30\r\n"),
         TodoShape::Rules},
        {calendar("X-VESKAT-RULES:yearly=01/02;monthly=03;week=1/2;weekly=000001;time=09:30\r\n"),
         TodoShape::Broken},
        {calendar("X-VESKAT-RULES:yearly=01/02;monthly=3x;week=1/2;weekly=0000001;time=09:30\r\n"),
         TodoShape::Broken},
        {calendar("X-VESKAT-RULES:monthly=03\r\n"), TodoShape::Broken},
        {"BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:e\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n",
         TodoShape::NotTodo},
        {"not a calendar", TodoShape::Broken},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadRepTodo(c.text).shape, c.shape) << c.text;
    }
}

// Each subject's file, and the days the batch makes from it in the year from kNow.
struct RuleCase {
    RepSubj subj;
    bool hasRrule;
};

TEST(RepTodoFormTest, OtherProgramsSeeTheDaysTheBatchGenerates) {
    const RuleCase cases[] = {
        {Rules("yearly", {3, 15, 0, 0, 0}), true},
        {Rules("leap day", {2, 29, 0, 0, 0}, "0000000", 7, 0), true},
        {Rules("new year's eve", {12, 31, 0, 0, 0}, "0000000", 23, 59), true},
        {Rules("monthly 1", {0, 0, 1, 0, 0}, "0000000", 9, 30), true},
        {Rules("monthly 30", {0, 0, 30, 0, 0}), true},
        {Rules("monthly 31", {0, 0, 31, 0, 0}, "0000000", 18, 0), true},
        {Rules("first monday", {0, 0, 0, 1, 1}), true},
        {Rules("second wednesday", {0, 0, 0, 2, 3}, "0000000", 12, 15), true},
        {Rules("fifth friday", {0, 0, 0, 5, 5}), true},
        {Rules("fourth sunday", {0, 0, 0, 4, 7}, "0000000", 8, 0), true},
        {Rules("saturdays", {0, 0, 0, 0, 0}, "0000010"), true},
        {Rules("mon wed fri", {0, 0, 0, 0, 0}, "1010100", 6, 45), true},
        {Rules("every day", {0, 0, 0, 0, 0}, "1111111"), true},
        // A rule with a field unset, or out of range, never holds: the other
        // rule alone tells the days.
        {Rules("half yearly", {0, 10, 0, 0, 0}, "0100000"), true},
        {Rules("bad week", {0, 0, 14, 6, 1}), true},
        // Two rules, or none that can hold: no RRULE.
        {Rules("two rules", {5, 5, 0, 0, 0}, "1000000"), false},
        {Rules("never", {2, 30, 0, 0, 0}), false},
        {Rules("none", {0, 0, 0, 0, 0}), false},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::map<std::string, std::string> want;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const RuleCase& c = cases[i];
        const std::string name = "case" + std::to_string(100 + i) + ".ics";
        const std::string ics = NewRepTodoText(c.subj, name + "@veskat", kNow, Zone());
        QFile file(dir.filePath(QString::fromStdString(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(ics.data(), static_cast<qint64>(ics.size()));
        std::string days;
        for (int offset = 0; c.hasRrule && offset <= 365; ++offset) {
            const CalendarDay day = DayFrom(kNow, offset);
            const RuleHolds holds = RulesHolding(c.subj, day);
            if (std::find(holds.begin(), holds.end(), true) != holds.end()) {
                char text[16];
                std::snprintf(text, sizeof text, " %04d%02d%02d", day.year, day.month, day.day);
                days += text;
            }
        }
        want[name] = !c.hasRrule ? "-" : days.empty() ? "" : days.substr(1);
        EXPECT_EQ(ics.find("RRULE:") != std::string::npos, c.hasRrule) << c.subj.title;
    }
    const CalendarDay last = DayFrom(kNow, 365);
    char lastText[16];
    std::snprintf(lastText, sizeof lastText, "%04d%02d%02d", last.year, last.month, last.day);
    QProcess python;
    python.start("/usr/bin/python3", {VESKAT_RRULE_DAYS_SCRIPT, dir.path(), lastText});
    ASSERT_TRUE(python.waitForFinished(60000));
    ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    std::map<std::string, std::string> seen;
    for (const QByteArray& line : python.readAllStandardOutput().split('\n')) {
        if (const qsizetype blank = line.indexOf(' '); blank > 0) {
            seen[line.left(blank).toStdString()] = line.mid(blank + 1).toStdString();
        }
    }
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::string name = "case" + std::to_string(100 + i) + ".ics";
        EXPECT_EQ(seen[name], want[name]) << cases[i].subj.title;
    }
}

}  // namespace
