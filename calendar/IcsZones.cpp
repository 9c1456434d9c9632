#include "IcsZones.h"

#include <utility>

#include "CivilDay.h"
#include "Clock.h"

namespace {

// libical names the zones it knows with this prefix in front of the IANA name.
constexpr std::string_view kLibicalPrefix = "/freeassociation.sourceforge.net/";

std::string_view WithoutPrefix(std::string_view tzid) {
    if (tzid.starts_with(kLibicalPrefix)) {
        tzid.remove_prefix(kLibicalPrefix.size());
    }
    return tzid;
}

LocalMoment MomentOf(int year, int month, int day, int hour, int minute) {
    return {CivilDay(year, month, day), hour, minute};
}

// The offset from UTC in force in `zone` at the instant `utc`.
long OffsetAt(icaltimezone* zone, std::time_t utc) {
    icaltimetype at = icaltime_from_timet_with_zone(utc, 0, icaltimezone_get_utc_timezone());
    int daylight = 0;
    return icaltimezone_get_utc_offset_of_utc_time(zone, &at, &daylight);
}

// The instant of the wall time `value` in `zone` as RFC 5545 reads it: a time
// that occurs twice is the first, and one a clock change skips is read with
// the offset before the change. libical's own conversion takes the second of
// two, and the offset after a skip.
std::time_t Instant(const icaltimetype& value, icaltimezone* zone) {
    const std::int64_t wall = LocalTime::CalendarSeconds(value.year, value.month, value.day,
                                                         value.hour, value.minute, value.second);
    // Clocks never change twice within two days.
    const long before = OffsetAt(zone, static_cast<std::time_t>(wall - 86400));
    const long after = OffsetAt(zone, static_cast<std::time_t>(wall + 86400));
    std::optional<std::time_t> first;
    for (const long offset : {before, after}) {
        const auto candidate = static_cast<std::time_t>(wall - offset);
        if (OffsetAt(zone, candidate) == offset && (!first || candidate < *first)) {
            first = candidate;
        }
    }
    return first.value_or(static_cast<std::time_t>(wall - before));
}

}  // namespace

IcsZones::IcsZones(std::string systemZone)
    : systemZone_(std::move(systemZone)), calendar_(icalcomponent_new_vcalendar()) {}

IcsZones::~IcsZones() {
    icalcomponent_free(calendar_);
}

bool IcsZones::AddDefinition(std::string_view text) {
    const std::string copy(text);
    icalcomponent* zone = icalparser_parse_string(copy.c_str());
    if (zone == nullptr) {
        return false;
    }
    icalproperty* tzid = icalcomponent_isa(zone) == ICAL_VTIMEZONE_COMPONENT
                             ? icalcomponent_get_first_property(zone, ICAL_TZID_PROPERTY)
                             : nullptr;
    const char* name = tzid != nullptr ? icalproperty_get_tzid(tzid) : nullptr;
    if (name == nullptr || *name == '\0') {
        icalcomponent_free(zone);
        return false;
    }
    if (icalcomponent_get_timezone(calendar_, name) != nullptr) {
        icalcomponent_free(zone);
        return true;
    }
    icalcomponent_add_component(calendar_, zone);
    return true;
}

bool IcsZones::IsSystemZone(std::string_view tzid, icaltimezone* zone) const {
    if (WithoutPrefix(tzid) == systemZone_) {
        return true;
    }
    const char* location = icaltimezone_get_location(zone);
    return location != nullptr && WithoutPrefix(location) == systemZone_;
}

std::optional<TimeBasis> IcsZones::BasisOf(icalproperty* property, icalcomponent* component) const {
    const icaltimetype value = icalproperty_get_datetime_with_component(property, component);
    if (value.is_date) {
        return TimeBasis{TimeBasis::Kind::Date, nullptr};
    }
    if (icaltime_is_utc(value)) {
        return TimeBasis{TimeBasis::Kind::Zoned, icaltimezone_get_utc_timezone()};
    }
    icalparameter* tzid = icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER);
    if (tzid == nullptr) {
        return TimeBasis{TimeBasis::Kind::Wall, nullptr};
    }
    auto* zone = const_cast<icaltimezone*>(value.zone);
    if (zone == nullptr) {
        return std::nullopt;
    }
    const char* name = icalparameter_get_tzid(tzid);
    if (IsSystemZone(name != nullptr ? name : "", zone)) {
        return TimeBasis{TimeBasis::Kind::Wall, nullptr};
    }
    return TimeBasis{TimeBasis::Kind::Zoned, zone};
}

LocalMoment IcsZones::ToLocal(const icaltimetype& value, const TimeBasis& basis) {
    switch (basis.kind) {
        case TimeBasis::Kind::Date:
            return MomentOf(value.year, value.month, value.day, 0, 0);
        case TimeBasis::Kind::Wall:
            return MomentOf(value.year, value.month, value.day, value.hour, value.minute);
        case TimeBasis::Kind::Zoned:
            break;
    }
    const std::time_t instant = Instant(value, basis.zone);
    const std::tm local = LocalTime::Break(instant);
    return MomentOf(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                    local.tm_min);
}

std::int64_t IcsZones::InstantOf(const icaltimetype& value, const TimeBasis& basis) {
    switch (basis.kind) {
        case TimeBasis::Kind::Date:
            return LocalTime::CalendarSeconds(value.year, value.month, value.day);
        case TimeBasis::Kind::Wall:
            return LocalTime::Make(value.year, value.month, value.day, value.hour, value.minute,
                                   value.second);
        case TimeBasis::Kind::Zoned:
            break;
    }
    return Instant(value, basis.zone);
}
