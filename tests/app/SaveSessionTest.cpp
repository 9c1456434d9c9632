// The save session against the real test FTP server: what each save came
// to and what the user heard of it; what a merge with another computer's save
// wrote, taken into the lists; the start-up that fetches before it loads; and
// every way the window saves (保存, 保存・終了, the close question's はい,
// Ctrl+S) writing and then sending, a send that fails keeping the unsent
// marker and telling the user.
#include <QDir>
#include <QPushButton>
#include <QTest>

#include "ConnectDlg.h"
#include "ConnectSettings.h"
#include "PromptScript.h"
#include "ResourceIds.h"
#include "SaveSession.h"
#include "ScriptedMessageService.h"
#include "ServerTestSupport.h"
#include "SubjListDlg.h"
#include "SubjListView.h"

using namespace MainDialogIds;

namespace {

const QString kConnectFailed = QStringLiteral(
    "ftpサーバーとの接続に失敗しました。\n最新ファイルはこのコンピューター上にあります。");
const QString kOneTakenIn =
    QStringLiteral("他のコンピューターでの個別案件の変更を 1 件取り込みました。");

}  // namespace

class SaveSessionTest : public WindowTestCase {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void shouldTellWhatTheSaveCameTo_data();
    void shouldTellWhatTheSaveCameTo();
    void shouldFetchBeforeLoadingAndWriteBeforeSending();
    void shouldEndRightAfterStartUpWithoutTheServer();
    void shouldSendOnEveryWayToSave_data();
    void shouldSendOnEveryWayToSave();

  private:
    std::unique_ptr<CSubjListDlg> StartUp();

    std::unique_ptr<FtpServer> server_;
    QByteArray oldIndiv_;
};

void SaveSessionTest::init() {
    server_ = std::make_unique<FtpServer>();
    QVERIFY(server_->Running());
    EnterFreshFolder();
    WriteDataFiles({Indiv(2024, 5, 20, 9, 0, "old", Progress::Open)}, {Rep("r", Progress::Open)});
    oldIndiv_ = ReadFile(kIndivFileName);
    server_->PutServerFile("srv_i.dat", Lf(oldIndiv_));
    server_->PutServerFile("srv_r.dat", Lf(ReadFile(kRepFileName)));
    WriteServerIni(*server_);
}

void SaveSessionTest::cleanup() {
    LeaveFolder();
    server_.reset();
}

std::unique_ptr<CSubjListDlg> SaveSessionTest::StartUp() {
    auto window = std::make_unique<CSubjListDlg>(messages_);
    window->Settings().password = FtpServer::kPassword;
    window->OnInitDialog();
    window->show();
    return window;
}

void SaveSessionTest::shouldTellWhatTheSaveCameTo_data() {
    QTest::addColumn<QString>("setting");
    QTest::addColumn<SaveOutcome>("outcome");
    QTest::addColumn<QStringList>("told");
    QTest::addColumn<QStringList>("titlesAfter");
    QTest::addColumn<bool>("onServer");  // the server's individual file is the local one
    QTest::addColumn<bool>("marked");
    const QStringList mine{"new", "old"};
    QTest::newRow("server off") << "off" << SaveOutcome::Saved << QStringList() << mine << false
                                << false;
    QTest::newRow("sent") << "on" << SaveOutcome::Sent << QStringList() << mine << true << false;
    QTest::newRow("another computer's save taken in")
        << "other" << SaveOutcome::Sent << QStringList{kOneTakenIn}
        << QStringList{"new", "old", "other"} << true << false;
    QTest::newRow("login refused") << "wrong password" << SaveOutcome::NotSent
                                   << QStringList{kConnectFailed} << mine << false << true;
    QTest::newRow("a file cannot be written")
        << "blocked" << SaveOutcome::NotSaved << QStringList{kSaveFailed} << mine << false << true;
}

// The lists take in what the merge wrote before anything shows them again.
void SaveSessionTest::shouldTellWhatTheSaveCameTo() {
    QFETCH(QString, setting);
    QFETCH(SaveOutcome, outcome);
    QFETCH(QStringList, told);
    QFETCH(QStringList, titlesAfter);
    QFETCH(bool, onServer);
    QFETCH(bool, marked);
    if (setting == "off") {
        WriteFile("veskat.ini", "[FTP]\r\nftpmode=FALSE\r\n");
    }
    SaveSession session(messages_, nullptr);
    session.Settings().password = FtpServer::kPassword;
    session.LoadSettings();
    QCOMPARE(session.Load(), StartUpOutcome::Go);
    QVERIFY(messages_.Texts().isEmpty());
    session.Indiv().current = Indiv(2024, 6, 1, 10, 0, "new", Progress::Open);
    QCOMPARE(session.Indiv().Insert(), StoreResult::Done);
    if (setting == "other") {
        server_->PutServerFile(
            "srv_i.dat", Lf(oldIndiv_ + IndivFileOf({"other"}).mid(oldIndiv_.indexOf('\n') + 1)));
    } else if (setting == "wrong password") {
        session.Settings().password = "wrong";
    } else if (setting == "blocked") {
        QVERIFY(QFile::remove(kIndivFileName));
        QVERIFY(QDir().mkpath(QString(kIndivFileName) + "/in the way"));
    }
    const std::string serverBefore = server_->ServerFile("srv_i.dat");

    QStringList titlesWhenTold;
    int takenIn = 0;
    QCOMPARE(session.Save([&] {
        ++takenIn;
        titlesWhenTold = SortedTitles(session.Indiv());
    }),
             outcome);
    QCOMPARE(messages_.Texts(), told);
    QCOMPARE(takenIn, setting == "other" ? 1 : 0);
    QCOMPARE(SortedTitles(session.Indiv()), titlesAfter);
    if (takenIn > 0) {
        QCOMPARE(titlesWhenTold, titlesAfter);
    }
    if (onServer) {
        QCOMPARE(server_->ServerFile("srv_i.dat"), Lf(ReadFile(kIndivFileName)));
    } else {
        QCOMPARE(server_->ServerFile("srv_i.dat"), serverBefore);
    }
    QCOMPARE(HasMarker(kIndivFileName), marked);
}

// The start-up loads what the fetch wrote; a save writes only the file it
// changes, and sends what it wrote. A save that could not write sends nothing.
void SaveSessionTest::shouldFetchBeforeLoadingAndWriteBeforeSending() {
    const QByteArray fetched = IndivFileOf({"from server"});
    server_->PutServerFile("srv_i.dat", Lf(fetched));
    QVERIFY(QFile::remove(kIndivFileName) && QFile::remove(kRepFileName));
    auto window = StartUp();
    QVERIFY(messages_.Texts().isEmpty());
    QCOMPARE(window->ListView()->CellText(0, 2), QStringLiteral("from server"));

    const auto changeRep = [&window](const char* title) {
        window->RepList().current = Rep(title, Progress::Open);
        QCOMPARE(window->RepList().Insert(), StoreResult::Done);
    };
    changeRep("rep 1");
    QByteArray indivAtSend;
    QByteArray repAtSend;
    WhenServerWorkBegins(this, [&] {
        indivAtSend = ReadFile(kIndivFileName);
        repAtSend = ReadFile(kRepFileName);
    });
    window->Control<QPushButton>(kSaveId)->click();
    QVERIFY(messages_.Texts().isEmpty());
    QCOMPARE(indivAtSend, fetched);
    QVERIFY(repAtSend.contains("rep 1"));
    QCOMPARE(server_->ServerFile("srv_r.dat"), Lf(repAtSend));

    bool connectShown = false;
    WhenShown<CConnectDlg>([&](CConnectDlg* dialog) {
        connectShown = true;
        Button(dialog, 2)->click();
    });
    window->MenuAction(kConnectMenuId)->trigger();
    QVERIFY(connectShown);

    QVERIFY(QFile::remove(kIndivFileName));
    QVERIFY(QDir().mkpath(QString(kIndivFileName) + "/x"));
    changeRep("rep 2");
    window->Control<QPushButton>(kSaveId)->click();
    QCOMPARE(messages_.Texts(), QStringList{kSaveFailed});
    QCOMPARE(server_->ServerFile("srv_r.dat"), Lf(repAtSend));
    QVERIFY(HasMarker(kIndivFileName) && HasMarker(kRepFileName));
    QVERIFY(window->isVisible());
}

// No to working without the server ends the window before it is shown,
// with its files as they were.
void SaveSessionTest::shouldEndRightAfterStartUpWithoutTheServer() {
    const QByteArray before = ReadFile(kIndivFileName);
    CSubjListDlg window(messages_);
    window.Settings().password = "wrong";
    QCOMPARE(window.DoModal(), kIdOk);
    QVERIFY(!window.isVisible());
    QCOMPARE(ReadFile(kIndivFileName), before);
    QCOMPARE(messages_.History().size(), std::size_t{1});
    QCOMPARE(messages_.History().front().buttons, MessageButtons::YesNo);
}

void SaveSessionTest::shouldSendOnEveryWayToSave_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<bool>("serverTakesIt");
    QTest::addColumn<bool>("windowEnds");
    for (const bool takes : {true, false}) {
        const char* const sent = takes ? ", sent" : ", send fails";
        QTest::addRow("保存%s", sent) << "button" << takes << false;
        QTest::addRow("保存・終了%s", sent) << "saveExit" << takes << true;
        QTest::addRow("close question はい%s", sent) << "closeYes" << takes << true;
        QTest::addRow("Ctrl+S%s", sent) << "ctrlS" << takes << false;
    }
}

void SaveSessionTest::shouldSendOnEveryWayToSave() {
    QFETCH(QString, way);
    QFETCH(bool, serverTakesIt);
    QFETCH(bool, windowEnds);
    auto window = StartUp();
    QVERIFY(messages_.Texts().isEmpty());
    window->IndivList().current = Indiv(2024, 6, 1, 10, 0, "new", Progress::Open);
    QCOMPARE(window->IndivList().Insert(), StoreResult::Done);
    if (!serverTakesIt) {
        window->Settings().password = "wrong";
    }

    if (way == "button") {
        window->Control<QPushButton>(kSaveId)->click();
    } else if (way == "saveExit") {
        window->Control<QPushButton>(kSaveExitId)->click();
    } else if (way == "closeYes") {
        messages_.QueueAnswer(MessageAnswer::Yes);
        window->close();
    } else {
        Activate(window.get());
        QTest::keyClick(window->focusWidget(), Qt::Key_S, Qt::ControlModifier);
    }

    QCOMPARE(window->isVisible(), !windowEnds);
    const QByteArray written = ReadFile(kIndivFileName);
    QVERIFY(written.contains("\tnew\t"));
    QStringList told = messages_.Texts();
    told.removeAll(kSaveQuestion);
    if (serverTakesIt) {
        QCOMPARE(told, QStringList());
        QCOMPARE(server_->ServerFile("srv_i.dat"), Lf(written));
        QVERIFY(!HasMarker(kIndivFileName));
    } else {
        QCOMPARE(told, QStringList{kConnectFailed});
        QCOMPARE(server_->ServerFile("srv_i.dat"), Lf(oldIndiv_));
        QVERIFY(HasMarker(kIndivFileName));
    }
}

QTEST_MAIN(SaveSessionTest)
#include "SaveSessionTest.moc"
