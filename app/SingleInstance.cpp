#include "SingleInstance.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

namespace {

QString UserName() {
    return QString::number(getuid());
}

}  // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent)
    : QObject(parent), name_(name), lock_(Directory() + QLatin1Char('/') + name + ".lock") {
    // A lock is stale only when its process is gone, however long it has been held.
    lock_.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() {
    StopListening();
}

QString SingleInstance::NameFor(Owner owner, const QString& folder) {
    return QStringLiteral("veskat120-") + UserName() + QLatin1Char('-') + FolderKey(folder) +
           (owner == Owner::Agent ? QStringLiteral("-remind") : QString());
}

QString SingleInstance::FolderKey(const QString& folder) {
    QString path = QDir(folder).canonicalPath();
    if (path.isEmpty()) {
        path = QDir(folder).absolutePath();  // no such folder: named all the same
    }
    return QString::fromLatin1(
        QCryptographicHash::hash(QFile::encodeName(path), QCryptographicHash::Sha256)
            .toHex()
            .left(16));
}

QString SingleInstance::EarlierWindowName() {
    return QStringLiteral("veskat120-") + UserName();
}

// Taken only for the moment of the look, and given back at once.
bool SingleInstance::EarlierWindowRuns() {
    QLockFile earlier(Directory() + QLatin1Char('/') + EarlierWindowName() + ".lock");
    earlier.setStaleLockTime(0);
    if (earlier.tryLock(0)) {
        earlier.unlock();
        return false;
    }
    return earlier.error() == QLockFile::LockFailedError;
}

QString SingleInstance::Directory() {
    QString directory = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (directory.isEmpty() || !QDir().mkpath(directory)) {
        directory = QDir::tempPath();
    }
    return directory;
}

QByteArray SingleInstance::ActivationTokenFromEnvironment() {
    return qgetenv("XDG_ACTIVATION_TOKEN");
}

SingleInstance::Role SingleInstance::Claim() {
    if (lock_.tryLock(0)) {
        return Role::First;
    }
    return lock_.error() == QLockFile::LockFailedError ? Role::Second : Role::Failed;
}

QString SingleInstance::ServerPath(const QString& name) {
    // A full path keeps the socket in the user's own directory.
    return Directory() + QLatin1Char('/') + name + ".socket";
}

bool SingleInstance::Listen() {
    if (server_ != nullptr) {
        return server_->isListening();
    }
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the lock, so a socket left behind belongs to a copy that was killed.
    QLocalServer::removeServer(ServerPath(name_));
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::OnNewConnection);
    return server_->listen(ServerPath(name_));
}

void SingleInstance::StopListening() {
    if (server_ != nullptr) {
        server_->close();
        delete server_;
        server_ = nullptr;
    }
}

void SingleInstance::OnNewConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnRequestData(socket); });
        // The asking copy passes its right to raise a window to this process.
        socket->write(QByteArray::number(QCoreApplication::applicationPid()) + '\n');
        socket->flush();
    }
}

void SingleInstance::OnRequestData(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > 4096) {
            socket->disconnectFromServer();
        }
        return;
    }
    const std::optional<ReminderRequest> request = ParseRequestLine(socket->readLine());
    if (request) {
        socket->write(QByteArray(kRequestTaken) + '\n');
        socket->flush();
    }
    socket->disconnectFromServer();
    if (!request) {
        return;
    }
    if (request->kind == ReminderRequest::Kind::ComeForward) {
        emit ComeForward(request->token);
    } else {
        emit Requested(*request);
    }
}

bool SingleInstance::AskRunningToComeForward(const QByteArray& activationToken, int timeoutMs) {
    return AskRunning({ReminderRequest::Kind::ComeForward, {}, activationToken}, timeoutMs);
}

bool SingleInstance::AskRunning(const ReminderRequest& request, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(ServerPath(name_));
    if (!socket.waitForConnected(timeoutMs)) {
        return false;
    }
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs)) {
            return false;
        }
    }
    // The running copy's process id: the answer that it is there and listening.
    static_cast<void>(socket.readLine());  // its arrival is the answer; the number is not needed
    socket.write(RequestLine(request));
    if (!socket.waitForBytesWritten(timeoutMs)) {
        return false;
    }
    // The running copy hangs up once it has read the request.
    if (socket.state() != QLocalSocket::UnconnectedState) {
        socket.waitForDisconnected(timeoutMs);
    }
    return true;
}
