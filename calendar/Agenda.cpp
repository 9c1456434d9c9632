#include "Agenda.h"

#include <algorithm>
#include <tuple>
#include <vector>

#include "CalendarDay.h"
#include "Clock.h"
#include "ExpandRepSubj.h"
#include "SjisCodec.h"

namespace {

// The state column's texts beside the progress texts, in Shift_JIS like them.
constexpr const char* kOverdue = "\x8A\xFA\x8C\xC0\x90\xD8\x82\xEA";  // 期限切れ
constexpr const char* kNotGenerated = "\x96\xA2\x8D\xEC\x90\xAC";     // 未作成
constexpr const char* kDay = " \x93\xFA";                             // 日

// Shift_JIS bytes are as wide as the terminal shows them, ASCII and double-byte alike.
constexpr std::size_t kStateWidth = 10;

struct Line {
    IndivSubj subj;
    std::string state;
    int daysLeft;
};

bool Before(const IndivSubj& a, const IndivSubj& b) {
    return std::tie(a.year, a.month, a.day, a.hour, a.minute, a.title) <
           std::tie(b.year, b.month, b.day, b.hour, b.minute, b.title);
}

std::tuple<int, int, int> DateOf(const IndivSubj& subj) {
    return {subj.year, subj.month, subj.day};
}

std::tuple<int, int, int> DateOf(const CalendarDay& day) {
    return {day.year, day.month, day.day};
}

void Print(std::vector<Line>& lines, std::ostream& out) {
    std::stable_sort(lines.begin(), lines.end(),
                     [](const Line& a, const Line& b) { return Before(a.subj, b.subj); });
    for (const Line& line : lines) {
        const IndivSubj& s = line.subj;
        std::string text = DateTimeText(s) + "  ";
        std::string state = line.state;
        state.resize(std::max(state.size(), kStateWidth), ' ');
        std::string daysLeft = std::to_string(line.daysLeft);
        daysLeft.insert(0, daysLeft.size() < 4 ? 4 - daysLeft.size() : 0, ' ');
        text += state + "  " + daysLeft + kDay + "  " + s.title;
        out << SjisToQString(text).toStdString() << '\n';
    }
}

// The individual subjects of the agenda.
std::vector<Line> Due(IndivSubjList& indiv, const CalendarDay& today, const CalendarDay& last) {
    std::vector<Line> lines;
    for (StoreResult r = indiv.First(); r == StoreResult::Done; r = indiv.Next()) {
        const IndivSubj& s = indiv.current;
        if (DateOf(s) > DateOf(last)) {
            break;  // key order is date order
        }
        const bool open = s.progress == Progress::Open;
        if (s.progress == Progress::Done || (DateOf(s) < DateOf(today) && !open)) {
            continue;
        }
        lines.push_back(
            {s, open && s.overdue != 0 ? kOverdue : ProgressText(s.progress), s.daysLeft});
    }
    return lines;
}

// The days of the window the batch would fill: what it generates into an
// empty list, less what the list holds already. Short of memory, the list
// names the days it could hold; the agenda only shows and changes nothing.
std::vector<Line> NotGenerated(IndivSubjList& indiv, RepSubjList& rep, int days) {
    IndivSubjList generated;
    static_cast<void>(ExpandAllRepSubj(rep, generated));  // what fitted shows; nothing is kept
    std::vector<Line> lines;
    for (StoreResult r = generated.First(); r == StoreResult::Done; r = generated.Next()) {
        if (generated.current.daysLeft > days) {
            break;
        }
        indiv.current = generated.current;
        if (indiv.Find() == StoreResult::NotFound) {
            lines.push_back({generated.current, kNotGenerated, generated.current.daysLeft});
        }
    }
    return lines;
}

}  // namespace

void WriteAgenda(IndivSubjList& indiv, RepSubjList& rep, int days, std::ostream& out) {
    const std::time_t now = Clock::Now();
    std::vector<Line> due = Due(indiv, DayFrom(now, 0), DayFrom(now, days));
    Print(due, out);
    std::vector<Line> notGenerated = NotGenerated(indiv, rep, days);
    Print(notGenerated, out);
}
