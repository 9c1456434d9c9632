#include "BaseCopy.h"

#include <QFile>
#include <QFileInfo>
#include <QString>

#include "FileAccess.h"

std::string BaseFileName(const std::string& dataFile) {
    return dataFile + kBaseSuffix;
}

FileRead ReadFileBytes(const std::string& fileName, std::string& bytes) {
    bytes.clear();
    const QString name = QString::fromLocal8Bit(fileName);
    // A dangling link is something there too: it must not pass for "no base".
    const QFileInfo info(name);
    if (!info.exists() && !info.isSymLink()) {
        return FileRead::Missing;
    }
    if (!info.isFile()) {
        return FileRead::Unreadable;
    }
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        return FileRead::Unreadable;
    }
    const QByteArray all = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return FileRead::Unreadable;
    }
    bytes.assign(all.constData(), static_cast<std::size_t>(all.size()));
    return FileRead::Read;
}

BaseCopy ReadBaseCopy(const std::string& dataFile) {
    BaseCopy base;
    base.state = ReadFileBytes(BaseFileName(dataFile), base.bytes);
    return base;
}

int WriteBaseCopy(const std::string& dataFile, std::string_view bytes) {
    return WriteSideFile(BaseFileName(dataFile), bytes, dataFile);
}

int WriteBaseCopyFrom(const std::string& dataFile, const std::string& sourceFile) {
    std::string bytes;
    if (ReadFileBytes(sourceFile, bytes) != FileRead::Read) {
        return -1;
    }
    return WriteBaseCopy(dataFile, bytes);
}
