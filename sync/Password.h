// The password prompt "FTPパスワード" (template 142) and the rule for when it
// comes up: only while no password is held. The password lives in the
// ConnectSettings record in memory and is never written anywhere.
#pragma once

#include "TemplateDialog.h"

struct ConnectSettings;
class MessageService;
class QLineEdit;

class CPassword : public TemplateDialog {
  public:
    // `settings` and `messages` must outlive the dialog.
    CPassword(ConnectSettings* settings, MessageService& messages, QWidget* parent = nullptr);

  protected:
    // Copies the masked edit into the record's password.
    void OnOK() override;

  private:
    ConnectSettings* settings_;
    MessageService& messages_;
    QLineEdit* edit_;
};

// Runs CPassword when `settings` holds no password. Whatever the answer, the
// caller goes on with the password the record then holds (empty after Cancel).
void AskPasswordIfNone(ConnectSettings& settings, MessageService& messages, QWidget* parent);
