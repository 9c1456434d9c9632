// ServerWatch: the timer, the look on its worker, and what is done with it.
#include "ServerWatch.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include "DavAddress.h"
#include "DavClient.h"
#include "DavLink.h"
#include "DavSettings.h"
#include "SjisCodec.h"
#include "SubjList.h"

// One look: its client, which the window's thread may cancel, and what it
// asks of the server, read on the worker.
struct ServerWatch::Look {
    DavClient client;
    std::vector<const char*> dataFiles;  // the data file whose state knows each list
    std::vector<ProbedList> lists;
};

ServerWatch::ServerWatch(const DavSettings& settings, Hooks hooks, QWidget* window)
    : QObject(window),
      settings_(settings),
      hooks_(std::move(hooks)),
      window_(window),
      timer_(new QTimer(this)) {
    connect(timer_, &QTimer::timeout, this, &ServerWatch::Tick);
    timer_->start(kInterval);
}

ServerWatch::~ServerWatch() {
    if (look_) {
        look_->client.Cancel();
    }
    if (worker_.joinable()) {
        worker_.join();
    }
}

void ServerWatch::SetInterval(std::chrono::milliseconds interval) {
    timer_->start(interval);
}

// A dialog over the window (the window itself runs modal) is the user at
// work on something the sync could overturn, or a save's own sync under way;
// a menu open is a command about to act on the rows. The look waits for a
// tick with neither.
bool ServerWatch::DialogOpen() const {
    const QWidget* modal = QApplication::activeModalWidget();
    return (modal != nullptr && modal != window_) || QApplication::activePopupWidget() != nullptr;
}

void ServerWatch::Tick() {
    const bool noPassword = !settings_.userId.empty() && settings_.password.empty();
    if (look_ || syncing_ || DialogOpen() || noPassword || !hooks_.davOn()) {
        return;
    }
    if (worker_.joinable()) {
        worker_.join();
    }
    auto look = std::make_shared<Look>();
    look->client.SetCaFile(SjisToQString(settings_.caFile).toLocal8Bit().toStdString());
    look->client.SetStallSeconds(kStallSeconds);
    look->client.SetLogin(SjisToQString(settings_.userId).toStdString(), settings_.password);
    // Each list the sync keeps, with the state that knows it.
    look->dataFiles = {kIndivFileName};
    look->lists = {{QUrl(SjisToQString(settings_.url)), {}, {}}};
    if (const QUrl companion = DavLink::Companion(settings_); !companion.isEmpty()) {
        look->dataFiles.push_back(kRepFileName);
        look->lists.push_back({companion, {}, {}});
    }
    for (ProbedList& list : look->lists) {
        for (const auto& [url, ctag] : ctags_) {
            if (SameResource(url, list.url)) {
                list.ctag = ctag;
            }
        }
    }
    look_ = look;
    worker_ = std::thread([this, look] {
        for (std::size_t i = 0; i < look->lists.size(); ++i) {
            look->lists[i].syncToken = StateToken(look->dataFiles[i], look->lists[i].url);
        }
        const ProbeResult result = ProbeLists(look->client, look->lists);
        QMetaObject::invokeMethod(
            this, [this, result] { Ended(result); }, Qt::QueuedConnection);
    });
}

// The ctags read before the sync began: whatever changed after them is
// found by the next look.
void ServerWatch::Ended(const ProbeResult& result) {
    const std::shared_ptr<Look> look = std::move(look_);
    worker_.join();
    if (result.outcome == ProbeOutcome::Changed && !DialogOpen() && hooks_.davOn() &&
        !hooks_.unsaved()) {
        syncing_ = true;
        if (hooks_.syncNow()) {
            ctags_.clear();
            for (std::size_t i = 0; i < result.marks.size(); ++i) {
                ctags_.emplace_back(look->lists[i].url, result.marks[i].ctag);
            }
        }
        syncing_ = false;
    }
    emit Looked(result.outcome);
}
