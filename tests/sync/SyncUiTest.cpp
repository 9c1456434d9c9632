// The connection dialog and the password prompt on the offscreen platform,
// with scripted messages.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

#include "ConnectDlg.h"
#include "ConnectSettings.h"
#include "DavSettings.h"
#include "FtpServer.h"
#include "Password.h"
#include "PromptScript.h"
#include "ResourceIds.h"
#include "ScriptedMessageService.h"

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

QTEST_MAIN(SyncUiTest)
#include "SyncUiTest.moc"
