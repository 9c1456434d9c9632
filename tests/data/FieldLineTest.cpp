// Record lines: fields joined by tabs and split again.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "FieldLine.h"
#include "SubjRecord.h"

namespace {

using namespace std::string_literals;

TEST(FieldLine, IndividualLineHasNineFieldsAndEndsInTabsWhenTextsAreEmpty) {
    IndivSubj s;
    s.year = 2005;
    s.month = 10;
    s.day = 8;
    s.title = "t";
    s.hour = 9;
    s.minute = 30;
    s.progress = Progress::Open;
    EXPECT_EQ(JoinFields(EncodeIndivSubj(s), IndivFieldWidths), "2005\t10\t08\tt\t09\t30\tU\t\t");
    s.content = "c";
    EXPECT_EQ(JoinFields(EncodeIndivSubj(s), IndivFieldWidths), "2005\t10\t08\tt\t09\t30\tU\tc\t");
}

TEST(FieldLine, TabsAndLineEndsInsideAFieldBecomeBlanks) {
    IndivSubj s;
    s.title = "a\tb";
    s.content = "x\ry\nz";
    s.progress = Progress::Done;
    std::string line = JoinFields(EncodeIndivSubj(s), IndivFieldWidths);
    EXPECT_EQ(line, "0000\t00\t00\ta b\t00\t00\tC\tx y z\t");
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 8);

    RepSubj r;
    r.title = "r\tr";
    r.content = "q\tq";
    line = JoinFields(EncodeRepSubj(r), RepFieldWidths);
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 16);
    EXPECT_EQ(line.find('\r'), std::string::npos);
}

TEST(FieldLine, SplitGivesBackTheEncodedRecord) {
    RepSubj r;
    r.title = "\x96\x88\x8F\x54";  // 毎週
    r.weekly = {0, 0, 1, 0, 0, 0, 1};
    r.hour = 23;
    r.minute = 59;
    r.progress = Progress::Open;
    r.content = "a<br>b";
    RecordText encoded = EncodeRepSubj(r);
    EXPECT_EQ(SplitFields(JoinFields(encoded, RepFieldWidths), RepFieldWidths), encoded);
}

TEST(FieldLine, ShortLinesLeaveFieldsEmptyAndLongFieldsAreCut) {
    RecordText r = SplitFields("2024\t01", IndivFieldWidths);
    IndivSubj s = DecodeIndivSubj(r);
    EXPECT_EQ(s.year, 2024);
    EXPECT_EQ(s.month, 1);
    EXPECT_EQ(s.day, 0);
    EXPECT_EQ(s.title, "");

    // An over-long year keeps its field's width; extra fields are ignored.
    r = SplitFields("123456\t01\t02\tt\t03\t04\tN\tc\to\textra\tmore", IndivFieldWidths);
    s = DecodeIndivSubj(r);
    EXPECT_EQ(s.year, 1234);
    EXPECT_EQ(s.origin, "o");

    // A field longer than its width is cut before a straddling double-byte character.
    const std::size_t last = IndivFields::kTitle.End() - 1;
    std::string title = std::string(IndivFields::kTitle.width - 1, 'x') + "\x82\xA0";
    r = SplitFields("2024\t01\t02\t" + title + "\t03", IndivFieldWidths);
    EXPECT_EQ(r[last - 1], 'x');
    EXPECT_EQ(r[last], 0);
    EXPECT_EQ(DecodeIndivSubj(r).hour, 3);
}

TEST(FieldLine, TrimLineEndRemovesEveryTrailingCrAndLf) {
    for (const auto& [line, trimmed] : {std::pair<std::string, std::string>{"a\tb\r\n", "a\tb"},
                                        {"a\n\r\r\n", "a"},
                                        {"a\rb", "a\rb"}}) {
        std::string text = line;
        TrimLineEnd(text);
        EXPECT_EQ(text, trimmed) << line;
    }
}

// The lines of `bytes` as the data file format has them, one byte at a time: CR LF, a CR alone
// and an LF each end a line, and bytes after the last line end make one more line.
std::vector<std::string> LinesOneByOne(const std::string& bytes) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n') {
            line += bytes[i];
            continue;
        }
        lines.push_back(line);
        line.clear();
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            ++i;
        }
    }
    if (!line.empty()) {
        lines.push_back(line);
    }
    return lines;
}

// Line ends of every kind, runs of them and blank lines, at every place in the steps of many
// bytes the splitter reads, and a file with or without a last line end.
TEST(LineSplitter, GivesTheLinesOfAnyBytesAsReadingThemOneByOne) {
    std::mt19937 random(61);
    const std::string alphabet = "ab\t \x82\xA0\r\n"s + '\0';
    for (int n = 0; n < 3000; ++n) {
        std::string bytes;
        const std::size_t size = random() % (n < 1000 ? 40 : 300);
        for (std::size_t i = 0; i < size; ++i) {
            // Mostly long lines, so that line ends fall anywhere within a step.
            bytes += random() % 8 == 0 ? alphabet[random() % alphabet.size()] : 'x';
        }
        std::vector<std::string> split;
        LineSplitter lines(bytes);
        for (std::string_view line; lines.Next(line);) {
            split.emplace_back(line);
        }
        ASSERT_EQ(split, LinesOneByOne(bytes)) << n;
    }
}

}  // namespace
