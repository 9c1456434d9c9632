// The main window's answers to the server steps (ServerQuestions) with the
// real prompt and progress dialogs on the offscreen platform, the message
// boxes scripted, against a real FTP server: the password prompt and when it
// comes back, and キャンセル in the progress dialog of a stalled transfer.
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "ConnectDlg.h"
#include "FtpServer.h"
#include "Password.h"
#include "PromptScript.h"
#include "ResourceIds.h"
#include "ServerQuestions.h"
#include "ServerSync.h"
#include "TransferProgressDlg.h"
#include "WindowTestSupport.h"

namespace {

const QString kConnectFailed = QStringLiteral("ftpサーバーとの接続に失敗しました。");
const QString kNewestIsLocal = QStringLiteral("最新ファイルはこのコンピューター上にあります。");

}  // namespace

class ServerQuestionsTest : public WindowTestCase {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void shouldAskThePasswordUntilOneIsGivenAndAgainAfterTheConnectionDialog();
    void shouldEndAStalledFetchAtOnceOnCancelAsAFailure();

  private:
    ConnectSettings Settings(const char* password) const;

    std::unique_ptr<FtpServer> server_;
};

void ServerQuestionsTest::init() {
    server_ = std::make_unique<FtpServer>();
    QVERIFY(server_->Running());
    EnterFreshFolder();
    WriteDataFiles({Indiv(2024, 5, 20, 9, 0, "old", Progress::Open)}, {Rep("r", Progress::Open)});
}

void ServerQuestionsTest::cleanup() {
    LeaveFolder();
    server_.reset();
}

ConnectSettings ServerQuestionsTest::Settings(const char* password) const {
    ConnectSettings settings;
    settings.ftpMode = 1;
    settings.userId = FtpServer::kUser;
    settings.password = password;
    settings.hostName = "127.0.0.1";
    settings.port = server_->Port();
    settings.indivSubjPath = "srv_i.dat";
    settings.repSubjPath = "srv_r.dat";
    return settings;
}

// Cancel still tries the login, with no password; a password given stays for
// every later save until the connection dialog's OK empties it.
void ServerQuestionsTest::shouldAskThePasswordUntilOneIsGivenAndAgainAfterTheConnectionDialog() {
    ServerQuestions questions(messages_, nullptr);
    ConnectSettings settings = Settings("");
    int prompts = 0;
    AnswerPassword(nullptr, &prompts);
    QCOMPARE(SendToServer(settings, questions).outcome, SendOutcome::NotSent);
    QCOMPARE(prompts, 1);
    QCOMPARE(messages_.Texts(), QStringList{kConnectFailed + "\n" + kNewestIsLocal});

    messages_.Clear();
    AnswerPassword(FtpServer::kPassword, &prompts);
    QCOMPARE(SendToServer(settings, questions).outcome, SendOutcome::Sent);
    QCOMPARE(SendToServer(settings, questions).outcome, SendOutcome::Sent);
    QCOMPARE(prompts, 2);
    QVERIFY(messages_.Texts().isEmpty());

    WhenShown<CConnectDlg>([](CConnectDlg* dialog) { Button(dialog, 1)->click(); });
    RunConnectDialog(settings, messages_, nullptr);
    QCOMPARE(settings.password, std::string());
    QVERIFY(!ReadFile("veskat.ini").contains("rwpass"));
    // The dialog wrote the settings it showed; the test's server stays.
    settings = Settings("");
    AnswerPassword(FtpServer::kPassword, &prompts);
    QCOMPARE(SendToServer(settings, questions).outcome, SendOutcome::Sent);
    QCOMPARE(prompts, 3);
}

// The server sends the first block of the file and then nothing; without
// キャンセル the fetch would wait for the low-speed time.
void ServerQuestionsTest::shouldEndAStalledFetchAtOnceOnCancelAsAFailure() {
    server_->PutServerFile("stall_i.dat", std::string(3000000, 's') + "\n");
    server_->PutServerFile("srv_r.dat", "_VESKAT_R_DAT_VER_1_2_\n");
    const QByteArray local = ReadFile(kIndivFileName);
    ConnectSettings settings = Settings(FtpServer::kPassword);
    settings.indivSubjPath = "stall_i.dat";
    ServerQuestions questions(messages_, nullptr);
    QElapsedTimer sinceCancel;
    QString bytesShown;
    QTimer poll;
    connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = dynamic_cast<TransferProgressDlg*>(QApplication::activeModalWidget());
        if (dialog == nullptr || sinceCancel.isValid() ||
            !dialog->findChild<QLabel*>("transferFile")->text().contains("stall_i.dat")) {
            return;
        }
        bytesShown = dialog->findChild<QLabel*>("transferBytes")->text();
        if (bytesShown != QStringLiteral("0 バイト")) {
            sinceCancel.start();
            dialog->CancelButton()->click();
        }
    });
    poll.start(20);
    QCOMPARE(FetchFromServer(settings, questions), StartUpOutcome::EndWindow);
    QVERIFY(sinceCancel.isValid());
    QVERIFY2(sinceCancel.elapsed() < 10000, qPrintable(QString::number(sinceCancel.elapsed())));
    QVERIFY(bytesShown.endsWith(QStringLiteral(" バイト")));
    // Cancelled means the rest of this fetch is off too.
    QCOMPARE(messages_.Texts(),
             QStringList{QStringLiteral("個別案件の取得に失敗しました。\n反復案件の取得に失敗し"
                                        "ました。\nこのコンピューター上のファイルで作業を続けま"
                                        "すか？")});
    QCOMPARE(ReadFile(kIndivFileName), local);
    QVERIFY(!QFile::exists("veskat_i.dat.server"));
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

QTEST_MAIN(ServerQuestionsTest)
#include "ServerQuestionsTest.moc"
