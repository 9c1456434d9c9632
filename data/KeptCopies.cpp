#include "KeptCopies.h"

#include <QFile>
#include <QString>

#include <ctime>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

#include "Clock.h"
#include "FileAccess.h"
#include "SyncDir.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

// Enough for one copy a second through a long afternoon; past it something
// else is wrong, and no copy is better than an endless search.
constexpr int kMaxTakenNames = 1000;

QString Native(const std::string& fileName) {
    return QString::fromLocal8Bit(fileName);
}

// The whole file, or nullopt when it cannot be read to its end.
std::optional<QByteArray> ReadAll(const std::string& fileName) {
    QFile file(Native(fileName));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError || bytes.size() != file.size()) {
        return std::nullopt;
    }
    return bytes;
}

// "YYYYMMDD-hhmmss" of the program's clock, in local time.
std::string StampNow() {
    const std::tm now = LocalTime::Break(Clock::Now());
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &now);
    return stamp;
}

// Creates `name` only if nothing of that name exists, with the permissions of
// `original`, writes `bytes` and puts them on the disk. An empty optional: the
// name was taken; false: the file could not be written (what was begun is
// removed again).
std::optional<bool> CreateNew(const std::string& name, const QByteArray& bytes,
                              const std::string& original) {
    QFile file(Native(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        if (PathExists(name)) {
            return std::nullopt;
        }
        return false;
    }
    bool ok =
        TakePermissionsOf(file, original) && file.write(bytes) == bytes.size() && file.flush();
#ifndef _WIN32
    // The copy stands for the original from now on: it must outlast a power cut.
    ok = ok && ::fsync(file.handle()) == 0;
#endif
    file.close();
    ok = ok && file.error() == QFileDevice::NoError;
    if (!ok) {
        file.remove();
    }
    return ok;
}

}  // namespace

bool PathExists(const std::string& fileName) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(fileName, error));
}

bool IsRegularFile(const std::string& fileName) {
    std::error_code error;
    return std::filesystem::is_regular_file(fileName, error);
}

std::string KeepDatedCopy(const std::string& fileName) {
    if (!IsRegularFile(fileName)) {
        return {};
    }
    const std::optional<QByteArray> bytes = ReadAll(fileName);
    if (!bytes) {
        return {};
    }
    const std::string base = fileName + "." + StampNow();
    for (int number = 1; number <= kMaxTakenNames; ++number) {
        const std::string name = number == 1 ? base : base + "-" + std::to_string(number);
        const std::optional<bool> created = CreateNew(name, *bytes, fileName);
        if (!created) {
            continue;
        }
        if (!*created) {
            return {};
        }
        SyncDirectoryOf(name);
        return name;
    }
    return {};
}

int KeepBackup(const std::string& fileName) {
    if (!IsRegularFile(fileName)) {
        return 0;
    }
    const std::optional<QByteArray> bytes = ReadAll(fileName);
    if (!bytes) {
        return -1;
    }
    return WriteSideFile(
        fileName + kBackupSuffix,
        std::string_view(bytes->constData(), static_cast<std::size_t>(bytes->size())), fileName);
}
