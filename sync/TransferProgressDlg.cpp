// TransferProgressDlg and the display made of it.
#include "TransferProgressDlg.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

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

TransferProgressDlg::TransferProgressDlg(TransferWatch watch, QWidget* parent)
    : QDialog(parent),
      watch_(std::move(watch)),
      fileLabel_(new QLabel(this)),
      fileText_(watch_.file.isEmpty() ? QString::fromUtf8(kLoggingIn)
                                      : QString::fromUtf8(kFileLine).arg(watch_.file)),
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
    const bool waiting = watch_.waitingForLock && watch_.waitingForLock();
    const QString text = waiting ? QString::fromUtf8(kWaitingForLock) : fileText_;
    if (fileLabel_->text() != text) {
        fileLabel_->setText(text);
        adjustSize();
    }
    bytes_->setText(QString::fromUtf8(kBytesLine).arg(watch_.bytesMoved()));
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
    watch_.cancel();
}

namespace {

// The dialog shown without a loop of its own: the session's loop runs it
// until the transfer ends, then the display goes and the dialog with it.
class ProgressDialogDisplay : public TransferDisplay {
  public:
    ProgressDialogDisplay(const TransferWatch& watch, QWidget* parent) : dialog_(watch, parent) {
        dialog_.show();
    }
    ~ProgressDialogDisplay() override { dialog_.Finish(); }
    ProgressDialogDisplay(const ProgressDialogDisplay&) = delete;
    ProgressDialogDisplay& operator=(const ProgressDialogDisplay&) = delete;

  private:
    TransferProgressDlg dialog_;
};

}  // namespace

std::unique_ptr<TransferDisplay> ShowTransferProgress(const TransferWatch& watch, QWidget* parent) {
    return std::make_unique<ProgressDialogDisplay>(watch, parent);
}
