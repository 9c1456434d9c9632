// The main window's data files through DataFileSet: a file that did not load
// cleanly is copied aside and named in one notice per file, the copies and the
// ".bak" of every save lose no byte of what they keep, and a merge that could
// not be taken into memory keeps its file from being written over. Checked
// through real files in a fresh folder.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

#include "DataFileSet.h"
#include "KeptVersions.h"
#include "LoadAhead.h"
#include "MemoryGone.h"
#include "SubjListRows.h"
#include "VersionReader.h"
#include "WindowTestSupport.h"

namespace {

// Copies made at the pinned clock's second.
const QString kIndivCopy = QStringLiteral("veskat_i.dat.20240515-123020");
const QString kRepCopy = QStringLiteral("veskat_r.dat.20240515-123020");

const QByteArray kIndivHeader = "_VESKAT_I_DAT_VER_1_2_\r\n";
const QByteArray kRepHeader = "_VESKAT_R_DAT_VER_1_2_\r\n";

// The data file line of `subj`, as the program writes it.
template <class List>
QByteArray LineOf(const typename List::Subj& subj) {
    List list;
    list.current = subj;
    if (list.Insert() != StoreResult::Done || list.Save("line.tmp") != StoreResult::Done) {
        return {};
    }
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

// Some file in the folder other than `except` holds exactly `bytes`.
bool SomeFileHolds(const QByteArray& bytes, const QString& except) {
    const QStringList names = QDir::current().entryList(QDir::Files);
    return std::any_of(names.begin(), names.end(), [&](const QString& name) {
        return name != except && ReadFile(name) == bytes;
    });
}

// Tells two names of one file.
ino_t InodeOf(const std::string& fileName) {
    struct stat st {};
    return ::stat(fileName.c_str(), &st) == 0 ? st.st_ino : 0;
}

// The server's marker, as far as these tests go: always on the disk.
bool Marked(const char*) {
    return true;
}

}  // namespace

class DataFileSetTest : public WindowTestCase {
    Q_OBJECT

  private slots:
    void init() { EnterFreshFolder(); }
    void cleanup() { LeaveFolder(); }

    void shouldReportAFolderInPlaceOfADataFileAndLeaveItAlone();
    void shouldKeepAndReportEachFileWithRepeatedLines();
    void shouldNeverWriteACopyOverAnExistingFile();
    void shouldLoseNothingOfAFileItCannotWriteBack_data();
    void shouldLoseNothingOfAFileItCannotWriteBack();
    void shouldTellNothingAndKeepNothingForMissingFiles();
    void shouldMarkEachFileWhileItStillHoldsTheVersionItReplaces();
    void shouldLeaveTheFileOfAMergeItCouldNotAdopt();
    void shouldKeepFiftySavesOfOneSubjectInTwiceTheFile();
    void shouldTakeFromTheLoadAheadOnlyWhatItWouldLoadItself_data();
    void shouldTakeFromTheLoadAheadOnlyWhatItWouldLoadItself();
};

void DataFileSetTest::shouldReportAFolderInPlaceOfADataFileAndLeaveItAlone() {
    QVERIFY(QDir().mkpath(QString(kIndivFileName) + "/inside"));
    WriteFile(QString(kIndivFileName) + "/inside/note", "mine");
    const QByteArray repBefore = kRepHeader + RepLine(Rep("r", Progress::Open));
    WriteFile(kRepFileName, repBefore);

    DataFileSet files;
    QCOMPARE(files.Load(),
             QStringList{QStringLiteral("個別案件ファイル veskat_i.dat を読み込めませんでした。")});
    // Nothing to copy: a folder is no data file, and no save can replace it.
    QCOMPARE(folder_->Entries(), (QStringList{"veskat_i.dat", "veskat_r.dat"}));
    QCOMPARE(files.Indiv().First(), StoreResult::NotFound);

    QVERIFY(!files.Write(Marked));
    QCOMPARE(ReadFile(QString(kIndivFileName) + "/inside/note"), QByteArray("mine"));
    QVERIFY(!QFile::exists("veskat_r.dat.bak"));  // unchanged, so not written
    QCOMPARE(ReadFile(kRepFileName), repBefore);
}

void DataFileSetTest::shouldKeepAndReportEachFileWithRepeatedLines() {
    const QByteArray a = IndivLine(Indiv(2024, 5, 20, 9, 0, "会議", Progress::Open));
    const QByteArray b = IndivLine(Indiv(2024, 5, 21, 9, 0, "b", Progress::Done));
    const QByteArray indivOriginal = kIndivHeader + a + b + a + a;
    RepSubj daily = Rep(Sjis("日課"), Progress::Open);
    const QByteArray first = RepLine(daily);
    daily.content = "other";
    const QByteArray repOriginal = kRepHeader + first + RepLine(daily);
    WriteFile(kIndivFileName, indivOriginal);
    WriteFile(kRepFileName, repOriginal);

    DataFileSet files;
    QCOMPARE(files.Load(),
             (QStringList{QStringLiteral("個別案件ファイル veskat_i.dat の 2 "
                                         "行を読み込めませんでした。\n"
                                         "元のファイルを veskat_i.dat.20240515-123020 "
                                         "として残しました。"),
                          QStringLiteral("反復案件ファイル veskat_r.dat の 1 "
                                         "行を読み込めませんでした。\n"
                                         "元のファイルを veskat_r.dat.20240515-123020 "
                                         "として残しました。")}));
    QCOMPARE(ReadFile(kIndivCopy), indivOriginal);
    QCOMPARE(ReadFile(kRepCopy), repOriginal);

    // A save writes each line once and leaves the copies as they were.
    QVERIFY(files.Write(Marked));
    QCOMPARE(ReadFile(kIndivFileName), kIndivHeader + a + b);
    QCOMPARE(ReadFile(kRepFileName), kRepHeader + first);
    QCOMPARE(ReadFile("veskat_i.dat.bak"), indivOriginal);
    files.Indiv().current = Indiv(2024, 6, 1, 0, 0, "c", Progress::Open);
    QCOMPARE(files.Indiv().Insert(), StoreResult::Done);
    QVERIFY(files.Write(Marked));
    QCOMPARE(ReadFile(kIndivCopy), indivOriginal);
    QCOMPARE(ReadFile(kRepCopy), repOriginal);
    QCOMPARE(ReadFile("veskat_i.dat.bak"), kIndivHeader + a + b);

    // Clean files now: the next start-up has nothing to tell.
    DataFileSet again;
    QVERIFY(again.Load().isEmpty());
    QCOMPARE(folder_->Entries().size(), 7);  // with the versions folder
}

void DataFileSetTest::shouldNeverWriteACopyOverAnExistingFile() {
    const QByteArray a = IndivLine(Indiv(2024, 5, 20, 9, 0, "a", Progress::Open));
    const QByteArray original = kIndivHeader + a + a;
    WriteFile(kIndivFileName, original);
    WriteFile(kIndivCopy, "someone else's");
    DataFileSet files;
    QCOMPARE(files.Load(),
             QStringList{QStringLiteral("個別案件ファイル veskat_i.dat の 1 "
                                        "行を読み込めませんでした。\n"
                                        "元のファイルを veskat_i.dat.20240515-123020-2 "
                                        "として残しました。")});
    QCOMPARE(ReadFile(kIndivCopy), QByteArray("someone else's"));
    QCOMPARE(ReadFile(kIndivCopy + "-2"), original);
}

// However the loader takes lines that end in CR alone, or a NUL inside a field
// (a blank, and the line counts as changed), the bytes survive any saves:
// in the copy kept at start-up, or else in the backup of the first save.
void DataFileSetTest::shouldLoseNothingOfAFileItCannotWriteBack_data() {
    static const char kNulLine[] = "2024\t05\t20\tab\0cd\t09\t00\tU\tx\0y\t\r\n";
    QByteArray crOnly = kIndivHeader + IndivLine(Indiv(2024, 5, 20, 9, 0, "a", Progress::Open)) +
                        IndivLine(Indiv(2024, 5, 21, 9, 0, "b", Progress::Open));
    crOnly.replace("\r\n", "\r");
    const QByteArray nul = kIndivHeader + QByteArray(kNulLine, sizeof kNulLine - 1) +
                           IndivLine(Indiv(2024, 5, 21, 9, 0, "b", Progress::Open));
    QTest::addColumn<QByteArray>("original");
    QTest::addColumn<QString>("notice");
    QTest::newRow("lines ending in CR") << crOnly << QString();
    QTest::newRow("NUL bytes") << nul
                               << QStringLiteral(
                                      "個別案件ファイル veskat_i.dat の 1 "
                                      "行は内容の一部を変えて読み込みました。\n"
                                      "元のファイルを veskat_i.dat.20240515-123020 "
                                      "として残しました。");
}

void DataFileSetTest::shouldLoseNothingOfAFileItCannotWriteBack() {
    QFETCH(QByteArray, original);
    QFETCH(QString, notice);
    WriteFile(kIndivFileName, original);
    DataFileSet files;
    const QStringList notices = files.Load();
    if (!notices.isEmpty()) {
        if (!notice.isEmpty()) {
            QCOMPARE(notices, QStringList{notice});
        }
        QVERIFY2(notices.front().endsWith(
                     QStringLiteral("元のファイルを %1 として残しました。").arg(kIndivCopy)),
                 qPrintable(notices.front()));
        QCOMPARE(ReadFile(kIndivCopy), original);
    }
    QVERIFY(files.Write(Marked));
    QVERIFY(SomeFileHolds(original, kIndivFileName));
    QVERIFY(ReadFile(kIndivFileName).startsWith(kIndivHeader));
    // A copy kept at start-up outlives any number of saves.
    QVERIFY(files.Write(Marked));
    QVERIFY(notices.isEmpty() || ReadFile(kIndivCopy) == original);
}

void DataFileSetTest::shouldTellNothingAndKeepNothingForMissingFiles() {
    DataFileSet files;
    QVERIFY(files.Load().isEmpty());
    QVERIFY(folder_->Entries().isEmpty());
    QStringList marked;
    QVERIFY(files.Write([&](const char* fileName) {
        marked << fileName;
        return true;
    }));
    QCOMPARE(marked, (QStringList{"veskat_i.dat", "veskat_r.dat"}));
    QCOMPARE(folder_->Entries(), (QStringList{"veskat_i.dat", "veskat_r.dat"}));
}

// A file replaced before its marker is down can be fetched over at the next
// start-up should the program stop in between.
void DataFileSetTest::shouldMarkEachFileWhileItStillHoldsTheVersionItReplaces() {
    WriteDataFiles({Indiv(2024, 5, 20, 9, 0, "old", Progress::Open)}, {Rep("r", Progress::Open)});
    const QByteArray oldIndiv = ReadFile(kIndivFileName);
    const QByteArray oldRep = ReadFile(kRepFileName);
    DataFileSet files;
    QVERIFY(files.Load().isEmpty());
    files.Indiv().current = Indiv(2024, 6, 1, 9, 0, "new", Progress::Open);
    QCOMPARE(files.Indiv().Insert(), StoreResult::Done);
    files.Rep().current = Rep("new rep", Progress::Open);
    QCOMPARE(files.Rep().Insert(), StoreResult::Done);
    QList<QByteArray> heldWhenMarked;
    QVERIFY(files.Write([&](const char* fileName) {
        heldWhenMarked << ReadFile(fileName);
        return true;
    }));
    QCOMPARE(heldWhenMarked, (QList<QByteArray>{oldIndiv, oldRep}));
    QVERIFY(ReadFile(kIndivFileName).contains("\tnew\t"));
    QVERIFY(ReadFile(kRepFileName).contains("new rep"));
}

void DataFileSetTest::shouldLeaveTheFileOfAMergeItCouldNotAdopt() {
    WriteDataFiles({Indiv(2024, 5, 20, 9, 0, "mine", Progress::Open)},
                   {Rep("rep", Progress::Open)});
    DataFileSet files;
    QVERIFY(files.Load().isEmpty());
    // What a merge wrote to the file; the list is to take it in.
    WriteDataFiles({Indiv(2024, 5, 20, 9, 0, "mine", Progress::Open),
                    Indiv(2024, 5, 21, 9, 0, "theirs", Progress::Open)},
                   {Rep("rep", Progress::Open)});
    const QByteArray merged = ReadFile(kIndivFileName);
    std::vector<RecordText> records;
    for (const char* title : {"mine", "theirs"}) {
        IndivSubj subj = Indiv(2024, 5, title[0] == 'm' ? 20 : 21, 9, 0, title, Progress::Open);
        records.push_back(EncodeIndivSubj(subj));
    }
    {
        MemoryGone gone;
        QVERIFY(!files.Adopt(SubjKind::Indiv, records));
    }
    files.Indiv().current = Indiv(2024, 5, 20, 9, 0, "mine", Progress::Open);
    QCOMPARE(files.Indiv().Find(), StoreResult::Done);
    QCOMPARE(files.Indiv().Next(), StoreResult::NotFound);  // the list as it was

    // The older list is never written over the merge; the other file still is.
    files.Rep().current = Rep("added", Progress::Open);
    QCOMPARE(files.Rep().Insert(), StoreResult::Done);
    QVERIFY(!files.Write(Marked));
    QCOMPARE(ReadFile(kIndivFileName), merged);
    QVERIFY(ReadFile(kRepFileName).contains("added"));

    // Adopted with memory enough, the list holds the merge.
    DataFileSet later;
    QVERIFY(later.Adopt(SubjKind::Indiv, records));
    QCOMPARE(later.Indiv().First(), StoreResult::Done);
    QCOMPARE(later.Indiv().Next(), StoreResult::Done);
    QCOMPARE(later.Indiv().current.title, std::string("theirs"));
}

// Each save of a long list that changes one subject costs its versions about that
// subject: fifty leave the versions folder under twice the file, the backup is the
// newest version under another name, and every version kept reads back as the
// file was before the save that kept it.
void DataFileSetTest::shouldKeepFiftySavesOfOneSubjectInTwiceTheFile() {
    // The versions are dated by the file's time on the disk, so thinning runs by the same clock.
    ScopedClock realClock(std::time(nullptr));
    const auto subject = [](int n, Progress progress) {
        return Indiv(2024, 1 + n % 12, 1 + n % 28, n % 24, 0, "subject " + QString::number(n),
                     progress);
    };
    DataFileSet files;
    for (int n = 0; n < 3000; ++n) {
        files.Indiv().current = subject(n, Progress::Open);
        QCOMPARE(files.Indiv().Insert(), StoreResult::Done);
    }
    QVERIFY(files.Write(Marked));
    std::vector<std::string> before;  // the file before each save, oldest first
    for (int save = 0; save < 50; ++save) {
        before.push_back(ReadFile(kIndivFileName).toStdString());
        files.Indiv().current = subject(save * 61 % 3000, Progress::Done);
        realClock.Set(std::time(nullptr));
        QCOMPARE(files.Indiv().Replace(), StoreResult::Done);
        QVERIFY(files.Write(Marked));
    }

    const std::vector<KeptVersion> versions = ListVersions(kIndivFileName);
    // The newest of the day before as well, should the saves pass midnight.
    QVERIFY(versions.size() == kRecentVersionsKept || versions.size() == kRecentVersionsKept + 1);
    qint64 folderBytes = 0;
    for (const QFileInfo& file : QDir("versions").entryInfoList(QDir::Files)) {
        folderBytes += file.size();
    }
    QVERIFY2(folderBytes <= 2 * QFileInfo(kIndivFileName).size(),
             qPrintable(QString::number(folderBytes)));
    QVERIFY(!versions.back().asChanges);
    QCOMPARE(InodeOf("veskat_i.dat.bak"), InodeOf(versions.back().name));
    VersionReader reader;
    for (std::size_t k = versions.size(); k-- > 0;) {
        std::string bytes;
        QCOMPARE(reader.Read(versions[k].name, bytes), VersionRead::Read);
        QVERIFY(bytes == before[before.size() - versions.size() + k]);
    }
}

// The lists read while the window is built are taken only where the file is still the one read;
// a file a fetch replaced, or one rewritten in place to the same length, is loaded again. Either
// way the window holds and tells what a load of its own would have.
void DataFileSetTest::shouldTakeFromTheLoadAheadOnlyWhatItWouldLoadItself_data() {
    const QByteArray a = IndivLine(Indiv(2024, 5, 20, 9, 0, "aa", Progress::Open));
    const QByteArray b = IndivLine(Indiv(2024, 5, 21, 9, 0, "b", Progress::Done));
    const QByteArray other = IndivLine(Indiv(2024, 5, 20, 9, 0, "zz", Progress::Open));
    QTest::addColumn<QByteArray>("read");    // the file as the thread reads it
    QTest::addColumn<QByteArray>("loaded");  // as the window loads it; null when missing
    QTest::addColumn<bool>("replaced");      // put in place by a rename, as a fetch does
    QTest::addColumn<QByteArray>("holds");   // what the list saves as
    QTest::addColumn<QStringList>("notices");
    const QByteArray clean = kIndivHeader + a + b;
    QTest::newRow("unchanged") << clean << clean << false << clean << QStringList();
    QTest::newRow("unchanged, a line repeated")
        << kIndivHeader + a + a + b << kIndivHeader + a + a + b << false << clean
        << QStringList{
               QStringLiteral("個別案件ファイル veskat_i.dat の 1 行を読み込めませんでした。\n"
                              "元のファイルを %1 として残しました。")
                   .arg(kIndivCopy)};
    QTest::newRow("replaced") << kIndivHeader + a << clean << true << clean << QStringList();
    QTest::newRow("rewritten in place to the same length")
        << kIndivHeader + a << kIndivHeader + other << false << kIndivHeader + other
        << QStringList();
    QTest::newRow("removed") << clean << QByteArray() << false << kIndivHeader << QStringList();
}

void DataFileSetTest::shouldTakeFromTheLoadAheadOnlyWhatItWouldLoadItself() {
    QFETCH(QByteArray, read);
    QFETCH(QByteArray, loaded);
    QFETCH(bool, replaced);
    QFETCH(QByteArray, holds);
    QFETCH(QStringList, notices);
    WriteFile(kIndivFileName, read);
    // Saved long ago, as a file is that a start-up reads.
    const timespec longAgo[2] = {{1600000000, 0}, {1600000000, 0}};
    QCOMPARE(::utimensat(AT_FDCWD, kIndivFileName, longAgo, 0), 0);
    LoadAhead ahead;
    RepSubjList scratch;
    QVERIFY(ahead.Take(scratch).has_value());  // once the thread has read both files
    if (loaded.isNull()) {
        QVERIFY(QFile::remove(kIndivFileName));
    } else if (replaced) {
        WriteFile("fetched.tmp", loaded);
        QCOMPARE(::rename("fetched.tmp", kIndivFileName), 0);
    } else if (loaded != read) {
        QFile file(kIndivFileName);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QCOMPARE(file.write(loaded), loaded.size());
    }
    DataFileSet files;
    QCOMPARE(files.Load(&ahead), notices);
    QVERIFY(files.Indiv().SavesAs(holds.toStdString()));
    QVERIFY(!ahead.Take(files.Indiv()).has_value());  // taken once at most
    // The rows the thread put in order serve the first fill only where the list is its load.
    const std::optional<LoadAhead::Rows> ordered = ahead.TakeIndivRows();
    QVERIFY(ordered.has_value());
    SubjListRows rows;
    rows.UseLoaded(ordered->rows, ordered->revision);
    const SubjTree& tree = files.Indiv().Tree();
    QVERIFY(rows.RowsOf(tree, SubjListRows::Kind::Indiv) ==
            SubjListRows::InListOrder(tree, SubjListRows::Kind::Indiv));
}

QTEST_MAIN(DataFileSetTest)
#include "DataFileSetTest.moc"
