// Every control of every dialog named for screen readers and for finding it,
// each label the buddy of the control it names, and unit labels on the text
// line of the list beside them.
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSet>
#include <QTest>

#include "ControlById.h"
#include "DialogTemplate.h"
#include "ResourceIds.h"
#include "TemplateDialog.h"

namespace {

// The controls the builder made, in template order.
QList<QWidget*> Controls(const TemplateDialog& dialog) {
    QList<QWidget*> controls;
    for (QWidget* child : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->property(kControlIdProperty).isValid()) {
            controls.append(child);
        }
    }
    return controls;
}

QLabel* BuddyOf(const TemplateDialog& dialog, QWidget* control) {
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->buddy() == control) {
            return label;
        }
    }
    return nullptr;
}

}  // namespace

class AccessibleNamesTest : public QObject {
    Q_OBJECT

  private slots:
    void everyControlHasAnAccessibleAndAUniqueObjectName() {
        for (const DialogTemplate& dialogTemplate : AllDialogTemplates()) {
            TemplateDialog dialog(dialogTemplate.id);
            const QList<QWidget*> controls = Controls(dialog);
            QCOMPARE(controls.size(), static_cast<qsizetype>(dialogTemplate.controls.size()));
            QSet<QString> objectNames;
            for (QWidget* control : controls) {
                const QString where = QStringLiteral("dialog %1, %2")
                                          .arg(dialogTemplate.id)
                                          .arg(control->objectName());
                QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(where));
                QVERIFY2(!control->objectName().isEmpty(), qPrintable(where));
                QVERIFY2(!objectNames.contains(control->objectName()), qPrintable(where));
                objectNames.insert(control->objectName());
                const bool input = qobject_cast<QLineEdit*>(control) ||
                                   qobject_cast<QComboBox*>(control) ||
                                   qobject_cast<QPlainTextEdit*>(control);
                if (input) {
                    QVERIFY2(!control->accessibleName().contains(QLatin1Char('&')),
                             qPrintable(where));
                }
            }
        }
    }

    void namesComeFromLabelsCaptionsAndGroups_data() {
        QTest::addColumn<int>("dialogId");
        QTest::addColumn<int>("controlId");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("hasBuddy");
        using namespace RepEditorIds;
        QTest::newRow("title") << kRepEditorDialogId << kTitleEdit << "タイトル" << true;
        QTest::newRow("hour") << kRepEditorDialogId << kHourList << "時" << true;
        QTest::newRow("minute shares the line's caption")
            << kRepEditorDialogId << kMinuteList << "分" << false;
        QTest::newRow("content") << kRepEditorDialogId << kContentEdit << "内容" << true;
        QTest::newRow("yearly month")
            << kRepEditorDialogId << kYearlyMonthList << "毎年の月" << true;
        QTest::newRow("yearly day") << kRepEditorDialogId << kYearlyDayList << "毎年の日" << true;
        QTest::newRow("monthly day") << kRepEditorDialogId << kMonthlyDayList << "毎月の日" << true;
        QTest::newRow("monthly week")
            << kRepEditorDialogId << kMonthlyWeekList << "毎月の第 週" << true;
        QTest::newRow("monthly weekday")
            << kRepEditorDialogId << kMonthlyWeekdayList << "毎月の曜日" << true;
        QTest::newRow("friday") << kRepEditorDialogId << kWeekdayBoxes[4] << "毎週の金" << false;
        QTest::newRow("indiv year")
            << kIndivEditorDialogId << IndivEditorIds::kYearEdit << "年" << true;
        QTest::newRow("indiv day")
            << kIndivEditorDialogId << IndivEditorIds::kDayList << "日" << false;
        QTest::newRow("indiv month")
            << kIndivEditorDialogId << IndivEditorIds::kMonthList << "月" << false;
        QTest::newRow("indiv minute")
            << kIndivEditorDialogId << IndivEditorIds::kMinuteList << "分" << false;
        QTest::newRow("host") << kConnectDialogId << ConnectDialogIds::kHostNameEdit
                              << "FTPのサーバー名又はアドレス" << true;
        QTest::newRow("password above its edit")
            << kPasswordDialogId << PasswordDialogIds::kPasswordEdit
            << "パスワードを入力してください。" << true;
        QTest::newRow("button") << kMainDialogId << MainDialogIds::kSaveExitId << "保存・終了"
                                << false;
    }

    void namesComeFromLabelsCaptionsAndGroups() {
        QFETCH(int, dialogId);
        QFETCH(int, controlId);
        QFETCH(QString, name);
        QFETCH(bool, hasBuddy);
        TemplateDialog dialog(dialogId);
        QWidget* control = FindControl(&dialog, controlId);
        QVERIFY(control != nullptr);
        QCOMPARE(control->accessibleName(), name);
        QCOMPARE(BuddyOf(dialog, control) != nullptr, hasBuddy);
        QCOMPARE(dialog.findChild<QWidget*>(control->objectName()), control);
    }

    // A screen reader gets a drop-down's name, not its current item, as its
    // name, and the item as its value.
    void dropDownsTellTheirNameAndValueToScreenReaders() {
        for (const DialogTemplate& dialogTemplate : AllDialogTemplates()) {
            TemplateDialog dialog(dialogTemplate.id);
            for (QComboBox* list : dialog.findChildren<QComboBox*>()) {
                list->setCurrentIndex(list->count() - 1);
                QAccessibleInterface* seen = QAccessible::queryAccessibleInterface(list);
                QVERIFY(seen != nullptr);
                QCOMPARE(seen->role(), QAccessible::ComboBox);
                QCOMPARE(seen->text(QAccessible::Name), list->accessibleName());
                QCOMPARE(seen->text(QAccessible::Value), list->currentText());
                QCOMPARE(seen->childCount(), 1);
                QCOMPARE(seen->child(0)->childCount(), list->count());
            }
        }
    }

    // A label above its edit stays where it is.
    void labelAboveItsEditStaysAboveIt() {
        TemplateDialog dialog(kPasswordDialogId);
        auto* edit = ControlById<QLineEdit>(&dialog, PasswordDialogIds::kPasswordEdit);
        QLabel* label = BuddyOf(dialog, edit);
        QVERIFY(label != nullptr);
        QVERIFY(label->geometry().bottom() < edit->geometry().top());
    }

    // A label beside a drop-down has its text on the list's text line.
    void unitLabelsStandOnTheLineOfTheirList() {
        using namespace RepEditorIds;
        TemplateDialog dialog(kRepEditorDialogId);
        for (int id : {kYearlyMonthList, kYearlyDayList, kMonthlyDayList, kMonthlyWeekList,
                       kMonthlyWeekdayList}) {
            auto* list = ControlById<QComboBox>(&dialog, id);
            QVERIFY(list != nullptr);
            for (QLabel* label : dialog.findChildren<QLabel*>()) {
                if (label->buddy() != list) {
                    continue;
                }
                QCOMPARE(label->geometry().center().y(), list->geometry().center().y());
                QVERIFY(label->alignment() & Qt::AlignVCenter);
            }
        }
    }
};

QTEST_MAIN(AccessibleNamesTest)
#include "AccessibleNamesTest.moc"
