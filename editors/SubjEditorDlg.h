// What the two subject editors share: the template dialog with its title and
// content fields, the fill at the first display, the refusals the user sees,
// and reading the drop-down lists.
#pragma once

#include <optional>
#include <string>

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

    void showEvent(QShowEvent* event) override;

    // The title and content to store, or nullopt after telling the user that
    // one of them holds a character Shift_JIS cannot store.
    struct Texts {
        std::string title;
        std::string content;
    };
    std::optional<Texts> ReadTexts();

    // "案件は既に存在します。"
    void TellKeyTaken();

    SubjTextField& TitleField() { return title_; }
    SubjTextField& ContentField() { return content_; }

    // Drop-down list `id`: select item `item` (none when out of range), the
    // selected position (-1 for none), and the decimal value of the selected
    // item's text ("07" is 7; no digits or no selection give 0).
    void SelectItem(int id, int item);
    int SelectedItem(int id) const;
    int SelectedNumber(int id) const;

  private:
    MessageService& messages_;
    SubjTextField title_;
    SubjTextField content_;
    bool loaded_ = false;
};
