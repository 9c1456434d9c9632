// The editor of one individual (dated) subject, on dialog template 129. It
// works on the individual list itself: on OK it inserts, replaces or moves the
// subject there and leaves it, as stored, in the list's `current`.
#pragma once

#include <string>

#include "SubjEditorDlg.h"
#include "SubjList.h"

// Use, one object per run:
//   CDialogIndivSubj dialog(messages, parent);
//   dialog.mode = 0 or 1;          // 1: the key (date, title) is in list.current
//   dialog.list = &indivList;
//   if (dialog.exec() == kIdOk) { /* list.current is the subject as stored;
//                                    in edit mode read dialog.keyChanged */ }
// Cancel leaves the list as it was (list.current may hold the user's input).
class CDialogIndivSubj : public SubjEditorDlg {
    Q_OBJECT

  public:
    // `messages` shows the refusals and must outlive the dialog.
    explicit CDialogIndivSubj(MessageService& messages, QWidget* parent = nullptr);

    // Set by the caller before exec(); must outlive the dialog.
    IndivSubjList* list = nullptr;

    // The subject's link to the repeating subject it was generated from,
    // carried through the edit unseen: empty for a new subject, loaded when
    // editing, written back on OK.
    std::string origin;

  protected:
    void LoadControls() override;
    bool HasList() const override { return list != nullptr; }
    void SaveControls(const Texts& texts) override;
    bool KeyUnchanged() const override;
    StoreResult InsertCurrent() override { return list->Insert(); }
    void ReplaceStored() override { list->Replace(); }
    void RemoveOldKey() override;
    void ReloadCurrent() override { list->Find(); }

  private:
    void LoadNew();
    void LoadEdit();

    // The key the subject had when the dialog opened: a refused OK leaves the
    // user's values in `current`, so the next try must not take its old key there.
    IndivSubj loaded_;
};
