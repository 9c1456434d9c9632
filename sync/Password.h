// The password prompts "FTPパスワード" (template 142) and "CalDAVパスワード" (the
// same template), and the rule for when FTP's comes up: only while no
// password is held. The password lives in the settings record in memory;
// the prompt's "パスワードを保存する" only says whether the user wants it kept
// in the desktop's keyring, which the caller does.
#pragma once

#include <cstddef>
#include <string>

#include "TemplateDialog.h"

struct ConnectSettings;
struct DavSettings;
class MessageService;
class QCheckBox;
class QLineEdit;

class CPassword : public TemplateDialog {
  public:
    // The FTP prompt; `settings` and `messages` must outlive the dialog.
    CPassword(ConnectSettings* settings, MessageService& messages, QWidget* parent = nullptr);
    // The CalDAV prompt, whose password is held in UTF-8.
    CPassword(DavSettings* settings, MessageService& messages, QWidget* parent = nullptr);

    // Whether "パスワードを保存する" is ticked.
    bool SaveChecked() const;
    void CheckSave(bool checked);

  protected:
    // Copies the masked edit into the record's password.
    void OnOK() override;

  private:
    CPassword(std::string* password, bool utf8, MessageService& messages, QWidget* parent);

    std::string* password_;
    bool utf8_;
    MessageService& messages_;
    QLineEdit* edit_;
    QCheckBox* save_;
};

// Runs CPassword when `settings` holds no password. Whatever the answer, the
// caller goes on with the password the record then holds (empty after Cancel).
void AskPasswordIfNone(ConnectSettings& settings, MessageService& messages, QWidget* parent);
