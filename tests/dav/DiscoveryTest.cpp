// Discovery, the making of the two lists and the start-up check against real
// servers started by the test: Radicale with htpasswd users, and Xandikos,
// whose answers differ (a 302 from the well-known URL, a 207 holding a 404
// for a missing list, a 207 holding a 403 for a name already taken, no
// limit to VTODOs on a made list). Each case runs against both where both
// can do what it needs.
#include <gtest/gtest.h>

#include <algorithm>

#include "DavAddress.h"
#include "DavBodies.h"
#include "DavDiscovery.h"
#include "DavServer.h"
#include "HttpProbe.h"
#include "TaskListCheck.h"

namespace {

using Kind = DavServer::Kind;

const QString kEvents = QStringLiteral("VEVENT");

class DiscoveryTest : public ::testing::TestWithParam<Kind> {
  protected:
    void SetUp() override {
        server_ = std::make_unique<DavServer>(GetParam());
        ASSERT_TRUE(server_->Running()) << server_->Output();
        client_.SetLogin(DavServer::kUser, DavServer::kPassword);
    }

    bool Radicale() const { return GetParam() == Kind::Radicale; }

    DavAccount Discovered() {
        DavAccount account;
        const DiscoveryResult result = discovery_.Discover(server_->Address(), account);
        EXPECT_EQ(result.outcome, DiscoveryOutcome::Found)
            << static_cast<int>(result.transfer) << " " << result.status << server_->Output();
        return account;
    }

    // A calendar made by another program, not through the code under test.
    void MakeCalendar(const DavAccount& account, const QString& slug, const QString& name,
                      const QString& component) {
        const DavReply reply = client_.MkCalendar(account.home.resolved(QUrl(slug + "/")),
                                                  DavBodies::MkCalendar(name, component));
        ASSERT_EQ(reply.status, 201) << reply.body.constData();
    }

    static QStringList Names(const std::vector<TaskList>& lists) {
        QStringList names;
        for (const TaskList& list : lists) {
            names.push_back(list.displayName);
        }
        return names;
    }

    std::unique_ptr<DavServer> server_;
    DavClient client_;
    DavDiscovery discovery_{client_};
};

TEST_P(DiscoveryTest, TheBareAddressLeadsToTheAccountAndItsTaskLists) {
    const DavAccount first = Discovered();
    ASSERT_FALSE(first.home.isEmpty());
    EXPECT_TRUE(first.home.path().endsWith('/'));
    // The server's address with no path, the way a user types it.
    QUrl bare = server_->Address();
    bare.setPath("");
    DavAccount fromBare;
    ASSERT_EQ(discovery_.Discover(bare, fromBare).outcome, DiscoveryOutcome::Found);
    EXPECT_EQ(fromBare.home, first.home);
    EXPECT_EQ(fromBare.principal, first.principal);
    // Any URL of the account finds it too.
    DavAccount fromHome;
    ASSERT_EQ(discovery_.Discover(first.home, fromHome).outcome, DiscoveryOutcome::Found);
    EXPECT_EQ(fromHome.home, first.home);

    // Only calendars that take VTODOs are offered.
    MakeCalendar(first, "events", "Events", kEvents);
    MakeCalendar(first, "todo", QString::fromUtf8("仕事"), "VTODO");
    const DavAccount account = Discovered();
    const QStringList names = Names(account.lists);
    EXPECT_TRUE(names.contains(QString::fromUtf8("仕事"))) << names.join(",").toStdString();
    // Xandikos makes every calendar take every component.
    EXPECT_EQ(names.contains("Events"), !Radicale()) << names.join(",").toStdString();
    for (const TaskList& list : account.lists) {
        EXPECT_TRUE(list.url.path().endsWith('/'));
        EXPECT_FALSE(SameResource(list.url, account.home));
    }
}

TEST_P(DiscoveryTest, ANewListAndItsCompanionAreMadeOnceForEveryComputer) {
    DavAccount account = Discovered();
    TaskList list;
    ASSERT_EQ(discovery_.FindOrMakeNewList(account, list).outcome, DiscoveryOutcome::Made);
    EXPECT_EQ(list.displayName, "veskat");
    TaskList companion;
    ASSERT_EQ(discovery_.FindOrMakeCompanion(account, list, companion).outcome,
              DiscoveryOutcome::Made);
    EXPECT_EQ(companion.displayName, QString::fromUtf8("veskat 反復"));
    EXPECT_FALSE(SameResource(list.url, companion.url));
    if (Radicale()) {
        EXPECT_TRUE(list.tasksOnly);
        EXPECT_TRUE(companion.tasksOnly);
    }

    // A second computer, set up later, finds both instead of making more.
    DavClient secondClient;
    secondClient.SetLogin(DavServer::kUser, DavServer::kPassword);
    DavDiscovery second(secondClient);
    DavAccount secondAccount;
    ASSERT_EQ(second.Discover(server_->Address(), secondAccount).outcome, DiscoveryOutcome::Found);
    TaskList again;
    TaskList companionAgain;
    EXPECT_EQ(second.FindOrMakeNewList(secondAccount, again).outcome, DiscoveryOutcome::Found);
    EXPECT_EQ(second.FindOrMakeCompanion(secondAccount, again, companionAgain).outcome,
              DiscoveryOutcome::Found);
    EXPECT_EQ(again.url, list.url);
    EXPECT_EQ(companionAgain.url, companion.url);
    EXPECT_EQ(Names(secondAccount.lists).count("veskat"), 1);

    const CheckResult check = CheckTaskLists(client_, list.url, companion.url);
    EXPECT_EQ(check.outcome, CheckOutcome::Ready) << static_cast<int>(check.transfer);
    EXPECT_EQ(check.listName, "veskat");
    EXPECT_EQ(check.companionName, QString::fromUtf8("veskat 反復"));
}

TEST_P(DiscoveryTest, AChosenListGetsItsCompanionBesideItAndANewOneATakenNameAside) {
    DavAccount account = Discovered();
    MakeCalendar(account, "work", QString::fromUtf8("仕事"), "VTODO");
    // Another program's calendar sits where a new list would go.
    MakeCalendar(account, "veskat", "Events", kEvents);
    account = Discovered();
    const auto chosen =
        std::find_if(account.lists.begin(), account.lists.end(),
                     [](const TaskList& l) { return l.url.path().endsWith("/work/"); });
    ASSERT_NE(chosen, account.lists.end());
    const TaskList list = *chosen;
    TaskList companion;
    ASSERT_EQ(discovery_.FindOrMakeCompanion(account, list, companion).outcome,
              DiscoveryOutcome::Made);
    EXPECT_EQ(companion.displayName, QString::fromUtf8("仕事 反復"));
    EXPECT_EQ(companion.url, account.home.resolved(QUrl("work-rep/")));
    EXPECT_EQ(CheckTaskLists(client_, list.url, companion.url).outcome, CheckOutcome::Ready);

    TaskList made;
    ASSERT_EQ(discovery_.FindOrMakeNewList(account, made).outcome, DiscoveryOutcome::Made);
    EXPECT_EQ(made.url, account.home.resolved(QUrl("veskat-2/")));
    EXPECT_EQ(made.displayName, "veskat");
}

TEST_P(DiscoveryTest, TheCheckSaysWhatIsWrongWithTheLists) {
    DavAccount account = Discovered();
    TaskList list;
    TaskList companion;
    ASSERT_EQ(discovery_.FindOrMakeNewList(account, list).outcome, DiscoveryOutcome::Made);
    ASSERT_EQ(discovery_.FindOrMakeCompanion(account, list, companion).outcome,
              DiscoveryOutcome::Made);
    const QUrl missing = account.home.resolved(QUrl("nothere/"));
    EXPECT_EQ(CheckTaskLists(client_, missing, companion.url).outcome, CheckOutcome::ListMissing);
    EXPECT_EQ(CheckTaskLists(client_, list.url, missing).outcome, CheckOutcome::CompanionMissing);
    // The home is a collection, but no calendar.
    EXPECT_EQ(CheckTaskLists(client_, account.home, companion.url).outcome,
              CheckOutcome::ListNotForTasks);
    EXPECT_EQ(CheckTaskLists(client_, list.url, account.home).outcome,
              CheckOutcome::CompanionNotForTasks);
    QUrl spelledOtherwise = list.url;
    spelledOtherwise.setPath(list.url.path().chopped(1));
    EXPECT_EQ(CheckTaskLists(client_, list.url, spelledOtherwise).outcome, CheckOutcome::SameList);
    EXPECT_EQ(CheckTaskLists(client_, QUrl(), companion.url).outcome, CheckOutcome::NotSet);
    if (Radicale()) {
        MakeCalendar(account, "events", "Events", kEvents);
        EXPECT_EQ(
            CheckTaskLists(client_, account.home.resolved(QUrl("events/")), companion.url).outcome,
            CheckOutcome::ListNotForTasks);
    }
}

INSTANTIATE_TEST_SUITE_P(BothServers, DiscoveryTest,
                         ::testing::Values(Kind::Radicale, Kind::Xandikos), [](const auto& param) {
                             return param.param == Kind::Radicale ? "Radicale" : "Xandikos";
                         });

// Radicale alone asks for a login.
TEST(RadicaleLoginTest, ARefusedPasswordIsToldAsSuchAndAnyOtherTaken) {
    DavServer server(Kind::Radicale);
    ASSERT_TRUE(server.Running()) << server.Output();
    DavClient client;
    client.SetLogin(DavServer::kUser, "wrong");
    DavDiscovery discovery(client);
    DavAccount account;
    const DiscoveryResult result = discovery.Discover(server.Address(), account);
    EXPECT_EQ(result.outcome, DiscoveryOutcome::Failed);
    EXPECT_EQ(result.transfer, DavOutcome::NotAuthorised);
    EXPECT_EQ(result.status, 401);
    const CheckResult check =
        CheckTaskLists(client, server.Address().resolved(QUrl("alice/veskat/")),
                       server.Address().resolved(QUrl("alice/veskat-rep/")));
    EXPECT_EQ(check.outcome, CheckOutcome::Failed);
    EXPECT_EQ(check.transfer, DavOutcome::NotAuthorised);

    // A password beyond ASCII travels as UTF-8.
    client.SetLogin(DavServer::kOtherUser, DavServer::kOtherPassword);
    ASSERT_EQ(discovery.Discover(server.Address(), account).outcome, DiscoveryOutcome::Found);
    EXPECT_TRUE(account.home.path().startsWith("/bob/")) << account.home.toString().toStdString();
}

// Over https the certificate is verified: trusted only when the user gave it,
// and only for the name it was made for.
TEST(RadicaleTlsTest, TheCertificateIsVerified) {
    DavServer server(Kind::Radicale, DavServer::Transport::Https);
    ASSERT_TRUE(server.Running()) << server.Output();
    DavClient client;
    client.SetLogin(DavServer::kUser, DavServer::kPassword);
    DavDiscovery discovery(client);
    DavAccount account;
    DiscoveryResult result = discovery.Discover(server.Address(), account);
    EXPECT_EQ(result.outcome, DiscoveryOutcome::Failed);
    EXPECT_EQ(result.transfer, DavOutcome::CertificateRefused);

    client.SetCaFile(server.CertFile());
    result = discovery.Discover(server.Address(), account);
    EXPECT_EQ(result.outcome, DiscoveryOutcome::Found) << static_cast<int>(result.transfer);

    QUrl otherName = server.Address();
    otherName.setHost("localhost");
    result = discovery.Discover(otherName, account);
    EXPECT_EQ(result.transfer, DavOutcome::CertificateRefused);
}

// A server whose account is found only through its well-known URL, and one
// whose well-known URL points at another host, where the password must not
// be sent unasked.
TEST(WellKnownTest, TheContextPathIsFoundThroughTheWellKnownUrl) {
    HttpProbe probe;
    ASSERT_TRUE(probe.Running());
    DavClient client;
    DavDiscovery discovery(client);
    DavAccount account;
    ASSERT_EQ(discovery.Discover(probe.Url(""), account).outcome, DiscoveryOutcome::Found);
    EXPECT_EQ(account.principal, probe.Url("/ctx/p/"));
    EXPECT_EQ(account.home, probe.Url("/ctx/home/"));
    ASSERT_EQ(account.lists.size(), 1u);
    EXPECT_EQ(account.lists[0].displayName, "Tasks");
    EXPECT_TRUE(account.lists[0].tasksOnly);
}

TEST(WellKnownTest, AnotherHostIsOnlyNamedNeverAsked) {
    HttpProbe probe("https://dav.example.org/ctx/");
    ASSERT_TRUE(probe.Running());
    DavClient client;
    client.SetLogin(DavServer::kUser, DavServer::kPassword);
    DavDiscovery discovery(client);
    DavAccount account;
    const DiscoveryResult result = discovery.Discover(probe.Url(""), account);
    EXPECT_EQ(result.outcome, DiscoveryOutcome::MovedElsewhere);
    EXPECT_EQ(result.movedTo, QUrl("https://dav.example.org/ctx/"));
    EXPECT_TRUE(account.home.isEmpty());
}

}  // namespace
