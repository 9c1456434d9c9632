// Where the servers' passwords come from: the desktop's keyring when it holds
// one for the account, else the prompt, whose "パスワードを保存する" puts the
// password given into the keyring. A kept password the server refused is
// asked for again and replaced. Where no keyring answers nothing is kept, and
// the prompt comes at each start. The password itself lives only in the
// settings record in memory, as before.
#pragma once

#include "PasswordKeyring.h"

struct ConnectSettings;
struct DavSettings;
class MessageService;
class QWidget;

class PasswordSource {
  public:
    // `messages` and `parent` must outlive the source; `parent` owns the prompt.
    PasswordSource(MessageService& messages, QWidget* parent,
                   PasswordKeyring keyring = PasswordKeyring());

    // FTP: only while `settings` holds no password.
    void Fill(ConnectSettings& settings);
    // CalDAV: while `settings` holds none, or after the server refused the one
    // it held (`refused`), which is then wiped. Cancel leaves it empty.
    void Fill(DavSettings& settings, bool refused);

  private:
    struct Account;
    template <class Settings>
    void Fill(Settings& settings, const Account& account, bool refused);

    MessageService& messages_;
    QWidget* parent_;
    PasswordKeyring keyring_;
    // By PasswordOf: the password held came from the keyring or went into it.
    bool kept_[2] = {};
};
