// The main window on the offscreen platform: its controls, menu and columns,
// the rows it shows under a fixed clock, its initialisation from the data
// files, every way out with what is on disk afterwards and the batch button.
#include <QAbstractItemModel>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>
#include <vector>

#include "AboutDlg.h"
#include "Batch.h"
#include "Clock.h"
#include "ConnectSettings.h"
#include "MainDialogButtons.h"
#include "MemoryGone.h"
#include "MenuResource.h"
#include "ResourceIds.h"
#include "ScriptedMessageService.h"
#include "SjisCodec.h"
#include "SubjListDlg.h"
#include "SubjListPane.h"
#include "SubjListView.h"
#include "WindowTestSupport.h"

using namespace MainDialogIds;

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void shouldBuildControlsMenuAndTabOrderFromTemplate();
    void shouldShowColumnsAndCaptionOfEachMode();
    void shouldShowRowsTextsAndImagesUnderFixedClock();
    void shouldRecomputeDaysLeftOnModeSwitch();
    void shouldKeepExactTitleBytesInRows();
    void shouldShowRepeatingRowsByTitle();
    void shouldRewriteRowInPlaceOrMoveIt();
    void shouldOpenWithMissingFilesAndNoMessage();
    void shouldReadConnectSettingsAtInitialisation();
    void shouldLoadGoodLinesAndPassOverBadOnes();
    void shouldSaveBothFilesByteForByte();
    void shouldEndEachWayWithTheRightFilesOnDisk_data();
    void shouldEndEachWayWithTheRightFilesOnDisk();
    void shouldKeepWindowOpenWhenSaveFails_data();
    void shouldKeepWindowOpenWhenSaveFails();
    void shouldRunBatchOnYesAndRefillList();
    void shouldSayWhenTheBatchRanShortOfMemory();
    void shouldMarkWindowAndSwallowHelp();
    void shouldOpenAboutBoxFromSystemMenu();
    void shouldDeleteTheSelectedSubjectByItsRowBytes();
    void shouldDeleteARepeatingSubjectWithItsFinishedGeneratedOnes();

  private:
    std::unique_ptr<CSubjListDlg> OpenWindow();

    std::unique_ptr<QTemporaryDir> dir_;
    QString previousDir_;
    ScriptedMessageService messages_;
    std::unique_ptr<ScopedClock> clock_;
};

void MainWindowTest::init() {
    previousDir_ = QDir::currentPath();
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    QVERIFY(QDir::setCurrent(dir_->path()));
    messages_.Clear();
    clock_ = std::make_unique<ScopedClock>(LocalTime::Make(2024, 5, 15, 12, 30, 20));
}

void MainWindowTest::cleanup() {
    clock_.reset();
    QDir::setCurrent(previousDir_);
    dir_.reset();
}

std::unique_ptr<CSubjListDlg> MainWindowTest::OpenWindow() {
    auto window = std::make_unique<CSubjListDlg>(messages_);
    window->OnInitDialog();
    window->show();
    return window;
}

void MainWindowTest::shouldBuildControlsMenuAndTabOrderFromTemplate() {
    auto window = OpenWindow();
    QList<QWidget*> order;
    for (const ExpectedButton& expected : kMainDialogButtons) {
        auto* button = window->Control<QPushButton>(expected.id);
        QVERIFY2(button != nullptr, qPrintable(QString::number(expected.id)));
        QCOMPARE(button->text(), QString::fromUtf8(expected.caption));
        QVERIFY(!button->isDefault());
        QVERIFY(button->focusPolicy() & Qt::TabFocus);
        order << button;
    }
    QVERIFY(window->ListView() == window->Control<SubjListView>(kListId));
    order << window->ListView();
    auto* indiv = window->Control<QRadioButton>(kIndivRadioId);
    auto* rep = window->Control<QRadioButton>(kRepRadioId);
    QVERIFY(indiv && rep);
    QCOMPARE(indiv->text(), QStringLiteral("個別案件"));
    QCOMPARE(rep->text(), QStringLiteral("反復案件"));
    order << indiv << rep;
    QVERIFY(indiv->isChecked());
    QVERIFY(!rep->isChecked());
    QVERIFY(window->ListView()->selectionMode() == QAbstractItemView::SingleSelection);
    QVERIFY(window->ListView()->selectionBehavior() == QAbstractItemView::SelectRows);

    // Tab order is template order, and the focus starts on "追加". Tab passes
    // over what is hidden (the month pane until it is shown).
    QCOMPARE(window->focusWidget(), order.first());
    for (int i = 0; i + 1 < order.size(); ++i) {
        QWidget* next = order[i]->nextInFocusChain();
        while (next != nullptr &&
               (!(next->focusPolicy() & Qt::TabFocus) || !next->isVisibleTo(window.get()))) {
            next = next->nextInFocusChain();
        }
        QCOMPARE(next, order[i + 1]);
    }

    const std::pair<int, const char*> items[] = {{kSaveMenuId, "保存(&S)"},
                                                 {kSaveExitMenuId, "保存・終了(&E)"},
                                                 {kExitNoSaveMenuId, "保存しないで終了(&X)"},
                                                 {kConnectMenuId, "接続(&C)..."},
                                                 {kMonthPaneMenuId, "月表示"},
                                                 {kAboutMenuId, "バージョン情報(&A)..."}};
    for (const auto& [id, text] : items) {
        QAction* action = window->MenuAction(id);
        QVERIFY(action != nullptr);
        QCOMPARE(action->text(), QString::fromUtf8(text));
    }
    // The menu bar is menu 139 alone; the About entry is in ヘルプ and the system menu.
    QCOMPARE(FindMenuTemplate(kMainMenuId)->popups.size(), std::size_t{5});
    QCOMPARE(FindMenuTemplate(kMainMenuId)->popups.back().text, std::string("ヘルプ(&H)"));
}

void MainWindowTest::shouldShowColumnsAndCaptionOfEachMode() {
    auto window = OpenWindow();
    SubjListView* list = window->ListView();
    const auto header = [list](int column) {
        return list->model()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    };
    struct Mode {
        int radio;
        QString caption;
        QStringList headers;
        std::vector<int> widths;  // 0: the column that takes the rest of the list
    };
    const Mode indiv{kIndivRadioId,
                     QStringLiteral("個別案件一覧"),
                     {"日時", "進捗", "タイトル", "猶予"},
                     {list->WidthToShow(QStringLiteral("2024/05/15 12:30"), true),
                      list->WidthToShow(QStringLiteral("管理しない")), 0,
                      list->WidthToShow(QStringLiteral("-10000 日"))}};
    const Mode rep{kRepRadioId,
                   QStringLiteral("反復案件一覧"),
                   {"タイトル", "繰り返し"},
                   {list->WidthToShow(QStringLiteral("請求書と領収書を整理して送る"), true), 0}};
    QCOMPARE(list->RowCount(), 0);
    // The window opens on the individual list; back to it the columns come again.
    for (const Mode* mode : {&indiv, &rep, &indiv}) {
        if (mode != &indiv || window->Pane().RepMode()) {
            window->Control<QRadioButton>(mode->radio)->click();
        }
        QCOMPARE(window->Pane().RepMode(), mode == &rep);
        QCOMPARE(window->Pane().IndivMode(), mode == &indiv);
        QCOMPARE(window->windowTitle(), mode->caption);
        QCOMPARE(list->accessibleName(), mode->caption);
        QCOMPARE(list->ColumnCount(), static_cast<int>(mode->widths.size()));
        int taken = 0;
        for (int column = 0; column < list->ColumnCount(); ++column) {
            QCOMPARE(header(column), mode->headers[column]);
            // Each column holds its widest value in the list's font.
            QVERIFY(list->columnWidth(column) >= mode->widths[column]);
            taken += list->columnWidth(column);
        }
        QCOMPARE(taken, list->viewport()->width());
    }
}

void MainWindowTest::shouldShowRowsTextsAndImagesUnderFixedClock() {
    // Now is 2024/05/15 12:30:20.
    WriteDataFiles({Indiv(2024, 5, 15, 12, 29, "一分前", Progress::Open),
                    Indiv(2024, 5, 15, 12, 30, "この分", Progress::Open),
                    Indiv(2024, 5, 15, 12, 31, "一分後", Progress::Open),
                    Indiv(2024, 5, 16, 0, 0, "明日", Progress::Open),
                    Indiv(2024, 5, 10, 8, 0, "済み", Progress::Done),
                    Indiv(2024, 5, 14, 23, 59, "管理外", Progress::NotTracked),
                    Indiv(2024, 5, 15, 7, 5, "不明", Progress{'X'}),
                    Indiv(2023, 12, 31, 0, 0, "去年", Progress::Open)},
                   {});
    auto window = OpenWindow();
    SubjListView* list = window->ListView();
    struct Row {
        const char* when;
        const char* progress;
        const char* title;
        const char* daysLeft;
        int image;
    };
    const Row expected[] = {
        {"2023/12/31 00:00", "未処理", "去年", "-136 日", 3},
        {"2024/05/10 08:00", "完了", "済み", "-5 日", 2},
        {"2024/05/14 23:59", "管理しない", "管理外", "-1 日", 0},
        {"2024/05/15 07:05", "", "不明", "0 日", 0},
        {"2024/05/15 12:29", "未処理", "一分前", "0 日", 3},
        {"2024/05/15 12:30", "未処理", "この分", "0 日", 1},
        {"2024/05/15 12:31", "未処理", "一分後", "0 日", 1},
        {"2024/05/16 00:00", "未処理", "明日", "1 日", 1},
    };
    QCOMPARE(list->RowCount(), int(std::size(expected)));
    for (int row = 0; row < list->RowCount(); ++row) {
        const Row& want = expected[row];
        QCOMPARE(list->CellText(row, 0), QString::fromUtf8(want.when));
        QCOMPARE(list->CellText(row, 1), QString::fromUtf8(want.progress));
        QCOMPARE(list->CellText(row, 2), QString::fromUtf8(want.title));
        QCOMPARE(list->CellText(row, 3), QString::fromUtf8(want.daysLeft));
        QCOMPARE(list->RowImage(row), want.image);
    }
    QCOMPARE(list->SelectionMark(), -1);
}

void MainWindowTest::shouldRecomputeDaysLeftOnModeSwitch() {
    WriteDataFiles({Indiv(2024, 5, 15, 12, 31, "会議", Progress::Open)},
                   {Rep("r", Progress::Open)});
    auto window = OpenWindow();
    SubjListView* list = window->ListView();
    QCOMPARE(list->RowImage(0), 1);
    QCOMPARE(list->CellText(0, 3), QStringLiteral("0 日"));

    clock_->Set(LocalTime::Make(2024, 5, 17, 9, 0));
    QCOMPARE(list->RowImage(0), 1);  // nothing refreshes by itself
    window->Control<QRadioButton>(kRepRadioId)->click();
    QCOMPARE(list->RowCount(), 1);
    window->Control<QRadioButton>(kIndivRadioId)->click();
    QCOMPARE(list->RowImage(0), 3);
    QCOMPARE(list->CellText(0, 3), QStringLiteral("-2 日"));
    // A click on the radio already checked refills as well.
    clock_->Set(LocalTime::Make(2024, 5, 10, 9, 0));
    window->Control<QRadioButton>(kIndivRadioId)->click();
    QCOMPARE(list->CellText(0, 3), QStringLiteral("5 日"));
    QCOMPARE(list->RowImage(0), 1);
}

void MainWindowTest::shouldKeepExactTitleBytesInRows() {
    // 0xED40 is an NEC duplicate: decoding and encoding again gives 0xFA5C.
    IndivSubj subj = Indiv(2024, 6, 1, 10, 0, "x", Progress::Open);
    subj.title = std::string("\xED\x40\x82\xA0", 4);
    WriteDataFiles({subj}, {Rep(std::string("\xED\x40r", 3), Progress::NotTracked)});
    auto window = OpenWindow();
    QCOMPARE(window->ListView()->CellSjis(0, 2), subj.title);
    QCOMPARE(window->ListView()->CellSjis(0, 1), ProgressText(Progress::Open));
    window->Control<QRadioButton>(kRepRadioId)->click();
    QCOMPARE(window->ListView()->CellSjis(0, 0), std::string("\xED\x40r", 3));
    QCOMPARE(window->ListView()->RowImage(0), 0);
}

void MainWindowTest::shouldShowRepeatingRowsByTitle() {
    WriteDataFiles({}, {Rep("b", Progress::Open), Rep("a", Progress::NotTracked),
                        Rep(Sjis("定例"), Progress::Open)});
    auto window = OpenWindow();
    window->Control<QRadioButton>(kRepRadioId)->click();
    SubjListView* list = window->ListView();
    QCOMPARE(list->RowCount(), 3);
    QCOMPARE(list->CellText(0, 0), QStringLiteral("a"));
    QCOMPARE(list->RowImage(0), 0);
    QCOMPARE(list->CellText(1, 0), QStringLiteral("b"));
    QCOMPARE(list->RowImage(1), 1);  // never overdue
    QCOMPARE(list->CellText(2, 0), QStringLiteral("定例"));
}

void MainWindowTest::shouldRewriteRowInPlaceOrMoveIt() {
    WriteDataFiles({Indiv(2024, 5, 20, 9, 0, "a", Progress::Open),
                    Indiv(2024, 5, 20, 10, 0, "c", Progress::Open),
                    Indiv(2024, 5, 21, 9, 0, "b", Progress::Open)},
                   {});
    auto window = OpenWindow();
    SubjListView* list = window->ListView();
    IndivSubjList& indiv = window->IndivList();
    indiv.current = Indiv(2024, 5, 20, 9, 0, "a", Progress::Done);
    QCOMPARE(indiv.Replace(), StoreResult::Done);
    window->Pane().SetRow(0, true, "2024/05/20 09:00");
    QCOMPARE(list->RowCount(), 3);
    QCOMPARE(list->RowImage(0), 2);
    QCOMPARE(list->CellText(0, 1), QStringLiteral("完了"));

    // A new time moves the row to its place.
    indiv.current = Indiv(2024, 5, 20, 11, 0, "a", Progress::Open);
    QCOMPARE(indiv.Replace(), StoreResult::Done);
    window->Pane().SetRow(0, true, "2024/05/20 09:00");
    QCOMPARE(list->RowCount(), 3);
    QCOMPARE(list->CellText(0, 2), QStringLiteral("c"));
    QCOMPARE(list->CellText(1, 0), QStringLiteral("2024/05/20 11:00"));
    QCOMPARE(list->CellText(1, 2), QStringLiteral("a"));

    indiv.current = Indiv(2024, 5, 1, 9, 0, "d", Progress::NotTracked);
    QCOMPARE(indiv.Insert(), StoreResult::Done);
    window->Pane().SetRow(7, false);
    QCOMPARE(list->RowCount(), 4);
    QCOMPARE(list->CellText(0, 2), QStringLiteral("d"));
    QCOMPARE(list->CellText(0, 3), QStringLiteral("-14 日"));
}

void MainWindowTest::shouldOpenWithMissingFilesAndNoMessage() {
    auto window = OpenWindow();
    QCOMPARE(window->ListView()->RowCount(), 0);
    QVERIFY(messages_.History().empty());
    QVERIFY(!QFile::exists(kIndivFileName));
    QVERIFY(!QFile::exists(kRepFileName));
    QVERIFY(window->isVisible());
}

void MainWindowTest::shouldReadConnectSettingsAtInitialisation() {
    {
        auto window = OpenWindow();
        QCOMPARE(window->Settings().ftpMode, 0);
        QCOMPARE(window->Settings().port, 21);
        QVERIFY(!QFile::exists("veskat.ini"));
    }
    WriteFile("veskat.ini", "[FTP]\r\nhostname=files.example\r\nport=2121\r\n");
    auto window = OpenWindow();
    QCOMPARE(window->Settings().hostName, std::string("files.example"));
    QCOMPARE(window->Settings().port, 2121);
    QVERIFY(window->Settings().password.empty());
}

void MainWindowTest::shouldLoadGoodLinesAndPassOverBadOnes() {
    WriteFile(kIndivFileName,
              "_VESKAT_I_DAT_VER_1_2_\r\n"
              "2024\t05\t20\tgood\t09\t00\tU\t\t\r\n"
              "\r\n"
              "2024\t05\t20\tgood\t10\t00\tC\t\t\r\n"  // the same key again
              "2024\t05\t21\tshort\r\n"
              "2024\t05\t22\tlf only\t11\t15\tN\tnote\t\n");
    WriteFile(kRepFileName, "whatever the header says\r\nrep one\r\n\r\n");
    const QByteArray indivBytes = ReadFile(kIndivFileName);
    auto window = OpenWindow();
    SubjListView* list = window->ListView();
    // The repeated line is reported, and the file as it was is kept aside.
    QVERIFY(!messages_.Texts().isEmpty());
    const QString notice = messages_.Texts().first();
    QVERIFY2(notice.startsWith(
                 QStringLiteral("個別案件ファイル veskat_i.dat の 1 行を読み込めませんでした。\n")),
             qPrintable(notice));
    QVERIFY(notice.endsWith(
        QStringLiteral("\n元のファイルを veskat_i.dat.20240515-123020 として残しました。")));
    QCOMPARE(ReadFile("veskat_i.dat.20240515-123020"), indivBytes);
    QCOMPARE(list->RowCount(), 3);
    QCOMPARE(list->CellText(0, 0), QStringLiteral("2024/05/20 09:00"));
    QCOMPARE(list->CellText(0, 2), QStringLiteral("good"));
    QCOMPARE(list->CellText(1, 2), QStringLiteral("short"));
    QCOMPARE(list->CellText(1, 0), QStringLiteral("2024/05/21 00:00"));
    QCOMPARE(list->CellText(2, 1), QStringLiteral("管理しない"));
    window->Control<QRadioButton>(kRepRadioId)->click();
    QCOMPARE(list->RowCount(), 1);
    QCOMPARE(list->CellText(0, 0), QStringLiteral("rep one"));
}

void MainWindowTest::shouldSaveBothFilesByteForByte() {
    IndivSubj first = Indiv(2024, 5, 20, 9, 5, "件名", Progress::Open);
    first.content = Sjis("一行目<br>二行目");
    first.origin = Sjis("定例");
    IndivSubj second = Indiv(2025, 1, 2, 0, 0, "", Progress::Done);
    second.title = std::string("\xED\x40", 2);
    WriteDataFiles({first, second}, {Rep(Sjis("定例"), Progress::Open)});
    const QByteArray indivBefore = ReadFile(kIndivFileName);
    const QByteArray repBefore = ReadFile(kRepFileName);
    QVERIFY(indivBefore.startsWith("_VESKAT_I_DAT_VER_1_2_\r\n"));

    auto window = OpenWindow();
    QFile::remove(kIndivFileName);
    QFile::remove(kRepFileName);
    window->Control<QPushButton>(kSaveId)->click();
    QCOMPARE(ReadFile(kIndivFileName), indivBefore);
    QCOMPARE(ReadFile(kRepFileName), repBefore);
    QVERIFY(window->isVisible());
    QVERIFY(messages_.History().empty());

    // The menu entry saves the same bytes again.
    QFile::remove(kIndivFileName);
    window->MenuAction(kSaveMenuId)->trigger();
    QCOMPARE(ReadFile(kIndivFileName), indivBefore);
    QVERIFY(window->isVisible());
}

void MainWindowTest::shouldEndEachWayWithTheRightFilesOnDisk_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<int>("id");      // of the button or menu command
    QTest::addColumn<int>("answer");  // to the close question; 0 for none asked
    QTest::addColumn<int>("result");  // 0: the window stays open
    QTest::addColumn<bool>("written");
    QTest::newRow("save and exit button") << "button" << kSaveExitId << 0 << kIdOk << true;
    QTest::newRow("save and exit menu") << "menu" << kSaveExitMenuId << 0 << kIdOk << true;
    QTest::newRow("close box, Yes") << "close" << 0 << int(MessageAnswer::Yes) << kIdCancel << true;
    QTest::newRow("close box, No") << "close" << 0 << int(MessageAnswer::No) << kIdCancel << false;
    QTest::newRow("close box, Cancel") << "close" << 0 << int(MessageAnswer::Cancel) << 0 << false;
    QTest::newRow("Esc ends nothing") << "esc" << 0 << 0 << 0 << false;
    QTest::newRow("Enter on a radio button") << "enter" << 0 << 0 << 0 << false;
}

void MainWindowTest::shouldEndEachWayWithTheRightFilesOnDisk() {
    QFETCH(QString, way);
    QFETCH(int, id);
    QFETCH(int, answer);
    QFETCH(int, result);
    QFETCH(bool, written);
    WriteDataFiles({Indiv(2024, 5, 20, 9, 0, "old", Progress::Open)}, {});
    const QByteArray indivBefore = ReadFile(kIndivFileName);
    const QByteArray repBefore = ReadFile(kRepFileName);
    auto window = OpenWindow();
    window->IndivList().current = Indiv(2024, 5, 21, 9, 0, "new", Progress::Open);
    QCOMPARE(window->IndivList().Insert(), StoreResult::Done);
    window->RepList().current = Rep("rep", Progress::Open);
    QCOMPARE(window->RepList().Insert(), StoreResult::Done);
    if (answer != 0) {
        messages_.QueueAnswer(MessageAnswer(answer));
    }

    if (way == "button") {
        window->Control<QPushButton>(id)->click();
    } else if (way == "menu") {
        window->MenuAction(id)->trigger();
    } else if (way == "close") {
        window->close();
    } else if (way == "esc") {
        QTest::keyClick(window->ListView(), Qt::Key_Escape);
    } else if (way == "enter") {
        auto* radio = window->Control<QRadioButton>(kIndivRadioId);
        radio->setFocus();
        QTest::keyClick(radio, Qt::Key_Return);
    }

    QCOMPARE(window->isVisible(), result == 0);
    if (result != 0) {
        QCOMPARE(window->result(), result);
    }
    const QStringList expectedTexts = answer != 0 ? QStringList{kSaveQuestion} : QStringList{};
    QCOMPARE(messages_.Texts(), expectedTexts);
    QCOMPARE(messages_.PendingAnswers(), std::size_t{0});
    const QByteArray indivAfter = ReadFile(kIndivFileName);
    if (written) {
        QVERIFY(indivAfter.contains("new"));
        QVERIFY(ReadFile(kRepFileName).contains("rep"));
    } else {
        QCOMPARE(indivAfter, indivBefore);
        QCOMPARE(ReadFile(kRepFileName), repBefore);
    }
}

void MainWindowTest::shouldKeepWindowOpenWhenSaveFails_data() {
    QTest::addColumn<QString>("way");
    QTest::newRow("save") << "save";
    QTest::newRow("save and exit") << "saveExit";
    QTest::newRow("close question Yes") << "close";
}

// A data file that cannot be replaced (here a folder stands in its place) is
// reported, and the window stays open with the work still in memory.
void MainWindowTest::shouldKeepWindowOpenWhenSaveFails() {
    QFETCH(QString, way);
    WriteDataFiles({Indiv(2024, 5, 20, 9, 0, "kept", Progress::Open)}, {});
    auto window = OpenWindow();
    QVERIFY(QFile::remove(kRepFileName));
    QVERIFY(QDir().mkpath(QString(kRepFileName) + "/inside"));
    if (way == "save") {
        window->Control<QPushButton>(kSaveId)->click();
        QCOMPARE(messages_.Texts(), QStringList{kSaveFailed});
    } else if (way == "saveExit") {
        window->Control<QPushButton>(kSaveExitId)->click();
        QCOMPARE(messages_.Texts(), QStringList{kSaveFailed});
    } else {
        // The question comes only with something unsaved.
        window->ListView()->SelectRow(0);
        window->OnToggleDone();
        messages_.QueueAnswer(MessageAnswer::Yes);
        window->close();
        QCOMPARE(messages_.Texts(), (QStringList{kSaveQuestion, kSaveFailed}));
    }
    QCOMPARE(messages_.History().back().buttons, MessageButtons::Ok);
    QVERIFY(window->isVisible());
    QVERIFY(QFileInfo(kRepFileName).isDir());
    QCOMPARE(window->ListView()->RowCount(), 1);

    // Once the file can be written again, the same work is saved.
    QVERIFY(QDir(kRepFileName).removeRecursively());
    messages_.Clear();
    window->Control<QPushButton>(kSaveExitId)->click();
    QVERIFY(messages_.History().empty());
    QVERIFY(!window->isVisible());
    QVERIFY(ReadFile(kRepFileName).startsWith("_VESKAT_R_DAT_VER_1_2_"));
    QVERIFY(ReadFile(kIndivFileName).contains("kept"));
}

void MainWindowTest::shouldRunBatchOnYesAndRefillList() {
    // Today is 2024/05/15: the untracked subject of yesterday goes, today's stays.
    WriteDataFiles({Indiv(2024, 5, 14, 9, 0, "old", Progress::NotTracked),
                    Indiv(2024, 5, 15, 0, 0, "today", Progress::NotTracked)},
                   {Rep("daily", Progress::Open)});
    auto window = OpenWindow();
    SubjListView* list = window->ListView();
    QCOMPARE(list->RowCount(), 2);

    messages_.QueueAnswer(MessageAnswer::No);
    window->Control<QPushButton>(kBatchId)->click();
    QCOMPARE(messages_.Texts(), QStringList{QString::fromStdString(BatchQuestion())});
    QCOMPARE(messages_.History().back().buttons, MessageButtons::YesNo);
    QCOMPARE(list->RowCount(), 2);

    // From the repeating mode: the list shown is refilled, the individual list changed.
    window->Control<QRadioButton>(kRepRadioId)->click();
    messages_.QueueAnswer(MessageAnswer::Yes);
    window->Control<QPushButton>(kBatchId)->click();
    QCOMPARE(list->RowCount(), 1);
    window->Control<QRadioButton>(kIndivRadioId)->click();
    QCOMPARE(list->RowCount(), 1 + 43);
    QCOMPARE(list->CellText(0, 2), QStringLiteral("today"));
    QCOMPARE(list->CellText(1, 0), QStringLiteral("2024/05/15 09:00"));
    QCOMPARE(list->CellText(1, 2), QStringLiteral("daily"));
    QCOMPARE(list->CellText(43, 0), QStringLiteral("2024/06/26 09:00"));
    QCOMPARE(list->CellText(43, 3), QStringLiteral("42 日"));
    QCOMPARE(messages_.History().size(), std::size_t{2});
    QVERIFY(!ReadFile(kIndivFileName).contains("daily"));  // nothing saved

    // What it did stays in a line above the list, in either mode, until the next command.
    QCOMPARE(ListLineText(*window), QStringLiteral("一括: 削除 1 件、追加 43 件"));
    list->SelectRow(1);
    window->OnToggleDone();
    QCOMPARE(ListLineText(*window), QString());
    messages_.QueueAnswer(MessageAnswer::Yes);
    window->OnBatch();
    QCOMPARE(ListLineText(*window), QStringLiteral("一括: 変更なし"));
}

// What the batch could store is shown; the user learns that the rest is missing, and a run with
// memory enough fills it in.
void MainWindowTest::shouldSayWhenTheBatchRanShortOfMemory() {
    std::vector<RepSubj> reps;
    for (int n = 0; n < 10; ++n) {
        reps.push_back(Rep("daily " + std::to_string(n), Progress::Open));
    }
    WriteDataFiles({}, reps);
    auto window = OpenWindow();
    messages_.QueueAnswer(MessageAnswer::Yes);
    {
        MemoryGone gone;
        window->OnBatch();
    }
    const QString batchShort = QStringLiteral(
        "メモリーが足りないため、一括で作成する案件の一部を登録できませんでした。"
        "作成できた案件は一覧にあります。");
    QCOMPARE(messages_.Texts(), (QStringList{QString::fromStdString(BatchQuestion()), batchShort}));
    int stored = 0;
    for (StoreResult r = window->IndivList().First(); r == StoreResult::Done;
         r = window->IndivList().Next()) {
        ++stored;
    }
    QVERIFY(stored < 10 * 43);
    QCOMPARE(window->ListView()->RowCount(), stored);

    messages_.Clear();
    messages_.QueueAnswer(MessageAnswer::Yes);
    window->OnBatch();
    QCOMPARE(messages_.Texts(), QStringList{QString::fromStdString(BatchQuestion())});
    QCOMPARE(window->ListView()->RowCount(), 10 * 43);
}

void MainWindowTest::shouldMarkWindowAndSwallowHelp() {
    auto window = std::make_unique<CSubjListDlg>(messages_);
    QVERIFY(!window->property(kInstanceName).isValid());
    bool marked = false;
    connect(window.get(), &CSubjListDlg::Marked, this, [&] {
        marked = true;
        // Marked before the data files are read.
        QCOMPARE(window->ListView()->ColumnCount(), 0);
    });
    window->OnInitDialog();
    window->show();
    QVERIFY(marked);
    QCOMPARE(window->property(kInstanceName).toInt(), 1);
    QVERIFY(!window->windowIcon().isNull());

    QTest::keyClick(window->ListView(), Qt::Key_F1);
    QTest::keyClick(window.get(), Qt::Key_F1);
    QVERIFY(window->isVisible());
    QVERIFY(messages_.History().empty());
}

void MainWindowTest::shouldOpenAboutBoxFromSystemMenu() {
    auto window = OpenWindow();
    QMenu* menu = window->SystemMenu();
    QVERIFY(menu != nullptr);
    const QList<QAction*> actions = menu->actions();
    QVERIFY(actions.size() >= 2);
    QVERIFY(actions[actions.size() - 2]->isSeparator());
    QCOMPARE(actions.last()->text(), QStringLiteral("バージョン情報 veskat(&A)..."));
    // The system menu's entry, and ヘルプ → バージョン情報 from the keyboard.
    const std::function<void()> opens[] = {[&] { window->OnSysCommand(kAboutCommand | 0x3); },
                                           [&] { window->MenuAction(kAboutMenuId)->trigger(); }};
    for (const auto& open : opens) {
        QString caption;
        QTimer::singleShot(0, this, [&] {
            auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
            QVERIFY(about != nullptr);
            caption = about->windowTitle();
            about->Control<QPushButton>(kIdOk)->click();
        });
        open();
        QCOMPARE(caption, QStringLiteral("バージョン情報 veskat"));
        QVERIFY(window->isVisible());
    }
    // A screen reader reads the main window as a window, not as a dialog.
    QCOMPARE(QAccessible::queryAccessibleInterface(window.get())->role(), QAccessible::Window);
}

void MainWindowTest::shouldDeleteTheSelectedSubjectByItsRowBytes() {
    IndivSubj nec = Indiv(2024, 6, 1, 10, 0, "x", Progress::Open);
    nec.title = std::string("\xED\x40", 2);  // comes back as 0xFA5C if re-encoded
    WriteDataFiles({nec, Indiv(2024, 6, 2, 9, 0, "keep", Progress::Open)}, {});
    auto window = OpenWindow();
    SubjListView* list = window->ListView();
    window->Control<QPushButton>(kDeleteId)->click();  // nothing selected: nothing asked
    QVERIFY(messages_.Texts().isEmpty());

    list->SelectRow(0);
    messages_.QueueAnswer(MessageAnswer::No);
    window->Control<QPushButton>(kDeleteId)->click();
    QCOMPARE(messages_.Texts().last(), QStringLiteral("案件を削除します。よろしいですか？"));
    // Below the fixed text: which subject, as its row shows it.
    QCOMPARE(messages_.History().back().detail,
             QStringLiteral("2024/06/01 10:00　") + list->CellText(0, 2));
    QCOMPARE(list->RowCount(), 2);

    messages_.QueueAnswer(MessageAnswer::Yes);
    window->Control<QPushButton>(kDeleteId)->click();
    QCOMPARE(list->RowCount(), 1);
    QCOMPARE(list->CellSjis(0, 2), std::string("keep"));
    IndivSubjList& indiv = window->IndivList();
    QCOMPARE(indiv.First(), StoreResult::Done);
    QCOMPARE(indiv.current.title, std::string("keep"));
    QCOMPARE(indiv.Next(), StoreResult::NotFound);

    window->Control<QRadioButton>(kRepRadioId)->click();  // a mode switch forgets the selection
    window->Control<QPushButton>(kDeleteId)->click();
    QCOMPARE(messages_.Texts().size(), 2);
}

void MainWindowTest::shouldDeleteARepeatingSubjectWithItsFinishedGeneratedOnes() {
    auto generated = [](int day, Progress progress) {
        IndivSubj subj = Indiv(2024, 6, day, 9, 0, "w", progress);
        subj.origin = "w";
        return subj;
    };
    WriteDataFiles({generated(1, Progress::NotTracked), generated(2, Progress::Open),
                    generated(3, Progress::Done)},
                   {Rep("w", Progress::Open), Rep("z", Progress::Open)});
    auto window = OpenWindow();
    window->Control<QRadioButton>(kRepRadioId)->click();
    window->ListView()->SelectRow(0);
    messages_.QueueAnswer(MessageAnswer::Yes);
    window->Control<QPushButton>(kDeleteId)->click();
    QCOMPARE(messages_.Texts().last(),
             QStringLiteral("「完了済み」または「進捗管理しない」個別案件も同時に削除します。\n"
                            "よろしいですか？"));
    QCOMPARE(messages_.History().back().detail,
             QStringLiteral("w　毎週 月・火・水・木・金・土・日 09:00"));
    QCOMPARE(window->ListView()->RowCount(), 1);
    QCOMPARE(window->ListView()->CellSjis(0, 0), std::string("z"));
    IndivSubjList& indiv = window->IndivList();
    QCOMPARE(indiv.First(), StoreResult::Done);
    QCOMPARE(static_cast<int>(indiv.current.day), 2);  // the open one stays
    QCOMPARE(indiv.Next(), StoreResult::NotFound);
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
