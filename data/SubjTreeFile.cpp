// SubjTree::Load and SubjTree::Save: the store and its data file.
#include <algorithm>
#include <cstring>
#include <new>
#include <string_view>

#include "FieldLine.h"
#include "FileAccess.h"
#include "SubjTree.h"

namespace {

// The record lines (every line after the header that is not blank) of a file
// too large to hold, read in pieces. Line ends as LineSplitter has them: a
// CR LF counts here as a line end and a blank line, which is not counted.
int CountRecordLines(ReadableFile& file) {
    bool inHeader = true;
    bool filled = false;
    int lines = 0;
    file.ReadInPieces([&](std::string_view piece) {
        for (const char c : piece) {
            if (c != '\r' && c != '\n') {
                filled = true;
                continue;
            }
            lines += filled && !inHeader ? 1 : 0;
            inHeader = false;
            filled = false;
        }
    });
    return lines + (filled && !inHeader ? 1 : 0);
}

// The LFs in `text`, found by the C library's search, which looks at many bytes a step.
std::size_t CountLineFeeds(std::string_view text) {
    std::size_t count = 0;
    const char* const end = text.data() + text.size();
    for (const char* at = text.data(); at != end; ++count, ++at) {
        at = static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)));
        if (at == nullptr) {
            break;
        }
    }
    return count;
}

// Fills `tree` from the open data file, `seen` counting what it could not keep.
StoreResult LoadFrom(SubjTree& tree, ReadableFile& file, const int* widths,
                     SubjTree::LoadReport& seen, SubjTree::LoadWatch* watch) {
    FileBytes bytes;
    try {
        if (!file.MapAll(bytes)) {
            return StoreResult::FileFailed;
        }
    } catch (const std::bad_alloc&) {
        seen.linesNotTaken = CountRecordLines(file);
        return StoreResult::OutOfMemory;
    }

    // Every line but the header is a record, near enough, and one piece of
    // memory for them all is made present in one call.
    const std::string_view text = bytes.View();
    tree.Expect(CountLineFeeds(text));
    LineSplitter lines(text);
    std::string_view line;
    static_cast<void>(lines.Next(line));  // the header, whatever it says, or nothing at all
    StoreResult result = StoreResult::Done;
    while (lines.Next(line)) {
        if (line.empty()) {
            continue;  // a blank line holds no subject
        }
        RecordText* record = tree.Reserve();
        const bool changed = record != nullptr && TakeFieldsIntoZeroed(line, widths, *record);
        const StoreResult inserted =
            record != nullptr ? tree.InsertReserved(watch) : StoreResult::OutOfMemory;
        if (inserted == StoreResult::OutOfMemory) {
            // The records so far stay; this line and the rest are reported.
            do {
                seen.linesNotTaken += line.empty() ? 0 : 1;
            } while (lines.Next(line));
            return StoreResult::OutOfMemory;
        }
        if (inserted == StoreResult::KeyExists) {
            result = StoreResult::KeyExists;  // the repeated line is skipped; the rest still loads
            ++seen.linesNotTaken;
        } else if (changed) {
            ++seen.linesChanged;
        }
    }
    return result;
}

}  // namespace

// A watch hears of the whole store only when the load starts on an empty one.
StoreResult SubjTree::Load(const std::string& fileName, const int* widths, LoadReport* report,
                           LoadWatch* watch) {
    if (watch != nullptr && root_ != nullptr) {
        watch->Unordered();
    }
    LoadReport seen;
    ReadableFile file(fileName);
    const StoreResult result =
        !file.IsOpen() ? StoreResult::FileFailed : LoadFrom(*this, file, widths, seen, watch);
    if (report != nullptr) {
        *report = seen;
    }
    return result;
}

void SubjTree::WriteInPieces(const int* widths,
                             const std::function<bool(std::string_view)>& take) const {
    constexpr std::size_t kFlushAt = std::size_t{1} << 16;
    std::string buffer = header_ + "\r\n";
    buffer.reserve(kFlushAt + 2 * kRecordSize);
    bool ok = true;
    VisitInOrder([&](const RecordText& record) {
        AppendFields(record, widths, buffer);
        buffer += "\r\n";
        if (buffer.size() >= kFlushAt) {
            ok = take(buffer);
            buffer.clear();
        }
        return ok;
    });
    if (ok) {
        take(buffer);
    }
}

StoreResult SubjTree::Save(const std::string& fileName, const int* widths) const {
    try {
        FileReplacement file(fileName);
        if (!file.Open()) {
            return StoreResult::FileFailed;
        }
        bool ok = true;
        WriteInPieces(widths, [&](std::string_view piece) { return ok = file.Write(piece); });
        if (!ok || !file.Commit()) {
            return StoreResult::FileFailed;  // the old file stays
        }
    } catch (const std::bad_alloc&) {
        return StoreResult::FileFailed;  // an uncommitted replacement is discarded
    }
    return StoreResult::Done;
}

bool SubjTree::SavesAs(std::string_view bytes, const int* widths) const {
    std::size_t matched = 0;
    bool same = true;
    try {
        WriteInPieces(widths, [&](std::string_view piece) {
            same = bytes.substr(matched, piece.size()) == piece;
            matched += piece.size();
            return same;
        });
    } catch (const std::bad_alloc&) {
        return false;  // then it is written, as it would have been before
    }
    return same && matched == bytes.size();
}
