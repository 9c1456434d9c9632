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
#include <thread>

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

// What this computer changes before its save, and when the other device
// acts: not at all, after the save, while the save's write is held, or
// between the save's write and the request after it.
enum class HereDoes { Patch, Create, Delete };
enum class PeerActs { Never, AfterTheSave, DuringTheWrite, BeforeTheReread };

struct TokenCase {
    const char* name;
    HereDoes here;
    PeerActs peer;
};

// Catches a save that leaves its token behind its own writes (the look
// after it would run a sync), and one whose token passes over another
// device's edit or deletion made while it wrote: the look would find
// nothing, and that change would reach this computer only with the next
// save that wrote. The deletion of an item the save made, before the
// request after it, is what a server listing the difference of two states
// never tells of from a token taken after it.
TEST_P(ChangeProbeTest, ASaveKeepsTheTokenOfItsOwnWritesButNoOtherDevicesChange) {
    static const TokenCase kCases[] = {
        {"patch", HereDoes::Patch, PeerActs::Never},
        {"create", HereDoes::Create, PeerActs::Never},
        {"delete", HereDoes::Delete, PeerActs::Never},
        {"patch, then an edit there", HereDoes::Patch, PeerActs::AfterTheSave},
        {"patch, an edit there meanwhile", HereDoes::Patch, PeerActs::DuringTheWrite},
        {"delete, an edit there before the reread", HereDoes::Delete, PeerActs::BeforeTheReread},
        {"create, deleted there before the reread", HereDoes::Create, PeerActs::BeforeTheReread},
    };
    DavServer server(GetParam());
    ASSERT_TRUE(server.Running()) << server.Output();
    HoldProxy proxy(server.Port());
    DavClient client;
    client.SetLogin(DavServer::kUser, DavServer::kPassword);
    int n = 0;
    for (const TokenCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const QUrl direct = MakeList(server, "token" + std::to_string(++n));
        Computer here(proxy.Through(direct));
        here.Write({Dated("first", 2026, 12, 5), Dated("second", 2026, 12, 6)});
        ASSERT_EQ(here.Sync().outcome, DavSyncOutcome::Synced);
        CaldavPeer peer(direct);
        const auto look = [&] {
            return ProbeLists(client, {{here.list, StateToken(here.DataFile(), here.list), {}}})
                .outcome;
        };
        std::vector<IndivSubj> subjects = here.Subjects();
        if (c.here == HereDoes::Patch) {
            subjects[0].content = "patched";
        } else if (c.here == HereDoes::Create) {
            subjects.push_back(Dated("made", 2026, 12, 7));
        } else {
            subjects.erase(subjects.begin());
        }
        here.Write(subjects);
        // Deleting the item just made; else retitling the one this computer left alone.
        const bool deletesMade = c.here == HereDoes::Create;
        const auto peerActs = [&] {
            const QJsonArray items = peer.Items();
            const QJsonObject item = CaldavPeer::BySummary(items, deletesMade ? "made" : "second");
            const QJsonObject command = deletesMade
                                            ? QJsonObject{{"op", "delete"}}
                                            : QJsonObject{{"op", "edit"}, {"summary", "theirs"}};
            QJsonObject withUid = command;
            withUid["uid"] = item["uid"];
            return peer.Call(withUid)["ok"].toBool();
        };
        const char* held = c.peer == PeerActs::DuringTheWrite ? "PUT" : "REPORT";
        if (c.peer == PeerActs::DuringTheWrite) {
            proxy.Hold("PUT");
        } else if (c.peer == PeerActs::BeforeTheReread) {
            proxy.Hold("REPORT", 2);  // the listing's, then the one after the write
        }
        DavSyncResult saved;
        std::thread sync([&] { saved = here.Sync(); });
        bool acted = true;
        if (c.peer == PeerActs::DuringTheWrite || c.peer == PeerActs::BeforeTheReread) {
            const bool wasHeld = proxy.WaitHeld(held);
            acted = wasHeld && peerActs();
            proxy.Release(held);
        }
        sync.join();
        ASSERT_TRUE(acted);
        ASSERT_EQ(saved.outcome, DavSyncOutcome::Synced);
        ASSERT_EQ(saved.report.sent, 1);
        if (c.peer == PeerActs::AfterTheSave) {
            ASSERT_TRUE(peerActs());
        }
        ASSERT_EQ(look(),
                  c.peer == PeerActs::Never ? ProbeOutcome::Unchanged : ProbeOutcome::Changed);
        if (c.peer != PeerActs::Never) {
            const DavSyncResult next = here.Sync();
            ASSERT_EQ(next.outcome, DavSyncOutcome::Synced);
            EXPECT_EQ(next.report.taken, 1);
            EXPECT_EQ(here.Find(deletesMade ? "made" : "theirs").title.empty(), deletesMade);
            EXPECT_EQ(look(), ProbeOutcome::Unchanged);
        }
        EXPECT_EQ(static_cast<int>(here.Subjects().size()), peer.Items().size());
    }
}

INSTANTIATE_TEST_SUITE_P(BothServers, ChangeProbeTest,
                         ::testing::Values(Kind::Radicale, Kind::Xandikos), [](const auto& param) {
                             return param.param == Kind::Radicale ? "Radicale" : "Xandikos";
                         });

}  // namespace
