// The editor of one repeating subject and its recurrence rules, on dialog
// template 131. It works on the repeating list itself and, when a title
// changes, relinks the individual subjects generated from the old title.
#pragma once

#include <string>

#include "SubjEditorDlg.h"
#include "SubjList.h"

// Use, one object per run:
//   CDialogRepSubj dialog(EditorMode::Edit, messages, parent);
//   dialog.list = &repList;         // Edit: the title is in current
//   dialog.indivList = &indivList;  // Edit: relinks `origin` on a rename
//   if (dialog.exec() == kIdOk) { /* repList.current is the subject as stored;
//                                    in edit mode read dialog.KeyChanged() */ }
// Cancel leaves both lists as they were.
class CDialogRepSubj : public SubjListEditor<RepSubjList> {
    Q_OBJECT

  public:
    // `messages` shows the refusals and must outlive the dialog.
    CDialogRepSubj(EditorMode mode, MessageService& messages, QWidget* parent = nullptr);

    // Set by the caller before exec() in edit mode; must outlive the dialog.
    IndivSubjList* indivList = nullptr;

  protected:
    void LoadControls() override;
    void SaveControls(const Texts& texts) override;
    bool KeyUnchanged() const override { return list->current.title == loadedTitle_; }
    // A subject none of whose rules gives a day is never generated: asked, No by default.
    bool ConfirmStore() override;
    // Also relinks the individual subjects generated under the old title.
    void RemoveOldKey() override;

  private:
    void LoadEdit();

    // The title the subject had when the dialog opened (see CDialogIndivSubj).
    std::string loadedTitle_;
};
