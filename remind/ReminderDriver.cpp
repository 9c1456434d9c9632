#include "ReminderDriver.h"

#include <algorithm>

#include "ReminderText.h"
#include "StoredReminderSubjects.h"
#include "SummaryDayFile.h"

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
    : QObject(parent),
      ownView_(std::make_unique<StoredReminderSubjects>(subjects.Tree())),
      subjects_(*ownView_),
      notifier_(notifier),
      clock_(std::move(clock)) {
    Wire();
}

ReminderDriver::ReminderDriver(const ReminderSubjects& subjects, DesktopNotifier& notifier,
                               ClockSource clock, QObject* parent)
    : QObject(parent), subjects_(subjects), notifier_(notifier), clock_(std::move(clock)) {
    Wire();
}

void ReminderDriver::Wire() {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &ReminderDriver::Tick);
    connect(&notifier_, &DesktopNotifier::ActionInvoked, this, &ReminderDriver::OnAction);
}

ReminderDriver::~ReminderDriver() = default;

void ReminderDriver::SetEnabled(bool enabled) {
    if (enabled == enabled_) {
        return;
    }
    enabled_ = enabled;
    scheduler_.Reset();
    if (enabled_) {
        if (summaryDay_ != nullptr) {
            if (const std::optional<ReminderDay> given = summaryDay_->Read()) {
                scheduler_.SummaryGivenOn(*given);
            }
        }
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
    const ReminderTick tick = scheduler_.Tick(subjects_, now);
    if (tick.summary) {
        notifier_.Show(SummaryHeadline(*tick.summary), SummaryBody(*tick.summary));
        if (summaryDay_ != nullptr) {
            // Not kept: the next start gives the summary again, no worse than before.
            static_cast<void>(summaryDay_->Write(*scheduler_.SummaryDay()));
        }
    }
    for (const DueReminder& due : tick.due) {
        notifier_.Show(DueHeadline(due), DueBody(due), QByteArray::fromStdString(due.key));
    }
    CloseWhatNoLongerStands();
    wakeAt_ = tick.wakeAt;
    const std::time_t wait = std::max<std::time_t>(wakeAt_ - now, 1);
    timer_.start(static_cast<int>(wait * 1000));
    emit Looked();
}

void ReminderDriver::CloseWhatNoLongerStands() {
    for (const QByteArray& key : notifier_.ShownKeys()) {
        if (key.size() != static_cast<qsizetype>(kKeySize)) {
            continue;
        }
        const SubjKey subjKey(reinterpret_cast<const std::uint8_t*>(key.data()), kKeySize);
        if (!scheduler_.StillStands(subjects_, subjKey)) {
            notifier_.Close(key);
        }
    }
}

void ReminderDriver::Pick(const QByteArray& key, ReminderAction action) {
    if (busy_) {
        held_.emplace_back(key, action);
        emit RaiseRequested();
        return;
    }
    emit ActionRequested(key, action);
}

void ReminderDriver::OnAction(const QByteArray& key, const QString& action) {
    if (action == QLatin1String(DesktopNotifier::kOpenAction)) {
        Pick(key, ReminderAction::Open);
    } else if (action == QLatin1String(DesktopNotifier::kDoneAction)) {
        Pick(key, ReminderAction::Done);
    }
    // Anything else is a click on the body, where the service reports one.
}
