// The INI file layer on real files: defaults, read limits, case rules, and
// writes that touch only their own line.
#include <gtest/gtest.h>

#include <filesystem>

#include "FtpServer.h"
#include "IniFile.h"

namespace {

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
    ASSERT_TRUE(IniFile::Write("FTP", "ftpmode", "TRUE", file_));
    ASSERT_TRUE(IniFile::Write("FTP", "port", "21", file_));
    EXPECT_EQ(ReadFileBytes(file_), "[FTP]\r\nftpmode=TRUE\r\nport=21\r\n");
}

TEST_F(IniFileTest, WriteReplacesOneLineAndKeepsEveryOtherLine) {
    const std::string before =
        "; settings\r\n[Window]\r\nport=1\r\n\r\n[FTP]\r\nuserid=old\r\n; keep me\r\nPORT=2\r\n"
        "\r\n[Last]\nx=\x8E\x52\n";
    WriteFileBytes(file_, before);
    ASSERT_TRUE(IniFile::Write("ftp", "port", "8021", file_));
    ASSERT_TRUE(IniFile::Write("FTP", "hostname", "\x8E\x52.example", file_));
    EXPECT_EQ(ReadFileBytes(file_),
              "; settings\r\n[Window]\r\nport=1\r\n\r\n[FTP]\r\nuserid=old\r\n; keep me\r\n"
              "port=8021\r\nhostname=\x8E\x52.example\r\n\r\n[Last]\nx=\x8E\x52\n");
    EXPECT_EQ(IniFile::Read("FTP", "hostname", "", 80, file_), "\x8E\x52.example");
    EXPECT_EQ(IniFile::Read("Window", "port", "", 10, file_), "1");
}

TEST_F(IniFileTest, WriteAddsASectionAfterALastLineWithoutEnd) {
    WriteFileBytes(file_, "[Other]\r\na=1");
    ASSERT_TRUE(IniFile::Write("FTP", "userid", "u\r\nport=1", file_));
    EXPECT_EQ(ReadFileBytes(file_), "[Other]\r\na=1\r\n[FTP]\r\nuserid=u\r\n");
}

TEST_F(IniFileTest, ReadOnlyFileIsNotReplaced) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root may write any file";
    }
    WriteFileBytes(file_, "[FTP]\r\nport=1\r\n");
    std::filesystem::permissions(file_, std::filesystem::perms::owner_read);
    EXPECT_FALSE(IniFile::Write("FTP", "port", "2", file_));
    std::filesystem::permissions(file_, std::filesystem::perms::owner_all);
    EXPECT_EQ(ReadFileBytes(file_), "[FTP]\r\nport=1\r\n");
}

}  // namespace
