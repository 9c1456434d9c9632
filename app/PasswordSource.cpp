// PasswordSource: the keyring first, then the prompt.
#include "PasswordSource.h"

#include <QUrl>

#include "ConnectSettings.h"
#include "DavSettings.h"
#include "MessageService.h"
#include "Password.h"
#include "SecretText.h"
#include "SjisCodec.h"

namespace {

const char* const kNotKept =
    "パスワードをキーリングに保存できませんでした（%1）。\n"
    "パスワードはこの起動の間だけ覚えておき、次の起動でまたお尋ねします。";
const char* const kNoKeyring = "キーリングが見つかりません";
const char* const kDenied = "キーリングが断りました";

}  // namespace

// The keyring's entry: the user on one server, as the user wrote both.
struct PasswordSource::Account {
    PasswordOf kind;
    QString userId;
    QString address;
};

PasswordSource::PasswordSource(MessageService& messages, QWidget* parent, PasswordKeyring keyring)
    : messages_(messages), parent_(parent), keyring_(std::move(keyring)) {}

void PasswordSource::Fill(ConnectSettings& settings) {
    const QString address =
        SjisToQString(settings.hostName) + QLatin1Char(':') + QString::number(settings.port);
    Fill(settings, {PasswordOf::FtpServer, SjisToQString(settings.userId), address}, false);
}

// A task list's origin names its server: every list there shares the login.
void PasswordSource::Fill(DavSettings& settings, bool refused) {
    const QUrl origin = QUrl(SjisToQString(settings.url))
                            .adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment |
                                      QUrl::RemoveUserInfo);
    Fill(settings, {PasswordOf::CalDavServer, SjisToQString(settings.userId), origin.toString()},
         refused);
}

template <class Settings>
void PasswordSource::Fill(Settings& settings, const Account& account, bool refused) {
    bool& kept = kept_[static_cast<int>(account.kind)];
    if (refused) {
        WipeText(settings.password);
        settings.password.clear();
    } else if (!settings.password.empty()) {
        return;
    } else if (keyring_.Read(account.kind, account.userId, account.address, settings.password) ==
                   KeyringOutcome::Done &&
               !settings.password.empty()) {
        kept = true;
        return;
    }
    CPassword prompt(&settings, messages_, parent_);
    // A refused password that was kept is replaced unless the user says otherwise.
    prompt.CheckSave(kept);
    if (prompt.exec() != 1) {
        return;
    }
    if (!prompt.SaveChecked()) {
        if (kept) {
            // Best effort: a password left kept is asked for again once refused.
            static_cast<void>(keyring_.Forget(account.kind, account.userId, account.address));
            kept = false;
        }
        return;
    }
    const KeyringOutcome stored =
        keyring_.Store(account.kind, account.userId, account.address, settings.password);
    kept = stored == KeyringOutcome::Done;
    if (!kept) {
        const char* why = stored == KeyringOutcome::Denied ? kDenied : kNoKeyring;
        messages_.Inform(parent_, QString::fromUtf8(kNotKept).arg(QString::fromUtf8(why)));
    }
}
