// A modal dialog built from one of the resource templates, behaving as the
// desktop's dialogs do: it ends with 1 (OK) or 2 (Cancel) from exec(). Every
// window of the program derives from it.
#pragma once

#include <QDialog>
#include <memory>

struct ControlTemplate;
struct DialogTemplate;
class QAction;
class QCloseEvent;
class QKeyEvent;
class QResizeEvent;
class QScreen;
class QShowEvent;
class StretchLayout;

// Control kinds become these widgets: push buttons QPushButton (a default push
// button is the dialog's default), edit QLineEdit, multi-line edit
// QPlainTextEdit (Tab moves on), static text QLabel, icon QLabel with the app
// icon, group box QGroupBox, check box QCheckBox, radio button QRadioButton
// (radios of one dialog exclude each other), drop-down list QComboBox (not
// editable, items from the template), list view SubjListView.
//
// Keys and buttons: Enter clicks the focused push button, else the default
// push button when there is an enabled one, else calls OnOK(). Esc and the
// close box call OnCancel(). Clicking the button with id 1 calls OnOK(), id 2
// OnCancel(). Tab order is template order; the first tab-stop control has the
// focus when the dialog opens.
//
// Every control carries an object name and an accessible name (see
// ControlLabels), and each label is the buddy of the control it names. A
// dialog whose owner is not on the screen opens in the middle of the screen.
// A dialog opens wholly on its screen, title bar included; one too big for it
// gives up its margins or scrolls (see ScreenFit). A resizable one (kResizable)
// instead opens no bigger than its screen, its first list view taking the room
// (see StretchLayout).
class TemplateDialog : public QDialog {
    Q_OBJECT

  public:
    // Builds the dialog `templateId` (see res/ResourceIds.h): caption, font,
    // fixed size and every control, positions converted from dialog units.
    // An unknown id gives an empty dialog captioned "veskat".
    explicit TemplateDialog(int templateId, QWidget* parent = nullptr);
    ~TemplateDialog() override;

    // The menu bar entry with command id `commandId` (e.g. 157 of menu 139),
    // or nullptr; connect to its triggered() signal.
    QAction* MenuAction(int commandId) const;

    // Shorthand for ControlById<W>(this, id).
    template <class W>
    W* Control(int id) const;

    // Pixels per dialog unit of this dialog's font: x px = du * AvgCharWidth / 4,
    // y px = du * CharHeight / 8.
    int AvgCharWidth() const { return avgCharWidth_; }
    int CharHeight() const { return charHeight_; }

    void setVisible(bool visible) override;

    // The room a window opening on `screen` has inside its frame.
    QSize RoomOn(const QScreen& screen) const;

  protected:
    // The confirm action (OK button, Enter). Default: done(1).
    virtual void OnOK();
    // The cancel action (Cancel button, Esc, close box). Default: done(2).
    virtual void OnCancel();

    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Build(const DialogTemplate& dialogTemplate);
    int AddMenuBar(int menuId, int width);
    QWidget* CreateControl(const ControlTemplate& control);
    QScreen* TargetScreen() const;
    QMargins FrameMargins() const;
    void MakeResizable(int width, int height);

    int avgCharWidth_ = 0;
    int charHeight_ = 0;
    bool fitted_ = false;
    std::unique_ptr<StretchLayout> stretch_;
};

#include "ControlById.h"

template <class W>
W* TemplateDialog::Control(int id) const {
    return ControlById<W>(this, id);
}
