// SubjTree::Load and SubjTree::Save: the store and its data file.
#include <QSaveFile>
#include <QString>

#include <fstream>
#include <iterator>

#include "FieldLine.h"
#include "SubjTree.h"
#include "SyncDir.h"

int SubjTree::Load(const std::string& fileName, const int* widths) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) {
        return -1;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();

    int result = 0;
    std::string line;
    std::size_t pos = bytes.find('\n');  // the first line is the header, whatever it says
    pos = pos == std::string::npos ? bytes.size() : pos + 1;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find('\n', pos);
        if (end == std::string::npos) {
            end = bytes.size();
        }
        line.assign(bytes, pos, end - pos);
        pos = end + 1;
        TrimLineEnd(line);
        if (line.empty()) {
            continue;  // a blank line holds no subject
        }
        int inserted = Insert(SplitFields(line, widths));
        if (inserted == -1) {
            return -1;
        }
        if (inserted == 2) {
            result = 2;  // the repeated line is skipped; the rest still loads
        }
    }
    return result;
}

int SubjTree::Save(const std::string& fileName, const int* widths) const {
    QSaveFile file(QString::fromLocal8Bit(fileName));
    if (!file.open(QIODevice::WriteOnly)) {
        return -1;
    }
    constexpr std::size_t kFlushAt = 1 << 20;
    std::string buffer = header_ + "\r\n";
    bool ok = true;
    auto flush = [&] {
        ok = ok && file.write(buffer.data(), static_cast<qint64>(buffer.size())) ==
                       static_cast<qint64>(buffer.size());
        buffer.clear();
    };
    VisitInOrder([&](const RecordText& record) {
        buffer += JoinFields(record, widths);
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
