#include "IcalItem.h"

#include <string>

#include "CivilDay.h"
#include "Clock.h"

namespace {

bool IsNamed(icalproperty* property, const char* name) {
    const char* xName = icalproperty_get_x_name(property);
    return xName != nullptr && std::string_view(xName) == name;
}

const char* TzidOf(icalproperty* p) {
    icalparameter* param = icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER);
    return param != nullptr ? icalparameter_get_tzid(param) : nullptr;
}

}  // namespace

std::int64_t WallTime::CalendarMinutes() const {
    return LocalTime::CalendarSeconds(year, month, day, hour, minute) / 60;
}

WallTime WallTime::FromCalendarMinutes(std::int64_t minutes, bool isDate) {
    const std::int64_t days = minutes >= 0 ? minutes / 1440 : -((-minutes + 1439) / 1440);
    const CalendarDay day = DayOfNumber(days);
    const auto inDay = static_cast<int>(minutes - days * 1440);
    WallTime wall{day.year, day.month, day.day, inDay / 60, inDay % 60, isDate};
    if (isDate) {
        wall.hour = 0;
        wall.minute = 0;
    }
    return wall;
}

IcalItem::IcalItem(std::string_view text) {
    const std::string copy(text);
    root_ = icalparser_parse_string(copy.c_str());
    if (root_ != nullptr && icalcomponent_isa(root_) != ICAL_VCALENDAR_COMPONENT) {
        icalcomponent_free(root_);
        root_ = nullptr;
    }
    if (root_ == nullptr) {
        return;
    }
    for (icalcomponent* c = icalcomponent_get_first_component(root_, ICAL_VTODO_COMPONENT);
         c != nullptr; c = icalcomponent_get_next_component(root_, ICAL_VTODO_COMPONENT)) {
        if (icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY) == nullptr) {
            todo_ = c;
            break;
        }
    }
}

IcalItem::~IcalItem() {
    if (root_ != nullptr) {
        icalcomponent_free(root_);
    }
}

bool IcalItem::HasOverrides() const {
    for (icalcomponent* c = icalcomponent_get_first_component(root_, ICAL_VTODO_COMPONENT);
         c != nullptr; c = icalcomponent_get_next_component(root_, ICAL_VTODO_COMPONENT)) {
        if (icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY) != nullptr) {
            return true;
        }
    }
    return false;
}

std::optional<WallTime> IcalItem::WallTimeOf(icalproperty* p, const std::string& zoneName) const {
    icaltimetype t = icalvalue_get_datetime(icalproperty_get_value(p));
    const char* tzid = TzidOf(p);
    if (!t.is_date && (icaltime_is_utc(t) || (tzid != nullptr && zoneName != tzid))) {
        icaltimezone* zone = icaltimezone_get_utc_timezone();
        if (!icaltime_is_utc(t)) {
            zone = icalcomponent_get_timezone(root_, tzid);
            zone = zone != nullptr ? zone : icaltimezone_get_builtin_timezone(tzid);
        }
        if (zone == nullptr) {
            return std::nullopt;
        }
        const std::tm local = LocalTime::Break(icaltime_as_timet_with_zone(t, zone));
        return WallTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                        local.tm_hour,        local.tm_min,     false};
    }
    // A time in the computer's own zone stays as written, even one a clock
    // change skips: that is how it was sent.
    WallTime wall{t.year, t.month, t.day, t.hour, t.minute, t.is_date != 0};
    if (wall.isDate) {
        wall.hour = 0;
        wall.minute = 0;
    }
    return wall;
}

std::optional<std::string> IcalItem::XText(const char* name) const {
    for (icalproperty* p = icalcomponent_get_first_property(todo_, ICAL_X_PROPERTY); p != nullptr;
         p = icalcomponent_get_next_property(todo_, ICAL_X_PROPERTY)) {
        if (IsNamed(p, name)) {
            // libical has undone the escapes of the value already.
            const char* value = icalproperty_get_x(p);
            return std::string(value != nullptr ? value : "");
        }
    }
    return std::nullopt;
}
