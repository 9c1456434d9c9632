// The window's light look at its task lists, against Radicale and Xandikos
// with python3-caldav as the other device: a random walk of the other
// device's changes and this computer's syncs, the look's answer held to a
// model that knows whether anything changed since the last sync, and what a
// list nobody changed costs, counted at the proxy in front of the server.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>

#include <random>

#include "ChangeProbe.h"
#include "DavClient.h"
#include "SyncWorld.h"

namespace {

using Kind = DavServer::Kind;

class ChangeProbeTest : public ::testing::TestWithParam<Kind> {
  protected:
    void SetUp() override {
        server_ = std::make_unique<DavServer>(GetParam());
        ASSERT_TRUE(server_->Running()) << server_->Output();
        proxy_ = std::make_unique<HoldProxy>(server_->Port());
        ASSERT_TRUE(proxy_->Running());
        client_.SetLogin(DavServer::kUser, DavServer::kPassword);
    }

    QUrl NewList(const std::string& name) { return proxy_->Through(MakeList(*server_, name)); }
    // The other device works on the server itself, never through the proxy.
    QUrl Direct(const QUrl& list) const {
        QUrl url = list;
        url.setPort(server_->Port());
        return url;
    }
    ProbeResult Look(const std::vector<ProbedList>& lists) { return ProbeLists(client_, lists); }
    ProbedList AsSynced(const Computer& computer) const {
        return {computer.list, StateToken(computer.DataFile(), computer.list), {}};
    }
    static void PeerDoes(CaldavPeer& peer, const QJsonObject& command) {
        const QJsonObject answer = peer.Call(command);
        ASSERT_TRUE(answer["ok"].toBool()) << answer["error"].toString().toStdString();
    }

    std::unique_ptr<DavServer> server_;
    std::unique_ptr<HoldProxy> proxy_;
    DavClient client_;
};

// Catches a token the look reads in another form than the sync keeps (every
// look would then fetch), a change of some kind that moves neither mark, and
// a look that fetches or lists where one PROPFIND says enough.
TEST_P(ChangeProbeTest, EveryChangeOfTheOtherDeviceIsFoundAndAnUntouchedListCostsOneRequest) {
    const QUrl list = NewList("walk");
    Computer here(list);
    here.Write({Dated("first", 2026, 12, 5), Dated("second", 2026, 12, 6, 9, 30)});
    ASSERT_EQ(here.Sync().outcome, DavSyncOutcome::Synced);
    CaldavPeer peer(Direct(list));

    std::mt19937 random(37);
    std::vector<QString> uids;
    for (const QJsonValue& item : peer.Items()) {
        uids.push_back(item["uid"].toString());
    }
    bool changedSinceSync = false;
    for (int step = 0; step < 14; ++step) {
        const int what = static_cast<int>(random() % 5);
        const QString uid = uids.empty() ? QString() : uids[random() % uids.size()];
        if (what == 0 || (what < 4 && uid.isEmpty())) {
            const QString made = QStringLiteral("peer-%1").arg(step);
            PeerDoes(peer, {{"op", "add"}, {"uid", made}, {"summary", made}, {"due", "20261210"}});
            uids.push_back(made);
            changedSinceSync = true;
        } else if (what == 1) {
            PeerDoes(peer,
                     {{"op", "edit"}, {"uid", uid}, {"summary", QStringLiteral("e%1").arg(step)}});
            changedSinceSync = true;
        } else if (what == 2) {
            PeerDoes(peer, {{"op", "delete"}, {"uid", uid}});
            uids.erase(std::find(uids.begin(), uids.end(), uid));
            changedSinceSync = true;
        } else {
            const DavSyncResult synced = here.Sync();
            ASSERT_EQ(synced.outcome, DavSyncOutcome::Synced) << "step " << step;
            ASSERT_EQ(synced.report.unsent + synced.report.refused, 0) << "step " << step;
            // A sync that only took in writes nothing, so the token it kept is the list's now.
            ASSERT_EQ(synced.report.sent, 0) << "step " << step;
            changedSinceSync = false;
        }
        const int propfinds = proxy_->Count("PROPFIND");
        const int others = proxy_->Count("REPORT") + proxy_->Count("GET");
        const ProbeResult look = Look({AsSynced(here)});
        EXPECT_EQ(look.outcome, changedSinceSync ? ProbeOutcome::Changed : ProbeOutcome::Unchanged)
            << "step " << step << " did " << what;
        EXPECT_EQ(proxy_->Count("PROPFIND"), propfinds + 1);
        EXPECT_EQ(proxy_->Count("REPORT") + proxy_->Count("GET"), others);
    }
}

// Catches a look that trusts a missing mark as "unchanged", a second list
// left unlooked at once the first is found changed, and a failure that
// passes for an answer.
TEST_P(ChangeProbeTest, WithoutATokenTheCtagServesAndWhatCannotBeToldIsNeverUnchanged) {
    const QUrl quiet = NewList("quiet");
    const QUrl busy = NewList("busy");
    const ProbeResult blind = Look({{quiet, {}, {}}, {busy, {}, {}}});
    ASSERT_EQ(blind.outcome, ProbeOutcome::Changed);
    ASSERT_EQ(blind.marks.size(), 2U);
    ASSERT_FALSE(blind.marks[0].ctag.isEmpty());
    const ProbedList quietSeen{quiet, {}, blind.marks[0].ctag};
    const ProbedList busySeen{busy, {}, blind.marks[1].ctag};
    EXPECT_EQ(Look({quietSeen, busySeen}).outcome, ProbeOutcome::Unchanged);

    CaldavPeer peer(Direct(busy));
    PeerDoes(peer, {{"op", "add"}, {"uid", "b1"}, {"summary", "b1"}, {"due", "20261210"}});
    const ProbeResult found = Look({quietSeen, busySeen});
    EXPECT_EQ(found.outcome, ProbeOutcome::Changed);
    ASSERT_EQ(found.marks.size(), 2U);
    EXPECT_EQ(found.marks[0].ctag, quietSeen.ctag);
    EXPECT_NE(found.marks[1].ctag, busySeen.ctag);
    EXPECT_EQ(Look({quietSeen, {busy, found.marks[1].syncToken, {}}}).outcome,
              ProbeOutcome::Unchanged);

    // A list that is not there, a server nobody answers at, a refused login.
    const QUrl gone = Direct(quiet).resolved(QUrl("../never-made/"));
    EXPECT_EQ(Look({quietSeen, {gone, {}, {}}}).outcome, ProbeOutcome::NotReached);
    QUrl dead = quiet;
    dead.setPort(1);
    const ProbeResult unreached = Look({{dead, {}, {}}});
    EXPECT_EQ(unreached.outcome, ProbeOutcome::NotReached);
    EXPECT_TRUE(unreached.marks.empty());
    if (GetParam() == Kind::Radicale) {
        client_.SetLogin(DavServer::kUser, "wrong");
        EXPECT_EQ(Look({quietSeen}).outcome, ProbeOutcome::NotReached);
    }
}

INSTANTIATE_TEST_SUITE_P(BothServers, ChangeProbeTest,
                         ::testing::Values(Kind::Radicale, Kind::Xandikos), [](const auto& param) {
                             return param.param == Kind::Radicale ? "Radicale" : "Xandikos";
                         });

}  // namespace
