// SubjTree::Load and SubjTree::Save: the store and its data file.
#include <QSaveFile>
#include <QString>

#include <cstdio>
#include <string_view>

#include "FieldLine.h"
#include "SubjTree.h"
#include "SyncDir.h"

namespace {

// The whole file in one read; a file is opened and closed within one load.
bool ReadWholeFile(const std::string& fileName, std::string& bytes) {
    std::FILE* file = std::fopen(fileName.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    long size = ok ? std::ftell(file) : -1;
    ok = size >= 0 && std::fseek(file, 0, SEEK_SET) == 0;
    if (ok) {
        bytes.resize(static_cast<std::size_t>(size));
        ok = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    }
    std::fclose(file);
    return ok;
}

}  // namespace

int SubjTree::Load(const std::string& fileName, const int* widths, LoadReport* report) {
    LoadReport seen;
    std::string bytes;
    if (!ReadWholeFile(fileName, bytes)) {
        return -1;
    }

    int result = 0;
    std::size_t pos = bytes.find('\n');  // the first line is the header, whatever it says
    pos = pos == std::string::npos ? bytes.size() : pos + 1;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find('\n', pos);
        if (end == std::string::npos) {
            end = bytes.size();
        }
        std::string_view line(bytes.data() + pos, end - pos);
        pos = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            continue;  // a blank line holds no subject
        }
        int inserted = InsertSorted(SplitFields(line, widths));
        if (inserted == -1) {
            return -1;
        }
        if (inserted == 2) {
            result = 2;  // the repeated line is skipped; the rest still loads
            ++seen.linesNotTaken;
        }
    }
    if (report != nullptr) {
        *report = seen;
    }
    return result;
}

int SubjTree::Save(const std::string& fileName, const int* widths) const {
    QSaveFile file(QString::fromLocal8Bit(fileName));
    if (!file.open(QIODevice::WriteOnly)) {
        return -1;
    }
    constexpr std::size_t kFlushAt = std::size_t{1} << 20;
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
        return -1;
    }
    SyncDirectoryOf(fileName);
    return 0;
}
