#include "QtMessageService.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include "IndicatorStyle.h"

namespace {

// A box over a window that is not on the screen yet (at start-up) would sit at
// that window's corner and take its dialog font; it goes to the middle of the
// screen in the desktop's font instead.
QWidget* Owner(QWidget* parent) {
    return parent != nullptr && parent->window()->isVisible() ? parent : nullptr;
}

// The buttons carry the dialogs' focus ring.
void Run(QMessageBox& box) {
    for (QAbstractButton* button : box.buttons()) {
        button->setStyle(IndicatorStyle::Shared());
    }
    box.exec();
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
    box.setAttribute(Qt::WA_KeyboardFocusChange);  // the focused button shows its ring at once
    if (buttons == MessageButtons::Ok) {
        // Every OK box of the program refuses something or reports a failure.
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Ok);
        Run(box);
        return MessageAnswer::Ok;
    }
    box.setIcon(QMessageBox::Question);
    // The box answers the plain letters Y and N as well as Alt with them.
    QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
    box.setDefaultButton(buttons == MessageButtons::YesNoDefaultNo ? no : yes);
    if (buttons == MessageButtons::YesNoCancel) {
        // Esc and the close box take the way back.
        QPushButton* cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
        box.setEscapeButton(cancel);
        Run(box);
        return box.clickedButton() == yes  ? MessageAnswer::Yes
               : box.clickedButton() == no ? MessageAnswer::No
                                           : MessageAnswer::Cancel;
    }
    // A Yes/No question has no close box; Esc answers No, which never acts.
    box.setWindowFlags((box.windowFlags() | Qt::CustomizeWindowHint) & ~Qt::WindowCloseButtonHint);
    Run(box);
    return box.clickedButton() == yes ? MessageAnswer::Yes : MessageAnswer::No;
}
