#include "SubjEditorDlg.h"

#include <QComboBox>
#include <QShowEvent>
#include <algorithm>
#include <cstdlib>

#include "MessageService.h"
#include "ResourceIds.h"

namespace {

const char kKeyTaken[] = "案件は既に存在します。";
const char kCannotStore[] = "保存できない文字が含まれています。";

}  // namespace

SubjEditorDlg::SubjEditorDlg(int templateId, int titleId, int contentId, EditorMode mode,
                             MessageService& messages, QWidget* parent)
    : TemplateDialog(templateId, parent),
      mode_(mode),
      messages_(messages),
      title_(FindControl(this, titleId), SubjTextField::Kind::Title),
      content_(FindControl(this, contentId), SubjTextField::Kind::Content) {
    // A new subject starts with its title: what the user types goes there, and Enter stores
    // it. An edit opens on OK, as the user often only looks and confirms.
    if (mode == EditorMode::New) {
        if (QWidget* title = FindControl(this, titleId)) {
            title->setFocus();
        }
    }
}

void SubjEditorDlg::showEvent(QShowEvent* event) {
    TemplateDialog::showEvent(event);
    // Shown again after being hidden, the dialog keeps what the user typed.
    if (!loaded_) {
        loaded_ = true;
        LoadControls();
    }
}

std::optional<SubjEditorDlg::Texts> SubjEditorDlg::ReadTexts() {
    std::optional<std::string> title = title_.Bytes();
    std::optional<std::string> content = content_.Bytes();
    if (!title || !content) {
        messages_.Inform(this, QString::fromUtf8(kCannotStore));
        return std::nullopt;
    }
    return Texts{std::move(*title), std::move(*content)};
}

void SubjEditorDlg::OnOK() {
    if (!HasList()) {
        return;
    }
    const std::optional<Texts> texts = ReadTexts();
    if (!texts) {
        return;
    }
    SaveControls(*texts);
    if (!ConfirmStore()) {
        return;
    }
    if (mode_ == EditorMode::Edit && KeyUnchanged()) {
        ReplaceStored();
        keyChanged_ = false;
        Accept();
        return;
    }
    // The old subject goes only once the new one is in, so a refusal loses
    // nothing. A new subject whose insert failed for any reason is refused as
    // well: closing with OK would show a row for a subject the list lacks.
    if (InsertCurrent() != StoreResult::Done) {
        keyChanged_ = false;
        messages_.Inform(this, QString::fromUtf8(kKeyTaken));
        return;
    }
    if (mode_ == EditorMode::Edit) {
        RemoveOldKey();
        SaveControls(*texts);
        keyChanged_ = true;
    }
    Accept();
}

void SubjEditorDlg::Accept() {
    ReloadCurrent();
    done(kIdOk);
}

void SubjEditorDlg::SelectItem(int id, int item) {
    if (auto* list = Control<QComboBox>(id)) {
        list->setCurrentIndex(item >= 0 && item < list->count() ? item : -1);
    }
}

int SubjEditorDlg::SelectedItem(int id) const {
    const auto* list = Control<QComboBox>(id);
    return list != nullptr ? list->currentIndex() : -1;
}

void SubjEditorDlg::SelectProgress(int id, std::span<const Progress> letters, Progress progress) {
    const auto at = std::find(letters.begin(), letters.end(), progress);
    SelectItem(id, at != letters.end() ? static_cast<int>(at - letters.begin()) : -1);
}

void SubjEditorDlg::ReadProgress(int id, std::span<const Progress> letters,
                                 Progress& progress) const {
    const int item = SelectedItem(id);
    if (item >= 0 && item < static_cast<int>(letters.size())) {
        progress = letters[static_cast<std::size_t>(item)];
    }
}

int SubjEditorDlg::SelectedNumber(int id) const {
    const auto* list = Control<QComboBox>(id);
    if (list == nullptr || list->currentIndex() < 0) {
        return 0;
    }
    return std::atoi(list->currentText().toLatin1().constData());
}
