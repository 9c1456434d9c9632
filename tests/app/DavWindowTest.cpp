// The main window with CalDAV on, against Radicale on 127.0.0.1 with
// python3-caldav as the other device: the start-up sync and what it says,
// a save the other device sees, an edit of a subject's date and title that
// stays the same item there, 同期 (F5), a server that cannot be reached,
// where the password comes from: the prompt, the keyring (under
// keyring_session.sh) or, with no keyring answering, the prompt again; and
// the light look every few minutes, its interval shortened.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTcpServer>
#include <QTest>

#include "DavServer.h"
#include "DialogIndivSubj.h"
#include "DialogRepSubj.h"
#include "PasswordKeyring.h"
#include "PromptScript.h"
#include "QuietQuestions.h"
#include "ResourceIds.h"
#include "SaveSession.h"
#include "ServerWatch.h"
#include "SjisCodec.h"
#include "SubjListDlg.h"
#include "SubjListView.h"
#include "SyncWorld.h"
#include "TransferProgressDlg.h"
#include "WindowTestSupport.h"

namespace {

const QString kPromptCaption = QStringLiteral("CalDAVパスワード");
const QString kNotKept = QStringLiteral("パスワードをキーリングに保存できませんでした");
const char* const kUrlKey = "url=";

// The window, with the settings read again as a start would read them.
class DavWindow : public CSubjListDlg {
  public:
    using CSubjListDlg::CSubjListDlg;
    void LoadSettings() { Session().LoadSettings(); }
};

// How the prompt was answered: each time, its caption and whether the box
// came ticked.
struct Prompts {
    int shown = 0;
    QStringList captions;
    QList<bool> ticked;
};

// Answers the next password prompt with `password`, ticking
// "パスワードを保存する" when `keep`.
void AnswerPrompt(Prompts* prompts, const char* password, bool keep) {
    WhenShown<CPassword>([=](CPassword* dialog) {
        ++prompts->shown;
        prompts->captions << dialog->windowTitle();
        auto* box = dialog->Control<QCheckBox>(PasswordDialogIds::kSavePasswordId);
        prompts->ticked << box->isChecked();
        box->setChecked(keep);
        dialog->Control<QLineEdit>(PasswordDialogIds::kPasswordEdit)
            ->setText(QString::fromUtf8(password));
        Button(dialog, 1)->click();
    });
}

// A port on 127.0.0.1 where nothing listens.
int DeadPort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 1;
}

// The window's light look every `every`, and what each look came to, in order.
class Looks : public QObject {
  public:
    explicit Looks(CSubjListDlg& window) {
        window.Watch().SetInterval(std::chrono::milliseconds(30));
        connect(&window.Watch(), &ServerWatch::Looked, this,
                [this](ProbeOutcome outcome) { seen.push_back(outcome); });
    }
    // Waits (boundedly) until a look from now on comes to `outcome`.
    bool WaitFor(ProbeOutcome outcome) {
        seen.clear();
        return QTest::qWaitFor([&] { return seen.contains(outcome); }, 15000);
    }

    QList<ProbeOutcome> seen;
};

bool AnyContains(const QStringList& texts, const QString& part) {
    return std::any_of(texts.begin(), texts.end(),
                       [&](const QString& text) { return text.contains(part); });
}

}  // namespace

class DavWindowTest : public WindowTestCase {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void shouldTakeInTheOtherDevicesChangeAtStartUpAndSaySo();
    void shouldSendASaveAndTakeInWhatF5Finds();
    void shouldKeepTheItemOfASubjectEditedToAnotherDateAndTitle();
    void shouldKeepTheCompanionItemOfARepeatingSubjectRetitledAndUndone();
    void shouldLetTheUserWorkWhileTheServerIsAwayAndSendAtTheNextSave();
    void shouldAskEachStartWhenNoKeyringAnswers();
    void shouldKeepThePasswordInTheKeyringAndReplaceARefusedOne();
    void shouldTakeInWhatALookFindsAsAMergeKeepingTheSelection_data();
    void shouldTakeInWhatALookFindsAsAMergeKeepingTheSelection();
    void shouldTakeNothingInWhileSomethingIsUnsavedOrADialogIsOpen();
    void shouldLookInSilenceAtAServerAwayOrHung();
    void shouldHoldTheWindowOffDuringTheLooksSyncAndShowTheDialogOnlyWhenSlow();

  private:
    // With `companion`, the repeating subjects sync with it.
    void WriteIni(const QUrl& list, const QUrl& companion = {}) const;
    std::unique_ptr<DavWindow> StartUp();
    // The window started with the password given at the prompt.
    std::unique_ptr<DavWindow> StartUpWithPassword();
    bool PeerAdds(const char* uid, const char* summary, const char* due);

    std::unique_ptr<DavServer> server_;
    QUrl list_;
    std::unique_ptr<CaldavPeer> peer_;
};

void DavWindowTest::init() {
    server_ = std::make_unique<DavServer>(DavServer::Kind::Radicale);
    QVERIFY2(server_->Running(), server_->Output().c_str());
    list_ = MakeList(*server_, "tasks");
    peer_ = std::make_unique<CaldavPeer>(list_);
    EnterFreshFolder();
    WriteDataFiles({}, {});
    WriteIni(list_);
}

void DavWindowTest::cleanup() {
    LeaveFolder();
    peer_.reset();
    server_.reset();
}

// The FTP section is there and on: CalDAV takes precedence.
void DavWindowTest::WriteIni(const QUrl& list, const QUrl& companion) const {
    WriteFile(QString::fromLatin1(kIniFileName),
              QByteArray("[FTP]\r\nftpmode=TRUE\r\nhostname=127.0.0.1\r\nport=1\r\n"
                         "[CalDAV]\r\ndavmode=TRUE\r\n") +
                  kUrlKey + list.toEncoded() + "\r\nrepurl=" + companion.toEncoded() +
                  "\r\nuserid=" + DavServer::kUser + "\r\n");
}

std::unique_ptr<DavWindow> DavWindowTest::StartUp() {
    return OpenWindow<DavWindow>(messages_);
}

void DavWindowTest::shouldTakeInTheOtherDevicesChangeAtStartUpAndSaySo() {
    QVERIFY(peer_
                ->Call({{"op", "add"},
                        {"uid", "phone-1"},
                        {"summary", "歯医者"},
                        {"due", "20240520"}})["ok"]
                .toBool());
    Prompts prompts;
    AnswerPrompt(&prompts, DavServer::kPassword, false);
    auto window = StartUp();
    QCOMPARE(prompts.shown, 1);
    QCOMPARE(prompts.captions, QStringList{kPromptCaption});
    QCOMPARE(SortedTitles(window->IndivList()), QStringList{QStringLiteral("歯医者")});
    QVERIFY2(messages_.Texts().contains(QStringLiteral("他の機器での変更を 1 件取り込みました。")),
             qPrintable(messages_.Texts().join('\n')));
    // No FTP step ran: it would have asked to work offline.
    QCOMPARE(messages_.UnscriptedQuestions(), 0);
    QVERIFY(!QFile::exists(QStringLiteral("veskat_i.dat.unsent")));
}

// The subject goes to the server at the save; the phone ticks it off; F5
// shows it done, and the lists on screen are the file's.
void DavWindowTest::shouldSendASaveAndTakeInWhatF5Finds() {
    Prompts prompts;
    AnswerPrompt(&prompts, DavServer::kPassword, false);
    auto window = StartUp();
    QCOMPARE(messages_.Texts(), QStringList());
    window->IndivList().current = Indiv(2024, 5, 21, 10, 0, QStringLiteral("会議"), Progress::Open);
    QCOMPARE(window->IndivList().Insert(), StoreResult::Done);
    QVERIFY(window->OnSave());
    const QJsonObject sent = CaldavPeer::BySummary(peer_->Items(), QStringLiteral("会議"));
    QVERIFY(!sent.isEmpty());
    QCOMPARE(sent["status"].toString(), QStringLiteral("NEEDS-ACTION"));

    QVERIFY(peer_->Call({{"op", "complete"}, {"uid", sent["uid"]}})["ok"].toBool());
    Activate(window.get());
    QTest::keyClick(window.get(), Qt::Key_F5);
    QCOMPARE(window->IndivList().First(), StoreResult::Done);
    QCOMPARE(window->IndivList().current.progress, Progress::Done);
    QCOMPARE(window->ListView()->model()->rowCount(), 1);
    QVERIFY(
        AnyContains(messages_.Texts(), QStringLiteral("他の機器での変更を 1 件取り込みました。")));
    QCOMPARE(prompts.shown, 1);  // the password is held for the run
}

// The phone's to-do, with what only the phone sets, is edited in the window's
// editor to another day and title: at the save it is the same item there
// (UID and href), with the new SUMMARY and DUE and the phone's CATEGORIES and
// VALARM, and no other item came.
void DavWindowTest::shouldKeepTheItemOfASubjectEditedToAnotherDateAndTitle() {
    QVERIFY(peer_
                ->Call({{"op", "add"},
                        {"uid", "phone-3"},
                        {"summary", "歯医者"},
                        {"due", "20240520"},
                        {"categories", QJsonArray{QStringLiteral("通院")}},
                        {"alarm", true}})["ok"]
                .toBool());
    const QString href =
        CaldavPeer::BySummary(peer_->Items(), QStringLiteral("歯医者"))["href"].toString();
    QVERIFY(!href.isEmpty());
    Prompts prompts;
    AnswerPrompt(&prompts, DavServer::kPassword, false);
    auto window = StartUp();
    Activate(window.get());
    window->ListView()->setFocus();
    window->ListView()->SelectRow(0);
    WhenEditorShown<CDialogIndivSubj>(this, [](CDialogIndivSubj& editor) {
        Choose(editor.Control<QComboBox>(IndivEditorIds::kDayList), 23);  // the 24th
        Retype(editor.Control<QLineEdit>(IndivEditorIds::kTitleEdit),
               QStringLiteral("歯医者 再診"));
        PressOk(editor);
    });
    QTest::keyClick(window->ListView(), Qt::Key_Return);
    QCOMPARE(SortedTitles(window->IndivList()), QStringList{QStringLiteral("歯医者 再診")});
    Activate(window.get());
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    QVERIFY(!window->windowTitle().startsWith(QLatin1Char('*')));

    const QJsonArray items = peer_->Items();
    QCOMPARE(items.size(), 1);
    const QJsonObject item = items[0].toObject();
    QCOMPARE(item["uid"].toString(), QStringLiteral("phone-3"));
    QCOMPARE(item["href"].toString(), href);
    QCOMPARE(item["summary"].toString(), QStringLiteral("歯医者 再診"));
    QCOMPARE(item["due"].toString(), QStringLiteral("20240524"));
    QCOMPARE(item["categories"].toArray(), QJsonArray{QStringLiteral("通院")});
    QCOMPARE(item["alarms"].toInt(), 1);
    QCOMPARE(messages_.UnscriptedQuestions(), 0);
}

// A repeating subject's title is its key: retitled in its editor, it stays
// the companion's item with the phone's CATEGORIES, through a save, an undo
// and the save after it.
void DavWindowTest::shouldKeepTheCompanionItemOfARepeatingSubjectRetitledAndUndone() {
    const QUrl repList = MakeList(*server_, "repeating");
    WriteIni(list_, repList);
    WriteDataFiles({}, {Rep(Sjis(QStringLiteral("朝礼")), Progress::Open)});
    auto window = StartUpWithPassword();
    CaldavPeer repPeer(repList);
    const QJsonObject sent = CaldavPeer::BySummary(repPeer.Items(), QStringLiteral("朝礼"));
    QVERIFY(repPeer
                .Call({{"op", "edit"},
                       {"uid", sent["uid"]},
                       {"categories", QJsonArray{QStringLiteral("職場")}}})["ok"]
                .toBool());
    QTest::keyClick(window.get(), Qt::Key_F5);
    window->Control<QRadioButton>(MainDialogIds::kRepRadioId)->click();
    window->ListView()->setFocus();
    window->ListView()->SelectRow(0);
    WhenEditorShown<CDialogRepSubj>(this, [](CDialogRepSubj& editor) {
        Retype(editor.Control<QLineEdit>(RepEditorIds::kTitleEdit), QStringLiteral("朝礼 全体"));
        PressOk(editor);
    });
    QTest::keyClick(window->ListView(), Qt::Key_Return);
    for (const QString& title : {QStringLiteral("朝礼 全体"), QStringLiteral("朝礼")}) {
        QVERIFY(window->OnSave());
        const QJsonArray items = repPeer.Items();
        QCOMPARE(items.size(), 1);
        const QJsonObject item = items[0].toObject();
        QCOMPARE(item["uid"], sent["uid"]);
        QCOMPARE(item["href"], sent["href"]);
        QCOMPARE(item["summary"].toString(), title);
        QCOMPARE(item["categories"].toArray(), QJsonArray{QStringLiteral("職場")});
        window->MenuAction(MainDialogIds::kUndoMenuId)->trigger();
    }
    QCOMPARE(messages_.UnscriptedQuestions(), 0);
}

void DavWindowTest::shouldLetTheUserWorkWhileTheServerIsAwayAndSendAtTheNextSave() {
    QUrl away = list_;
    away.setPort(DeadPort());
    WriteIni(away);
    Prompts prompts;
    AnswerPrompt(&prompts, DavServer::kPassword, false);
    messages_.QueueAnswer(MessageAnswer::Yes);  // work offline
    auto window = StartUp();
    QCOMPARE(messages_.PendingAnswers(), std::size_t{0});
    QVERIFY(window->isVisible());
    window->IndivList().current = Indiv(2024, 5, 22, 9, 0, QStringLiteral("電車"), Progress::Open);
    QCOMPARE(window->IndivList().Insert(), StoreResult::Done);
    messages_.QueueAnswer(MessageAnswer::Yes);
    QVERIFY(window->OnSave());
    QCOMPARE(messages_.PendingAnswers(), std::size_t{0});
    QVERIFY(peer_->Items().isEmpty());

    // The server is back.
    WriteIni(list_);
    window->LoadSettings();
    QVERIFY(window->OnSave());
    QVERIFY(!CaldavPeer::BySummary(peer_->Items(), QStringLiteral("電車")).isEmpty());
    QCOMPARE(SortedTitles(window->IndivList()), QStringList{QStringLiteral("電車")});
    QCOMPARE(messages_.UnscriptedQuestions(), 0);
}

// The box ticked, nothing keeps it: the user is told, and the next start asks again.
void DavWindowTest::shouldAskEachStartWhenNoKeyringAnswers() {
    if (qEnvironmentVariable("VESKAT_TEST_KEYRING") == QLatin1String("gnome")) {
        QSKIP("without a keyring only");
    }
    Prompts prompts;
    AnswerPrompt(&prompts, DavServer::kPassword, true);
    StartUp().reset();
    QVERIFY(AnyContains(messages_.Texts(), kNotKept));
    AnswerPrompt(&prompts, DavServer::kPassword, false);
    StartUp().reset();
    QCOMPARE(prompts.shown, 2);
    QCOMPARE(prompts.ticked, (QList<bool>{false, false}));
}

// A wrong password is in the keyring: the server refuses it, the prompt comes
// with the box ticked, and the keyring then holds the right one, which the
// next start uses without asking.
void DavWindowTest::shouldKeepThePasswordInTheKeyringAndReplaceARefusedOne() {
    if (qEnvironmentVariable("VESKAT_TEST_KEYRING") != QLatin1String("gnome")) {
        QSKIP("needs keyring_session.sh");
    }
    PasswordKeyring keyring;
    const QString origin = list_.adjusted(QUrl::RemovePath).toString();
    QCOMPARE(keyring.Store(PasswordOf::CalDavServer, DavServer::kUser, origin, "stale"),
             KeyringOutcome::Done);
    Prompts prompts;
    AnswerPrompt(&prompts, DavServer::kPassword, true);
    StartUp().reset();
    QCOMPARE(prompts.shown, 1);
    QCOMPARE(prompts.ticked, QList<bool>{true});
    std::string kept;
    QCOMPARE(keyring.Read(PasswordOf::CalDavServer, DavServer::kUser, origin, kept),
             KeyringOutcome::Done);
    QCOMPARE(kept, std::string(DavServer::kPassword));

    QVERIFY(peer_
                ->Call({{"op", "add"},
                        {"uid", "phone-2"},
                        {"summary", "買い物"},
                        {"due", "20240523"}})["ok"]
                .toBool());
    auto window = StartUp();
    QCOMPARE(prompts.shown, 1);
    QCOMPARE(SortedTitles(window->IndivList()), QStringList{QStringLiteral("買い物")});
    QVERIFY(!AnyContains(messages_.Texts(), kNotKept));
}

std::unique_ptr<DavWindow> DavWindowTest::StartUpWithPassword() {
    Prompts prompts;
    AnswerPrompt(&prompts, DavServer::kPassword, false);
    return StartUp();
}

bool DavWindowTest::PeerAdds(const char* uid, const char* summary, const char* due) {
    return peer_->Call({{"op", "add"}, {"uid", uid}, {"summary", summary}, {"due", due}})["ok"]
        .toBool();
}

void DavWindowTest::shouldTakeInWhatALookFindsAsAMergeKeepingTheSelection_data() {
    QTest::addColumn<bool>("companion");
    QTest::newRow("a dated subject added") << false;
    QTest::newRow("a repeating subject retitled") << true;
}

// The phone adds a subject between two of this computer's, or retitles a
// repeating subject in the companion: it shows up without a word, the
// selected subject stays selected, undo stops there and the 編集 menu says
// why; the look after it finds nothing.
void DavWindowTest::shouldTakeInWhatALookFindsAsAMergeKeepingTheSelection() {
    QFETCH(bool, companion);
    const QUrl repList = MakeList(*server_, "repeating");
    WriteIni(list_, repList);
    WriteDataFiles({Indiv(2024, 5, 20, 9, 0, QStringLiteral("歯医者"), Progress::Open),
                    Indiv(2024, 5, 22, 9, 0, QStringLiteral("会議"), Progress::Open)},
                   {Rep(Sjis(QStringLiteral("朝礼")), Progress::Open)});
    auto window = StartUpWithPassword();
    CaldavPeer repPeer(repList);
    const QJsonArray repItems = repPeer.Items();
    QCOMPARE(repItems.size(), 1);
    window->ListView()->SelectRow(1);
    window->OnToggleDone();
    QVERIFY(window->OnSave());
    QAction* undo = window->MenuAction(MainDialogIds::kUndoMenuId);
    QAction* stop = window->MenuAction(MainDialogIds::kUndoStopMenuId);
    QVERIFY(undo->isEnabled() && !stop->isVisible());
    const QStringList told = messages_.Texts();

    Looks looks(*window);
    QVERIFY(looks.WaitFor(ProbeOutcome::Unchanged));
    QStringList dated{QStringLiteral("会議"), QStringLiteral("歯医者")};
    if (companion) {
        QVERIFY(repPeer
                    .Call({{"op", "edit"},
                           {"uid", repItems[0].toObject()["uid"]},
                           {"summary", "朝礼 全体"}})["ok"]
                    .toBool());
    } else {
        QVERIFY(PeerAdds("phone-3", "散髪", "20240521"));
        dated.insert(1, QStringLiteral("散髪"));
    }
    QVERIFY(looks.WaitFor(ProbeOutcome::Changed));
    QCOMPARE(SortedTitles(window->IndivList()), dated);
    QCOMPARE(window->ListView()->model()->rowCount(), dated.size());
    QCOMPARE(window->RepList().First(), StoreResult::Done);
    QCOMPARE(SjisToQString(window->RepList().current.title),
             companion ? QStringLiteral("朝礼 全体") : QStringLiteral("朝礼"));
    QCOMPARE(SelectedTitle(*window), QStringLiteral("会議"));
    QVERIFY(!undo->isEnabled() && stop->isVisible() && !window->Unsaved());
    QCOMPARE(stop->text(), QStringLiteral("他のコンピューターでの変更を取り込んだため、"
                                          "これより前には戻せません"));
    QCOMPARE(messages_.Texts(), told);
    QVERIFY(looks.WaitFor(ProbeOutcome::Unchanged));
}

// The phone's change waits while something is unsaved, and the save takes it
// in; while the editor is open no look is taken, and once it is closed the
// next look takes in what the phone changed meanwhile.
void DavWindowTest::shouldTakeNothingInWhileSomethingIsUnsavedOrADialogIsOpen() {
    auto window = StartUpWithPassword();
    window->IndivList().current = Indiv(2024, 5, 23, 8, 0, QStringLiteral("通院"), Progress::Open);
    QCOMPARE(window->IndivList().Insert(), StoreResult::Done);
    QVERIFY(PeerAdds("phone-4", "散髪", "20240521"));
    Looks looks(*window);
    QVERIFY(looks.WaitFor(ProbeOutcome::Changed) && looks.WaitFor(ProbeOutcome::Changed));
    QCOMPARE(SortedTitles(window->IndivList()), QStringList{QStringLiteral("通院")});
    QVERIFY(window->OnSave());
    const QStringList both{QStringLiteral("散髪"), QStringLiteral("通院")};
    QCOMPARE(SortedTitles(window->IndivList()), both);

    QVERIFY(looks.WaitFor(ProbeOutcome::Unchanged));
    window->ListView()->SelectRow(0);
    bool shown = false;
    WhenEditorShown<CDialogIndivSubj>(window.get(), [&](CDialogIndivSubj&) {
        QVERIFY(peer_->Call({{"op", "edit"}, {"uid", "phone-4"}, {"summary", "散髪 予約"}})["ok"]
                    .toBool());
        looks.seen.clear();
        QTest::qWait(600);  // twenty ticks; one look may have begun before
        QVERIFY(looks.seen.size() <= 1);
        QVERIFY(!ReadFile(kIndivFileName).contains(Sjis(QStringLiteral("予約")).c_str()));
        shown = true;
    });
    window->OnEditSelected();
    QVERIFY(shown);
    QTRY_VERIFY_WITH_TIMEOUT(
        SortedTitles(window->IndivList()).contains(QStringLiteral("散髪 予約")), 15000);
    QCOMPARE(messages_.UnscriptedQuestions(), 0);
}

// No box, prompt or progress dialog, for a server nobody answers at and for
// one that takes the request and never answers, while the window goes on
// turning and closes at once.
void DavWindowTest::shouldLookInSilenceAtAServerAwayOrHung() {
    auto window = StartUpWithPassword();
    const QStringList told = messages_.Texts();
    QTcpServer hung;
    QVERIFY(hung.listen(QHostAddress::LocalHost));
    Looks looks(*window);
    for (const int port : {DeadPort(), int{hung.serverPort()}}) {
        QUrl away = list_;
        away.setPort(port);
        WriteIni(away);
        window->LoadSettings();
        looks.seen.clear();
        QElapsedTimer clock;
        clock.start();
        QTest::qWait(600);
        QVERIFY(clock.elapsed() < 3000);
        // Many looks end at once; the one at the silent server is out still.
        QVERIFY(port == hung.serverPort() ? looks.seen.size() <= 1 : looks.seen.size() >= 3);
        QVERIFY(!looks.seen.contains(ProbeOutcome::Changed));
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }
    QElapsedTimer clock;
    clock.start();
    window.reset();
    QVERIFY(clock.elapsed() < 5000);
    QCOMPARE(messages_.Texts(), told);
    QCOMPARE(messages_.UnscriptedQuestions(), 0);
}

// The sync a look runs is held at the server: a key to the list does
// nothing meanwhile, no dialog shows at first, and the progress dialog does
// once the sync is slow; released, it takes in what the phone added.
void DavWindowTest::shouldHoldTheWindowOffDuringTheLooksSyncAndShowTheDialogOnlyWhenSlow() {
    HoldProxy proxy(server_->Port());
    WriteDataFiles({Indiv(2024, 5, 20, 9, 0, QStringLiteral("歯医者"), Progress::Open)}, {});
    WriteIni(proxy.Through(list_));
    auto window = StartUpWithPassword();
    window->ListView()->SelectRow(0);
    window->ListView()->setFocus();
    Activate(window.get());
    QVERIFY(PeerAdds("phone-5", "散髪", "20240521"));
    proxy.Hold("REPORT");
    bool held = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, [&] {
        if (held || !proxy.Held("REPORT")) {
            return;
        }
        held = true;  // in the sync's own event loop from here on
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QTest::keyClick(window->focusWidget(), Qt::Key_Space);
        QVERIFY(!window->Unsaved());
        QTest::qWait(QuietQuestions::kDialogAfterMs + 300);
        QVERIFY(dynamic_cast<TransferProgressDlg*>(QApplication::activeModalWidget()) != nullptr);
        proxy.Release("REPORT");
    });
    poll.start(20);
    Looks looks(*window);
    QVERIFY(looks.WaitFor(ProbeOutcome::Changed));
    QVERIFY(held);
    QCOMPARE(SortedTitles(window->IndivList()),
             (QStringList{QStringLiteral("散髪"), QStringLiteral("歯医者")}));
    QCOMPARE(window->IndivList().First(), StoreResult::Done);
    QCOMPARE(window->IndivList().current.progress, Progress::Open);
}

QTEST_MAIN(DavWindowTest)
#include "DavWindowTest.moc"
