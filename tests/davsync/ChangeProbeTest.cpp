// The window's light look at its task lists, against Radicale and Xandikos
// with python3-caldav as the other device: a random walk of the other
// device's changes and this computer's syncs, each look held to a model that
// knows whether anything changed since the last sync, the requests of each
// counted at the proxy in front of the server; then the ctag where the state
// kept no token, a second list, and what cannot be reached.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>

#include <random>

#include "ChangeProbe.h"
#include "DavClient.h"
#include "SyncWorld.h"

namespace {

using Kind = DavServer::Kind;

class ChangeProbeTest : public ::testing::TestWithParam<Kind> {};

// Catches a token read in another form than the sync keeps (every look would
// then sync), a kind of change that moves no mark, a look that lists or
// fetches, a missing mark taken for "unchanged", a second list left unread,
// and a failure passed off as an answer.
TEST_P(ChangeProbeTest, EveryChangeIsFoundAndAnUntouchedListCostsOneRequest) {
    DavServer server(GetParam());
    ASSERT_TRUE(server.Running()) << server.Output();
    HoldProxy proxy(server.Port());
    const QUrl direct = MakeList(server, "walk");
    Computer here(proxy.Through(direct));
    here.Write({Dated("first", 2026, 12, 5), Dated("second", 2026, 12, 6, 9, 30)});
    ASSERT_EQ(here.Sync().outcome, DavSyncOutcome::Synced);
    CaldavPeer peer(direct);  // never through the proxy, which counts the looks' requests
    DavClient client;
    client.SetLogin(DavServer::kUser, DavServer::kPassword);
    const auto look = [&](const std::vector<ProbedList>& lists) {
        return ProbeLists(client, lists);
    };
    const auto synced = [&] {
        return ProbedList{here.list, StateToken(here.DataFile(), here.list), {}};
    };

    std::mt19937 random(37);
    std::vector<QString> uids;
    for (const QJsonValue& item : peer.Items()) {
        uids.push_back(item["uid"].toString());
    }
    bool changed = false;  // the model
    for (int step = 0; step < 14; ++step) {
        const auto what = random() % 5;
        const QString uid = uids.empty() ? QString() : uids[random() % uids.size()];
        QJsonObject command{{"uid", uid}, {"summary", QStringLiteral("e%1").arg(step)}};
        if (what == 0 || (what < 3 && uid.isEmpty())) {
            command = {{"op", "add"}, {"uid", command["summary"]}, {"summary", command["summary"]}};
            command["due"] = "20261210";
            uids.push_back(command["uid"].toString());
        } else if (what < 3) {
            command["op"] = what == 1 ? "edit" : "delete";
            if (what == 2) {
                uids.erase(std::find(uids.begin(), uids.end(), uid));
            }
        } else {
            const DavSyncResult result = here.Sync();
            ASSERT_EQ(result.outcome, DavSyncOutcome::Synced) << step;
            // A sync that only took in writes nothing: its token is the list's now.
            ASSERT_EQ(result.report.sent + result.report.unsent, 0) << step;
        }
        if (command.contains("op")) {
            ASSERT_TRUE(peer.Call(command)["ok"].toBool()) << step;
        }
        changed = command.contains("op");
        const int propfinds = proxy.Count("PROPFIND");
        const int others = proxy.Count("REPORT") + proxy.Count("GET");
        EXPECT_EQ(look({synced()}).outcome,
                  changed ? ProbeOutcome::Changed : ProbeOutcome::Unchanged)
            << "step " << step << " did " << what;
        EXPECT_EQ(proxy.Count("PROPFIND"), propfinds + 1);
        EXPECT_EQ(proxy.Count("REPORT") + proxy.Count("GET"), others);
    }

    // No token kept: with no ctag either the look cannot tell, with one it can.
    const QUrl other = proxy.Through(MakeList(server, "other"));
    const ProbeResult blind = look({{other, {}, {}}, synced()});
    ASSERT_EQ(blind.outcome, ProbeOutcome::Changed);
    ASSERT_EQ(blind.marks.size(), 2U);
    const ProbedList otherSeen{other, {}, blind.marks[0].ctag};
    EXPECT_FALSE(otherSeen.ctag.isEmpty());
    EXPECT_EQ(look({otherSeen, synced()}).outcome, ProbeOutcome::Unchanged);
    ASSERT_TRUE(
        peer.Call({{"op", "add"}, {"uid", "late"}, {"summary", "late"}, {"due", "20261211"}})["ok"]
            .toBool());
    EXPECT_EQ(look({otherSeen, synced()}).outcome, ProbeOutcome::Changed);

    QUrl dead = other;
    dead.setPort(1);
    for (const QUrl& unreachable : {dead, other.resolved(QUrl("../never-made/"))}) {
        const ProbeResult result = look({otherSeen, {unreachable, {}, {}}});
        EXPECT_EQ(result.outcome, ProbeOutcome::NotReached) << unreachable.toString().toStdString();
        EXPECT_TRUE(result.marks.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(BothServers, ChangeProbeTest,
                         ::testing::Values(Kind::Radicale, Kind::Xandikos), [](const auto& param) {
                             return param.param == Kind::Radicale ? "Radicale" : "Xandikos";
                         });

}  // namespace
