// The text form of the export: escaping and line folding, on random texts of
// ASCII and Japanese, against what unfolding and unescaping give back.
#include <gtest/gtest.h>

#include <random>

#include "IcsText.h"

namespace {

std::string Unfold(const std::string& folded) {
    std::string line;
    for (std::size_t i = 0; i < folded.size(); ++i) {
        if (folded.compare(i, 3, "\r\n ") == 0) {
            i += 2;
        } else if (folded.compare(i, 2, "\r\n") == 0) {
            ++i;
        } else {
            line += folded[i];
        }
    }
    return line;
}

std::string Unescape(const std::string& text) {
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            ++i;
            plain += text[i] == 'n' ? '\n' : text[i];
        } else {
            plain += text[i];
        }
    }
    return plain;
}

bool StartsCharacter(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
}

}  // namespace

TEST(IcsText, FoldedLinesAreShortSplitNoCharacterAndUnfoldToTheLine) {
    const std::string pieces[] = {"a", ",", ";", "\\", "\n", "あ", "漢", "😀", " ", "Z"};
    std::mt19937 random(25);
    for (int round = 0; round < 500; ++round) {
        std::string text;
        const int length = static_cast<int>(random() % 200);
        for (int i = 0; i < length; ++i) {
            text += pieces[random() % std::size(pieces)];
        }
        const std::string value = IcsEscapeText(text);
        EXPECT_EQ(Unescape(value), text);
        const std::string folded = FoldIcsLine("SUMMARY:" + value);
        ASSERT_EQ(folded.substr(folded.size() - 2), "\r\n");
        EXPECT_EQ(Unfold(folded), "SUMMARY:" + value);
        std::size_t start = 0;
        for (std::size_t end; (end = folded.find("\r\n", start)) != std::string::npos;
             start = end + 2) {
            EXPECT_LE(end - start, 75u) << folded;
            if (start > 0) {
                ASSERT_EQ(folded[start], ' ');
                EXPECT_TRUE(StartsCharacter(folded[start + 1])) << folded;
            }
        }
    }
}

TEST(IcsText, LineBreaksOfEveryKindBecomeOneAndControlsAreLeftOut) {
    EXPECT_EQ(IcsEscapeText("a\r\nb\rc\nd\te\x01"
                            "f"),
              "a\\nb\\nc\\nd\tef");
}

TEST(IcsText, AShortLineIsNotFolded) {
    const std::string line(75, 'x');
    EXPECT_EQ(FoldIcsLine(line), line + "\r\n");
    EXPECT_EQ(FoldIcsLine(line + "y"), line + "\r\n y\r\n");
}
