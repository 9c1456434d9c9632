// The main window as its size changes and from one start to the next: the
// list takes the room, the row of radios and buttons follows the bottom edge,
// the place and column widths come back from veskat.ini (cut to the screen)
// beside an FTP section left byte for byte, cut cells show their text as a
// tooltip, and repeating rows say their rules.
#include <QGuiApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QToolTip>

#include "ConnectSettings.h"
#include "FindBar.h"
#include "SjisCodec.h"
#include "SubjListDlg.h"
#include "SubjListView.h"
#include "WindowTestSupport.h"

using namespace MainDialogIds;

namespace {

const QByteArray kFtpSection = "[FTP]\r\nhostname=files.example\r\nport=2121\r\n";

// Where each control stands measured from the window's bottom-right corner.
QPoint FromCorner(const QWidget& window, const QWidget& control) {
    return QPoint(window.width(), window.height()) - control.geometry().topLeft();
}

}  // namespace

class MainWindowPlaceTest : public WindowTestCase {
    Q_OBJECT

  private slots:
    void init() { EnterFreshFolder(); }
    void cleanup() { LeaveFolder(); }

    void listTakesTheRoomAsTheWindowGrowsAndShrinks();
    void placeAndColumnsComeBackFromTheIniFile();
    void keptSizeIsCutToTheScreen();
    void cutCellShowsItsTextAsTooltip();
    void repeatingRowsSayTheirRules();
};

void MainWindowPlaceTest::listTakesTheRoomAsTheWindowGrowsAndShrinks() {
    auto window = OpenWindow(messages_);
    SubjListView* list = window->ListView();
    auto* radio = window->Control<QRadioButton>(kIndivRadioId);
    auto* add = window->Control<QPushButton>(kAddId);
    auto* save = window->Control<QPushButton>(kSaveExitId);
    const QSize start = window->size();
    const QRect listAt = list->geometry();
    const int radioBelow = window->height() - radio->y();
    const int addAtLeft = add->x();
    const QPoint saveFromCorner = FromCorner(*window, *save);
    QVERIFY(window->minimumSize().width() < start.width());
    QVERIFY(window->maximumSize().height() > start.height());

    for (const QSize& size : {start + QSize(300, 200), window->minimumSize(), start}) {
        window->resize(size);
        QCOMPARE(window->size(), size);
        QCOMPARE(list->geometry().topLeft(), listAt.topLeft());
        QCOMPARE(list->size(), listAt.size() + (size - start));
        QCOMPARE(window->height() - radio->y(), radioBelow);
        QCOMPARE(add->x(), addAtLeft);
        QCOMPARE(FromCorner(*window, *save), saveFromCorner);
        QVERIFY(radio->geometry().top() > list->geometry().bottom());
        QVERIFY(add->geometry().right() < save->geometry().left());
    }
    // The find bar takes its room from the list, not from the window.
    window->OpenFindBar();
    QCOMPARE(window->size(), start);
    QVERIFY(window->FindBarWidget()->geometry().bottom() < radio->geometry().top());
    window->resize(start + QSize(40, 60));
    QCOMPARE(window->FindBarWidget()->width(), list->width());
    QCOMPARE(window->height() - radio->y(), radioBelow);
    window->CloseFindBar();
    QCOMPARE(list->size(), listAt.size() + QSize(40, 60));
}

void MainWindowPlaceTest::placeAndColumnsComeBackFromTheIniFile() {
    WriteFile(kIniFileName, kFtpSection);
    const QSize size(600, 420);
    {
        auto window = OpenWindow(messages_);
        window->resize(size);
        window->move(40, 30);
        window->ListView()->setColumnWidth(0, 150);
        window->Control<QRadioButton>(kRepRadioId)->click();
        window->ListView()->setColumnWidth(0, 270);
        window->OnExitNoSave();
    }
    const QByteArray ini = ReadFile(kIniFileName);
    QVERIFY(ini.startsWith(kFtpSection));
    QVERIFY(ini.contains("[Window]"));

    auto window = OpenWindow(messages_);
    QCOMPARE(window->size(), size);
    // The platform may count the frame a pixel or two differently before it is shown.
    QVERIFY((window->pos() - QPoint(40, 30)).manhattanLength() <= 4);
    QCOMPARE(window->ListView()->columnWidth(0), 150);
    window->Control<QRadioButton>(kRepRadioId)->click();
    QCOMPARE(window->ListView()->columnWidth(0), 270);
    QCOMPARE(window->Settings().port, 2121);
    window->OnExitNoSave();
    QVERIFY(ReadFile(kIniFileName).startsWith(kFtpSection));

    // A window that ends before it is shown keeps no place of its own.
    QFile::remove(kIniFileName);
    CSubjListDlg unseen(messages_);
    unseen.OnInitDialog();
    unseen.OnExitNoSave();
    QVERIFY(!QFile::exists(kIniFileName));
}

// A place kept on a far bigger screen, and values that are no numbers.
void MainWindowPlaceTest::keptSizeIsCutToTheScreen() {
    WriteFile(kIniFileName, kFtpSection +
                                "[Window]\r\nx=5000\r\ny=-3000\r\nwidth=9000\r\n"
                                "height=7000\r\nindivColumns=1,x,3\r\n");
    auto window = OpenWindow(messages_);
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    const QRect available = window->screen()->availableGeometry();
    QVERIFY(available.contains(window->frameGeometry()));
    QVERIFY(window->geometry().top() > available.top());
    // Widths that are no list leave the columns as wide as their texts need.
    QVERIFY(window->ListView()->columnWidth(0) >=
            window->ListView()->WidthToShow(QStringLiteral("0000/00/00 00:00"), true));
}

void MainWindowPlaceTest::cutCellShowsItsTextAsTooltip() {
    const QString longTitle(36, QChar(0x3042));  // あ…, as long as a title goes
    WriteDataFiles({Indiv(2024, 5, 20, 9, 0, longTitle, Progress::Open),
                    Indiv(2024, 5, 21, 9, 0, QStringLiteral("短い"), Progress::Open)},
                   {});
    auto window = OpenWindow(messages_);
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    SubjListView* list = window->ListView();
    const auto tipAt = [list](int row, int column) {
        QToolTip::hideText();
        static_cast<void>(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));
        const QRect cell = list->visualRect(list->model()->index(row, column));
        QHelpEvent help(QEvent::ToolTip, cell.center(),
                        list->viewport()->mapToGlobal(cell.center()));
        QCoreApplication::sendEvent(list->viewport(), &help);
        static_cast<void>(QTest::qWaitFor([] { return QToolTip::isVisible(); }, 300));
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    QCOMPARE(tipAt(0, 2), longTitle);
    QCOMPARE(tipAt(1, 2), QString());
    QCOMPARE(tipAt(1, 0), QString());
}

void MainWindowPlaceTest::repeatingRowsSayTheirRules() {
    RepSubj weekly = Rep(Sjis(QStringLiteral("会議")), Progress::Open);
    weekly.weekly = {0, 1, 0, 0, 1, 0, 0};
    weekly.hour = 8;
    RepSubj none = Rep(Sjis(QStringLiteral("未定")), Progress::Open);
    none.weekly = {};
    WriteDataFiles({}, {weekly, none});
    auto window = OpenWindow(messages_);
    window->Control<QRadioButton>(kRepRadioId)->click();
    SubjListView* list = window->ListView();
    QCOMPARE(list->CellText(0, 0), QStringLiteral("会議"));
    QCOMPARE(list->CellText(0, 1), QStringLiteral("毎週 火・金 08:00"));
    // The dash as Shift_JIS has it.
    QCOMPARE(list->CellText(1, 1), SjisToQString(Sjis(QStringLiteral("—"))));
}

QTEST_MAIN(MainWindowPlaceTest)
#include "MainWindowPlaceTest.moc"
