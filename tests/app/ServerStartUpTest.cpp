// The server steps of the main window where a computer's own work meets a
// server copy it did not come from: the first start after the server was
// switched on, a backup restored by hand, settings pointing at another server
// file; and the lock and copies of a save: a lock left by a computer that
// stopped, the wait for a lock, a damaged server copy, a merge that would
// delete many subjects. After each case no lock is left.
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "ConnectSettings.h"
#include "FtpServer.h"
#include "ServerLock.h"
#include "ServerSync.h"
#include "ServerTestSupport.h"
#include "SubjListDlg.h"

namespace {

constexpr int kSaveButton = 1009;

const QString kLocalChangesMerged = QStringLiteral(
    "このコンピューター上の個別案件ファイルにはサーバーへ送っていない変更があったため、"
    "サーバーのファイルと合わせました。元のファイルを veskat_i.dat.20240515-123020 として"
    "残しました。");

}  // namespace

class ServerStartUpTest : public WindowTestCase {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void shouldMergeLocalWorkAtTheFirstStartWithTheServer();
    void shouldKeepABackupRestoredByHand();
    void shouldTakeNoBaseFromAnotherServerFile();
    void shouldAskBeforeBreakingALockLeftBehind();
    void shouldShowTheWaitForALockAndEndItOnCancel();
    void shouldNotReplaceADamagedServerCopyUnlessTheUserSaysSo();
    void shouldAskBeforeTakingInManyDeletions();

  private:
    void Serve(const QStringList& indivTitles, const char* name = "srv_i.dat");
    void WriteIni(const char* indivPath = "srv_i.dat");
    // Each with the answers for its questions, in order.
    std::unique_ptr<CSubjListDlg> StartUp(std::initializer_list<MessageAnswer> answers = {});
    void Save(CSubjListDlg& window, std::initializer_list<MessageAnswer> answers = {});
    void Answer(std::initializer_list<MessageAnswer> answers);

    std::unique_ptr<FtpServer> server_;
};

void ServerStartUpTest::init() {
    server_ = std::make_unique<FtpServer>(FtpServer::Security::Plain);
    QVERIFY(server_->Running());
    EnterFreshFolder();
    WriteDataFiles({}, {Rep("r", Progress::Open)});
    server_->PutServerFile("srv_r.dat", Lf(ReadFile(kRepFileName)));
    WriteIni();
    ServerLockTiming() = {std::chrono::milliseconds(10), std::chrono::milliseconds(100)};
}

void ServerStartUpTest::cleanup() {
    // However a step ended, it gave its lock back.
    QVERIFY(!FileExists(server_->Root() + "/srv_i.dat.lock"));
    LeaveFolder();
    server_.reset();
    ServerLockTiming() = {};
}

void ServerStartUpTest::Serve(const QStringList& indivTitles, const char* name) {
    server_->PutServerFile(name, Lf(IndivFileOf(indivTitles)));
}

void ServerStartUpTest::WriteIni(const char* indivPath) {
    WriteServerIni(*server_, indivPath);
}

void ServerStartUpTest::Answer(std::initializer_list<MessageAnswer> answers) {
    messages_.Clear();
    for (MessageAnswer answer : answers) {
        messages_.QueueAnswer(answer);
    }
}

std::unique_ptr<CSubjListDlg> ServerStartUpTest::StartUp(
    std::initializer_list<MessageAnswer> answers) {
    Answer(answers);
    auto window = std::make_unique<CSubjListDlg>(messages_);
    window->Settings().password = FtpServer::kPassword;
    window->OnInitDialog();
    return window;
}

void ServerStartUpTest::Save(CSubjListDlg& window, std::initializer_list<MessageAnswer> answers) {
    Answer(answers);
    window.Control<QPushButton>(kSaveButton)->click();
}

// A laptop worked with the server off, then switched it on: its work and
// the server's are merged as a union, its file kept as it was.
void ServerStartUpTest::shouldMergeLocalWorkAtTheFirstStartWithTheServer() {
    const QByteArray mine = IndivFileOf({"mine"});
    WriteFile(kIndivFileName, mine);
    Serve({"other"});
    auto window = StartUp();
    QCOMPARE(messages_.Texts().size(), 2);
    QCOMPARE(messages_.Texts()[0], kLocalChangesMerged);
    QVERIFY(messages_.Texts()[1].startsWith(
        QStringLiteral("他のコンピューターでの個別案件の変更を 1 件取り込みました。")));
    QCOMPARE(SortedTitles(window->IndivList()), (QStringList{"mine", "other"}));
    QCOMPARE(ReadFile("veskat_i.dat.20240515-123020"), mine);
    Save(*window);
    QVERIFY(messages_.Texts().isEmpty());
    QCOMPARE(server_->ServerFile("srv_i.dat"), Lf(ReadFile(kIndivFileName)));
}

// A .bak put back by hand while the server is on is this computer's
// choice: the next start-up keeps it and the next save sends it.
void ServerStartUpTest::shouldKeepABackupRestoredByHand() {
    Serve({"old"});
    auto window = StartUp();
    window->IndivList().current = Indiv(2024, 7, 1, 9, 0, "new", Progress::Open);
    QCOMPARE(window->IndivList().Insert(), StoreResult::Done);
    Save(*window);
    QVERIFY(QFile::remove(kIndivFileName) && QFile::copy("veskat_i.dat.bak", kIndivFileName));
    const QByteArray restored = ReadFile(kIndivFileName);

    window = StartUp();
    QCOMPARE(messages_.Texts(), QStringList{kLocalChangesMerged});
    QCOMPARE(ReadFile(kIndivFileName), restored);
    QVERIFY(HasUnsentMarker(kIndivFileName));
    Save(*window);
    QCOMPARE(server_->ServerFile("srv_i.dat"), Lf(restored));
}

// Settings pointing at another server file with an older copy: the base of
// the first file says nothing about it, so nothing is taken as deleted.
void ServerStartUpTest::shouldTakeNoBaseFromAnotherServerFile() {
    Serve({"old", "a", "b"});
    StartUp();
    Serve({"old"}, "elsewhere_i.dat");
    WriteIni("elsewhere_i.dat");
    auto window = StartUp();
    QCOMPARE(messages_.Texts(), QStringList{kLocalChangesMerged});
    QCOMPARE(SortedTitles(window->IndivList()), (QStringList{"a", "b", "old"}));
    QVERIFY(ReadFile("veskat_i.dat.base.origin").contains("path=elsewhere_i.dat"));
}

// A computer stopped between deleting the old copy and renaming its upload
// into place left its lock, with a note of the rename: the waiter asks
// before breaking it, then finishes the rename rather than taking the
// missing file for a new server.
void ServerStartUpTest::shouldAskBeforeBreakingALockLeftBehind() {
    Serve({"old", "new"}, "srv_i.dat.far-1-ab.up");
    QVERIFY(QDir().mkpath(QString::fromStdString(server_->Root() + "/srv_i.dat.lock")));
    server_->PutServerFile("srv_i.dat.lock/owner", "computer=far\ntaken=2024-05-15 12:00:00\n");
    server_->PutServerFile("srv_i.dat.lock/pending", "srv_i.dat.far-1-ab.up\nsrv_i.dat\n");
    // No: the start-up cannot fetch and asks whether to go on locally.
    StartUp({MessageAnswer::No, MessageAnswer::No});
    QCOMPARE(messages_.Texts().size(), 2);
    QCOMPARE(messages_.Texts()[0],
             QStringLiteral("サーバーのファイルを更新中のコンピューター (far、2024-05-15 12:00:00 "
                            "から) が 0 分以上そのままです。\n途中で止まったものとみなして、"
                            "続けますか？"));
    QVERIFY(FileExists(server_->Root() + "/srv_i.dat.lock/owner"));
    auto window = StartUp({MessageAnswer::Yes});
    QCOMPARE(messages_.Texts().size(), 1);
    QCOMPARE(SortedTitles(window->IndivList()), (QStringList{"new", "old"}));
    QVERIFY(!FileExists(server_->Root() + "/srv_i.dat.far-1-ab.up"));
}

void ServerStartUpTest::shouldShowTheWaitForALockAndEndItOnCancel() {
    Serve({"old"});
    const std::string lock = server_->Root() + "/srv_i.dat.lock";
    QVERIFY(QDir().mkpath(QString::fromStdString(lock)));
    server_->PutServerFile("srv_i.dat.lock/owner", "computer=busy\n");
    ServerLockTiming().stale = std::chrono::minutes(1);
    QString shown;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&shown] {
        QWidget* dialog = QApplication::activeModalWidget();
        auto* label = dialog != nullptr ? dialog->findChild<QLabel*>("transferFile") : nullptr;
        if (label != nullptr && label->text().startsWith(QStringLiteral("他のコンピューター"))) {
            shown = label->text();
            dialog->findChild<QPushButton*>("transferCancel")->click();
        }
    });
    poll.start(20);
    StartUp({MessageAnswer::No});
    QCOMPARE(shown, QStringLiteral("他のコンピューターがサーバーのファイルを更新しています。\n"
                                   "終わるのを待っています..."));
    QCOMPARE(messages_.Texts().size(), 1);
    QVERIFY(messages_.Texts()[0].startsWith(QStringLiteral("個別案件の取得に失敗しました。")));
    // Another computer's lock is not this one's to give back.
    QCOMPARE(server_->ServerFile("srv_i.dat.lock/owner"), std::string("computer=busy\n"));
    std::filesystem::remove_all(lock);
}

void ServerStartUpTest::shouldNotReplaceADamagedServerCopyUnlessTheUserSaysSo() {
    Serve({"old", "\u4e88\u5b9a"});
    auto window = StartUp();
    // Cut inside the last title, between the two bytes of a kanji.
    std::string cut = server_->ServerFile("srv_i.dat");
    cut.resize(cut.find("\t\x97") + 2);
    server_->PutServerFile("srv_i.dat", cut);
    Save(*window);
    QCOMPARE(messages_.Texts().size(), 2);
    QVERIFY(messages_.Texts()[0].startsWith(
        QStringLiteral("サーバーの個別案件ファイルは壊れていたため、取り込まずに "
                       "veskat_i.dat.incoming.20240515-123020 として残しました。")));
    QCOMPARE(server_->ServerFile("srv_i.dat"), cut);
    QVERIFY(HasUnsentMarker(kIndivFileName));

    // Re-saved as UTF-8 by another program: kept aside too; Yes replaces it.
    server_->PutServerFile("srv_i.dat",
                           SjisToQString(Lf(IndivFileOf({"\u4e88\u5b9a"}))).toUtf8().toStdString());
    Save(*window, {MessageAnswer::Yes});
    QVERIFY(messages_.Texts()[0].contains(QStringLiteral("文字コードを変えて保存されていた")));
    QCOMPARE(server_->ServerFile("srv_i.dat"), Lf(ReadFile(kIndivFileName)));
    // A new generation: no other computer's base stands for the new content.
    const QByteArray generation =
        QByteArray::fromStdString(server_->ServerFile("srv_i.dat.generation")).trimmed();
    QCOMPARE(generation.size(), 16);
    QVERIFY(ReadFile("veskat_i.dat.base.origin").contains("generation=" + generation + "\r\n"));
    QVERIFY(!HasUnsentMarker(kIndivFileName));
}

// A server copy that lost most of its lines looks like another computer
// deleting them: the question names the count, and Yes (the default) keeps them.
void ServerStartUpTest::shouldAskBeforeTakingInManyDeletions() {
    QStringList all;
    for (int i = 0; i < 15; ++i) {
        all << QStringLiteral("s%1").arg(i, 2, 10, QLatin1Char('0'));
    }
    Serve(all);
    auto window = StartUp();
    Serve(all.mid(0, 3));
    Save(*window, {MessageAnswer::Yes});
    QCOMPARE(
        messages_.Texts().first(),
        QStringLiteral("他のコンピューターで個別案件が 12 件削除されています。\n"
                       "このコンピューターでは残しますか？（「いいえ」で削除を取り込みます）"));
    QCOMPARE(SortedTitles(window->IndivList()), all);
    QCOMPARE(server_->ServerFile("srv_i.dat"), Lf(ReadFile(kIndivFileName)));
}

QTEST_MAIN(ServerStartUpTest)
#include "ServerStartUpTest.moc"
