// The program's entry point: the toolkit, then the application object.
#include <QApplication>
#include <iostream>

#include "Clock.h"
#include "CommandLine.h"
#include "MessageLanguage.h"
#include "ReminderRequest.h"
#include "SingleInstance.h"
#include "StartUpProbe.h"
#include "SubjApp.h"
#include "ToolkitTranslations.h"

int main(int argc, char** argv) {
    // Opening 100 000 subjects is several times faster with the zone read once.
    LocalTime::ReadZoneOnce();
    if (const std::optional<int> code = RunCommandLine(argc, argv)) {
        ReportPeakIfAsked();
        return *code;
    }
    // The toolkit consumes the activation token while it starts.
    const QByteArray activationToken = SingleInstance::ActivationTokenFromEnvironment();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("veskat"));
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(VESKAT_APP_ID));
    static_cast<void>(InstallToolkitTranslations());  // or the toolkit's texts stay English
    InstallStartUpProbe();
    // The reminder agent starts the window so to have it take an action.
    bool wrong = false;
    const std::optional<ReminderRequest> request =
        RequestOfArguments(QCoreApplication::arguments().mid(1), wrong);
    if (wrong) {
        std::cerr << "veskat: "
                  << InUserLanguage(
                         "--reminder-action takes open or done and a subject's key\n",
                         "--reminder-action には open か done と案件のキーを指定します\n");
        return 2;
    }
    CSubjApp app;
    return app.InitInstance(activationToken, request);
}
