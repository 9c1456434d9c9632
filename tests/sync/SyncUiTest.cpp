// The connection dialog and the password prompt on the offscreen platform,
// with scripted messages; the dialog's CalDAV part against a real Radicale
// with an htpasswd user, and against the scripted HTTP probe.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

#include "ConnectDlg.h"
#include "ConnectSettings.h"
#include "DavAddress.h"
#include "DavBodies.h"
#include "DavDiscovery.h"
#include "DavPage.h"
#include "DavServer.h"
#include "DavSettings.h"
#include "FtpServer.h"
#include "HttpProbe.h"
#include "Password.h"
#include "PromptScript.h"
#include "ResourceIds.h"
#include "ScriptedMessageService.h"
#include "SyncWorld.h"
#include "TaskListCheck.h"

using namespace ConnectDialogIds;
using namespace PasswordDialogIds;

class SyncUiTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void passwordPromptFillsTheRecordOnlyOnOkAndOnlyWhileNoneIsHeld();
    void connectDialogWithoutIniFile();
    void connectDialogOkWritesTheIniFileCancelNothing();
    void connectDialogOkOnAFileItCannotWriteSaysSo();
    void connectDialogRefusesTextItCannotStore();
    void connectDialogEditsEncryptionAndTheCertificateFile();
    void connectDialogFindsTheTaskListsAndMakesWhatTheChoiceNeeds_data();
    void connectDialogFindsTheTaskListsAndMakesWhatTheChoiceNeeds();
    void connectDialogKeepsAListWhoseCompanionTheServerWillNotMake();
    void connectDialogTellsWhyNoListWasFound_data();
    void connectDialogTellsWhyNoListWasFound();
    void connectDialogStaysLiveWhileTheServerWaitsAndCancelEndsTheWait();

  private:
    std::unique_ptr<QTemporaryDir> work_;
    QString oldDir_;
    ScriptedMessageService messages_;
};

void SyncUiTest::init() {
    work_ = std::make_unique<QTemporaryDir>();
    oldDir_ = QDir::currentPath();
    QDir::setCurrent(work_->path());
    messages_.Clear();
}

void SyncUiTest::cleanup() {
    QDir::setCurrent(oldDir_);
    work_.reset();
}

void SyncUiTest::passwordPromptFillsTheRecordOnlyOnOkAndOnlyWhileNoneIsHeld() {
    ConnectSettings settings;
    int prompts = 0;
    AnswerPassword(nullptr, &prompts);
    AskPasswordIfNone(settings, messages_, nullptr);
    QCOMPARE(prompts, 1);
    QCOMPARE(settings.password, std::string());
    AnswerPassword("secret", &prompts);
    AskPasswordIfNone(settings, messages_, nullptr);
    QCOMPARE(prompts, 2);
    QCOMPARE(settings.password, std::string("secret"));
    AskPasswordIfNone(settings, messages_, nullptr);
    QCOMPARE(prompts, 2);
    QVERIFY(messages_.Texts().isEmpty());
}

void SyncUiTest::connectDialogWithoutIniFile() {
    ConnectSettings settings;
    settings.Load(kIniFileName);
    DavSettings dav;
    CConnectDlg dialog(&settings, &dav, messages_);
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
    DavSettings dav;
    CConnectDlg dialog(&settings, &dav, messages_);
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
    ConnectSettings settings;
    settings.ftpMode = 1;
    settings.ftpTls = 1;
    settings.caFile = "/etc/\x8C\xC2\x95\xCA.pem";  // 個別
    DavSettings dav;
    CConnectDlg dialog(&settings, &dav, messages_);
    dialog.show();
    QTRY_VERIFY(dialog.PaintCount() > 0);
    auto* tls = dialog.Control<QCheckBox>(kUseTlsId);
    auto* caFile = dialog.Control<QLineEdit>(kCaFileEdit);
    QCOMPARE(tls->text(), QString::fromUtf8("暗号化 (FTPS) を使う"));
    QCOMPARE(Button(&dialog, kCaFileBrowseId)->text(), QString::fromUtf8("参照..."));
    QVERIFY(tls->isChecked() && tls->isEnabled());
    QCOMPARE(caFile->text(), QString::fromUtf8("/etc/個別.pem"));
    QVERIFY(caFile->isEnabled());
    // The new controls sit below the fields the dialog had before, and above its buttons.
    for (int id : {kUserIdEdit, kHostNameEdit, kPortEdit, kIndivPathEdit, kRepPathEdit}) {
        QVERIFY(dialog.Control<QWidget>(id)->geometry().bottom() < tls->geometry().top());
    }
    for (int id : {kIdOk, kIdCancel}) {
        QVERIFY(dialog.Control<QWidget>(id)->geometry().top() > caFile->geometry().bottom());
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

namespace {

// The CalDAV part filled as a user fills it, and "探す" clicked; the click
// returns once the discovery has ended.
void FindLists(CConnectDlg* dialog, const QString& address, const char* password) {
    if (!dialog->Control<QCheckBox>(kUseDavId)->isChecked()) {
        dialog->Control<QCheckBox>(kUseDavId)->click();
    }
    dialog->Control<QLineEdit>(kDavAddressEdit)->setText(address);
    dialog->Control<QLineEdit>(kDavUserIdEdit)->setText(DavServer::kUser);
    dialog->Control<QLineEdit>(kDavPasswordEdit)->setText(QString::fromUtf8(password));
    Button(dialog, kDavDiscoverId)->click();
}

// A check that fails inside a dialog's action leaves it: the dialog ends
// then, so that the test fails instead of waiting.
auto EndWhenLeft(QDialog* dialog) {
    return qScopeGuard([dialog] {
        if (dialog->isVisible()) {
            dialog->done(2);
        }
    });
}

QStringList Items(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) {
        items.push_back(list->itemText(i));
    }
    return items;
}

// The server's address as a user types it: no path, not even "/".
QString Bare(const DavServer& server) {
    return server.Address().toString(QUrl::StripTrailingSlash);
}

const QString kNewListItem = QString::fromUtf8("新しいリスト「veskat」を作る");
const QString kChooseAList =
    QString::fromUtf8("CalDAVのタスクリストを選んでください。「探す」で一覧を読み込めます。");

}  // namespace

void SyncUiTest::connectDialogFindsTheTaskListsAndMakesWhatTheChoiceNeeds_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("companionPath");
    QTest::addColumn<QString>("companionName");
    QTest::newRow("a new list") << kNewListItem << "/alice/veskat/"
                                << "/alice/veskat-rep/" << QString::fromUtf8("veskat 反復");
    QTest::newRow("another program's list") << QString::fromUtf8("仕事") << "/alice/work/"
                                            << "/alice/work-rep/" << QString::fromUtf8("仕事 反復");
}

// Choosing CalDAV leaves the [FTP] section byte for byte as it was, its
// "ftpmode=TRUE" included; the password never reaches the file.
void SyncUiTest::connectDialogFindsTheTaskListsAndMakesWhatTheChoiceNeeds() {
    QFETCH(QString, item);
    QFETCH(QString, path);
    QFETCH(QString, companionPath);
    QFETCH(QString, companionName);
    DavServer server(DavServer::Kind::Radicale);
    QVERIFY2(server.Running(), server.Output().c_str());
    DavClient client;
    client.SetLogin(DavServer::kUser, DavServer::kPassword);
    const DavReply made =
        client.MkCalendar(server.Address().resolved(QUrl("alice/work/")),
                          DavBodies::MkCalendar(QString::fromUtf8("仕事"), "VTODO"));
    QCOMPARE(made.status, 201L);
    const std::string ftp = "[FTP]\r\nftpmode=TRUE\r\nuserid=\x8E\x52\x93\x63\r\nport=21\r\n";
    WriteFileBytes("veskat.ini", ftp);
    ConnectSettings settings;
    settings.Load(kIniFileName);
    DavSettings dav;
    dav.Load(kIniFileName);

    WhenShown<CConnectDlg>([&](CConnectDlg* dialog) {
        const auto endFailed = EndWhenLeft(dialog);
        FindLists(dialog, Bare(server), DavServer::kPassword);
        QVERIFY(!dialog->Control<QCheckBox>(kUseServerId)->isChecked());
        auto* lists = dialog->Control<QComboBox>(kDavListList);
        QCOMPARE(Items(lists), (QStringList{QString::fromUtf8("仕事"), kNewListItem}));
        lists->setCurrentIndex(lists->findText(item));
        Button(dialog, kIdOk)->click();
    });
    RunConnectDialog(settings, dav, messages_, nullptr);
    QCOMPARE(messages_.Texts(), QStringList());
    QCOMPARE(ActiveServer(settings, dav), ServerKind::CalDav);
    QCOMPARE(QUrl(QString::fromStdString(dav.url)).path(), path);
    QCOMPARE(QUrl(QString::fromStdString(dav.repUrl)).path(), companionPath);
    QCOMPARE(dav.password, std::string(DavServer::kPassword));
    const CheckResult check = CheckTaskLists(client, QUrl(QString::fromStdString(dav.url)),
                                             QUrl(QString::fromStdString(dav.repUrl)));
    QCOMPARE(check.outcome, CheckOutcome::Ready);
    QCOMPARE(check.companionName, companionName);
    const std::string ini = ReadFileBytes("veskat.ini");
    QCOMPARE(ini.substr(0, ftp.size()), ftp);
    QCOMPARE(ini.substr(ftp.size()), "[CalDAV]\r\ndavmode=TRUE\r\nurl=" + dav.url + "\r\nrepurl=" +
                                         dav.repUrl + "\r\nuserid=alice\r\ncafile=\r\n");

    // Opened again, the dialog shows the list kept and, found again, offers
    // that list chosen and never its companion as a list of its own.
    WhenShown<CConnectDlg>([&](CConnectDlg* dialog) {
        const auto endFailed = EndWhenLeft(dialog);
        auto* lists = dialog->Control<QComboBox>(kDavListList);
        QCOMPARE(dialog->Control<QLineEdit>(kDavAddressEdit)->text(), server.Address().toString());
        QCOMPARE(lists->currentText(), LastSegment(QUrl(QString::fromStdString(dav.url))));
        FindLists(dialog, dialog->Control<QLineEdit>(kDavAddressEdit)->text(), "");
        const QString chosen = item == kNewListItem ? QStringLiteral("veskat") : item;
        QCOMPARE(lists->currentText(), chosen);
        // A list named "veskat" is found, never made again.
        QStringList offered = Items(lists);
        offered.sort();
        QStringList expected{QString::fromUtf8("仕事"),
                             item == kNewListItem ? QStringLiteral("veskat") : kNewListItem};
        expected.sort();
        QCOMPARE(offered, expected);
        Button(dialog, kIdCancel)->click();
    });
    RunConnectDialog(settings, dav, messages_, nullptr);
    QCOMPARE(messages_.Texts(), QStringList());
}

// The dated subjects sync all the same: the choice holds, without a
// companion, and the user is told why.
void SyncUiTest::connectDialogKeepsAListWhoseCompanionTheServerWillNotMake() {
    DavServer server(DavServer::Kind::Radicale);
    QVERIFY2(server.Running(), server.Output().c_str());
    DavClient client;
    client.SetLogin(DavServer::kUser, DavServer::kPassword);
    QCOMPARE(client
                 .MkCalendar(server.Address().resolved(QUrl("alice/work/")),
                             DavBodies::MkCalendar(QString::fromUtf8("仕事"), "VTODO"))
                 .status,
             201L);
    HoldProxy proxy(server.Port());
    QVERIFY(proxy.Running());
    proxy.Answer("MKCALENDAR", 1, "403 Forbidden", "");
    ConnectSettings settings;
    DavSettings dav;
    WhenShown<CConnectDlg>([&](CConnectDlg* dialog) {
        const auto endFailed = EndWhenLeft(dialog);
        FindLists(dialog, proxy.Through(server.Address()).toString(QUrl::StripTrailingSlash),
                  DavServer::kPassword);
        auto* lists = dialog->Control<QComboBox>(kDavListList);
        lists->setCurrentIndex(lists->findText(QString::fromUtf8("仕事")));
        Button(dialog, kIdOk)->click();
    });
    RunConnectDialog(settings, dav, messages_, nullptr);
    QCOMPARE(messages_.Texts().size(), 1);
    QVERIFY2(messages_.Texts().front().startsWith(
                 QString::fromUtf8("反復案件のタスクリスト「仕事 反復」を用意できませんでした")),
             qPrintable(messages_.Texts().front()));
    QCOMPARE(ActiveServer(settings, dav), ServerKind::CalDav);
    QCOMPARE(QUrl(QString::fromStdString(dav.url)).path(), QStringLiteral("/alice/work/"));
    QCOMPARE(dav.repUrl, std::string());
    QCOMPARE(proxy.Count("MKCALENDAR"), 1);
}

enum class FailingServer { Radicale, RadicaleHttps, Probe, None };

void SyncUiTest::connectDialogTellsWhyNoListWasFound_data() {
    QTest::addColumn<FailingServer>("kind");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("message");
    QTest::newRow("a refused password")
        << FailingServer::Radicale << QString()
        << QString::fromUtf8("サーバーがユーザーIDかパスワードを受け付けませんでした。");
    QTest::newRow("a certificate not trusted")
        << FailingServer::RadicaleHttps << QString()
        << QString::fromUtf8(
               "サーバーの証明書を信頼できませんでした。自己署名の証明書なら、"
               "その証明書 (PEM) を「信頼する証明書」に指定してください。");
    QTest::newRow("not a CalDAV server")
        << FailingServer::Probe << QString()
        << QString::fromUtf8(
               "このアドレスにCalDAVサーバーが見つかりませんでした。アドレスを確かめてください。");
    QTest::newRow("nothing listening")
        << FailingServer::None << "http://127.0.0.1:1"
        << QString::fromUtf8("サーバーに接続できませんでした。アドレスを確かめてください。");
    QTest::newRow("plain http to another computer")
        << FailingServer::None << "http://dav.example.org"
        << QString::fromUtf8(
               "このアドレスには接続しません。https:// で始まるアドレスを入力してください"
               " (http:// はこのコンピューターのサーバーだけに使えます)。");
}

// What went wrong is told, and OK cannot switch CalDAV on without a list:
// the record and the file stay as they were.
void SyncUiTest::connectDialogTellsWhyNoListWasFound() {
    QFETCH(FailingServer, kind);
    QFETCH(QString, address);
    QFETCH(QString, message);
    std::unique_ptr<DavServer> radicale;
    std::unique_ptr<HttpProbe> probe;
    if (kind == FailingServer::Radicale || kind == FailingServer::RadicaleHttps) {
        radicale = std::make_unique<DavServer>(DavServer::Kind::Radicale,
                                               kind == FailingServer::Radicale
                                                   ? DavServer::Transport::Http
                                                   : DavServer::Transport::Https);
        QVERIFY2(radicale->Running(), radicale->Output().c_str());
        address = Bare(*radicale);
    } else if (kind == FailingServer::Probe) {
        probe = std::make_unique<HttpProbe>("/nothing/");
        QVERIFY(probe->Running());
        address = probe->Url("/").toString();
    }
    ConnectSettings settings;
    DavSettings dav;
    CConnectDlg dialog(&settings, &dav, messages_);
    dialog.show();
    QTRY_VERIFY(dialog.PaintCount() > 0);
    FindLists(&dialog, address, "wrong");
    QCOMPARE(messages_.Texts(), QStringList{message});
    auto* lists = dialog.Control<QComboBox>(kDavListList);
    QCOMPARE(Items(lists), QStringList{QString::fromUtf8("未選択")});
    Button(&dialog, kIdOk)->click();
    QVERIFY(dialog.isVisible());
    QCOMPARE(messages_.Texts(), (QStringList{message, kChooseAList}));
    QCOMPARE(dav.davMode, 0);
    QCOMPARE(dav.url, std::string());
    QVERIFY(!QFile::exists("veskat.ini"));
}

void SyncUiTest::connectDialogStaysLiveWhileTheServerWaitsAndCancelEndsTheWait() {
    HttpProbe probe;
    QVERIFY(probe.Running());
    ConnectSettings settings;
    DavSettings dav;
    CConnectDlg dialog(&settings, &dav, messages_);
    dialog.show();
    QTRY_VERIFY(dialog.PaintCount() > 0);
    bool sawBusy = false;
    QTimer::singleShot(100, &dialog, [&] {
        const QCursor* cursor = QGuiApplication::overrideCursor();
        sawBusy = cursor != nullptr && cursor->shape() == Qt::BusyCursor &&
                  !Button(&dialog, kIdOk)->isEnabled() &&
                  !dialog.Control<QLineEdit>(kDavAddressEdit)->isEnabled();
        // A cancel while the server keeps the request waiting ends the wait, not the dialog.
        Button(&dialog, kIdCancel)->click();
    });
    FindLists(&dialog, probe.Url("/stall").toString(), "");
    QVERIFY(sawBusy);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.Control<QLabel>(kDavStatusText)->text(), QString::fromUtf8("中止しました。"));
    QCOMPARE(messages_.Texts(), QStringList());
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    QVERIFY(dialog.Control<QLineEdit>(kDavAddressEdit)->isEnabled());
    Button(&dialog, kIdCancel)->click();
    QCOMPARE(dialog.result(), 2);
}

QTEST_MAIN(SyncUiTest)
#include "SyncUiTest.moc"
