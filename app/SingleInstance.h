// One running copy per logged-in user and data folder, for the window and for
// the reminder agent alike, so that neither ever drives the other's folder.
// The first copy holds a lock file for its whole run and, once its window is
// marked (or the agent has read its folder), answers on a local socket; a
// later copy finds the lock taken, hands the running one its request and
// ends. A killed copy's lock is recognised as stale. The lines they say are
// ReminderRequest's.
#pragma once

#include <QByteArray>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

#include "ReminderRequest.h"

class QLocalServer;
class QLocalSocket;

class SingleInstance : public QObject {
    Q_OBJECT

  public:
    enum class [[nodiscard]] Role{
        First,   // this copy runs
        Second,  // another copy of this user runs on the folder
        Failed,  // the lock could not be taken or read: end silently
    };

    // Whose guard a name is.
    enum class Owner {
        Window,
        Agent,  // veskat --remind
    };

    // `name` names the lock and the socket; NameFor() in the program,
    // something unique in tests.
    explicit SingleInstance(const QString& name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // "veskat120-", the logged-in user, "-" and FolderKey(folder); the
    // agent's with "-remind" behind.
    static QString NameFor(Owner owner, const QString& folder);
    // Sixteen hexadecimal digits that name the folder, the same for every path
    // to it (links resolved).
    static QString FolderKey(const QString& folder);
    // Where the lock and the socket live: the user's runtime
    // directory, else the temporary directory.
    static QString Directory();
    // The socket of the copy whose guard is `name`, a full path.
    static QString ServerPath(const QString& name);
    // Read before the toolkit starts, which consumes it: the token a Wayland
    // compositor hands a program it starts, so that it may raise a window.
    static QByteArray ActivationTokenFromEnvironment();

    // "veskat120-" followed by the user: the guard of a window of an earlier
    // version, which took it for every folder and knows come-forward alone.
    static QString EarlierWindowName();
    // Whether such a window runs now (its lock is held by a live process).
    static bool EarlierWindowRuns();

    // Takes the lock at once, without waiting.
    Role Claim();

    // The first copy starts answering later starts of the program; ComeForward
    // or Requested is emitted for each request, which is answered "ok". False
    // when the socket cannot be set up.
    bool Listen();
    void StopListening();

    // The second copy: hands `activationToken` (may be empty) to the running
    // copy and asks it to come forward, waiting at most `timeoutMs` for each
    // step. False when no copy answered.
    bool AskRunningToComeForward(const QByteArray& activationToken, int timeoutMs = 2000);
    // The same with any request.
    bool AskRunning(const ReminderRequest& request, int timeoutMs = 2000);

  signals:
    void ComeForward(const QByteArray& activationToken);
    // Every other request a later copy or the agent made.
    void Requested(const ReminderRequest& request);

  private:
    void OnNewConnection();
    void OnRequestData(QLocalSocket* socket);

    QString name_;
    QLockFile lock_;
    QLocalServer* server_ = nullptr;
};
