// DavLink: the sync on a worker, its questions on the window's thread.
#include "DavLink.h"

#include <QCoreApplication>
#include <QThread>
#include <QUrl>

#include "DavClient.h"
#include "DavSync.h"
#include "SecretMemory.h"
#include "ServerQuestions.h"
#include "SjisCodec.h"
#include "SubjList.h"
#include "SystemZone.h"
#include "WorkerRun.h"

namespace {

const char* const kLocalDamaged =
    "個別案件ファイルを読めなかったため、CalDAVサーバーと同期しませんでした。";
const char* const kCancelled =
    "CalDAVサーバーとの同期を途中でやめました。残りは次に保存したときに同期します。";

// The sync asks on its worker; the window's dialogs live on the thread of
// the application object, and the worker waits there for each answer.
class WindowThreadQuestions : public DavSyncQuestions {
  public:
    explicit WindowThreadQuestions(DavSyncQuestions& window) : window_(window) {}

    void AskPassword(ConnectSettings& settings) override {
        OnWindowThread([&] { window_.AskPassword(settings); });
    }
    void AskPassword(DavSettings& settings, bool refused) override {
        OnWindowThread([&] { window_.AskPassword(settings, refused); });
    }
    bool WorkOffline(const QString& question) override {
        return Ask([&] { return window_.WorkOffline(question); });
    }
    bool BreakStaleLock(const QString& question) override {
        return Ask([&] { return window_.BreakStaleLock(question); });
    }
    bool KeepDeletedSubjects(const QString& question) override {
        return Ask([&] { return window_.KeepDeletedSubjects(question); });
    }
    bool ReplaceDamagedCopy(const QString& question) override {
        return Ask([&] { return window_.ReplaceDamagedCopy(question); });
    }
    bool SendListAgain(const QString& question) override {
        return Ask([&] { return window_.SendListAgain(question); });
    }
    void Tell(const QString& notice) override {
        OnWindowThread([&] { window_.Tell(notice); });
    }
    std::unique_ptr<TransferDisplay> ShowTransfer(const TransferWatch&) override {
        return {};  // the whole sync has one display, shown before it starts
    }

  private:
    template <typename Call>
    static void OnWindowThread(const Call& call) {
        QCoreApplication* app = QCoreApplication::instance();
        if (QThread::currentThread() == app->thread()) {
            call();
        } else {
            QMetaObject::invokeMethod(app, call, Qt::BlockingQueuedConnection);
        }
    }
    template <typename Call>
    static bool Ask(const Call& call) {
        bool answer = false;
        OnWindowThread([&] { answer = call(); });
        return answer;
    }

    DavSyncQuestions& window_;
};

}  // namespace

DavLink::DavLink(ServerQuestions& questions)
    : questions_(questions), stallSeconds_(DavClient::kDefaultStallSeconds) {}

void DavLink::LoadSettings() {
    settings_.Load(kIniFileName);
    static_cast<void>(GuardPasswordMemory(settings_));  // best effort: the password is wiped anyway
}

StartUpOutcome DavLink::SyncAtStartUp() {
    const DavSyncResult result = Run(questions_);
    Tell(result);
    return result.outcome == DavSyncOutcome::GaveUp ? StartUpOutcome::EndWindow
                                                    : StartUpOutcome::Go;
}

SendResult DavLink::Sync() {
    DavSyncResult result = Run(questions_);
    Tell(result);
    return Sent(std::move(result));
}

// What a sync does every day is no news when the user did not ask for it.
SendResult DavLink::SyncQuietly(DavSyncQuestions& quiet) {
    DavSyncResult result = Run(quiet);
    DavSyncReport unusual = result.report;
    unusual.taken = 0;
    unusual.sent = 0;
    if (unusual.HasNews() || result.outcome == DavSyncOutcome::LocalDamaged) {
        Tell(result);
    }
    return Sent(std::move(result));
}

SendResult DavLink::Sent(DavSyncResult result) {
    SendResult sent;
    sent.outcome = result.outcome == DavSyncOutcome::Synced && result.report.unsent == 0 &&
                           result.report.refused == 0
                       ? SendOutcome::Sent
                       : SendOutcome::NotSent;
    if (result.localChanged) {
        sent.merged.push_back({SubjKind::Indiv, std::move(result.records)});
    }
    return sent;
}

// The settings hold Shift_JIS; the file system wants its own encoding.
DavSyncResult DavLink::Run(DavSyncQuestions& asked) {
    DavClient client;
    client.SetCaFile(SjisToQString(settings_.caFile).toLocal8Bit().toStdString());
    client.SetStallSeconds(stallSeconds_);
    const DavSyncSetup setup{kIndivFileName, QUrl(SjisToQString(settings_.url)), SystemZoneName()};
    WindowThreadQuestions onWindowThread(asked);
    DavSyncResult result;
    RunOnWorker(asked,
                {QString::fromUtf8(kIndivFileName),
                 [&client] { return client.BytesMoved(); },
                 {},
                 [&client] { client.Cancel(); }},
                [&] { result = SyncDatedSubjects(setup, settings_, client, onWindowThread); });
    return result;
}

void DavLink::Tell(const DavSyncResult& result) {
    if (result.outcome == DavSyncOutcome::LocalDamaged) {
        questions_.Tell(QString::fromUtf8(kLocalDamaged));
        return;
    }
    QString text = result.report.HasNews() ? result.report.Summary() : QString();
    if (result.outcome == DavSyncOutcome::Cancelled) {
        text.prepend(QString::fromUtf8(kCancelled));
    }
    if (!text.isEmpty()) {
        questions_.Tell(text);
    }
}
