// What the two subject editors share: the template dialog with its title and
// content fields, the fill at the first display, the one OK flow with the
// refusals the user sees, reading the drop-down lists, and the list they edit.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "StoreResult.h"
#include "SubjRecord.h"
#include "SubjTextField.h"
#include "TemplateDialog.h"

class MessageService;
class QShowEvent;

// What an editor does with its subject; the values are the editors' mode numbers.
enum class EditorMode {
    New = 0,   // opens on defaults and inserts a new subject
    Edit = 1,  // opens on the subject whose key the caller left in the list's `current`
};

class SubjEditorDlg : public TemplateDialog {
    Q_OBJECT

  public:
    EditorMode Mode() const { return mode_; }
    // After OK in edit mode: true when the subject moved to a new key (the
    // caller removes the old row and adds one), false when it was replaced
    // under its key.
    bool KeyChanged() const { return keyChanged_; }

  protected:
    // `messages` must outlive the dialog.
    SubjEditorDlg(int templateId, int titleId, int contentId, EditorMode mode,
                  MessageService& messages, QWidget* parent);

    // Fills the controls; runs once, when the dialog is first shown.
    virtual void LoadControls() = 0;

    // The OK button: the texts checked, then the subject inserted (new), or
    // replaced under its key or moved to its new key (edit); a refusal keeps
    // the dialog open. The steps below work on the dialog's list.
    void OnOK() override;

    // The title and content to store.
    struct Texts {
        std::string title;
        std::string content;
    };

    // False while the caller has set no list: OK then does nothing.
    virtual bool HasList() const = 0;
    // Copies the controls into the list's `current`.
    virtual void SaveControls(const Texts& texts) = 0;
    // True when `current` still has the key the subject had when it was loaded.
    virtual bool KeyUnchanged() const = 0;
    // The list's Insert and Replace of `current`.
    virtual StoreResult InsertCurrent() = 0;
    virtual void ReplaceStored() = 0;
    // After the subject was inserted under its new key: removes it from its old key.
    virtual void RemoveOldKey() = 0;
    // Loads `current` again as the list stores it (trailing blanks dropped,
    // days left worked out).
    virtual void ReloadCurrent() = 0;

    // Asked once the controls are saved into `current`, before anything is
    // stored: false keeps the dialog open and the list as it was. Default: true.
    virtual bool ConfirmStore() { return true; }
    MessageService& Messages() { return messages_; }

    void showEvent(QShowEvent* event) override;

    SubjTextField& TitleField() { return title_; }
    SubjTextField& ContentField() { return content_; }

    // Drop-down list `id`: select item `item` (none when out of range), the
    // selected position (-1 for none), and the decimal value of the selected
    // item's text ("07" is 7; no digits or no selection give 0).
    void SelectItem(int id, int item);
    int SelectedItem(int id) const;
    int SelectedNumber(int id) const;
    // Drop-down list `id` of progress states whose items stand for `letters`,
    // in order: selects the item of `progress` (none for a letter not among
    // them), and reads the selected item's letter into `progress` (left as it
    // is while none is selected).
    void SelectProgress(int id, std::span<const Progress> letters, Progress progress);
    void ReadProgress(int id, std::span<const Progress> letters, Progress& progress) const;

  private:
    // The title and content to store, or nullopt after telling the user that
    // one of them holds a character Shift_JIS cannot store.
    std::optional<Texts> ReadTexts();
    void Accept();

    const EditorMode mode_;
    bool keyChanged_ = false;
    MessageService& messages_;
    SubjTextField title_;
    SubjTextField content_;
    bool loaded_ = false;
};

// An editor of one kind of subject on its List (IndivSubjList or RepSubjList):
// the list the caller hands it, and the list's own steps of the OK flow.
template <class List>
class SubjListEditor : public SubjEditorDlg {
  public:
    // Set by the caller before exec(); must outlive the dialog.
    List* list = nullptr;

  protected:
    SubjListEditor(int templateId, int titleId, int contentId, EditorMode mode,
                   MessageService& messages, QWidget* parent)
        : SubjEditorDlg(templateId, titleId, contentId, mode, messages, parent) {}

    bool HasList() const override { return list != nullptr; }
    StoreResult InsertCurrent() override { return list->Insert(); }
    // The stored subject was found when the dialog opened; a key that has gone
    // since leaves nothing to replace or reload, and `current` as it stands.
    void ReplaceStored() override { static_cast<void>(list->Replace()); }
    void ReloadCurrent() override { static_cast<void>(list->Find()); }
};
