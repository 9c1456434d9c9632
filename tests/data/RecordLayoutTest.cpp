// The record layout: the width tables against the fields, and the tables of
// data/FORMAT.md against RecordLayout.h, so that the page and the code that
// defines the layout cannot drift apart.
#include <gtest/gtest.h>

#include <fstream>
#include <ostream>
#include <regex>
#include <string>
#include <vector>

#include "RecordLayout.h"

void PrintTo(const RecordField& field, std::ostream* out) {
    *out << "{offset " << field.offset << ", width " << field.width << "}";
}

namespace {

using Fields = std::vector<RecordField>;

const Fields kIndivFields = {IndivFields::kYear,     IndivFields::kMonth,   IndivFields::kDay,
                             IndivFields::kTitle,    IndivFields::kHour,    IndivFields::kMinute,
                             IndivFields::kProgress, IndivFields::kContent, IndivFields::kOrigin};

Fields RepFieldList() {
    using namespace RepFields;
    Fields fields = {kTitle, kYearlyMonth, kYearlyDay, kMonthlyDay, kMonthlyWeek, kMonthlyWeekday};
    for (std::size_t day = 0; day < kWeekly.width; ++day) {
        fields.push_back(WeeklyFlag(day));
    }
    fields.insert(fields.end(), {kHour, kMinute, kProgress, kContent});
    return fields;
}

// The fields a width table describes, each behind the one before.
Fields FieldsOf(const int* widths) {
    Fields fields;
    std::size_t offset = 0;
    for (; *widths != 0; ++widths) {
        fields.push_back({offset, static_cast<std::size_t>(*widths)});
        offset += static_cast<std::size_t>(*widths);
    }
    return fields;
}

// The offset and width of each row of the table below the FORMAT.md heading
// that starts with `heading`; a row of several one-byte flags ("136–142")
// gives one field per flag.
Fields FormatPageTable(const std::string& heading) {
    std::ifstream page(VESKAT_FORMAT_MD);
    EXPECT_TRUE(page.is_open()) << VESKAT_FORMAT_MD;
    const std::regex row(R"(^\|\s*(\d+)(?:–(\d+))?\s*\|\s*(\d+))");
    Fields fields;
    bool inSection = false;
    std::string line;
    while (std::getline(page, line)) {
        if (line.starts_with("#")) {
            inSection = line.starts_with("### " + heading);
        }
        std::smatch m;
        if (!inSection || !std::regex_search(line, m, row)) {
            continue;
        }
        const std::size_t first = std::stoul(m[1]);
        const std::size_t last = m[2].matched ? std::stoul(m[2]) : first;
        const std::size_t width = std::stoul(m[3]);
        for (std::size_t at = first; at <= last; at += width) {
            fields.push_back({at, width});
        }
    }
    return fields;
}

TEST(RecordLayout, WidthTablesListTheFieldsInRecordOrder) {
    EXPECT_EQ(FieldsOf(IndivFieldWidths), kIndivFields);
    EXPECT_EQ(FieldsOf(RepFieldWidths), RepFieldList());
}

TEST(RecordLayout, TheFormatPageShowsTheLayoutTheCodeDefines) {
    EXPECT_EQ(FormatPageTable("Individual subject"), kIndivFields);
    EXPECT_EQ(FormatPageTable("Repeating subject"), RepFieldList());
}

}  // namespace
