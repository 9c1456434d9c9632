// The connection settings dialog "接続設定" (template 140): edits the live
// ConnectSettings record and, on OK, writes the edits into it and empties the
// password. Writing the INI file is the caller's (see RunConnectDialog).
// Below the server fields: encryption and the certificate file to trust.
#pragma once

#include <QString>
#include <string>

#include "TemplateDialog.h"

struct ConnectSettings;
class MessageService;
class QCheckBox;
class QLineEdit;
class QPushButton;

class CConnectDlg : public TemplateDialog {
  public:
    // `settings` and `messages` must outlive the dialog.
    CConnectDlg(ConnectSettings* settings, MessageService& messages, QWidget* parent = nullptr);

    int PaintCount() const { return paintCount_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void OnOK() override;

  private:
    void FillControls();
    void EnableEdits();
    void BrowseCaFile();

    ConnectSettings* settings_;
    MessageService& messages_;
    int paintCount_ = 0;
    QCheckBox* useServer_;
    QLineEdit* userId_;
    QLineEdit* hostName_;
    QLineEdit* port_;
    QLineEdit* indivPath_;
    QLineEdit* repPath_;
    QCheckBox* useTls_;
    QLineEdit* caFile_;
    QPushButton* browseCaFile_;
};

// The menu command "接続(&C)...": runs the dialog modally on `settings` and
// writes the INI file "./veskat.ini" only when it ends with OK. A file that
// cannot be written is for the user to hear of: the settings chosen hold
// until the program ends, and the next start reads the old ones.
void RunConnectDialog(ConnectSettings& settings, MessageService& messages, QWidget* parent);

// What the user is told when a setting chosen could not be written to
// `iniFile`; for every setting kept there.
QString SettingsNotSavedMessage(const std::string& iniFile);
