// With the server on, the process must be kept out of core dumps from the
// moment the password may come into memory: at start-up once the settings
// say so, and as soon as the user switches the server on. With the server
// off nothing changes.
#include <QCheckBox>
#include <QPushButton>
#include <QTest>

#include <sys/prctl.h>

#include "ConnectDlg.h"
#include "ConnectSettings.h"
#include "ResourceIds.h"
#include "SubjListDlg.h"
#include "WindowTestSupport.h"

namespace {

// An address that cannot even be tried: start-up fails at once and asks
// whether to go on with the files here.
const QByteArray kServerOn = "[FTP]\r\nftpmode=TRUE\r\nuserid=u\r\nhostname=\r\n";
const QByteArray kServerOff = "[FTP]\r\nftpmode=FALSE\r\n";

bool Dumpable() {
    return ::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) != 0;
}

}  // namespace

class PasswordMemoryTest : public WindowTestCase {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void shouldKeepThePasswordOutOfCoreDumpsOnceTheServerIsOn_data();
    void shouldKeepThePasswordOutOfCoreDumpsOnceTheServerIsOn();
};

void PasswordMemoryTest::init() {
    // Each case starts from a process that may dump, as a fresh start would.
    QCOMPARE(::prctl(PR_SET_DUMPABLE, 1, 0, 0, 0), 0);
    EnterFreshFolder();
}

void PasswordMemoryTest::cleanup() {
    LeaveFolder();
}

void PasswordMemoryTest::shouldKeepThePasswordOutOfCoreDumpsOnceTheServerIsOn_data() {
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<bool>("switchOn");
    QTest::addColumn<bool>("dumpable");
    QTest::newRow("server off") << kServerOff << false << true;
    QTest::newRow("server on at start-up") << kServerOn << false << false;
    QTest::newRow("server switched on in the dialog") << kServerOff << true << false;
}

void PasswordMemoryTest::shouldKeepThePasswordOutOfCoreDumpsOnceTheServerIsOn() {
    QFETCH(QByteArray, ini);
    QFETCH(bool, switchOn);
    QFETCH(bool, dumpable);
    WriteFile("veskat.ini", ini);
    messages_.QueueAnswer(MessageAnswer::Yes);  // go on without the server
    CSubjListDlg window(messages_);
    window.Settings().password = "secret";
    window.OnInitDialog();
    if (switchOn) {
        QVERIFY(Dumpable());
        // The dialog fills its controls at its first paint.
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [] {
            auto* dialog = dynamic_cast<CConnectDlg*>(QApplication::activeModalWidget());
            if (dialog != nullptr && dialog->PaintCount() > 0) {
                dialog->Control<QCheckBox>(ConnectDialogIds::kUseServerId)->click();
                dialog->Control<QPushButton>(1)->click();
            }
        });
        poll.start(10);
        window.MenuAction(MainDialogIds::kConnectMenuId)->trigger();
        poll.stop();
        QCOMPARE(window.Settings().ftpMode, 1);
    }
    QCOMPARE(Dumpable(), dumpable);
}

QTEST_MAIN(PasswordMemoryTest)
#include "PasswordMemoryTest.moc"
