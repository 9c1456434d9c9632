// CPassword and the password prompt rule.
#include "Password.h"

#include <QCheckBox>
#include <QLineEdit>

#include "ConnectSettings.h"
#include "DavSettings.h"
#include "FieldText.h"
#include "ResourceIds.h"
#include "SecretMemory.h"

using namespace PasswordDialogIds;

namespace {

const char* const kDavCaption = "CalDAVパスワード";
const char* const kFieldName = "パスワード";
// HTTP Basic carries any length; this only keeps a pasted page out of the login.
constexpr std::size_t kDavPasswordLimit = 256;

}  // namespace

CPassword::CPassword(ConnectSettings* settings, MessageService& messages, QWidget* parent)
    : CPassword(&settings->password, false, messages, parent) {}

CPassword::CPassword(DavSettings* settings, MessageService& messages, QWidget* parent)
    : CPassword(&settings->password, true, messages, parent) {
    setWindowTitle(QString::fromUtf8(kDavCaption));
}

CPassword::CPassword(std::string* password, bool utf8, MessageService& messages, QWidget* parent)
    : TemplateDialog(kPasswordDialogId, parent),
      password_(password),
      utf8_(utf8),
      messages_(messages),
      edit_(Control<QLineEdit>(kPasswordEdit)),
      save_(Control<QCheckBox>(kSavePasswordId)) {}

bool CPassword::SaveChecked() const {
    return save_->isChecked();
}

void CPassword::CheckSave(bool checked) {
    save_->setChecked(checked);
}

// FTP logs in with the Shift_JIS bytes; a CalDAV server takes UTF-8, so any
// character goes.
void CPassword::OnOK() {
    std::string password;
    const bool read =
        utf8_ ? ReadUtf8Secret(edit_, kDavPasswordLimit, kFieldName, messages_, this, password)
              : ReadFieldText(edit_, ConnectSettings::kNameLimit, kFieldName, messages_, this,
                              password, true);
    if (!read) {
        return;
    }
    // The record takes the new buffer; the old one is overwritten on its way out.
    password_->swap(password);
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
