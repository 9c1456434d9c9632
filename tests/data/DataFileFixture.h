// Shared by the data-file tests: a fresh folder for each test, files read and
// written as raw bytes, and subjects added in one line.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "SubjList.h"

namespace datatest {

namespace fs = std::filesystem;

class DataFile : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("veskat-data-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        fs::permissions(dir_, fs::perms::owner_all);
        fs::remove_all(dir_);
    }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static void Write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    fs::path dir_;
};

inline void AddIndiv(IndivSubjList& list, int y, int m, int d, const std::string& title,
                     const std::string& content = "", const std::string& origin = "") {
    list.current = IndivSubj{};
    list.current.year = static_cast<std::int16_t>(y);
    list.current.month = static_cast<std::int16_t>(m);
    list.current.day = static_cast<std::int16_t>(d);
    list.current.title = title;
    list.current.hour = 9;
    list.current.minute = 5;
    list.current.progress = Progress::Open;
    list.current.content = content;
    list.current.origin = origin;
    ASSERT_EQ(list.Insert(), StoreResult::Done);
}

// Kanji, hiragana and half-width kana, whose trail bytes include '\\' (0x5C)
// and '|' (0x7C) the way Shift_JIS does.
const std::string kSjisTitle =
    "\x95\x5C\x8E\xA6 \x83\x5C\x83\x74\x83\x67 \xBB\xCC\xC4";  // 表示 ソフト ｻﾌﾄ
const std::string kSjisContent =
    "\x88\xEA\x8D\x73\x96\xDA<br>\x93\xF1\x8D\x73\x96\xDA";  // 一行目<br>二行目

}  // namespace datatest
