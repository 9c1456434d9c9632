// ConnectSettings on real INI files: defaults, the "TRUE" rule, the
// leading-number rule, limits, and a Save that Load reads back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "ConnectSettings.h"
#include "FtpServer.h"

namespace {

class ConnectSettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("veskat-settings-" + std::to_string(getpid()) +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        file_ = (dir_ / "veskat.ini").string();
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    ConnectSettings LoadFrom(const std::string& text) {
        WriteFileBytes(file_, text);
        ConnectSettings settings;
        settings.Load(file_);
        return settings;
    }

    std::filesystem::path dir_;
    std::string file_;
};

TEST_F(ConnectSettingsTest, NoFileMeansServerOffPort21) {
    ConnectSettings settings;
    settings.ftpMode = 1;
    settings.port = 7;
    settings.password = "secret";
    EXPECT_EQ(settings.Load(file_), 0);
    EXPECT_EQ(settings.ftpMode, 0);
    EXPECT_EQ(settings.port, 21);
    EXPECT_EQ(settings.userId + settings.hostName + settings.indivSubjPath + settings.repSubjPath,
              "");
    EXPECT_EQ(settings.password, "secret");
    EXPECT_FALSE(FileExists(file_));
}

TEST_F(ConnectSettingsTest, OnlyUpperCaseTrueSwitchesTheServerAndTlsOn) {
    const std::pair<const char*, int> cases[] = {
        {"TRUE", 1}, {"true", 0}, {"True", 0}, {"1", 0}, {"TRUEX", 0}, {"", 0}, {"FALSE", 0},
    };
    for (const auto& [value, mode] : cases) {
        EXPECT_EQ(LoadFrom(std::string("[FTP]\r\nftpmode=") + value + "\r\n").ftpMode, mode)
            << value;
        EXPECT_EQ(LoadFrom(std::string("[FTP]\r\nftptls=") + value + "\r\n").ftpTls, mode) << value;
    }
    EXPECT_EQ(LoadFrom("[FTP]\r\nftpmode=TRUE\r\n").ftpTls, 0);
}

TEST_F(ConnectSettingsTest, PortFollowsTheLeadingNumberRule) {
    const std::pair<const char*, int> cases[] = {
        {"2121", 2121},
        {"  +21abc", 21},
        {"-5", -5},
        {"abc", 0},
        {"", 0},
        {"65557", 65557},
        {"999999999999", 999999999},
    };
    for (const auto& [value, port] : cases) {
        EXPECT_EQ(LoadFrom(std::string("[FTP]\r\nport=") + value + "\r\n").port, port) << value;
    }
    EXPECT_EQ(LeadingNumber("99999999999"), INT32_MAX);
    EXPECT_EQ(LeadingNumber("-99999999999"), INT32_MIN);
    EXPECT_EQ(LeadingNumber("\t 42 7"), 42);
    EXPECT_EQ(LeadingNumber("- 4"), 0);
}

TEST_F(ConnectSettingsTest, LongValuesAreCutToTheirReadLimits) {
    const ConnectSettings settings =
        LoadFrom("[FTP]\r\nftpmode=TRUE\r\nuserid=" + std::string(90, 'u') + "\r\nhostname=" +
                 std::string(90, 'h') + "\r\nftpindivsubjpath=" + std::string(300, 'i') +
                 "\r\nftprepsubjpath=" + std::string(300, 'r') + "\r\n");
    EXPECT_EQ(settings.ftpMode, 1);
    EXPECT_EQ(settings.userId, std::string(79, 'u'));
    EXPECT_EQ(settings.hostName, std::string(79, 'h'));
    EXPECT_EQ(settings.indivSubjPath, std::string(259, 'i'));
    EXPECT_EQ(settings.repSubjPath, std::string(259, 'r'));
}

TEST_F(ConnectSettingsTest, SaveWritesEightKeysAndNeverThePassword) {
    WriteFileBytes(file_, "[Other]\r\nkeep=1\r\n");
    ConnectSettings settings;
    settings.ftpMode = 1;
    settings.userId = "taro";
    settings.password = "p4ssw0rd";
    settings.hostName = "ftp.example.jp";
    settings.port = 0;
    settings.indivSubjPath = "/data/\x8C\xC2\x95\xCA.dat";
    settings.repSubjPath = "rep.dat";
    settings.ftpTls = 1;
    settings.caFile = "/home/taro/\x8C\xC2\x95\xCA.pem";
    EXPECT_EQ(settings.Save(file_), FileWrite::Written);
    EXPECT_EQ(
        ReadFileBytes(file_),
        "[Other]\r\nkeep=1\r\n[FTP]\r\nftpmode=TRUE\r\nuserid=taro\r\n"
        "hostname=ftp.example.jp\r\nport=0\r\nftpindivsubjpath=/data/\x8C\xC2\x95\xCA.dat\r\n"
        "ftprepsubjpath=rep.dat\r\nftptls=TRUE\r\nftpcafile=/home/taro/\x8C\xC2\x95\xCA.pem\r\n");

    ConnectSettings back;
    back.Load(file_);
    EXPECT_EQ(back.ftpMode, 1);
    EXPECT_EQ(back.userId, settings.userId);
    EXPECT_EQ(back.hostName, settings.hostName);
    EXPECT_EQ(back.port, 0);
    EXPECT_EQ(back.indivSubjPath, settings.indivSubjPath);
    EXPECT_EQ(back.repSubjPath, settings.repSubjPath);
    EXPECT_EQ(back.ftpTls, 1);
    EXPECT_EQ(back.caFile, settings.caFile);
    EXPECT_EQ(back.password, "");

    settings.ftpMode = 0;
    ASSERT_EQ(settings.Save(file_), FileWrite::Written);
    back.Load(file_);
    EXPECT_EQ(back.ftpMode, 0);
    EXPECT_NE(ReadFileBytes(file_).find("ftpmode=FALSE\r\n"), std::string::npos);
}

TEST_F(ConnectSettingsTest, FileSavedWithAByteOrderMarkReadsAndSavesInPlace) {
    // As an editor saving UTF-8 leaves it: the mark, the keys in its own order.
    // Keys the file lacks are added at the end of its section.
    const auto file = [](const std::string& end, const std::string& mode, const std::string& user,
                         const std::string& port, bool added = false) {
        return "\xEF\xBB\xBF[FTP]" + end + "hostname=ftp.example.jp" + end + "ftpmode=" + mode +
               end + "; \x8C\xC2\x95\xCA" + end + "userid=" + user + end + "port=" + port + end +
               "ftpindivsubjpath=i.dat" + end + "ftprepsubjpath=r.dat" + end +
               (added ? "ftptls=FALSE" + end + "ftpcafile=" + end : "") + end + "[Other]" + end +
               "keep=1" + end;
    };
    for (const std::string end : {"\r\n", "\n"}) {
        ConnectSettings settings = LoadFrom(file(end, "TRUE", "taro", "2121"));
        EXPECT_EQ(settings.ftpMode, 1);
        EXPECT_EQ(settings.userId, "taro");
        EXPECT_EQ(settings.hostName, "ftp.example.jp");
        EXPECT_EQ(settings.port, 2121);
        EXPECT_EQ(settings.indivSubjPath, "i.dat");
        EXPECT_EQ(settings.repSubjPath, "r.dat");

        settings.ftpMode = 0;
        settings.userId = "hanako";
        settings.port = 21;
        ASSERT_EQ(settings.Save(file_), FileWrite::Written);
        EXPECT_EQ(ReadFileBytes(file_), file(end, "FALSE", "hanako", "21", true));
    }
}

}  // namespace
