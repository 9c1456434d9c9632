// The progress dialog of one server transfer: the file and the bytes moved,
// with キャンセル, modal while the transfer runs on its worker thread (see
// TransferSession.h), the windows behind it still repainting.
#pragma once

#include <QDialog>

#include <memory>

#include "SyncQuestions.h"

class QLabel;
class QPushButton;
class QTimer;

// キャンセル, Esc and the close box only ask for the end, through the watch's
// cancel; the dialog stays until Finish(), once the transfer has ended.
class TransferProgressDlg : public QDialog {
  public:
    // `watch` is polled several times a second.
    TransferProgressDlg(TransferWatch watch, QWidget* parent);

    // The transfer has ended: the dialog closes.
    void Finish();
    QPushButton* CancelButton() const { return cancelButton_; }

  protected:
    void reject() override;

  private:
    void ShowBytes();

    TransferWatch watch_;
    QLabel* fileLabel_;
    QString fileText_;
    QLabel* bytes_;
    QPushButton* cancelButton_;
    QTimer* poll_;
    bool finished_ = false;
};

// The dialog as a TransferDisplay, shown modal over `parent` at once.
[[nodiscard]] std::unique_ptr<TransferDisplay> ShowTransferProgress(const TransferWatch& watch,
                                                                    QWidget* parent);
