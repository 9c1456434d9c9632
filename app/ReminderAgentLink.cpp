#include "ReminderAgentLink.h"

#include <QDir>
#include <QLocalSocket>
#include <QProcess>

#include "AutostartEntry.h"
#include "LocalRequest.h"
#include "SingleInstance.h"
#include "SubjList.h"
#include "SummaryDayFile.h"

namespace {

// A connection to a socket that is listened on is made at once, answered or not.
constexpr int kConnectMs = 500;

QString AgentServer(const QString& folder) {
    return SingleInstance::ServerPath(
        SingleInstance::NameFor(SingleInstance::Owner::Agent, folder));
}

void TellAgent(const QString& folder, const ReminderRequest& request) {
    LocalRequest::Send(AgentServer(folder), RequestLine(request));
}

}  // namespace

ActionStep StepFor(ReminderAction action, SubjectStanding standing) {
    if (standing == SubjectStanding::Gone) {
        return {.sayGone = true};
    }
    if (action == ReminderAction::Open) {
        return {.select = true};
    }
    return {.select = true, .markDone = standing == SubjectStanding::NotDone, .tellAgent = true};
}

SubjectStanding StandingOf(IndivSubjList& subjects, const QByteArray& key) {
    subjects.current = SubjOfKey(key);
    if (subjects.Find() != StoreResult::Done) {
        return SubjectStanding::Gone;
    }
    return subjects.current.progress == Progress::Done ? SubjectStanding::Done
                                                       : SubjectStanding::NotDone;
}

std::string SummaryDayFileOf(const QString& folder) {
    const std::string stateFolder = SummaryDayFile::StateFolder();
    if (stateFolder.empty()) {
        return {};
    }
    return stateFolder + "/summary-" +
           SingleInstance::FolderKey(QDir(folder).absolutePath()).toStdString();
}

ReminderAgentLink::ReminderAgentLink(const QString& folder, QString program, QObject* parent)
    : QObject(parent), folder_(QDir(folder).absolutePath()), program_(std::move(program)) {}

void ReminderAgentLink::Take(const ReminderRequest& request) {
    if (request.kind == ReminderRequest::Kind::ComeForward) {
        emit RaiseRequested(request.token);
    } else if (const std::optional<ReminderAction> action = request.Action()) {
        emit RaiseRequested(request.token);
        emit ActionRequested(request.key, *action);
    }
}

void ReminderAgentLink::TellMarkedDone(const QByteArray& key) {
    TellAgent(folder_, {ReminderRequest::Kind::MarkedDone, key, {}});
}

bool ReminderAgentLink::AgentRuns() const {
    QLocalSocket socket;
    socket.connectToServer(AgentServer(folder_));
    return socket.waitForConnected(kConnectMs);
}

bool ReminderAgentLink::StartAgent() {
    return QProcess::startDetached(program_, {QStringLiteral("--remind"), folder_}, folder_);
}

std::string ReminderAgentLink::AutostartFile() const {
    return AutostartEntry::FileNameFor(SingleInstance::FolderKey(folder_).toStdString());
}

FileWrite ReminderAgentLink::SetNotify(bool notify) {
    const AutostartEntry entry(AutostartFile());
    if (!notify) {
        TellAgent(folder_, {ReminderRequest::Kind::End, {}, {}});
        return entry.Remove() ? FileWrite::Written : FileWrite::Failed;
    }
    if (!AgentRuns()) {
        static_cast<void>(StartAgent());  // the entry below starts it at the next login
    }
    return entry.Write(program_, {QStringLiteral("--remind"), folder_});
}
