#include "ReminderLink.h"

#include <QDBusConnection>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "DesktopNotifier.h"
#include "ReminderAgentLink.h"
#include "ReminderDriver.h"
#include "ReminderSettings.h"
#include "SummaryDayFile.h"

namespace {

// An agent just started listens within moments; one that does not by then
// is taken for one that could not start, and the window reminds itself.
constexpr int kAgentStartMs = 5000;
// Whether the agent still runs, or has started meanwhile, is looked at as
// often as the reminders look at the subjects.
constexpr int kAgentLookMs = 60000;

// Runs `then` once `watched` has been painted for the first time, from the
// event loop after that paint; a widget never painted never runs it.
class AfterFirstPaint : public QObject {
  public:
    AfterFirstPaint(QWidget* watched, std::function<void()> then)
        : QObject(watched), then_(std::move(then)) {
        watched->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, watched, std::move(then_));
            deleteLater();
        }
        return false;
    }

  private:
    std::function<void()> then_;
};

}  // namespace

ReminderLink::BusyScope::BusyScope(ReminderLink& link) : link_(link) {
    if (link_.busyDepth_++ == 0 && link_.driver_ != nullptr) {
        link_.driver_->SetBusy(true);
    }
}

// The actions held meanwhile are handed on after the look, so that they find
// the subjects as the command left them.
ReminderLink::BusyScope::~BusyScope() {
    if (--link_.busyDepth_ == 0 && link_.driver_ != nullptr) {
        link_.driver_->ListsChanged();
        link_.driver_->SetBusy(false);
    }
}

ReminderLink::ReminderLink(const IndivSubjList& subjects, std::string iniFile)
    : subjects_(subjects), iniFile_(std::move(iniFile)) {
    agentLook_.setSingleShot(true);
    connect(&agentLook_, &QTimer::timeout, this, &ReminderLink::ShowUnlessAgentRuns);
}

// The driver goes before the notifier it shows through.
ReminderLink::~ReminderLink() {
    driver_.reset();
}

void ReminderLink::UseAgent(std::unique_ptr<ReminderAgentLink> agent) {
    agent_ = std::move(agent);
    summaryDay_ = std::make_unique<SummaryDayFile>(SummaryDayFileOf(agent_->Folder()));
    connect(agent_.get(), &ReminderAgentLink::ActionRequested, this,
            [this](const QByteArray& key, ReminderAction action) { driver_->Pick(key, action); });
}

std::string ReminderLink::AutostartFile() const {
    return agent_ != nullptr ? agent_->AutostartFile() : std::string();
}

bool ReminderLink::Start(const QDBusConnection& bus, QWidget& firstPainted) {
    notifier_ = std::make_unique<DesktopNotifier>(bus);
    driver_ = std::make_unique<ReminderDriver>(subjects_, *notifier_);
    connect(driver_.get(), &ReminderDriver::ActionRequested, this, &ReminderLink::ActionRequested);
    connect(driver_.get(), &ReminderDriver::RaiseRequested, this, &ReminderLink::RaiseRequested);
    if (summaryDay_ != nullptr && !summaryDay_->FileName().empty()) {
        driver_->KeepSummaryDayIn(summaryDay_.get());
    }
    const bool notify = ReadNotifySetting(iniFile_);
    new AfterFirstPaint(&firstPainted, [this, notify] {
        if (!chosen_) {
            TurnTo(notify);
        }
    });
    // From the event loop, once the window runs it: an action on a subject
    // shows the window as it will stay.
    QTimer::singleShot(0, this, [this, early = std::exchange(early_, {})] {
        for (const ReminderRequest& request : early) {
            Take(request);
        }
    });
    return notify;
}

// The setting is written first: an agent started reads it, and ends at once
// while it says off.
NotifyKept ReminderLink::SetNotify(bool notify) {
    chosen_ = true;
    const FileWrite setting = WriteNotifySetting(notify, iniFile_);
    const FileWrite autostart = agent_ != nullptr ? agent_->SetNotify(notify) : FileWrite::Written;
    notify_ = notify;
    if (driver_ != nullptr) {
        if (notify && agent_ != nullptr) {
            AwaitAgent();
        } else {
            ShowUnlessAgentRuns();
        }
    }
    if (setting != FileWrite::Written) {
        return NotifyKept::SettingNotWritten;
    }
    return autostart == FileWrite::Written ? NotifyKept::Kept : NotifyKept::AutostartNotWritten;
}

// An entry that cannot be kept is told when the user turns 通知する; at
// start the reminders go on all the same.
void ReminderLink::TurnTo(bool notify) {
    notify_ = notify;
    if (agent_ != nullptr) {
        static_cast<void>(agent_->KeepAutostart(notify));
    }
    if (notify && agent_ != nullptr && !agent_->AgentRuns() && agent_->StartAgent()) {
        AwaitAgent();
    } else {
        ShowUnlessAgentRuns();
    }
}

// Quiet until the agent listens, so that the two never both give the summary.
void ReminderLink::AwaitAgent() {
    driver_->SetEnabled(false);
    agentLook_.start(kAgentStartMs);
}

void ReminderLink::ShowUnlessAgentRuns() {
    agentLook_.stop();
    if (!notify_) {
        driver_->SetEnabled(false);
        return;
    }
    if (agent_ == nullptr) {
        driver_->SetEnabled(true);
        return;
    }
    driver_->SetEnabled(!agent_->AgentRuns());
    agentLook_.start(kAgentLookMs);
}

void ReminderLink::Take(const ReminderRequest& request) {
    if (driver_ == nullptr) {
        early_.push_back(request);
    } else if (agent_ != nullptr) {
        agent_->Take(request);
    }
}

void ReminderLink::TellMarkedDone(const QByteArray& key) {
    if (agent_ != nullptr) {
        agent_->TellMarkedDone(key);
    }
}

void ReminderLink::TellMarkedOpen(const QByteArray& key) {
    if (agent_ != nullptr) {
        agent_->TellMarkedOpen(key);
    }
}
