// DecideFetch held to the table of docs/sync.md: the table is read from the
// page, and for every combination of the four facts the first row that
// matches must name the action the code takes. Every row must decide at
// least one combination, so that the page shows no row the code never uses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "FetchDecision.h"

namespace {

const std::map<std::string, ServerCopy> kServerCopies = {
    {"Unreadable", ServerCopy::Unreadable}, {"NotThere", ServerCopy::NotThere},
    {"Damaged", ServerCopy::Damaged},       {"SameAsLocal", ServerCopy::SameAsLocal},
    {"Other", ServerCopy::Other},
};
const std::map<std::string, LocalFile> kLocalFiles = {
    {"Missing", LocalFile::Missing},
    {"NotLoadable", LocalFile::NotLoadable},
    {"NoSubjects", LocalFile::NoSubjects},
    {"Subjects", LocalFile::Subjects},
};
const std::map<std::string, Marker> kMarkers = {{"None", Marker::None}, {"Unsent", Marker::Unsent}};
const std::map<std::string, BaseCopyIs> kBases = {{"SameAsLocal", BaseCopyIs::SameAsLocal},
                                                  {"Other", BaseCopyIs::Other}};
const std::map<std::string, FetchAction> kActions = {
    {"GiveUp", FetchAction::GiveUp},
    {"SendLocal", FetchAction::SendLocal},
    {"KeepServerAside", FetchAction::KeepServerAside},
    {"RecordBase", FetchAction::RecordBase},
    {"Take", FetchAction::Take},
    {"TakeInStep", FetchAction::TakeInStep},
    {"KeepLocal", FetchAction::KeepLocal},
    {"MergeUnsent", FetchAction::MergeUnsent},
    {"MergeUnmarked", FetchAction::MergeUnmarked},
};

// A cell of the table: a value in backticks, or "any" (nullopt).
template <typename Value>
std::optional<Value> Cell(const std::string& text, const std::map<std::string, Value>& names,
                          int row) {
    const std::size_t open = text.find('`');
    if (open == std::string::npos) {
        EXPECT_NE(text.find("any"), std::string::npos) << "row " << row << ": " << text;
        return std::nullopt;
    }
    const std::string name = text.substr(open + 1, text.find('`', open + 1) - open - 1);
    const auto found = names.find(name);
    EXPECT_NE(found, names.end()) << "row " << row << " names no known value: " << name;
    return found == names.end() ? std::nullopt : std::optional<Value>(found->second);
}

struct Row {
    int number = 0;
    std::optional<ServerCopy> server;
    std::optional<LocalFile> local;
    std::optional<Marker> marker;
    std::optional<BaseCopyIs> base;
    FetchAction action = FetchAction::GiveUp;

    bool Matches(const FetchFacts& facts) const {
        return (!server || *server == facts.server) && (!local || *local == facts.local) &&
               (!marker || *marker == facts.marker) && (!base || *base == facts.base);
    }
};

std::vector<std::string> Cells(const std::string& line) {
    std::vector<std::string> cells;
    std::stringstream in(line);
    std::string cell;
    std::getline(in, cell, '|');  // before the first bar
    while (std::getline(in, cell, '|')) {
        cells.push_back(cell);
    }
    return cells;
}

// The numbered rows of the table under the start-up heading.
std::vector<Row> TableOfThePage() {
    std::ifstream page(VESKAT_SYNC_MD);
    std::vector<Row> rows;
    bool inSection = false;
    for (std::string line; std::getline(page, line);) {
        if (line.rfind("## ", 0) == 0) {
            inSection = line.find("Start-up") != std::string::npos;
            continue;
        }
        const std::vector<std::string> cells = Cells(line);
        if (!inSection || line.rfind("| ", 0) != 0 || cells.size() < 6 ||
            std::atoi(cells[0].c_str()) == 0) {
            continue;
        }
        Row row;
        row.number = std::atoi(cells[0].c_str());
        row.server = Cell(cells[1], kServerCopies, row.number);
        row.local = Cell(cells[2], kLocalFiles, row.number);
        row.marker = Cell(cells[3], kMarkers, row.number);
        row.base = Cell(cells[4], kBases, row.number);
        const std::optional<FetchAction> action = Cell(cells[5], kActions, row.number);
        EXPECT_TRUE(action.has_value()) << "row " << row.number << " names no action";
        row.action = action.value_or(FetchAction::GiveUp);
        rows.push_back(row);
    }
    return rows;
}

TEST(FetchDecisionTest, EveryCombinationDoesWhatTheFirstMatchingRowOfThePageSays) {
    const std::vector<Row> rows = TableOfThePage();
    ASSERT_GE(rows.size(), 5u) << "no table found in " << VESKAT_SYNC_MD;
    std::map<int, int> decided;
    int combinations = 0;
    for (const auto& [serverName, server] : kServerCopies) {
        for (const auto& [localName, local] : kLocalFiles) {
            for (const auto& [markerName, marker] : kMarkers) {
                for (const auto& [baseName, base] : kBases) {
                    ++combinations;
                    const FetchFacts facts{server, local, marker, base};
                    const std::string named =
                        serverName + " " + localName + " " + markerName + " " + baseName;
                    const auto row = std::find_if(rows.begin(), rows.end(),
                                                  [&](const Row& r) { return r.Matches(facts); });
                    ASSERT_NE(row, rows.end()) << "no row of the page matches " << named;
                    ++decided[row->number];
                    EXPECT_EQ(DecideFetch(facts), row->action) << named << ": row " << row->number;
                }
            }
        }
    }
    EXPECT_EQ(combinations, 80);
    for (const Row& row : rows) {
        EXPECT_GT(decided[row.number], 0) << "row " << row.number << " decides nothing";
    }
}

}  // namespace
