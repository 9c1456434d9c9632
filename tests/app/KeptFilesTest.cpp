// The main window keeps what it could not load and what a save replaces: a
// data file that did not load cleanly is copied aside at start-up and the user
// told in one box per file; every save leaves the version it replaced as
// ".bak". Checked through real files in a fresh folder, on the offscreen
// platform, with scripted messages.
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

// Copies made at the pinned clock's second.
const QString kIndivCopy = QStringLiteral("veskat_i.dat.20240515-123020");
const QString kRepCopy = QStringLiteral("veskat_r.dat.20240515-123020");

// The data file line of `subj`, as the program writes it.
template <class List>
QByteArray LineOf(const typename List::Subj& subj) {
    List list;
    list.current = subj;
    static_cast<void>(list.Insert());
    static_cast<void>(list.Save("line.tmp"));
    const QByteArray bytes = ReadFile("line.tmp");
    QFile::remove("line.tmp");
    return bytes.mid(bytes.indexOf('\n') + 1);
}

QByteArray IndivLine(const IndivSubj& subj) {
    return LineOf<IndivSubjList>(subj);
}

QByteArray RepLine(const RepSubj& subj) {
    return LineOf<RepSubjList>(subj);
}

const QByteArray kIndivHeader = "_VESKAT_I_DAT_VER_1_2_\r\n";
const QByteArray kRepHeader = "_VESKAT_R_DAT_VER_1_2_\r\n";

// Some file in the folder other than `except` holds exactly `bytes`.
bool SomeFileHolds(const QByteArray& bytes, const QString& except) {
    const QStringList names = QDir::current().entryList(QDir::Files);
    return std::any_of(names.begin(), names.end(), [&](const QString& name) {
        return name != except && ReadFile(name) == bytes;
    });
}

}  // namespace

class KeptFilesTest : public WindowTestCase {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void shouldReportAFolderInPlaceOfADataFileAndLeaveItAlone();
    void shouldKeepAndReportEachFileWithRepeatedLines();
    void shouldNeverWriteACopyOverAnExistingFile();
    void shouldLoseNothingOfACrOnlyFile();
    void shouldLoseNothingOfAFileWithNulBytes();
    void shouldTellNothingAndKeepNothingForMissingFiles();
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

void KeptFilesTest::shouldReportAFolderInPlaceOfADataFileAndLeaveItAlone() {
    QVERIFY(QDir().mkpath(QString(kIndivFileName) + "/inside"));
    WriteFile(QString(kIndivFileName) + "/inside/note", "mine");
    const QByteArray repBefore = kRepHeader + RepLine(Rep("r", Progress::Open));
    WriteFile(kRepFileName, repBefore);

    auto window = OpenWindow(messages_);
    QCOMPARE(messages_.Texts(),
             QStringList{QStringLiteral("個別案件ファイル veskat_i.dat を読み込めませんでした。")});
    QCOMPARE(messages_.History().front().buttons, MessageButtons::Ok);
    // Nothing to copy: a folder is no data file, and no save can replace it.
    QCOMPARE(folder_->Entries(), (QStringList{"veskat_i.dat", "veskat_r.dat"}));
    QCOMPARE(window->ListView()->RowCount(), 0);

    messages_.Clear();
    window->Control<QPushButton>(1009)->click();
    QCOMPARE(messages_.Texts(), QStringList{kSaveFailed});
    QCOMPARE(ReadFile(QString(kIndivFileName) + "/inside/note"), QByteArray("mine"));
    QCOMPARE(ReadFile("veskat_r.dat.bak"), repBefore);
    QCOMPARE(ReadFile(kRepFileName), repBefore);
}

void KeptFilesTest::shouldKeepAndReportEachFileWithRepeatedLines() {
    const QByteArray a = IndivLine(Indiv(2024, 5, 20, 9, 0, "会議", Progress::Open));
    const QByteArray b = IndivLine(Indiv(2024, 5, 21, 9, 0, "b", Progress::Done));
    const QByteArray indivOriginal = kIndivHeader + a + b + a + a;
    RepSubj daily = Rep(Sjis("日課"), Progress::Open);
    const QByteArray first = RepLine(daily);
    daily.content = "other";
    const QByteArray repOriginal = kRepHeader + first + RepLine(daily);
    WriteFile(kIndivFileName, indivOriginal);
    WriteFile(kRepFileName, repOriginal);

    auto window = OpenWindow(messages_);
    QCOMPARE(messages_.Texts(),
             (QStringList{QStringLiteral("個別案件ファイル veskat_i.dat の 2 "
                                         "行を読み込めませんでした。\n"
                                         "元のファイルを veskat_i.dat.20240515-123020 "
                                         "として残しました。"),
                          QStringLiteral("反復案件ファイル veskat_r.dat の 1 "
                                         "行を読み込めませんでした。\n"
                                         "元のファイルを veskat_r.dat.20240515-123020 "
                                         "として残しました。")}));
    for (const auto& shown : messages_.History()) {
        QCOMPARE(shown.buttons, MessageButtons::Ok);
    }
    QCOMPARE(ReadFile(kIndivCopy), indivOriginal);
    QCOMPARE(ReadFile(kRepCopy), repOriginal);
    QCOMPARE(window->ListView()->RowCount(), 2);

    // A save writes each line once and leaves the copies as they were.
    window->Control<QPushButton>(1009)->click();
    QCOMPARE(ReadFile(kIndivFileName), kIndivHeader + a + b);
    QCOMPARE(ReadFile(kRepFileName), kRepHeader + first);
    QCOMPARE(ReadFile("veskat_i.dat.bak"), indivOriginal);
    window->IndivList().current = Indiv(2024, 6, 1, 0, 0, "c", Progress::Open);
    QCOMPARE(window->IndivList().Insert(), StoreResult::Done);
    window->Control<QPushButton>(1009)->click();
    QCOMPARE(ReadFile(kIndivCopy), indivOriginal);
    QCOMPARE(ReadFile(kRepCopy), repOriginal);
    QCOMPARE(ReadFile("veskat_i.dat.bak"), kIndivHeader + a + b);
    QCOMPARE(messages_.History().size(), std::size_t{2});

    // Clean files now: the next start-up has nothing to tell.
    messages_.Clear();
    OpenWindow(messages_);
    QVERIFY(messages_.Texts().isEmpty());
    QCOMPARE(folder_->Entries().size(), 6);
}

void KeptFilesTest::shouldNeverWriteACopyOverAnExistingFile() {
    const QByteArray a = IndivLine(Indiv(2024, 5, 20, 9, 0, "a", Progress::Open));
    const QByteArray original = kIndivHeader + a + a;
    WriteFile(kIndivFileName, original);
    WriteFile(kIndivCopy, "someone else's");
    OpenWindow(messages_);
    QCOMPARE(messages_.Texts(),
             QStringList{QStringLiteral("個別案件ファイル veskat_i.dat の 1 "
                                        "行を読み込めませんでした。\n"
                                        "元のファイルを veskat_i.dat.20240515-123020-2 "
                                        "として残しました。")});
    QCOMPARE(ReadFile(kIndivCopy), QByteArray("someone else's"));
    QCOMPARE(ReadFile(kIndivCopy + "-2"), original);
}

// However the loader takes lines that end in CR alone, the bytes survive a save.
void KeptFilesTest::shouldLoseNothingOfACrOnlyFile() {
    QByteArray original = kIndivHeader + IndivLine(Indiv(2024, 5, 20, 9, 0, "a", Progress::Open)) +
                          IndivLine(Indiv(2024, 5, 21, 9, 0, "b", Progress::Open));
    original.replace("\r\n", "\r");
    WriteFile(kIndivFileName, original);
    auto window = OpenWindow(messages_);
    for (const QString& text : messages_.Texts()) {
        QVERIFY2(
            text.endsWith(QStringLiteral("元のファイルを %1 として残しました。").arg(kIndivCopy)),
            qPrintable(text));
        QCOMPARE(ReadFile(kIndivCopy), original);
    }
    window->Control<QPushButton>(1009)->click();
    QVERIFY(SomeFileHolds(original, kIndivFileName));
    QVERIFY(ReadFile(kIndivFileName).startsWith(kIndivHeader));
    // A copy kept at start-up outlives any number of saves.
    window->Control<QPushButton>(1009)->click();
    QVERIFY(messages_.Texts().isEmpty() || ReadFile(kIndivCopy) == original);
}

// A NUL inside a field loads as a blank, and the line counts as changed.
void KeptFilesTest::shouldLoseNothingOfAFileWithNulBytes() {
    static const char kNulLine[] = "2024\t05\t20\tab\0cd\t09\t00\tU\tx\0y\t\r\n";
    const QByteArray original = kIndivHeader + QByteArray(kNulLine, sizeof kNulLine - 1) +
                                IndivLine(Indiv(2024, 5, 21, 9, 0, "b", Progress::Open));
    WriteFile(kIndivFileName, original);
    auto window = OpenWindow(messages_);
    if (!messages_.Texts().isEmpty()) {
        QCOMPARE(messages_.Texts(),
                 QStringList{QStringLiteral("個別案件ファイル veskat_i.dat の 1 "
                                            "行は内容の一部を変えて読み込みました。\n"
                                            "元のファイルを veskat_i.dat.20240515-123020 "
                                            "として残しました。")});
        QCOMPARE(ReadFile(kIndivCopy), original);
    }
    QCOMPARE(window->ListView()->RowCount(), 2);
    window->Control<QPushButton>(1009)->click();
    QVERIFY(ReadFile(kIndivCopy) == original || ReadFile("veskat_i.dat.bak") == original);
    window->Control<QPushButton>(1009)->click();
    QVERIFY(messages_.Texts().isEmpty() || ReadFile(kIndivCopy) == original);
}

void KeptFilesTest::shouldTellNothingAndKeepNothingForMissingFiles() {
    auto window = OpenWindow(messages_);
    QVERIFY(messages_.Texts().isEmpty());
    QVERIFY(folder_->Entries().isEmpty());
    window->Control<QPushButton>(1009)->click();
    QVERIFY(messages_.Texts().isEmpty());
    QCOMPARE(folder_->Entries(), (QStringList{"veskat_i.dat", "veskat_r.dat"}));
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
    QCOMPARE(ReadFile("veskat_r.dat.bak"), repBefore);
    const QByteArray saved = ReadFile(kIndivFileName);
    QVERIFY(saved.contains("\tnew\t"));
    QCOMPARE(folder_->Entries().size(), 4);
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
