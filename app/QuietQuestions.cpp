// QuietQuestions: the window's questions where subjects are at stake, and a
// display that holds the user's input off until it shows the dialog.
#include "QuietQuestions.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include "TransferProgressDlg.h"

namespace {

// What the user does to the window: held off while the sync runs unseen.
bool IsUserInput(const QEvent& event) {
    if (!event.spontaneous()) {
        return false;
    }
    switch (event.type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::Close:
            return true;
        default:
            return false;
    }
}

class QuietDisplay : public QObject, public TransferDisplay {
  public:
    QuietDisplay(const TransferWatch& watch, QWidget* parent) : watch_(watch), parent_(parent) {
        qApp->installEventFilter(this);
        QTimer::singleShot(QuietQuestions::kDialogAfterMs, this, [this] { ShowDialog(); });
    }
    ~QuietDisplay() override { qApp->removeEventFilter(this); }

  protected:
    // Only the window's own input: a question the sync asks meanwhile is answered as ever.
    bool eventFilter(QObject* target, QEvent* event) override {
        const auto* widget = qobject_cast<QWidget*>(target);
        return !dialog_ && widget != nullptr && widget->window() == parent_->window() &&
               IsUserInput(*event);
    }

  private:
    // The modal dialog holds the window off from here on.
    void ShowDialog() { dialog_ = ShowTransferProgress(watch_, parent_); }

    TransferWatch watch_;
    QWidget* parent_;
    std::unique_ptr<TransferDisplay> dialog_;
};

}  // namespace

QuietQuestions::QuietQuestions(DavSyncQuestions& window, QWidget* parent)
    : window_(window), parent_(parent) {}

bool QuietQuestions::KeepDeletedSubjects(const QString& question) {
    return window_.KeepDeletedSubjects(question);
}

bool QuietQuestions::SendListAgain(const QString& question) {
    return window_.SendListAgain(question);
}

void QuietQuestions::Tell(const QString& notice) {
    window_.Tell(notice);
}

std::unique_ptr<TransferDisplay> QuietQuestions::ShowTransfer(const TransferWatch& watch) {
    return std::make_unique<QuietDisplay>(watch, parent_);
}
