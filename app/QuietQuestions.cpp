// QuietQuestions: the window's questions where subjects are at stake, and a
// display that holds the user's input off until it shows the dialog.
#include "QuietQuestions.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include "TransferProgressDlg.h"

namespace {

// What the user does to the window: held off while the sync runs unseen. A
// key bound to a command reaches it as a shortcut the program sends itself.
bool IsUserInput(const QEvent& event) {
    switch (event.type()) {
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
            return true;
        default:
            break;
    }
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

// `below` is the modal window under which the sync began (the main window
// runs modal), or none.
class QuietDisplay : public QObject, public TransferDisplay {
  public:
    QuietDisplay(const TransferWatch& watch, QWidget* parent)
        : watch_(watch), parent_(parent), below_(QApplication::activeModalWidget()) {
        qApp->installEventFilter(this);
        QTimer::singleShot(QuietQuestions::kDialogAfterMs, this, [this] { ShowDialog(); });
    }
    ~QuietDisplay() override { qApp->removeEventFilter(this); }

  protected:
    // A question the sync asks meanwhile is answered as ever; every other
    // window of the program (the month pane too) waits. Events reach a
    // window before its widgets, so they are held at the widgets; a
    // shortcut goes to its action, and is held by where the keyboard is.
    bool eventFilter(QObject* target, QEvent* event) override {
        if (dialog_ || !IsUserInput(*event)) {
            return false;
        }
        const bool shortcut =
            event->type() == QEvent::Shortcut || event->type() == QEvent::ShortcutOverride;
        const QWidget* widget =
            shortcut ? QApplication::focusWidget() : qobject_cast<QWidget*>(target);
        if (widget == nullptr) {
            return shortcut;
        }
        const QWidget* modal = QApplication::activeModalWidget();
        return modal == nullptr || modal == below_ || widget->window() != modal;
    }

  private:
    // The modal dialog holds the window off from here on.
    void ShowDialog() { dialog_ = ShowTransferProgress(watch_, parent_); }

    TransferWatch watch_;
    QWidget* parent_;
    const QWidget* below_;
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
