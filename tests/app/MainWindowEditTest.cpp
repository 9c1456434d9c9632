// From the user's hands to the disk: subjects added with "追加" and edited by
// a double-click on their row, both editors driven through their controls as
// a user would, then "保存", and the data files compared byte for byte.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <optional>

#include "DialogIndivSubj.h"
#include "DialogRepSubj.h"
#include "ScriptedMessageService.h"
#include "SubjListDlg.h"
#include "SubjListView.h"
#include "WindowTestSupport.h"

namespace {

constexpr int kAddButton = 1004, kSaveButton = 1009, kRepRadio = 1006;
// Individual editor.
constexpr int kMonth = 1010, kDay = 1011, kHour = 1017, kMinute = 1014, kTitle = 1012,
              kContent = 1015, kProgress = 1016;
// Repeating editor.
constexpr int kRepHour = 1021, kRepContent = 1022, kFriday = 1033;

void DoubleClickRow(SubjListView* list, int row) {
    const QRect cell = list->visualRect(list->model()->index(row, 0));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
}

}  // namespace

class MainWindowEditTest : public WindowTestCase {
    Q_OBJECT

  private slots:
    void init() { EnterFreshFolder(); }
    void cleanup() { LeaveFolder(); }

    void shouldSaveWhatWasTypedIntoTheEditorsOpenedFromTheWindow();
};

void MainWindowEditTest::shouldSaveWhatWasTypedIntoTheEditorsOpenedFromTheWindow() {
    auto window = OpenWindow(messages_);  // today is 2024/05/15
    SubjListView* list = window->ListView();

    WhenEditorShown<CDialogIndivSubj>(this, [](CDialogIndivSubj& editor) {
        Choose(editor.Control<QComboBox>(kMonth), 5);
        Choose(editor.Control<QComboBox>(kDay), 0);
        Choose(editor.Control<QComboBox>(kHour), 10);
        Choose(editor.Control<QComboBox>(kMinute), 15);
        Retype(editor.Control<QLineEdit>(kTitle), QStringLiteral("打合せ"));
        auto* content = editor.Control<QPlainTextEdit>(kContent);
        Retype(content, QStringLiteral("議題"));
        QTest::keyClick(content, Qt::Key_Return);
        Type(content, QStringLiteral("資料"));
        Choose(editor.Control<QComboBox>(kProgress), 1);
        PressOk(editor);
    });
    window->Control<QPushButton>(kAddButton)->click();
    QCOMPARE(list->RowCount(), 1);
    QCOMPARE(list->CellText(0, 0), QStringLiteral("2024/06/01 10:15"));
    QCOMPARE(list->CellText(0, 1), QStringLiteral("未処理"));
    QCOMPARE(list->CellText(0, 2), QStringLiteral("打合せ"));
    QCOMPARE(list->CellText(0, 3), QStringLiteral("17 日"));

    // A cancelled edit changes nothing.
    WhenEditorShown<CDialogIndivSubj>(this, [](CDialogIndivSubj& editor) {
        Retype(editor.Control<QLineEdit>(kTitle), QStringLiteral("捨てる"));
    });
    DoubleClickRow(list, 0);
    QCOMPARE(list->CellText(0, 2), QStringLiteral("打合せ"));

    // A new title is a new key: the row is replaced.
    WhenEditorShown<CDialogIndivSubj>(this, [](CDialogIndivSubj& editor) {
        QCOMPARE(editor.Control<QLineEdit>(kTitle)->text(), QStringLiteral("打合せ"));
        QCOMPARE(editor.Control<QPlainTextEdit>(kContent)->toPlainText(),
                 QStringLiteral("議題\n資料"));
        Retype(editor.Control<QLineEdit>(kTitle), QStringLiteral("打合せ（変更）"));
        Choose(editor.Control<QComboBox>(kProgress), 2);
        PressOk(editor);
    });
    DoubleClickRow(list, 0);
    QCOMPARE(list->RowCount(), 1);
    QCOMPARE(list->CellText(0, 1), QStringLiteral("完了"));
    QCOMPARE(list->CellText(0, 2), QStringLiteral("打合せ（変更）"));
    QCOMPARE(list->RowImage(0), 2);

    window->Control<QRadioButton>(kRepRadio)->click();
    WhenEditorShown<CDialogRepSubj>(this, [](CDialogRepSubj& editor) {
        Retype(editor.Control<QLineEdit>(kTitle), QStringLiteral("週報"));
        Choose(editor.Control<QComboBox>(kRepHour), 17);
        editor.Control<QCheckBox>(kFriday)->click();
        Choose(editor.Control<QComboBox>(kProgress), 1);
        PressOk(editor);
    });
    window->Control<QPushButton>(kAddButton)->click();
    QCOMPARE(list->RowCount(), 1);
    QCOMPARE(list->CellText(0, 0), QStringLiteral("週報"));

    WhenEditorShown<CDialogRepSubj>(this, [](CDialogRepSubj& editor) {
        QVERIFY(editor.Control<QCheckBox>(kFriday)->isChecked());
        Retype(editor.Control<QPlainTextEdit>(kRepContent), QStringLiteral("提出"));
        PressOk(editor);
    });
    DoubleClickRow(list, 0);
    QCOMPARE(list->RowCount(), 1);

    window->Control<QPushButton>(kSaveButton)->click();
    QVERIFY(messages_.Texts().isEmpty());
    QCOMPARE(ReadFile(kIndivFileName), QByteArray("_VESKAT_I_DAT_VER_1_2_\r\n2024\t06\t01\t") +
                                           Sjis(QStringLiteral("打合せ（変更）")).c_str() +
                                           "\t10\t15\tC\t" +
                                           Sjis(QStringLiteral("議題<br>資料")).c_str() + "\t\r\n");
    QCOMPARE(ReadFile(kRepFileName), QByteArray("_VESKAT_R_DAT_VER_1_2_\r\n") +
                                         Sjis(QStringLiteral("週報")).c_str() +
                                         "\t00\t00\t00\t0\t0\t0\t0\t0\t0\t1\t0\t0\t17\t00\tU\t" +
                                         Sjis(QStringLiteral("提出")).c_str() + "\r\n");
}

QTEST_MAIN(MainWindowEditTest)
#include "MainWindowEditTest.moc"
