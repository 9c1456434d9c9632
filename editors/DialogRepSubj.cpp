#include "DialogRepSubj.h"

#include <QCheckBox>
#include <algorithm>
#include <array>

#include "MessageService.h"
#include "ResourceIds.h"
#include "RuleWords.h"

using namespace RepEditorIds;

namespace {

// The states the progress list offers, in the order of its items: a repeating
// subject is never done.
constexpr Progress kProgressLetters[] = {Progress::NotTracked, Progress::Open};

const char kNoRule[] = "繰り返しの条件がありません。このまま登録しますか？";

}  // namespace

CDialogRepSubj::CDialogRepSubj(EditorMode mode, MessageService& messages, QWidget* parent)
    : SubjListEditor(kRepEditorDialogId, kTitleEdit, kContentEdit, mode, messages, parent) {}

void CDialogRepSubj::LoadControls() {
    if (!HasList()) {
        return;
    }
    if (Mode() == EditorMode::Edit) {
        LoadEdit();
        return;
    }
    // A new subject: every list on its first item ("00", "管理しない", "未").
    TitleField().Show({});
    ContentField().Show({});
    for (int id : {kHourList, kMinuteList, kProgressList, kYearlyMonthList, kYearlyDayList,
                   kMonthlyDayList, kMonthlyWeekdayList, kMonthlyWeekList}) {
        SelectItem(id, 0);
    }
    for (int id : kWeekdayBoxes) {
        Control<QCheckBox>(id)->setChecked(false);
    }
}

void CDialogRepSubj::LoadEdit() {
    // Not found: `current` stays as the caller left it, and shows so.
    static_cast<void>(list->Find());
    const RepSubj& subj = list->current;
    loadedTitle_ = subj.title;
    TitleField().Show(subj.title);
    SelectItem(kHourList, subj.hour);
    SelectItem(kMinuteList, subj.minute);
    ContentField().Show(subj.content);
    SelectProgress(kProgressList, kProgressLetters, subj.progress);
    SelectItem(kYearlyMonthList, subj.yearlyMonth);
    SelectItem(kYearlyDayList, subj.yearlyDay);
    SelectItem(kMonthlyDayList, subj.monthlyDay);
    SelectItem(kMonthlyWeekList, subj.monthlyWeek);
    SelectItem(kMonthlyWeekdayList, subj.monthlyWeekday);
    for (std::size_t day = 0; day < kWeekdayBoxes.size(); ++day) {
        Control<QCheckBox>(kWeekdayBoxes[day])->setChecked(subj.weekly[day] == 1);
    }
}

void CDialogRepSubj::SaveControls(const Texts& texts) {
    RepSubj& subj = list->current;
    subj.title = texts.title;
    subj.hour = static_cast<std::int16_t>(SelectedNumber(kHourList));
    subj.minute = static_cast<std::int16_t>(SelectedNumber(kMinuteList));
    subj.content = texts.content;
    ReadProgress(kProgressList, kProgressLetters, subj.progress);
    subj.yearlyMonth = static_cast<std::int16_t>(SelectedNumber(kYearlyMonthList));
    subj.yearlyDay = static_cast<std::int16_t>(SelectedNumber(kYearlyDayList));
    subj.monthlyDay = static_cast<std::int16_t>(SelectedNumber(kMonthlyDayList));
    subj.monthlyWeek = static_cast<std::int16_t>(SelectedNumber(kMonthlyWeekList));
    // The weekday items are names; their position is the weekday (0 unset).
    subj.monthlyWeekday = static_cast<std::int16_t>(std::max(0, SelectedItem(kMonthlyWeekdayList)));
    for (std::size_t day = 0; day < kWeekdayBoxes.size(); ++day) {
        subj.weekly[day] = Control<QCheckBox>(kWeekdayBoxes[day])->isChecked() ? 1 : 0;
    }
}

bool CDialogRepSubj::ConfirmStore() {
    return AnyRuleGivesADay(list->current) ||
           Messages().AskYesDefaultNo(this, QString::fromUtf8(kNoRule));
}

void CDialogRepSubj::RemoveOldKey() {
    // Inserting dropped the new title's trailing blanks: link to the title as stored.
    if (indivList != nullptr) {
        // Subjects it could not reach keep the old title as origin, as a
        // generated subject of a deleted rule would.
        static_cast<void>(indivList->RenameOrigin(loadedTitle_, list->current.title));
    }
    list->current.title = loadedTitle_;
    static_cast<void>(list->Remove());  // a key already gone is as good as removed
}
