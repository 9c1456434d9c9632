// One running copy per logged-in user. The first copy holds a lock file for its whole run and,
// once its window is marked, answers on a local socket; a later copy finds the lock taken, asks
// the running one to come forward and ends. A killed copy's lock is recognised as stale.
#pragma once

#include <QByteArray>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLocalSocket;

class SingleInstance : public QObject {
    Q_OBJECT

  public:
    enum class [[nodiscard]] Role{
        First,   // this copy runs
        Second,  // another copy of this user runs
        Failed,  // the lock could not be taken or read: end silently
    };

    // `name` names the lock and the socket; DefaultName() in the program,
    // something unique in tests.
    explicit SingleInstance(const QString& name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // "veskat120-" followed by the logged-in user.
    static QString DefaultName();
    // Where the lock and the socket live: the user's runtime
    // directory, else the temporary directory.
    static QString Directory();
    // Read before the toolkit starts, which consumes it: the token a Wayland
    // compositor hands a program it starts, so that it may raise a window.
    static QByteArray ActivationTokenFromEnvironment();

    // Takes the lock at once, without waiting.
    Role Claim();

    // The first copy starts answering later starts of the program; ComeForward is emitted for
    // each request. False when the socket cannot be set up.
    bool Listen();
    void StopListening();

    // The second copy: hands `activationToken` (may be empty) to the running
    // copy and asks it to come forward, waiting at most `timeoutMs` for each
    // step. False when no copy answered.
    bool AskRunningToComeForward(const QByteArray& activationToken, int timeoutMs = 2000);

  signals:
    void ComeForward(const QByteArray& activationToken);

  private:
    void OnNewConnection();
    void OnRequestData(QLocalSocket* socket);
    QString ServerName() const;

    QString name_;
    QLockFile lock_;
    QLocalServer* server_ = nullptr;
};
