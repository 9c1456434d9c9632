#include "SubjApp.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QThread>
#include <QWidget>

#include "LoadAhead.h"
#include "QtMessageService.h"
#include "ReminderAgentLink.h"
#include "ReminderLink.h"
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

void AnswerOnGuard(CSubjListDlg& window, SingleInstance& instance,
                   const std::optional<ReminderRequest>& started) {
    QObject::connect(&window, &CSubjListDlg::Marked, &window, [&instance] { instance.Listen(); });
    QObject::connect(&instance, &SingleInstance::ComeForward, &window,
                     [&window](const QByteArray& token) { ActivateRunningWindow(&window, token); });
    QObject::connect(&instance, &SingleInstance::Requested, &window,
                     [&window](const ReminderRequest& asked) {
                         ActivateRunningWindow(&window, asked.token);
                         window.Reminders().Take(asked);
                     });
    // The mark goes with the window: no request is answered after it is destroyed.
    QObject::connect(&window, &QObject::destroyed, &instance, &SingleInstance::StopListening);
    if (started) {
        window.Reminders().Take(*started);
    }
}

namespace {

// A window started by the agent just as another one starts finds that one
// before it listens: the action is handed over once it does, or given up.
constexpr int kHandOverMs = 10000;

void HandOver(SingleInstance& instance, ReminderRequest request) {
    const QDeadlineTimer deadline(kHandOverMs);
    while (!instance.AskRunning(request) && !deadline.hasExpired()) {
        QThread::msleep(100);
    }
}

}  // namespace

int CSubjApp::InitInstance(const QByteArray& activationToken,
                           const std::optional<ReminderRequest>& request) {
    if (SingleInstance::EarlierWindowRuns()) {
        SingleInstance(SingleInstance::EarlierWindowName())
            .AskRunningToComeForward(activationToken);
        return 0;
    }
    SingleInstance instance(
        SingleInstance::NameFor(SingleInstance::Owner::Window, QDir::currentPath()));
    switch (instance.Claim()) {
        case SingleInstance::Role::Failed:
            return 0;
        case SingleInstance::Role::Second:
            if (request) {
                ReminderRequest handed = *request;
                handed.token = activationToken;
                HandOver(instance, handed);
            } else {
                instance.AskRunningToComeForward(activationToken);
            }
            return 0;
        case SingleInstance::Role::First:
            break;
    }
    // Only the folder's own window reads its files, and it reads them while it is built.
    LoadAhead ahead;
    QtMessageService messages;
    CSubjListDlg window(messages);
    window.LoadFrom(ahead);
    window.Reminders().UseAgent(std::make_unique<ReminderAgentLink>(
        QDir::currentPath(), QCoreApplication::applicationFilePath()));
    AnswerOnGuard(window, instance, request);
    window.DoModal();
    return 0;
}
