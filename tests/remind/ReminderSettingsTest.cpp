// The notify setting in a real veskat.ini: on by default, off only when
// written so, and written without disturbing the connection settings.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "ReminderSettings.h"

namespace {

class IniFolder : public ::testing::Test {
  protected:
    IniFolder() {
        char name[] = "/tmp/veskat-remind-ini-XXXXXX";
        folder_ = mkdtemp(name);
        ini_ = (folder_ / "veskat.ini").string();
    }
    ~IniFolder() override { std::filesystem::remove_all(folder_); }

    void Put(const std::string& bytes) const { std::ofstream(ini_, std::ios::binary) << bytes; }
    std::string Bytes() const {
        std::ifstream file(ini_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }

    std::filesystem::path folder_;
    std::string ini_;
};

constexpr const char* kFtpSection =
    "[FTP]\r\nftpmode=TRUE\r\nuserid=\x97\xE9\x96\xD8\r\nport=2121\r\n\r\n";

}  // namespace

TEST_F(IniFolder, RemindersAreOnUnlessTheFileSaysFalse) {
    EXPECT_TRUE(ReadNotifySetting(ini_));  // no file at all
    Put(kFtpSection);
    EXPECT_TRUE(ReadNotifySetting(ini_));  // no section
    Put(std::string(kFtpSection) + "[Reminders]\r\nnotify=maybe\r\n");
    EXPECT_TRUE(ReadNotifySetting(ini_));
    Put(std::string(kFtpSection) + "[reminders]\r\nNOTIFY = FALSE\r\n");
    EXPECT_FALSE(ReadNotifySetting(ini_));
}

TEST_F(IniFolder, WritingKeepsTheConnectionSettingsByteForByte) {
    Put(kFtpSection);
    ASSERT_EQ(WriteNotifySetting(false, ini_), FileWrite::Written);
    EXPECT_EQ(Bytes(), std::string(kFtpSection) + "[Reminders]\r\nnotify=FALSE\r\n");
    EXPECT_FALSE(ReadNotifySetting(ini_));
    ASSERT_EQ(WriteNotifySetting(true, ini_), FileWrite::Written);
    EXPECT_EQ(Bytes(), std::string(kFtpSection) + "[Reminders]\r\nnotify=TRUE\r\n");
    EXPECT_TRUE(ReadNotifySetting(ini_));
}
