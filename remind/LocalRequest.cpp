#include "LocalRequest.h"

LocalRequest* LocalRequest::Send(const QString& serverName, const QByteArray& line, int timeoutMs,
                                 QObject* parent) {
    auto* request = new LocalRequest(line, timeoutMs, parent);
    // A socket nobody listens on fails within connectToServer: started from
    // the event loop, that is told once the caller has connected to Finished.
    QMetaObject::invokeMethod(
        request, [request, serverName] { request->socket_.connectToServer(serverName); },
        Qt::QueuedConnection);
    return request;
}

LocalRequest::LocalRequest(const QByteArray& line, int timeoutMs, QObject* parent)
    : QObject(parent), line_(line), timeoutMs_(timeoutMs) {
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, [this] { Finish(Outcome::NoAnswer); });
    connect(&socket_, &QLocalSocket::connected, this, [this] { deadline_.start(timeoutMs_); });
    connect(&socket_, &QLocalSocket::readyRead, this, &LocalRequest::OnReadable);
    connect(&socket_, &QLocalSocket::errorOccurred, this, [this](QLocalSocket::LocalSocketError e) {
        if (e == QLocalSocket::ServerNotFoundError || e == QLocalSocket::ConnectionRefusedError) {
            Finish(Outcome::NoneListening);
        } else if (e == QLocalSocket::PeerClosedError && sent_) {
            Finish(Outcome::Taken);  // an older copy hangs up once it has read the line
        } else {
            Finish(Outcome::NoAnswer);
        }
    });
    connect(&socket_, &QLocalSocket::disconnected, this,
            [this] { Finish(sent_ ? Outcome::Taken : Outcome::NoAnswer); });
}

void LocalRequest::OnReadable() {
    while (socket_.canReadLine()) {
        const QByteArray answer = socket_.readLine().trimmed();
        if (!sent_) {
            // The copy's process id: it is there and listening.
            sent_ = true;
            socket_.write(line_);
            deadline_.start(timeoutMs_);
        } else {
            Finish(Outcome::Taken, answer);
            return;
        }
    }
}

void LocalRequest::Finish(Outcome outcome, const QByteArray& answer) {
    if (finished_) {
        return;
    }
    finished_ = true;
    deadline_.stop();
    emit Finished(outcome, answer);
    socket_.abort();
    deleteLater();
}
