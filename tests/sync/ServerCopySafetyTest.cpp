// The server steps where a server copy or the server itself could cost the
// user's work: a copy that lost subjects met in step at start-up, an emptied
// list not yet sent, a copy that could not be read, a server that resets
// reads of missing files under TLS or keeps every folder, a lock owner file
// written by anyone, and a lock held while the user thinks. Against the test
// server, the questions answered from a script.
#include <QtTest>

#include <filesystem>
#include <thread>

#include "EngineTestSupport.h"
#include "ScriptedSyncQuestions.h"
#include "ServerLock.h"
#include "ServerSync.h"

namespace {

using Kind = ScriptedSyncQuestions::Kind;
namespace fs = std::filesystem;

const QString kServerKeepsFolders = QString::fromUtf8(
    "サーバーがフォルダーの削除を許さないため、同期用のロック srv_i.dat.lock を外せません。"
    "サーバーの設定を確かめてください。");

// `bytes` cut after its first `lines` lines, at a line end.
std::string FirstLines(const std::string& bytes, int lines) {
    std::size_t end = 0;
    for (int i = 0; i < lines && end != std::string::npos; ++i) {
        end = bytes.find('\n', end);
        end = end == std::string::npos ? end : end + 1;
    }
    return bytes.substr(0, end);
}

// How many subjects each kept version of the individual file holds, oldest first.
std::vector<int> VersionSubjects() {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator("versions", ignored)) {
        if (entry.path().filename().string().rfind(kIndivFileName, 0) == 0) {
            names.push_back(entry.path().string());
        }
    }
    std::sort(names.begin(), names.end());
    std::vector<int> counts;
    for (const std::string& name : names) {
        counts.push_back(SubjectsIn(name));
    }
    return counts;
}

// Upload leftovers on the server: names ending in ".up".
int Uploads(const FtpServer& server) {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(server.Root())) {
        count += entry.path().extension() == ".up" ? 1 : 0;
    }
    return count;
}

}  // namespace

class ServerCopySafetyTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void shouldAskBeforeAStartUpInStepTakesInACopyThatLostManySubjects_data();
    void shouldAskBeforeAStartUpInStepTakesInACopyThatLostManySubjects();
    void shouldKeepADeletionOfTheLastSubjectsWhoseSaveWasNotSent_data();
    void shouldKeepADeletionOfTheLastSubjectsWhoseSaveWasNotSent();
    void shouldNeverSendOverAServerCopyItCouldNotRead_data();
    void shouldNeverSendOverAServerCopyItCouldNotRead();
    void shouldSyncOverFtpsWithAServerThatResetsReadsOfMissingFiles();
    void shouldTellOnceThatTheServerKeepsTheLockFolderAndNotWaitForItAgain();
    void shouldShowALockOwnerOnlyAsShortPrintableText();
    void shouldKeepTheLockFreshWhileAQuestionWaits();
    void shouldNotRenewTheGenerationOnceTheLockIsAnotherComputers();

  private:
    // A start-up in step with a server holding `subjects` individual subjects.
    void StartUpInStep(int subjects);
    void UseServer(FtpServer::Security security, std::vector<std::string> options);

    std::unique_ptr<FtpServer> server_;
    std::unique_ptr<EngineTestFolder> folder_;
    ConnectSettings settings_;
    ScriptedSyncQuestions questions_;
};

void ServerCopySafetyTest::init() {
    UseServer(FtpServer::Security::Plain, {});
    folder_ = std::make_unique<EngineTestFolder>();
    questions_ = ScriptedSyncQuestions();
    ServerLockTiming() = {std::chrono::milliseconds(10), std::chrono::seconds(3)};
}

void ServerCopySafetyTest::cleanup() {
    // However a step ended, it gave its lock back.
    QVERIFY(!fs::exists(server_->Root() + "/srv_i.dat.lock/owner") ||
            server_->ServerFile("srv_i.dat.lock/owner").rfind("released=", 0) == 0);
    QCOMPARE(questions_.UnscriptedQuestions(), 0);
    folder_.reset();
    server_.reset();
    ServerLockTiming() = {};
}

void ServerCopySafetyTest::UseServer(FtpServer::Security security,
                                     std::vector<std::string> options) {
    server_ = std::make_unique<FtpServer>(security, std::move(options));
    QVERIFY(server_->Running());
    settings_ = ServerSettings(*server_);
    if (security != FtpServer::Security::Plain) {
        settings_.ftpTls = 1;
        settings_.caFile = server_->CertFile();
    }
}

void ServerCopySafetyTest::StartUpInStep(int subjects) {
    server_->PutServerFile("srv_i.dat", Lf(IndivFileOf(0, subjects)));
    server_->PutServerFile("srv_r.dat", Lf(kRepFile));
    QCOMPARE(FetchFromServer(settings_, questions_), StartUpOutcome::Go);
    QCOMPARE(SubjectsIn(kIndivFileName), subjects);
    QCOMPARE(ReadFileBytes("veskat_i.dat.base"), ReadFileBytes(kIndivFileName));
    questions_.Clear();
}

// A copy cut at a line end, one with its header alone, or another
// computer's mass deletion all look like deletions; many of them are asked
// about (Yes keeps them), and whatever is taken in, the list it replaces is
// kept as a version and as the backup.
void ServerCopySafetyTest::shouldAskBeforeAStartUpInStepTakesInACopyThatLostManySubjects_data() {
    QTest::addColumn<int>("local");
    QTest::addColumn<int>("lines");   // of the server's copy, its header included
    QTest::addColumn<int>("answer");  // -1: none expected
    QTest::addColumn<int>("after");
    QTest::newRow("cut at a line end, kept") << 40 << 11 << 1 << 40;
    QTest::newRow("cut at a line end, taken") << 40 << 11 << 0 << 10;
    QTest::newRow("header alone, kept") << 40 << 1 << 1 << 40;
    QTest::newRow("a few deleted") << 40 << 36 << -1 << 35;
    QTest::newRow("header alone, a short list") << 5 << 1 << -1 << 0;
}

void ServerCopySafetyTest::shouldAskBeforeAStartUpInStepTakesInACopyThatLostManySubjects() {
    QFETCH(int, local);
    QFETCH(int, lines);
    QFETCH(int, answer);
    QFETCH(int, after);
    StartUpInStep(local);
    const std::string whole = ReadFileBytes(kIndivFileName);
    server_->PutServerFile("srv_i.dat", FirstLines(Lf(whole), lines));
    if (answer >= 0) {
        questions_.QueueAnswer(answer == 1);
    }
    QCOMPARE(FetchFromServer(settings_, questions_), StartUpOutcome::Go);
    QCOMPARE(questions_.Count(Kind::KeepDeletedSubjects), answer >= 0 ? 1 : 0);
    QCOMPARE(SubjectsIn(kIndivFileName), after);
    QCOMPARE(VersionSubjects(), std::vector<int>{local});
    QCOMPARE(ReadFileBytes("veskat_i.dat.bak"), whole);
    // Kept subjects are this computer's to send back.
    QCOMPARE(HasUnsentMarker(kIndivFileName), after > lines - 1);
    questions_.Clear();
    QCOMPARE(SendToServer(settings_, questions_).outcome, SendOutcome::Sent);
    QCOMPARE(server_->ServerFile("srv_i.dat"), Lf(ReadFileBytes(kIndivFileName)));
    QCOMPARE(SubjectsIn(kIndivFileName), after);
}

// The save of the deletion wrote the local file and its marker, and failed
// to send; the next start-up must not take the emptier list for one with
// nothing to lose.
void ServerCopySafetyTest::shouldKeepADeletionOfTheLastSubjectsWhoseSaveWasNotSent_data() {
    QTest::addColumn<int>("subjects");
    QTest::addColumn<int>("deleted");
    QTest::newRow("the only subject") << 1 << 1;
    QTest::newRow("every subject") << 3 << 3;
    QTest::newRow("one of two") << 2 << 1;
}

void ServerCopySafetyTest::shouldKeepADeletionOfTheLastSubjectsWhoseSaveWasNotSent() {
    QFETCH(int, subjects);
    QFETCH(int, deleted);
    StartUpInStep(subjects);
    QCOMPARE(MarkUnsent(settings_, kIndivFileName), MarkOutcome::Marked);
    WriteFileBytes(kIndivFileName, IndivFileOf(deleted, subjects));
    settings_.password = "wrong";
    QCOMPARE(SendToServer(settings_, questions_).outcome, SendOutcome::NotSent);

    settings_.password = FtpServer::kPassword;
    questions_.Clear();
    QCOMPARE(FetchFromServer(settings_, questions_), StartUpOutcome::Go);
    QCOMPARE(SubjectsIn(kIndivFileName), subjects - deleted);
    QVERIFY(HasUnsentMarker(kIndivFileName));
    QCOMPARE(SendToServer(settings_, questions_).outcome, SendOutcome::Sent);
    QCOMPARE(server_->ServerFile("srv_i.dat"), Lf(IndivFileOf(deleted, subjects)));
}

// A file this login may not read, or a folder by the data file's name: the
// start-up says why and changes nothing, and no save uploads over it.
void ServerCopySafetyTest::shouldNeverSendOverAServerCopyItCouldNotRead_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a file it may not read") << "unreadable_i.dat"
                                            << "550 Permission denied.";
    QTest::newRow("a folder in its place") << "folder_i.dat"
                                           << "550 ";
}

void ServerCopySafetyTest::shouldNeverSendOverAServerCopyItCouldNotRead() {
    QFETCH(QString, name);
    QFETCH(QString, reason);
    const std::string server = name.toStdString();
    if (name.startsWith("folder")) {
        fs::create_directories(server_->Root() + "/" + server);
    } else {
        server_->PutServerFile(server, "theirs\n");
    }
    server_->PutServerFile("srv_r.dat", Lf(kRepFile));
    WriteFileBytes(kIndivFileName, kIndivFile);
    settings_.indivSubjPath = server;
    const QString notRead = "サーバーの " + name + " を読めませんでした（" + reason;

    questions_.QueueAnswer(true);
    QCOMPARE(FetchFromServer(settings_, questions_), StartUpOutcome::Go);
    QCOMPARE(questions_.History().front().kind, Kind::WorkOffline);
    QVERIFY2(questions_.Texts().front().startsWith(kIndivNotFetched + "\n" + notRead),
             qPrintable(questions_.Texts().front()));
    QCOMPARE(ReadFileBytes(kIndivFileName), kIndivFile);
    QVERIFY(!FileExists("veskat_i.dat.server"));

    questions_.Clear();
    QCOMPARE(SendToServer(settings_, questions_).outcome, SendOutcome::NotSent);
    QCOMPARE(questions_.Texts().size(), 1);
    QVERIFY2(questions_.Texts()[0].startsWith(notRead), qPrintable(questions_.Texts()[0]));
    QVERIFY(questions_.Texts()[0].endsWith(
        QString::fromUtf8("）。サーバーのファイルを上書きしないよう、送信をやめました。\n") +
        kNewestIsLocal));
    QCOMPARE(server_->ServerFile(server), std::string(name.startsWith("folder") ? "" : "theirs\n"));
    QCOMPARE(Uploads(*server_), 0);
    QVERIFY(HasUnsentMarker(kIndivFileName));
    QCOMPARE(server_->ServerFile("srv_r.dat"), Lf(kRepFile));
}

// Its .generation files are normally missing, and so are both data files at
// the first start: each a reset data connection, each still a missing file,
// told of in one box.
void ServerCopySafetyTest::shouldSyncOverFtpsWithAServerThatResetsReadsOfMissingFiles() {
    UseServer(FtpServer::Security::TlsRequired, {"--reset-missing"});
    WriteFileBytes(kIndivFileName, IndivFileOf(0, 3));
    WriteFileBytes(kRepFileName, kRepFile);
    QCOMPARE(FetchFromServer(settings_, questions_), StartUpOutcome::Go);
    QCOMPARE(questions_.Texts(), QStringList{kBothNotOnServer});
    for (int round = 1; round <= 3; ++round) {
        questions_.Clear();
        WriteFileBytes(kIndivFileName, IndivFileOf(0, 3 + round));
        QCOMPARE(SendToServer(settings_, questions_).outcome, SendOutcome::Sent);
        QCOMPARE(FetchFromServer(settings_, questions_), StartUpOutcome::Go);
        QVERIFY2(questions_.Texts().isEmpty(), qPrintable(questions_.Texts().join("|")));
        QCOMPARE(server_->ServerFile("srv_i.dat"), Lf(IndivFileOf(0, 3 + round)));
    }
}

// The lock folder cannot go: the first step says what the server does not
// allow and marks it given back; later steps claim it at once, silently.
void ServerCopySafetyTest::shouldTellOnceThatTheServerKeepsTheLockFolderAndNotWaitForItAgain() {
    UseServer(FtpServer::Security::Plain, {"--no-rmd"});
    WriteFileBytes(kIndivFileName, kIndivFile);
    WriteFileBytes(kRepFileName, kRepFile);
    QCOMPARE(SendToServer(settings_, questions_).outcome, SendOutcome::Sent);
    QCOMPARE(questions_.Texts(), QStringList{kServerKeepsFolders});
    QVERIFY(server_->ServerFile("srv_i.dat.lock/owner").rfind("released=", 0) == 0);
    questions_.Clear();
    WriteFileBytes(kIndivFileName, IndivFileOf(0, 2));
    QCOMPARE(SendToServer(settings_, questions_).outcome, SendOutcome::Sent);
    QCOMPARE(FetchFromServer(settings_, questions_), StartUpOutcome::Go);
    QVERIFY2(questions_.Texts().isEmpty(), qPrintable(questions_.Texts().join("|")));
    QCOMPARE(server_->ServerFile("srv_i.dat"), Lf(IndivFileOf(0, 2)));
}

// The owner file is anyone's to write: what reaches the question is short
// printable text, however much and whatever it holds.
void ServerCopySafetyTest::shouldShowALockOwnerOnlyAsShortPrintableText() {
    ServerLockTiming().stale = std::chrono::milliseconds(100);
    fs::create_directories(server_->Root() + "/srv_i.dat.lock");
    server_->PutServerFile(
        "srv_i.dat.lock/owner",
        "taken=\xff\xfe\x01 2024\r\ncomputer=\x1b]0;evil\x07" + std::string(300000, 'A') + "\r\n");
    questions_.QueueAnswer(false);
    questions_.QueueAnswer(false);
    QCOMPARE(FetchFromServer(settings_, questions_), StartUpOutcome::EndWindow);
    QCOMPARE(questions_.History().front().kind, Kind::BreakStaleLock);
    const QString question = questions_.Texts().front();
    QVERIFY2(question.size() < 200, qPrintable(question));
    for (const QChar c : question) {
        QVERIFY2(c == '\n' || c.isPrint(), qPrintable(question));
    }
    QVERIFY(
        question.contains(QString("]0;evil") + QString(57, 'A') + QString::fromUtf8("、 2024")));
    fs::remove_all(server_->Root() + "/srv_i.dat.lock");
}

// Two minutes with a question on the screen must not make the lock look left
// behind to another computer: its owner file changes meanwhile.
void ServerCopySafetyTest::shouldKeepTheLockFreshWhileAQuestionWaits() {
    ServerLockTiming().stale = std::chrono::milliseconds(200);
    StartUpInStep(40);
    server_->PutServerFile("srv_i.dat", FirstLines(Lf(ReadFileBytes(kIndivFileName)), 5));
    std::vector<std::string> owners;
    questions_.whileAsked = [&](const ScriptedSyncQuestions::Asked&) {
        for (int look = 0; look < 4; ++look) {
            // The refresh may be in the middle of its upload: look again
            // until the file is whole, as a waiter comparing owners would.
            std::string owner = server_->ServerFile("srv_i.dat.lock/owner");
            for (int again = 0; again < 20 && !owner.ends_with("\r\n"); ++again) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                owner = server_->ServerFile("srv_i.dat.lock/owner");
            }
            owners.push_back(owner);
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
        }
    };
    questions_.QueueAnswer(true);
    QCOMPARE(FetchFromServer(settings_, questions_), StartUpOutcome::Go);
    QCOMPARE(owners.size(), std::size_t{4});
    for (std::size_t i = 1; i < owners.size(); ++i) {
        QVERIFY2(owners[i] != owners[i - 1], owners[i].c_str());
        QVERIFY(owners[i].find("refreshed=") != std::string::npos);
    }
    QCOMPARE(SubjectsIn(kIndivFileName), 40);
}

// While the user thought about replacing a damaged copy, another computer
// broke the lock and took it: this step must not write the generation every
// other computer merges against, nor send.
void ServerCopySafetyTest::shouldNotRenewTheGenerationOnceTheLockIsAnotherComputers() {
    StartUpInStep(3);
    std::string cut = Lf(ReadFileBytes(kIndivFileName));
    cut.resize(cut.size() - 3);
    server_->PutServerFile("srv_i.dat", cut);
    const std::string other =
        "computer=other\r\ntaken=2024-05-15 12:00:00\r\ntoken=0123456789abcdef\r\n";
    questions_.whileAsked = [&](const ScriptedSyncQuestions::Asked& asked) {
        if (asked.kind == Kind::ReplaceDamagedCopy) {
            server_->PutServerFile("srv_i.dat.lock/owner", other);
        }
    };
    questions_.QueueAnswer(true);
    QCOMPARE(SendToServer(settings_, questions_).outcome, SendOutcome::NotSent);
    QCOMPARE(server_->ServerFile("srv_i.dat.generation"), std::string("<missing>"));
    QCOMPARE(server_->ServerFile("srv_i.dat"), cut);
    // Not this step's to give back.
    QCOMPARE(server_->ServerFile("srv_i.dat.lock/owner"), other);
    fs::remove_all(server_->Root() + "/srv_i.dat.lock");
}

QTEST_GUILESS_MAIN(ServerCopySafetyTest)
#include "ServerCopySafetyTest.moc"
