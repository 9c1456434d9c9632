// The message service: the real box pressed by a timer, and the scripted one
// other folders' tests use.
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "QtMessageService.h"
#include "ScriptedMessageService.h"

namespace {

// Presses the button captioned `caption` of the message box once it is up,
// noting the box's caption.
void PressLater(const QString& caption, QString* seenCaption) {
    QTimer::singleShot(0, [caption, seenCaption] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box != nullptr);
        *seenCaption = box->windowTitle();
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == caption) {
                button->click();
                return;
            }
        }
        QFAIL(qPrintable(QStringLiteral("no button ") + caption));
    });
}

}  // namespace

class MessageServiceTest : public QObject {
    Q_OBJECT

  private slots:
    void realBoxAnswersWhichButtonWasPressed() {
        QtMessageService messages;
        QString caption;
        PressLater(QStringLiteral("はい(&Y)"), &caption);
        QCOMPARE(
            messages.Show(nullptr, QStringLiteral("変更を保存しますか？"), MessageButtons::YesNo),
            MessageAnswer::Yes);
        QCOMPARE(caption, QStringLiteral("veskat"));
        PressLater(QStringLiteral("いいえ(&N)"), &caption);
        QVERIFY(!messages.AskYes(nullptr, QStringLiteral("よろしいですか？")));
        PressLater(QStringLiteral("OK"), &caption);
        QCOMPARE(
            messages.Show(nullptr, QStringLiteral("案件は既に存在します。"), MessageButtons::Ok),
            MessageAnswer::Ok);
    }

    void realBoxShowsTheTextAsItIs() {
        QtMessageService messages;
        QString text;
        QTimer::singleShot(0, [&text] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            text = box->text();
            box->buttons().front()->click();
        });
        messages.Inform(nullptr, QStringLiteral("<b>a</b>\nb"));
        QCOMPARE(text, QStringLiteral("<b>a</b>\nb"));

        // A detail goes below, as typed, and the text stays as it was.
        QString detail;
        QTimer::singleShot(0, [&text, &detail] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            text = box->text();
            auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
            QVERIFY(label != nullptr && label->textFormat() == Qt::PlainText);
            detail = label->text();
            box->buttons().front()->click();
        });
        messages.AskYes(nullptr, QStringLiteral("q"), QStringLiteral("2024/05/20 <i>x</i>"));
        QCOMPARE(text, QStringLiteral("q"));
        QCOMPARE(detail, QStringLiteral("2024/05/20 <i>x</i>"));
    }

    // Y and N answer a question from the keyboard, Enter takes the default and Esc No;
    // a question shows the question icon and an OK box the warning icon.
    void realBoxAnswersKeysAndCarriesItsIcon() {
        QtMessageService messages;
        const auto answerWith = [&messages](int key, MessageButtons buttons) {
            QMessageBox::Icon icon = QMessageBox::NoIcon;
            QTimer::singleShot(0, [key, &icon] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                QVERIFY(box != nullptr);
                icon = box->icon();
                QTest::keyClick(box, static_cast<Qt::Key>(key));
            });
            const MessageAnswer answer = messages.Show(nullptr, QStringLiteral("q"), buttons);
            return std::make_pair(answer, icon);
        };
        const auto yes = std::make_pair(MessageAnswer::Yes, QMessageBox::Question);
        const auto no = std::make_pair(MessageAnswer::No, QMessageBox::Question);
        QCOMPARE(answerWith(Qt::Key_Y, MessageButtons::YesNo), yes);
        QCOMPARE(answerWith(Qt::Key_N, MessageButtons::YesNo), no);
        QCOMPARE(answerWith(Qt::Key_Return, MessageButtons::YesNo), yes);
        QCOMPARE(answerWith(Qt::Key_Escape, MessageButtons::YesNo), no);
        QCOMPARE(answerWith(Qt::Key_Return, MessageButtons::Ok),
                 std::make_pair(MessageAnswer::Ok, QMessageBox::Warning));
        QCOMPARE(answerWith(Qt::Key_N, MessageButtons::YesNoCancel), no);
        QCOMPARE(answerWith(Qt::Key_Escape, MessageButtons::YesNoCancel),
                 std::make_pair(MessageAnswer::Cancel, QMessageBox::Question));
        // Where Yes would store what the user may not have meant, Enter takes No.
        QCOMPARE(answerWith(Qt::Key_Return, MessageButtons::YesNoDefaultNo), no);
        QCOMPARE(answerWith(Qt::Key_Escape, MessageButtons::YesNoDefaultNo), no);
        QCOMPARE(answerWith(Qt::Key_Y, MessageButtons::YesNoDefaultNo), yes);
    }

    // A question that can be backed out of: its キャンセル and its own close box answer Cancel.
    void realBoxBacksOutOnCancelAndOnItsCloseBox() {
        QtMessageService messages;
        QString caption;
        PressLater(QStringLiteral("キャンセル"), &caption);
        QCOMPARE(messages.AskYesNoCancel(nullptr, QStringLiteral("変更を保存しますか？")),
                 MessageAnswer::Cancel);
        QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
        QCOMPARE(messages.AskYesNoCancel(nullptr, QStringLiteral("変更を保存しますか？")),
                 MessageAnswer::Cancel);
    }

    // A box over a window not yet shown stands in the middle of the screen.
    void realBoxOverAHiddenWindowIsCentredOnTheScreen() {
        QtMessageService messages;
        QWidget hidden;
        hidden.setGeometry(0, 0, 50, 50);
        QRect place;
        QTimer::singleShot(0, [&place] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            place = box->frameGeometry();
            box->buttons().front()->click();
        });
        messages.Inform(&hidden, QStringLiteral("x"));
        const QRect screen = QApplication::primaryScreen()->availableGeometry();
        QVERIFY2(qAbs(place.center().x() - screen.center().x()) <= 2 &&
                     qAbs(place.center().y() - screen.center().y()) <= 2,
                 qPrintable(QStringLiteral("box at %1,%2").arg(place.x()).arg(place.y())));
    }

    void scriptedServiceRecordsAndAnswersFromItsQueue() {
        ScriptedMessageService messages;
        messages.QueueAnswer(MessageAnswer::Yes);
        QVERIFY(messages.AskYes(nullptr, QStringLiteral("one")));
        messages.Inform(nullptr, QStringLiteral("two"));  // takes no queued answer
        QVERIFY(!messages.AskYes(nullptr, QStringLiteral("three")));
        QCOMPARE(messages.Texts(), QStringList({"one", "two", "three"}));
        QCOMPARE(messages.History()[1].buttons, MessageButtons::Ok);
        QCOMPARE(messages.UnscriptedQuestions(), 1);
        messages.QueueAnswer(MessageAnswer::No);
        QCOMPARE(messages.PendingAnswers(), std::size_t{1});
        messages.Clear();
        QVERIFY(messages.Texts().isEmpty());
        QCOMPARE(messages.PendingAnswers(), std::size_t{0});
    }
};

QTEST_MAIN(MessageServiceTest)
#include "MessageServiceTest.moc"
