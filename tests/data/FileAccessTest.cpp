// Files on disk through the program's one file-access unit: whole reads of
// whatever may lie under a data file's name, replacements that appear whole
// or not at all with the permission bits they must carry, and new files under
// a free name that leave nothing behind when they cannot be made.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "FileAccess.h"

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
    static void Write(const std::string& path, const std::string& bytes, fs::perms perms) {
        std::ofstream(path, std::ios::binary) << bytes;
        fs::permissions(path, perms);
    }
    static fs::perms PermsOf(const std::string& path) {
        return fs::status(path).permissions() & fs::perms::all;
    }

    QTemporaryDir dir_;
};

constexpr fs::perms kPrivate = fs::perms::owner_read | fs::perms::owner_write;
constexpr fs::perms kGroupReads = kPrivate | fs::perms::group_read;

TEST_F(FileAccess, WholeReadTakesARegularFileAndNothingElse) {
    std::string anyBytes(70001, '\0');
    for (std::size_t i = 0; i < anyBytes.size(); ++i) {
        anyBytes[i] = static_cast<char>(i * 7919 % 256);
    }
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
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReadWholeFile(Path(c.name)), c.expected);
    }
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
    ASSERT_EQ(WriteSideFile(Path("data.bak"), "side", Path("private")), 0);
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
    EXPECT_EQ(WriteSideFile(Path("no-such-folder/data.bak"), "x", Path("data")), -1);
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

}  // namespace
