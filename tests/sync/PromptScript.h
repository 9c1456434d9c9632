// Driving the connection dialog and the password prompt from a test: each
// runs modally, so a timer acts on it once it is the modal window.
#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <functional>

#include "ConnectDlg.h"
#include "Password.h"
#include "ResourceIds.h"

// Answers the next modal dialog of type D with `act`, from the event loop.
template <class D>
void WhenShown(std::function<void(D*)> act) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            if (auto* typed = dynamic_cast<D*>(dialog)) {
                // The connection dialog fills its controls at its first paint,
                // which may come after it became the modal window.
                if (auto* connect = dynamic_cast<CConnectDlg*>(dialog);
                    connect != nullptr && connect->PaintCount() == 0) {
                    return;
                }
                timer->stop();
                timer->deleteLater();
                act(typed);
            }
        }
    });
    timer->start(10);
}

inline QPushButton* Button(QDialog* dialog, int id) {
    return static_cast<TemplateDialog*>(dialog)->Control<QPushButton>(id);
}

// The prompt is answered: OK with `password`, or Cancel when null.
inline void AnswerPassword(const char* password, int* shown) {
    WhenShown<CPassword>([password, shown](CPassword* dialog) {
        ++*shown;
        if (password == nullptr) {
            Button(dialog, 2)->click();
            return;
        }
        dialog->Control<QLineEdit>(PasswordDialogIds::kPasswordEdit)
            ->setText(QString::fromUtf8(password));
        Button(dialog, 1)->click();
    });
}
