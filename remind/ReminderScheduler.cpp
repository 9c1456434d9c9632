#include "ReminderScheduler.h"

#include <algorithm>

#include "Clock.h"

namespace {

constexpr std::time_t kLateAfter = 60;
constexpr std::time_t kKeepShown = 2 * 86400;

std::tuple<int, int, int> DateOf(const IndivSubj& subj) {
    return {subj.year, subj.month, subj.day};
}

// 00:00 stands for the whole day: such a subject has no moment of its own.
bool HasTime(const IndivSubj& subj) {
    return subj.hour != 0 || subj.minute != 0;
}

std::time_t TimeOf(const IndivSubj& subj) {
    return LocalTime::Make(subj.year, subj.month, subj.day, subj.hour, subj.minute);
}

struct Summed {
    IndivSubj head;
    bool today;
};

DaySummary Summarise(std::vector<Summed>& subjects) {
    DaySummary summary;
    // Key order is date order; today's go first, by their time.
    std::stable_sort(subjects.begin(), subjects.end(), [](const Summed& a, const Summed& b) {
        if (a.today != b.today) {
            return a.today;
        }
        return a.today &&
               std::tie(a.head.hour, a.head.minute) < std::tie(b.head.hour, b.head.minute);
    });
    for (const Summed& s : subjects) {
        (s.today ? summary.today : summary.overdue) += 1;
        if (summary.titles.size() < ReminderScheduler::kSummaryTitles) {
            summary.titles.push_back(s.head.title);
        }
    }
    return summary;
}

}  // namespace

ReminderTick ReminderScheduler::Tick(const SubjTree& subjects, std::time_t now) {
    const std::tm local = LocalTime::Break(now);
    const Day today{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
    // Times in (from, now] are due: since the last look, or from the start of
    // this minute at the first. A clock set back makes the span empty.
    const std::time_t from = lastLook_ ? std::min(*lastLook_, now) : now - local.tm_sec - 1;
    const bool newDay = summaryDay_ != today;

    ReminderTick tick;
    tick.wakeAt =
        std::min(now + kLongestWait,
                 LocalTime::Make(std::get<0>(today), std::get<1>(today), std::get<2>(today) + 1));
    std::vector<Summed> summed;
    subjects.VisitInOrder([&](const RecordText& record) {
        const IndivSubj head = DecodeIndivHead(record);
        if (head.progress == Progress::Done) {
            return true;
        }
        if (newDay && DateOf(head) <= today) {
            summed.push_back({head, DateOf(head) == today});
        }
        if (!HasTime(head)) {
            return true;
        }
        const std::time_t at = TimeOf(head);
        if (at > now) {
            tick.wakeAt = std::min(tick.wakeAt, at);
            return true;
        }
        if (at > from) {
            std::string key(reinterpret_cast<const char*>(record.data()), kKeySize);
            auto [shown, fresh] = shown_.try_emplace(key, at);
            if (fresh || shown->second != at) {
                shown->second = at;
                tick.due.push_back(
                    {std::move(key), DecodeIndivSubj(record), now - at >= kLateAfter});
            }
        }
        return true;
    });

    std::stable_sort(
        tick.due.begin(), tick.due.end(),
        [](const DueReminder& a, const DueReminder& b) { return TimeOf(a.subj) < TimeOf(b.subj); });
    if (newDay) {
        summaryDay_ = today;
        if (!summed.empty()) {
            tick.summary = Summarise(summed);
        }
    }
    std::erase_if(shown_, [now](const auto& entry) { return entry.second < now - kKeepShown; });
    lastLook_ = now;
    return tick;
}

void ReminderScheduler::Reset() {
    lastLook_.reset();
    summaryDay_.reset();
    shown_.clear();
}
