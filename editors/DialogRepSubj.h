// The editor of one repeating subject and its recurrence rules, on dialog
// template 131. It works on the repeating list itself and, when a title
// changes, relinks the individual subjects generated from the old title.
#pragma once

#include <string>

#include "SubjEditorDlg.h"
#include "SubjList.h"

// Use, one object per run:
//   CDialogRepSubj dialog(messages, parent);
//   dialog.mode = 0 or 1;           // 1: the title is in repList.current
//   dialog.list = &repList;
//   dialog.indivList = &indivList;  // edit mode: relinks `origin` on a rename
//   if (dialog.exec() == kIdOk) { /* repList.current is the subject as stored;
//                                    in edit mode read dialog.keyChanged */ }
// Cancel leaves both lists as they were.
class CDialogRepSubj : public SubjEditorDlg {
    Q_OBJECT

  public:
    // `messages` shows the refusals and must outlive the dialog.
    explicit CDialogRepSubj(MessageService& messages, QWidget* parent = nullptr);

    // Set by the caller before exec(); each must outlive the dialog. The
    // individual list is needed in edit mode only.
    RepSubjList* list = nullptr;
    IndivSubjList* indivList = nullptr;

  protected:
    void LoadControls() override;
    bool HasList() const override { return list != nullptr; }
    void SaveControls(const Texts& texts) override;
    bool KeyUnchanged() const override { return list->current.title == loadedTitle_; }
    StoreResult InsertCurrent() override { return list->Insert(); }
    void ReplaceStored() override { list->Replace(); }
    // Also relinks the individual subjects generated under the old title.
    void RemoveOldKey() override;
    void ReloadCurrent() override { list->Find(); }

  private:
    void LoadEdit();

    // The title the subject had when the dialog opened (see CDialogIndivSubj).
    std::string loadedTitle_;
};
