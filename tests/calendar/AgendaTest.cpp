// The terminal agenda of a data folder at a pinned clock and zone: what is
// listed, in what order and form, what a file that did not load cleanly
// gives, and that the folder is left exactly as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "CalendarCommands.h"
#include "Clock.h"
#include "ScopedTimeZone.h"

namespace fs = std::filesystem;

namespace {

// Lines of a data file, Shift_JIS: 鈴木 is "\x97\xE9\x96\xD8".
const char* const kIndivLines[] = {
    "_VESKAT_I_DAT_VER_1_2_",
    "2026\t11\t30\told open\t09\t00\tU\t\t",          // overdue: listed
    "2026\t11\t30\told untracked\t09\t00\tN\t\t",     // past, untracked: not
    "2026\t12\t06\tdone\t09\t00\tC\t\t",              // done: never
    "2026\t12\t07\t\x97\xE9\x96\xD8\t05\t00\tU\t\t",  // today, time passed: overdue
    "2026\t12\t07\tmeeting\t07\t30\tN\t\t",
    "2026\t12\t07\tmeeting\t08\t00\tU\t\t",  // the same key again: not taken
    "2026\t12\t08\tgym\t07\t00\tU\t\tgym",   // generated already
    "2026\t12\t09\tlater today+2\t23\t59\tU\t\t",
    "2026\t12\t10\tbeyond\t00\t00\tU\t\t",  // today+3: outside 2 days
};
const char* const kRepLines[] = {
    "_VESKAT_R_DAT_VER_1_2_",
    // Weekly on Monday, Tuesday and Wednesday at 07:00.
    "gym\t00\t00\t00\t0\t0\t1\t1\t1\t0\t0\t0\t0\t07\t00\tU\t",
};

class Folder {
  public:
    Folder() {
        char name[] = "/tmp/veskat-agenda-XXXXXX";
        path_ = mkdtemp(name);
    }
    ~Folder() { fs::remove_all(path_); }
    template <std::size_t N>
    void Write(const char* name, const char* const (&lines)[N]) const {
        std::ofstream file(path_ / name, std::ios::binary);
        for (const char* line : lines) {
            file << line << "\r\n";
        }
    }
    std::map<std::string, std::string> Contents() const {
        std::map<std::string, std::string> contents;
        for (const auto& entry : fs::directory_iterator(path_)) {
            std::ifstream file(entry.path(), std::ios::binary);
            contents[entry.path().filename()] =
                std::string(std::istreambuf_iterator<char>(file), {});
        }
        return contents;
    }
    std::string Path() const { return path_.string(); }

  private:
    fs::path path_;
};

}  // namespace

TEST(Agenda, ListsWhatIsDueInDateOrderThenTheDaysNotGeneratedAndTellsWhatDidNotLoad) {
    ScopedTimeZone zone("Asia/Tokyo");
    ScopedClock clock(LocalTime::Make(2026, 12, 7, 6, 15));  // a Monday
    Folder folder;
    folder.Write("veskat_i.dat", kIndivLines);
    folder.Write("veskat_r.dat", kRepLines);
    const auto before = folder.Contents();

    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunAgenda(folder.Path(), 2, out, err), kCommandDone);
    EXPECT_EQ(out.str(),
              "2026/11/30 09:00  期限切れ      -7 日  old open\n"
              "2026/12/07 05:00  期限切れ       0 日  鈴木\n"
              "2026/12/07 07:30  管理しない     0 日  meeting\n"
              "2026/12/08 07:00  未処理         1 日  gym\n"
              "2026/12/09 23:59  未処理         2 日  later today+2\n"
              "2026/12/07 07:00  未作成         0 日  gym\n"
              "2026/12/09 07:00  未作成         2 日  gym\n");
    EXPECT_EQ(err.str(), "veskat: " + folder.Path() + "/veskat_i.dat: 1 line not taken\n");
    EXPECT_EQ(folder.Contents(), before);
}

TEST(Agenda, AMissingFolderEndsWithTwoAndAMessage) {
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunAgenda("/tmp/veskat-no-such-folder", 7, out, err), kCommandNoFolder);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "veskat: no such folder: /tmp/veskat-no-such-folder\n");
}

TEST(Agenda, AnEmptyFolderPrintsNothing) {
    Folder folder;
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunAgenda(folder.Path(), 7, out, err), kCommandDone);
    EXPECT_EQ(out.str() + err.str(), "");
    EXPECT_TRUE(folder.Contents().empty());
}
