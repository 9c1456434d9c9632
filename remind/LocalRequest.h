// One request to a running copy of the program over its single-instance
// socket, without waiting in the caller: connect, read the line with the
// copy's process id that says it listens, write one line, and read the line
// it answers with (an older copy hangs up instead). Deletes itself once it
// has told how it went.
#pragma once

#include <QByteArray>
#include <QLocalSocket>
#include <QObject>
#include <QString>
#include <QTimer>

class LocalRequest : public QObject {
    Q_OBJECT

  public:
    enum class Outcome {
        Taken,          // the copy read the line
        NoneListening,  // no copy listens on that name
        NoAnswer,       // one was there but did not take the line in time
    };
    Q_ENUM(Outcome)

    // Sends `line` (ending in "\n") to the copy listening as `serverName`, a
    // full path; Finished comes from the event loop, within `timeoutMs` of
    // each step.
    static LocalRequest* Send(const QString& serverName, const QByteArray& line,
                              int timeoutMs = 3000, QObject* parent = nullptr);

  signals:
    // `answer` is the copy's answer line without its "\n"; empty from an
    // older copy, which hangs up without one.
    void Finished(LocalRequest::Outcome outcome, const QByteArray& answer);

  private:
    LocalRequest(const QByteArray& line, int timeoutMs, QObject* parent);
    void OnReadable();
    void Finish(Outcome outcome, const QByteArray& answer = {});

    QLocalSocket socket_;
    QTimer deadline_;
    QByteArray line_;
    int timeoutMs_;
    bool sent_ = false;
    bool finished_ = false;
};
