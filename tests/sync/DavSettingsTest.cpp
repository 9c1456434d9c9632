// DavSettings on real INI files: a round trip of the section "CalDAV", the
// bytes of the section "FTP" left exactly as they were whatever CalDAV
// writes, the precedence of "davmode", and values the file cannot hold
// refused with the file unchanged.
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <filesystem>

#include "DavSettings.h"
#include "FtpServer.h"
#include "SecretMemory.h"

namespace {

// An FTP section as users' files hold it: Shift_JIS in a comment and a
// value, odd spacing, a key of another program, and ftpmode on.
const std::string kFtpSection =
    "[FTP]\r\n"
    "; \x90\xDD\x92\xE8 by hand\r\n"
    "ftpmode=TRUE\r\n"
    "userid = \x83\x86\x81\x5B\x83\x55\r\n"
    "hostname=ftp.example.org\r\n"
    "port=21\r\n"
    "other=kept\r\n";

class DavSettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("veskat-dav-settings-" + std::to_string(getpid()) +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        file_ = (dir_ / "veskat.ini").string();
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    static DavSettings Sample() {
        DavSettings settings;
        settings.davMode = 1;
        settings.url = "https://dav.example.org/alice/veskat/";
        settings.repUrl = "https://dav.example.org/alice/veskat-rep/";
        settings.userId = "alice@example.org";
        settings.caFile = "/home/alice/ca \x94\xBD.pem";
        return settings;
    }

    std::filesystem::path dir_;
    std::string file_;
};

TEST_F(DavSettingsTest, WhatIsSavedLoadsBackAndAMissingFileGivesDefaults) {
    DavSettings empty;
    empty.Load(file_);
    EXPECT_EQ(empty.davMode, 0);
    EXPECT_EQ(empty.url + empty.repUrl + empty.userId + empty.caFile, "");
    EXPECT_FALSE(FileExists(file_));

    const DavSettings saved = Sample();
    ASSERT_EQ(saved.Save(file_), DavSettings::SaveOutcome::Saved);
    DavSettings loaded;
    loaded.password = "typed";
    loaded.Load(file_);
    EXPECT_EQ(loaded.davMode, 1);
    EXPECT_EQ(loaded.url, saved.url);
    EXPECT_EQ(loaded.repUrl, saved.repUrl);
    EXPECT_EQ(loaded.userId, saved.userId);
    EXPECT_EQ(loaded.caFile, saved.caFile);
    EXPECT_EQ(loaded.password, "typed");
    const std::string text = ReadFileBytes(file_);
    EXPECT_EQ(text.find("typed"), std::string::npos);
    EXPECT_EQ(text,
              "[CalDAV]\r\ndavmode=TRUE\r\nurl=https://dav.example.org/alice/veskat/\r\n"
              "repurl=https://dav.example.org/alice/veskat-rep/\r\nuserid=alice@example.org\r\n"
              "cafile=/home/alice/ca \x94\xBD.pem\r\n");
}

TEST_F(DavSettingsTest, TheFtpSectionKeepsEveryByte) {
    // Before, after and without a CalDAV section, in files of either line end.
    const std::string layouts[] = {
        kFtpSection,
        kFtpSection + "\r\n[CalDAV]\r\ndavmode=FALSE\r\n",
        "[CalDAV]\r\nurl=https://old/\r\n\r\n" + kFtpSection,
        "[CalDAV]\nurl=https://old/\n" + std::string("[FTP]\nftpmode=TRUE\nport=2121\n"),
    };
    for (const std::string& before : layouts) {
        WriteFileBytes(file_, before);
        const std::size_t at = before.find("[FTP]");
        const std::string ftp = before.substr(at, before.find("[CalDAV]", at) - at);
        DavSettings settings = Sample();
        ASSERT_EQ(settings.Save(file_), DavSettings::SaveOutcome::Saved);
        settings.davMode = 0;
        ASSERT_EQ(settings.Save(file_), DavSettings::SaveOutcome::Saved);
        const std::string after = ReadFileBytes(file_);
        EXPECT_NE(after.find(ftp), std::string::npos) << after;

        ConnectSettings ftpSettings;
        ftpSettings.Load(file_);
        EXPECT_EQ(ftpSettings.ftpMode, 1);
        DavSettings loaded;
        loaded.Load(file_);
        EXPECT_EQ(loaded.url, Sample().url);
    }
}

TEST_F(DavSettingsTest, CalDavTakesPrecedenceOverFtp) {
    ConnectSettings ftp;
    DavSettings dav;
    const ServerKind kinds[2][2] = {{ServerKind::None, ServerKind::CalDav},
                                    {ServerKind::Ftp, ServerKind::CalDav}};
    for (int ftpMode : {0, 1}) {
        for (int davMode : {0, 1}) {
            ftp.ftpMode = ftpMode;
            dav.davMode = davMode;
            EXPECT_EQ(ActiveServer(ftp, dav), kinds[ftpMode][davMode]) << ftpMode << davMode;
        }
    }
    // Only "TRUE" switches CalDAV on, as it does FTP.
    for (const char* value : {"true", "1", "TRUE "}) {
        WriteFileBytes(file_, std::string("[CalDAV]\r\ndavmode=") + value + "\r\n");
        dav.Load(file_);
        EXPECT_EQ(dav.davMode, std::string(value) == "TRUE " ? 1 : 0) << value;
    }
}

TEST_F(DavSettingsTest, AValueTheFileCannotHoldLeavesTheFileAsItWas) {
    WriteFileBytes(file_, kFtpSection + "[CalDAV]\r\nurl=https://old/\r\n");
    const std::string before = ReadFileBytes(file_);
    DavSettings withBreak = Sample();
    withBreak.url = "https://dav.example.org/a/\r\ndavmode=TRUE";
    EXPECT_EQ(withBreak.Save(file_), DavSettings::SaveOutcome::NotStorable);
    DavSettings tooLong = Sample();
    tooLong.repUrl = "https://dav.example.org/" + std::string(DavSettings::kUrlLimit, 'a') + "/";
    EXPECT_EQ(tooLong.Save(file_), DavSettings::SaveOutcome::NotStorable);
    EXPECT_EQ(ReadFileBytes(file_), before);

    // The longest value that fits comes back whole.
    DavSettings longest = Sample();
    longest.url = "https://d/" + std::string(DavSettings::kUrlLimit - 11, 'a') + "/";
    ASSERT_EQ(longest.Save(file_), DavSettings::SaveOutcome::Saved);
    DavSettings loaded;
    loaded.Load(file_);
    EXPECT_EQ(loaded.url, longest.url);
}

TEST(DavSettingsMemoryTest, CalDavOnKeepsThePasswordOutOfCoreDumps) {
    ASSERT_EQ(prctl(PR_SET_DUMPABLE, 1, 0, 0, 0), 0);
    DavSettings settings;
    EXPECT_TRUE(GuardPasswordMemory(settings));
    EXPECT_EQ(prctl(PR_GET_DUMPABLE, 0, 0, 0, 0), 1);
    settings.davMode = 1;
    EXPECT_TRUE(GuardPasswordMemory(settings));
    EXPECT_EQ(prctl(PR_GET_DUMPABLE, 0, 0, 0, 0), 0);
    ASSERT_EQ(prctl(PR_SET_DUMPABLE, 1, 0, 0, 0), 0);
}

}  // namespace
