// The texts become the subject's as the import makes them (IcsImportText.h),
// so that an item read from a server and one read from a file show alike.
#include "TodoReading.h"

#include <optional>

#include "IcalItem.h"
#include "RepTodoForm.h"
#include "SjisText.h"

namespace {

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
           item.HasOverrides() || item.XText("X-VESKAT-RULES").has_value();
}

// The title, content and progress of the to-do, and their prints.
template <typename Subj>
void ReadTexts(const IcalItem& item, ItemReading<Subj>& reading) {
    icalcomponent* todo = item.Todo();
    const std::string title = TextOf(todo, ICAL_SUMMARY_PROPERTY);
    const std::string content = TextOf(todo, ICAL_DESCRIPTION_PROPERTY);
    ImportedText heldTitle = TitleFromIcs(title);
    ImportedText heldContent = ContentFromIcs(content);
    Subj& subj = reading.subj;
    subj.title = std::move(heldTitle.bytes);
    TrimTrailingSpaces(subj.title);
    subj.content = std::move(heldContent.bytes);
    subj.progress = ReadProgress(item);
    reading.degraded = heldTitle.stoodIn || heldTitle.cut || heldContent.stoodIn || heldContent.cut;
    reading.prints[static_cast<std::size_t>(SubjField::Title)] = title;
    reading.prints[static_cast<std::size_t>(SubjField::Content)] = content;
    reading.prints[static_cast<std::size_t>(SubjField::Progress)] =
        std::string(1, static_cast<char>(subj.progress));
}

// The root and to-do of `item` as the shape of `reading`: false when the
// item holds no to-do, its shape then said.
template <typename Subj>
bool FindTodo(const IcalItem& item, ItemReading<Subj>& reading) {
    if (item.Root() == nullptr) {
        return false;
    }
    icalcomponent* todo = item.Todo();
    if (todo == nullptr) {
        const bool other = icalcomponent_get_first_real_component(item.Root()) != nullptr;
        reading.shape = other ? TodoShape::NotTodo : TodoShape::Broken;
        return false;
    }
    const char* uid = icalcomponent_get_uid(todo);
    reading.uid = uid != nullptr ? uid : "";
    return true;
}

}  // namespace

TodoReading ReadTodo(std::string_view text, const std::string& zoneName) {
    TodoReading reading;
    const IcalItem item(text);
    if (!FindTodo(item, reading)) {
        return reading;
    }
    icalcomponent* todo = item.Todo();
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
    ReadTexts(item, reading);
    const std::string origin = item.XText("X-VESKAT-ORIGIN").value_or("");
    subj.origin = TitleFromIcs(origin).bytes;
    TrimTrailingSpaces(subj.origin);
    reading.prints[static_cast<std::size_t>(SubjField::When)] = WhenPrint(subj);
    reading.prints[static_cast<std::size_t>(SubjField::Origin)] = origin;
    reading.shape = TodoShape::Dated;
    return reading;
}

RepReading ReadRepTodo(std::string_view text) {
    RepReading reading;
    const IcalItem item(text);
    if (!FindTodo(item, reading)) {
        return reading;
    }
    const std::optional<std::string> rules = item.XText("X-VESKAT-RULES");
    if (!rules) {
        reading.shape = TodoShape::NoRules;
        return reading;
    }
    if (!ReadRulesText(*rules, reading.subj)) {
        return reading;
    }
    ReadTexts(item, reading);
    reading.prints[static_cast<std::size_t>(SubjField::When)] = *rules;
    reading.shape = TodoShape::Rules;
    return reading;
}
