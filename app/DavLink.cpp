// DavLink: the sync on a worker, its questions on the window's thread.
#include "DavLink.h"

#include <QCoreApplication>
#include <QThread>
#include <QUrl>

#include "DavAddress.h"
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
const char* const kRepLocalDamaged =
    "反復案件ファイルを読めなかったため、反復案件はCalDAVサーバーと同期しませんでした。";
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
    const Results results = Run(questions_);
    Tell(results);
    const bool gaveUp = results.dated.outcome == DavSyncOutcome::GaveUp ||
                        (results.rep && results.rep->outcome == DavSyncOutcome::GaveUp);
    return gaveUp ? StartUpOutcome::EndWindow : StartUpOutcome::Go;
}

// A state that could not be written is told by the sync that follows, when
// it cannot write it either; a damaged one it sets aside and tells.
void DavLink::NoteMoves(const SubjMoves& moves) {
    if (!moves.indiv.empty()) {
        static_cast<void>(NoteKeyMoves(kIndivFileName, moves.indiv));
    }
    if (!moves.rep.empty()) {
        static_cast<void>(NoteKeyMoves(kRepFileName, moves.rep));
    }
}

SendResult DavLink::Sync() {
    Results results = Run(questions_);
    Tell(results);
    return Sent(std::move(results));
}

// What a sync does every day is no news when the user did not ask for it.
SendResult DavLink::SyncQuietly(DavSyncQuestions& quiet) {
    Results results = Run(quiet);
    bool news = false;
    for (const DavSyncResult* result : {&results.dated, results.rep ? &*results.rep : nullptr}) {
        if (result == nullptr) {
            continue;
        }
        DavSyncReport unusual = result->report;
        unusual.taken = 0;
        unusual.sent = 0;
        news = news || unusual.HasNews() || result->outcome == DavSyncOutcome::LocalDamaged;
    }
    if (news) {
        Tell(results);
    }
    return Sent(std::move(results));
}

SendResult DavLink::Sent(Results results) {
    SendResult sent;
    sent.outcome = SendOutcome::Sent;
    for (DavSyncResult* result : {&results.dated, results.rep ? &*results.rep : nullptr}) {
        if (result == nullptr) {
            continue;
        }
        if (result->outcome != DavSyncOutcome::Synced || result->report.unsent != 0 ||
            result->report.refused != 0) {
            sent.outcome = SendOutcome::NotSent;
        }
        if (result->localChanged) {
            sent.merged.push_back({result->report.kind, std::move(result->records)});
        }
    }
    return sent;
}

// Without a companion (the server would not make one) the repeating
// subjects stay on this computer.
QUrl DavLink::Companion(const DavSettings& settings) {
    const QUrl companion(SjisToQString(settings.repUrl));
    return SameResource(QUrl(SjisToQString(settings.url)), companion) ? QUrl() : companion;
}

// The settings hold Shift_JIS; the file system wants its own encoding. The
// repeating subjects follow only a dated sync that reached the server, so
// that a server away is asked about once.
DavLink::Results DavLink::Run(DavSyncQuestions& asked) {
    DavClient client;
    client.SetCaFile(SjisToQString(settings_.caFile).toLocal8Bit().toStdString());
    client.SetStallSeconds(stallSeconds_);
    const QUrl list(SjisToQString(settings_.url));
    const QUrl companion = Companion(settings_);
    const DavSyncSetup dated{kIndivFileName, list, SystemZoneName()};
    const DavSyncSetup rep{kRepFileName, companion, SystemZoneName()};
    WindowThreadQuestions onWindowThread(asked);
    Results results;
    RunOnWorker(asked,
                {QString::fromUtf8(kIndivFileName),
                 [&client] { return client.BytesMoved(); },
                 {},
                 [&client] { client.Cancel(); }},
                [&] {
                    results.dated = SyncDatedSubjects(dated, settings_, client, onWindowThread);
                    if (results.dated.outcome == DavSyncOutcome::Synced && !companion.isEmpty()) {
                        results.rep = SyncRepSubjects(rep, settings_, client, onWindowThread);
                    }
                });
    return results;
}

void DavLink::Tell(const Results& results) {
    QString text;
    bool cancelled = false;
    for (const DavSyncResult* result : {&results.dated, results.rep ? &*results.rep : nullptr}) {
        if (result == nullptr) {
            continue;
        }
        if (result->outcome == DavSyncOutcome::LocalDamaged) {
            text += QString::fromUtf8(result->report.kind == SubjKind::Indiv ? kLocalDamaged
                                                                             : kRepLocalDamaged);
            continue;
        }
        cancelled = cancelled || result->outcome == DavSyncOutcome::Cancelled;
        if (result->report.HasNews()) {
            text += result->report.Summary();
        }
    }
    if (cancelled) {
        text.prepend(QString::fromUtf8(kCancelled));
    }
    if (!text.isEmpty()) {
        questions_.Tell(text);
    }
}
