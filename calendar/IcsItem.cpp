// A series is read by libical's own rule iterator, started near the window
// where that is exact, and capped, so that a rule of every second since 1900
// costs no more than a moment.
#include "IcsItem.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <set>

#include <strings.h>

#include "CivilDay.h"
#include "Clock.h"
#include "ExpandRepSubj.h"
#include "IcsImportText.h"
#include "IcsZones.h"

namespace {

// The dates looked through for one series, whatever its rule.
constexpr int kMaxSteps = 50'000;
// How far before the window a rule's iteration starts, for zones far apart.
constexpr int kLeadDays = 2;

// The properties that place an item: an error libical reports on one of
// them makes the item unreadable. Any other costs nothing but that property:
// calendar servers write empty texts ("DESCRIPTION:"), which libical reports.
constexpr const char* kPlacing[] = {"DTSTART", "DUE", "RRULE", "RDATE", "EXDATE", "RECURRENCE-ID"};

bool ErrorOnPlacing(icalcomponent* component) {
    for (icalproperty* error = icalcomponent_get_first_property(component, ICAL_XLICERROR_PROPERTY);
         error != nullptr;
         error = icalcomponent_get_next_property(component, ICAL_XLICERROR_PROPERTY)) {
        const char* text = icalproperty_get_xlicerror(error);
        for (const char* name : kPlacing) {
            const std::string mention = std::string(" ") + name + " property";
            if (text != nullptr && std::strstr(text, mention.c_str()) != nullptr) {
                return true;
            }
        }
    }
    return false;
}

bool HasAnyError(icalcomponent* component) {
    return icalcomponent_get_first_property(component, ICAL_XLICERROR_PROPERTY) != nullptr;
}

const char* XValue(icalcomponent* component, const char* name) {
    for (icalproperty* p = icalcomponent_get_first_property(component, ICAL_X_PROPERTY);
         p != nullptr; p = icalcomponent_get_next_property(component, ICAL_X_PROPERTY)) {
        const char* x = icalproperty_get_x_name(p);
        if (x != nullptr && strcasecmp(x, name) == 0) {
            return icalproperty_get_x(p);
        }
    }
    return nullptr;
}

Progress ProgressOf(icalcomponent* component) {
    if (const char* own = XValue(component, "X-VESKAT-PROGRESS")) {
        for (const Progress p : {Progress::NotTracked, Progress::Open, Progress::Done}) {
            if (own[0] == static_cast<char>(p) && own[1] == '\0') {
                return p;
            }
        }
    }
    if (icalcomponent_isa(component) == ICAL_VEVENT_COMPONENT) {
        return Progress::NotTracked;
    }
    icalproperty* percent =
        icalcomponent_get_first_property(component, ICAL_PERCENTCOMPLETE_PROPERTY);
    const bool done =
        icalcomponent_get_status(component) == ICAL_STATUS_COMPLETED ||
        icalcomponent_get_first_property(component, ICAL_COMPLETED_PROPERTY) != nullptr ||
        (percent != nullptr && icalproperty_get_percentcomplete(percent) >= 100);
    return done ? Progress::Done : Progress::Open;
}

// The texts of a subject with what they lost.
struct Texts {
    std::string title;
    std::string content;
    std::string origin;
    TextLosses losses;
};

Texts TextsOf(icalcomponent* component) {
    const char* summary = icalcomponent_get_summary(component);
    const char* description = icalcomponent_get_description(component);
    const char* origin = XValue(component, "X-VESKAT-ORIGIN");
    const ImportedText title = TitleFromIcs(summary != nullptr ? summary : "");
    const ImportedText content = ContentFromIcs(description != nullptr ? description : "");
    const ImportedText from = TitleFromIcs(origin != nullptr ? origin : "");
    TextLosses losses;
    losses.standIns = title.stoodIn || content.stoodIn || from.stoodIn ? 1 : 0;
    losses.titlesCut = title.cut ? 1 : 0;
    losses.contentsCut = content.cut ? 1 : 0;
    return {title.bytes, content.bytes, from.bytes, losses};
}

// A date property read on its basis.
struct DateValue {
    icalproperty* property = nullptr;
    icaltimetype value{};
    TimeBasis basis;
};

enum class DateRead { Done, Missing, UnknownZone, Broken };

DateRead ReadDate(icalcomponent* component, icalproperty_kind kind, const IcsZones& zones,
                  DateValue& date) {
    date.property = icalcomponent_get_first_property(component, kind);
    if (date.property == nullptr) {
        return DateRead::Missing;
    }
    const std::optional<TimeBasis> basis = zones.BasisOf(date.property, component);
    if (!basis) {
        return DateRead::UnknownZone;
    }
    date.basis = *basis;
    date.value = icalproperty_get_datetime_with_component(date.property, component);
    // libical's own validity check refuses years after 3000.
    const icaltimetype& v = date.value;
    const bool valid = !icaltime_is_null_time(v) && IsCalendarDate(v.year, v.month, v.day) &&
                       v.hour >= 0 && v.hour < 24 && v.minute >= 0 && v.minute < 60;
    return valid ? DateRead::Done : DateRead::Broken;
}

SkipReason ReasonOf(DateRead read) {
    switch (read) {
        case DateRead::UnknownZone:
            return SkipReason::UnknownZone;
        case DateRead::Broken:
            return SkipReason::Broken;
        default:
            return SkipReason::NoDate;
    }
}

bool InYears(const LocalMoment& moment) {
    return moment.day.year >= 1 && moment.day.year <= 9999;
}

IndivSubj DatedSubject(const LocalMoment& moment, const Texts& texts, Progress progress) {
    IndivSubj subj;
    subj.year = static_cast<std::int16_t>(moment.day.year);
    subj.month = static_cast<std::int16_t>(moment.day.month);
    subj.day = static_cast<std::int16_t>(moment.day.day);
    subj.hour = static_cast<std::int16_t>(moment.hour);
    subj.minute = static_cast<std::int16_t>(moment.minute);
    subj.title = texts.title;
    subj.content = texts.content;
    subj.origin = texts.origin;
    subj.progress = progress;
    return subj;
}

// What a to-do's start is to its due time, added to every date of its series.
icaldurationtype DueShift(const DateValue& start, const DateValue& due) {
    icaldurationtype shift = icaltime_subtract(due.value, start.value);
    if (shift.is_neg || start.value.is_date != due.value.is_date) {
        return icaldurationtype_null_duration();
    }
    return shift;
}

// The dates a series takes off: instants, and whole days of its own zone.
struct Exclusions {
    std::set<std::int64_t> instants;
    std::set<std::int64_t> days;

    bool Contains(const icaltimetype& value, const TimeBasis& basis) const {
        return instants.contains(IcsZones::InstantOf(value, basis)) ||
               days.contains(LocalTime::CalendarSeconds(value.year, value.month, value.day) /
                             86400);
    }
};

std::int64_t DayOfValue(const icaltimetype& value) {
    return LocalTime::CalendarSeconds(value.year, value.month, value.day) / 86400;
}

// False for a weekday no month or year has, such as the 7th Tuesday of a
// month, which libical looks for a long time before it gives up.
bool Plausible(const icalrecurrencetype& rule) {
    const bool inMonths =
        rule.freq == ICAL_MONTHLY_RECURRENCE || rule.by_month[0] != ICAL_RECURRENCE_ARRAY_MAX;
    const int most = inMonths ? 5 : 53;
    for (const short day : rule.by_day) {
        if (day == ICAL_RECURRENCE_ARRAY_MAX) {
            break;
        }
        const int position = icalrecurrencetype_day_position(day);
        if (position > most || position < -most) {
            return false;
        }
    }
    return true;
}

// Where the expansion of one item stands.
class SeriesReader {
  public:
    // The dates from window.first to `lastDay`.
    SeriesReader(icalcomponent* component, const IcsZones& zones, const ImportWindow& window,
                 std::int64_t lastDay, const DateValue& anchor, icaldurationtype shift)
        : component_(component),
          zones_(zones),
          window_(window),
          lastDay_(lastDay),
          anchor_(anchor),
          shift_(shift) {}

    // The dates, or why there are none to be had.
    std::optional<SkipReason> Read(std::vector<SeriesDate>& dates) {
        if (std::optional<SkipReason> failed = ReadExclusions()) {
            return failed;
        }
        Take(anchor_.value);
        for (icalproperty* p = icalcomponent_get_first_property(component_, ICAL_RDATE_PROPERTY);
             p != nullptr; p = icalcomponent_get_next_property(component_, ICAL_RDATE_PROPERTY)) {
            icaltimetype value = icalproperty_get_datetime_with_component(p, component_);
            if (icaltime_is_null_time(value)) {
                value = icalproperty_get_rdate(p).period.start;
            }
            if (!icaltime_is_null_time(value)) {
                value.is_date = anchor_.value.is_date;
                Take(value);
            }
        }
        for (icalproperty* p = icalcomponent_get_first_property(component_, ICAL_RRULE_PROPERTY);
             p != nullptr; p = icalcomponent_get_next_property(component_, ICAL_RRULE_PROPERTY)) {
            if (std::optional<SkipReason> failed = Iterate(icalproperty_get_rrule(p))) {
                return failed;
            }
        }
        std::sort(dates_.begin(), dates_.end(), [](const SeriesDate& a, const SeriesDate& b) {
            return a.day != b.day ? a.day < b.day : a.minute < b.minute;
        });
        const auto same = [](const SeriesDate& a, const SeriesDate& b) {
            return a.recurrence == b.recurrence;
        };
        dates_.erase(std::unique(dates_.begin(), dates_.end(), same), dates_.end());
        dates = std::move(dates_);
        return std::nullopt;
    }

  private:
    std::optional<SkipReason> ReadExclusions() {
        for (icalproperty* p = icalcomponent_get_first_property(component_, ICAL_EXDATE_PROPERTY);
             p != nullptr; p = icalcomponent_get_next_property(component_, ICAL_EXDATE_PROPERTY)) {
            const std::optional<TimeBasis> basis = zones_.BasisOf(p, component_);
            if (!basis) {
                return SkipReason::UnknownZone;
            }
            const icaltimetype value = icalproperty_get_datetime_with_component(p, component_);
            if (icaltime_is_null_time(value)) {
                continue;
            }
            if (value.is_date || anchor_.value.is_date) {
                exclusions_.days.insert(DayOfValue(value));
            } else {
                exclusions_.instants.insert(IcsZones::InstantOf(value, *basis));
            }
        }
        return std::nullopt;
    }

    // False once the dates have gone past the last day looked at.
    bool Take(const icaltimetype& start) {
        const icaltimetype due = icaltime_add(start, shift_);
        const LocalMoment moment = IcsZones::ToLocal(due, anchor_.basis);
        const std::int64_t day = DayNumber(moment.day);
        if (day > lastDay_) {
            return false;
        }
        if (day >= window_.first && !exclusions_.Contains(start, anchor_.basis)) {
            dates_.push_back(
                {day, moment.hour * 60 + moment.minute, IcsZones::InstantOf(start, anchor_.basis)});
        }
        return true;
    }

    // Where to start a rule's iteration: a little before the window, in the
    // series' own terms.
    icaltimetype LeadStart() const {
        const std::int64_t lead = window_.first - kLeadDays - shift_.days - 7 * shift_.weeks;
        const CalendarDay day = DayOfNumber(lead);
        if (anchor_.basis.kind != TimeBasis::Kind::Zoned) {
            icaltimetype start = anchor_.value;
            start.zone = nullptr;
            start.year = day.year;
            start.month = day.month;
            start.day = day.day;
            start.hour = start.minute = start.second = 0;
            return start;
        }
        const std::time_t at = LocalTime::Make(day.year, day.month, day.day);
        return icaltime_from_timet_with_zone(at, 0, anchor_.basis.zone);
    }

    std::optional<SkipReason> Iterate(const icalrecurrencetype& rule) {
        if (rule.freq == ICAL_NO_RECURRENCE || !Plausible(rule)) {
            return SkipReason::Broken;
        }
        // A time taken as written is iterated as written: libical would move
        // one that a clock change skips.
        icaltimetype first = anchor_.value;
        if (anchor_.basis.kind != TimeBasis::Kind::Zoned) {
            first.zone = nullptr;
        }
        icalrecur_iterator* iterator = icalrecur_iterator_new(rule, first);
        if (iterator == nullptr) {
            return SkipReason::Broken;
        }
        // Starting later is exact for a rule without COUNT whose steps are
        // whole days or one unit: libical then lines the intervals up itself.
        const icaltimetype lead = LeadStart();
        if (rule.count == 0 && (rule.freq >= ICAL_DAILY_RECURRENCE || rule.interval <= 1) &&
            icaltime_compare(lead, first) > 0) {
            icalrecur_iterator_set_start(iterator, lead);
        }
        std::optional<SkipReason> outcome = SkipReason::TooManyDates;
        for (int step = 0; step < kMaxSteps; ++step) {
            const icaltimetype next = icalrecur_iterator_next(iterator);
            if (icaltime_is_null_time(next) || !Take(next)) {
                outcome.reset();
                break;
            }
        }
        icalrecur_iterator_free(iterator);
        return outcome;
    }

    icalcomponent* component_;
    const IcsZones& zones_;
    const ImportWindow& window_;
    std::int64_t lastDay_;
    const DateValue& anchor_;
    icaldurationtype shift_;
    Exclusions exclusions_;
    std::vector<SeriesDate> dates_;
};

// libical's weekdays run from Sunday (1); ours from Monday (1).
int Weekday(icalrecurrencetype_weekday day) {
    return day == ICAL_SUNDAY_WEEKDAY ? 7 : static_cast<int>(day) - 1;
}

template <std::size_t N>
int Count(const short (&values)[N]) {
    int n = 0;
    while (n < static_cast<int>(N) && values[n] != ICAL_RECURRENCE_ARRAY_MAX) {
        ++n;
    }
    return n;
}

// Sets the one rule of `rep` that `rule` says exactly, its missing parts
// taken from the series' first date as RFC 5545 takes them. False when no
// rule of a repeating subject says it.
bool RuleOf(const icalrecurrencetype& rule, const icaltimetype& first, RepSubj& rep) {
    const bool plain = rule.count == 0 && icaltime_is_null_time(rule.until) && rule.interval <= 1 &&
                       Count(rule.by_second) == 0 && Count(rule.by_minute) == 0 &&
                       Count(rule.by_hour) == 0 && Count(rule.by_year_day) == 0 &&
                       Count(rule.by_week_no) == 0 && Count(rule.by_set_pos) == 0;
    if (!plain) {
        return false;
    }
    const int months = Count(rule.by_month);
    const int monthDays = Count(rule.by_month_day);
    const int days = Count(rule.by_day);
    const CalendarDay start = CivilDay(first.year, first.month, first.day);
    const auto weekly = [&] {
        if (months != 0 || monthDays != 0) {
            return false;
        }
        for (int i = 0; i < days; ++i) {
            if (icalrecurrencetype_day_position(rule.by_day[i]) != 0) {
                return false;
            }
            rep.weekly[static_cast<std::size_t>(
                Weekday(icalrecurrencetype_day_day_of_week(rule.by_day[i])) - 1)] = 1;
        }
        return true;
    };
    switch (rule.freq) {
        case ICAL_YEARLY_RECURRENCE:
            if (months > 1 || monthDays > 1 || days != 0 ||
                (monthDays == 1 && rule.by_month_day[0] < 1)) {
                return false;
            }
            rep.yearlyMonth =
                static_cast<std::int16_t>(months == 1 ? rule.by_month[0] : start.month);
            rep.yearlyDay =
                static_cast<std::int16_t>(monthDays == 1 ? rule.by_month_day[0] : start.day);
            return true;
        case ICAL_MONTHLY_RECURRENCE:
            if (months != 0 || monthDays > 1 || days > 1 || (monthDays == 1 && days == 1)) {
                return false;
            }
            if (days == 1) {
                const int week = icalrecurrencetype_day_position(rule.by_day[0]);
                if (week < 1 || week > 5) {
                    return false;
                }
                rep.monthlyWeek = static_cast<std::int16_t>(week);
                rep.monthlyWeekday = static_cast<std::int16_t>(
                    Weekday(icalrecurrencetype_day_day_of_week(rule.by_day[0])));
                return true;
            }
            if (monthDays == 1 && rule.by_month_day[0] < 1) {
                return false;
            }
            rep.monthlyDay =
                static_cast<std::int16_t>(monthDays == 1 ? rule.by_month_day[0] : start.day);
            return true;
        case ICAL_WEEKLY_RECURRENCE:
            if (days == 0) {
                rep.weekly[static_cast<std::size_t>(start.weekday - 1)] = 1;
                return months == 0 && monthDays == 0;
            }
            return weekly();
        case ICAL_DAILY_RECURRENCE:
            // Every day, or every chosen weekday, is a weekly rule of those days.
            if (days == 0) {
                rep.weekly.fill(1);
                return months == 0 && monthDays == 0;
            }
            return weekly();
        default:
            return false;
    }
}

// The one RRULE of a series with neither RDATE nor another RRULE, else none.
std::optional<icalrecurrencetype> SoleRule(icalcomponent* component) {
    icalproperty* rule = icalcomponent_get_first_property(component, ICAL_RRULE_PROPERTY);
    if (rule == nullptr ||
        icalcomponent_get_next_property(component, ICAL_RRULE_PROPERTY) != nullptr ||
        icalcomponent_get_first_property(component, ICAL_RDATE_PROPERTY) != nullptr) {
        return std::nullopt;
    }
    return icalproperty_get_rrule(rule);
}

ItemReading Skipped(SkipReason reason) {
    ItemReading reading;
    reading.kind = ItemReading::Kind::Skipped;
    reading.reason = reason;
    return reading;
}

}  // namespace

ImportWindow ImportWindow::At(std::time_t now) {
    ImportWindow window;
    window.today = DayFrom(now, 0);
    window.todayNumber = DayNumber(window.today);
    window.first = window.todayNumber - (kBatchWindowDays - 1);
    window.last = window.todayNumber + (kBatchWindowDays - 1);
    window.checkEnd = window.last + 366;
    return window;
}

ItemReading ReadIcsComponent(icalcomponent* component, const IcsZones& zones,
                             const ImportWindow& window) {
    const icalcomponent_kind kind = icalcomponent_isa(component);
    if (kind != ICAL_VTODO_COMPONENT && kind != ICAL_VEVENT_COMPONENT) {
        return Skipped(SkipReason::NotSubject);
    }
    if (ErrorOnPlacing(component)) {
        return Skipped(SkipReason::Broken);
    }
    DateValue start;
    DateValue due;
    const DateRead startRead = ReadDate(component, ICAL_DTSTART_PROPERTY, zones, start);
    const DateRead dueRead = kind == ICAL_VTODO_COMPONENT
                                 ? ReadDate(component, ICAL_DUE_PROPERTY, zones, due)
                                 : DateRead::Missing;
    for (const DateRead read : {startRead, dueRead}) {
        if (read == DateRead::UnknownZone || read == DateRead::Broken) {
            return Skipped(ReasonOf(read));
        }
    }
    const bool hasStart = startRead == DateRead::Done;
    const bool hasDue = dueRead == DateRead::Done;
    if (!hasStart && !hasDue) {
        return Skipped(HasAnyError(component) ? SkipReason::Broken : SkipReason::NoDate);
    }
    const DateValue& when = hasDue ? due : start;
    const Texts texts = TextsOf(component);
    const Progress progress = ProgressOf(component);

    ItemReading reading;
    reading.losses = texts.losses;
    DateValue recurrence;
    switch (ReadDate(component, ICAL_RECURRENCEID_PROPERTY, zones, recurrence)) {
        case DateRead::Done: {
            const LocalMoment moment = IcsZones::ToLocal(when.value, when.basis);
            if (!InYears(moment)) {
                return Skipped(SkipReason::OutOfRange);
            }
            reading.kind = ItemReading::Kind::Override;
            reading.override.uid =
                icalcomponent_get_uid(component) ? icalcomponent_get_uid(component) : "";
            reading.override.recurrence = IcsZones::InstantOf(recurrence.value, recurrence.basis);
            reading.override.recurrenceDay =
                DayNumber(IcsZones::ToLocal(recurrence.value, recurrence.basis).day);
            reading.override.cancelled =
                kind == ICAL_VEVENT_COMPONENT &&
                icalcomponent_get_status(component) == ICAL_STATUS_CANCELLED;
            reading.override.subject = DatedSubject(moment, texts, progress);
            return reading;
        }
        case DateRead::Missing:
            break;
        default:
            return Skipped(SkipReason::Broken);
    }

    const bool recurring =
        icalcomponent_get_first_property(component, ICAL_RRULE_PROPERTY) != nullptr ||
        icalcomponent_get_first_property(component, ICAL_RDATE_PROPERTY) != nullptr;
    if (!recurring) {
        const LocalMoment moment = IcsZones::ToLocal(when.value, when.basis);
        if (!InYears(moment)) {
            return Skipped(SkipReason::OutOfRange);
        }
        reading.kind = ItemReading::Kind::Dated;
        reading.dated = DatedSubject(moment, texts, progress);
        return reading;
    }

    const DateValue& anchor = hasStart ? start : due;
    const icaldurationtype shift =
        hasStart && hasDue ? DueShift(start, due) : icaldurationtype_null_duration();
    IcsSeries& series = reading.series;
    if (const std::optional<icalrecurrencetype> rule = SoleRule(component)) {
        series.ruled = RuleOf(*rule, anchor.value, series.rep);
    }
    // Only a rule is compared beyond the window.
    const std::int64_t lastDay = series.ruled ? window.checkEnd : window.last;
    if (std::optional<SkipReason> failed =
            SeriesReader(component, zones, window, lastDay, anchor, shift).Read(series.dates)) {
        return Skipped(*failed);
    }
    reading.kind = ItemReading::Kind::Series;
    series.uid = icalcomponent_get_uid(component) ? icalcomponent_get_uid(component) : "";
    series.losses = texts.losses;
    series.rep.title = texts.title;
    series.rep.content = texts.content;
    series.rep.progress = progress;
    // The time of its first date from today on, else of its start.
    const auto fromToday =
        std::find_if(series.dates.begin(), series.dates.end(),
                     [&](const SeriesDate& d) { return d.day >= window.todayNumber; });
    const LocalMoment first = IcsZones::ToLocal(icaltime_add(anchor.value, shift), anchor.basis);
    const int minute =
        fromToday != series.dates.end() ? fromToday->minute : first.hour * 60 + first.minute;
    series.rep.hour = static_cast<std::int16_t>(minute / 60);
    series.rep.minute = static_cast<std::int16_t>(minute % 60);
    return reading;
}

ItemReading ReadIcsItem(std::string_view text, IcsZones& zones, const ImportWindow& window) {
    const std::string copy(text);
    icalcomponent* component = icalparser_parse_string(copy.c_str());
    if (component == nullptr) {
        return Skipped(SkipReason::Broken);
    }
    icalcomponent_add_component(zones.Calendar(), component);
    ItemReading reading = ReadIcsComponent(component, zones, window);
    icalcomponent_remove_component(zones.Calendar(), component);
    icalcomponent_free(component);
    return reading;
}
