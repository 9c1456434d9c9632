// The main window's side of its data files: the notices of a start-up in one
// box each, and the version a save replaces kept as ".bak" whichever way the
// save is asked for, or the failure told. What DataFileSet itself keeps and
// reports is checked in DataFileSetTest. Real files in a fresh folder, on the
// offscreen platform, with scripted messages.
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <optional>

#include "ResourceIds.h"
#include "ScriptedMessageService.h"
#include "SubjListDlg.h"
#include "SubjListView.h"
#include "WindowTestSupport.h"

namespace {

const QByteArray kIndivHeader = "_VESKAT_I_DAT_VER_1_2_\r\n";

}  // namespace

class KeptFilesTest : public WindowTestCase {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void shouldShowEachLoadNoticeInABoxOfItsOwn();
    void shouldKeepThePreviousVersionAtEverySave_data();
    void shouldKeepThePreviousVersionAtEverySave();
    void shouldLeaveFileAndBackupIntactWhenASaveFails();
};

void KeptFilesTest::init() {
    EnterFreshFolder();
}

void KeptFilesTest::cleanup() {
    LeaveFolder();
}

void KeptFilesTest::shouldShowEachLoadNoticeInABoxOfItsOwn() {
    WriteDataFiles({Indiv(2024, 5, 20, 9, 0, "a", Progress::Open)}, {});
    const QByteArray a = ReadFile(kIndivFileName).mid(kIndivHeader.size());
    WriteFile(kIndivFileName, kIndivHeader + a + a);
    QVERIFY(QFile::remove(kRepFileName));
    QVERIFY(QDir().mkpath(QString(kRepFileName) + "/inside"));

    auto window = OpenWindow(messages_);
    QCOMPARE(messages_.Texts(), (QStringList{QStringLiteral("個別案件ファイル veskat_i.dat の 1 "
                                                            "行を読み込めませんでした。\n"
                                                            "元のファイルを veskat_i.dat.20240515-"
                                                            "123020 として残しました。"),
                                             QStringLiteral("反復案件ファイル veskat_r.dat "
                                                            "を読み込めませんでした。")}));
    for (const auto& shown : messages_.History()) {
        QCOMPARE(shown.buttons, MessageButtons::Ok);
    }
    QCOMPARE(window->ListView()->RowCount(), 1);

    // The folder cannot be replaced: the save says so, and the other file is saved.
    messages_.Clear();
    window->Control<QPushButton>(1009)->click();
    QCOMPARE(messages_.Texts(), QStringList{kSaveFailed});
    QCOMPARE(ReadFile(kIndivFileName), kIndivHeader + a);
    QVERIFY(QFileInfo(QString(kRepFileName) + "/inside").isDir());
}

void KeptFilesTest::shouldKeepThePreviousVersionAtEverySave_data() {
    QTest::addColumn<QString>("way");
    QTest::newRow("save button") << "button1009";
    QTest::newRow("save menu") << "menu157";
    QTest::newRow("save and exit") << "button1007";
    QTest::newRow("close question Yes") << "close";
}

void KeptFilesTest::shouldKeepThePreviousVersionAtEverySave() {
    QFETCH(QString, way);
    IndivSubj old = Indiv(2024, 5, 20, 9, 0, "old", Progress::Open);
    old.title = std::string("\xED\x40", 2);
    old.content = Sjis("一行目<br>二行目");
    WriteDataFiles({old}, {Rep("rep", Progress::Open)});
    WriteFile("veskat_i.dat.bak", "an older generation");
    const QByteArray indivBefore = ReadFile(kIndivFileName);
    const QByteArray repBefore = ReadFile(kRepFileName);

    auto window = OpenWindow(messages_);
    window->IndivList().current = Indiv(2024, 5, 21, 9, 0, "new", Progress::Open);
    QCOMPARE(window->IndivList().Insert(), StoreResult::Done);
    if (way.startsWith("button")) {
        window->Control<QPushButton>(way.mid(6).toInt())->click();
    } else if (way.startsWith("menu")) {
        window->MenuAction(way.mid(4).toInt())->trigger();
    } else {
        messages_.QueueAnswer(MessageAnswer::Yes);
        window->close();
    }
    QCOMPARE(ReadFile("veskat_i.dat.bak"), indivBefore);
    // The repeating file did not change, so it was neither written nor backed up.
    QVERIFY(!QFile::exists("veskat_r.dat.bak"));
    QCOMPARE(ReadFile(kRepFileName), repBefore);
    const QByteArray saved = ReadFile(kIndivFileName);
    QVERIFY(saved.contains("\tnew\t"));
    // Both files and their copies, and the window's place once it has ended.
    QStringList entries = folder_->Entries();
    QCOMPARE(entries.removeAll(QStringLiteral("veskat.ini")), window->isVisible() ? 0 : 1);
    QCOMPARE(entries,
             (QStringList{"versions", "veskat_i.dat", "veskat_i.dat.bak", "veskat_r.dat"}));
    if (!window->isVisible()) {
        return;
    }
    // One generation: the next save keeps what the first one wrote.
    window->IndivList().current = Indiv(2024, 5, 22, 9, 0, "newer", Progress::Open);
    QCOMPARE(window->IndivList().Insert(), StoreResult::Done);
    window->Control<QPushButton>(1009)->click();
    QCOMPARE(ReadFile("veskat_i.dat.bak"), saved);
    QVERIFY(messages_.Texts().isEmpty());
}

void KeptFilesTest::shouldLeaveFileAndBackupIntactWhenASaveFails() {
    WriteDataFiles({Indiv(2024, 5, 20, 9, 0, "v0", Progress::Open)}, {});
    const QByteArray v0 = ReadFile(kIndivFileName);
    auto window = OpenWindow(messages_);
    window->IndivList().current = Indiv(2024, 5, 21, 9, 0, "v1", Progress::Open);
    QCOMPARE(window->IndivList().Insert(), StoreResult::Done);

    // The backup cannot be written: the file it would keep is not replaced.
    QVERIFY(QDir().mkpath("veskat_i.dat.bak/held"));
    window->Control<QPushButton>(1009)->click();
    QCOMPARE(messages_.Texts(), QStringList{kSaveFailed});
    QCOMPARE(ReadFile(kIndivFileName), v0);
    QVERIFY(QFileInfo("veskat_i.dat.bak/held").isDir());
    QVERIFY(window->isVisible());
    QVERIFY(QDir("veskat_i.dat.bak").removeRecursively());

    window->Control<QPushButton>(1009)->click();
    const QByteArray v1 = ReadFile(kIndivFileName);
    QVERIFY(v1.contains("\tv1\t"));
    QCOMPARE(ReadFile("veskat_i.dat.bak"), v0);

    // The file cannot be replaced: its backup stays the one before.
    QVERIFY(QFile::rename(kIndivFileName, "aside"));
    QVERIFY(QDir().mkpath(QString(kIndivFileName) + "/held"));
    messages_.Clear();
    window->Control<QPushButton>(1009)->click();
    QCOMPARE(messages_.Texts(), QStringList{kSaveFailed});
    QCOMPARE(ReadFile("veskat_i.dat.bak"), v0);
    QCOMPARE(ReadFile("aside"), v1);
    QVERIFY(QFileInfo(QString(kIndivFileName) + "/held").isDir());
}

QTEST_MAIN(KeptFilesTest)
#include "KeptFilesTest.moc"
