#include "FileAccess.h"

#include <QSaveFile>
#include <QString>

#include <filesystem>
#include <optional>
#include <system_error>

#include "SyncDir.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

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

bool TakePermissionsOf(QFileDevice& file, const std::string& dataFile) {
    const std::optional<std::filesystem::perms> permissions = PermissionsOf(dataFile);
    if (!permissions) {
        return true;
    }
#ifndef _WIN32
    // By its handle: a QSaveFile's own name is the one it replaces at commit.
    return file.handle() >= 0 && ::fchmod(file.handle(), static_cast<mode_t>(*permissions)) == 0;
#else
    static_cast<void>(file);
    return true;
#endif
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

int WriteSideFile(const std::string& fileName, std::string_view bytes,
                  const std::string& dataFile) {
    QSaveFile file(QString::fromLocal8Bit(fileName));
    if (!file.open(QIODevice::WriteOnly) || !TakePermissionsOf(file, dataFile)) {
        return -1;
    }
    const auto size = static_cast<qint64>(bytes.size());
    if (file.write(bytes.data(), size) != size || !file.commit()) {
        file.cancelWriting();
        return -1;
    }
    SyncDirectoryOf(fileName);
    return 0;
}
