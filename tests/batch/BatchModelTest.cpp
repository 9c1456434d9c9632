// The whole batch against a plain model: random repeating subjects over random
// individual subjects on a random day, compared field by field. The model
// counts days with the time-zone-free calendar and keeps a std::map.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <tuple>

#include "Batch.h"
#include "BatchTestSupport.h"

using namespace batchtest;

namespace {

// Titles overlap between the two kinds on purpose, so that generated keys
// meet subjects already there. Shift_JIS: 朝会, ゴミ出し.
const std::vector<std::string> kTitles = {
    "\x92\xA9\x89\xEF", "\x83\x53\x83\x7E\x8F\x6F\x82\xB5", "a", "b", "report", "Z", "\xFC\xFC"};

struct Model {
    using Key = std::tuple<int, int, int, std::string>;
    std::map<Key, IndivSubj> subjects;

    static Key KeyOf(const IndivSubj& s) { return {s.year, s.month, s.day, s.title}; }

    void Purge(Ymd today) {
        const auto yesterday = std::chrono::sys_days{today} - std::chrono::days{1};
        const auto doneLimit = std::chrono::sys_days{today} - std::chrono::days{43};
        std::erase_if(subjects, [&](const auto& entry) {
            const IndivSubj& s = entry.second;
            auto day = std::chrono::sys_days{MakeYmd(s.year, s.month, s.day)};
            return (s.progress == Progress::NotTracked && day <= yesterday) ||
                   (s.progress == Progress::Done && day <= doneLimit);
        });
    }

    static bool Calls(const RepSubj& rep, Ymd date) {
        const int month = static_cast<int>(unsigned(date.month()));
        const int day = static_cast<int>(unsigned(date.day()));
        const int weekday =
            static_cast<int>(std::chrono::weekday{std::chrono::sys_days{date}}.iso_encoding());
        const int nth =
            static_cast<int>(std::chrono::year_month_weekday{std::chrono::sys_days{date}}.index());
        return (rep.yearlyMonth == month && rep.yearlyDay == day) || (rep.monthlyDay == day) ||
               (rep.monthlyWeek == nth && rep.monthlyWeekday == weekday) ||
               rep.weekly[static_cast<std::size_t>(weekday - 1)] == 1;
    }

    void Expand(const std::vector<RepSubj>& reps, Ymd today) {
        for (const RepSubj& rep : reps) {
            for (int i = 0; i < 43; ++i) {
                Ymd date = AddDays(today, i);
                if (!Calls(rep, date)) {
                    continue;
                }
                IndivSubj s = Indiv(date, rep.title, rep.progress, rep.title);
                s.hour = rep.hour;
                s.minute = rep.minute;
                s.content = rep.content;
                subjects.try_emplace(KeyOf(s), s);
            }
        }
    }

    std::vector<std::string> Describe() const {
        std::vector<std::string> lines;
        for (const auto& entry : subjects) {
            lines.push_back(batchtest::Describe(entry.second));
        }
        return lines;
    }
};

class RandomBatch {
  public:
    explicit RandomBatch(unsigned seed) : random_(seed) {}

    // Mostly any moment of 1995-2035, often a few seconds either side of midnight.
    std::time_t Today() {
        Ymd day = AddDays(MakeYmd(1995, 1, 1), Below(41 * 365));
        int y = static_cast<int>(day.year());
        int m = static_cast<int>(unsigned(day.month()));
        int d = static_cast<int>(unsigned(day.day()));
        switch (Below(3)) {
            case 0:
                return LocalTime::Make(y, m, d, 23, 59, 50 + Below(10));
            case 1:
                return LocalTime::Make(y, m, d, 0, 0, Below(10));
            default:
                return LocalTime::Make(y, m, d, Below(24), Below(60), Below(60));
        }
    }

    // Rules near today's month so that they hit; any field may stay unset.
    std::vector<RepSubj> Reps(Ymd today) {
        std::vector<RepSubj> reps;
        for (const std::string& title : kTitles) {
            if (Below(3) == 0) {
                continue;
            }
            RepSubj r = Rep(title, Below(2) ? Progress::Open : Progress::NotTracked);
            const int month = static_cast<int>(unsigned(today.month()));
            if (Below(2)) {
                r.yearlyMonth = Small(Below(3) ? month % 12 + Below(2) : Below(13));
                r.yearlyDay = Small(Below(32));
            }
            if (Below(2)) {
                r.monthlyDay = Small(Below(32));
            }
            if (Below(2)) {
                r.monthlyWeek = Small(Below(6));
                r.monthlyWeekday = Small(Below(8));
            }
            for (std::uint8_t& flag : r.weekly) {
                flag = Below(6) == 0 ? 1 : 0;
            }
            r.hour = Small(Below(24));
            r.minute = Small(Below(60));
            r.content = Below(2) ? "" : "line " + std::to_string(Below(100)) + "<br>next";
            reps.push_back(r);
        }
        return reps;
    }

    std::vector<IndivSubj> Existing(Ymd today) {
        const Progress letters[] = {Progress::NotTracked, Progress::Open, Progress::Done,
                                    static_cast<Progress>('X')};
        std::vector<IndivSubj> subjects;
        for (int n = Below(80); n > 0; --n) {
            IndivSubj s = Indiv(AddDays(today, Below(110) - 60), kTitles[Pick(kTitles.size())],
                                letters[Below(4)]);
            s.origin = Below(2) ? "" : kTitles[Pick(kTitles.size())];
            s.content = "kept " + std::to_string(Below(1000));
            s.hour = Small(Below(24));
            subjects.push_back(s);
        }
        return subjects;
    }

  private:
    int Below(int n) { return static_cast<int>(random_() % static_cast<unsigned>(n)); }
    std::size_t Pick(std::size_t n) { return random_() % n; }
    static std::int16_t Small(int v) { return static_cast<std::int16_t>(v); }

    std::mt19937 random_;
};

}  // namespace

TEST(BatchModel, RandomListsAndDaysMatchThePlainModelAndASecondRunChangesNothing) {
    RandomBatch random(20240229);
    for (int round = 0; round < 300; ++round) {
        std::time_t now = random.Today();
        ScopedClock clock(now);
        const Ymd today = LocalDayOf(now);
        std::vector<RepSubj> reps = random.Reps(today);
        RepSubjList repList;
        for (const RepSubj& r : reps) {
            repList.current = r;
            ASSERT_EQ(repList.Insert(), StoreResult::Done);
        }
        IndivSubjList indiv;
        Model model;
        for (const IndivSubj& s : random.Existing(today)) {
            indiv.current = s;
            if (indiv.Insert() == StoreResult::Done) {
                model.subjects.try_emplace(Model::KeyOf(s), s);
            }
        }
        model.Purge(today);
        model.Expand(reps, today);

        ASSERT_EQ(RunBatch(repList, indiv), StoreResult::Done);
        ASSERT_EQ(DescribeAll(indiv), model.Describe())
            << "round " << round << " today " << DateText(today);
        ASSERT_EQ(RunBatch(repList, indiv), StoreResult::Done);
        ASSERT_EQ(DescribeAll(indiv), model.Describe()) << "second run, round " << round;
        ASSERT_TRUE(indiv.Tree().CheckInvariants().empty());

        std::size_t i = 0;
        for (StoreResult r = repList.First(); r == StoreResult::Done; r = repList.Next(), ++i) {
            ASSERT_LT(i, reps.size());
        }
        EXPECT_EQ(i, reps.size());
    }
}
