#include "FileAccess.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QString>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <new>
#include <system_error>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Clock.h"
#include "PresentPages.h"
#include "SyncDir.h"

namespace {

// Enough for one file a second through a long afternoon; past it something
// else is wrong, and no file is better than an endless search.
constexpr int kMaxTakenNames = 1000;

QString Native(const std::string& fileName) {
    return QString::fromLocal8Bit(fileName);
}

// Some bytes at the file's position; 0 at its end, -1 on a read error.
ssize_t ReadSome(int fd, char* into, std::size_t room) {
    ssize_t got;
    do {
        got = ::read(fd, into, room);
    } while (got < 0 && errno == EINTR);
    return got;
}

// The permission bits of `dataFile`, or nullopt when there is no such file.
// Set-id and sticky bits belong to that file alone.
std::optional<std::filesystem::perms> PermissionsOf(const std::string& dataFile) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(dataFile, error);
    if (error || !std::filesystem::exists(status)) {
        return std::nullopt;
    }
    return status.permissions() & std::filesystem::perms::all;
}

}  // namespace

std::string FileStamp() {
    return FileStamp(Clock::Now());
}

std::string FileStamp(std::time_t when) {
    const std::tm local = LocalTime::Break(when);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    return stamp;
}

std::optional<std::time_t> ParseFileStamp(std::string_view text) {
    constexpr std::string_view kShape = "dddddddd-dddddd";
    if (text.size() < kShape.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < kShape.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kShape[i] == 'd' ? !digit : text[i] != kShape[i]) {
            return std::nullopt;
        }
    }
    const auto number = [&](std::size_t from, std::size_t length) {
        int value = 0;
        for (std::size_t i = from; i < from + length; ++i) {
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    return LocalTime::Make(number(0, 4), number(4, 2), number(6, 2), number(9, 2), number(11, 2),
                           number(13, 2));
}

ReadableFile::ReadableFile(const std::string& fileName)
    : fd_(::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)) {}

ReadableFile::~ReadableFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool ReadableFile::ReadAll(FileBytes& bytes) {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    // One byte more than the length, to notice a file that grew meanwhile.
    std::size_t room = static_cast<std::size_t>(st.st_size) + 1;
    bytes.data.reset(new char[room]);
    bytes.size = 0;
    MakePresent(bytes.data.get(), room, room >= 2 * kLargePage);
    for (;;) {
        if (bytes.size == room) {
            std::unique_ptr<char[]> larger(new char[room * 2]);
            std::memcpy(larger.get(), bytes.data.get(), bytes.size);
            bytes.data = std::move(larger);
            room *= 2;
        }
        const ssize_t got = ReadSome(fd_, bytes.data.get() + bytes.size, room - bytes.size);
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            return true;
        }
        bytes.size += static_cast<std::size_t>(got);
    }
}

void FilePagesUnmap::operator()(const char* mapped) const {
    ::munmap(const_cast<char*>(mapped), bytes);
}

bool ReadableFile::MapAll(FileBytes& bytes) {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    const auto length = static_cast<std::size_t>(st.st_size);
    if (length == 0) {
        return ReadAll(bytes);  // nothing to map, and a read notices a file that grew meanwhile
    }
    void* pages = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd_, 0);
    if (pages == MAP_FAILED) {
        if (errno == ENOMEM) {
            throw std::bad_alloc();  // as the memory to read it into would be missing
        }
        return ReadAll(bytes);
    }
    bytes.mapped = std::unique_ptr<const char, FilePagesUnmap>(static_cast<const char*>(pages),
                                                               FilePagesUnmap{length});
    bytes.size = length;
    char beyond = 0;
    ssize_t more;
    do {
        more = ::pread(fd_, &beyond, 1, st.st_size);
    } while (more < 0 && errno == EINTR);
    if (more != 0) {
        bytes.mapped.reset();
        bytes.size = 0;
        return more > 0 && ReadAll(bytes);  // grown: read to its new end
    }
    return true;
}

void ReadableFile::ReadInPieces(const std::function<void(std::string_view)>& take) {
    if (fd_ < 0 || ::lseek(fd_, 0, SEEK_SET) != 0) {
        return;
    }
    char piece[1 << 14];
    for (ssize_t got; (got = ReadSome(fd_, piece, sizeof piece)) > 0;) {
        take(std::string_view(piece, static_cast<std::size_t>(got)));
    }
}

std::optional<std::string> ReadWholeFile(const std::string& fileName) {
    ReadableFile file(fileName);
    try {
        FileBytes bytes;
        if (!file.ReadAll(bytes)) {
            return std::nullopt;
        }
        return std::string(bytes.View());
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

bool PathExists(const std::string& fileName) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(fileName, error));
}

bool MayWrite(const std::string& fileName) {
    return QFileInfo(Native(fileName)).isWritable();
}

bool IsRegularFile(const std::string& fileName) {
    std::error_code error;
    return std::filesystem::is_regular_file(fileName, error);
}

std::optional<std::time_t> ModifiedTime(const std::string& fileName) {
    struct stat st {};
    if (::stat(fileName.c_str(), &st) != 0) {
        return std::nullopt;
    }
    return st.st_mtime;
}

std::vector<std::string> RegularFilesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        std::error_code notRegular;
        if (it->is_regular_file(notRegular)) {
            names.push_back(it->path().filename().string());
        }
    }
    return names;
}

bool DeleteFile(const std::string& fileName) {
    std::error_code error;
    std::filesystem::remove(fileName, error);
    return !PathExists(fileName);
}

bool MakeFolderFor(const std::string& folder, const std::string& dataFile) {
    using std::filesystem::perms;
    std::error_code error;
    if (std::filesystem::is_directory(folder, error)) {
        return true;
    }
    if (!std::filesystem::create_directory(folder, error)) {
        return false;
    }
    const perms file = PermissionsOf(dataFile).value_or(perms::owner_read | perms::owner_write);
    perms folderPerms = file;
    for (const auto& [read, search] : {std::pair{perms::owner_read, perms::owner_exec},
                                       std::pair{perms::group_read, perms::group_exec},
                                       std::pair{perms::others_read, perms::others_exec}}) {
        if ((file & read) != perms::none) {
            folderPerms |= search;
        }
    }
    std::filesystem::permissions(folder, folderPerms | perms::owner_all, error);
    SyncDirectoryOf(folder);
    return !error;
}

FileReplacement::FileReplacement(const std::string& fileName)
    : fileName_(fileName), file_(Native(fileName)) {}

bool FileReplacement::Open(const std::string& permissionsFrom) {
    ok_ = file_.open(QIODevice::WriteOnly) &&
          TakePermissionsOf(file_, permissionsFrom.empty() ? fileName_ : permissionsFrom);
    return ok_;
}

bool FileReplacement::Write(std::string_view bytes) {
    const auto size = static_cast<qint64>(bytes.size());
    ok_ = ok_ && file_.write(bytes.data(), size) == size;
    return ok_;
}

bool FileReplacement::Commit() {
    if (!ok_ || !file_.commit()) {
        file_.cancelWriting();
        return false;
    }
    SyncDirectoryOf(fileName_);
    return true;
}

bool TakePermissionsOf(QFileDevice& file, const std::string& dataFile) {
    const std::optional<std::filesystem::perms> permissions = PermissionsOf(dataFile);
    if (!permissions) {
        return true;
    }
    // By its handle: a QSaveFile's own name is the one it replaces at commit.
    return file.handle() >= 0 && ::fchmod(file.handle(), static_cast<mode_t>(*permissions)) == 0;
}

bool TakePermissionsOf(const std::string& fileName, const std::string& dataFile) {
    const std::optional<std::filesystem::perms> permissions = PermissionsOf(dataFile);
    if (!permissions) {
        return true;
    }
    std::error_code error;
    std::filesystem::permissions(fileName, *permissions, error);
    return !error;
}

FileWrite WriteSideFile(const std::string& fileName, std::string_view bytes,
                        const std::string& dataFile) {
    FileReplacement file(fileName);
    return file.Open(dataFile) && file.Write(bytes) && file.Commit() ? FileWrite::Written
                                                                     : FileWrite::Failed;
}

std::string CreateUnderFreeName(const std::string& stem, const FileFiller& fill,
                                const std::string& permissionsFrom, const NameTaken& taken) {
    QTemporaryFile part(Native(stem) + ".XXXXXX.part");
    if (!part.open()) {
        return {};
    }
    part.close();
    const std::string partName = part.fileName().toLocal8Bit().toStdString();
    if (!fill(partName) || !TakePermissionsOf(partName, permissionsFrom)) {
        return {};
    }
    for (int n = 1; n <= kMaxTakenNames; ++n) {
        const std::string name = n == 1 ? stem : stem + "-" + std::to_string(n);
        // QFile::rename never replaces an existing file.
        if (!(taken && taken(name)) && QFile::rename(part.fileName(), Native(name))) {
            SyncDirectoryOf(name);
            return name;
        }
    }
    return {};
}

std::string CreateUnderFreeName(const std::string& stem, std::string_view bytes,
                                const std::string& permissionsFrom, const NameTaken& taken) {
    return CreateUnderFreeName(
        stem,
        [&](const std::string& partName) {
            return WriteSideFile(partName, bytes, permissionsFrom) == FileWrite::Written;
        },
        permissionsFrom, taken);
}

FileWrite LinkInPlaceOf(const std::string& fileName, const std::string& target) {
    for (int attempt = 0; attempt < kMaxTakenNames; ++attempt) {
        const std::string link =
            fileName + "." + std::to_string(QRandomGenerator::global()->generate()) + ".link";
        if (::link(target.c_str(), link.c_str()) != 0) {
            if (errno == EEXIST) {
                continue;
            }
            return FileWrite::Failed;
        }
        const bool renamed = std::rename(link.c_str(), fileName.c_str()) == 0;
        // A rename onto another name of the same file leaves both names.
        ::unlink(link.c_str());
        if (!renamed) {
            return FileWrite::Failed;
        }
        SyncDirectoryOf(fileName);
        return FileWrite::Written;
    }
    return FileWrite::Failed;
}

ScratchFile::ScratchFile(std::string_view bytes) {
    // In memory, nothing of a user's schedule reaches a disk it was not meant for.
    fd_ = ::memfd_create("veskat-scratch", MFD_CLOEXEC);
    if (fd_ >= 0) {
        std::size_t written = 0;
        while (written < bytes.size()) {
            const ssize_t put = ::write(fd_, bytes.data() + written, bytes.size() - written);
            if (put < 0 && errno == EINTR) {
                continue;
            }
            if (put <= 0) {
                break;
            }
            written += static_cast<std::size_t>(put);
        }
        const std::string name = "/proc/self/fd/" + std::to_string(fd_);
        if (written == bytes.size() && IsRegularFile(name)) {
            name_ = name;
            return;
        }
        ::close(fd_);
        fd_ = -1;
    }
    onDisk_ = std::make_unique<QTemporaryFile>();
    if (onDisk_->open() &&
        onDisk_->write(bytes.data(), static_cast<qint64>(bytes.size())) ==
            static_cast<qint64>(bytes.size()) &&
        onDisk_->flush()) {
        name_ = onDisk_->fileName().toLocal8Bit().toStdString();
    }
}

ScratchFile::~ScratchFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}
