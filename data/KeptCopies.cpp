#include "KeptCopies.h"

#include <optional>

FileWrite KeepDatedCopy(const std::string& fileName, std::string& copy) {
    const std::optional<std::string> bytes = ReadWholeFile(fileName);
    if (!bytes) {
        return FileWrite::Failed;
    }
    copy = CreateUnderFreeName(fileName + "." + FileStamp(), *bytes, fileName);
    return copy.empty() ? FileWrite::Failed : FileWrite::Written;
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

FileWrite KeepBackup(const std::string& fileName, std::string_view bytes,
                     const std::string& sameBytes) {
    if (LinkInPlaceOf(fileName + kBackupSuffix, sameBytes) == FileWrite::Written) {
        return FileWrite::Written;
    }
    return KeepBackup(fileName, bytes);
}
