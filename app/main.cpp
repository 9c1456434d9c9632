// The program's entry point: the toolkit, then the application object.
#include <QApplication>

#include "SingleInstance.h"
#include "SubjApp.h"

int main(int argc, char** argv) {
    // The toolkit consumes the activation token while it starts.
    const QByteArray activationToken = SingleInstance::ActivationTokenFromEnvironment();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("veskat"));
    CSubjApp app;
    return app.InitInstance(activationToken);
}
