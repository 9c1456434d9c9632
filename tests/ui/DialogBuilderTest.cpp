// Dialogs built from every template: ids, kinds, captions, positions in
// dialog units converted to pixels, tab order, and the keys and buttons that
// end a dialog with 1 or 2.
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <algorithm>

#include "ControlLabels.h"
#include "DialogTemplate.h"
#include "ResourceIds.h"
#include "SubjListView.h"
#include "TemplateDialog.h"

namespace {

bool IsKind(QWidget* widget, ControlKind kind) {
    switch (kind) {
        case ControlKind::PushButton:
            return qobject_cast<QPushButton*>(widget) &&
                   !qobject_cast<QPushButton*>(widget)->isDefault();
        case ControlKind::DefaultPushButton:
            return qobject_cast<QPushButton*>(widget) &&
                   qobject_cast<QPushButton*>(widget)->isDefault();
        case ControlKind::Edit:
            return qobject_cast<QLineEdit*>(widget) != nullptr;
        case ControlKind::MultiLineEdit:
            return qobject_cast<QPlainTextEdit*>(widget) != nullptr;
        case ControlKind::StaticText:
        case ControlKind::Icon:
            return qobject_cast<QLabel*>(widget) != nullptr;
        case ControlKind::GroupBox:
            return qobject_cast<QGroupBox*>(widget) != nullptr;
        case ControlKind::CheckBox:
            return qobject_cast<QCheckBox*>(widget) != nullptr;
        case ControlKind::RadioButton:
            return qobject_cast<QRadioButton*>(widget) != nullptr;
        case ControlKind::DropDownList:
            return qobject_cast<QComboBox*>(widget) != nullptr;
        case ControlKind::ListView:
            return qobject_cast<SubjListView*>(widget) != nullptr;
    }
    return false;
}

QString CaptionOf(QWidget* widget) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return button->text();
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->text();
    }
    if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        return group->title();
    }
    return {};
}

// The dialog's own controls in template order, found by the names the builder
// gives them (the order of its children is the order they are drawn in).
QList<QWidget*> ControlsOf(const TemplateDialog& dialog, int id) {
    const DialogTemplate& t = *FindDialogTemplate(id);
    const ControlLabels labels(t);
    QList<QWidget*> controls;
    for (std::size_t i = 0; i < t.controls.size(); ++i) {
        const QString name = QString::fromStdString(labels.ObjectName(static_cast<int>(i)));
        controls.push_back(dialog.findChild<QWidget*>(name, Qt::FindDirectChildrenOnly));
    }
    return controls;
}

// Runs the dialog and, once it is up, `act` on it; returns what exec() gave.
int RunWith(TemplateDialog& dialog, const std::function<void()>& act) {
    QTimer::singleShot(0, &dialog, [&dialog, act] {
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        act();
        // Ends a dialog the action did not end, so that a failing case fails
        // instead of hanging.
        QTimer::singleShot(0, &dialog, [&dialog] { dialog.done(99); });
    });
    return dialog.exec();
}

}  // namespace

class DialogBuilderTest : public QObject {
    Q_OBJECT

  private slots:
    void everyTemplateBuildsItsControls_data() {
        QTest::addColumn<int>("id");
        for (const DialogTemplate& t : AllDialogTemplates()) {
            QTest::newRow(qPrintable(QStringLiteral("dialog %1").arg(t.id))) << t.id;
        }
    }
    void everyTemplateBuildsItsControls() {
        QFETCH(int, id);
        const DialogTemplate& t = *FindDialogTemplate(id);
        TemplateDialog dialog(id);
        QCOMPARE(dialog.windowTitle(), QString::fromStdString(t.caption));
        QVERIFY(dialog.AvgCharWidth() > 0 && dialog.CharHeight() > 0);
        const int menuHeight = dialog.height() - t.height * dialog.CharHeight() / 8;
        QCOMPARE(dialog.width(), t.width * dialog.AvgCharWidth() / 4);
        QCOMPARE(menuHeight > 0, t.menuId != 0);

        const QList<QWidget*> controls = ControlsOf(dialog, id);
        QCOMPARE(controls.size(), static_cast<qsizetype>(t.controls.size()));
        for (std::size_t i = 0; i < t.controls.size(); ++i) {
            const ControlTemplate& c = t.controls[i];
            QWidget* widget = controls[static_cast<qsizetype>(i)];
            const QByteArray where = QByteArray::number(static_cast<int>(i));
            QVERIFY2(IsKind(widget, c.kind), where);
            QCOMPARE(ControlIdOf(widget), c.id);
            if (c.id != kIdStatic) {
                QCOMPARE(FindControl(&dialog, c.id), widget);
            }
            QCOMPARE(CaptionOf(widget), QString::fromStdString(c.caption));
            QCOMPARE(widget->x(), c.x * dialog.AvgCharWidth() / 4);
            // A label beside a one-line control stands on that control's line.
            auto* label = qobject_cast<QLabel*>(widget);
            QWidget* line = label != nullptr ? label->buddy() : nullptr;
            const int top = menuHeight + c.y * dialog.CharHeight() / 8;
            const int bottom = top + c.height * dialog.CharHeight() / 8;
            const bool besideIt =
                line != nullptr && line->y() < bottom && top < line->geometry().bottom();
            if (besideIt && (qobject_cast<QComboBox*>(line) || qobject_cast<QLineEdit*>(line))) {
                QCOMPARE(widget->y(), line->y());
                QCOMPARE(widget->height(), line->height());
                continue;
            }
            QCOMPARE(widget->y(), menuHeight + c.y * dialog.CharHeight() / 8);
            if (c.kind == ControlKind::DropDownList) {
                auto* combo = qobject_cast<QComboBox*>(widget);
                QCOMPARE(combo->count(), static_cast<int>(c.items.size()));
                for (std::size_t k = 0; k < c.items.size(); ++k) {
                    QCOMPARE(combo->itemText(static_cast<int>(k)),
                             QString::fromStdString(c.items[k]));
                }
            } else if (c.kind != ControlKind::Icon) {
                QCOMPARE(widget->height(), c.height * dialog.CharHeight() / 8);
                // A caption may grow into free space, never shrink.
                QVERIFY(widget->width() >= c.width * dialog.AvgCharWidth() / 4);
            }
        }
    }

    void tabOrderIsTemplateOrder_data() { everyTemplateBuildsItsControls_data(); }
    void tabOrderIsTemplateOrder() {
        QFETCH(int, id);
        TemplateDialog dialog(id);
        QList<QWidget*> expected;
        for (QWidget* widget : ControlsOf(dialog, id)) {
            if (widget->focusPolicy() & Qt::TabFocus) {
                expected.push_back(widget);
            }
        }
        QVERIFY(!expected.isEmpty());
        QWidget* widget = expected.front();
        for (qsizetype i = 1; i < expected.size(); ++i) {
            do {
                widget = widget->nextInFocusChain();
            } while (!(widget->focusPolicy() & Qt::TabFocus) || widget->parent() != &dialog);
            QCOMPARE(widget, expected[i]);
        }
    }

    // Tab goes through the controls as they are drawn: along a line left to
    // right, then on to the next line down. The chain is a ring, read here from
    // the control at the top left; the buttons that come first in a template
    // come round last, as the bottom line.
    void tabOrderFollowsTheLinesAsDrawn_data() { everyTemplateBuildsItsControls_data(); }
    void tabOrderFollowsTheLinesAsDrawn() {
        QFETCH(int, id);
        TemplateDialog dialog(id);
        QList<QWidget*> chain;
        for (QWidget* widget : ControlsOf(dialog, id)) {
            if (widget->focusPolicy() & Qt::TabFocus) {
                chain.push_back(widget);
            }
        }
        const auto topLeft = std::min_element(chain.begin(), chain.end(), [](auto* a, auto* b) {
            return std::pair(a->y(), a->x()) < std::pair(b->y(), b->x());
        });
        std::rotate(chain.begin(), topLeft, chain.end());
        for (qsizetype i = 1; i < chain.size(); ++i) {
            const QRect from = chain[i - 1]->geometry();
            const QRect to = chain[i]->geometry();
            const bool sameLine = to.top() <= from.bottom() && from.top() <= to.bottom();
            QVERIFY2(sameLine ? to.left() > from.left() : to.top() > from.top(),
                     qPrintable(chain[i - 1]->objectName() + " → " + chain[i]->objectName()));
        }
    }

    // What the user sees under the pointer takes the click: no control lies
    // under another, and every control inside a group box answers a click sent
    // to the window at its centre, not only one sent to the control itself
    // (which passes even while the box lies on top of it and takes every real
    // click).
    void everyControlTakesTheClickAtItsCentre_data() { everyTemplateBuildsItsControls_data(); }
    void everyControlTakesTheClickAtItsCentre() {
        QFETCH(int, id);
        TemplateDialog dialog(id);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QList<QWidget*> controls = ControlsOf(dialog, id);
        QList<QRect> boxes;
        for (QWidget* widget : controls) {
            if (qobject_cast<QGroupBox*>(widget) != nullptr) {
                boxes.push_back(widget->geometry());
            }
        }
        for (QWidget* widget : controls) {
            if (ControlIdOf(widget) == kIdStatic) {
                continue;
            }
            // Nothing else lies on top of any control.
            const QByteArray where = widget->objectName().toUtf8();
            QWidget* hit = dialog.childAt(widget->geometry().center());
            QVERIFY2(hit == widget || widget->isAncestorOf(hit), where);
            const bool inside = std::any_of(boxes.begin(), boxes.end(), [widget](const QRect& box) {
                return box.contains(widget->geometry());
            });
            if (!inside) {
                continue;
            }
            auto* box = qobject_cast<QCheckBox*>(widget);
            auto* list = qobject_cast<QComboBox*>(widget);
            const bool wasChecked = box != nullptr && box->isChecked();
            QTest::mouseClick(dialog.windowHandle(), Qt::LeftButton, {},
                              widget->geometry().center());
            if (box != nullptr) {
                QVERIFY2(box->isChecked() != wasChecked, where);
            } else if (list != nullptr) {
                QVERIFY2(list->view()->isVisible(), where);
                list->hidePopup();
            } else if (widget->focusPolicy() != Qt::NoFocus) {  // a text shown takes no focus
                QVERIFY2(widget->hasFocus(), where);
            }
        }
    }

    // The windows speak Japanese: the only Latin words of their captions and
    // labels are names (the program's, the protocols', a file format's) and OK.
    void captionsAreJapanese() {
        const QSet<QString> names = {"veskat", "OK",  "FTP",    "FTPS",
                                     "ID",     "PEM", "CalDAV", "iCalendar"};
        const QRegularExpression word(QStringLiteral("[A-Za-z]+"));
        for (const DialogTemplate& t : AllDialogTemplates()) {
            for (const ControlTemplate& c : t.controls) {
                const QString text = QString::fromStdString(t.caption + " " + c.caption);
                for (const auto& match : word.globalMatch(text)) {
                    QVERIFY2(names.contains(match.captured()), qPrintable(text));
                }
            }
        }
    }

    void captionsFitTheirControls() {
        for (const DialogTemplate& t : AllDialogTemplates()) {
            TemplateDialog dialog(t.id);
            for (QLabel* label : dialog.findChildren<QLabel*>()) {
                if (!label->text().isEmpty()) {
                    QVERIFY2(label->width() >= label->sizeHint().width(),
                             qPrintable(label->text()));
                }
            }
        }
    }

    // Dialogs take the desktop's font and size: a large desktop font gives
    // larger dialogs laid out from the same dialog units, whose captions
    // still fit, and Japanese glyphs come from a Japanese family.
    void dialogsTakeTheDesktopFont() {
        const QFont desktop = QApplication::font();
        QFont large = desktop;
        large.setPointSizeF(20);
        QApplication::setFont(large);
        const auto restore = qScopeGuard([&] { QApplication::setFont(desktop); });

        TemplateDialog main(kMainDialogId);
        QCOMPARE(main.font().pointSizeF(), 20.0);
        QCOMPARE(main.font().families().front(), large.families().value(0, large.family()));
        QVERIFY(main.font().families().contains(QStringLiteral("Noto Sans CJK JP")));
        QCOMPARE(main.width(), FindDialogTemplate(kMainDialogId)->width * main.AvgCharWidth() / 4);
        // The About box asks for 9 points where the others ask for the usual 8.
        QCOMPARE(TemplateDialog(kAboutDialogId).font().pointSizeF(), 22.5);
        for (const DialogTemplate& t : AllDialogTemplates()) {
            TemplateDialog dialog(t.id);
            for (QLabel* label : dialog.findChildren<QLabel*>()) {
                QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
            }
        }

        QApplication::setFont(desktop);
        const TemplateDialog usual(kMainDialogId);
        QCOMPARE(usual.font().pointSizeF(), desktop.pointSizeF());
        QVERIFY(main.width() > usual.width() * 3 / 2);
    }

    void enterClicksTheDefaultButtonAndEscCancels() {
        TemplateDialog ok(kIndivEditorDialogId);
        QCOMPARE(RunWith(ok,
                         [&] {
                             QTest::keyClick(ok.Control<QLineEdit>(IndivEditorIds::kTitleEdit),
                                             Qt::Key_Return);
                         }),
                 kIdOk);
        TemplateDialog esc(kIndivEditorDialogId);
        QCOMPARE(RunWith(esc, [&] { QTest::keyClick(&esc, Qt::Key_Escape); }), kIdCancel);
        TemplateDialog closed(kConnectDialogId);
        QCOMPARE(RunWith(closed, [&] { closed.close(); }), kIdCancel);
        TemplateDialog cancel(kPasswordDialogId);
        QCOMPARE(RunWith(cancel, [&] { cancel.Control<QPushButton>(kIdCancel)->click(); }),
                 kIdCancel);
    }

    void enterInAMultiLineEditStartsANewLine() {
        TemplateDialog dialog(kIndivEditorDialogId);
        const int result = RunWith(dialog, [&] {
            auto* content = dialog.Control<QPlainTextEdit>(IndivEditorIds::kContentEdit);
            content->setFocus();
            QTest::keyClicks(content, QStringLiteral("a"));
            QTest::keyClick(content, Qt::Key_Return);
            QTest::keyClicks(content, QStringLiteral("b"));
            QCOMPARE(content->toPlainText(), QStringLiteral("a\nb"));
        });
        QCOMPARE(result, 99);
    }

    // The main dialog has no default button: Enter on a focused push button
    // clicks it, elsewhere it is the dialog's confirm action.
    void enterWithoutADefaultButton() {
        TemplateDialog dialog(kMainDialogId);
        int clicks = 0;
        connect(dialog.Control<QPushButton>(MainDialogIds::kAddId), &QPushButton::clicked,
                [&] { ++clicks; });
        QCOMPARE(RunWith(dialog,
                         [&] {
                             auto* add = dialog.Control<QPushButton>(MainDialogIds::kAddId);
                             QCOMPARE(QApplication::focusWidget(), add);
                             QTest::keyClick(add, Qt::Key_Return);
                             QCOMPARE(clicks, 1);
                             QVERIFY(dialog.isVisible());
                             auto* list = dialog.Control<SubjListView>(MainDialogIds::kListId);
                             list->setFocus();
                             QTest::keyClick(list, Qt::Key_Return);
                         }),
                 kIdOk);
    }

    void mainMenuCarriesItsCommands() {
        TemplateDialog dialog(kMainDialogId);
        using namespace MainDialogIds;
        for (int command : {kSaveMenuId, kSaveExitMenuId, kExitNoSaveMenuId, kConnectMenuId,
                            kExportIcsMenuId, kImportIcsMenuId, kNotifyMenuId}) {
            QVERIFY(dialog.MenuAction(command) != nullptr);
        }
        QCOMPARE(dialog.MenuAction(kSaveMenuId)->text(), QStringLiteral("保存(&S)"));
        QCOMPARE(dialog.MenuAction(kConnectMenuId)->text(), QStringLiteral("接続(&C)..."));
        QCOMPARE(dialog.MenuAction(kNotifyMenuId)->text(), QStringLiteral("通知する"));
        QVERIFY(dialog.MenuAction(kNotifyMenuId + 1) == nullptr);
    }

    // A prompt during start-up, before its owner is on the screen, opens in the
    // middle of the screen; over a shown owner, in the middle of the owner.
    void dialogOpensOverItsOwnerOrTheScreen() {
        const auto centreOf = [](QWidget& owner) {
            TemplateDialog dialog(kPasswordDialogId, &owner);
            dialog.show();
            return dialog.frameGeometry().center();
        };
        QWidget owner;
        owner.setGeometry(0, 0, 40, 40);
        const QPoint screen = QApplication::primaryScreen()->availableGeometry().center();
        QVERIFY((centreOf(owner) - screen).manhattanLength() <= 2);
        owner.setGeometry(30, 40, 600, 400);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        QVERIFY((centreOf(owner) - owner.frameGeometry().center()).manhattanLength() <= 2);
    }

    void digitsOnlyEditRefusesLetters() {
        TemplateDialog dialog(kIndivEditorDialogId);
        auto* year = dialog.Control<QLineEdit>(IndivEditorIds::kYearEdit);
        QTest::keyClicks(year, QStringLiteral("20a24"));
        QCOMPARE(year->text(), QStringLiteral("2024"));
        QCOMPARE(dialog.Control<QLineEdit>(PasswordDialogIds::kPasswordEdit), nullptr);
        TemplateDialog password(kPasswordDialogId);
        QCOMPARE(password.Control<QLineEdit>(PasswordDialogIds::kPasswordEdit)->echoMode(),
                 QLineEdit::Password);
    }
};

QTEST_MAIN(DialogBuilderTest)
#include "DialogBuilderTest.moc"
