// The FTP work of one start-up fetch or one save, done off the user-interface
// thread: each operation runs on a worker thread while a modal progress
// dialog shows the file and the bytes moved, offers キャンセル, and lets the
// windows behind it repaint.
#pragma once

#include <QDialog>

#include <functional>
#include <string>

#include "FtpTransfer.h"

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

    // The operation has ended: the dialog closes.
    void Finish();
    QPushButton* CancelButton() const { return cancelButton_; }

  protected:
    void reject() override;

  private:
    void ShowBytes();

    std::function<std::int64_t()> bytesMoved_;
    std::function<void()> cancel_;
    QLabel* bytes_;
    QPushButton* cancelButton_;
    QTimer* poll_;
    bool finished_ = false;
};

// CFtpTransfer with the settings' login, address and encryption, each of
// its operations run off the user-interface thread under a progress dialog.
// Results as CFtpTransfer's. Once cancelled, every later operation fails at
// once, so the caller's failure messages follow as for any other failure.
class TransferSession {
  public:
    TransferSession(const ConnectSettings& settings, QWidget* parent);

    int Connect();
    int Download(const std::string& serverFile, const std::string& localFile,
                 const std::string& dataFile = {});
    int Upload(const std::string& localFile, const std::string& serverFile);

  private:
    int Run(const std::string& file, const std::function<int()>& operation);

    CFtpTransfer ftp_;
    QWidget* parent_;
};
