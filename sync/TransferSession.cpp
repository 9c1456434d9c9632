// TransferSession and its progress dialog.
#include "TransferSession.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <atomic>
#include <thread>

#include "ConnectSettings.h"
#include "SjisCodec.h"

namespace {

const char* const kTitle = "サーバーと通信しています";
const char* const kLoggingIn = "サーバーに接続しています...";
const char* const kFileLine = "ファイル: %1";
const char* const kBytesLine = "%1 バイト";
const char* const kCancel = "キャンセル";
const char* const kWaitingForLock =
    "他のコンピューターがサーバーのファイルを更新しています。\n終わるのを待っています...";

constexpr int kPollMillis = 100;

}  // namespace

TransferProgressDlg::TransferProgressDlg(const QString& file,
                                         std::function<std::int64_t()> bytesMoved,
                                         std::function<void()> cancel, QWidget* parent)
    : QDialog(parent),
      bytesMoved_(std::move(bytesMoved)),
      cancel_(std::move(cancel)),
      fileLabel_(new QLabel(this)),
      fileText_(file.isEmpty() ? QString::fromUtf8(kLoggingIn)
                               : QString::fromUtf8(kFileLine).arg(file)),
      bytes_(new QLabel(this)),
      cancelButton_(new QPushButton(QString::fromUtf8(kCancel), this)),
      poll_(new QTimer(this)) {
    setWindowTitle(QString::fromUtf8(kTitle));
    setModal(true);
    setObjectName(QStringLiteral("transferProgress"));
    fileLabel_->setText(fileText_);
    fileLabel_->setObjectName(QStringLiteral("transferFile"));
    bytes_->setObjectName(QStringLiteral("transferBytes"));
    cancelButton_->setObjectName(QStringLiteral("transferCancel"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fileLabel_);
    layout->addWidget(bytes_);
    layout->addWidget(cancelButton_, 0, Qt::AlignRight);
    setMinimumWidth(320);
    connect(cancelButton_, &QPushButton::clicked, this, [this] { reject(); });
    connect(poll_, &QTimer::timeout, this, [this] { ShowBytes(); });
    poll_->start(kPollMillis);
    ShowBytes();
}

void TransferProgressDlg::ShowBytes() {
    const bool waiting = waiting_ && waiting_();
    const QString text = waiting ? QString::fromUtf8(kWaitingForLock) : fileText_;
    if (fileLabel_->text() != text) {
        fileLabel_->setText(text);
        adjustSize();
    }
    bytes_->setText(QString::fromUtf8(kBytesLine).arg(bytesMoved_()));
}

void TransferProgressDlg::Finish() {
    finished_ = true;
    poll_->stop();
    done(QDialog::Accepted);
}

// The worker still holds the connection; closing now would leave it running
// with nobody waiting for it.
void TransferProgressDlg::reject() {
    if (finished_) {
        QDialog::reject();
        return;
    }
    cancelButton_->setEnabled(false);
    cancel_();
}

TransferSession::TransferSession(const ConnectSettings& settings, QWidget* parent)
    : settings_(settings), parent_(parent) {
    ftp_.Setup(settings.userId, settings.password, settings.hostName, settings.port);
    // The settings hold Shift_JIS; the file system wants its own encoding.
    ftp_.SetTls(settings.ftpTls == 1, SjisToQString(settings.caFile).toLocal8Bit().toStdString());
}

int TransferSession::Connect() {
    return Run("", -1, [this] { return ftp_.Connect(); });
}

ServerFetch TransferSession::Download(const std::string& serverFile, const std::string& localFile,
                                      const std::string& dataFile) {
    return Run(serverFile, ServerFetch::Failed,
               [&] { return ftp_.Download(serverFile, localFile, dataFile); });
}

int TransferSession::Upload(const std::string& localFile, const std::string& serverFile) {
    return Run(serverFile, -1, [&] { return ftp_.Upload(localFile, serverFile); });
}

LockWait TransferSession::TakeLock(ServerLock& lock) {
    return Run(
        "", LockWait::Cancelled, [&lock] { return lock.Take(); },
        [&lock] { return lock.Waiting(); });
}

LockStep TransferSession::BreakLock(ServerLock& lock) {
    return Run("", LockStep::Failed, [&lock] { return lock.Break(); });
}

LockStep TransferSession::SendByRename(ServerLock& lock, const std::string& localFile,
                                       const std::string& serverFile) {
    return Run(serverFile, LockStep::Failed,
               [&] { return lock.SendByRename(localFile, serverFile); });
}

LockStep TransferSession::ReadGeneration(ServerLock& lock, const std::string& serverFile,
                                         std::string& generation) {
    return Run(serverFile, LockStep::Failed,
               [&] { return lock.ReadGeneration(serverFile, generation); });
}

LockStep TransferSession::NewGeneration(ServerLock& lock, const std::string& serverFile,
                                        std::string& generation) {
    return Run(serverFile, LockStep::Failed,
               [&] { return lock.NewGeneration(serverFile, generation); });
}

void TransferSession::ReleaseLock(ServerLock& lock) {
    if (!lock.Held()) {
        return;
    }
    TransferSession fresh(settings_, parent_);
    TransferSession& session = ftp_.Cancelled() ? fresh : *this;
    if (&session == this || fresh.Connect() == 0) {
        session.RunOnWorker("", [&] { lock.Release(session.ftp_); });
    }
}

void TransferSession::RunOnWorker(const std::string& file, const std::function<void()>& operation,
                                  const std::function<bool()>& waiting) {
    if (ftp_.Cancelled()) {
        return;
    }
    TransferProgressDlg dialog(
        QString::fromLocal8Bit(file), [this] { return ftp_.BytesMoved(); },
        [this] { ftp_.Cancel(); }, parent_);
    if (waiting) {
        dialog.WatchWaiting(waiting);
    }
    std::atomic<bool> ended{false};
    // The worker's end reaches the dialog through its event queue, so it is
    // seen by exec() even when the operation ends before exec() begins.
    std::thread worker([&] {
        operation();
        ended = true;
        QMetaObject::invokeMethod(
            &dialog, [&dialog] { dialog.Finish(); }, Qt::QueuedConnection);
    });
    // However this is left, an operation still running is cancelled before it
    // is waited for: a dialog loop that ended some other way must not leave
    // the window waiting on a transfer nothing would stop.
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
    dialog.exec();
}
