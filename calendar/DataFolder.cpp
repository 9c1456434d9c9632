#include "DataFolder.h"

#include <filesystem>
#include <system_error>

#include "KeptCopies.h"

namespace {

std::string Lines(int count) {
    return std::to_string(count) + (count == 1 ? " line" : " lines");
}

template <typename List>
void LoadOne(List& list, const std::string& fileName, std::ostream& err) {
    if (!PathExists(fileName)) {
        return;
    }
    SubjTree::LoadReport report;
    if (list.Load(fileName, &report) == StoreResult::FileFailed) {
        err << "veskat: " << fileName << ": could not be read\n";
        return;
    }
    if (report.linesNotTaken > 0) {
        err << "veskat: " << fileName << ": " << Lines(report.linesNotTaken) << " not taken\n";
    }
    if (report.linesChanged > 0) {
        err << "veskat: " << fileName << ": " << Lines(report.linesChanged)
            << " taken with part of the text changed\n";
    }
}

}  // namespace

bool LoadFolder(const std::string& folder, IndivSubjList& indiv, RepSubjList& rep,
                std::ostream& err) {
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        err << "veskat: no such folder: " << folder << "\n";
        return false;
    }
    const std::filesystem::path base(folder);
    LoadOne(indiv, (base / kIndivFileName).string(), err);
    LoadOne(rep, (base / kRepFileName).string(), err);
    return true;
}
