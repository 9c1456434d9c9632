// Two copies of the program in two working folders, sharing one FTPS server
// and saving in turn, through their main windows: every change of either
// reaches both, a subject both changed differently is kept aside in a
// conflict file, the subjects the batch makes on both merge without a
// conflict, and after every step each base copy equals the server's file.
#include <QAction>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <set>

#include "BaseCopy.h"
#include "FtpServer.h"
#include "ResourceIds.h"
#include "ScriptedMessageService.h"
#include "ServerSync.h"
#include "SubjListDlg.h"
#include "SubjListView.h"
#include "WindowTestSupport.h"

namespace {

constexpr int kSaveButton = 1009;

// One computer: its working folder, its message boxes and its main window.
struct Computer {
    QTemporaryDir dir;
    ScriptedMessageService messages;
    std::unique_ptr<CSubjListDlg> window;

    void Enter() const { QDir::setCurrent(dir.path()); }
};

std::string Lf(std::string text) {
    std::erase(text, '\r');
    return text;
}

QString Taken(int count) {
    return QStringLiteral("他のコンピューターでの個別案件の変更を %1 件取り込みました。")
        .arg(count);
}

// The titles of the individual subjects `list` holds, as UTF-8.
std::multiset<QString> Titles(IndivSubjList& list) {
    std::multiset<QString> titles;
    for (StoreResult r = list.First(); r == StoreResult::Done; r = list.Next()) {
        titles.insert(SjisToQString(list.current.title));
    }
    return titles;
}

}  // namespace

class TwoComputersTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void shouldLoseNothingWhenTwoComputersSaveInTurn();
    void shouldMergeWhatTheBatchMakesOnBothWithoutConflict();

  private:
    void StartUp(Computer& computer);
    void Save(Computer& computer);
    // The base copies of `computer` hold what the server holds.
    void CheckBases(const Computer& computer);
    // The subject of `list` titled `title` into `current`; false when none.
    static bool FindTitled(IndivSubjList& list, const QString& title);
    void Edit(Computer& computer, const QString& title, const QString& content);

    std::unique_ptr<FtpServer> server_;
    std::unique_ptr<Computer> a_;
    std::unique_ptr<Computer> b_;
    QString oldDir_;
    std::unique_ptr<ScopedClock> clock_;
};

void TwoComputersTest::init() {
    oldDir_ = QDir::currentPath();
    clock_ = std::make_unique<ScopedClock>(LocalTime::Make(2024, 5, 15, 12, 30, 20));
    server_ = std::make_unique<FtpServer>(FtpServer::Security::TlsRequired);
    QVERIFY(server_->Running());
    a_ = std::make_unique<Computer>();
    b_ = std::make_unique<Computer>();
    // What both computers start from, on the server.
    a_->Enter();
    WriteDataFiles(
        {
            Indiv(2024, 6, 1, 9, 0, "both keep", Progress::Open),
            Indiv(2024, 6, 2, 9, 0, "a edits", Progress::Open),
            Indiv(2024, 6, 3, 9, 0, "b edits", Progress::Open),
            Indiv(2024, 6, 4, 9, 0, "a deletes", Progress::Open),
            Indiv(2024, 6, 5, 9, 0, "b deletes", Progress::Open),
            Indiv(2024, 6, 6, 9, 0, "both edit", Progress::Open),
        },
        {Rep("weekly", Progress::Open)});
    server_->PutServerFile("srv_i.dat", Lf(ReadFile(kIndivFileName).toStdString()));
    server_->PutServerFile("srv_r.dat", Lf(ReadFile(kRepFileName).toStdString()));
    QVERIFY(QFile::remove(kIndivFileName) && QFile::remove(kRepFileName));
    const QByteArray ini = QStringLiteral(
                               "[FTP]\r\nftpmode=TRUE\r\nuserid=%1\r\nhostname=127.0.0.1\r\n"
                               "port=%2\r\nftpindivsubjpath=srv_i.dat\r\n"
                               "ftprepsubjpath=srv_r.dat\r\nftptls=%3\r\nftpcafile=%4\r\n")
                               .arg(FtpServer::kUser)
                               .arg(server_->Port())
                               .arg(server_->RequiresTls() ? "TRUE" : "FALSE")
                               .arg(QString::fromStdString(server_->CertFile()))
                               .toUtf8();
    for (Computer* computer : {a_.get(), b_.get()}) {
        computer->Enter();
        WriteFile("veskat.ini", ini);
    }
}

void TwoComputersTest::cleanup() {
    QDir::setCurrent(oldDir_);
    a_.reset();
    b_.reset();
    server_.reset();
    clock_.reset();
}

void TwoComputersTest::StartUp(Computer& computer) {
    computer.Enter();
    computer.window = std::make_unique<CSubjListDlg>(computer.messages);
    computer.window->Settings().password = FtpServer::kPassword;
    computer.window->OnInitDialog();
    computer.window->show();
    QVERIFY(computer.messages.Texts().isEmpty());
    CheckBases(computer);
}

void TwoComputersTest::Save(Computer& computer) {
    computer.Enter();
    computer.messages.Clear();
    computer.window->Control<QPushButton>(kSaveButton)->click();
    QVERIFY(!HasUnsentMarker(kIndivFileName) && !HasUnsentMarker(kRepFileName));
    // What was sent is what this computer now holds.
    QCOMPARE(server_->ServerFile("srv_i.dat"), Lf(ReadFile(kIndivFileName).toStdString()));
    CheckBases(computer);
}

void TwoComputersTest::CheckBases(const Computer& computer) {
    computer.Enter();
    QCOMPARE(Lf(ReadBaseCopy(kIndivFileName).bytes), server_->ServerFile("srv_i.dat"));
    QCOMPARE(Lf(ReadBaseCopy(kRepFileName).bytes), server_->ServerFile("srv_r.dat"));
}

bool TwoComputersTest::FindTitled(IndivSubjList& list, const QString& title) {
    for (StoreResult r = list.First(); r == StoreResult::Done; r = list.Next()) {
        if (SjisToQString(list.current.title) == title) {
            return true;
        }
    }
    return false;
}

void TwoComputersTest::Edit(Computer& computer, const QString& title, const QString& content) {
    IndivSubjList& list = computer.window->IndivList();
    QVERIFY(FindTitled(list, title));
    list.current.content = Sjis(content);
    QCOMPARE(list.Replace(), StoreResult::Done);
}

void TwoComputersTest::shouldLoseNothingWhenTwoComputersSaveInTurn() {
    StartUp(*a_);
    StartUp(*b_);

    // A adds, edits and deletes, and saves first: nothing to merge.
    IndivSubjList& listA = a_->window->IndivList();
    listA.current = Indiv(2024, 6, 10, 9, 0, "a adds", Progress::Open);
    QCOMPARE(listA.Insert(), StoreResult::Done);
    Edit(*a_, "a edits", "by a");
    QVERIFY(FindTitled(listA, "a deletes"));
    QCOMPARE(listA.Remove(), StoreResult::Done);
    Save(*a_);
    QVERIFY(a_->messages.Texts().isEmpty());

    // B, started before A's save, does the same to other subjects; its save
    // takes A's three changes in, shows them and sends the whole.
    IndivSubjList& listB = b_->window->IndivList();
    listB.current = Indiv(2024, 6, 11, 9, 0, "b adds", Progress::Open);
    QCOMPARE(listB.Insert(), StoreResult::Done);
    Edit(*b_, "b edits", "by b");
    QVERIFY(FindTitled(listB, "b deletes"));
    QCOMPARE(listB.Remove(), StoreResult::Done);
    Save(*b_);
    QCOMPARE(b_->messages.Texts(), QStringList{Taken(3)});
    // What B saved before A's changes came in stays among its versions.
    b_->Enter();
    const QFileInfoList versions =
        QDir("versions").entryInfoList({"veskat_i.dat.*"}, QDir::Files, QDir::Name);
    QVERIFY(!versions.isEmpty());
    const QByteArray beforeMerge = ReadFile(versions.last().filePath());
    QVERIFY(beforeMerge.contains("b adds") && !beforeMerge.contains("a adds"));
    // Undo stops at the merge, and the 編集 menu says why; what B does after it can be undone.
    QAction* undo = b_->window->MenuAction(MainDialogIds::kUndoMenuId);
    QAction* stop = b_->window->MenuAction(MainDialogIds::kUndoStopMenuId);
    QVERIFY(!undo->isEnabled() && stop->isVisible() && !stop->isEnabled());
    QCOMPARE(stop->text(), QStringLiteral("他のコンピューターでの変更を取り込んだため、"
                                          "これより前には戻せません"));
    QVERIFY(!b_->window->Unsaved());
    b_->window->ListView()->SelectRow(0);
    b_->window->OnToggleDone();
    QVERIFY(undo->isEnabled() && !stop->isVisible() && b_->window->Unsaved());
    b_->window->OnUndo();
    QVERIFY(!undo->isEnabled() && stop->isVisible() && !b_->window->Unsaved());
    const std::multiset<QString> expected = {"both keep", "a edits", "b edits",
                                             "both edit", "a adds",  "b adds"};
    QCOMPARE(Titles(listB), expected);
    QCOMPARE(b_->window->ListView()->RowCount(), 6);
    QVERIFY(FindTitled(listB, "a edits"));
    QCOMPARE(listB.current.content, std::string("by a"));

    // A's next save takes B's three changes; both now hold the same file.
    Save(*a_);
    QCOMPARE(a_->messages.Texts(), QStringList{Taken(3)});
    QCOMPARE(Titles(listA), expected);
    QCOMPARE(a_->window->ListView()->RowCount(), 6);
    a_->Enter();
    const QByteArray fileA = ReadFile(kIndivFileName);
    b_->Enter();
    QCOMPARE(ReadFile(kIndivFileName), fileA);

    // Both change one subject differently: B's save keeps its own and puts
    // A's aside; nothing of either is lost.
    Edit(*a_, "both edit", "a's version");
    Save(*a_);
    Edit(*b_, "both edit", "b's version");
    Save(*b_);
    const QString conflictFile = "veskat_i.dat.conflict-20240515-123020";
    QCOMPARE(b_->messages.Texts(),
             QStringList{
                 QStringLiteral("食い違った個別案件 1 件は %1 に残しました。").arg(conflictFile)});
    QVERIFY(FindTitled(listB, "both edit"));
    QCOMPARE(listB.current.content, std::string("b's version"));
    b_->Enter();
    IndivSubjList aside;
    QCOMPARE(aside.Load(conflictFile.toStdString()), StoreResult::Done);
    QVERIFY(FindTitled(aside, "both edit"));
    QCOMPARE(aside.current.content, std::string("a's version"));
    QCOMPARE(Titles(aside).size(), std::size_t{1});

    // A takes B's version in at its next save.
    Save(*a_);
    QCOMPARE(a_->messages.Texts(), QStringList{Taken(1)});
    QVERIFY(FindTitled(listA, "both edit"));
    QCOMPARE(listA.current.content, std::string("b's version"));
}

void TwoComputersTest::shouldMergeWhatTheBatchMakesOnBothWithoutConflict() {
    StartUp(*a_);
    StartUp(*b_);
    for (Computer* computer : {a_.get(), b_.get()}) {
        computer->messages.QueueAnswer(MessageAnswer::Yes);
        computer->window->OnBatch();
    }
    const std::multiset<QString> generated = Titles(a_->window->IndivList());
    QVERIFY(generated.count("weekly") > 1);
    Save(*a_);
    Save(*b_);
    // The same subjects made on both sides are one change taken once.
    QVERIFY(b_->messages.Texts().isEmpty());
    QCOMPARE(Titles(b_->window->IndivList()), generated);
    b_->Enter();
    QVERIFY(QDir().entryList({"*.conflict-*"}).isEmpty());
    QCOMPARE(server_->ServerFile("srv_i.dat"), [this] {
        a_->Enter();
        return Lf(ReadFile(kIndivFileName).toStdString());
    }());
}

QTEST_MAIN(TwoComputersTest)
#include "TwoComputersTest.moc"
