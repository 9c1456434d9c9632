#include "RemindCommand.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QProcess>
#include <iostream>

#include "CalendarCommands.h"
#include "MessageLanguage.h"
#include "ReminderAgent.h"
#include "ReminderAgentLink.h"
#include "SingleInstance.h"
#include "StartUpProbe.h"

int RunReminderAgent(int argc, char** argv, const std::string& folder) {
    if (!QDir(QString::fromLocal8Bit(folder.c_str())).exists()) {
        std::cerr << "veskat: " << InUserLanguage("no such folder: ", "フォルダーがありません: ")
                  << folder << "\n";
        return kCommandNoFolder;
    }
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("veskat"));
    const QString path = QDir(QString::fromLocal8Bit(folder.c_str())).absolutePath();
    SingleInstance guard(SingleInstance::NameFor(SingleInstance::Owner::Agent, path));
    if (guard.Claim() != SingleInstance::Role::First) {
        return 0;  // the folder's agent runs already
    }
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        std::cerr << "veskat: "
                  << InUserLanguage("no session bus; reminders cannot be shown",
                                    "セッションバスがないため通知できません")
                  << "\n";
        return 1;
    }
    const QString program = QCoreApplication::applicationFilePath();
    ReminderAgent agent({
        .folder = path,
        .bus = bus,
        .summaryDayFile = SummaryDayFileOf(path),
        .windowServer = SingleInstance::ServerPath(
            SingleInstance::NameFor(SingleInstance::Owner::Window, path)),
        .startWindow =
            [program, path](const QStringList& arguments) {
                return QProcess::startDetached(program, arguments, path);
            },
    });
    if (!agent.Start()) {
        std::cerr << "veskat: "
                  << InUserLanguage("reminders are off for this folder (通知する)",
                                    "このフォルダーの通知はオフです (通知する)")
                  << "\n";
        return 0;
    }
    EndAfterFirstLookIfProbed();
    QObject::connect(&guard, &SingleInstance::Requested, &agent, &ReminderAgent::Take);
    QObject::connect(&agent, &ReminderAgent::Ended, &application, &QCoreApplication::quit);
    guard.Listen();
    return QCoreApplication::exec();
}
