#include "SubjMerge.h"

#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "BaseCopy.h"
#include "FileAccess.h"
#include "SjisCodec.h"
#include "SubjList.h"

namespace {

// Enough for every merge of one second to find a name of its own.

std::vector<RecordText> RecordsOf(const SubjTree& tree) {
    // Counted first: growing a vector of 640-byte records copies them over and over.
    std::size_t count = 0;
    tree.VisitInOrder([&](const RecordText&) { return ++count, true; });
    std::vector<RecordText> records;
    records.reserve(count);
    tree.VisitInOrder([&](const RecordText& record) {
        records.push_back(record);
        return true;
    });
    return records;
}

// Both absent, or both present with every byte equal.
bool Same(const RecordText* a, const RecordText* b) {
    if (a == nullptr || b == nullptr) {
        return a == b;
    }
    return *a == *b;
}

// The record of `records` at `index` when its key is `key`, else null.
const RecordText* AtKey(const std::vector<RecordText>& records, std::size_t index,
                        const std::uint8_t* key) {
    if (index >= records.size() || std::memcmp(records[index].data(), key, kKeySize) != 0) {
        return nullptr;
    }
    return &records[index];
}

void MergeKey(const RecordText* base, const RecordText* ours, const RecordText* theirs,
              SubjMergeResult& result) {
    const RecordText* kept = ours;
    if (Same(ours, theirs) || Same(theirs, base)) {
        kept = ours;
    } else if (Same(ours, base)) {
        kept = theirs;
        if (theirs == nullptr) {
            result.deleted.push_back(*ours);
        }
    } else if (ours != nullptr && theirs != nullptr) {
        result.conflicts.push_back(*theirs);
    } else if (ours == nullptr) {
        kept = theirs;  // deleted here, changed there: their change survives
    } else {
        ++result.keptAgainstDeletion;  // changed here, deleted there
    }
    if (!Same(kept, ours)) {
        ++result.taken;
    }
    if (kept != nullptr) {
        result.merged.push_back(*kept);
    }
}

// True when the first line of `bytes` is the header of `kind`. Any first line
// loads, but a merge must not read the other kind's file, or a file that lost
// its beginning, as one that deleted every record.
bool HasHeader(SubjKind kind, const std::string& bytes) {
    std::string_view first(bytes);
    first = first.substr(0, first.find('\n'));
    while (!first.empty() && first.back() == '\r') {
        first.remove_suffix(1);
    }
    return first == HeaderOf(kind);
}

// Loads `fileName`, whose bytes are `bytes`, into the empty `tree` as the
// program loads its files. False when it is no whole data file of `kind`.
bool LoadSide(SubjKind kind, const std::string& fileName, const std::string& bytes,
              SubjTree& tree) {
    return HasHeader(kind, bytes) && tree.Load(fileName, WidthsOf(kind)) == StoreResult::Done;
}

// Valid UTF-8 holding at least one character beyond ASCII. Many such files
// are valid Shift_JIS too, kana above all, so this is asked first.
bool IsUtf8BeyondAscii(std::string_view bytes) {
    bool beyond = false;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const int length = c < 0x80           ? 1
                           : (c >> 5) == 0x6  ? 2
                           : (c >> 4) == 0xE  ? 3
                           : (c >> 3) == 0x1E ? 4
                                              : 0;
        if (length == 0 || i + static_cast<std::size_t>(length) > bytes.size()) {
            return false;
        }
        for (int k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]) & 0xC0) !=
                0x80) {
                return false;
            }
        }
        beyond = beyond || length > 1;
        i += static_cast<std::size_t>(length);
    }
    return beyond;
}

}  // namespace

const char* KindName(SubjKind kind) {
    return kind == SubjKind::Indiv ? "個別案件" : "反復案件";
}

const int* WidthsOf(SubjKind kind) {
    return kind == SubjKind::Indiv ? IndivCodec::kWidths : RepCodec::kWidths;
}

const char* HeaderOf(SubjKind kind) {
    return kind == SubjKind::Indiv ? IndivCodec::kHeader : RepCodec::kHeader;
}

SubjMergeResult MergeSubjTrees(SubjKind kind, const SubjTree& base, const SubjTree& ours,
                               const SubjTree& theirs) {
    SubjMergeResult result;
    result.kind = kind;
    result.status = MergeStatus::Merged;
    const std::vector<RecordText> b = RecordsOf(base);
    const std::vector<RecordText> o = RecordsOf(ours);
    const std::vector<RecordText> t = RecordsOf(theirs);
    result.merged.reserve(std::max(o.size(), t.size()));
    result.oursCount = o.size();
    std::size_t bi = 0;
    std::size_t oi = 0;
    std::size_t ti = 0;
    while (bi < b.size() || oi < o.size() || ti < t.size()) {
        // The smallest key at the three heads is the next key of the walk.
        const std::uint8_t* key = nullptr;
        for (const RecordText* head :
             {bi < b.size() ? &b[bi] : nullptr, oi < o.size() ? &o[oi] : nullptr,
              ti < t.size() ? &t[ti] : nullptr}) {
            if (head != nullptr &&
                (key == nullptr || std::memcmp(head->data(), key, kKeySize) < 0)) {
                key = head->data();
            }
        }
        const RecordText* atBase = AtKey(b, bi, key);
        const RecordText* atOurs = AtKey(o, oi, key);
        const RecordText* atTheirs = AtKey(t, ti, key);
        MergeKey(atBase, atOurs, atTheirs, result);
        bi += atBase != nullptr;
        oi += atOurs != nullptr;
        ti += atTheirs != nullptr;
    }
    return result;
}

SubjMergeResult MergeSubjFiles(SubjKind kind, const std::string& localFile,
                               const std::string& fetchedFile, bool withoutBase) {
    SubjMergeResult result;
    result.kind = kind;
    const BaseCopy base = ReadBaseCopy(localFile);
    if (base.state == FileRead::Missing && !withoutBase) {
        result.status = MergeStatus::NoBase;
        return result;
    }
    std::string theirsBytes;
    if (ReadFileBytes(fetchedFile, theirsBytes) != FileRead::Read) {
        result.status = MergeStatus::TheirsDamaged;
        return result;
    }
    if (base.state == FileRead::Read && base.bytes == theirsBytes) {
        result.status = MergeStatus::ServerUnchanged;
        return result;
    }
    std::string oursBytes;
    SubjTree ours(HeaderOf(kind));
    if (ReadFileBytes(localFile, oursBytes) != FileRead::Read ||
        !LoadSide(kind, localFile, oursBytes, ours)) {
        result.status = MergeStatus::OursDamaged;
        return result;
    }
    SubjTree theirs(HeaderOf(kind));
    if (!LoadSide(kind, fetchedFile, theirsBytes, theirs)) {
        result.status = MergeStatus::TheirsDamaged;
        return result;
    }
    SubjTree loadedBase(HeaderOf(kind));
    const bool baseServes = base.state == FileRead::Read &&
                            LoadSide(kind, BaseFileName(localFile), base.bytes, loadedBase);
    // A base that loaded in part would make its missing records look added.
    const SubjTree emptyBase(HeaderOf(kind));
    result = MergeSubjTrees(kind, baseServes ? loadedBase : emptyBase, ours, theirs);
    if (!baseServes) {
        result.status = MergeStatus::MergedWithoutBase;
    }
    return result;
}

FileWrite KeepConflictsAside(const std::string& localFile, SubjMergeResult& result) {
    if (result.conflicts.empty()) {
        return FileWrite::Written;
    }
    result.conflictFile = SetRecordsAside(result.kind, localFile, result.conflicts);
    return result.conflictFile.empty() ? FileWrite::Failed : FileWrite::Written;
}

std::string SetRecordsAside(SubjKind kind, const std::string& localFile,
                            const std::vector<RecordText>& records) {
    return CreateUnderFreeName(
        localFile + ".conflict-" + FileStamp(),
        [&](const std::string& partName) {
            return WriteSubjFile(kind, partName, records) == FileWrite::Written;
        },
        localFile);
}

bool DeletesMany(const SubjMergeResult& result) {
    return DeletesMany(result.deleted.size(), result.oursCount);
}

bool DeletesMany(std::size_t deletions, std::size_t held) {
    constexpr std::size_t kHandful = 10;
    return deletions > kHandful && deletions * 5 > held;
}

void KeepDeleted(SubjMergeResult& result) {
    const auto byKey = [](const RecordText& a, const RecordText& b) {
        return std::memcmp(a.data(), b.data(), kKeySize) < 0;
    };
    const std::size_t middle = result.merged.size();
    result.taken -= static_cast<int>(result.deleted.size());
    result.merged.insert(result.merged.end(), result.deleted.begin(), result.deleted.end());
    std::inplace_merge(result.merged.begin(),
                       result.merged.begin() + static_cast<std::ptrdiff_t>(middle),
                       result.merged.end(), byKey);
    result.deleted.clear();
}

CopyCheck CheckServerCopy(SubjKind kind, const std::string& fileName) {
    std::string bytes;
    if (ReadFileBytes(fileName, bytes) != FileRead::Read) {
        return CopyCheck::Damaged;
    }
    if (IsUtf8BeyondAscii(bytes)) {
        return CopyCheck::ReEncoded;
    }
    if (bytes.empty() || bytes.back() != '\n' || !IsValidSjis(bytes)) {
        return CopyCheck::Damaged;
    }
    SubjTree tree(HeaderOf(kind));
    SubjTree::LoadReport report;
    const bool clean = HasHeader(kind, bytes) &&
                       tree.Load(fileName, WidthsOf(kind), &report) == StoreResult::Done &&
                       report.linesNotTaken == 0 && report.linesChanged == 0;
    return clean ? CopyCheck::Clean : CopyCheck::Damaged;
}

bool HoldsNoSubjects(SubjKind kind, const std::string& fileName) {
    std::string bytes;
    SubjTree tree(HeaderOf(kind));
    if (ReadFileBytes(fileName, bytes) != FileRead::Read ||
        !LoadSide(kind, fileName, bytes, tree)) {
        return false;
    }
    bool empty = true;
    tree.VisitInOrder([&empty](const RecordText&) { return empty = false; });
    return empty;
}

FileWrite WriteSubjFile(SubjKind kind, const std::string& fileName,
                        const std::vector<RecordText>& records) {
    SubjTree tree(HeaderOf(kind));
    for (const RecordText& record : records) {
        if (tree.Insert(record) != StoreResult::Done) {
            return FileWrite::Failed;
        }
    }
    return tree.Save(fileName, WidthsOf(kind)) == StoreResult::Done ? FileWrite::Written
                                                                    : FileWrite::Failed;
}

QString MergeMessage(const std::vector<const SubjMergeResult*>& results) {
    QStringList lines;
    bool withoutBase = false;
    for (const SubjMergeResult* result : results) {
        if (result == nullptr) {
            continue;
        }
        const qsizetype before = lines.size();
        const QString kind = QString::fromUtf8(KindName(result->kind));
        if (result->taken > 0) {
            lines << QString::fromUtf8("他のコンピューターでの%1の変更を %2 件取り込みました。")
                         .arg(kind, QString::number(result->taken));
        }
        const QString conflicts = QString::number(result->conflicts.size());
        if (!result->conflicts.empty() && !result->conflictFile.empty()) {
            lines << QString::fromUtf8("食い違った%1 %2 件は %3 に残しました。")
                         .arg(kind, conflicts, QString::fromLocal8Bit(result->conflictFile));
        } else if (!result->conflicts.empty()) {
            lines << QString::fromUtf8("食い違った%1 %2 件は別のファイルに残せませんでした。")
                         .arg(kind, conflicts);
        }
        if (result->keptAgainstDeletion > 0) {
            lines << QString::fromUtf8(
                         "他のコンピューターで削除された%1 %2 件は、"
                         "このコンピューターで変更されていたため残しました。")
                         .arg(kind, QString::number(result->keptAgainstDeletion));
        }
        withoutBase = withoutBase ||
                      (result->status == MergeStatus::MergedWithoutBase && lines.size() > before);
    }
    if (withoutBase) {
        lines << QString::fromUtf8(
            "前回の同期の控えが読めなかったため、両方のコンピューターの案件をすべて残しました。"
            "削除した案件が戻っていることがあります。");
    }
    return lines.join(QLatin1Char('\n'));
}
