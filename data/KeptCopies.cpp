#include "KeptCopies.h"

#include <optional>

std::string KeepDatedCopy(const std::string& fileName) {
    const std::optional<std::string> bytes = ReadWholeFile(fileName);
    if (!bytes) {
        return {};
    }
    return CreateUnderFreeName(fileName + "." + FileStamp(), *bytes, fileName);
}

int KeepBackup(const std::string& fileName) {
    if (!IsRegularFile(fileName)) {
        return 0;
    }
    const std::optional<std::string> bytes = ReadWholeFile(fileName);
    if (!bytes) {
        return -1;
    }
    return KeepBackup(fileName, *bytes);
}

int KeepBackup(const std::string& fileName, std::string_view bytes) {
    return WriteSideFile(fileName + kBackupSuffix, bytes, fileName) == FileWrite::Written ? 0 : -1;
}
