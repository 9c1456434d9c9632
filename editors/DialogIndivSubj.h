// The editor of one individual (dated) subject, on dialog template 129. It
// works on the individual list itself: on OK it inserts, replaces or moves the
// subject there and leaves it, as stored, in the list's `current`.
#pragma once

#include <optional>
#include <string>

#include "CalendarDay.h"
#include "SubjEditorDlg.h"
#include "SubjList.h"

// Use, one object per run:
//   CDialogIndivSubj dialog(EditorMode::Edit, messages, parent);
//   dialog.list = &indivList;      // Edit: the key (date, title) is in current
//   if (dialog.exec() == kIdOk) { /* list.current is the subject as stored;
//                                    in edit mode read dialog.KeyChanged() */ }
// Cancel leaves the list as it was (list.current may hold the user's input).
class CDialogIndivSubj : public SubjListEditor<IndivSubjList> {
    Q_OBJECT

  public:
    // `messages` shows the refusals and must outlive the dialog.
    CDialogIndivSubj(EditorMode mode, MessageService& messages, QWidget* parent = nullptr);

    // The subject's link to the repeating subject it was generated from,
    // carried through the edit unseen: empty for a new subject, loaded when
    // editing, written back on OK.
    std::string origin;
    // The day a new subject's editor opens on; today when empty.
    std::optional<CalendarDay> newDay;

  protected:
    void LoadControls() override;
    void SaveControls(const Texts& texts) override;
    bool KeyUnchanged() const override;
    void RemoveOldKey() override;

  private:
    void LoadNew();
    void LoadEdit();

    // The key the subject had when the dialog opened: a refused OK leaves the
    // user's values in `current`, so the next try must not take its old key there.
    IndivSubj loaded_;
};
