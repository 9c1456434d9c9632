#include "ReminderScheduler.h"

#include <algorithm>

#include "Clock.h"

namespace {

constexpr std::time_t kLateAfter = 60;
constexpr std::time_t kKeepShown = 2 * 86400;

ReminderDay DateOf(const ReminderItem& item) {
    return {item.year, item.month, item.day};
}

ReminderDay DayOf(std::time_t t) {
    const std::tm local = LocalTime::Break(t);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

// 00:00 stands for the whole day: such a subject has no moment of its own.
bool HasTime(const ReminderItem& item) {
    return item.hour != 0 || item.minute != 0;
}

std::time_t TimeOf(const ReminderItem& item) {
    return LocalTime::Make(item.year, item.month, item.day, item.hour, item.minute);
}

std::time_t TimeOf(const IndivSubj& subj) {
    return LocalTime::Make(subj.year, subj.month, subj.day, subj.hour, subj.minute);
}

IndivSubj HeadOf(const ReminderItem& item) {
    IndivSubj head;
    head.year = item.year;
    head.month = item.month;
    head.day = item.day;
    head.title = item.title;
    head.hour = item.hour;
    head.minute = item.minute;
    head.progress = item.progress;
    return head;
}

// Today's subjects, named first in time order, and those of the days before
// in date order, which the view's key order already is: only today's are held
// for sorting, so a long list of overdue subjects costs no memory.
DaySummary Summarise(const ReminderSubjects& subjects, const ReminderDay& today) {
    struct Timed {
        std::int16_t hour;
        std::int16_t minute;
        std::string title;
    };
    std::vector<Timed> todays;
    std::vector<std::string> overdueTitles;
    DaySummary summary;
    subjects.VisitFrom(std::nullopt, [&](const ReminderItem& item) {
        if (DateOf(item) > today) {
            return false;
        }
        if (item.progress == Progress::Done) {
            return true;
        }
        if (DateOf(item) == today) {
            todays.push_back({item.hour, item.minute, std::string(item.title)});
        } else if (++summary.overdue <= static_cast<int>(ReminderScheduler::kSummaryTitles)) {
            overdueTitles.emplace_back(item.title);
        }
        return true;
    });
    std::stable_sort(todays.begin(), todays.end(), [](const Timed& a, const Timed& b) {
        return std::tie(a.hour, a.minute) < std::tie(b.hour, b.minute);
    });
    summary.today = static_cast<int>(todays.size());
    for (Timed& t : todays) {
        if (summary.titles.size() < ReminderScheduler::kSummaryTitles) {
            summary.titles.push_back(std::move(t.title));
        }
    }
    for (std::string& title : overdueTitles) {
        if (summary.titles.size() < ReminderScheduler::kSummaryTitles) {
            summary.titles.push_back(std::move(title));
        }
    }
    return summary;
}

}  // namespace

ReminderTick ReminderScheduler::Tick(const ReminderSubjects& subjects, std::time_t now) {
    const ReminderDay today = DayOf(now);
    // Times in (from, now] are due: since the last look, or from the start of
    // this minute at the first. A clock set back makes the span empty.
    const std::time_t from =
        lastLook_ ? std::min(*lastLook_, now) : now - LocalTime::Break(now).tm_sec - 1;

    ReminderTick tick;
    tick.wakeAt =
        std::min(now + kLongestWait,
                 LocalTime::Make(std::get<0>(today), std::get<1>(today), std::get<2>(today) + 1));
    // Every time that matters lies in (from, wakeAt], on the days from the
    // one of `from` to the one of wakeAt.
    const ReminderDay lastDay = DayOf(tick.wakeAt);
    std::vector<DueReminder> due;
    subjects.VisitFrom(DayOf(from), [&](const ReminderItem& item) {
        if (DateOf(item) > lastDay) {
            return false;
        }
        if (item.progress == Progress::Done || !HasTime(item)) {
            return true;
        }
        const std::time_t at = TimeOf(item);
        if (at > now) {
            tick.wakeAt = std::min(tick.wakeAt, at);
            return true;
        }
        if (at > from) {
            std::string key(reinterpret_cast<const char*>(item.key.data()), kKeySize);
            auto [shown, fresh] = shown_.try_emplace(key, at);
            if (fresh || shown->second != at) {
                shown->second = at;
                due.push_back({std::move(key), HeadOf(item), {}, now - at >= kLateAfter});
            }
        }
        return true;
    });
    for (DueReminder& reminder : due) {
        reminder.note = subjects.NoteOf(
            SubjKey(reinterpret_cast<const std::uint8_t*>(reminder.key.data()), kKeySize));
    }
    std::stable_sort(due.begin(), due.end(), [](const DueReminder& a, const DueReminder& b) {
        return TimeOf(a.subj) < TimeOf(b.subj);
    });
    tick.due = std::move(due);

    if (summaryDay_ != today) {
        summaryDay_ = today;
        DaySummary summary = Summarise(subjects, today);
        if (summary.today + summary.overdue > 0) {
            tick.summary = std::move(summary);
        }
    }
    std::erase_if(shown_, [now](const auto& entry) { return entry.second < now - kKeepShown; });
    lastLook_ = now;
    return tick;
}

bool ReminderScheduler::StillStands(const ReminderSubjects& subjects, SubjKey key) const {
    const auto shown =
        shown_.find(std::string(reinterpret_cast<const char*>(key.data()), kKeySize));
    bool stands = false;
    subjects.VisitKey(key, [&](const ReminderItem& item) {
        stands = item.progress != Progress::Done && HasTime(item) &&
                 (shown == shown_.end() || TimeOf(item) == shown->second);
        return false;
    });
    return stands;
}

void ReminderScheduler::Reset() {
    lastLook_.reset();
    summaryDay_.reset();
    shown_.clear();
}
