// The INI file layer on real files: defaults, read limits, case rules, line
// ends and byte-order marks, odd files, and writes that touch only their own line.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "IniFile.h"

namespace {

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

class IniFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("veskat-ini-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        file_ = (dir_ / "veskat.ini").string();
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::filesystem::path dir_;
    std::string file_;
};

TEST_F(IniFileTest, MissingFileSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(IniFile::Read("FTP", "port", "21", 10, file_), "21");
    WriteFileBytes(file_, "[Other]\r\nport=99\r\n[FTP]\r\nuserid=a\r\n");
    EXPECT_EQ(IniFile::Read("FTP", "port", "21", 10, file_), "21");
    EXPECT_EQ(IniFile::Read("None", "userid", "", 80, file_), "");
    EXPECT_EQ(IniFile::Read("Other", "port", "21", 10, file_), "99");
}

TEST_F(IniFileTest, SectionAndKeyMatchInAnyCaseValuesDoNot) {
    WriteFileBytes(file_, "[ftp]\r\nUserID = Taro Yamada \r\nftpmode=true\r\n");
    EXPECT_EQ(IniFile::Read("FTP", "userid", "", 80, file_), "Taro Yamada");
    EXPECT_EQ(IniFile::Read("Ftp", "FTPMODE", "", 10, file_), "true");
}

TEST_F(IniFileTest, ValuesAreCutToTheBufferLessOne) {
    WriteFileBytes(file_, "[FTP]\nport=12345678901234\nhostname=" + std::string(100, 'h') + "\n");
    EXPECT_EQ(IniFile::Read("FTP", "port", "21", 10, file_), "123456789");
    EXPECT_EQ(IniFile::Read("FTP", "hostname", "", 80, file_), std::string(79, 'h'));
    EXPECT_EQ(IniFile::Read("FTP", "hostname", "", 1, file_), "");
    // A double-byte character that does not fit whole is left out whole.
    WriteFileBytes(file_, "[FTP]\r\nuserid=" + std::string(78, 'a') + "\x8E\x52\r\n");
    EXPECT_EQ(IniFile::Read("FTP", "userid", "", 80, file_), std::string(78, 'a'));
}

TEST_F(IniFileTest, WriteCreatesTheFileAndTheSection) {
    ASSERT_EQ(IniFile::Write("FTP", "ftpmode", "TRUE", file_), FileWrite::Written);
    ASSERT_EQ(IniFile::Write("FTP", "port", "21", file_), FileWrite::Written);
    EXPECT_EQ(ReadFileBytes(file_), "[FTP]\r\nftpmode=TRUE\r\nport=21\r\n");
}

TEST_F(IniFileTest, WriteReplacesOneLineAndKeepsEveryOtherLine) {
    const std::string before =
        "; settings\r\n[Window]\r\nport=1\r\n\r\n[FTP]\r\nuserid=old\r\n; keep me\r\nPORT=2\r\n"
        "\r\n[Last]\nx=\x8E\x52\n";
    WriteFileBytes(file_, before);
    ASSERT_EQ(IniFile::Write("ftp", "port", "8021", file_), FileWrite::Written);
    ASSERT_EQ(IniFile::Write("FTP", "hostname", "\x8E\x52.example", file_), FileWrite::Written);
    EXPECT_EQ(ReadFileBytes(file_),
              "; settings\r\n[Window]\r\nport=1\r\n\r\n[FTP]\r\nuserid=old\r\n; keep me\r\n"
              "port=8021\r\nhostname=\x8E\x52.example\r\n\r\n[Last]\nx=\x8E\x52\n");
    EXPECT_EQ(IniFile::Read("FTP", "hostname", "", 80, file_), "\x8E\x52.example");
    EXPECT_EQ(IniFile::Read("Window", "port", "", 10, file_), "1");
}

// The window's place and the connection settings are written in one rewrite
// of the file each, which must come to what writing their keys one by one does.
TEST_F(IniFileTest, SeveralKeysAtOnceWriteAsOneByOne) {
    const std::string before =
        "; settings\r\n[Window]\r\nx=1\r\n\r\n[FTP]\r\nuserid=old\r\n"
        "PORT=2\r\n\r\n[Last]\nx=\x8E\x52";
    const std::vector<IniFile::KeyValuePair> values = {
        {"port", "8021"}, {"hostname", "h"}, {"userid", "new\r\nx=2"}, {"port", "8022"}};
    const std::string single = (dir_ / "single.ini").string();
    for (const char* section : {"FTP", "window", "New", "Last"}) {
        WriteFileBytes(file_, before);
        WriteFileBytes(single, before);
        ASSERT_EQ(IniFile::Write(section, values, file_), FileWrite::Written);
        for (const auto& [key, value] : values) {
            ASSERT_EQ(IniFile::Write(section, key, value, single), FileWrite::Written);
        }
        EXPECT_EQ(ReadFileBytes(file_), ReadFileBytes(single)) << section;
    }
}

TEST_F(IniFileTest, WriteAddsASectionAfterALastLineWithoutEnd) {
    WriteFileBytes(file_, "[Other]\r\na=1");
    ASSERT_EQ(IniFile::Write("FTP", "userid", "u\r\nport=1", file_), FileWrite::Written);
    EXPECT_EQ(ReadFileBytes(file_), "[Other]\r\na=1\r\n[FTP]\r\nuserid=u\r\n");
}

TEST_F(IniFileTest, ReadOnlyFileIsNotReplaced) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root may write any file";
    }
    WriteFileBytes(file_, "[FTP]\r\nport=1\r\n");
    std::filesystem::permissions(file_, std::filesystem::perms::owner_read);
    EXPECT_EQ(IniFile::Write("FTP", "port", "2", file_), FileWrite::Failed);
    std::filesystem::permissions(file_, std::filesystem::perms::owner_all);
    EXPECT_EQ(ReadFileBytes(file_), "[FTP]\r\nport=1\r\n");
}

const std::string kByteOrderMark = "\xEF\xBB\xBF";

// Lines joined with one line end, the last one included.
std::string Lines(std::initializer_list<std::string> lines, const std::string& end) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + end;
    }
    return text;
}

TEST_F(IniFileTest, ByteOrderMarkIsPassedOverAndKept) {
    for (const std::string end : {"\r\n", "\n", "\r"}) {
        WriteFileBytes(
            file_, kByteOrderMark +
                       Lines({"[FTP]", "userid=taro", "; note", "", "[Other]", "x=\x8E\x52"}, end));
        EXPECT_EQ(IniFile::Read("FTP", "userid", "", 80, file_), "taro");
        ASSERT_EQ(IniFile::Write("FTP", "userid", "hanako", file_), FileWrite::Written);
        ASSERT_EQ(IniFile::Write("FTP", "port", "2121", file_), FileWrite::Written);
        EXPECT_EQ(ReadFileBytes(file_),
                  kByteOrderMark + Lines({"[FTP]", "userid=hanako", "; note", "port=2121", "",
                                          "[Other]", "x=\x8E\x52"},
                                         end));
    }
}

TEST_F(IniFileTest, AddedLinesTakeTheFileOwnLineEnd) {
    for (const std::string end : {"\r\n", "\n", "\r"}) {
        // A last line without its end gets the file's end too.
        WriteFileBytes(file_, "[Other]" + end + "a=1");
        ASSERT_EQ(IniFile::Write("FTP", "userid", "u", file_), FileWrite::Written);
        ASSERT_EQ(IniFile::Write("FTP", "port", "21", file_), FileWrite::Written);
        EXPECT_EQ(ReadFileBytes(file_),
                  Lines({"[Other]", "a=1", "[FTP]", "userid=u", "port=21"}, end));
        EXPECT_EQ(IniFile::Read("FTP", "port", "", 10, file_), "21");
        EXPECT_EQ(IniFile::Read("Other", "a", "", 10, file_), "1");
    }
    // Mixed ends: the first one the file uses.
    WriteFileBytes(file_, "[FTP]\nport=1\r\n");
    ASSERT_EQ(IniFile::Write("FTP", "userid", "u", file_), FileWrite::Written);
    EXPECT_EQ(ReadFileBytes(file_), "[FTP]\nport=1\r\nuserid=u\n");
    // No line end anywhere: CR LF, as for a new file.
    WriteFileBytes(file_, kByteOrderMark + "[FTP]");
    ASSERT_EQ(IniFile::Write("FTP", "port", "1", file_), FileWrite::Written);
    EXPECT_EQ(ReadFileBytes(file_), kByteOrderMark + "[FTP]\r\nport=1\r\n");
}

TEST_F(IniFileTest, OddFilesReadTheFirstOfEachAndKeepEveryOtherByte) {
    const std::string longLine = "note " + std::string(200000, '\x82') + "=x";
    const std::string before = "[FTP]\r\nport=1\r\nport=2\r\nhostname\r\n" + longLine +
                               "\r\n[ftp]\r\nport=3\r\nuserid=second\r\n[Other]\r\nport=4";
    WriteFileBytes(file_, before);
    // Duplicate sections and keys: the first counts, for reading and writing alike.
    EXPECT_EQ(IniFile::Read("FTP", "port", "", 10, file_), "1");
    EXPECT_EQ(IniFile::Read("FTP", "userid", "none", 80, file_), "none");
    EXPECT_EQ(IniFile::Read("FTP", "hostname", "none", 80, file_), "none");
    ASSERT_EQ(IniFile::Write("FTP", "port", "21", file_), FileWrite::Written);
    ASSERT_EQ(IniFile::Write("FTP", "userid", "first", file_), FileWrite::Written);
    ASSERT_EQ(IniFile::Write("Other", "port", "5", file_), FileWrite::Written);
    EXPECT_EQ(ReadFileBytes(file_),
              "[FTP]\r\nport=21\r\nport=2\r\nhostname\r\n" + longLine +
                  "\r\nuserid=first\r\n[ftp]\r\nport=3\r\nuserid=second\r\n[Other]\r\nport=5");
    EXPECT_EQ(IniFile::Read("FTP", "port", "", 10, file_), "21");
    EXPECT_EQ(IniFile::Read("FTP", "userid", "", 80, file_), "first");
}

TEST_F(IniFileTest, AFolderOrAPipeInTheFilePlaceIsLeftAlone) {
    std::filesystem::create_directory(file_);
    EXPECT_EQ(IniFile::Read("FTP", "port", "21", 10, file_), "21");
    EXPECT_EQ(IniFile::Write("FTP", "port", "2", file_), FileWrite::Failed);
    EXPECT_TRUE(std::filesystem::is_directory(file_));
    std::filesystem::remove(file_);

    ASSERT_EQ(mkfifo(file_.c_str(), 0600), 0);
    // Should a read wait on the pipe, this writer ends each wait, and the test fails.
    std::atomic<bool> done{false};
    std::thread writer([&] {
        const std::string text = "[FTP]\r\nport=7\r\n";
        for (int tries = 0; tries < 500 && !done; ++tries) {
            const int fd = open(file_.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                EXPECT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
                close(fd);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    EXPECT_EQ(IniFile::Read("FTP", "port", "21", 10, file_), "21");
    EXPECT_EQ(IniFile::Write("FTP", "port", "2", file_), FileWrite::Failed);
    done = true;
    writer.join();
    EXPECT_EQ(std::filesystem::status(file_).type(), std::filesystem::file_type::fifo);
}

}  // namespace
