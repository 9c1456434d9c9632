// The message service: the real box pressed by a timer, and the scripted one
// other folders' tests use.
#include <QMessageBox>
#include <QPushButton>
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
        PressLater(QStringLiteral("はい"), &caption);
        QCOMPARE(
            messages.Show(nullptr, QStringLiteral("変更を保存しますか？"), MessageButtons::YesNo),
            MessageAnswer::Yes);
        QCOMPARE(caption, QStringLiteral("veskat"));
        PressLater(QStringLiteral("いいえ"), &caption);
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
