// The sync of the dated subjects against Radicale on 127.0.0.1, with
// python3-caldav as the other device and hold_proxy.py in front of the
// server to land the other device's writes between a computer's fetch and
// its write. The checks are on what the data files hold and on what the
// server holds as the client reads it, never on bytes.
#include <gtest/gtest.h>

#include <QFile>

#include <thread>

#include "ChildProcess.h"
#include "DavState.h"
#include "SjisCodec.h"
#include "SubjMerge.h"
#include "SubjUid.h"
#include "SyncWorld.h"
#include "TodoReading.h"

namespace {

std::string S(const char* utf8) {
    return SjisFromQString(QString::fromUtf8(utf8)).value();
}

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

class DavSyncTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        server_ = new DavServer(DavServer::Kind::Radicale);
        proxy_ = new HoldProxy(server_->Port());
    }
    static void TearDownTestSuite() {
        delete proxy_;
        delete server_;
    }
    void SetUp() override {
        ASSERT_TRUE(server_->Running()) << server_->Output();
        ASSERT_TRUE(proxy_->Running());
        list_ = MakeList(*server_, ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }

    // Computers reach the server through the proxy; the other device goes
    // straight to it, so that a held request of a computer never holds it.
    std::unique_ptr<Computer> NewComputer() const {
        return std::make_unique<Computer>(proxy_->Through(list_));
    }
    CaldavPeer& Peer() {
        if (!peer_) {
            peer_ = std::make_unique<CaldavPeer>(list_);
        }
        return *peer_;
    }
    void PeerDoes(QJsonObject command) {
        const QJsonObject answer = Peer().Call(command);
        ASSERT_TRUE(answer["ok"].toBool()) << answer["error"].toString().toStdString();
    }
    QString UidOf(const QString& summary) {
        return CaldavPeer::BySummary(Peer().Items(), summary)["uid"].toString();
    }
    static void Synced(Computer& computer, const char* what) {
        const DavSyncResult result = computer.Sync();
        ASSERT_EQ(result.outcome, DavSyncOutcome::Synced) << what;
        EXPECT_EQ(result.report.unsent + result.report.refused, 0) << what;
    }

    static DavServer* server_;
    static HoldProxy* proxy_;
    QUrl list_;
    std::unique_ptr<CaldavPeer> peer_;
};

DavServer* DavSyncTest::server_ = nullptr;
HoldProxy* DavSyncTest::proxy_ = nullptr;

TEST_F(DavSyncTest, SubjectsTravelBothWaysAndWhatVeskatCannotHoldIsNeverDegradedThere) {
    auto here = NewComputer();
    here->Write({Dated(S("会議"), 2026, 12, 5, 9, 30, Progress::Open, S("資料<br>持参")),
                 Dated("errand", 2026, 12, 6, 0, 0, Progress::Done),
                 Dated(S("ゴミ出し"), 2026, 12, 7, 7, 0, Progress::NotTracked, "", S("ゴミ出し"))});
    const DavSyncResult first = here->Sync();
    ASSERT_EQ(first.outcome, DavSyncOutcome::Synced);
    EXPECT_EQ(first.report.sent, 3);
    QJsonArray items = Peer().Items();
    ASSERT_EQ(items.size(), 3);
    const QJsonObject meeting = CaldavPeer::BySummary(items, U("会議"));
    EXPECT_EQ(meeting["description"].toString(), U("資料\r\n持参").remove('\r'));
    EXPECT_EQ(meeting["due"].toString(), "20261205T093000");
    EXPECT_EQ(meeting["status"].toString(), "NEEDS-ACTION");
    EXPECT_EQ(CaldavPeer::BySummary(items, "errand")["due"].toString(), "20261206");
    EXPECT_EQ(CaldavPeer::BySummary(items, "errand")["status"].toString(), "COMPLETED");
    const QJsonObject garbage = CaldavPeer::BySummary(items, U("ゴミ出し"));
    EXPECT_EQ(garbage["status"].toString(), "");
    EXPECT_EQ(garbage["x"]["X-VESKAT-PROGRESS"].toString(), "N");
    EXPECT_EQ(garbage["x"]["X-VESKAT-ORIGIN"].toString(), U("ゴミ出し"));

    PeerDoes({{"op", "complete"}, {"uid", meeting["uid"]}});
    PeerDoes({{"op", "edit"}, {"uid", UidOf("errand")}, {"summary", "errand 2"}});
    PeerDoes({{"op", "add"},
              {"uid", "sushi"},
              {"summary", U("寿司🍣")},
              {"due", "20261208"},
              {"categories", QJsonArray{"Home", "Food"}},
              {"alarm", true}});
    const DavSyncResult second = here->Sync();
    ASSERT_EQ(second.outcome, DavSyncOutcome::Synced);
    EXPECT_EQ(second.report.taken, 3);
    EXPECT_EQ(second.report.degraded, 1);
    EXPECT_TRUE(second.localChanged);
    EXPECT_TRUE(second.report.Summary().startsWith(U("他の機器での変更を 3 件取り込みました。")))
        << second.report.Summary().toStdString();
    EXPECT_EQ(here->Find(S("会議")).progress, Progress::Done);
    EXPECT_EQ(here->Find("errand 2").progress, Progress::Done);
    const std::string shown = S("寿司") + kStandIn;
    ASSERT_EQ(here->Find(shown).day, 8);

    // Content and progress edited here: the title stays the server's, emoji and all.
    std::vector<IndivSubj> subjects = here->Subjects();
    for (IndivSubj& subj : subjects) {
        if (subj.title == shown) {
            subj.content = S("わさび抜き");
            subj.progress = Progress::Done;
        }
    }
    here->Write(subjects);
    Synced(*here, "content edited");
    QJsonObject sushi = CaldavPeer::ByUid(Peer().Items(), "sushi");
    EXPECT_EQ(sushi["summary"].toString(), U("寿司🍣"));
    EXPECT_EQ(sushi["description"].toString(), U("わさび抜き"));
    EXPECT_EQ(sushi["status"].toString(), "COMPLETED");
    EXPECT_EQ(sushi["categories"].toArray(), (QJsonArray{"Home", "Food"}));
    EXPECT_EQ(sushi["alarms"].toInt(), 1);

    // The title edited here, which moves the subject's key: the same item takes it.
    for (IndivSubj& subj : subjects) {
        if (subj.title == shown) {
            IndivSubj before = subj;
            subj.title = S("寿司");
            ASSERT_EQ(NoteKeyMoves(here->DataFile(), {{KeyBytesOf(EncodeIndivSubj(before)),
                                                       KeyBytesOf(EncodeIndivSubj(subj))}}),
                      MoveNote::Noted);
        }
    }
    here->Write(subjects);
    Synced(*here, "title edited");
    items = Peer().Items();
    EXPECT_EQ(items.size(), 4);
    sushi = CaldavPeer::ByUid(items, "sushi");
    EXPECT_EQ(sushi["summary"].toString(), U("寿司"));
    EXPECT_EQ(sushi["categories"].toArray(), (QJsonArray{"Home", "Food"}));
}

TEST_F(DavSyncTest, ItemsWithOneKeyAreBothShownAndEventsAreLeftAlone) {
    for (const char* uid : {"dup-a", "dup-b"}) {
        PeerDoes({{"op", "add"}, {"uid", uid}, {"summary", "dup"}, {"due", "20261209"}});
    }
    PeerDoes({{"op", "event"}, {"uid", "ev"}, {"summary", "party"}, {"start", "20261209T100000Z"}});
    auto here = NewComputer();
    DavSyncResult result = here->Sync();
    EXPECT_EQ(result.report.marked, 1);
    EXPECT_EQ(result.report.leftAlone, 1);
    ASSERT_EQ(here->Subjects().size(), 2u);
    EXPECT_EQ(here->Find("dup(2)").day, 9);
    // Nothing changed here: the mark stays on this computer, the event on the server.
    std::vector<IndivSubj> subjects = here->Subjects();
    subjects[1].content = "only the content";
    here->Write(subjects);
    result = here->Sync();
    EXPECT_EQ(result.report.sent, 1);
    EXPECT_EQ(result.report.marked + result.report.leftAlone, 0);
    for (const QJsonValue& item : Peer().Items()) {
        EXPECT_EQ(item["summary"].toString(), "dup");
    }
    EXPECT_EQ(Peer().Call({{"op", "events"}})["uids"].toArray(), QJsonArray{"ev"});
    EXPECT_EQ(here->Subjects().size(), 2u);
}

TEST_F(DavSyncTest, WritesThatOverlapTheOtherDevicesLoseNothing) {
    auto here = NewComputer();
    here->Write({Dated("overlap", 2026, 12, 10, 8, 0, Progress::Open, "c0")});
    Synced(*here, "first");
    const QString uid = UidOf("overlap");
    // Each round: this computer's change, and the other device's landing
    // between this computer's fetch and its write.
    const struct {
        const char* here;
        QJsonObject there;
        const char* title;
        const char* content;
        int conflicts;
    } rounds[] = {
        {"c-here", {{"summary", "overlap 2"}}, "overlap 2", "c-here", 0},
        {"mine", {{"description", "theirs"}}, "overlap 2", "mine", 1},
    };
    for (const auto& round : rounds) {
        std::vector<IndivSubj> subjects = here->Subjects();
        subjects.at(0).content = round.here;
        here->Write(subjects);
        const int puts = proxy_->Count("PUT");
        proxy_->Hold("PUT");
        DavSyncResult result;
        std::thread sync([&] { result = here->Sync(); });
        const bool held = proxy_->WaitHeld("PUT");
        QJsonObject edit = round.there;
        edit["op"] = "edit";
        edit["uid"] = uid;
        const QJsonObject answer = Peer().Call(edit);
        proxy_->Release("PUT");
        sync.join();
        ASSERT_TRUE(held);
        ASSERT_TRUE(answer["ok"].toBool());
        ASSERT_EQ(result.outcome, DavSyncOutcome::Synced);
        EXPECT_EQ(result.report.sent, 1);
        EXPECT_EQ(proxy_->Count("PUT") - puts, 2) << "the 412, then the write after the merge";
        EXPECT_EQ(result.report.conflicts, round.conflicts);
        const QJsonObject item = CaldavPeer::ByUid(Peer().Items(), uid);
        EXPECT_EQ(item["summary"].toString(), round.title);
        EXPECT_EQ(item["description"].toString(), round.content);
        EXPECT_EQ(here->Find(round.title).content, round.content);
        if (round.conflicts > 0) {
            // The other device's version is in the conflict file, whole.
            ASSERT_FALSE(result.report.conflictFile.empty());
            SubjTree kept(HeaderOf(SubjKind::Indiv));
            ASSERT_EQ(kept.Load(result.report.conflictFile, WidthsOf(SubjKind::Indiv)),
                      StoreResult::Done);
            RecordText theirs{};
            ASSERT_EQ(kept.First(theirs), StoreResult::Done);
            EXPECT_EQ(DecodeIndivSubj(theirs).content, "theirs");
            EXPECT_NE(
                result.report.Summary().indexOf(QString::fromStdString(result.report.conflictFile)),
                -1);
        }
    }
}

TEST_F(DavSyncTest, DeletionsTravelBothWaysKeepWhatTheOtherSideChangedAndAskWhenMany) {
    auto here = NewComputer();
    std::vector<IndivSubj> subjects;
    for (int i = 0; i < 16; ++i) {
        subjects.push_back(Dated("s" + std::to_string(i), 2026, 12, 1 + i, 10, 0));
    }
    here->Write(subjects);
    Synced(*here, "first");
    // s0 deleted here; s1 deleted there; s2 changed here, deleted there; s3
    // deleted here, changed there.
    subjects.erase(subjects.begin() + 3);
    subjects[2].content = "kept";
    subjects.erase(subjects.begin());
    here->Write(subjects);
    PeerDoes({{"op", "delete"}, {"uid", UidOf("s1")}});
    PeerDoes({{"op", "delete"}, {"uid", UidOf("s2")}});
    PeerDoes({{"op", "edit"}, {"uid", UidOf("s3")}, {"description", "back"}});
    const DavSyncResult result = here->Sync();
    ASSERT_EQ(result.outcome, DavSyncOutcome::Synced);
    EXPECT_EQ(result.report.keptHere, 1);
    EXPECT_EQ(result.report.keptThere, 1);
    const QString summary = result.report.Summary();
    EXPECT_NE(summary.indexOf(U("他の機器で削除された個別案件 1 件は")), -1);
    EXPECT_NE(summary.indexOf(U("このコンピューターで削除した個別案件 1 件は")), -1);
    QJsonArray items = Peer().Items();
    EXPECT_TRUE(CaldavPeer::BySummary(items, "s0").isEmpty());
    EXPECT_EQ(CaldavPeer::BySummary(items, "s2")["description"].toString(), "kept");
    EXPECT_EQ(here->Find("s1").title, "");
    EXPECT_EQ(here->Find("s3").content, "back");
    EXPECT_TRUE(here->questions.asked.empty());

    // Eleven deletions there are many: kept at the first answer, taken at the second.
    for (const bool keep : {true, false}) {
        QJsonArray uids;
        items = Peer().Items();
        for (int i = 5; i < 16; ++i) {
            uids.append(CaldavPeer::BySummary(items, QString("s%1").arg(i))["uid"]);
        }
        PeerDoes({{"op", "delete"}, {"uids", uids}});
        here->questions.keep = {keep};
        here->questions.asked.clear();
        Synced(*here, "many deleted");
        EXPECT_EQ(here->questions.asked.size(), 1u);
        EXPECT_EQ(here->Subjects().size(), keep ? 14u : 3u);
        EXPECT_EQ(Peer().Items().size(), keep ? 14 : 3);
    }
    // Three left, and the list emptied: asked, stopped, then sent again.
    for (const bool sendAgain : {false, true}) {
        QJsonArray uids;
        for (const QJsonValue& item : Peer().Items()) {
            uids.append(item["uid"]);
        }
        PeerDoes({{"op", "delete"}, {"uids", uids}});
        here->questions.sendAgain = sendAgain;
        const DavSyncResult emptied = here->Sync();
        EXPECT_EQ(emptied.outcome, sendAgain ? DavSyncOutcome::Synced : DavSyncOutcome::Stopped);
        EXPECT_EQ(here->Subjects().size(), 3u);
        EXPECT_EQ(Peer().Items().size(), sendAgain ? 3 : 0);
    }
}

TEST_F(DavSyncTest, TwoComputersBatchesAndALostStateMakeNoDuplicates) {
    auto first = NewComputer();
    auto second = NewComputer();
    const IndivSubj generated = Dated(S("週報"), 2026, 12, 11, 9, 0, Progress::Open, "", S("週報"));
    first->Write({generated, Dated("by hand", 2026, 12, 12)});
    second->Write({generated});
    Synced(*first, "first");
    const DavSyncResult adopted = second->Sync();
    EXPECT_EQ(adopted.report.adopted, 1);
    EXPECT_EQ(adopted.report.sent, 0);
    EXPECT_EQ(Peer().Items().size(), 2);

    // The first computer moves the generated subject a day on, and its
    // batch generates the old day again.
    IndivSubj moved = generated;
    moved.day = 13;
    IndivSubj before = generated;
    const KeyBytes oldKey = KeyBytesOf(EncodeIndivSubj(before));
    ASSERT_EQ(NoteKeyMoves(first->DataFile(), {{oldKey, KeyBytesOf(EncodeIndivSubj(moved))}}),
              MoveNote::Noted);
    first->Write({generated, moved, Dated("by hand", 2026, 12, 12)});
    Synced(*first, "moved and generated again");
    // The second computer's batch, behind, has generated the moved-to day:
    // the server moves its old day's subject onto that one, which are then
    // one subject, and the old day's new item comes in.
    second->Write({generated, moved, Dated("by hand", 2026, 12, 12)});
    Synced(*second, "takes the move");
    for (Computer* computer : {first.get(), second.get()}) {
        std::vector<int> days;
        for (const IndivSubj& subj : computer->Subjects()) {
            days.push_back(subj.day * 100 + (subj.title == generated.title ? 1 : 0));
        }
        EXPECT_EQ(days, (std::vector<int>{1101, 1200, 1301}));
    }
    QJsonArray items = Peer().Items();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(
        CaldavPeer::ByUid(items, QString::fromStdString(DerivedUid(oldKey, 1)))["due"].toString(),
        "20261213T090000");
    EXPECT_EQ(
        CaldavPeer::ByUid(items, QString::fromStdString(DerivedUid(oldKey, 2)))["due"].toString(),
        "20261211T090000");

    // A lost state, and a damaged one: every item is found again by its key.
    ASSERT_TRUE(QFile::remove(QString::fromStdString(DavStateFileName(first->DataFile()))));
    const DavSyncResult lost = first->Sync();
    EXPECT_EQ(lost.report.adopted, 3);
    QFile damaged(QString::fromStdString(DavStateFileName(second->DataFile())));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write("{\"format\":1,\"items\":[{");
    damaged.close();
    const DavSyncResult setAside = second->Sync();
    EXPECT_EQ(setAside.report.adopted, 3);
    EXPECT_FALSE(setAside.report.stateSetAside.empty());
    EXPECT_NE(setAside.report.Summary().indexOf(U("同期の記録が読めなかったため")), -1);
    EXPECT_EQ(Peer().Items().size(), 3);
    EXPECT_EQ(first->Subjects().size(), 3u);

    // Both make the same new subject; the second's create lands after the
    // first's and adopts its item.
    const IndivSubj both = Dated("both", 2026, 12, 20);
    first->Write({generated, moved, Dated("by hand", 2026, 12, 12), both});
    second->Write({generated, moved, Dated("by hand", 2026, 12, 12), both});
    proxy_->Hold("PUT");
    DavSyncResult late;
    std::thread sync([&] { late = second->Sync(); });
    ASSERT_TRUE(proxy_->WaitHeld("PUT"));
    Synced(*first, "creates first");
    proxy_->Release("PUT");
    sync.join();
    EXPECT_EQ(late.report.adopted, 1);
    EXPECT_EQ(Peer().Items().size(), 4);
}

// A sync cut short once its create reached the server leaves the state as it
// was before its writes. The next sync must find that item, or take in its
// deletion elsewhere, rather than make it again untold.
TEST_F(DavSyncTest, TheCreateOfASyncCutShortIsFoundOrItsDeletionTaken) {
    struct Case {
        const char* name;
        bool deletedThere;
        // Listed by ETags, nobody can tell a create never sent from one
        // deleted since; Radicale's sync-collection tells of the deletion.
        bool byEtags;
        int subjectsAfter;
        bool resent;
    };
    const Case cases[] = {{"found", false, false, 2, false},
                          {"deleted there, the listing tells", true, false, 1, false},
                          {"deleted there, listed by ETags", true, true, 2, true}};
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        list_ = MakeList(*server_, "cut-short-" + std::to_string(++n));
        peer_.reset();
        auto here = NewComputer();
        here->Write({Dated("kept", 2026, 12, 1)});
        Synced(*here, "first");
        Synced(*here, "keeps the token");
        here->Write({Dated("kept", 2026, 12, 1), Dated("made", 2026, 12, 2)});
        proxy_->Hold("PUT");
        DavSyncResult cut;
        std::thread sync([&] { cut = here->Sync(); });
        ASSERT_TRUE(proxy_->WaitHeld("PUT"));
        DavState before;
        ASSERT_EQ(ReadDavState(here->DataFile(), before), StateRead::Read);
        proxy_->Release("PUT");
        sync.join();
        ASSERT_EQ(cut.report.sent, 1);
        ASSERT_EQ(WriteDavState(here->DataFile(), before), FileWrite::Written);
        if (c.deletedThere) {
            PeerDoes({{"op", "delete"}, {"uid", UidOf("made")}});
        }
        if (c.byEtags) {
            proxy_->Answer("REPORT", 1, "501 Not Implemented", "", 2);
        }
        const DavSyncResult next = here->Sync();
        ASSERT_EQ(next.outcome, DavSyncOutcome::Synced);
        EXPECT_EQ(here->Subjects().size(), static_cast<std::size_t>(c.subjectsAfter));
        EXPECT_EQ(Peer().Items().size(), c.subjectsAfter);
        EXPECT_EQ(next.report.resent, c.resent ? 1 : 0);
        EXPECT_EQ(next.report.Summary().contains(U("送り直しました")), c.resent);
        EXPECT_EQ(next.report.adopted, 0);
    }
}

TEST_F(DavSyncTest, RefusalsPasswordsAndAnUnusableServerAreTold) {
    auto here = NewComputer();
    here->Write({Dated("refused", 2026, 12, 14)});
    // Xandikos's answer to a text it will not store: a 207 holding a 412 that
    // names the condition. Told once, never sent again in the same sync.
    proxy_->Answer("PUT", 1, "207 Multi-Status",
                   "<ns0:multistatus xmlns:ns0=\"DAV:\" "
                   "xmlns:ns1=\"urn:ietf:params:xml:ns:caldav\"><ns0:response><ns0:href>/x"
                   "</ns0:href><ns0:status>HTTP/1.1 412 Precondition Failed</ns0:status>"
                   "<ns0:error><ns1:valid-calendar-data/></ns0:error></ns0:response>"
                   "</ns0:multistatus>");
    int puts = proxy_->Count("PUT");
    DavSyncResult result = here->Sync();
    EXPECT_EQ(result.report.refused, 1);
    EXPECT_EQ(proxy_->Count("PUT") - puts, 1);
    EXPECT_NE(result.report.Summary().indexOf(U("サーバーが受け付けなかった")), -1);
    // Any other refusal leaves the change unsent until a write goes through.
    proxy_->Answer("PUT", 1, "403 Forbidden", "");
    result = here->Sync();
    EXPECT_EQ(result.report.unsent, 1);
    EXPECT_EQ(Peer().Items().size(), 0);
    Synced(*here, "sent at last");
    EXPECT_EQ(Peer().Items().size(), 1);

    // A server without sync-collection is listed by its ETags.
    proxy_->Answer("REPORT", 1, "501 Not Implemented", "", 2);
    const int propfinds = proxy_->Count("PROPFIND");
    PeerDoes({{"op", "edit"}, {"uid", UidOf("refused")}, {"description", "by etag"}});
    Synced(*here, "no sync-collection");
    EXPECT_EQ(here->Find("refused").content, "by etag");
    EXPECT_EQ(proxy_->Count("PROPFIND") - propfinds, 1);

    // A made-up sync-token is refused by the server and the listing falls
    // back; the other device's change still arrives.
    DavState state;
    ASSERT_EQ(ReadDavState(here->DataFile(), state), StateRead::Read);
    state.syncToken = "http://radicale.org/ns/sync/" + QString(64, '0');
    ASSERT_EQ(WriteDavState(here->DataFile(), state), FileWrite::Written);
    PeerDoes({{"op", "complete"}, {"uid", UidOf("refused")}});
    Synced(*here, "token refused");
    EXPECT_EQ(here->Find("refused").progress, Progress::Done);

    // A refused password is asked for again.
    here->settings.password = "wrong";
    here->questions.passwords = {DavServer::kPassword};
    Synced(*here, "password asked");
    EXPECT_EQ(here->questions.asked, (std::vector<QString>{"password"}));

    // A server nobody answers at: asked whether to work offline, nothing changed.
    QUrl nowhere = here->list;
    nowhere.setPort(FreeLoopbackPort());
    Computer offline(nowhere);
    offline.Write({Dated("offline", 2026, 12, 15)});
    for (const bool answer : {true, false}) {
        offline.questions.offline = answer;
        EXPECT_EQ(offline.Sync().outcome,
                  answer ? DavSyncOutcome::Offline : DavSyncOutcome::GaveUp);
    }
    EXPECT_EQ(offline.questions.asked.size(), 2u);
    EXPECT_EQ(offline.Subjects().size(), 1u);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(DavStateFileName(offline.DataFile()))));
}

// A server that lists the changes since a token as the difference of two
// states never tells of an item made after the token and deleted since: the
// computer that made it must not keep that token.
TEST(DavSyncXandikosTest, AnItemMadeHereAndDeletedElsewhereGoesHereToo) {
    DavServer server(DavServer::Kind::Xandikos);
    ASSERT_TRUE(server.Running()) << server.Output();
    const QUrl list = MakeListsByDiscovery(server, DavServer::Kind::Xandikos).list;
    ASSERT_FALSE(list.isEmpty());
    Computer here(list);
    Computer there(list);
    const std::vector<IndivSubj> three = {Dated("kept 1", 2026, 12, 20),
                                          Dated("kept 2", 2026, 12, 21),
                                          Dated("made here", 2026, 12, 22)};
    here.Write(three);
    ASSERT_EQ(here.Sync().outcome, DavSyncOutcome::Synced);
    ASSERT_EQ(there.Sync().outcome, DavSyncOutcome::Synced);
    ASSERT_EQ(there.Subjects().size(), 3u);
    there.Write({three[0], three[1]});
    ASSERT_EQ(there.Sync().outcome, DavSyncOutcome::Synced);
    ASSERT_EQ(here.Sync().outcome, DavSyncOutcome::Synced);
    EXPECT_EQ(here.Subjects().size(), 2u);
    EXPECT_TRUE(here.Find("made here").title.empty());
}

}  // namespace
