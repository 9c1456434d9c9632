// Saving with the server on, through the main window against a real FTP
// server: each data file's unsent marker is on the disk before the file
// changes and goes only once that file was sent, so that neither a save that
// fails halfway nor an upload that dies lets the next start-up fetch the
// server's older copy over the newer local file.
#include <QDir>
#include <QPushButton>
#include <QTest>

#include "ConnectSettings.h"
#include "ResourceIds.h"
#include "ScriptedMessageService.h"
#include "ServerTestSupport.h"
#include "SubjListDlg.h"
#include "SubjListView.h"

namespace {

const QString kKeptLocal = QStringLiteral(
    "前回サーバーへ送信できなかった変更があるため、このコンピューター上のファイルを使います。\n"
    "サーバーのファイルは名前に「.server」を付けて保存しました。");
const QString kNewestIsLocal = QStringLiteral("最新ファイルはこのコンピューター上にあります。");

}  // namespace

class ServerSaveTest : public WindowTestCase {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void shouldMarkEachFileBeforeItChangesAndClearItOnceSent();
    void shouldKeepTheWrittenFileWhenTheOtherCannotBeReplaced();
    void shouldKeepBothMarkersWhenTheServerDiesDuringTheUpload();
    void shouldMergeAtStartUpWhatAnotherComputerSavedMeanwhile();
    void shouldLeaveAFileAloneWhoseMarkerCannotBeWritten();
    void shouldFetchIntoAMarkedFileThatIsGone();
    void shouldTellWhenABaseCopyCannotBeWritten();
    void shouldSendAnUnchangedFileThatStillCarriesItsMarker();

  private:
    // The window through its start-up against the server of ./veskat.ini.
    std::unique_ptr<CSubjListDlg> StartUp();
    // The server holds the old copies of both files; start-up fetches them.
    void ServeOldCopies(const FtpServer& server) const;
    void AddSubject(CSubjListDlg& window, const char* title) const;
    // An individual file as another computer saved it: "old" and "other".
    QByteArray OtherComputersFile() const;

    std::unique_ptr<FtpServer> server_;
    QByteArray oldIndiv_;
    QByteArray oldRep_;
};

void ServerSaveTest::init() {
    server_ = std::make_unique<FtpServer>();
    QVERIFY(server_->Running());
    EnterFreshFolder();
    WriteDataFiles({Indiv(2024, 5, 20, 9, 0, "old", Progress::Open)}, {Rep("r", Progress::Open)});
    oldIndiv_ = ReadFile(kIndivFileName);
    oldRep_ = ReadFile(kRepFileName);
    QVERIFY(QFile::remove(kIndivFileName) && QFile::remove(kRepFileName));
    ServeOldCopies(*server_);
    WriteServerIni(*server_);
}

void ServerSaveTest::cleanup() {
    LeaveFolder();
    server_.reset();
}

void ServerSaveTest::ServeOldCopies(const FtpServer& server) const {
    server.PutServerFile("srv_i.dat", Lf(oldIndiv_));
    server.PutServerFile("srv_r.dat", Lf(oldRep_));
}

std::unique_ptr<CSubjListDlg> ServerSaveTest::StartUp() {
    auto window = std::make_unique<CSubjListDlg>(messages_);
    window->Settings().password = FtpServer::kPassword;
    window->OnInitDialog();
    window->show();
    return window;
}

void ServerSaveTest::AddSubject(CSubjListDlg& window, const char* title) const {
    window.IndivList().current = Indiv(2024, 6, 1, 10, 0, QString::fromUtf8(title), Progress::Open);
    QCOMPARE(window.IndivList().Insert(), StoreResult::Done);
}

void ServerSaveTest::shouldMarkEachFileBeforeItChangesAndClearItOnceSent() {
    auto window = StartUp();
    QVERIFY(messages_.Texts().isEmpty());
    QCOMPARE(ReadFile(kIndivFileName), oldIndiv_);
    AddSubject(*window, "new");
    window->RepList().current = Rep("new rep", Progress::Open);
    QCOMPARE(window->RepList().Insert(), StoreResult::Done);
    bool bothMarkedAtSend = false;
    WhenServerWorkBegins(this, [&] {
        bothMarkedAtSend = HasMarker(kIndivFileName) && HasMarker(kRepFileName) &&
                           ReadFile(kIndivFileName).contains("\tnew\t");
    });
    window->Control<QPushButton>(1009)->click();
    QVERIFY(bothMarkedAtSend);

    QVERIFY(messages_.Texts().isEmpty());
    QVERIFY(!HasMarker(kIndivFileName) && !HasMarker(kRepFileName));
    QCOMPARE(server_->ServerFile("srv_i.dat"), Lf(ReadFile(kIndivFileName)));
    QVERIFY(ReadFile(kIndivFileName).contains("\tnew\t"));
}

// The case where 43 of 44 subjects went: one file written, the other not, and
// the next start-up fetching the server's copy over the written one.
void ServerSaveTest::shouldKeepTheWrittenFileWhenTheOtherCannotBeReplaced() {
    auto window = StartUp();
    AddSubject(*window, "new");
    QVERIFY(QFile::remove(kRepFileName));
    QVERIFY(QDir().mkpath(QString(kRepFileName) + "/in the way"));
    window->Control<QPushButton>(1009)->click();
    QCOMPARE(messages_.Texts(), QStringList{kSaveFailed});
    const QByteArray written = ReadFile(kIndivFileName);
    QVERIFY(written.contains("\tnew\t"));
    QVERIFY(HasMarker(kIndivFileName));
    QVERIFY(HasMarker(kRepFileName));
    QCOMPARE(server_->ServerFile("srv_i.dat"), Lf(oldIndiv_));  // nothing was sent
    messages_.QueueAnswer(MessageAnswer::Yes);                  // throw away what was not saved
    window->MenuAction(141)->trigger();

    messages_.Clear();
    window = StartUp();
    QCOMPARE(
        messages_.Texts(),
        (QStringList{kKeptLocal,
                     QStringLiteral("反復案件ファイル veskat_r.dat を読み込めませんでした。")}));
    QCOMPARE(ReadFile(kIndivFileName), written);
    // The server's individual file is still the base: nothing to keep of it.
    QVERIFY(!QFile::exists("veskat_i.dat.server"));
    QCOMPARE(ReadFile("veskat_r.dat.server"), oldRep_);
    QCOMPARE(window->ListView()->RowCount(), 2);

    // Once the way is clear, a save sends the kept work and the markers go.
    QVERIFY(QDir(kRepFileName).removeRecursively());
    messages_.Clear();
    window->Control<QPushButton>(1009)->click();
    QVERIFY(messages_.Texts().isEmpty());
    QCOMPARE(server_->ServerFile("srv_i.dat"), Lf(written));
    QVERIFY(!HasMarker(kIndivFileName) && !HasMarker(kRepFileName));
}

// As when the program is killed while an upload hangs: the markers were down
// before the files changed, and nothing but a finished upload lifts them.
void ServerSaveTest::shouldKeepBothMarkersWhenTheServerDiesDuringTheUpload() {
    auto window = StartUp();
    AddSubject(*window, "new");
    window->Settings().indivSubjPath = "cutoff_i.dat";  // the server stops in mid-upload
    window->Control<QPushButton>(1009)->click();
    QCOMPARE(messages_.Texts(),
             (QStringList{QStringLiteral("個別案件の転送に失敗しました。\n") + kNewestIsLocal,
                          QStringLiteral("反復案件の転送に失敗しました。\n") + kNewestIsLocal}));
    const QByteArray written = ReadFile(kIndivFileName);
    QVERIFY(written.contains("\tnew\t"));
    QVERIFY(HasMarker(kIndivFileName) && HasMarker(kRepFileName));
    window.reset();

    server_ = std::make_unique<FtpServer>();
    QVERIFY(server_->Running());
    ServeOldCopies(*server_);
    WriteServerIni(*server_);
    messages_.Clear();
    window = StartUp();
    // The server's copy is still the one this computer last fetched, so the
    // local file simply stands; its marker stays until it is sent.
    QVERIFY(messages_.Texts().isEmpty());
    QCOMPARE(ReadFile(kIndivFileName), written);
    QVERIFY(!QFile::exists("veskat_i.dat.server"));
    QVERIFY(HasMarker(kIndivFileName));
    QCOMPARE(window->ListView()->RowCount(), 2);
}

// Unsent work meets another computer's save at the next start-up: both are
// merged into the local file, which stays marked until a save sends it.
void ServerSaveTest::shouldMergeAtStartUpWhatAnotherComputerSavedMeanwhile() {
    auto window = StartUp();
    AddSubject(*window, "new");
    window->Settings().password = "wrong";
    window->Control<QPushButton>(1009)->click();
    QCOMPARE(messages_.Texts().size(), 1);
    window.reset();

    const QByteArray other = OtherComputersFile();
    server_->PutServerFile("srv_i.dat", Lf(other));
    messages_.Clear();
    window = StartUp();
    QCOMPARE(
        messages_.Texts(),
        QStringList{QStringLiteral("他のコンピューターでの個別案件の変更を 1 件取り込みました。")});
    const QByteArray merged = ReadFile(kIndivFileName);
    QVERIFY(merged.contains("\tnew\t") && merged.contains("\tother\t") &&
            merged.contains("\told\t"));
    QCOMPARE(ReadFile("veskat_i.dat.base"), other);
    QVERIFY(!QFile::exists("veskat_i.dat.server"));
    QVERIFY(HasMarker(kIndivFileName));
    QCOMPARE(window->ListView()->RowCount(), 3);

    messages_.Clear();
    window->Control<QPushButton>(1009)->click();
    QVERIFY(messages_.Texts().isEmpty());
    QCOMPARE(server_->ServerFile("srv_i.dat"), Lf(merged));
    QCOMPARE(ReadFile("veskat_i.dat.base"), merged);
    QVERIFY(!HasMarker(kIndivFileName));
}

QByteArray ServerSaveTest::OtherComputersFile() const {
    IndivSubjList list;
    for (const IndivSubj& subj : {Indiv(2024, 5, 20, 9, 0, "old", Progress::Open),
                                  Indiv(2024, 7, 1, 8, 0, "other", Progress::Open)}) {
        list.current = subj;
        static_cast<void>(list.Insert());  // two keys, both new
    }
    static_cast<void>(list.Save("other_i.dat"));  // unsaved, the bytes below are empty
    const QByteArray bytes = ReadFile("other_i.dat");
    QFile::remove("other_i.dat");
    return bytes;
}

void ServerSaveTest::shouldLeaveAFileAloneWhoseMarkerCannotBeWritten() {
    auto window = StartUp();
    AddSubject(*window, "new");
    QVERIFY(QDir().mkpath(QString(kIndivFileName) + kUnsentSuffix + "/in the way"));
    window->Control<QPushButton>(1009)->click();
    QCOMPARE(messages_.Texts(), QStringList{kSaveFailed});
    QCOMPARE(ReadFile(kIndivFileName), oldIndiv_);
    QVERIFY(!QFile::exists("veskat_i.dat.bak"));
    QCOMPARE(server_->ServerFile("srv_i.dat"), Lf(oldIndiv_));
    QVERIFY(window->isVisible());
}

// A marker guards local changes; with the local file gone there are none, and
// the server's copy is all there is.
void ServerSaveTest::shouldFetchIntoAMarkedFileThatIsGone() {
    WriteFile(QString(kRepFileName) + kUnsentSuffix, "");
    auto window = StartUp();
    QVERIFY(messages_.Texts().isEmpty());
    QCOMPARE(ReadFile(kRepFileName), oldRep_);
    QVERIFY(!QFile::exists("veskat_r.dat.server"));
}

// The file is sent all the same; the base stays as it was, and the user hears
// that a later merge may bring back what was deleted since.
void ServerSaveTest::shouldTellWhenABaseCopyCannotBeWritten() {
    auto window = StartUp();
    QVERIFY(QFile::remove("veskat_i.dat.base"));
    QVERIFY(QDir().mkpath("veskat_i.dat.base/in the way"));
    AddSubject(*window, "new");
    window->Control<QPushButton>(1009)->click();
    QCOMPARE(messages_.Texts(), QStringList{QStringLiteral(
                                    "個別案件ファイルの基準コピーを書き込めませんでした。前の基準"
                                    "コピーのままなので、次に他のコンピューターの変更と合わせる"
                                    "とき、その後に削除した案件が戻ることがあります。")});
    QCOMPARE(server_->ServerFile("srv_i.dat"), Lf(ReadFile(kIndivFileName)));
    QVERIFY(!HasMarker(kIndivFileName));
    QVERIFY(QFileInfo("veskat_i.dat.base/in the way").isDir());
}

// A save writes only the files it changes, but sends every file whose
// changes the server has not got yet.
void ServerSaveTest::shouldSendAnUnchangedFileThatStillCarriesItsMarker() {
    auto window = StartUp();
    window->RepList().current = Rep("new rep", Progress::Open);
    QCOMPARE(window->RepList().Insert(), StoreResult::Done);
    window->Settings().repSubjPath = "no such folder/srv_r.dat";
    window->Control<QPushButton>(1009)->click();
    QVERIFY(HasMarker(kRepFileName));
    const QByteArray rep = ReadFile(kRepFileName);
    QVERIFY(rep.contains("new rep"));

    window->Settings().repSubjPath = "srv_r.dat";
    AddSubject(*window, "new");
    const QByteArray repBackup = ReadFile("veskat_r.dat.bak");
    messages_.Clear();
    window->Control<QPushButton>(1009)->click();
    // The individual file only was replaced.
    QCOMPARE(ReadFile(kRepFileName), rep);
    QCOMPARE(ReadFile("veskat_r.dat.bak"), repBackup);
    QCOMPARE(server_->ServerFile("srv_r.dat"), Lf(rep));
    QVERIFY(!HasMarker(kRepFileName) && !HasMarker(kIndivFileName));
    QVERIFY(messages_.Texts().isEmpty());
}

QTEST_MAIN(ServerSaveTest)
#include "ServerSaveTest.moc"
