// Record texts byte for byte, the derived days-left and overdue fields, and
// the small text functions.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <tuple>

#include "Clock.h"
#include "SjisText.h"
#include "SubjRecord.h"

namespace {

using namespace std::string_literals;

std::string Bytes(const RecordText& r, std::size_t offset, std::size_t n) {
    return std::string(reinterpret_cast<const char*>(r.data() + offset), n);
}

bool ZeroFrom(const RecordText& r, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) {
        if (r[i] != 0)
            return false;
    }
    return true;
}

IndivSubj Indiv(int y, int m, int d, std::string title, int h = 0, int min = 0) {
    IndivSubj s;
    s.year = static_cast<std::int16_t>(y);
    s.month = static_cast<std::int16_t>(m);
    s.day = static_cast<std::int16_t>(d);
    s.title = std::move(title);
    s.hour = static_cast<std::int16_t>(h);
    s.minute = static_cast<std::int16_t>(min);
    s.progress = Progress::Open;
    return s;
}

// Half-width kana (single bytes 0xB1..), kanji (double bytes) and ASCII.
const std::string kKanjiTitle = "\x89\xEF\x8B\x63 \xB6\xB2\xB7\xDE";  // 会議 ｶｲｷﾞ

TEST(IndivRecordText, LaysOutEveryFieldAtItsOffset) {
    IndivSubj s = Indiv(2005, 10, 8, kKanjiTitle + "   ", 9, 30);
    s.content = "a<br>b  ";
    s.origin = "weekly  ";
    RecordText r = EncodeIndivSubj(s);
    using namespace IndivFields;
    EXPECT_EQ(Bytes(r, kYear.offset, kDay.End()), "20051008");
    EXPECT_EQ(Bytes(r, kTitle.offset, kKanjiTitle.size()), kKanjiTitle);
    EXPECT_TRUE(ZeroFrom(r, kTitle.offset + kKanjiTitle.size(), kTitle.End()));
    EXPECT_EQ(Bytes(r, kHour.offset, 5), "0930U");
    EXPECT_EQ(Bytes(r, kContent.offset, 8), "a<br>b  ");  // content keeps its trailing blanks
    EXPECT_TRUE(ZeroFrom(r, kContent.offset + 8, kOrigin.offset));
    EXPECT_EQ(Bytes(r, kOrigin.offset, 6), "weekly");
    EXPECT_TRUE(ZeroFrom(r, kOrigin.offset + 6, kRecordSize));
    EXPECT_EQ(s.title, kKanjiTitle);  // trimmed in place
    EXPECT_EQ(s.origin, "weekly");

    ScopedClock clock(LocalTime::Make(2005, 10, 1, 12));
    IndivSubj back = DecodeIndivSubj(r);
    EXPECT_EQ(back.year, 2005);
    EXPECT_EQ(back.month, 10);
    EXPECT_EQ(back.day, 8);
    EXPECT_EQ(back.title, kKanjiTitle);
    EXPECT_EQ(back.hour, 9);
    EXPECT_EQ(back.minute, 30);
    EXPECT_EQ(back.progress, Progress::Open);
    EXPECT_EQ(back.content, "a<br>b  ");
    EXPECT_EQ(back.origin, "weekly");
    EXPECT_EQ(EncodeIndivSubj(back), r);
}

TEST(IndivRecordText, SameDateAndTrimmedTitleMakeTheSameKey) {
    IndivSubj a = Indiv(2024, 1, 2, "abc", 9);
    IndivSubj b = Indiv(2024, 1, 2, "abc   ", 14);
    b.content = "other";
    RecordText ra = EncodeIndivSubj(a);
    RecordText rb = EncodeIndivSubj(b);
    EXPECT_TRUE(std::equal(ra.begin(), ra.begin() + kKeySize, rb.begin()));
    EXPECT_NE(ra, rb);
}

TEST(IndivRecordText, OverlongNumbersKeepTheirLeadingDigits) {
    IndivSubj s = Indiv(12345, 7, 123, "t", 123, 7);
    RecordText r = EncodeIndivSubj(s);
    // The year's fifth digit is overwritten by the month, the day's third by the title.
    EXPECT_EQ(Bytes(r, IndivFields::kYear.offset, 9),
              "123407"
              "12t");
    EXPECT_EQ(Bytes(r, IndivFields::kHour.offset, 4), "1207");
}

// Every value a number field can hold, negative ones included, is written as
// "%0*d" writes it, up to the field's width.
TEST(IndivRecordText, EveryNumberIsWrittenAsZeroPaddedDecimal) {
    auto printed = [](int value, int width) {
        char text[16];
        std::snprintf(text, sizeof text, "%0*d", width, value);
        return std::string(text).substr(0, static_cast<std::size_t>(width));
    };
    for (int v = -32768; v <= 32767; ++v) {
        IndivSubj s = Indiv(v, v, 1, "t", v, 0);
        RecordText r = EncodeIndivSubj(s);
        ASSERT_EQ(Bytes(r, 0, 4), printed(v, 4)) << v;
        ASSERT_EQ(Bytes(r, 4, 2), printed(v, 2)) << v;
        ASSERT_EQ(Bytes(r, 128, 2), printed(v, 2)) << v;
        RepSubj rep;
        rep.title = "t";
        rep.monthlyWeek = static_cast<std::int16_t>(v);
        r = EncodeRepSubj(rep);
        ASSERT_EQ(Bytes(r, 134, 1), printed(v, 1)) << v;
    }
    // The list's date texts and the due-time comparison use the same digits.
    for (int v : {-2147483647 - 1, -100000, -1, 0, 7, 99999, 2147483647}) {
        for (int width : {1, 2, 4}) {
            char text[16];
            std::snprintf(text, sizeof text, "%0*d", width, v);
            std::string appended = "x";
            AppendZeroPadded(appended, v, width);
            ASSERT_EQ(appended, std::string("x") + text) << v << " " << width;
        }
    }
}

TEST(IndivRecordText, TextsAreCutAtTheirLimitsWithoutSplittingACharacter) {
    const std::size_t title = IndivFields::kTitle.offset;
    std::string ascii(80, 'x');
    IndivSubj s = Indiv(2024, 1, 1, ascii);
    RecordText r = EncodeIndivSubj(s);
    EXPECT_EQ(Bytes(r, title, 73), std::string(72, 'x') + '\0');

    // 71 ASCII bytes then a double-byte character: the character would straddle
    // the 72nd byte, so it goes whole.
    s.title = std::string(71, 'x') + "\x82\xA0" + "y";
    r = EncodeIndivSubj(s);
    EXPECT_EQ(Bytes(r, title, 72), std::string(71, 'x') + '\0');

    // Half-width kana are single bytes and fill the limit exactly.
    s.title = std::string(80, '\xB1');
    r = EncodeIndivSubj(s);
    EXPECT_EQ(Bytes(r, title, 73), std::string(72, '\xB1') + '\0');

    // The batch's probe of 0xFF bytes is cut at 72.
    s.title = std::string(80, '\xFF');
    r = EncodeIndivSubj(s);
    EXPECT_EQ(Bytes(r, title, 73), std::string(72, '\xFF') + '\0');

    std::string kanji;
    for (int i = 0; i < 250; ++i)
        kanji += "\x8A\xBF";  // 漢 ×250 = 500 bytes
    s.content = "a" + kanji;
    r = EncodeIndivSubj(s);
    EXPECT_EQ(Bytes(r, IndivFields::kContent.offset, 392), "a" + kanji.substr(0, 390) + '\0');
}

TEST(IndivRecordText, TextsHoldNoByteThatWouldEndTheirFieldOrLine) {
    IndivSubj s = Indiv(2024, 1, 2, "a\tb\0c\rd\ne"s);
    s.content = "x\0y\r\n"s;
    s.origin = "o\t"s;
    RecordText r = EncodeIndivSubj(s);
    EXPECT_EQ(Bytes(r, 8, 10), "a b c d e\0"s);
    EXPECT_EQ(Bytes(r, 133, 6), "x y  \0"s);  // content keeps its blanks
    EXPECT_EQ(Bytes(r, 533, 2), "o\0"s);      // a key text loses them
    IndivSubj back = DecodeIndivSubj(r);
    EXPECT_EQ(EncodeIndivSubj(back), r);
}

TEST(IndivRecordText, ACutThatEndsInBlanksLeavesThemOut) {
    // Cut at 72, the title would end in two blanks, and the subject decoded
    // from it, trimmed on encoding, would never find its own key again.
    IndivSubj s = Indiv(2024, 1, 2, std::string(70, 'x') + "  yy");
    s.origin = std::string(71, 'o') + " z";
    RecordText r = EncodeIndivSubj(s);
    EXPECT_EQ(Bytes(r, 8, 71), std::string(70, 'x') + '\0');
    EXPECT_EQ(Bytes(r, 533, 72), std::string(71, 'o') + '\0');
    IndivSubj back = DecodeIndivSubj(r);
    EXPECT_EQ(EncodeIndivSubj(back), r);

    RepSubj rep;
    rep.title = "t";
    rep.content = std::string(390, 'c') + "   d";
    RecordText rr = EncodeRepSubj(rep);
    EXPECT_EQ(Bytes(rr, 148, 391), std::string(390, 'c') + '\0');
    RepSubj repBack = DecodeRepSubj(rr);
    EXPECT_EQ(EncodeRepSubj(repBack), rr);
}

TEST(RepRecordText, LaysOutRulesAndFlags) {
    RepSubj s;
    s.title = kKanjiTitle + " ";
    s.yearlyMonth = 2;
    s.yearlyDay = 29;
    s.monthlyDay = 31;
    s.monthlyWeek = 5;
    s.monthlyWeekday = 7;
    s.weekly = {1, 0, 0, 0, 1, 0, 0};
    s.hour = 8;
    s.minute = 5;
    s.progress = Progress::NotTracked;
    s.content = "line1<br>line2  ";
    RecordText r = EncodeRepSubj(s);
    using namespace RepFields;
    EXPECT_EQ(Bytes(r, kTitle.offset, kKanjiTitle.size()), kKanjiTitle);
    EXPECT_TRUE(ZeroFrom(r, kKanjiTitle.size(), kTitle.End()));
    EXPECT_EQ(Bytes(r, kYearlyMonth.offset, 20),
              "022931571000100"
              "0805N");
    EXPECT_EQ(Bytes(r, kContent.offset, 15), "line1<br>line2\0"s);
    EXPECT_EQ(s.content, "line1<br>line2");  // repeating content loses its trailing blanks
    RepSubj back = DecodeRepSubj(r);
    EXPECT_EQ(back.title, kKanjiTitle);
    EXPECT_EQ(back.yearlyMonth, 2);
    EXPECT_EQ(back.yearlyDay, 29);
    EXPECT_EQ(back.monthlyDay, 31);
    EXPECT_EQ(back.monthlyWeek, 5);
    EXPECT_EQ(back.monthlyWeekday, 7);
    EXPECT_EQ(back.weekly, (std::array<std::uint8_t, 7>{1, 0, 0, 0, 1, 0, 0}));
    EXPECT_EQ(back.hour, 8);
    EXPECT_EQ(back.minute, 5);
    EXPECT_EQ(back.progress, Progress::NotTracked);
    EXPECT_EQ(EncodeRepSubj(back), r);
}

TEST(RepRecordText, FieldsWithoutDigitsReadAsZero) {
    RecordText r{};
    std::memcpy(r.data(), "t", 1);
    RepSubj back = DecodeRepSubj(r);
    EXPECT_EQ(back.title, "t");
    EXPECT_EQ(back.yearlyMonth, 0);
    EXPECT_EQ(back.weekly, (std::array<std::uint8_t, 7>{}));
    EXPECT_EQ(back.progress, Progress{0});
}

// The purge decides on these fields without decoding the record; a reading that differed from
// the decoder's on any bytes a file can leave there would purge a subject the list shows as kept.
TEST(IndivRecordText, DateAndProgressReadAloneAsTheDecoderReadsThem) {
    std::mt19937 random(5);
    const std::string bytes = " +-0123456789x\xFF";
    for (int n = 0; n < 2000; ++n) {
        RecordText r{};
        for (std::size_t i = 0; i < IndivFields::kTitle.offset; ++i) {
            r[i] = static_cast<std::uint8_t>(bytes[random() % bytes.size()]);
        }
        r[IndivFields::kProgress.offset] = static_cast<std::uint8_t>("NUCX"[random() % 4]);
        const IndivSubj decoded = DecodeIndivHead(r);
        const IndivDayProgress alone = DayProgressOf(r);
        ASSERT_EQ(std::tie(alone.year, alone.month, alone.day, alone.progress),
                  std::tie(decoded.year, decoded.month, decoded.day, decoded.progress))
            << std::string(reinterpret_cast<const char*>(r.data()), 8);
    }
}

class DaysLeft : public ::testing::Test {
  protected:
    IndivSubj At(int y, int m, int d, int h = 0, int min = 0) {
        IndivSubj s = Indiv(y, m, d, "t", h, min);
        return DecodeIndivSubj(EncodeIndivSubj(s));
    }
};

TEST_F(DaysLeft, CountsWholeDaysFromToday) {
    ScopedClock clock(LocalTime::Make(2024, 3, 10, 15, 20));
    EXPECT_EQ(At(2024, 3, 10).daysLeft, 0);
    EXPECT_EQ(At(2024, 3, 11).daysLeft, 1);
    EXPECT_EQ(At(2024, 3, 12).daysLeft, 2);
    EXPECT_EQ(At(2024, 3, 9).daysLeft, -1);
    EXPECT_EQ(At(2024, 3, 7).daysLeft, -3);
    EXPECT_EQ(At(2025, 3, 10).daysLeft, 365);
}

TEST_F(DaysLeft, AtMidnightAFutureDateCountsOneMore) {
    ScopedClock clock(LocalTime::Make(2024, 3, 10, 0, 0));
    EXPECT_EQ(At(2024, 3, 10).daysLeft, 0);
    EXPECT_EQ(At(2024, 3, 11).daysLeft, 2);
}

TEST_F(DaysLeft, OverdueFromTheMinuteAfterTheDueMinute) {
    ScopedClock clock(LocalTime::Make(2024, 3, 10, 23, 59));
    IndivSubj lastMinute = At(2024, 3, 10, 23, 59);
    EXPECT_EQ(lastMinute.daysLeft, 0);
    EXPECT_EQ(lastMinute.overdue, 0);
    clock.Set(LocalTime::Make(2024, 3, 11, 0, 0));
    EXPECT_EQ(At(2024, 3, 10, 23, 59).overdue, 1);
    EXPECT_EQ(At(2024, 3, 10, 23, 59).daysLeft, -1);
    EXPECT_EQ(At(2024, 3, 11, 0, 0).overdue, 0);
}

TEST_F(DaysLeft, ImpossibleDatesCarryIntoTheNextMonth) {
    ScopedClock clock(LocalTime::Make(2023, 3, 1, 12));
    EXPECT_EQ(At(2023, 2, 31).daysLeft, 2);  // 3 March
    clock.Set(LocalTime::Make(2024, 3, 1, 12));
    EXPECT_EQ(At(2024, 2, 31).daysLeft, 1);  // 2 March in a leap year
    IndivSubj feb28 = Indiv(2023, 2, 28, "t");
    IndivSubj feb31 = Indiv(2023, 2, 31, "t");
    IndivSubj mar1 = Indiv(2023, 3, 1, "t");
    EXPECT_LT(EncodeIndivSubj(feb28), EncodeIndivSubj(feb31));
    EXPECT_LT(EncodeIndivSubj(feb31), EncodeIndivSubj(mar1));
}

TEST(ProgressText, GivesTheDisplayTextOrNothing) {
    EXPECT_EQ(ProgressText(Progress::NotTracked), "\x8A\xC7\x97\x9D\x82\xB5\x82\xC8\x82\xA2");
    EXPECT_EQ(ProgressText(Progress::Open), "\x96\xA2\x8F\x88\x97\x9D");
    EXPECT_EQ(ProgressText(Progress::Done), "\x8A\xAE\x97\xB9");
    EXPECT_EQ(ProgressText(Progress{'X'}), "");
}

TEST(LineBreaks, EscapeAndUnescapeAreInverse) {
    EXPECT_EQ(EscapeLineBreaks("a\r\nb"), "a<br>b");
    EXPECT_EQ(EscapeLineBreaks("a\rb\nc\r"), "a\rb\nc\r");
    EXPECT_EQ(UnescapeLineBreaks("a<br>b<BR>c<bR>d<Br>"), "a\r\nb\r\nc\r\nd\r\n");
    EXPECT_EQ(UnescapeLineBreaks("<b<br"), "<b<br");
    const std::string text = "\x89\xEF\r\n\x8B\x63\r\n\r\nend <b>";
    EXPECT_EQ(UnescapeLineBreaks(EscapeLineBreaks(text)), text);
}

TEST(TrimTrailingSpaces, RemovesOnlyBlanks) {
    for (const auto& [text, trimmed] :
         {std::pair<std::string, std::string>{"ab \t  ", "ab \t"}, {"   ", ""}}) {
        std::string s = text;
        TrimTrailingSpaces(s);
        EXPECT_EQ(s, trimmed) << text;
    }
}

}  // namespace
