#include "DialogIndivSubj.h"

#include <QLineEdit>
#include <cstdio>

#include "Clock.h"
#include "ResourceIds.h"

using namespace IndivEditorIds;

namespace {

// The key holds the year in four digits.
constexpr int kYearDigits = 4;

// The states the progress list offers, in the order of its items.
constexpr Progress kProgressLetters[] = {Progress::NotTracked, Progress::Open, Progress::Done};

}  // namespace

CDialogIndivSubj::CDialogIndivSubj(EditorMode mode, MessageService& messages, QWidget* parent)
    : SubjListEditor(kIndivEditorDialogId, kTitleEdit, kContentEdit, mode, messages, parent) {
    if (auto* year = Control<QLineEdit>(kYearEdit)) {
        year->setMaxLength(kYearDigits);
    }
}

void CDialogIndivSubj::LoadControls() {
    if (!HasList()) {
        return;
    }
    if (Mode() == EditorMode::Edit) {
        LoadEdit();
    } else {
        LoadNew();
    }
}

void CDialogIndivSubj::LoadNew() {
    const CalendarDay day = newDay.value_or(DayFrom(Clock::Now(), 0));
    char year[16];
    std::snprintf(year, sizeof year, "%04d", day.year);
    Control<QLineEdit>(kYearEdit)->setText(QString::fromLatin1(year));
    SelectItem(kMonthList, day.month - 1);
    SelectItem(kDayList, day.day - 1);
    SelectItem(kHourList, 0);
    SelectItem(kMinuteList, 0);
    TitleField().Show({});
    ContentField().Show({});
    SelectItem(kProgressList, 0);
    origin.clear();
}

void CDialogIndivSubj::LoadEdit() {
    // Not found: `current` stays as the caller left it, and shows so.
    static_cast<void>(list->Find());
    const IndivSubj& subj = list->current;
    loaded_ = subj;
    char year[16];
    std::snprintf(year, sizeof year, "%04d", subj.year);
    Control<QLineEdit>(kYearEdit)->setText(QString::fromLatin1(year));
    SelectItem(kMonthList, subj.month - 1);
    SelectItem(kDayList, subj.day - 1);
    TitleField().Show(subj.title);
    SelectItem(kHourList, subj.hour);
    SelectItem(kMinuteList, subj.minute);
    ContentField().Show(subj.content);
    origin = subj.origin;
    SelectProgress(kProgressList, kProgressLetters, subj.progress);
}

void CDialogIndivSubj::SaveControls(const Texts& texts) {
    IndivSubj& subj = list->current;
    subj.year = static_cast<std::int16_t>(Control<QLineEdit>(kYearEdit)->text().toInt());
    subj.month = static_cast<std::int16_t>(SelectedNumber(kMonthList));
    subj.day = static_cast<std::int16_t>(SelectedNumber(kDayList));
    subj.hour = static_cast<std::int16_t>(SelectedNumber(kHourList));
    subj.minute = static_cast<std::int16_t>(SelectedNumber(kMinuteList));
    subj.title = texts.title;
    subj.content = texts.content;
    ReadProgress(kProgressList, kProgressLetters, subj.progress);
    subj.origin = origin;
}

bool CDialogIndivSubj::KeyUnchanged() const {
    const IndivSubj& subj = list->current;
    return subj.year == loaded_.year && subj.month == loaded_.month && subj.day == loaded_.day &&
           subj.title == loaded_.title;
}

void CDialogIndivSubj::RemoveOldKey() {
    IndivSubj& subj = list->current;
    subj.year = loaded_.year;
    subj.month = loaded_.month;
    subj.day = loaded_.day;
    subj.title = loaded_.title;
    static_cast<void>(list->Remove());  // a key already gone is as good as removed
}
