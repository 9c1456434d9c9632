#include "KeptCopies.h"

#include <optional>

std::string KeepDatedCopy(const std::string& fileName) {
    const std::optional<std::string> bytes = ReadWholeFile(fileName);
    if (!bytes) {
        return {};
    }
    return CreateUnderFreeName(fileName + "." + FileStamp(), *bytes, fileName);
}

FileWrite KeepBackup(const std::string& fileName) {
    if (!IsRegularFile(fileName)) {
        return FileWrite::Written;
    }
    const std::optional<std::string> bytes = ReadWholeFile(fileName);
    if (!bytes) {
        return FileWrite::Failed;
    }
    return KeepBackup(fileName, *bytes);
}

FileWrite KeepBackup(const std::string& fileName, std::string_view bytes) {
    return WriteSideFile(fileName + kBackupSuffix, bytes, fileName);
}
