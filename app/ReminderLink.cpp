#include "ReminderLink.h"

#include <QDBusConnection>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "DesktopNotifier.h"
#include "ReminderDriver.h"
#include "ReminderSettings.h"

namespace {

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
    : subjects_(subjects), iniFile_(std::move(iniFile)) {}

// The driver goes before the notifier it shows through.
ReminderLink::~ReminderLink() {
    driver_.reset();
}

bool ReminderLink::Start(const QDBusConnection& bus, QWidget& firstPainted) {
    notifier_ = std::make_unique<DesktopNotifier>(bus);
    driver_ = std::make_unique<ReminderDriver>(subjects_, *notifier_);
    connect(driver_.get(), &ReminderDriver::ActionRequested, this, &ReminderLink::ActionRequested);
    connect(driver_.get(), &ReminderDriver::RaiseRequested, this, &ReminderLink::RaiseRequested);
    const bool notify = ReadNotifySetting(iniFile_);
    new AfterFirstPaint(&firstPainted, [this, notify] {
        if (!chosen_) {
            driver_->SetEnabled(notify);
        }
    });
    return notify;
}

FileWrite ReminderLink::SetNotify(bool notify) {
    chosen_ = true;
    if (driver_ != nullptr) {
        driver_->SetEnabled(notify);
    }
    return WriteNotifySetting(notify, iniFile_);
}
