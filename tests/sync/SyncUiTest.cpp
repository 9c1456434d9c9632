// The connection dialog, the password prompt and the main window's server
// steps on the offscreen platform, with scripted messages, against a real
// FTP server.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

#include "ConnectDlg.h"
#include "ConnectSettings.h"
#include "FtpServer.h"
#include "Password.h"
#include "ResourceIds.h"
#include "ScriptedMessageService.h"
#include "ServerSync.h"
#include "SubjList.h"
#include "TransferSession.h"

using namespace ConnectDialogIds;
using namespace PasswordDialogIds;

namespace {

const QString kConnectFailed = QString::fromUtf8("ftpサーバーとの接続に失敗しました。");
const QString kNewestIsLocal = QString::fromUtf8("最新ファイルはこのコンピューター上にあります。");
const QString kIndivNotFetched = QString::fromUtf8("個別案件の取得に失敗しました。");
const QString kRepNotFetched = QString::fromUtf8("反復案件の取得に失敗しました。");
const QString kIndivNotSent =
    QString::fromUtf8("個別案件の転送に失敗しました。\n") + kNewestIsLocal;
const QString kRepNotSent = QString::fromUtf8("反復案件の転送に失敗しました。\n") + kNewestIsLocal;
const QString kWorkOffline =
    QString::fromUtf8("\nこのコンピューター上のファイルで作業を続けますか？");
const QString kIndivNotOnServer = QString::fromUtf8(
    "サーバーに個別案件ファイルがまだないため、このコンピューター上のファイルを使います。"
    "次の保存で送信します。");

// Data files as the program writes them: Shift_JIS subjects, CR LF lines.
const std::string kIndivFile =
    "_VESKAT_I_DAT_VER_1_2_\r\n"
    "2031\t04\t05\t\x89\xEF\x8B\x63\t10\t30\tU\t\x93\xE0\x97\x65<br>\x82\xA0\t\r\n";
const std::string kRepFile = "_VESKAT_R_DAT_VER_1_2_\r\n";

std::string Lf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c != '\r') {
            out += c;
        }
    }
    return out;
}

// Answers the next modal dialog of type D with `act`, from the event loop.
template <class D>
void WhenShown(std::function<void(D*)> act) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            if (auto* typed = dynamic_cast<D*>(dialog)) {
                // The connection dialog fills its controls at its first paint,
                // which may come after it became the modal window.
                if (auto* connect = dynamic_cast<CConnectDlg*>(dialog);
                    connect != nullptr && connect->PaintCount() == 0) {
                    return;
                }
                timer->stop();
                timer->deleteLater();
                act(typed);
            }
        }
    });
    timer->start(10);
}

QPushButton* Button(QDialog* dialog, int id) {
    return static_cast<TemplateDialog*>(dialog)->Control<QPushButton>(id);
}

// The prompt is answered: OK with `password`, or Cancel when null.
void AnswerPassword(const char* password, int* shown) {
    WhenShown<CPassword>([password, shown](CPassword* dialog) {
        ++*shown;
        if (password == nullptr) {
            Button(dialog, 2)->click();
            return;
        }
        dialog->Control<QLineEdit>(kPasswordEdit)->setText(QString::fromUtf8(password));
        Button(dialog, 1)->click();
    });
}

}  // namespace

class SyncUiTest : public QObject {
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
    void passwordCancelAndEmptyOkStillTryAndAskAgain();
    void passwordIsKeptUntilTheConnectionDialogConfirms();
    void unsentChangesSurviveTheNextStartUp();
    void shiftJisServerPathsWork();
    void serverOffDoesNothing();
    void connectDialogWithoutIniFile();
    void connectDialogOkWritesTheIniFileCancelNothing();
    void connectDialogOkOnAFileItCannotWriteSaysSo();
    void connectDialogRefusesTextItCannotStore();
    void connectDialogEditsEncryptionAndTheCertificateFile();
    void cancelEndsAStalledFetchAtOnceAsAFailure();
    void ftpsWithAnUntrustedCertificateIsAConnectionFailure();

  private:
    ConnectSettings Settings(const char* password = FtpServer::kPassword) const;
    std::string Local(const char* name) const {
        return ReadFileBytes(QDir::current().filePath(QString::fromUtf8(name)).toStdString());
    }

    std::unique_ptr<FtpServer> server_;
    std::unique_ptr<QTemporaryDir> work_;
    QString oldDir_;
    ScriptedMessageService messages_;
};

void SyncUiTest::init() {
    server_ = std::make_unique<FtpServer>();
    QVERIFY(server_->Running());
    work_ = std::make_unique<QTemporaryDir>();
    oldDir_ = QDir::currentPath();
    QDir::setCurrent(work_->path());
    messages_.Clear();
}

void SyncUiTest::cleanup() {
    QDir::setCurrent(oldDir_);
    work_.reset();
    server_.reset();
}

ConnectSettings SyncUiTest::Settings(const char* password) const {
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

void SyncUiTest::startUpFetchesBothFilesByteForByteThenTheyLoad() {
    server_->PutServerFile("srv_i.dat", Lf(kIndivFile));
    server_->PutServerFile("srv_r.dat", kRepFile);
    WriteFileBytes("veskat_i.dat", "_VESKAT_I_DAT_VER_1_2_\r\n");
    ConnectSettings settings = Settings("");
    int prompts = 0;
    AnswerPassword(FtpServer::kPassword, &prompts);
    QCOMPARE(FetchFromServer(settings, messages_, nullptr), StartUpOutcome::Go);
    QCOMPARE(prompts, 1);
    QCOMPARE(settings.password, std::string(FtpServer::kPassword));
    QVERIFY(messages_.Texts().isEmpty());
    QCOMPARE(server_->Logins(), 1);
    QCOMPARE(Local("veskat_i.dat"), kIndivFile);
    QCOMPARE(Local("veskat_r.dat"), kRepFile);

    IndivSubjList list;
    QCOMPARE(list.Load(kIndivFileName), StoreResult::Done);
    QCOMPARE(list.First(), StoreResult::Done);
    QCOMPARE(list.current.title, std::string("\x89\xEF\x8B\x63"));
}

void SyncUiTest::startUpConnectionFailureEndsTheWindowAndTouchesNothing() {
    server_->PutServerFile("srv_i.dat", Lf(kIndivFile));
    WriteFileBytes("veskat_i.dat", "local");
    ConnectSettings settings = Settings("wrong");
    messages_.QueueAnswer(MessageAnswer::No);
    QCOMPARE(FetchFromServer(settings, messages_, nullptr), StartUpOutcome::EndWindow);
    QCOMPARE(messages_.Texts(), QStringList{kConnectFailed + kWorkOffline});
    QCOMPARE(Local("veskat_i.dat"), std::string("local"));
    QVERIFY(!FileExists("veskat_r.dat"));
    QVERIFY(!HasUnsentMarker(kIndivFileName) && !HasUnsentMarker(kRepFileName));
    // A refused login keeps the password it was given.
    QCOMPARE(settings.password, std::string("wrong"));
}

// Yes to working offline: the local files are used as they are, marked, so
// that the first save merges with the server's copies and sends them.
void SyncUiTest::startUpOfflineYesWorksOnTheLocalFilesAndSendsThemLater() {
    server_->PutServerFile("srv_i.dat", Lf(kIndivFile));
    server_->PutServerFile("srv_r.dat", kRepFile);
    WriteFileBytes("veskat_i.dat", "_VESKAT_I_DAT_VER_1_2_\r\n");
    WriteFileBytes("veskat_r.dat", kRepFile);
    ConnectSettings settings = Settings("wrong");
    messages_.QueueAnswer(MessageAnswer::Yes);
    QCOMPARE(FetchFromServer(settings, messages_, nullptr), StartUpOutcome::Go);
    QCOMPARE(messages_.Texts(), QStringList{kConnectFailed + kWorkOffline});
    QCOMPARE(Local("veskat_i.dat"), std::string("_VESKAT_I_DAT_VER_1_2_\r\n"));
    QVERIFY(HasUnsentMarker(kIndivFileName) && HasUnsentMarker(kRepFileName));

    // Nothing of the server's is lost by the offline work sent over it.
    messages_.Clear();
    settings.password = FtpServer::kPassword;
    SendToServer(settings, messages_, nullptr);
    QCOMPARE(messages_.Texts().size(), 1);
    QVERIFY(messages_.Texts()[0].startsWith(
        QString::fromUtf8("他のコンピューターでの個別案件の変更を 1 件")));
    QVERIFY(Local("veskat_i.dat").find("\x89\xEF\x8B\x63") != std::string::npos);
    QCOMPARE(server_->ServerFile("srv_i.dat"), Lf(Local("veskat_i.dat")));
    QCOMPARE(Local("veskat_i.dat.base"), Local("veskat_i.dat"));
    QVERIFY(!HasUnsentMarker(kIndivFileName) && !HasUnsentMarker(kRepFileName));
}

// The first start after the server was switched on, with nothing on it yet,
// goes on with the local file and sends it at the first save.
void SyncUiTest::startUpWithoutTheServerFileKeepsTheLocalOneToSend() {
    server_->PutServerFile("srv_r.dat", kRepFile);
    WriteFileBytes("veskat_i.dat", kIndivFile);
    ConnectSettings settings = Settings();
    QCOMPARE(FetchFromServer(settings, messages_, nullptr), StartUpOutcome::Go);
    QCOMPARE(messages_.Texts(), QStringList{kIndivNotOnServer});
    QCOMPARE(Local("veskat_i.dat"), kIndivFile);
    QCOMPARE(Local("veskat_r.dat"), kRepFile);
    QCOMPARE(Local("veskat_r.dat.base"), kRepFile);
    QVERIFY(HasUnsentMarker(kIndivFileName) && !HasUnsentMarker(kRepFileName));

    messages_.Clear();
    SendToServer(settings, messages_, nullptr);
    QVERIFY(messages_.Texts().isEmpty());
    QCOMPARE(server_->ServerFile("srv_i.dat"), Lf(kIndivFile));
    QCOMPARE(Local("veskat_i.dat.base"), kIndivFile);
}

void SyncUiTest::startUpFetchFailuresAreAskedAboutTogether() {
    ConnectSettings settings = Settings();
    settings.indivSubjPath = "";
    settings.repSubjPath = "";
    QCOMPARE(FetchFromServer(settings, messages_, nullptr), StartUpOutcome::EndWindow);
    QCOMPARE(messages_.Texts(),
             QStringList{kIndivNotFetched + "\n" + kRepNotFetched + kWorkOffline});
}

void SyncUiTest::serverStoppingMidFetchKeepsTheLocalFile() {
    server_->PutServerFile("cutoff_i.dat", std::string(500000, 'c') + "\n");
    WriteFileBytes("veskat_i.dat", kIndivFile);
    ConnectSettings settings = Settings();
    settings.indivSubjPath = "cutoff_i.dat";
    QCOMPARE(FetchFromServer(settings, messages_, nullptr), StartUpOutcome::EndWindow);
    // The server is gone, so the second file fails too.
    QCOMPARE(messages_.Texts(),
             QStringList{kIndivNotFetched + "\n" + kRepNotFetched + kWorkOffline});
    QCOMPARE(Local("veskat_i.dat"), kIndivFile);
    QCOMPARE(QDir::current().entryList(QDir::Files), QStringList{"veskat_i.dat"});
}

void SyncUiTest::saveSendsBothFilesOverOneLogin() {
    WriteFileBytes("veskat_i.dat", kIndivFile);
    WriteFileBytes("veskat_r.dat", kRepFile);
    ConnectSettings settings = Settings();
    SendToServer(settings, messages_, nullptr);
    QVERIFY(messages_.Texts().isEmpty());
    QCOMPARE(server_->Logins(), 1);
    QCOMPARE(server_->ServerFile("srv_i.dat"), Lf(kIndivFile));
    QCOMPARE(server_->ServerFile("srv_r.dat"), Lf(kRepFile));
    QVERIFY(!HasUnsentMarker(kIndivFileName) && !HasUnsentMarker(kRepFileName));
}

void SyncUiTest::saveReportsEachUploadThatFails() {
    WriteFileBytes("veskat_i.dat", kIndivFile);
    WriteFileBytes("veskat_r.dat", kRepFile);
    ConnectSettings settings = Settings();
    settings.repSubjPath = "no-such-folder/srv_r.dat";
    SendToServer(settings, messages_, nullptr);
    QCOMPARE(messages_.Texts(), QStringList{kRepNotSent});
    QCOMPARE(server_->ServerFile("srv_i.dat"), Lf(kIndivFile));
    QVERIFY(!HasUnsentMarker(kIndivFileName) && HasUnsentMarker(kRepFileName));

    // A login that may not make the lock folder sends nothing.
    messages_.Clear();
    settings = Settings(FtpServer::kReadOnlyPassword);
    settings.userId = FtpServer::kReadOnlyUser;
    SendToServer(settings, messages_, nullptr);
    QCOMPARE(messages_.Texts(),
             QStringList{QString::fromUtf8("サーバーに srv_i.dat.lock フォルダーを作れないため、"
                                           "ファイルを更新できません。\n") +
                         kNewestIsLocal});
    QVERIFY(HasUnsentMarker(kIndivFileName) && HasUnsentMarker(kRepFileName));

    messages_.Clear();
    settings.password = "wrong";
    SendToServer(settings, messages_, nullptr);
    QCOMPARE(messages_.Texts(), QStringList{kConnectFailed + "\n" + kNewestIsLocal});
    QCOMPARE(Local("veskat_i.dat"), kIndivFile);
}

void SyncUiTest::passwordCancelAndEmptyOkStillTryAndAskAgain() {
    WriteFileBytes("veskat_i.dat", kIndivFile);
    WriteFileBytes("veskat_r.dat", kRepFile);
    ConnectSettings settings = Settings("");
    int prompts = 0;
    AnswerPassword(nullptr, &prompts);
    SendToServer(settings, messages_, nullptr);
    QCOMPARE(prompts, 1);
    QCOMPARE(messages_.Texts(), QStringList{kConnectFailed + "\n" + kNewestIsLocal});
    QCOMPARE(settings.password, std::string());

    AnswerPassword("", &prompts);
    SendToServer(settings, messages_, nullptr);
    QCOMPARE(prompts, 2);
    QCOMPARE(messages_.Texts().size(), 2);
}

void SyncUiTest::passwordIsKeptUntilTheConnectionDialogConfirms() {
    WriteFileBytes("veskat_i.dat", kIndivFile);
    WriteFileBytes("veskat_r.dat", kRepFile);
    ConnectSettings settings = Settings("");
    int prompts = 0;
    AnswerPassword(FtpServer::kPassword, &prompts);
    SendToServer(settings, messages_, nullptr);
    SendToServer(settings, messages_, nullptr);
    QCOMPARE(prompts, 1);
    QVERIFY(messages_.Texts().isEmpty());
    QCOMPARE(server_->Logins(), 2);

    WhenShown<CConnectDlg>([](CConnectDlg* dialog) { Button(dialog, 1)->click(); });
    RunConnectDialog(settings, messages_, nullptr);
    QCOMPARE(settings.password, std::string());
    QVERIFY(ReadFileBytes("veskat.ini").find("rwpass") == std::string::npos);
    AnswerPassword(FtpServer::kPassword, &prompts);
    SendToServer(settings, messages_, nullptr);
    QCOMPARE(prompts, 2);
}

void SyncUiTest::unsentChangesSurviveTheNextStartUp() {
    server_->PutServerFile("srv_i.dat", "server-old\n");
    server_->PutServerFile("srv_r.dat", kRepFile);
    WriteFileBytes("veskat_i.dat", kIndivFile);
    WriteFileBytes("veskat_r.dat", kRepFile);
    ConnectSettings settings = Settings("wrong");
    SendToServer(settings, messages_, nullptr);  // not sent: both marked
    QVERIFY(HasUnsentMarker(kIndivFileName) && HasUnsentMarker(kRepFileName));

    messages_.Clear();
    settings.password = FtpServer::kPassword;
    QCOMPARE(FetchFromServer(settings, messages_, nullptr), StartUpOutcome::Go);
    // The server's file is no data file: kept aside, never merged.
    QCOMPARE(messages_.Texts().size(), 1);
    QVERIFY(messages_.Texts()[0].startsWith(QString::fromUtf8(
        "サーバーの個別案件ファイルは壊れていたため、取り込まずに veskat_i.dat.server.")));
    QCOMPARE(Local("veskat_i.dat"), kIndivFile);
    QCOMPARE(QDir::current().entryList({"veskat_i.dat.server.*"}).size(), 1);

    // Nor replaced, until a save the user confirms; its copy is kept again.
    messages_.Clear();
    SendToServer(settings, messages_, nullptr);
    QCOMPARE(messages_.Texts().size(), 2);
    QCOMPARE(server_->ServerFile("srv_i.dat"), std::string("server-old\n"));
    messages_.Clear();
    messages_.QueueAnswer(MessageAnswer::Yes);
    SendToServer(settings, messages_, nullptr);
    QCOMPARE(messages_.Texts().size(), 1);
    QVERIFY(messages_.Texts()[0].startsWith(QString::fromUtf8(
        "サーバーの個別案件ファイルは壊れていたため、取り込まずに veskat_i.dat.incoming.")));
    const QStringList kept = QDir::current().entryList({"veskat_i.dat.incoming.*"});
    QCOMPARE(kept.size(), 2);
    QCOMPARE(Local(kept[0].toUtf8().constData()), std::string("server-old\r\n"));
    QCOMPARE(server_->ServerFile("srv_i.dat"), Lf(kIndivFile));
    QVERIFY(!HasUnsentMarker(kIndivFileName) && !HasUnsentMarker(kRepFileName));
    messages_.Clear();
    QCOMPARE(FetchFromServer(settings, messages_, nullptr), StartUpOutcome::Go);
    QVERIFY(messages_.Texts().isEmpty());

    // The close question's local-only save marks both files as well.
    LocalSaveNotSent(settings);
    QVERIFY(HasUnsentMarker(kIndivFileName) && HasUnsentMarker(kRepFileName));
}

void SyncUiTest::shiftJisServerPathsWork() {
    const std::string folder = "\x97\x5C\x92\xE8";  // 予定
    std::filesystem::create_directory(server_->Root() + "/" + folder);
    WriteFileBytes("veskat_i.dat", kIndivFile);
    WriteFileBytes("veskat_r.dat", kRepFile);
    ConnectSettings settings = Settings();
    settings.indivSubjPath = folder + "/\x8C\xC2\x95\xCA.dat";      // 個別.dat
    settings.repSubjPath = "/" + folder + "/\x94\xBD\x95\x9C.dat";  // 反復.dat, from the root
    SendToServer(settings, messages_, nullptr);
    QVERIFY(messages_.Texts().isEmpty());
    QCOMPARE(server_->ServerFile(settings.indivSubjPath), Lf(kIndivFile));
    QCOMPARE(server_->ServerFile(settings.repSubjPath.substr(1)), Lf(kRepFile));
    QCOMPARE(FetchFromServer(settings, messages_, nullptr), StartUpOutcome::Go);
    QCOMPARE(Local("veskat_i.dat"), kIndivFile);
}

void SyncUiTest::serverOffDoesNothing() {
    ConnectSettings settings = Settings("");
    settings.ftpMode = 0;
    QCOMPARE(FetchFromServer(settings, messages_, nullptr), StartUpOutcome::Go);
    SendToServer(settings, messages_, nullptr);
    LocalSaveNotSent(settings);
    QVERIFY(messages_.Texts().isEmpty());
    QCOMPARE(server_->Logins(), 0);
    QVERIFY(QDir::current().entryList(QDir::Files).isEmpty());
}

void SyncUiTest::connectDialogWithoutIniFile() {
    ConnectSettings settings;
    settings.Load(kIniFileName);
    CConnectDlg dialog(&settings, messages_);
    dialog.show();
    QTRY_VERIFY(dialog.PaintCount() > 0);
    QVERIFY(!dialog.Control<QCheckBox>(kUseServerId)->isChecked());
    QCOMPARE(dialog.Control<QLineEdit>(kPortEdit)->text(), QString("21"));
    for (int id : {kUserIdEdit, kHostNameEdit, kPortEdit, kIndivPathEdit, kRepPathEdit}) {
        QVERIFY(!dialog.Control<QLineEdit>(id)->isEnabled());
    }
    dialog.Control<QCheckBox>(kUseServerId)->click();
    for (int id : {kUserIdEdit, kHostNameEdit, kPortEdit, kIndivPathEdit, kRepPathEdit}) {
        QVERIFY(dialog.Control<QLineEdit>(id)->isEnabled());
    }
    dialog.Control<QCheckBox>(kUseServerId)->click();
    QVERIFY(!dialog.Control<QLineEdit>(kIndivPathEdit)->isEnabled());
}

void SyncUiTest::connectDialogOkWritesTheIniFileCancelNothing() {
    WriteFileBytes("veskat.ini", "[FTP]\r\nftpmode=true\r\nuserid=\x8E\x52\x93\x63\r\nport=21\r\n");
    ConnectSettings settings;
    settings.Load(kIniFileName);
    settings.password = "secret";
    WhenShown<CConnectDlg>([](CConnectDlg* dialog) {
        QCOMPARE(dialog->Control<QLineEdit>(kUserIdEdit)->text(), QString::fromUtf8("山田"));
        dialog->Control<QLineEdit>(kHostNameEdit)->setText("changed");
        Button(dialog, 2)->click();
    });
    RunConnectDialog(settings, messages_, nullptr);
    QCOMPARE(settings.hostName, std::string());
    QCOMPARE(settings.password, std::string("secret"));
    QVERIFY(ReadFileBytes("veskat.ini").find("hostname") == std::string::npos);

    WhenShown<CConnectDlg>([](CConnectDlg* dialog) {
        // Disabled edits are stored as shown.
        dialog->Control<QLineEdit>(kHostNameEdit)->setText("ftp.example.jp");
        dialog->Control<QLineEdit>(kPortEdit)->setText("abc");
        dialog->Control<QLineEdit>(kIndivPathEdit)->setText(QString::fromUtf8("個別.dat"));
        Button(dialog, 1)->click();
    });
    RunConnectDialog(settings, messages_, nullptr);
    QCOMPARE(settings.ftpMode, 0);
    QCOMPARE(settings.port, 0);
    QCOMPARE(settings.password, std::string());
    QCOMPARE(ReadFileBytes("veskat.ini"),
             std::string("[FTP]\r\nftpmode=FALSE\r\nuserid=\x8E\x52\x93\x63\r\nport=0\r\n"
                         "hostname=ftp.example.jp\r\nftpindivsubjpath=\x8C\xC2\x95\xCA.dat\r\n"
                         "ftprepsubjpath=\r\nftptls=FALSE\r\nftpcafile=\r\n"));
}

// The settings chosen hold for this run; the user learns that the next one
// starts with the old ones.
void SyncUiTest::connectDialogOkOnAFileItCannotWriteSaysSo() {
    QVERIFY(QDir::current().mkdir("veskat.ini"));
    ConnectSettings settings;
    settings.Load(kIniFileName);
    WhenShown<CConnectDlg>([](CConnectDlg* dialog) {
        dialog->Control<QLineEdit>(kHostNameEdit)->setText("ftp.example.jp");
        Button(dialog, 1)->click();
    });
    RunConnectDialog(settings, messages_, nullptr);
    QCOMPARE(settings.hostName, std::string("ftp.example.jp"));
    QCOMPARE(messages_.Texts(),
             QStringList{QStringLiteral("設定を %1 に保存できませんでした。"
                                        "変更はこのセッションの間だけ有効です。")
                             .arg(QDir::current().absoluteFilePath("veskat.ini"))});
}

void SyncUiTest::connectDialogRefusesTextItCannotStore() {
    ConnectSettings settings;
    settings.hostName = "kept";
    CConnectDlg dialog(&settings, messages_);
    dialog.show();
    QTRY_VERIFY(dialog.PaintCount() > 0);
    dialog.Control<QLineEdit>(kHostNameEdit)->setText(QString(81, 'h'));
    Button(&dialog, 1)->click();
    QVERIFY(dialog.isVisible());
    dialog.Control<QLineEdit>(kHostNameEdit)
        ->setText(QString::fromUtf8("host\u00E9"));  // é has no Shift_JIS form
    Button(&dialog, 1)->click();
    QVERIFY(dialog.isVisible());
    QCOMPARE(messages_.Texts().size(), 2);
    QCOMPARE(settings.hostName, std::string("kept"));
    dialog.Control<QLineEdit>(kHostNameEdit)->setText(QString(80, 'h'));
    Button(&dialog, 1)->click();
    QCOMPARE(dialog.result(), 1);
    QCOMPARE(settings.hostName, std::string(80, 'h'));
}

void SyncUiTest::connectDialogEditsEncryptionAndTheCertificateFile() {
    ConnectSettings settings = Settings();
    settings.ftpTls = 1;
    settings.caFile = "/etc/\x8C\xC2\x95\xCA.pem";  // 個別
    CConnectDlg dialog(&settings, messages_);
    dialog.show();
    QTRY_VERIFY(dialog.PaintCount() > 0);
    auto* tls = dialog.Control<QCheckBox>(kUseTlsId);
    auto* caFile = dialog.Control<QLineEdit>(kCaFileEdit);
    QCOMPARE(tls->text(), QString::fromUtf8("暗号化 (FTPS) を使う"));
    QCOMPARE(Button(&dialog, kCaFileBrowseId)->text(), QString::fromUtf8("参照..."));
    QVERIFY(tls->isChecked() && tls->isEnabled());
    QCOMPARE(caFile->text(), QString::fromUtf8("/etc/個別.pem"));
    QVERIFY(caFile->isEnabled());
    // The new controls sit below every control the dialog had before.
    for (int id : {kUserIdEdit, kHostNameEdit, kPortEdit, kIndivPathEdit, kRepPathEdit, 1, 2}) {
        QVERIFY(dialog.Control<QWidget>(id)->geometry().bottom() < tls->geometry().top());
    }
    tls->click();
    QVERIFY(!caFile->isEnabled() && !Button(&dialog, kCaFileBrowseId)->isEnabled());
    dialog.Control<QCheckBox>(kUseServerId)->click();
    QVERIFY(!tls->isEnabled());
    dialog.Control<QCheckBox>(kUseServerId)->click();
    tls->click();
    caFile->setText("/home/taro/ca.pem");
    Button(&dialog, 1)->click();
    QCOMPARE(settings.ftpTls, 1);
    QCOMPARE(settings.caFile, std::string("/home/taro/ca.pem"));
}

// The server sends the first block of the file and then nothing; without
// キャンセル the fetch would wait a minute for the stall limit.
void SyncUiTest::cancelEndsAStalledFetchAtOnceAsAFailure() {
    server_->PutServerFile("stall_i.dat", std::string(3000000, 's') + "\n");
    server_->PutServerFile("srv_r.dat", kRepFile);
    WriteFileBytes("veskat_i.dat", kIndivFile);
    ConnectSettings settings = Settings();
    settings.indivSubjPath = "stall_i.dat";
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
        if (bytesShown != QString::fromUtf8("0 バイト")) {
            sinceCancel.start();
            dialog->CancelButton()->click();
        }
    });
    poll.start(20);
    QCOMPARE(FetchFromServer(settings, messages_, nullptr), StartUpOutcome::EndWindow);
    QVERIFY(sinceCancel.isValid());
    QVERIFY2(sinceCancel.elapsed() < 10000, qPrintable(QString::number(sinceCancel.elapsed())));
    QVERIFY(bytesShown.endsWith(QString::fromUtf8(" バイト")));
    // Cancelled means the rest of this fetch is off too.
    QCOMPARE(messages_.Texts(),
             QStringList{kIndivNotFetched + "\n" + kRepNotFetched + kWorkOffline});
    QCOMPARE(Local("veskat_i.dat"), kIndivFile);
    QCOMPARE(QDir::current().entryList(QDir::Files), QStringList{"veskat_i.dat"});
}

void SyncUiTest::ftpsWithAnUntrustedCertificateIsAConnectionFailure() {
    server_ = std::make_unique<FtpServer>(FtpServer::Security::TlsRequired);
    QVERIFY(server_->Running());
    server_->PutServerFile("srv_i.dat", Lf(kIndivFile));
    server_->PutServerFile("srv_r.dat", kRepFile);
    ConnectSettings settings = Settings();
    settings.ftpTls = 1;
    QCOMPARE(FetchFromServer(settings, messages_, nullptr), StartUpOutcome::EndWindow);
    QCOMPARE(messages_.Texts(), QStringList{kConnectFailed + kWorkOffline});
    QVERIFY(!FileExists("veskat_i.dat"));

    messages_.Clear();
    settings.caFile = server_->CertFile();
    QCOMPARE(FetchFromServer(settings, messages_, nullptr), StartUpOutcome::Go);
    QVERIFY(messages_.Texts().isEmpty());
    QCOMPARE(Local("veskat_i.dat"), kIndivFile);
    QCOMPARE(server_->Logins(), 1);
}

QTEST_MAIN(SyncUiTest)
#include "SyncUiTest.moc"
