// The window's light look at its two task lists when nobody changed them,
// against Radicale on loopback: one Depth 0 PROPFIND a list. Its peer is what
// the window would run without it, the whole sync of both unchanged lists
// (500 dated subjects and the repeating one), in the same run on the same
// server. Both start from a save's sync that wrote every item, as the window
// looks after a save.
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

#include "BenchSubjects.h"
#include "ChangeProbe.h"
#include "DavBodies.h"
#include "DavClient.h"
#include "DavServer.h"
#include "DavSettings.h"
#include "DavSync.h"
#include "DavSyncQuestions.h"
#include "SystemZone.h"

namespace {

constexpr int kSubjects = 500;

// A sync with nothing to ask: any question would be a fault.
class NoQuestions : public DavSyncQuestions {
  public:
    void AskPassword(ConnectSettings&) override { ++asked; }
    void AskPassword(DavSettings&, bool) override { ++asked; }
    bool WorkOffline(const QString&) override { return ++asked, true; }
    bool BreakStaleLock(const QString&) override { return ++asked, false; }
    bool KeepDeletedSubjects(const QString&) override { return ++asked, false; }
    bool ReplaceDamagedCopy(const QString&) override { return ++asked, false; }
    bool SendListAgain(const QString&) override { return ++asked, false; }
    void Tell(const QString&) override {}
    std::unique_ptr<TransferDisplay> ShowTransfer(const TransferWatch&) override { return {}; }
    int asked = 0;
};

// Radicale with the dated list and its companion holding a folder's data
// files, each synced once.
class SyncedLists {
  public:
    SyncedLists() : server_(DavServer::Kind::Radicale) {
        client.SetLogin(DavServer::kUser, DavServer::kPassword);
        list = MadeList("bench/");
        companion = MadeList("bench-rep/");
        settings.userId = DavServer::kUser;
        settings.password = DavServer::kPassword;
        ready =
            server_.Running() && !list.isEmpty() && !companion.isEmpty() && Sync() == kSubjects + 1;
    }

    // Both syncs, as the window runs them; how many items they sent, or -1
    // when either did not end synced.
    int Sync() {
        const DavSyncResult dated = SyncDatedSubjects({kIndivFileName, list, SystemZoneName()},
                                                      settings, client, questions);
        const DavSyncResult rep = SyncRepSubjects({kRepFileName, companion, SystemZoneName()},
                                                  settings, client, questions);
        const bool synced = dated.outcome == DavSyncOutcome::Synced &&
                            rep.outcome == DavSyncOutcome::Synced && !dated.localChanged &&
                            !rep.localChanged && questions.asked == 0;
        return synced ? dated.report.sent + rep.report.sent : -1;
    }

    // The look as the window takes it after that sync.
    ProbeOutcome Look() {
        return ProbeLists(client, {{list, StateToken(kIndivFileName, list), {}},
                                   {companion, StateToken(kRepFileName, companion), {}}})
            .outcome;
    }

    DavClient client;
    DavSettings settings;
    NoQuestions questions;
    QUrl list;
    QUrl companion;
    bool ready = false;

  private:
    QUrl MadeList(const char* path) {
        const QUrl url = server_.ListsHome().resolved(QUrl(path));
        const bool made = client.MkCalendar(url, DavBodies::MkCalendar(path, "VTODO")).outcome ==
                          DavOutcome::Done;
        return made ? url : QUrl();
    }

    DataFolder folder_{kSubjects};
    DavServer server_;
};

void BM_LookAtUnchangedLists(benchmark::State& state) {
    SyncedLists lists;
    if (!lists.ready) {
        state.SkipWithError("Radicale or the first sync failed");
        return;
    }
    for (auto _ : state) {
        if (lists.Look() != ProbeOutcome::Unchanged) {
            state.SkipWithError("the look found a change");
            break;
        }
    }
}
BENCHMARK(BM_LookAtUnchangedLists)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_SyncUnchangedLists(benchmark::State& state) {
    SyncedLists lists;
    if (!lists.ready) {
        state.SkipWithError("Radicale or the first sync failed");
        return;
    }
    for (auto _ : state) {
        if (lists.Sync() != 0) {
            state.SkipWithError("the sync changed something");
            break;
        }
    }
}
BENCHMARK(BM_SyncUnchangedLists)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
