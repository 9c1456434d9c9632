#include "ReminderAgent.h"

#include "ReminderSettings.h"
#include "SubjList.h"

namespace {

constexpr const char* kIniFileName = "veskat.ini";

}  // namespace

ReminderAgent::ReminderAgent(Setup setup, QObject* parent)
    : QObject(parent),
      setup_(std::move(setup)),
      summaryDay_(setup_.summaryDayFile),
      notifier_(setup_.bus, *setup_.errors),
      driver_(index_, notifier_, setup_.clock),
      asker_(setup_.windowServer, setup_.startWindow) {
    driver_.KeepSummaryDayIn(&summaryDay_);
    connect(&driver_, &ReminderDriver::ActionRequested, this,
            [this](const QByteArray& key, ReminderAction action) {
                asker_.Ask(ReminderRequest::ForAction(action, key));
            });
    connect(&asker_, &WindowAsker::Asked, this, &ReminderAgent::OnAsked);
}

ReminderAgent::~ReminderAgent() = default;

std::string ReminderAgent::FileOf(const char* name) const {
    return (setup_.folder + QLatin1Char('/') + QString::fromLatin1(name)).toStdString();
}

bool ReminderAgent::NotifyIsOn() const {
    return ReadNotifySetting(FileOf(kIniFileName));
}

bool ReminderAgent::Start() {
    if (!NotifyIsOn()) {
        return false;
    }
    // Watched before the first read, so that a save in between is read too.
    watch_ = std::make_unique<FolderWatch>(
        setup_.folder,
        QStringList{QString::fromLatin1(kIndivFileName), QString::fromLatin1(kIniFileName)},
        setup_.settleMs);
    connect(watch_.get(), &FolderWatch::Changed, this, &ReminderAgent::OnChanged);
    // The look once a minute is also when the files are looked at, should
    // the system's notices have missed a change.
    connect(&driver_, &ReminderDriver::Looked, watch_.get(), &FolderWatch::Look);
    ReadSubjects();
    driver_.SetEnabled(true);
    return true;
}

void ReminderAgent::ReadSubjects() {
    const std::string fileName = FileOf(kIndivFileName);
    if (index_.Read(fileName, setup_.clock()) == ReminderIndex::ReadResult::Failed) {
        *setup_.errors << "veskat: " << fileName
                       << ": could not be read; reminders go on as it was read before" << std::endl;
    }
}

void ReminderAgent::OnChanged(const QString& name) {
    if (ended_) {
        return;
    }
    if (name == QLatin1String(kIniFileName)) {
        if (!NotifyIsOn()) {
            End();
        }
        return;
    }
    ReadSubjects();
    driver_.ListsChanged();
    emit Reread();
}

void ReminderAgent::Take(const ReminderRequest& request) {
    if (request.kind == ReminderRequest::Kind::End) {
        End();
    } else if ((request.kind == ReminderRequest::Kind::MarkedDone ||
                request.kind == ReminderRequest::Kind::MarkedOpen) &&
               request.key.size() == static_cast<qsizetype>(kKeySize)) {
        const SubjKey key(reinterpret_cast<const std::uint8_t*>(request.key.constData()), kKeySize);
        const bool held = request.kind == ReminderRequest::Kind::MarkedDone
                              ? index_.HoldAsDone(key)
                              : index_.ReleaseHold(key);
        if (held) {
            driver_.ListsChanged();
        }
    }
}

void ReminderAgent::OnAsked(const ReminderRequest& /*request*/, WindowAsker::Way way) {
    if (way == WindowAsker::Way::Failed) {
        *setup_.errors << "veskat: no window took the action picked on a reminder, and none "
                          "could be started"
                       << std::endl;
    }
}

void ReminderAgent::End() {
    if (!ended_) {
        ended_ = true;
        driver_.SetEnabled(false);
        emit Ended();
    }
}
