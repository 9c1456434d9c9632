// SubjTree::Load and SubjTree::Save: the store and its data file.
#include <QSaveFile>
#include <QString>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>

#include "FieldLine.h"
#include "PresentPages.h"
#include "SubjTree.h"
#include "SyncDir.h"

namespace {

// A file descriptor closed when it goes out of scope.
class OpenFile {
  public:
    explicit OpenFile(const std::string& fileName)
        // Non-blocking, so that a FIFO or a device by the data file's name
        // cannot hold the start-up; no terminal becomes ours by opening it.
        : fd_(::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)) {}
    ~OpenFile() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    int fd() const { return fd_; }

  private:
    int fd_;
};

// Some bytes at the file's position; 0 at its end, -1 on a read error.
ssize_t ReadSome(int fd, char* into, std::size_t room) {
    ssize_t got;
    do {
        got = ::read(fd, into, room);
    } while (got < 0 && errno == EINTR);
    return got;
}

// A file's bytes, in memory that is not cleared before they are read into it.
struct FileBytes {
    std::unique_ptr<char[]> data;
    std::size_t size = 0;

    std::string_view View() const { return {data.get(), size}; }
};

// The whole file. Only a regular file has a length that means anything: a
// folder's would size the buffer with nonsense, a device's never ends.
// Throws std::bad_alloc when the bytes do not fit in memory.
bool ReadRegularFile(int fd, FileBytes& bytes) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    // One byte more than the length, to notice a file that grew meanwhile.
    std::size_t room = static_cast<std::size_t>(st.st_size) + 1;
    bytes.data.reset(new char[room]);
    MakePresent(bytes.data.get(), room, room >= 2 * kLargePage);
    for (;;) {
        if (bytes.size == room) {
            std::unique_ptr<char[]> larger(new char[room * 2]);
            std::memcpy(larger.get(), bytes.data.get(), bytes.size);
            bytes.data = std::move(larger);
            room *= 2;
        }
        ssize_t got = ReadSome(fd, bytes.data.get() + bytes.size, room - bytes.size);
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            return true;
        }
        bytes.size += static_cast<std::size_t>(got);
    }
}

// The record lines (every line after the header that is not blank) of a file
// too large to hold, read in pieces. Line ends as LineSplitter has them: a
// CR LF counts here as a line end and a blank line, which is not counted.
int CountRecordLines(int fd) {
    if (::lseek(fd, 0, SEEK_SET) != 0) {
        return 0;
    }
    char piece[1 << 14];
    bool inHeader = true;
    bool filled = false;
    int lines = 0;
    for (ssize_t got; (got = ReadSome(fd, piece, sizeof piece)) > 0;) {
        for (ssize_t i = 0; i < got; ++i) {
            if (piece[i] != '\r' && piece[i] != '\n') {
                filled = true;
                continue;
            }
            lines += filled && !inHeader ? 1 : 0;
            inHeader = false;
            filled = false;
        }
    }
    return lines + (filled && !inHeader ? 1 : 0);
}

// Fills `tree` from the open data file, `seen` counting what it could not keep.
StoreResult LoadFrom(SubjTree& tree, int fd, const int* widths, SubjTree::LoadReport& seen) {
    FileBytes bytes;
    try {
        if (!ReadRegularFile(fd, bytes)) {
            return StoreResult::FileFailed;
        }
    } catch (const std::bad_alloc&) {
        seen.linesNotTaken = CountRecordLines(fd);
        return StoreResult::OutOfMemory;
    }

    // Every line but the header is a record, near enough, and one piece of
    // memory for them all is made present in one call.
    const std::string_view text = bytes.View();
    tree.Expect(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')));
    LineSplitter lines(text);
    std::string_view line;
    lines.Next(line);  // the header, whatever it says
    StoreResult result = StoreResult::Done;
    while (lines.Next(line)) {
        if (line.empty()) {
            continue;  // a blank line holds no subject
        }
        RecordText* record = tree.Reserve();
        const bool changed = record != nullptr && TakeFields(line, widths, *record);
        const StoreResult inserted =
            record != nullptr ? tree.InsertReserved() : StoreResult::OutOfMemory;
        if (inserted == StoreResult::OutOfMemory) {
            // The records so far stay; this line and the rest are reported.
            do {
                seen.linesNotTaken += line.empty() ? 0 : 1;
            } while (lines.Next(line));
            return StoreResult::OutOfMemory;
        }
        if (inserted == StoreResult::KeyExists) {
            result = StoreResult::KeyExists;  // the repeated line is skipped; the rest still loads
            ++seen.linesNotTaken;
        } else if (changed) {
            ++seen.linesChanged;
        }
    }
    return result;
}

}  // namespace

StoreResult SubjTree::Load(const std::string& fileName, const int* widths, LoadReport* report) {
    LoadReport seen;
    OpenFile file(fileName);
    const StoreResult result =
        file.fd() < 0 ? StoreResult::FileFailed : LoadFrom(*this, file.fd(), widths, seen);
    if (report != nullptr) {
        *report = seen;
    }
    return result;
}

StoreResult SubjTree::Save(const std::string& fileName, const int* widths) const {
    try {
        QSaveFile file(QString::fromLocal8Bit(fileName));
        if (!file.open(QIODevice::WriteOnly)) {
            return StoreResult::FileFailed;
        }
        constexpr std::size_t kFlushAt = std::size_t{1} << 16;
        std::string buffer = header_ + "\r\n";
        buffer.reserve(kFlushAt + 2 * kRecordSize);
        bool ok = true;
        auto flush = [&] {
            ok = ok && file.write(buffer.data(), static_cast<qint64>(buffer.size())) ==
                           static_cast<qint64>(buffer.size());
            buffer.clear();
        };
        VisitInOrder([&](const RecordText& record) {
            AppendFields(record, widths, buffer);
            buffer += "\r\n";
            if (buffer.size() >= kFlushAt) {
                flush();
            }
            return ok;
        });
        flush();
        if (!ok || !file.commit()) {
            file.cancelWriting();
            return StoreResult::FileFailed;
        }
        SyncDirectoryOf(fileName);
    } catch (const std::bad_alloc&) {
        return StoreResult::FileFailed;  // an uncommitted save file is discarded; the old file
                                         // stays
    }
    return StoreResult::Done;
}
