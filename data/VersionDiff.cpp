#include "VersionDiff.h"

#include <new>

#include "FileAccess.h"
#include "SubjList.h"

namespace {

std::string Label(SubjKind kind, const RecordText& record) {
    if (kind == SubjKind::Rep) {
        return DecodeRepSubj(record).title;
    }
    constexpr std::size_t kDateLength = 10;  // YYYY/MM/DD
    return DateTimeText(record).substr(0, kDateLength) + " " + DecodeIndivHead(record).title;
}

void Count(SubjChanges& changes, SubjKind kind, const RecordText& record) {
    ++changes.count;
    if (changes.first.size() < kDiffTitlesShown) {
        changes.first.push_back(Label(kind, record));
    }
}

}  // namespace

VersionDiff DiffVersion(SubjKind kind, const SubjTree& now, const SubjTree& version) {
    VersionDiff diff;
    version.VisitInOrder([&](const RecordText& record) {
        ++diff.subjects;
        const RecordText* present = now.Locate(KeyOf(record));
        if (present == nullptr) {
            Count(diff.added, kind, record);
        } else if (*present != record) {
            Count(diff.changed, kind, record);
        }
        return true;
    });
    now.VisitInOrder([&](const RecordText& record) {
        if (version.Locate(KeyOf(record)) == nullptr) {
            Count(diff.removed, kind, record);
        }
        return true;
    });
    return diff;
}

LoadedVersion LoadVersion(SubjKind kind, std::string_view bytes) {
    const bool indiv = kind == SubjKind::Indiv;
    LoadedVersion loaded;
    SubjTree::LoadReport report;
    try {
        // Through the loader of data files, so that a version loads as the file it was would.
        const ScratchFile file(bytes);
        if (file.Name().empty()) {
            return loaded;
        }
        loaded.tree = std::make_unique<SubjTree>(indiv ? IndivCodec::kHeader : RepCodec::kHeader);
        const StoreResult result = loaded.tree->Load(
            file.Name(), indiv ? IndivCodec::kWidths : RepCodec::kWidths, &report);
        if (result == StoreResult::FileFailed || result == StoreResult::OutOfMemory) {
            loaded.tree.reset();
        }
    } catch (const std::bad_alloc&) {
        loaded.tree.reset();
    }
    loaded.linesNotTaken = report.linesNotTaken;
    loaded.linesChanged = report.linesChanged;
    return loaded;
}

std::vector<RecordText> RecordsInOrder(const SubjTree& tree) {
    std::vector<RecordText> records;
    tree.VisitInOrder([&](const RecordText& record) {
        records.push_back(record);
        return true;
    });
    return records;
}
