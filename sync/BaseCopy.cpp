#include "BaseCopy.h"

#include <optional>
#include <utility>

#include "FileAccess.h"

namespace {

std::string OriginText(const BaseOrigin& origin) {
    return "host=" + origin.host + "\r\nport=" + std::to_string(origin.port) +
           "\r\nuser=" + origin.user + "\r\npath=" + origin.path +
           "\r\ngeneration=" + origin.generation + "\r\n";
}

}  // namespace

std::string BaseFileName(const std::string& dataFile) {
    return dataFile + kBaseSuffix;
}

FileRead ReadFileBytes(const std::string& fileName, std::string& bytes) {
    bytes.clear();
    // A dangling link is something there too: it must not pass for "no base".
    if (!PathExists(fileName)) {
        return FileRead::Missing;
    }
    std::optional<std::string> read = ReadWholeFile(fileName);
    if (!read) {
        return FileRead::Unreadable;
    }
    bytes = std::move(*read);
    return FileRead::Read;
}

BaseCopy ReadBaseCopy(const std::string& dataFile) {
    BaseCopy base;
    base.state = ReadFileBytes(BaseFileName(dataFile), base.bytes);
    return base;
}

FileWrite WriteBaseCopy(const std::string& dataFile, std::string_view bytes) {
    return WriteSideFile(BaseFileName(dataFile), bytes, dataFile);
}

FileWrite WriteBaseCopyFrom(const std::string& dataFile, const std::string& sourceFile) {
    std::string bytes;
    if (ReadFileBytes(sourceFile, bytes) != FileRead::Read) {
        return FileWrite::Failed;
    }
    return WriteBaseCopy(dataFile, bytes);
}

std::string BaseOriginFileName(const std::string& dataFile) {
    return BaseFileName(dataFile) + ".origin";
}

FileWrite WriteBaseCopyOf(const std::string& dataFile, const std::string& sourceFile,
                          const BaseOrigin& origin) {
    if (WriteBaseCopyFrom(dataFile, sourceFile) != FileWrite::Written) {
        return FileWrite::Failed;
    }
    return WriteSideFile(BaseOriginFileName(dataFile), OriginText(origin), dataFile);
}

BaseOwner ForgetBaseOfOtherServer(const std::string& dataFile, const BaseOrigin& origin) {
    std::string recorded;
    if (ReadFileBytes(BaseOriginFileName(dataFile), recorded) != FileRead::Read ||
        recorded == OriginText(origin)) {
        return BaseOwner::Ours;
    }
    // The base goes before its record, so that a base never outlives the
    // record that tells it belongs elsewhere.
    if (!DeleteFile(BaseFileName(dataFile))) {
        return BaseOwner::NotRemoved;
    }
    // A record left behind names a base that is gone: the next start forgets it as well.
    static_cast<void>(DeleteFile(BaseOriginFileName(dataFile)));
    return BaseOwner::Forgotten;
}
