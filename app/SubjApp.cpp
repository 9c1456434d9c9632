#include "SubjApp.h"

#include <QApplication>
#include <QWidget>

#include "QtMessageService.h"
#include "SingleInstance.h"
#include "SubjListDlg.h"

void ActivateRunningWindow(QWidget* mainWindow, const QByteArray& activationToken) {
    if (!activationToken.isEmpty()) {
        // Where the compositor decides who may raise a window, the token of the
        // copy the user just started is the permission to do so.
        qputenv("XDG_ACTIVATION_TOKEN", activationToken);
    }
    if (mainWindow->isMinimized()) {
        mainWindow->setWindowState(mainWindow->windowState() & ~Qt::WindowMinimized);
        mainWindow->show();
    }
    QWidget* target = QApplication::activeModalWidget();
    if (target == nullptr) {
        target = mainWindow;
    }
    target->raise();
    target->activateWindow();
}

int CSubjApp::InitInstance(const QByteArray& activationToken) {
    SingleInstance instance(SingleInstance::DefaultName());
    switch (instance.Claim()) {
        case SingleInstance::Role::Failed:
            return 0;
        case SingleInstance::Role::Second:
            instance.AskRunningToComeForward(activationToken);
            return 0;
        case SingleInstance::Role::First:
            break;
    }
    QtMessageService messages;
    CSubjListDlg window(messages);
    QObject::connect(&window, &CSubjListDlg::Marked, &window, [&instance] { instance.Listen(); });
    QObject::connect(&instance, &SingleInstance::ComeForward, &window,
                     [&window](const QByteArray& token) { ActivateRunningWindow(&window, token); });
    // The mark goes with the window: no request is answered after it is destroyed.
    QObject::connect(&window, &QObject::destroyed, &instance, &SingleInstance::StopListening);
    window.DoModal();
    return 0;
}
