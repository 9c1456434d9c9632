// The application object: where the program begins. It lets one window run per
// logged-in user and data folder, runs the main window modally, and ends when
// that window ends.
#pragma once

#include <QByteArray>
#include <optional>

#include "ReminderRequest.h"

class CSubjListDlg;
class QWidget;
class SingleInstance;

class CSubjApp {
  public:
    // The whole run, in the data folder that is the working folder. A second
    // copy asks the running one to come forward, handing over
    // `activationToken` and `request` (the reminder agent's action it was
    // started with, if any), and returns at once without a window and without
    // touching a file; so does any start while a window of an earlier version
    // runs, as that one took every folder for its own. Always 0.
    int InitInstance(const QByteArray& activationToken,
                     const std::optional<ReminderRequest>& request = std::nullopt);
};

// Brings the running copy forward: restores `mainWindow` when it is minimised,
// then activates the topmost modal dialog or message box, else the main window.
// `activationToken` is the raising right handed over by the copy that asked.
void ActivateRunningWindow(QWidget* mainWindow, const QByteArray& activationToken);

// Lets `window` answer on its folder's guard `instance`: it listens once the
// window is marked and until the window goes, comes forward for every
// request, and takes the actions of the folder's reminder agent, `started`
// (the one the agent started the window with) among them once it runs.
void AnswerOnGuard(CSubjListDlg& window, SingleInstance& instance,
                   const std::optional<ReminderRequest>& started);
