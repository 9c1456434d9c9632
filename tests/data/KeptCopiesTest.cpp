// Dated copies and save backups through real files: the bytes survive exactly,
// nothing that exists is ever written over, and a folder or a missing file is
// never taken for a data file.
#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "Clock.h"
#include "KeptCopies.h"

namespace {

namespace fs = std::filesystem;

class KeptCopies : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("veskat-kept-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static void Write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    fs::path dir_;
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

TEST_F(KeptCopies, EmptyFileIsCopiedToo) {
    Write(Path("veskat_r.dat"), "");
    const std::string copy = KeepDatedCopy(Path("veskat_r.dat"));
    ASSERT_FALSE(copy.empty());
    EXPECT_TRUE(fs::is_regular_file(copy));
    EXPECT_EQ(fs::file_size(copy), 0u);
}

TEST_F(KeptCopies, FolderOrMissingFileIsNeitherCopiedNorBackedUp) {
    fs::create_directories(Path("veskat_i.dat/inside"));
    EXPECT_EQ(KeepDatedCopy(Path("veskat_i.dat")), "");
    EXPECT_EQ(KeepDatedCopy(Path("missing.dat")), "");
    EXPECT_EQ(KeepBackup(Path("veskat_i.dat")), 0);
    EXPECT_EQ(KeepBackup(Path("missing.dat")), 0);
    EXPECT_EQ(Names(), std::vector<std::string>{"veskat_i.dat"});
    EXPECT_TRUE(PathExists(Path("veskat_i.dat")));
    EXPECT_FALSE(IsRegularFile(Path("veskat_i.dat")));
    EXPECT_FALSE(PathExists(Path("missing.dat")));
}

TEST_F(KeptCopies, NameTakenByAFolderMovesToTheNextNumber) {
    Write(Path("veskat_i.dat"), "x");
    fs::create_directories(Path("veskat_i.dat.20261207-093000"));
    const std::string copy = KeepDatedCopy(Path("veskat_i.dat"));
    EXPECT_EQ(copy, Path("veskat_i.dat.20261207-093000-2"));
    EXPECT_EQ(Read(copy), "x");
    EXPECT_TRUE(fs::is_empty(Path("veskat_i.dat.20261207-093000")));
}

TEST_F(KeptCopies, BackupHoldsTheVersionBeingReplacedOneGenerationDeep) {
    const std::string data = Path("veskat_r.dat");
    const std::string first = AnyBytes(5000, 2);
    const std::string second = AnyBytes(100, 3);
    Write(data, first);
    EXPECT_EQ(KeepBackup(data), 0);
    EXPECT_EQ(Read(data + kBackupSuffix), first);
    Write(data, second);
    EXPECT_EQ(KeepBackup(data), 0);
    EXPECT_EQ(Read(data + kBackupSuffix), second);
    EXPECT_EQ(Names(), (std::vector<std::string>{"veskat_r.dat", "veskat_r.dat.bak"}));
}

TEST_F(KeptCopies, BackupThatCannotBeWrittenFailsAndTouchesNothing) {
    const std::string data = Path("veskat_i.dat");
    Write(data, "current");
    fs::create_directories(data + ".bak/old");
    EXPECT_EQ(KeepBackup(data), -1);
    EXPECT_EQ(Read(data), "current");
    EXPECT_TRUE(fs::is_directory(data + ".bak/old"));
    EXPECT_EQ(Names(), (std::vector<std::string>{"veskat_i.dat", "veskat_i.dat.bak"}));
}

}  // namespace
