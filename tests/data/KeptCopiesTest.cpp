// Dated copies through real files: the bytes survive exactly, nothing that
// exists is ever written over, and a folder or a missing file is never taken
// for a data file.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <filesystem>
#include <random>

#include "Clock.h"
#include "KeptCopies.h"

namespace {

namespace fs = std::filesystem;

class KeptCopies : public ::testing::Test {
  protected:
    std::string Path(const std::string& name) const {
        return dir_.filePath(QString::fromStdString(name)).toStdString();
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const QString& name :
             QDir(dir_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name)) {
            names.push_back(name.toStdString());
        }
        return names;
    }

    static std::string Read(const std::string& path) {
        QFile file(QString::fromStdString(path));
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    }
    static void Write(const std::string& path, const std::string& bytes) {
        QFile file(QString::fromStdString(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }

    QTemporaryDir dir_;
    ScopedClock clock_{LocalTime::Make(2026, 12, 7, 9, 30, 0)};
};

// Every byte value, NUL and lone CR included, in a random order.
std::string AnyBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random() & 0xFF);
    }
    return bytes;
}

TEST_F(KeptCopies, DatedCopyHoldsTheBytesUnderTheLocalTimeAndNeverOverwrites) {
    const std::string data = Path("veskat_i.dat");
    const std::string original = AnyBytes(70000, 1);
    Write(data, original);
    Write(data + ".20261207-093000-2", "taken by hand");

    EXPECT_EQ(KeepDatedCopy(data), data + ".20261207-093000");
    // The same second again: the next free number, past one already taken.
    EXPECT_EQ(KeepDatedCopy(data), data + ".20261207-093000-3");
    EXPECT_EQ(Read(data + ".20261207-093000"), original);
    EXPECT_EQ(Read(data + ".20261207-093000-3"), original);
    EXPECT_EQ(Read(data + ".20261207-093000-2"), "taken by hand");
    EXPECT_EQ(Read(data), original);

    clock_.Set(LocalTime::Make(2027, 1, 2, 23, 5, 9));
    EXPECT_EQ(KeepDatedCopy(data), data + ".20270102-230509");
    EXPECT_EQ(Names().size(), 5u);
}

// The backup's own cases are driven through the main window's saves.
TEST_F(KeptCopies, EmptyFileIsCopiedAndAFolderOrMissingFileNever) {
    Write(Path("veskat_r.dat"), "");
    EXPECT_EQ(KeepDatedCopy(Path("veskat_r.dat")), Path("veskat_r.dat.20261207-093000"));
    fs::create_directories(Path("veskat_i.dat/inside"));
    EXPECT_EQ(KeepDatedCopy(Path("veskat_i.dat")), "");
    EXPECT_EQ(KeepDatedCopy(Path("missing.dat")), "");
    EXPECT_EQ(KeepBackup(Path("veskat_i.dat")), 0);
    EXPECT_EQ(KeepBackup(Path("missing.dat")), 0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"veskat_i.dat", "veskat_r.dat",
                                                 "veskat_r.dat.20261207-093000"}));
    EXPECT_TRUE(PathExists(Path("veskat_i.dat")));
    EXPECT_FALSE(IsRegularFile(Path("veskat_i.dat")));
    EXPECT_FALSE(PathExists(Path("missing.dat")));
}

}  // namespace
