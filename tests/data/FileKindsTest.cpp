// What a load does with a data file that is no regular file, and with too
// little memory: it ends quickly with -1, leaves the store as it was or keeps
// the records read so far, and reports the lines it could not take. Each load
// runs in a child process with a deadline, so that a load that hangs or
// aborts fails the test instead of holding or killing it.
#include <gtest/gtest.h>

#include <malloc.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <thread>

#include "DataFileFixture.h"

namespace {

using namespace datatest;

// What a load in the child gave, passed back through a pipe as plain bytes.
struct Outcome {
    int result = 0;
    int linesNotTaken = 0;
    int linesChanged = 0;
    int records = 0;
    bool recordsInFileOrder = false;  // the kept records are the first lines of the file
};

// The outcome of `load` run in a child process, or nothing when the child did
// not end well within `seconds` (it is then killed).
std::optional<Outcome> InChild(const std::function<Outcome()>& load, int seconds = 20) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        return std::nullopt;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        const Outcome outcome = load();
        const bool written = ::write(pipeFds[1], &outcome, sizeof outcome) == sizeof outcome;
        ::_exit(written ? 0 : 1);
    }
    ::close(pipeFds[1]);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            ::close(pipeFds[0]);
            ADD_FAILURE() << "the load did not end within " << seconds << " s";
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    Outcome outcome;
    const bool read = ::read(pipeFds[0], &outcome, sizeof outcome) == sizeof outcome;
    ::close(pipeFds[0]);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !read) {
        ADD_FAILURE() << "the child ended with status " << status;
        return std::nullopt;
    }
    return outcome;
}

// Loads `path` into a list that already holds one subject, with a report that
// starts out as nonsense.
Outcome LoadOverOneSubject(const std::string& path) {
    IndivSubjList list;
    AddIndiv(list, 2020, 1, 1, "already there");
    SubjTree::LoadReport report{-7, -7};
    Outcome outcome;
    outcome.result = ResultCode(list.Load(path, &report));
    outcome.linesNotTaken = report.linesNotTaken;
    outcome.linesChanged = report.linesChanged;
    list.Tree().VisitInOrder([&](const RecordText&) {
        ++outcome.records;
        return true;
    });
    outcome.recordsInFileOrder =
        list.First() == StoreResult::Done && list.current.title == "already there";
    return outcome;
}

class FileKinds : public DataFile {
  protected:
    void ExpectRefused(const std::string& path) {
        std::optional<Outcome> outcome = InChild([&] { return LoadOverOneSubject(path); });
        ASSERT_TRUE(outcome.has_value()) << path;
        EXPECT_EQ(outcome->result, -1) << path;
        EXPECT_EQ(outcome->linesNotTaken, 0) << path;
        EXPECT_EQ(outcome->linesChanged, 0) << path;
        EXPECT_EQ(outcome->records, 1) << path;  // the store as it was
        EXPECT_TRUE(outcome->recordsInFileOrder) << path;
    }
};

TEST_F(FileKinds, AFolderNamedLikeTheDataFileIsRefused) {
    fs::create_directory(Path("veskat_i.dat"));
    ExpectRefused(Path("veskat_i.dat"));
}

TEST_F(FileKinds, AFifoIsRefusedWithoutWaitingForAWriter) {
    ASSERT_EQ(::mkfifo(Path("veskat_i.dat").c_str(), 0600), 0);
    ExpectRefused(Path("veskat_i.dat"));
}

TEST_F(FileKinds, DevicesAreRefused) {
    ExpectRefused("/dev/null");
    ExpectRefused("/dev/zero");  // would never end
    fs::create_symlink("/dev/zero", Path("veskat_i.dat"));
    ExpectRefused(Path("veskat_i.dat"));
}

TEST_F(FileKinds, AMissingOrUnreadableFileIsRefused) {
    ExpectRefused(Path("none.dat"));
    Write(Path("locked.dat"), "_VESKAT_I_DAT_VER_1_2_\r\n2024\t01\t02\ta\t09\t00\tU\t\t\r\n");
    fs::permissions(Path("locked.dat"), fs::perms::none);
    if (::geteuid() != 0) {  // root reads through permissions
        ExpectRefused(Path("locked.dat"));
    }
}

TEST_F(FileKinds, ARegularFileBehindALinkLoads) {
    Write(Path("real.dat"), "_VESKAT_I_DAT_VER_1_2_\r\n2024\t01\t02\ta\t09\t00\tU\t\t\r\n");
    fs::create_symlink(Path("real.dat"), Path("veskat_i.dat"));
    std::optional<Outcome> outcome =
        InChild([&] { return LoadOverOneSubject(Path("veskat_i.dat")); });
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->result, 0);
    EXPECT_EQ(outcome->records, 2);
}

// ---- running out of memory ------------------------------------------------

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kLimitsWork = false;  // the sanitizer's shadow memory needs the address space
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kLimitsWork = false;
#else
constexpr bool kLimitsWork = true;
#endif
#else
constexpr bool kLimitsWork = true;
#endif

// Limits the calling process to the address space it uses now and `extra` bytes.
bool LimitAddressSpace(std::size_t extra) {
    ::malloc_trim(0);  // what earlier tests freed is no room for this one
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    unsigned long pages = 0;
    const bool read = statm != nullptr && std::fscanf(statm, "%lu", &pages) == 1;
    if (statm != nullptr) {
        std::fclose(statm);
    }
    const auto now = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
    const rlimit limit{now + extra, now + extra};
    return read && ::setrlimit(RLIMIT_AS, &limit) == 0;
}

// An individual line whose title numbers it, so that keys ascend with the lines.
std::string NumberedLine(int n) {
    char line[64];
    std::snprintf(line, sizeof line, "2024\t01\t01\tsubject %07d\t09\t00\tU\t\t", n);
    return line;
}

// The child's load under the limit: the records kept must be lines 1, 2, ...
// in order, none skipped.
Outcome LoadLimited(const std::string& path, std::size_t extra) {
    Outcome outcome;
    if (!LimitAddressSpace(extra)) {
        outcome.result = 99;
        return outcome;
    }
    IndivSubjList list;
    SubjTree::LoadReport report{-7, -7};
    // The result itself: running out of memory is no file that failed.
    outcome.result = static_cast<int>(list.Load(path, &report));
    outcome.linesNotTaken = report.linesNotTaken;
    outcome.linesChanged = report.linesChanged;
    outcome.recordsInFileOrder = true;
    list.Tree().VisitInOrder([&](const RecordText& record) {
        char title[32];
        std::snprintf(title, sizeof title, "subject %07d", ++outcome.records);
        outcome.recordsInFileOrder =
            outcome.recordsInFileOrder &&
            std::strcmp(title, reinterpret_cast<const char*>(&record[8])) == 0;
        return true;
    });
    return outcome;
}

TEST_F(FileKinds, RunningOutOfMemoryKeepsTheRecordsReadAndCountsTheRest) {
    if (!kLimitsWork) {
        GTEST_SKIP() << "an address-space limit does not work under the address sanitizer";
    }
    constexpr int kLines = 60000;  // about 2.4 MB of file and 45 MB of store
    {
        // Line by line: a large block freed here would stay in this process's
        // heap, and so in the child's address space, and spoil the limit.
        std::ofstream out(Path("i.dat"), std::ios::binary);
        out << "_VESKAT_I_DAT_VER_1_2_\r\n";
        for (int n = 1; n <= kLines; ++n) {
            out << NumberedLine(n) << "\r\n";
        }
    }
    std::optional<Outcome> outcome =
        InChild([&] { return LoadLimited(Path("i.dat"), std::size_t{16} << 20); });
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->result, static_cast<int>(StoreResult::OutOfMemory));
    EXPECT_GT(outcome->records, 1000);
    EXPECT_LT(outcome->records, kLines);
    EXPECT_EQ(outcome->linesNotTaken, kLines - outcome->records);
    EXPECT_EQ(outcome->linesChanged, 0);
    EXPECT_TRUE(outcome->recordsInFileOrder);
}

TEST_F(FileKinds, AFileLargerThanMemoryIsCountedAsNotTaken) {
    if (!kLimitsWork) {
        GTEST_SKIP() << "an address-space limit does not work under the address sanitizer";
    }
    // Every line end, and blank lines, which hold no subject.
    const char* ends[] = {"\r\n", "\n", "\r", "\r\n\r\n", "\n\r"};
    int records = 0;
    {
        std::ofstream out(Path("i.dat"), std::ios::binary);
        out << "_VESKAT_I_DAT_VER_1_2_\r";
        for (int n = 1; n <= 400000; ++n) {
            out << NumberedLine(n) << ends[n % 5];
            ++records;
        }
        out << "last line without an end";
        ++records;
    }
    std::optional<Outcome> outcome =
        InChild([&] { return LoadLimited(Path("i.dat"), std::size_t{8} << 20); });
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->result, static_cast<int>(StoreResult::OutOfMemory));
    EXPECT_EQ(outcome->records, 0);
    EXPECT_EQ(outcome->linesNotTaken, records);
    EXPECT_EQ(outcome->linesChanged, 0);
}

}  // namespace
