// What the two subject editors share: the template dialog with its title and
// content fields, the fill at the first display, the refusals the user sees,
// and reading the drop-down lists.
#pragma once

#include <optional>
#include <string>

#include "StoreResult.h"
#include "SubjTextField.h"
#include "TemplateDialog.h"

class MessageService;
class QShowEvent;

class SubjEditorDlg : public TemplateDialog {
    Q_OBJECT

  public:
    // Set by the caller before exec(): 0 a new subject, 1 edit the subject
    // whose key the caller left in the list's `current`.
    int mode = 0;
    // Set by OK in edit mode: 1 the subject moved to a new key (the caller
    // removes the old row and adds one), 0 it was replaced under its key.
    int keyChanged = 0;

  protected:
    // `messages` must outlive the dialog.
    SubjEditorDlg(int templateId, int titleId, int contentId, MessageService& messages,
                  QWidget* parent);

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

    void showEvent(QShowEvent* event) override;

    SubjTextField& TitleField() { return title_; }
    SubjTextField& ContentField() { return content_; }

    // Drop-down list `id`: select item `item` (none when out of range), the
    // selected position (-1 for none), and the decimal value of the selected
    // item's text ("07" is 7; no digits or no selection give 0).
    void SelectItem(int id, int item);
    int SelectedItem(int id) const;
    int SelectedNumber(int id) const;

  private:
    // The title and content to store, or nullopt after telling the user that
    // one of them holds a character Shift_JIS cannot store.
    std::optional<Texts> ReadTexts();
    void Accept();

    MessageService& messages_;
    SubjTextField title_;
    SubjTextField content_;
    bool loaded_ = false;
};
