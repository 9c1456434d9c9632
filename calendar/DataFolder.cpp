#include "DataFolder.h"

#include <filesystem>
#include <system_error>

#include "KeptCopies.h"
#include "MessageLanguage.h"

namespace {

std::string Lines(int count) {
    if (JapaneseMessages()) {
        return std::to_string(count) + " 行";
    }
    return std::to_string(count) + (count == 1 ? " line" : " lines");
}

template <typename List>
void LoadOne(List& list, const std::string& fileName, std::ostream& err) {
    if (!PathExists(fileName)) {
        return;
    }
    SubjTree::LoadReport report;
    if (list.Load(fileName, &report) == StoreResult::FileFailed) {
        err << "veskat: " << fileName << ": "
            << InUserLanguage("could not be read", "読み込めませんでした") << "\n";
        return;
    }
    if (report.linesNotTaken > 0) {
        err << "veskat: " << fileName << ": " << Lines(report.linesNotTaken)
            << InUserLanguage(" not taken", "を読み込めませんでした") << "\n";
    }
    if (report.linesChanged > 0) {
        err << "veskat: " << fileName << ": " << Lines(report.linesChanged)
            << InUserLanguage(" taken with part of the text changed",
                              "は文字の一部を置き換えて読み込みました")
            << "\n";
    }
}

}  // namespace

bool LoadFolder(const std::string& folder, IndivSubjList& indiv, RepSubjList& rep,
                std::ostream& err) {
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        err << "veskat: " << InUserLanguage("no such folder: ", "フォルダーがありません: ")
            << folder << "\n";
        return false;
    }
    const std::filesystem::path base(folder);
    LoadOne(indiv, (base / kIndivFileName).string(), err);
    LoadOne(rep, (base / kRepFileName).string(), err);
    return true;
}
