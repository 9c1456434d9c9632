// TransferSession: each operation on a worker, under the step's event loop.
#include "TransferSession.h"

#include "ConnectSettings.h"
#include "SjisCodec.h"
#include "SyncQuestions.h"
#include "WorkerRun.h"

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
    ::RunOnWorker(questions_,
                  {QString::fromLocal8Bit(file), [this] { return ftp_.BytesMoved(); }, waiting,
                   [this] { ftp_.Cancel(); }},
                  operation);
}
