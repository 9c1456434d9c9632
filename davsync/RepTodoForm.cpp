// The RRULE is made from the same test of a day that the batch generates by
// (RulesHolding), so that the first day it names is one the batch fills.
#include "RepTodoForm.h"

#include <charconv>
#include <vector>

#include "CalendarDay.h"
#include "ExpandRepSubj.h"
#include "SjisText.h"
#include "TodoLines.h"

namespace {

// A yearly rule on 29 February holds once in four years, eight at a century.
constexpr int kSearchDays = 366 * 9;
// The zone's definition of a repeating to-do covers its next years.
constexpr std::time_t kZoneYears = 3 * 366 * 86400;

enum Rule : std::size_t { Yearly, Monthly, MonthlyWeek, Weekly };

const char* const kWeekdays[] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};

std::string Padded(int value, int width) {
    std::string text;
    AppendZeroPadded(text, value, width);
    return text;
}

// Whether the rule can hold on some day (RulesHolding tests each day).
std::array<bool, 4> RulesThatCanHold(const RepSubj& subj) {
    const auto in = [](int value, int low, int high) { return value >= low && value <= high; };
    bool weekly = false;
    for (const std::uint8_t flag : subj.weekly) {
        weekly = weekly || flag == 1;
    }
    return {in(subj.yearlyMonth, 1, 12) && in(subj.yearlyDay, 1, 31), in(subj.monthlyDay, 1, 31),
            in(subj.monthlyWeek, 1, 5) && in(subj.monthlyWeekday, 1, 7), weekly};
}

std::string RruleOf(const RepSubj& subj, Rule rule) {
    switch (rule) {
        case Yearly:
            return "FREQ=YEARLY;BYMONTH=" + std::to_string(subj.yearlyMonth) +
                   ";BYMONTHDAY=" + std::to_string(subj.yearlyDay);
        case Monthly:
            return "FREQ=MONTHLY;BYMONTHDAY=" + std::to_string(subj.monthlyDay);
        case MonthlyWeek:
            return "FREQ=MONTHLY;BYDAY=" + std::to_string(subj.monthlyWeek) +
                   kWeekdays[subj.monthlyWeekday - 1];
        case Weekly: {
            std::string days;
            for (std::size_t d = 0; d < subj.weekly.size(); ++d) {
                if (subj.weekly[d] == 1) {
                    days += (days.empty() ? "" : ",") + std::string(kWeekdays[d]);
                }
            }
            return "FREQ=WEEKLY;BYDAY=" + days;
        }
    }
    return {};
}

// "name=" and the numbers after it, split at `separator`; false when the
// part is not that.
bool ReadPart(std::string_view part, std::string_view name, char separator,
              std::vector<std::int16_t*> into) {
    if (!part.starts_with(name) || part.size() <= name.size() || part[name.size()] != '=') {
        return false;
    }
    part.remove_prefix(name.size() + 1);
    for (std::size_t i = 0; i < into.size(); ++i) {
        const std::size_t end = i + 1 < into.size() ? part.find(separator) : part.size();
        if (end == std::string_view::npos || end == 0) {
            return false;
        }
        const auto [at, error] = std::from_chars(part.data(), part.data() + end, *into[i]);
        if (error != std::errc() || at != part.data() + end) {
            return false;
        }
        part.remove_prefix(std::min(end + 1, part.size()));
    }
    return true;
}

// The names of the properties that carry `field`.
std::vector<std::string> NamesOf(SubjField field) {
    return field == SubjField::When ? std::vector<std::string>{"X-VESKAT-RULES", "RRULE", "DTSTART"}
                                    : SharedNamesOf(field);
}

// The lines of `fields` of `subj`, and the zone's definition the DTSTART
// written needs (empty for none).
std::string AddFields(IcsLines& lines, const RepSubj& subj, FieldSet fields, std::time_t now,
                      const std::string& zoneName) {
    std::string zone;
    AddSharedFields(lines, subj.title, subj.content, subj.progress, fields, now);
    if (fields.Has(SubjField::When)) {
        lines.Add("X-VESKAT-RULES", IcsEscapeText(RulesText(subj)));
        if (const std::optional<SingleRule> single = SingleRuleOf(subj, now)) {
            AddWall(lines, "DTSTART", single->start, zoneName);
            lines.Add("RRULE", single->rrule);
            if (!single->start.isDate) {
                zone = ZoneText(zoneName, Noon(single->start), Noon(single->start) + kZoneYears);
            }
        }
    }
    return zone;
}

}  // namespace

std::string RulesText(const RepSubj& subj) {
    std::string weekly;
    for (const std::uint8_t flag : subj.weekly) {
        weekly += std::to_string(flag);
    }
    return "yearly=" + Padded(subj.yearlyMonth, 2) + "/" + Padded(subj.yearlyDay, 2) +
           ";monthly=" + Padded(subj.monthlyDay, 2) + ";week=" + std::to_string(subj.monthlyWeek) +
           "/" + std::to_string(subj.monthlyWeekday) + ";weekly=" + weekly +
           ";time=" + Padded(subj.hour, 2) + ":" + Padded(subj.minute, 2);
}

bool ReadRulesText(std::string_view text, RepSubj& subj) {
    RepSubj read = subj;
    std::vector<std::string_view> parts;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find(';', start), text.size());
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (parts.size() != 5 ||
        !ReadPart(parts[0], "yearly", '/', {&read.yearlyMonth, &read.yearlyDay}) ||
        !ReadPart(parts[1], "monthly", '/', {&read.monthlyDay}) ||
        !ReadPart(parts[2], "week", '/', {&read.monthlyWeek, &read.monthlyWeekday}) ||
        !ReadPart(parts[4], "time", ':', {&read.hour, &read.minute})) {
        return false;
    }
    const std::string_view weekly = parts[3];
    if (weekly.size() != 7 + 7 || !weekly.starts_with("weekly=")) {
        return false;
    }
    for (std::size_t d = 0; d < 7; ++d) {
        const char digit = weekly[7 + d];
        if (digit < '0' || digit > '9') {
            return false;
        }
        read.weekly[d] = static_cast<std::uint8_t>(digit - '0');
    }
    subj = std::move(read);
    return true;
}

std::optional<SingleRule> SingleRuleOf(const RepSubj& subj, std::time_t from) {
    const std::array<bool, 4> can = RulesThatCanHold(subj);
    if (std::count(can.begin(), can.end(), true) != 1) {
        return std::nullopt;
    }
    const auto rule = static_cast<Rule>(std::find(can.begin(), can.end(), true) - can.begin());
    for (int offset = 0; offset < kSearchDays; ++offset) {
        const CalendarDay day = DayFrom(from, offset);
        if (RulesHolding(subj, day)[rule]) {
            const bool wholeDay = subj.hour == 0 && subj.minute == 0;
            return SingleRule{RruleOf(subj, rule),
                              {day.year, day.month, day.day, subj.hour, subj.minute, wholeDay}};
        }
    }
    return std::nullopt;  // 31 February and its like: never
}

std::string NewRepTodoText(const RepSubj& subj, const std::string& uid, std::time_t now,
                           const std::string& zoneName) {
    IcsLines todo;
    AddTodoHead(todo, uid, now);
    const std::string zone = AddFields(todo, subj, FieldSet::All(), now, zoneName);
    AddTodoTail(todo, now);
    return CalendarHead() + zone + todo.Text();
}

PatchOutcome PatchRepTodo(std::string_view serverText, const RepSubj& subj, FieldSet fields,
                          std::time_t now, const std::string& zoneName, std::string& patched) {
    return PatchServerTodo(
        serverText, patched, [&](ContentLines& text, std::size_t begin, const IcalItem& item) {
            if (fields.Empty()) {
                return;
            }
            IcsLines added;
            const std::string zone = AddFields(added, subj, fields, now, zoneName);
            SpliceTodo(text, begin, item, NamesOfFields(fields, NamesOf), std::move(added), now);
            if (!zone.empty()) {
                PutZone(text, zoneName, zone);
            }
        });
}
