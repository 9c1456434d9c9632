// The servers' passwords kept in the desktop's keyring (the Secret Service or
// KWallet, through QtKeychain), so that the password prompt need not come at
// every start. Where no keyring answers, nothing is stored anywhere: there is
// never a file in its place, and the prompt comes as before.
//
// Each call waits for the keyring's answer, a bounded time, in an event loop
// of its own; it needs a QCoreApplication and runs on its thread.
#pragma once

#include <QString>

#include <string>
#include <utility>

enum class [[nodiscard]] KeyringOutcome{
    Done,
    NotFound,   // Read: the keyring holds no password for that account
    NoKeyring,  // no keyring answered, or it answered with no place to keep one
    Denied,     // the keyring refused (the user said no, or it is locked to us)
};

// Which kind of server a password is for; the two never share an entry.
enum class PasswordOf { FtpServer, CalDavServer };

class PasswordKeyring {
  public:
    static constexpr int kDefaultWaitMillis = 20000;

    // Entries go under the keyring's service name `service`.
    explicit PasswordKeyring(QString service = QStringLiteral("veskat"),
                             int waitMillis = kDefaultWaitMillis)
        : service_(std::move(service)), waitMillis_(waitMillis) {}

    // Keeps `password` (its bytes exactly) for `userId` at `address` (the
    // host and port of an FTP server, the origin of a CalDAV one), replacing
    // what was kept for them.
    KeyringOutcome Store(PasswordOf kind, const QString& userId, const QString& address,
                         const std::string& password);
    // The kept password into `password`; it is left empty unless Done.
    KeyringOutcome Read(PasswordOf kind, const QString& userId, const QString& address,
                        std::string& password);
    // Removes the kept password; Done also when there was none.
    KeyringOutcome Forget(PasswordOf kind, const QString& userId, const QString& address);

  private:
    QString service_;
    int waitMillis_;
};
