#include "SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

namespace {

// A request is one line: the word, a tab and the activation token.
constexpr char kRequestWord[] = "come-forward";

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

QString SingleInstance::DefaultName() {
    return QStringLiteral("veskat120-") + UserName();
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

QString SingleInstance::ServerName() const {
    // A full path keeps the socket in the user's own directory.
    return Directory() + QLatin1Char('/') + name_ + ".socket";
}

bool SingleInstance::Listen() {
    if (server_ != nullptr) {
        return server_->isListening();
    }
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the lock, so a socket left behind belongs to a copy that was killed.
    QLocalServer::removeServer(ServerName());
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::OnNewConnection);
    return server_->listen(ServerName());
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
    const QList<QByteArray> parts = socket->readLine().trimmed().split('\t');
    socket->disconnectFromServer();
    if (parts.value(0) == kRequestWord) {
        emit ComeForward(parts.value(1));
    }
}

bool SingleInstance::AskRunningToComeForward(const QByteArray& activationToken, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(ServerName());
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
    QByteArray token = activationToken;
    token.replace('\t', "").replace('\n', "");
    socket.write(QByteArray(kRequestWord) + '\t' + token + '\n');
    if (!socket.waitForBytesWritten(timeoutMs)) {
        return false;
    }
    // The running copy hangs up once it has read the request.
    if (socket.state() != QLocalSocket::UnconnectedState) {
        socket.waitForDisconnected(timeoutMs);
    }
    return true;
}
