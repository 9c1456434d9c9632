// The program's entry point: the toolkit, then the application object.
#include <QApplication>

#include "SingleInstance.h"
#include "SubjApp.h"

int main(int argc, char** argv) {
    // Without TZ the C library checks the zone file again on every local-time
    // conversion, and every subject read converts twice; naming the system's
    // zone file once makes opening 100 000 subjects several times faster.
    if (qEnvironmentVariableIsEmpty("TZ")) {
        qputenv("TZ", ":/etc/localtime");
    }
    // The toolkit consumes the activation token while it starts.
    const QByteArray activationToken = SingleInstance::ActivationTokenFromEnvironment();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("veskat"));
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(VESKAT_APP_ID));
    CSubjApp app;
    return app.InitInstance(activationToken);
}
