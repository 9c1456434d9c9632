#include "RuleWords.h"

#include <cstdio>
#include <vector>

#include "CivilDay.h"

namespace {

// Monday first, as the weekday numbers and the weekly flags run.
constexpr const char* kWeekdays[] = {"月", "火", "水", "木", "金", "土", "日"};
// A leap year, so that 2月29日 counts as a day the rule gives.
constexpr int kLeapYear = 2000;

std::string Number(int value) {
    return std::to_string(value);
}

bool IsWeekday(int weekday) {
    return weekday >= 1 && weekday <= 7;
}

std::string Weekday(int weekday) {
    return kWeekdays[weekday - 1];
}

// The rules that give a day, in the batch's order: yearly, monthly by day,
// monthly by week, weekly.
std::vector<std::string> RulesOf(const RepSubj& rep) {
    std::vector<std::string> rules;
    if (IsCalendarDate(kLeapYear, rep.yearlyMonth, rep.yearlyDay)) {
        rules.push_back("毎年 " + Number(rep.yearlyMonth) + "月" + Number(rep.yearlyDay) + "日");
    }
    if (rep.monthlyDay >= 1 && rep.monthlyDay <= 31) {
        rules.push_back("毎月 " + Number(rep.monthlyDay) + "日");
    }
    if (rep.monthlyWeek >= 1 && rep.monthlyWeek <= 5 && IsWeekday(rep.monthlyWeekday)) {
        rules.push_back("毎月 第" + Number(rep.monthlyWeek) + Weekday(rep.monthlyWeekday) + "曜");
    }
    std::string weekly;
    for (int weekday = 1; weekday <= 7; ++weekday) {
        if (rep.weekly[static_cast<std::size_t>(weekday - 1)] == 1) {
            weekly += (weekly.empty() ? "" : "・") + Weekday(weekday);
        }
    }
    if (!weekly.empty()) {
        rules.push_back("毎週 " + weekly);
    }
    return rules;
}

}  // namespace

bool AnyRuleGivesADay(const RepSubj& rep) {
    return !RulesOf(rep).empty();
}

std::string RuleWords(const RepSubj& rep) {
    const std::vector<std::string> rules = RulesOf(rep);
    if (rules.empty()) {
        return "—";
    }
    std::string time;
    if (rep.hour != 0 || rep.minute != 0) {
        char text[16];
        std::snprintf(text, sizeof text, " %02d:%02d", rep.hour, rep.minute);
        time = text;
    }
    std::string words;
    for (const std::string& rule : rules) {
        words += (words.empty() ? "" : "、") + rule + time;
    }
    return words;
}
