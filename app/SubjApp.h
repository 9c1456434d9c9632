// The application object: where the program begins. It lets one copy run per
// logged-in user, runs the main window modally, and ends when that window ends.
#pragma once

#include <QByteArray>

class QWidget;

class CSubjApp {
  public:
    // The whole run. A second copy asks the running one to come forward,
    // handing over `activationToken`, and returns at once without a window
    // and without touching a file. Always 0.
    int InitInstance(const QByteArray& activationToken);
};

// Brings the running copy forward: restores `mainWindow` when it is minimised,
// then activates the topmost modal dialog or message box, else the main window.
// `activationToken` is the raising right handed over by the copy that asked.
void ActivateRunningWindow(QWidget* mainWindow, const QByteArray& activationToken);
