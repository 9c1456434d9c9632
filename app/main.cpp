// The program's entry point: the toolkit, then the application object.
#include <QApplication>

#include "Clock.h"
#include "CommandLine.h"
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
    static_cast<void>(InstallToolkitTranslations());
    InstallStartUpProbe();
    CSubjApp app;
    return app.InitInstance(activationToken);
}
