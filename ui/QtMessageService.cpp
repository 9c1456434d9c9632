#include "QtMessageService.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace {

// A box over a window that is not on the screen yet (at start-up) would sit at
// that window's corner and take its dialog font; it goes to the middle of the
// screen in the desktop's font instead.
QWidget* Owner(QWidget* parent) {
    return parent != nullptr && parent->window()->isVisible() ? parent : nullptr;
}

}  // namespace

MessageAnswer QtMessageService::Show(QWidget* parent, const QString& text, MessageButtons buttons) {
    return ShowDetailed(parent, text, QString(), buttons);
}

MessageAnswer QtMessageService::ShowDetailed(QWidget* parent, const QString& text,
                                             const QString& detail, MessageButtons buttons) {
    QMessageBox box(Owner(parent));
    box.setWindowTitle(kMessageCaption);
    box.setText(text);
    box.setTextFormat(Qt::PlainText);
    if (!detail.isEmpty()) {
        // A title is shown as typed, never read as markup.
        box.setInformativeText(detail);
        if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
            label->setTextFormat(Qt::PlainText);
        }
    }
    box.setWindowModality(Qt::ApplicationModal);
    if (buttons == MessageButtons::Ok) {
        // Every OK box of the program refuses something or reports a failure.
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return MessageAnswer::Ok;
    }
    box.setIcon(QMessageBox::Question);
    // The box answers the plain letters Y and N as well as Alt with them.
    QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
    box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    // A question has no close box; Esc answers No, which never acts.
    box.setWindowFlags((box.windowFlags() | Qt::CustomizeWindowHint) & ~Qt::WindowCloseButtonHint);
    box.exec();
    return box.clickedButton() == yes ? MessageAnswer::Yes : MessageAnswer::No;
}
