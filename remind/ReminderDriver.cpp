#include "ReminderDriver.h"

#include <algorithm>

#include "ReminderText.h"

IndivSubj SubjOfKey(const QByteArray& key) {
    if (key.size() != static_cast<qsizetype>(kKeySize)) {
        return {};
    }
    RecordText record{};
    std::copy(key.begin(), key.end(), record.begin());
    return DecodeIndivHead(record);
}

ReminderDriver::ReminderDriver(const IndivSubjList& subjects, DesktopNotifier& notifier,
                               ClockSource clock, QObject* parent)
    : QObject(parent), subjects_(subjects), notifier_(notifier), clock_(std::move(clock)) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &ReminderDriver::Tick);
    connect(&notifier_, &DesktopNotifier::ActionInvoked, this, &ReminderDriver::OnAction);
}

void ReminderDriver::SetEnabled(bool enabled) {
    if (enabled == enabled_) {
        return;
    }
    enabled_ = enabled;
    scheduler_.Reset();
    if (enabled_) {
        Tick();
    } else {
        timer_.stop();
        wakeAt_ = 0;
    }
}

void ReminderDriver::ListsChanged() {
    if (enabled_) {
        Tick();
    }
}

void ReminderDriver::SetBusy(bool busy) {
    busy_ = busy;
    if (!busy_) {
        const auto held = std::exchange(held_, {});
        for (const auto& [key, action] : held) {
            emit ActionRequested(key, action);
        }
    }
}

void ReminderDriver::Tick() {
    if (!enabled_) {
        return;
    }
    const std::time_t now = clock_();
    const ReminderTick tick = scheduler_.Tick(subjects_.Tree(), now);
    if (tick.summary) {
        notifier_.Show(SummaryHeadline(*tick.summary), SummaryBody(*tick.summary));
    }
    for (const DueReminder& due : tick.due) {
        notifier_.Show(DueHeadline(due), DueBody(due), QByteArray::fromStdString(due.key));
    }
    wakeAt_ = tick.wakeAt;
    const std::time_t wait = std::max<std::time_t>(wakeAt_ - now, 1);
    timer_.start(static_cast<int>(wait * 1000));
}

void ReminderDriver::OnAction(const QByteArray& key, const QString& action) {
    ReminderAction picked;
    if (action == QLatin1String(DesktopNotifier::kOpenAction)) {
        picked = ReminderAction::Open;
    } else if (action == QLatin1String(DesktopNotifier::kDoneAction)) {
        picked = ReminderAction::Done;
    } else {
        return;  // a click on the body where the service reports one
    }
    if (busy_) {
        held_.emplace_back(key, picked);
        emit RaiseRequested();
        return;
    }
    emit ActionRequested(key, picked);
}
