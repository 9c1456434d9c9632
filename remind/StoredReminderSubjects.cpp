#include "StoredReminderSubjects.h"

#include "SjisText.h"

namespace {

bool VisitRecord(const RecordText& record, const ReminderSubjects::Visitor& visit) {
    const IndivSubj head = DecodeIndivHead(record);
    return visit({KeyOf(record), head.year, head.month, head.day, head.hour, head.minute,
                  head.progress, head.title});
}

}  // namespace

std::string FirstContentLine(std::string_view escapedContent) {
    const std::string content = UnescapeLineBreaks(escapedContent);
    return content.substr(0, content.find_first_of("\r\n"));
}

void StoredReminderSubjects::VisitFrom(std::optional<ReminderDay> first,
                                       const Visitor& visit) const {
    // The smallest key of the day is its date with an empty title; the
    // smallest of all, zero bytes.
    RecordText from{};
    if (first) {
        IndivSubj day;
        day.year = static_cast<std::int16_t>(std::get<0>(*first));
        day.month = static_cast<std::int16_t>(std::get<1>(*first));
        day.day = static_cast<std::int16_t>(std::get<2>(*first));
        from = EncodeIndivSubj(day);
    }
    subjects_.VisitFrom(KeyOf(from),
                        [&visit](const RecordText& record) { return VisitRecord(record, visit); });
}

void StoredReminderSubjects::VisitKey(SubjKey key, const Visitor& visit) const {
    if (const RecordText* record = subjects_.Locate(key)) {
        VisitRecord(*record, visit);
    }
}

std::string StoredReminderSubjects::NoteOf(SubjKey key) const {
    const RecordText* record = subjects_.Locate(key);
    return record != nullptr ? FirstContentLine(DecodeIndivSubj(*record).content) : std::string();
}
