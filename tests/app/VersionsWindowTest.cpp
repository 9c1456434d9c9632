// The versions a save keeps, through the main window: only a file the save
// changes gets one, a version that cannot be kept stops that file's save and
// says so, and ファイル → 以前の版に戻す... puts a chosen version into the
// list, to reach the disk only at the next save. Real files in a fresh
// folder, on the offscreen platform.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "KeptVersions.h"
#include "ResourceIds.h"
#include "RestoreVersionDlg.h"
#include "SubjListView.h"
#include "WindowTestSupport.h"

namespace {

QStringList Versions() {
    return QDir("versions").entryList(QDir::Files, QDir::Name);
}

void Save(CSubjListDlg& window) {
    window.Control<QPushButton>(MainDialogIds::kSaveId)->click();
}

void Add(CSubjListDlg& window, const IndivSubj& subj) {
    window.IndivList().current = subj;
    QCOMPARE(window.IndivList().Insert(), StoreResult::Done);
}

}  // namespace

class VersionsWindowTest : public WindowTestCase {
    Q_OBJECT

  private slots:
    void init() { EnterFreshFolder(); }
    void cleanup() { LeaveFolder(); }

    void shouldKeepAVersionOnlyOfAFileTheSaveChanges();
    void shouldLeaveBothFilesWhenAVersionCannotBeKept();
    void shouldPutAChosenVersionIntoTheListUntilSaved();
    void shouldSayWhatADamagedVersionWouldBringBack();
    void shouldSayWhichVersionsADamagedFileCosts();
};

void VersionsWindowTest::shouldKeepAVersionOnlyOfAFileTheSaveChanges() {
    WriteDataFiles({Indiv(2024, 5, 20, 9, 0, "a", Progress::Open)}, {Rep("r", Progress::Open)});
    QVERIFY(QFile::setPermissions(kIndivFileName, QFile::ReadOwner | QFile::WriteOwner));
    WriteFile("veskat_i.dat.bak", "an older generation");
    const QByteArray indivBefore = ReadFile(kIndivFileName);
    const QByteArray repBefore = ReadFile(kRepFileName);
    auto window = OpenWindow(messages_);

    // Nothing changed: nothing written, the backup untouched, no version.
    Save(*window);
    QCOMPARE(ReadFile("veskat_i.dat.bak"), QByteArray("an older generation"));
    QVERIFY(!QFile::exists("veskat_r.dat.bak"));
    QVERIFY(!QFile::exists("versions"));

    Add(*window, Indiv(2024, 5, 21, 9, 0, "b", Progress::Open));
    Save(*window);
    const QStringList versions = Versions();
    QCOMPARE(versions.size(), 1);
    QVERIFY(versions[0].startsWith("veskat_i.dat.20"));
    QCOMPARE(ReadFile("versions/" + versions[0]), indivBefore);
    QCOMPARE(QFile::permissions("versions/" + versions[0]),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    QCOMPARE(ReadFile("veskat_i.dat.bak"), indivBefore);  // still the newest of them
    QCOMPARE(ReadFile(kRepFileName), repBefore);
    QVERIFY(messages_.Texts().isEmpty());
}

void VersionsWindowTest::shouldLeaveBothFilesWhenAVersionCannotBeKept() {
    WriteDataFiles({Indiv(2024, 5, 20, 9, 0, "a", Progress::Open)}, {Rep("r", Progress::Open)});
    const QByteArray indivBefore = ReadFile(kIndivFileName);
    const QByteArray repBefore = ReadFile(kRepFileName);
    WriteFile("versions", "a file where the folder should be");
    auto window = OpenWindow(messages_);
    Add(*window, Indiv(2024, 5, 21, 9, 0, "b", Progress::Open));
    window->RepList().current = Rep("s", Progress::Open);
    QCOMPARE(window->RepList().Insert(), StoreResult::Done);

    Save(*window);
    const QString notKept = QStringLiteral(
        "%1ファイル %2 の以前の版を versions フォルダーに残せなかったため、%2 は保存しません"
        "でした。ファイルは保存前のままです。");
    QCOMPARE(messages_.Texts(),
             QStringList{kSaveFailed + "\n" + notKept.arg("個別案件", kIndivFileName) + "\n" +
                         notKept.arg("反復案件", kRepFileName)});
    QCOMPARE(ReadFile(kIndivFileName), indivBefore);
    QCOMPARE(ReadFile(kRepFileName), repBefore);
    QVERIFY(!QFile::exists("veskat_i.dat.bak") && !QFile::exists("veskat_r.dat.bak"));
    QVERIFY(window->isVisible());

    // With the way clear the same save goes through.
    QVERIFY(QFile::remove("versions"));
    messages_.Clear();
    Save(*window);
    QVERIFY(messages_.Texts().isEmpty());
    QVERIFY(ReadFile(kIndivFileName).contains("\tb\t"));
    QCOMPARE(Versions().size(), 2);
}

void VersionsWindowTest::shouldPutAChosenVersionIntoTheListUntilSaved() {
    WriteDataFiles({Indiv(2024, 5, 20, 9, 0, "a", Progress::Open),
                    Indiv(2024, 5, 21, 9, 0, "b", Progress::Open)},
                   {});
    const QByteArray first = ReadFile(kIndivFileName);
    auto window = OpenWindow(messages_);
    QAction* restore = window->MenuAction(MainDialogIds::kRestoreVersionMenuId);
    QVERIFY(restore != nullptr);
    restore->trigger();
    QCOMPARE(messages_.Texts().size(), 1);  // none kept yet
    messages_.Clear();

    // b deleted and c added, then a done: two versions, {a, b} and {a, c}.
    window->IndivList().current = Indiv(2024, 5, 21, 9, 0, "b", Progress::Open);
    QCOMPARE(window->IndivList().Remove(), StoreResult::Done);
    Add(*window, Indiv(2024, 5, 22, 9, 0, "c", Progress::Open));
    Save(*window);
    window->IndivList().current = Indiv(2024, 5, 20, 9, 0, "a", Progress::Done);
    QCOMPARE(window->IndivList().Replace(), StoreResult::Done);
    Save(*window);
    const QByteArray saved = ReadFile(kIndivFileName);

    bool shown = false;
    QTimer::singleShot(0, window.get(), [&] {
        auto* dialog = qobject_cast<CRestoreVersionDlg*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        shown = true;
        QCOMPARE(dialog->windowTitle(), QStringLiteral("以前の版に戻す"));
        SubjListView* list = dialog->VersionList();
        QCOMPARE(list->RowCount(), 2);
        // Oldest first, the newest chosen: {a, c} differs from now in a only.
        QCOMPARE(list->SelectionMark(), 1);
        QCOMPARE(dialog->Control<QLabel>(VersionsDialogIds::kDifference)->text(),
                 QStringLiteral("この版に戻すと: 変更 1 件\n変更: 2024/05/20 a"));
        QCOMPARE((QStringList{list->CellText(1, 1), list->CellText(1, 2), list->CellText(1, 3),
                              list->CellText(1, 4)}),
                 (QStringList{"2", "0", "0", "1"}));
        QCOMPARE((QStringList{list->CellText(0, 1), list->CellText(0, 2), list->CellText(0, 3),
                              list->CellText(0, 4)}),
                 (QStringList{"2", "1", "1", "1"}));
        list->SelectRow(0);
        QCOMPARE(dialog->Control<QLabel>(VersionsDialogIds::kDifference)->text(),
                 QStringLiteral("この版に戻すと: 削除 1 件、追加 1 件、変更 1 件\n"
                                "削除: 2024/05/22 c\n追加: 2024/05/21 b\n変更: 2024/05/20 a"));
        dialog->Control<QPushButton>(kIdOk)->click();
    });
    restore->trigger();
    QVERIFY(shown);
    QVERIFY(messages_.Texts().isEmpty());

    SubjListView* list = window->ListView();
    QCOMPARE(list->RowCount(), 2);
    QCOMPARE(list->CellText(0, 2), QStringLiteral("a"));
    QCOMPARE(list->CellText(0, 1), QStringLiteral("未処理"));
    QCOMPARE(list->CellText(1, 2), QStringLiteral("b"));
    QCOMPARE(ReadFile(kIndivFileName), saved);  // nothing written yet
    // The undo entry counts the step as the window counted the version.
    QCOMPARE(window->MenuAction(MainDialogIds::kUndoMenuId)->text(),
             QStringLiteral("元に戻す(&U)「以前の版: 削除 1 件、追加 1 件、変更 1 件」"));

    Save(*window);
    QCOMPARE(ReadFile(kIndivFileName), first);
    QCOMPARE(ReadFile("veskat_i.dat.bak"), saved);
    QCOMPARE(Versions().size(), 3);
}

// A version cut short (a disk that filled, a sync that stopped) ends in half a line, which loads
// as a subject with a title cut short: the window says so before it can replace the whole one.
void VersionsWindowTest::shouldSayWhatADamagedVersionWouldBringBack() {
    WriteDataFiles({Indiv(2024, 5, 20, 9, 0, "a", Progress::Open),
                    Indiv(2024, 5, 21, 9, 0, "a long title", Progress::Open)},
                   {});
    const QByteArray whole = ReadFile(kIndivFileName);
    QVERIFY(QDir().mkdir("versions"));
    WriteFile("versions/veskat_i.dat.20240514-100000", whole.left(whole.indexOf("long") + 2));
    auto window = OpenWindow(messages_);
    CRestoreVersionDlg dialog(SubjKind::Indiv, window->IndivList().Tree(), kIndivFileName);
    QCOMPARE(dialog.VersionCount(), 1);
    QCOMPARE(dialog.Control<QLabel>(VersionsDialogIds::kDifference)->text(),
             QStringLiteral("この版に戻すと: 削除 1 件、追加 1 件\n"
                            "削除: 2024/05/21 a long title\n"
                            "追加: 2024/05/21 a lo\n"
                            "この版の 1 行は内容の一部を変えて読み込みました。"));
}

// Versions kept as differences are read through newer ones: a file damaged on the disk costs
// its own version and the older ones read through it, and the window says which file it is,
// while the newer ones can still be chosen.
void VersionsWindowTest::shouldSayWhichVersionsADamagedFileCosts() {
    std::vector<IndivSubj> subjects;
    for (int n = 0; n < 60; ++n) {
        subjects.push_back(
            Indiv(2024, 6, 1 + n % 28, n % 24, 0, "s" + QString::number(n), Progress::Open));
    }
    WriteDataFiles(subjects, {});
    auto window = OpenWindow(messages_);
    for (int save = 0; save < 4; ++save) {
        window->IndivList().current = subjects[static_cast<std::size_t>(save * 13)];
        window->IndivList().current.progress = Progress::Done;
        QCOMPARE(window->IndivList().Replace(), StoreResult::Done);
        Save(*window);
    }
    const std::vector<KeptVersion> kept = ListVersions(kIndivFileName);
    QCOMPARE(kept.size(), 4u);
    QVERIFY(kept[0].asChanges && kept[1].asChanges && kept[2].asChanges && !kept[3].asChanges);
    const QString damaged = QFileInfo(QString::fromStdString(kept[1].name)).fileName() + ".diff";
    QVERIFY(QFile::resize("versions/" + damaged, QFileInfo("versions/" + damaged).size() - 40));

    CRestoreVersionDlg dialog(SubjKind::Indiv, window->IndivList().Tree(), kIndivFileName);
    SubjListView* list = dialog.VersionList();
    QCOMPARE(list->RowCount(), 4);
    const auto label = [&](int row) {
        list->SelectRow(row);
        return dialog.Control<QLabel>(VersionsDialogIds::kDifference)->text();
    };
    QCOMPARE(list->CellText(0, 1), QStringLiteral("読めません"));
    QCOMPARE(label(0),
             QStringLiteral("この版は別の版のファイル %1 をもとに残してあり、そのファイルが"
                            "壊れているか、なくなっているため、この版は読めません。")
                 .arg(damaged));
    QCOMPARE(list->CellText(1, 1), QStringLiteral("読めません"));
    QCOMPARE(label(1),
             QStringLiteral("ファイル %1 が壊れているため、この版は読めません。\n"
                            "この版をもとに残した 1 個の版は、この版のファイルが残したとき"
                            "と違うため読めません。")
                 .arg(damaged));
    QCOMPARE(list->CellText(2, 1), QStringLiteral("60"));
    QCOMPARE(label(2),
             QStringLiteral("この版に戻すと: 変更 2 件\n変更: 2024/06/12 s39、2024/06/27 s26"));
}

QTEST_MAIN(VersionsWindowTest)
#include "VersionsWindowTest.moc"
