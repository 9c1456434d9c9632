// The texts become Shift_JIS a character at a time, so that one character
// Shift_JIS lacks costs that character alone, shown as 〓.
#include "TodoReading.h"

#include <QString>

#include <optional>

#include "IcalItem.h"
#include "SjisCodec.h"
#include "SjisText.h"

namespace {

struct HeldText {
    std::string bytes;
    bool degraded = false;
};

// `text` (UTF-8) as Shift_JIS of at most `limit` bytes. A line break becomes
// `lineBreak`, a tab a blank; other control characters are left out, as the
// data file has no place for them.
HeldText HoldText(std::string_view text, std::size_t limit, std::string_view lineBreak) {
    HeldText held;
    const QString chars = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    for (qsizetype i = 0; i < chars.size(); ++i) {
        const qsizetype width = chars[i].isHighSurrogate() && i + 1 < chars.size() ? 2 : 1;
        const QString one = chars.mid(i, width);
        i += width - 1;
        std::string bytes;
        if (one == QLatin1String("\r") && chars.mid(i + 1, 1) == QLatin1String("\n")) {
            continue;  // the LF that follows makes the break
        }
        if (one == QLatin1String("\r") || one == QLatin1String("\n")) {
            bytes = lineBreak;
        } else if (one == QLatin1String("\t")) {
            bytes = " ";
        } else if (one[0].unicode() < 0x20 || one[0].unicode() == 0x7F) {
            continue;
        } else if (std::optional<std::string> sjis = SjisFromQString(one)) {
            bytes = *sjis;
        } else {
            bytes = kStandIn;
            held.degraded = true;
        }
        if (held.bytes.size() + bytes.size() > limit) {
            held.degraded = true;
            break;
        }
        held.bytes += bytes;
    }
    return held;
}

// The TEXT value of the first property of `kind`, its escapes undone.
std::string TextOf(icalcomponent* todo, icalproperty_kind kind) {
    icalproperty* p = icalcomponent_get_first_property(todo, kind);
    const icalvalue* value = p != nullptr ? icalproperty_get_value(p) : nullptr;
    const char* text = value != nullptr ? icalvalue_get_text(value) : nullptr;
    return text != nullptr ? text : "";
}

// The date and time `p` gives, in the computer's zone; false when it names
// a zone nobody defines or has no year 1 to 9999.
bool ReadWhen(const IcalItem& item, icalproperty* p, const std::string& zoneName, IndivSubj& subj) {
    const std::optional<WallTime> wall = item.WallTimeOf(p, zoneName);
    if (!wall || wall->year < 1 || wall->year > 9999) {
        return false;
    }
    subj.year = static_cast<std::int16_t>(wall->year);
    subj.month = static_cast<std::int16_t>(wall->month);
    subj.day = static_cast<std::int16_t>(wall->day);
    subj.hour = static_cast<std::int16_t>(wall->hour);
    subj.minute = static_cast<std::int16_t>(wall->minute);
    return true;
}

Progress ReadProgress(const IcalItem& item) {
    icalcomponent* todo = item.Todo();
    icalproperty* percent = icalcomponent_get_first_property(todo, ICAL_PERCENTCOMPLETE_PROPERTY);
    const bool done = icalcomponent_get_status(todo) == ICAL_STATUS_COMPLETED ||
                      icalcomponent_get_first_property(todo, ICAL_COMPLETED_PROPERTY) != nullptr ||
                      (percent != nullptr && icalproperty_get_percentcomplete(percent) >= 100);
    if (done) {
        return Progress::Done;
    }
    return item.XText("X-VESKAT-PROGRESS") == "N" ? Progress::NotTracked : Progress::Open;
}

std::string WhenPrint(const IndivSubj& subj) {
    std::string print;
    AppendZeroPadded(print, subj.year, 4);
    for (const int part : {subj.month, subj.day, subj.hour, subj.minute}) {
        AppendZeroPadded(print, part, 2);
    }
    return print;
}

bool Repeats(const IcalItem& item) {
    icalcomponent* todo = item.Todo();
    return icalcomponent_get_first_property(todo, ICAL_RRULE_PROPERTY) != nullptr ||
           icalcomponent_get_first_property(todo, ICAL_RDATE_PROPERTY) != nullptr ||
           item.HasOverrides();
}

}  // namespace

TodoReading ReadTodo(std::string_view text, const std::string& zoneName) {
    TodoReading reading;
    const IcalItem item(text);
    if (item.Root() == nullptr) {
        return reading;
    }
    icalcomponent* todo = item.Todo();
    if (todo == nullptr) {
        const bool other = icalcomponent_get_first_real_component(item.Root()) != nullptr;
        reading.shape = other ? TodoShape::NotTodo : TodoShape::Broken;
        return reading;
    }
    const char* uid = icalcomponent_get_uid(todo);
    reading.uid = uid != nullptr ? uid : "";
    if (Repeats(item)) {
        reading.shape = TodoShape::Recurring;
        return reading;
    }
    icalproperty* when = icalcomponent_get_first_property(todo, ICAL_DUE_PROPERTY);
    if (when == nullptr) {
        when = icalcomponent_get_first_property(todo, ICAL_DTSTART_PROPERTY);
    }
    if (when == nullptr) {
        reading.shape = TodoShape::NoDate;
        return reading;
    }
    IndivSubj& subj = reading.subj;
    if (!ReadWhen(item, when, zoneName, subj)) {
        return reading;
    }
    const std::string title = TextOf(todo, ICAL_SUMMARY_PROPERTY);
    const std::string content = TextOf(todo, ICAL_DESCRIPTION_PROPERTY);
    const std::string origin = item.XText("X-VESKAT-ORIGIN").value_or("");
    HeldText heldTitle = HoldText(title, kTitleLimit, " ");
    const HeldText heldContent = HoldText(content, kContentLimit, "<br>");
    subj.title = std::move(heldTitle.bytes);
    TrimTrailingSpaces(subj.title);
    subj.content = heldContent.bytes;
    subj.origin = HoldText(origin, kTitleLimit, " ").bytes;
    TrimTrailingSpaces(subj.origin);
    subj.progress = ReadProgress(item);
    reading.degraded = heldTitle.degraded || heldContent.degraded;
    reading.prints[static_cast<std::size_t>(SubjField::Title)] = title;
    reading.prints[static_cast<std::size_t>(SubjField::Content)] = content;
    reading.prints[static_cast<std::size_t>(SubjField::When)] = WhenPrint(subj);
    reading.prints[static_cast<std::size_t>(SubjField::Progress)] =
        std::string(1, static_cast<char>(subj.progress));
    reading.prints[static_cast<std::size_t>(SubjField::Origin)] = origin;
    reading.shape = TodoShape::Dated;
    return reading;
}
