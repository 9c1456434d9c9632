// A repeating subject's rules in words for its row in the list: "毎週 火・金
// 08:00", "毎月 第2土曜 10:00", "毎月 15日", "毎年 2月29日", several joined with
// "、"; a time of 00:00 (all day) is not shown.
#pragma once

#include <string>

#include "SubjRecord.h"

// The text, in UTF-8; "—" when none of rep's rules gives a day (a rule with a
// field unset, or a date no year has, such as 2月30日).
std::string RuleWords(const RepSubj& rep);

// False exactly when RuleWords gives "—": no rule of rep ever gives a day.
bool AnyRuleGivesADay(const RepSubj& rep);
