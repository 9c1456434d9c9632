// The FTP work of one start-up fetch or one save, done off the user-interface
// thread: each operation runs on a worker thread while a modal progress
// dialog shows the file and the bytes moved, offers キャンセル, and lets the
// windows behind it repaint.
#pragma once

#include <QDialog>

#include <functional>
#include <string>

#include "FtpTransfer.h"
#include "ServerLock.h"

struct ConnectSettings;
class QLabel;
class QPushButton;
class QTimer;

// The progress dialog of one operation. It closes itself through Finish();
// キャンセル, Esc and the close box only ask for the end, through `cancel`,
// and the dialog stays until the operation has ended.
class TransferProgressDlg : public QDialog {
  public:
    // `file` names what travels (empty while logging in); `bytesMoved` is
    // polled several times a second and may read another thread's counter.
    TransferProgressDlg(const QString& file, std::function<std::int64_t()> bytesMoved,
                        std::function<void()> cancel, QWidget* parent);

    // While `waiting` answers true, the file line says that another
    // computer's step is awaited.
    void WatchWaiting(std::function<bool()> waiting) { waiting_ = std::move(waiting); }

    // The operation has ended: the dialog closes.
    void Finish();
    QPushButton* CancelButton() const { return cancelButton_; }

  protected:
    void reject() override;

  private:
    void ShowBytes();

    std::function<std::int64_t()> bytesMoved_;
    std::function<void()> cancel_;
    std::function<bool()> waiting_;
    QLabel* fileLabel_;
    QString fileText_;
    QLabel* bytes_;
    QPushButton* cancelButton_;
    QTimer* poll_;
    bool finished_ = false;
};

// CFtpTransfer with the settings' login, address and encryption, each of
// its operations run off the user-interface thread under a progress dialog.
// Results as CFtpTransfer's. Once cancelled, every later operation fails at
// once, so the caller's failure messages follow as for any other failure.
//
// Thread safety: a session is used from the user-interface thread only.
// Each operation runs on a worker thread of its own, one at a time, while the
// user-interface thread runs the dialog's loop. They share the transfer, of
// which the user-interface thread only reads the bytes moved and asks for the
// cancel (both made for that by CFtpTransfer), and the operation's result, of
// whatever type, which the worker writes and the user-interface thread reads
// only after the worker has been joined. Every way out of an operation
// cancels a worker still running, then joins it: none outlives the call.
class TransferSession {
  public:
    TransferSession(const ConnectSettings& settings, QWidget* parent);

    [[nodiscard]] int Connect();
    [[nodiscard]] ServerFetch Download(const std::string& serverFile, const std::string& localFile,
                                       const std::string& dataFile = {});
    [[nodiscard]] int Upload(const std::string& localFile, const std::string& serverFile);

    // The transfer the step's ServerLock works over.
    CFtpTransfer& Transfer() { return ftp_; }
    // ServerLock::Take under the dialog, which tells while another computer
    // holds the lock; キャンセル ends the wait.
    [[nodiscard]] LockWait TakeLock(ServerLock& lock);
    // The lock's other steps, as ServerLock's; Failed at once once cancelled.
    [[nodiscard]] LockStep BreakLock(ServerLock& lock);
    [[nodiscard]] LockStep SendByRename(ServerLock& lock, const std::string& localFile,
                                        const std::string& serverFile);
    [[nodiscard]] LockStep ReadGeneration(ServerLock& lock, const std::string& serverFile,
                                          std::string& generation);
    [[nodiscard]] LockStep NewGeneration(ServerLock& lock, const std::string& serverFile,
                                         std::string& generation);
    // Gives the lock back, over a fresh login when this session was
    // cancelled: a lock left behind would hold up every other computer.
    void ReleaseLock(ServerLock& lock);

  private:
    // Runs `operation` on a worker under the dialog and answers its result;
    // `notRun` when the session was cancelled before it could start. The
    // result is written by the worker and read only after it was joined.
    template <typename Result, typename Operation>
    Result Run(const std::string& file, Result notRun, const Operation& operation,
               const std::function<bool()>& waiting = {}) {
        Result result = notRun;
        RunOnWorker(
            file, [&] { result = operation(); }, waiting);
        return result;
    }
    // The worker and the dialog of Run; does nothing once cancelled.
    void RunOnWorker(const std::string& file, const std::function<void()>& operation,
                     const std::function<bool()>& waiting = {});

    const ConnectSettings& settings_;

    CFtpTransfer ftp_;
    QWidget* parent_;
};
