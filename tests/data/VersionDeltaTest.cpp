// A version kept as its differences: over random texts (lines that repeat,
// CR LF and LF ends, a last line without one, blocks moved and turned round)
// the differences rebuild the older text byte for byte, both here and through
// the standard `patch`, and cost what changed.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "VersionDelta.h"

namespace {

using Lines = std::vector<std::string>;

std::string Joined(const Lines& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
    }
    return text;
}

// A line from a few words, so that equal lines are common, with either end.
std::string RandomLine(std::mt19937& random) {
    static const char* const kWords[] = {"\x89\xEF\x8B\x63", "a", "b\tc", "", "2024/05/20", "\r"};
    std::string line;
    for (int n = std::uniform_int_distribution<int>(1, 3)(random); n > 0; --n) {
        line += kWords[random() % std::size(kWords)];
    }
    return line + (random() % 4 == 0 ? "\n" : "\r\n");
}

Lines RandomLines(std::mt19937& random, std::size_t count) {
    Lines lines;
    for (std::size_t i = 0; i < count; ++i) {
        lines.push_back(RandomLine(random));
    }
    return lines;
}

// `lines` after a few random edits, as a save between two versions makes them.
Lines Edited(Lines lines, std::mt19937& random) {
    for (int edits = std::uniform_int_distribution<int>(0, 6)(random); edits > 0; --edits) {
        const std::size_t size = lines.size();
        const std::size_t at = size == 0 ? 0 : random() % (size + 1);
        const std::size_t length =
            std::min<std::size_t>(random() % 5 + 1, size - std::min(at, size));
        switch (random() % 6) {
            case 0: {
                const Lines added = RandomLines(random, random() % 4 + 1);
                lines.insert(lines.begin() + static_cast<long>(at), added.begin(), added.end());
                break;
            }
            case 1:
                lines.erase(lines.begin() + static_cast<long>(at),
                            lines.begin() + static_cast<long>(at + length));
                break;
            case 2:
                if (at < size) {
                    lines[at] = RandomLine(random);
                }
                break;
            case 3:  // a block turned round, as no sorted file ever is
                std::reverse(lines.begin() + static_cast<long>(at),
                             lines.begin() + static_cast<long>(at + length));
                break;
            case 4:  // a block moved to the end
                std::rotate(lines.begin() + static_cast<long>(at),
                            lines.begin() + static_cast<long>(at + length), lines.end());
                break;
            default:
                break;
        }
    }
    // The last line loses or gains its line end now and then.
    if (!lines.empty() && random() % 5 == 0) {
        std::string& last = lines.back();
        if (last.ends_with('\n')) {
            last.pop_back();
            if (last.empty()) {
                last = "x";
            }
        } else {
            last += "\r\n";
        }
    }
    return lines;
}

std::string ReadBytes(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const QString& path, const std::string& bytes) {
    std::ofstream(path.toStdString(), std::ios::binary) << bytes;
}

// What GNU patch makes of `delta` applied to `base`, as the user would run it by hand.
std::string PatchedByHand(const QTemporaryDir& dir, const std::string& base,
                          const std::string& delta) {
    WriteBytes(dir.filePath("base"), base);
    WriteBytes(dir.filePath("delta.diff"), delta);
    QFile::remove(dir.filePath("out"));
    QProcess patch;
    patch.setWorkingDirectory(dir.path());
    patch.start("patch", {"-s", "-o", "out", "base", "delta.diff"});
    EXPECT_TRUE(patch.waitForFinished(30000));
    EXPECT_EQ(patch.exitCode(), 0) << patch.readAllStandardOutput().toStdString()
                                   << patch.readAllStandardError().toStdString();
    return ReadBytes(dir.filePath("out"));
}

TEST(VersionDelta, RebuildsEveryRandomTextByteForByteAsPatchDoes) {
    ASSERT_FALSE(QStandardPaths::findExecutable("patch").isEmpty())
        << "GNU patch is missing (see scripts/packages.txt)";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (unsigned seed = 0; seed < 400; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        const Lines newer = RandomLines(random, random() % 60);
        const std::string base = Joined(newer);
        const std::string version = Joined(Edited(newer, random));

        const std::string delta = MakeDelta(base, "veskat_i.dat.20240515-123020", version,
                                            "veskat_i.dat.20240515-123019");
        DeltaHeader header;
        ASSERT_EQ(ReadDeltaHeader(delta, header), DeltaRead::Read);
        EXPECT_EQ(header.baseName, "veskat_i.dat.20240515-123020");
        EXPECT_EQ(header.baseChecksum, VersionChecksum(base));
        EXPECT_EQ(header.checksum, VersionChecksum(version));
        std::string rebuilt;
        ASSERT_EQ(ApplyDelta(delta, base, rebuilt), DeltaRead::Read);
        ASSERT_EQ(rebuilt, version);
        // Hunks that `patch` takes where they say they are: the way back by hand. Two empty
        // files are the one case without a hunk, which `patch` would not take.
        const bool edge = base.empty() || base == version;
        if ((seed % 20 == 0 || edge) && !(base.empty() && version.empty())) {
            EXPECT_EQ(PatchedByHand(dir, base, delta), version);
        }
    }
}

// One subject changed in a long list costs that line and its context, not the list.
TEST(VersionDelta, OneChangedLineOfAHundredThousandCostsAFewLines) {
    Lines lines;
    for (int n = 0; n < 100000; ++n) {
        lines.push_back("2024\t05\t20\tsubject " + std::to_string(n) + "\t09\t00\tU\r\n");
    }
    const std::string base = Joined(lines);
    lines[54321] = "2024\t05\t20\tsubject 54321\t09\t00\tC\r\n";
    const std::string version = Joined(lines);
    const std::string delta = MakeDelta(base, "b", version, "v");
    EXPECT_LT(delta.size(), 800u);
    std::string rebuilt;
    ASSERT_EQ(ApplyDelta(delta, base, rebuilt), DeltaRead::Read);
    EXPECT_EQ(rebuilt, version);
}

// A difference whose lines do not fit the version it names is never applied
// elsewhere: one byte changed anywhere in what it checks is told.
TEST(VersionDelta, LinesThatDoNotFitTheBaseAreDamage) {
    std::mt19937 random(7);
    const Lines newer = RandomLines(random, 30);
    const std::string base = Joined(newer);
    const std::string version = Joined(Edited(newer, random)) + "changed\r\n";
    const std::string delta = MakeDelta(base, "b", version, "v");
    std::string rebuilt;
    for (std::size_t at = 0; at < delta.size(); ++at) {
        std::string damaged = delta;
        damaged[at] = damaged[at] == '#' ? '%' : '#';
        DeltaHeader header;
        const bool told = ReadDeltaHeader(damaged, header) != DeltaRead::Read ||
                          ApplyDelta(damaged, base, rebuilt) != DeltaRead::Read ||
                          header.baseChecksum != VersionChecksum(base) ||
                          VersionChecksum(rebuilt) != header.checksum;
        EXPECT_TRUE(told) << "byte " << at;
    }
    for (std::size_t length = 0; length < delta.size(); ++length) {
        const std::string cut = delta.substr(0, length);
        DeltaHeader header;
        const bool told = ReadDeltaHeader(cut, header) != DeltaRead::Read ||
                          ApplyDelta(cut, base, rebuilt) != DeltaRead::Read ||
                          VersionChecksum(rebuilt) != header.checksum;
        EXPECT_TRUE(told) << "cut at " << length;
    }
}

}  // namespace
