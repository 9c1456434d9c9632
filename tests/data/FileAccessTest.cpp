// Files on disk through the program's one file-access unit: whole reads of
// whatever may lie under a data file's name, replacements that appear whole
// or not at all with the permission bits they must carry, new files under a
// free name that leave nothing behind when they cannot be made, and the dated
// copies and backups kept beside a data file.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "Clock.h"
#include "FileAccess.h"
#include "KeptCopies.h"

namespace {

namespace fs = std::filesystem;

class FileAccess : public ::testing::Test {
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
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static void Write(const std::string& path, const std::string& bytes,
                      fs::perms perms = fs::perms::owner_read | fs::perms::owner_write) {
        std::ofstream(path, std::ios::binary) << bytes;
        fs::permissions(path, perms);
    }
    static fs::perms PermsOf(const std::string& path) {
        return fs::status(path).permissions() & fs::perms::all;
    }

    QTemporaryDir dir_;
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

constexpr fs::perms kPrivate = fs::perms::owner_read | fs::perms::owner_write;
constexpr fs::perms kGroupReads = kPrivate | fs::perms::group_read;

TEST_F(FileAccess, WholeReadTakesARegularFileAndNothingElse) {
    const std::string anyBytes = AnyBytes(70001, 2);
    Write(Path("data"), anyBytes, kPrivate);
    Write(Path("empty"), "", kPrivate);
    fs::create_directory(Path("folder"));
    ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
    fs::create_symlink(Path("data"), Path("link"));

    const struct {
        const char* name;
        std::optional<std::string> expected;
    } cases[] = {
        {"data", anyBytes},       {"empty", ""},          {"link", anyBytes},
        {"folder", std::nullopt}, {"fifo", std::nullopt}, {"missing", std::nullopt},
    };
    // The loader maps what it can; it must take what a read takes, refuse what a read refuses.
    const auto mapped = [](const std::string& path) -> std::optional<std::string> {
        ReadableFile file(path);
        FileBytes bytes;
        if (!file.MapAll(bytes)) {
            return std::nullopt;
        }
        return std::string(bytes.View());
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReadWholeFile(Path(c.name)), c.expected);
        EXPECT_EQ(mapped(Path(c.name)), c.expected);
    }
    EXPECT_EQ(mapped("/dev/zero"), std::nullopt);  // a device would be mapped without end
}

TEST_F(FileAccess, ReplacementKeepsThePermissionsOfWhatItReplacesOrOfTheFileNamed) {
    Write(Path("data"), "old", kGroupReads);
    FileReplacement data(Path("data"));
    ASSERT_TRUE(data.Open());
    ASSERT_TRUE(data.Write("new "));
    ASSERT_TRUE(data.Write("bytes"));
    ASSERT_TRUE(data.Commit());
    EXPECT_EQ(Read(Path("data")), "new bytes");
    EXPECT_EQ(PermsOf(Path("data")), kGroupReads);

    Write(Path("private"), "", kPrivate);
    ASSERT_EQ(WriteSideFile(Path("data.bak"), "side", Path("private")), FileWrite::Written);
    EXPECT_EQ(PermsOf(Path("data.bak")), kPrivate);
    EXPECT_EQ(Names(), (std::vector<std::string>{"data", "data.bak", "private"}));
}

TEST_F(FileAccess, ReplacementNotCommittedOrNotWritableLeavesTheOldFileAlone) {
    Write(Path("data"), "old", kPrivate);
    {
        FileReplacement dropped(Path("data"));
        ASSERT_TRUE(dropped.Open());
        ASSERT_TRUE(dropped.Write("half"));
    }
    EXPECT_EQ(Read(Path("data")), "old");
    EXPECT_EQ(Names(), std::vector<std::string>{"data"});

    fs::create_directory(Path("folder"));
    FileReplacement ontoFolder(Path("folder"));
    EXPECT_FALSE(ontoFolder.Open() && ontoFolder.Write("x") && ontoFolder.Commit());
    EXPECT_TRUE(fs::is_directory(Path("folder")));
    EXPECT_EQ(WriteSideFile(Path("no-such-folder/data.bak"), "x", Path("data")), FileWrite::Failed);
}

TEST_F(FileAccess, FreeNameIsTheStemOrTheNextNumberAndAFailureLeavesNothing) {
    Write(Path("data"), "", kPrivate);
    Write(Path("data.stamp-2"), "taken", kGroupReads);
    EXPECT_EQ(CreateUnderFreeName(Path("data.stamp"), "one", Path("data")), Path("data.stamp"));
    EXPECT_EQ(CreateUnderFreeName(Path("data.stamp"), "two", Path("data")), Path("data.stamp-3"));
    EXPECT_EQ(Read(Path("data.stamp-2")), "taken");
    EXPECT_EQ(Read(Path("data.stamp-3")), "two");
    EXPECT_EQ(PermsOf(Path("data.stamp-3")), kPrivate);

    const FileFiller fails = [](const std::string&) { return false; };
    EXPECT_EQ(CreateUnderFreeName(Path("data.other"), fails, Path("data")), "");
    EXPECT_EQ(Names(),
              (std::vector<std::string>{"data", "data.stamp", "data.stamp-2", "data.stamp-3"}));
}

// Dated copies: the bytes survive exactly, nothing that exists is ever
// written over, and a folder or a missing file is never taken for a data file.
class KeptCopies : public FileAccess {
  protected:
    // The copy's name; "" when none was made.
    static std::string KeepDatedCopy(const std::string& fileName) {
        std::string copy = "none";
        const FileWrite kept = ::KeepDatedCopy(fileName, copy);
        EXPECT_EQ(kept == FileWrite::Written, copy != "none");
        return kept == FileWrite::Written ? copy : "";
    }

    ScopedClock clock_{LocalTime::Make(2026, 12, 7, 9, 30, 0)};
};

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

// The backup of a save is the kept version under a second name where a link can be made,
// a copy of its bytes where not, and what it replaces stays until either is in place.
TEST_F(KeptCopies, BackupIsTheVersionUnderAnotherNameOrElseACopy) {
    const std::string data = Path("veskat_i.dat");
    Write(data, "new", kPrivate);
    Write(Path("version"), "kept", kPrivate);
    Write(data + ".bak", "older generation");

    ASSERT_EQ(KeepBackup(data, "kept", Path("version")), FileWrite::Written);
    EXPECT_EQ(Read(data + ".bak"), "kept");
    EXPECT_TRUE(fs::equivalent(data + ".bak", Path("version")));
    // Again onto the same file: a link onto another name of itself leaves no name behind.
    ASSERT_EQ(KeepBackup(data, "kept", Path("version")), FileWrite::Written);
    EXPECT_EQ(fs::hard_link_count(Path("version")), 2u);

    ASSERT_EQ(KeepBackup(data, "bytes at hand", Path("no such version")), FileWrite::Written);
    EXPECT_EQ(Read(data + ".bak"), "bytes at hand");
    EXPECT_FALSE(fs::equivalent(data + ".bak", Path("version")));
    EXPECT_EQ(PermsOf(data + ".bak"), kPrivate);

    fs::remove(data + ".bak");
    fs::create_directories(data + ".bak/held");
    EXPECT_EQ(KeepBackup(data, "kept", Path("version")), FileWrite::Failed);
    EXPECT_TRUE(fs::is_directory(data + ".bak/held"));
    EXPECT_EQ(Names(), (std::vector<std::string>{"version", "veskat_i.dat", "veskat_i.dat.bak"}));
}

// The backup's own cases are driven through the main window's saves.
TEST_F(KeptCopies, EmptyFileIsCopiedAndAFolderOrMissingFileNever) {
    Write(Path("veskat_r.dat"), "");
    EXPECT_EQ(KeepDatedCopy(Path("veskat_r.dat")), Path("veskat_r.dat.20261207-093000"));
    fs::create_directories(Path("veskat_i.dat/inside"));
    EXPECT_EQ(KeepDatedCopy(Path("veskat_i.dat")), "");
    EXPECT_EQ(KeepDatedCopy(Path("missing.dat")), "");
    EXPECT_EQ(KeepBackup(Path("veskat_i.dat")), FileWrite::Written);
    EXPECT_EQ(KeepBackup(Path("missing.dat")), FileWrite::Written);
    EXPECT_EQ(Names(), (std::vector<std::string>{"veskat_i.dat", "veskat_r.dat",
                                                 "veskat_r.dat.20261207-093000"}));
    EXPECT_TRUE(PathExists(Path("veskat_i.dat")));
    EXPECT_FALSE(IsRegularFile(Path("veskat_i.dat")));
    EXPECT_FALSE(PathExists(Path("missing.dat")));
}

}  // namespace
