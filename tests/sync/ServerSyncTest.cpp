// The server steps of start-up and save (ServerSync.h) against a real FTP
// server, with every question answered from a script and no window: what
// they fetch and send, what they ask and tell, and what they leave on both
// sides when the login, a transfer or the server's copy fails.
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>

#include "EngineTestSupport.h"
#include "ScriptedSyncQuestions.h"
#include "ServerSync.h"
#include "SubjList.h"

class ServerSyncTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void startUpFetchesBothFilesByteForByteThenTheyLoad();
    void startUpConnectionFailureEndsTheWindowAndTouchesNothing();
    void startUpOfflineYesWorksOnTheLocalFilesAndSendsThemLater();
    void startUpWithoutTheServerFileKeepsTheLocalOneToSend();
    void startUpFetchFailuresAreAskedAboutTogether();
    void serverStoppingMidFetchKeepsTheLocalFile();
    void saveSendsBothFilesOverOneLogin();
    void saveReportsEachUploadThatFails();
    void passwordIsAskedWhileNoneIsHeldAndTheStepsGoOnWithout();
    void unsentChangesSurviveTheNextStartUp();
    void shiftJisServerPathsWork();
    void serverOffDoesNothing();
    void ftpsWithAnUntrustedCertificateIsAConnectionFailure();

  private:
    ConnectSettings Settings(const char* password = FtpServer::kPassword) const {
        return ServerSettings(*server_, password);
    }
    // A save's server step; what it merged the tests read from the files.
    void Send(ConnectSettings& settings) { static_cast<void>(SendToServer(settings, questions_)); }
    std::string Local(const char* name) const {
        return ReadFileBytes(QDir::current().filePath(QString::fromUtf8(name)).toStdString());
    }

    std::unique_ptr<FtpServer> server_;
    std::unique_ptr<EngineTestFolder> folder_;
    ScriptedSyncQuestions questions_;
};

void ServerSyncTest::init() {
    server_ = std::make_unique<FtpServer>();
    QVERIFY(server_->Running());
    folder_ = std::make_unique<EngineTestFolder>();
    questions_.Clear();
}

void ServerSyncTest::cleanup() {
    folder_.reset();
    server_.reset();
}

void ServerSyncTest::startUpFetchesBothFilesByteForByteThenTheyLoad() {
    server_->PutServerFile("srv_i.dat", Lf(kIndivFile));
    server_->PutServerFile("srv_r.dat", kRepFile);
    WriteFileBytes("veskat_i.dat", "_VESKAT_I_DAT_VER_1_2_\r\n");
    ConnectSettings settings = Settings("");
    questions_.QueuePassword(FtpServer::kPassword);
    QCOMPARE(FetchFromServer(settings, questions_), StartUpOutcome::Go);
    QCOMPARE(questions_.PasswordPrompts(), 1);
    QCOMPARE(settings.password, std::string(FtpServer::kPassword));
    QVERIFY(questions_.Texts().isEmpty());
    QCOMPARE(server_->Logins(), 1);
    QCOMPARE(Local("veskat_i.dat"), kIndivFile);
    QCOMPARE(Local("veskat_r.dat"), kRepFile);

    IndivSubjList list;
    QCOMPARE(list.Load(kIndivFileName), StoreResult::Done);
    QCOMPARE(list.First(), StoreResult::Done);
    QCOMPARE(list.current.title, std::string("\x89\xEF\x8B\x63"));
}

void ServerSyncTest::startUpConnectionFailureEndsTheWindowAndTouchesNothing() {
    server_->PutServerFile("srv_i.dat", Lf(kIndivFile));
    WriteFileBytes("veskat_i.dat", "local");
    ConnectSettings settings = Settings("wrong");
    questions_.QueueAnswer(false);
    QCOMPARE(FetchFromServer(settings, questions_), StartUpOutcome::EndWindow);
    QCOMPARE(questions_.Texts(), QStringList{kConnectFailed + kWorkOffline});
    QCOMPARE(Local("veskat_i.dat"), std::string("local"));
    QVERIFY(!FileExists("veskat_r.dat"));
    QVERIFY(!HasUnsentMarker(kIndivFileName) && !HasUnsentMarker(kRepFileName));
    // A refused login keeps the password it was given.
    QCOMPARE(settings.password, std::string("wrong"));
}

// Yes to working offline: the local files are used as they are, marked, so
// that the first save merges with the server's copies and sends them.

// Yes to working offline: the local files are used as they are, marked, so
// that the first save merges with the server's copies and sends them.
void ServerSyncTest::startUpOfflineYesWorksOnTheLocalFilesAndSendsThemLater() {
    server_->PutServerFile("srv_i.dat", Lf(kIndivFile));
    server_->PutServerFile("srv_r.dat", kRepFile);
    WriteFileBytes("veskat_i.dat", "_VESKAT_I_DAT_VER_1_2_\r\n");
    WriteFileBytes("veskat_r.dat", kRepFile);
    ConnectSettings settings = Settings("wrong");
    questions_.QueueAnswer(true);
    QCOMPARE(FetchFromServer(settings, questions_), StartUpOutcome::Go);
    QCOMPARE(questions_.Texts(), QStringList{kConnectFailed + kWorkOffline});
    QCOMPARE(Local("veskat_i.dat"), std::string("_VESKAT_I_DAT_VER_1_2_\r\n"));
    QVERIFY(HasUnsentMarker(kIndivFileName) && HasUnsentMarker(kRepFileName));

    // Nothing of the server's is lost by the offline work sent over it.
    questions_.Clear();
    settings.password = FtpServer::kPassword;
    Send(settings);
    QCOMPARE(questions_.Texts().size(), 1);
    QVERIFY(questions_.Texts()[0].startsWith(
        QString::fromUtf8("他のコンピューターでの個別案件の変更を 1 件")));
    QVERIFY(Local("veskat_i.dat").find("\x89\xEF\x8B\x63") != std::string::npos);
    QCOMPARE(server_->ServerFile("srv_i.dat"), Lf(Local("veskat_i.dat")));
    QCOMPARE(Local("veskat_i.dat.base"), Local("veskat_i.dat"));
    QVERIFY(!HasUnsentMarker(kIndivFileName) && !HasUnsentMarker(kRepFileName));
}

// The first start after the server was switched on, with nothing on it yet,
// goes on with the local file and sends it at the first save.
void ServerSyncTest::startUpWithoutTheServerFileKeepsTheLocalOneToSend() {
    server_->PutServerFile("srv_r.dat", kRepFile);
    WriteFileBytes("veskat_i.dat", kIndivFile);
    ConnectSettings settings = Settings();
    QCOMPARE(FetchFromServer(settings, questions_), StartUpOutcome::Go);
    QCOMPARE(questions_.Texts(), QStringList{kIndivNotOnServer});
    QCOMPARE(Local("veskat_i.dat"), kIndivFile);
    QCOMPARE(Local("veskat_r.dat"), kRepFile);
    QCOMPARE(Local("veskat_r.dat.base"), kRepFile);
    QVERIFY(HasUnsentMarker(kIndivFileName) && !HasUnsentMarker(kRepFileName));

    questions_.Clear();
    Send(settings);
    QVERIFY(questions_.Texts().isEmpty());
    QCOMPARE(server_->ServerFile("srv_i.dat"), Lf(kIndivFile));
    QCOMPARE(Local("veskat_i.dat.base"), kIndivFile);
}

void ServerSyncTest::startUpFetchFailuresAreAskedAboutTogether() {
    ConnectSettings settings = Settings();
    settings.indivSubjPath = "";
    settings.repSubjPath = "";
    QCOMPARE(FetchFromServer(settings, questions_), StartUpOutcome::EndWindow);
    QCOMPARE(questions_.Texts(),
             QStringList{kIndivNotFetched + "\n" + kRepNotFetched + kWorkOffline});
}

void ServerSyncTest::serverStoppingMidFetchKeepsTheLocalFile() {
    server_->PutServerFile("cutoff_i.dat", std::string(500000, 'c') + "\n");
    WriteFileBytes("veskat_i.dat", kIndivFile);
    ConnectSettings settings = Settings();
    settings.indivSubjPath = "cutoff_i.dat";
    QCOMPARE(FetchFromServer(settings, questions_), StartUpOutcome::EndWindow);
    // The server is gone, so the second file fails too.
    QCOMPARE(questions_.Texts(),
             QStringList{kIndivNotFetched + "\n" + kRepNotFetched + kWorkOffline});
    QCOMPARE(Local("veskat_i.dat"), kIndivFile);
    QCOMPARE(QDir::current().entryList(QDir::Files), QStringList{"veskat_i.dat"});
}

void ServerSyncTest::saveSendsBothFilesOverOneLogin() {
    WriteFileBytes("veskat_i.dat", kIndivFile);
    WriteFileBytes("veskat_r.dat", kRepFile);
    ConnectSettings settings = Settings();
    Send(settings);
    QVERIFY(questions_.Texts().isEmpty());
    QCOMPARE(server_->Logins(), 1);
    QCOMPARE(server_->ServerFile("srv_i.dat"), Lf(kIndivFile));
    QCOMPARE(server_->ServerFile("srv_r.dat"), Lf(kRepFile));
    QVERIFY(!HasUnsentMarker(kIndivFileName) && !HasUnsentMarker(kRepFileName));
}

void ServerSyncTest::saveReportsEachUploadThatFails() {
    WriteFileBytes("veskat_i.dat", kIndivFile);
    WriteFileBytes("veskat_r.dat", kRepFile);
    ConnectSettings settings = Settings();
    settings.repSubjPath = "no-such-folder/srv_r.dat";
    Send(settings);
    QCOMPARE(questions_.Texts(), QStringList{kRepNotSent});
    QCOMPARE(server_->ServerFile("srv_i.dat"), Lf(kIndivFile));
    QVERIFY(!HasUnsentMarker(kIndivFileName) && HasUnsentMarker(kRepFileName));

    // A login that may not make the lock folder sends nothing.
    questions_.Clear();
    settings = Settings(FtpServer::kReadOnlyPassword);
    settings.userId = FtpServer::kReadOnlyUser;
    Send(settings);
    QCOMPARE(questions_.Texts(),
             QStringList{QString::fromUtf8("サーバーに srv_i.dat.lock フォルダーを作れないため、"
                                           "ファイルを更新できません。\n") +
                         kNewestIsLocal});
    QVERIFY(HasUnsentMarker(kIndivFileName) && HasUnsentMarker(kRepFileName));

    questions_.Clear();
    settings.password = "wrong";
    Send(settings);
    QCOMPARE(questions_.Texts(), QStringList{kConnectFailed + "\n" + kNewestIsLocal});
    QCOMPARE(Local("veskat_i.dat"), kIndivFile);
}

// Cancel or an empty answer leave no password: the step still tries, fails
// at the login, and the next one asks again; a password given is kept.
void ServerSyncTest::passwordIsAskedWhileNoneIsHeldAndTheStepsGoOnWithout() {
    WriteFileBytes("veskat_i.dat", kIndivFile);
    WriteFileBytes("veskat_r.dat", kRepFile);
    ConnectSettings settings = Settings("");
    questions_.QueuePassword(std::nullopt);
    Send(settings);
    QCOMPARE(questions_.PasswordPrompts(), 1);
    QCOMPARE(questions_.Texts(), QStringList{kConnectFailed + "\n" + kNewestIsLocal});
    questions_.QueuePassword("");
    Send(settings);
    QCOMPARE(questions_.PasswordPrompts(), 2);
    QCOMPARE(questions_.Texts().size(), 2);
    questions_.QueuePassword(FtpServer::kPassword);
    Send(settings);
    Send(settings);
    QCOMPARE(questions_.PasswordPrompts(), 3);
    QCOMPARE(questions_.Texts().size(), 2);
    QCOMPARE(server_->Logins(), 2);
}

void ServerSyncTest::unsentChangesSurviveTheNextStartUp() {
    server_->PutServerFile("srv_i.dat", "server-old\n");
    server_->PutServerFile("srv_r.dat", kRepFile);
    WriteFileBytes("veskat_i.dat", kIndivFile);
    WriteFileBytes("veskat_r.dat", kRepFile);
    ConnectSettings settings = Settings("wrong");
    Send(settings);  // not sent: both marked
    QVERIFY(HasUnsentMarker(kIndivFileName) && HasUnsentMarker(kRepFileName));

    questions_.Clear();
    settings.password = FtpServer::kPassword;
    QCOMPARE(FetchFromServer(settings, questions_), StartUpOutcome::Go);
    // The server's file is no data file: kept aside, never merged.
    QCOMPARE(questions_.Texts().size(), 1);
    QVERIFY(questions_.Texts()[0].startsWith(QString::fromUtf8(
        "サーバーの個別案件ファイルは壊れていたため、取り込まずに veskat_i.dat.server.")));
    QCOMPARE(Local("veskat_i.dat"), kIndivFile);
    QCOMPARE(QDir::current().entryList({"veskat_i.dat.server.*"}).size(), 1);

    // Nor replaced, until a save the user confirms; its copy is kept again.
    questions_.Clear();
    Send(settings);
    QCOMPARE(questions_.Texts().size(), 2);
    QCOMPARE(server_->ServerFile("srv_i.dat"), std::string("server-old\n"));
    questions_.Clear();
    questions_.QueueAnswer(true);
    Send(settings);
    QCOMPARE(questions_.Texts().size(), 1);
    QVERIFY(questions_.Texts()[0].startsWith(QString::fromUtf8(
        "サーバーの個別案件ファイルは壊れていたため、取り込まずに veskat_i.dat.incoming.")));
    const QStringList kept = QDir::current().entryList({"veskat_i.dat.incoming.*"});
    QCOMPARE(kept.size(), 2);
    QCOMPARE(Local(kept[0].toUtf8().constData()), std::string("server-old\r\n"));
    QCOMPARE(server_->ServerFile("srv_i.dat"), Lf(kIndivFile));
    QVERIFY(!HasUnsentMarker(kIndivFileName) && !HasUnsentMarker(kRepFileName));
    questions_.Clear();
    QCOMPARE(FetchFromServer(settings, questions_), StartUpOutcome::Go);
    QVERIFY(questions_.Texts().isEmpty());

    // The close question's local-only save marks both files as well.
    LocalSaveNotSent(settings);
    QVERIFY(HasUnsentMarker(kIndivFileName) && HasUnsentMarker(kRepFileName));
}

void ServerSyncTest::shiftJisServerPathsWork() {
    const std::string folder = "\x97\x5C\x92\xE8";  // 予定
    std::filesystem::create_directory(server_->Root() + "/" + folder);
    WriteFileBytes("veskat_i.dat", kIndivFile);
    WriteFileBytes("veskat_r.dat", kRepFile);
    ConnectSettings settings = Settings();
    settings.indivSubjPath = folder + "/\x8C\xC2\x95\xCA.dat";      // 個別.dat
    settings.repSubjPath = "/" + folder + "/\x94\xBD\x95\x9C.dat";  // 反復.dat, from the root
    Send(settings);
    QVERIFY(questions_.Texts().isEmpty());
    QCOMPARE(server_->ServerFile(settings.indivSubjPath), Lf(kIndivFile));
    QCOMPARE(server_->ServerFile(settings.repSubjPath.substr(1)), Lf(kRepFile));
    QCOMPARE(FetchFromServer(settings, questions_), StartUpOutcome::Go);
    QCOMPARE(Local("veskat_i.dat"), kIndivFile);
}

void ServerSyncTest::serverOffDoesNothing() {
    ConnectSettings settings = Settings("");
    settings.ftpMode = 0;
    QCOMPARE(FetchFromServer(settings, questions_), StartUpOutcome::Go);
    Send(settings);
    LocalSaveNotSent(settings);
    QVERIFY(questions_.Texts().isEmpty());
    QCOMPARE(server_->Logins(), 0);
    QVERIFY(QDir::current().entryList(QDir::Files).isEmpty());
}

void ServerSyncTest::ftpsWithAnUntrustedCertificateIsAConnectionFailure() {
    server_ = std::make_unique<FtpServer>(FtpServer::Security::TlsRequired);
    QVERIFY(server_->Running());
    server_->PutServerFile("srv_i.dat", Lf(kIndivFile));
    server_->PutServerFile("srv_r.dat", kRepFile);
    ConnectSettings settings = Settings();
    settings.ftpTls = 1;
    QCOMPARE(FetchFromServer(settings, questions_), StartUpOutcome::EndWindow);
    QCOMPARE(questions_.Texts(), QStringList{kConnectFailed + kWorkOffline});
    QVERIFY(!FileExists("veskat_i.dat"));

    questions_.Clear();
    settings.caFile = server_->CertFile();
    QCOMPARE(FetchFromServer(settings, questions_), StartUpOutcome::Go);
    QVERIFY(questions_.Texts().isEmpty());
    QCOMPARE(Local("veskat_i.dat"), kIndivFile);
    QCOMPARE(server_->Logins(), 1);
}

QTEST_GUILESS_MAIN(ServerSyncTest)
#include "ServerSyncTest.moc"
