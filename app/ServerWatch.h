// The main window's light look at its CalDAV task lists every few minutes
// while it is open: a look off the window's thread at each list's sync-token
// or ctag (ChangeProbe.h), and, where another device changed a list and
// nothing here is unsaved, the sync run at once through the window's hook,
// which takes its merge in as a save's merge is taken in. With something
// unsaved nothing is taken: the next save syncs anyway. No look is taken and
// nothing is taken in while a dialog of the window is open; the next tick
// looks again. A server that cannot be reached makes no sound.
#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "ChangeProbe.h"

struct DavSettings;
class QTimer;
class QWidget;

class ServerWatch : public QObject {
    Q_OBJECT

  public:
    static constexpr std::chrono::milliseconds kInterval = std::chrono::minutes(5);
    // How long the look waits on a silent server; the worker is gone by then.
    static constexpr long kStallSeconds = 20;

    struct Hooks {
        std::function<bool()> davOn;    // CalDAV is the server in use
        std::function<bool()> unsaved;  // the lists differ from the saved files
        std::function<bool()> syncNow;  // runs the sync and takes in its merge; false when
                                        // it could not reach the server
    };

    // `settings` (the link's own, the password it holds included) must
    // outlive the watch; `window` owns it. Ticks from the start.
    ServerWatch(const DavSettings& settings, Hooks hooks, QWidget* window);
    // A look still running is cancelled and waited for.
    ~ServerWatch() override;

    void SetInterval(std::chrono::milliseconds interval);

  signals:
    // A look ended, and what came of it was done (for the tests).
    void Looked(ProbeOutcome outcome);

  private:
    struct Look;

    void Tick();
    void Ended(const ProbeResult& result);
    bool DialogOpen() const;

    const DavSettings& settings_;
    Hooks hooks_;
    QWidget* window_;
    QTimer* timer_;
    // The ctag each list had when the last sync run from here began.
    std::vector<std::pair<QUrl, QString>> ctags_;
    std::shared_ptr<Look> look_;  // the running one; null between looks
    std::thread worker_;
    bool syncing_ = false;
};
