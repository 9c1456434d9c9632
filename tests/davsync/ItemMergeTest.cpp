// DecideItem and DecideField held to the two tables of docs/caldav.md: the
// tables are read from the page, every row must name what the code does,
// and every pair or triple the page leaves out must do nothing (items) or
// cannot be (fields, whose table covers all of them).
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "ItemMerge.h"

namespace {

const std::map<std::string, LocalSide> kLocal = {
    {"Absent", LocalSide::Absent},       {"New", LocalSide::New},
    {"Unchanged", LocalSide::Unchanged}, {"Changed", LocalSide::Changed},
    {"Deleted", LocalSide::Deleted},
};
const std::map<std::string, ServerSide> kServer = {
    {"Absent", ServerSide::Absent},       {"New", ServerSide::New},
    {"Unchanged", ServerSide::Unchanged}, {"Changed", ServerSide::Changed},
    {"Deleted", ServerSide::Deleted},
};
const std::map<std::string, ItemAction> kItemActions = {
    {"Nothing", ItemAction::Nothing},
    {"Create", ItemAction::Create},
    {"Send", ItemAction::Send},
    {"Take", ItemAction::Take},
    {"MergeFields", ItemAction::MergeFields},
    {"DeleteOnServer", ItemAction::DeleteOnServer},
    {"DeleteHere", ItemAction::DeleteHere},
    {"KeepServers", ItemAction::KeepServers},
    {"KeepOurs", ItemAction::KeepOurs},
    {"Forget", ItemAction::Forget},
};
const std::map<std::string, FieldAction> kFieldActions = {
    {"Keep", FieldAction::Keep},
    {"Send", FieldAction::Send},
    {"Take", FieldAction::Take},
    {"SendAndSetAside", FieldAction::SendAndSetAside},
};
const std::map<std::string, bool> kYesNo = {{"yes", true}, {"no", false}};

// The first word in backticks of each cell of the rows of the table whose
// header line starts with `header`; "" for a cell without one ("any").
std::vector<std::vector<std::string>> Table(const std::string& header) {
    std::ifstream page(VESKAT_CALDAV_PAGE);
    std::vector<std::vector<std::string>> rows;
    bool inTable = false;
    for (std::string line; std::getline(page, line);) {
        if (line.rfind(header, 0) == 0) {
            inTable = true;
            continue;
        }
        if (inTable && line.rfind("|---", 0) == 0) {
            continue;
        }
        if (inTable && line.rfind("|", 0) != 0) {
            break;
        }
        if (!inTable) {
            continue;
        }
        std::vector<std::string> cells;
        std::stringstream in(line.substr(1));
        for (std::string cell; std::getline(in, cell, '|');) {
            const std::size_t open = cell.find('`');
            cells.push_back(open == std::string::npos
                                ? ""
                                : cell.substr(open + 1, cell.find('`', open + 1) - open - 1));
        }
        rows.push_back(cells);
    }
    return rows;
}

template <typename Value>
Value Named(const std::map<std::string, Value>& names, const std::string& name) {
    const auto found = names.find(name);
    EXPECT_NE(found, names.end()) << "the page names no known value: " << name;
    return found == names.end() ? Value{} : found->second;
}

TEST(ItemMergeTest, EveryItemIsDecidedAsThePageShows) {
    const auto rows = Table("| here | on the server | action |");
    ASSERT_EQ(rows.size(), 12u);
    std::map<std::pair<LocalSide, ServerSide>, ItemAction> shown;
    for (const auto& row : rows) {
        ASSERT_EQ(row.size(), 3u);
        shown[{Named(kLocal, row[0]), Named(kServer, row[1])}] = Named(kItemActions, row[2]);
    }
    for (const auto& [localName, local] : kLocal) {
        for (const auto& [serverName, server] : kServer) {
            const auto found = shown.find({local, server});
            EXPECT_EQ(DecideItem(local, server),
                      found == shown.end() ? ItemAction::Nothing : found->second)
                << localName << " / " << serverName;
        }
    }
}

TEST(ItemMergeTest, EveryFieldIsDecidedAsThePageShows) {
    const auto rows = Table("| changed here | changed on the server | same value now | action |");
    ASSERT_EQ(rows.size(), 5u);
    int decided = 0;
    for (const bool here : {false, true}) {
        for (const bool there : {false, true}) {
            for (const bool same : {false, true}) {
                int matches = 0;
                for (const auto& row : rows) {
                    ASSERT_EQ(row.size(), 4u);
                    if (Named(kYesNo, row[0]) != here || Named(kYesNo, row[1]) != there ||
                        (!row[2].empty() && Named(kYesNo, row[2]) != same)) {
                        continue;
                    }
                    ++matches;
                    EXPECT_EQ(DecideField(here, there, same), Named(kFieldActions, row[3]))
                        << here << there << same;
                }
                EXPECT_EQ(matches, 1) << here << there << same;
                decided += matches;
            }
        }
    }
    EXPECT_EQ(decided, 8);
}

}  // namespace
