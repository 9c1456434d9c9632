// CPassword and the password prompt rule.
#include "Password.h"

#include <QLineEdit>

#include "ConnectSettings.h"
#include "FieldText.h"
#include "ResourceIds.h"
#include "SecretMemory.h"

using namespace PasswordDialogIds;

CPassword::CPassword(ConnectSettings* settings, MessageService& messages, QWidget* parent)
    : TemplateDialog(kPasswordDialogId, parent),
      settings_(settings),
      messages_(messages),
      edit_(Control<QLineEdit>(kPasswordEdit)) {}

void CPassword::OnOK() {
    std::string password;
    if (!ReadFieldText(edit_, ConnectSettings::kNameLimit, "パスワード", messages_, this, password,
                       true)) {
        return;
    }
    // The record takes the new buffer; the old one is overwritten on its way out.
    settings_->password.swap(password);
    WipeText(password);
    done(1);
}

void AskPasswordIfNone(ConnectSettings& settings, MessageService& messages, QWidget* parent) {
    if (!settings.password.empty()) {
        return;
    }
    CPassword dialog(&settings, messages, parent);
    dialog.exec();
}
