// TransferSession: each operation on a worker, under the step's event loop.
#include "TransferSession.h"

#include <QEventLoop>
#include <QMetaObject>

#include <atomic>
#include <memory>
#include <thread>

#include "ConnectSettings.h"
#include "SjisCodec.h"
#include "SyncQuestions.h"

TransferSession::TransferSession(const ConnectSettings& settings, SyncQuestions& questions)
    : settings_(settings), questions_(questions) {
    ftp_.Setup(settings.userId, settings.password, settings.hostName, settings.port);
    // The settings hold Shift_JIS; the file system wants its own encoding.
    ftp_.SetTls(settings.ftpTls == 1, SjisToQString(settings.caFile).toLocal8Bit().toStdString());
}

int TransferSession::Connect() {
    return Run("", -1, [](CFtpTransfer& ftp) { return ftp.Connect(); });
}

ServerFetch TransferSession::Download(const std::string& serverFile, const std::string& localFile,
                                      const std::string& dataFile) {
    return Run(serverFile, ServerFetch::Failed,
               [&](CFtpTransfer& ftp) { return ftp.Download(serverFile, localFile, dataFile); });
}

void TransferSession::RunEvenIfCancelled(const std::function<void(CFtpTransfer&)>& operation) {
    if (!ftp_.Cancelled()) {
        RunOnWorker("", [&] { operation(ftp_); });
        return;
    }
    TransferSession fresh(settings_, questions_);
    if (fresh.Connect() == 0) {
        fresh.RunOnWorker("", [&] { operation(fresh.ftp_); });
    }
}

void TransferSession::RunOnWorker(const std::string& file, const std::function<void()>& operation,
                                  const std::function<bool()>& waiting) {
    if (ftp_.Cancelled()) {
        return;
    }
    QEventLoop loop;
    const std::unique_ptr<TransferDisplay> display =
        questions_.ShowTransfer({QString::fromLocal8Bit(file), [this] { return ftp_.BytesMoved(); },
                                 waiting, [this] { ftp_.Cancel(); }});
    std::atomic<bool> ended{false};
    // The worker's end reaches the loop through its event queue, so it is
    // seen by exec() even when the operation ends before exec() begins.
    std::thread worker([&] {
        operation();
        ended = true;
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    // However this is left, an operation still running is cancelled before it
    // is waited for: a loop that ended some other way must not leave the
    // window waiting on a transfer nothing would stop.
    struct CancelThenWait {
        std::thread& worker;
        std::atomic<bool>& ended;
        CFtpTransfer& ftp;
        ~CancelThenWait() {
            if (!ended) {
                ftp.Cancel();
            }
            worker.join();
        }
    } cancelThenWait{worker, ended, ftp_};
    loop.exec();
}
