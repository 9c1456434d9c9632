// The title and content fields of the editors: the byte limits while typing
// and pasting, tabs and line breaks, and the conversion between stored
// content ("<br>", Shift_JIS) and the edit's text.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QTest>

#include "EditorTestSupport.h"
#include "SubjRecord.h"
#include "SubjTextField.h"

class SubjTextFieldTest : public QObject {
    Q_OBJECT

  private slots:
    void shouldFindTheChangedRange_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("at");
        QTest::addColumn<int>("removed");
        QTest::addColumn<int>("added");
        QTest::newRow("insert in the middle") << "abcd"
                                              << "abXYcd" << 2 << 0 << 2;
        QTest::newRow("replace a selection") << "abcd"
                                             << "aZd" << 1 << 2 << 1;
        QTest::newRow("delete at the end") << "abcd"
                                           << "ab" << 2 << 2 << 0;
        QTest::newRow("from empty") << ""
                                    << "xyz" << 0 << 0 << 3;
        QTest::newRow("pair after a shared high surrogate")
            << QStringLiteral("\U0001F600") << QStringLiteral("\U0001F601") << 0 << 2 << 2;
    }
    void shouldFindTheChangedRange() {
        QFETCH(QString, before);
        QFETCH(QString, after);
        const TextChange change = FindChange(before, after);
        QTEST(int(change.at), "at");
        QTEST(int(change.removed), "removed");
        QTEST(int(change.added), "added");
    }

    void shouldConvertContentBothWays() {
        QCOMPARE(ContentToEditText("a<br>b<BR>c\r\nd"), QStringLiteral("a\nb\nc\nd"));
        QCOMPARE(ContentFromEditText(QStringLiteral("a\nb\tc")),
                 std::optional<std::string>("a<br>b c"));
        QCOMPARE(ContentFromEditText(QStringLiteral("\u2028\u2029")),
                 std::optional<std::string>("<br><br>"));
        QCOMPARE(ContentFromEditText(QStringLiteral("\U0001F600")), std::nullopt);
        QCOMPARE(ContentBytes(QStringLiteral("あ\nb")), std::size_t{7});
    }

    // Random pastes into a title near its limit against a plain model: the
    // text is the longest start of what was pasted that fits in 72 bytes.
    void shouldCutPastedTitleAtTheLastCharacterThatFits() {
        QLineEdit edit;
        SubjTextField field(&edit, SubjTextField::Kind::Title);
        field.Show({});
        const QString pool = QStringLiteral("aｱあ漢\U0001F600");
        QRandomGenerator random(42);
        for (int round = 0; round < 200; ++round) {
            Retype(&edit, QString());
            QString text;
            const int length = random.bounded(1, 60);
            for (int i = 0; i < length; ++i) {
                const int pick = random.bounded(5);
                text += pick == 4 ? pool.mid(4, 2) : pool.mid(pick, 1);
            }
            Paste(&edit, text);
            QString model;
            for (qsizetype i = 0; i < text.size();) {
                const qsizetype step = text[i].isHighSurrogate() ? 2 : 1;
                if (TitleBytes(model + text.mid(i, step)) > kTitleLimit) {
                    break;
                }
                model += text.mid(i, step);
                i += step;
            }
            QCOMPARE(edit.text(), model);
        }
    }

    void shouldStopTypingAtTheLimitOnACharacterBoundary() {
        QLineEdit edit;
        SubjTextField field(&edit, SubjTextField::Kind::Title);
        field.Show(std::string(71, 'a'));
        auto* counter = edit.findChild<QLabel*>(QStringLiteral("titleCounter"));
        QVERIFY(counter != nullptr);
        QCOMPARE(counter->text(), QStringLiteral("71/72"));
        edit.setFocus();
        edit.end(false);
        Type(&edit, QStringLiteral("あb"));
        QCOMPARE(edit.text(), QString(71, u'a') + u'b');
        // The limit is said, not only kept.
        QCOMPARE(counter->text(), QStringLiteral("72/72 上限"));
        QVERIFY(edit.accessibleDescription().contains(QStringLiteral("上限")));
        Type(&edit, QStringLiteral("c"));
        QCOMPARE(edit.text().size(), static_cast<qsizetype>(kTitleLimit));
        // Replacing a selection frees its bytes first.
        edit.setSelection(0, 2);
        Type(&edit, QStringLiteral("あ"));
        QCOMPARE(edit.text(), QStringLiteral("あ") + QString(69, u'a') + u'b');
        QCOMPARE(field.Bytes()->size(), kTitleLimit);
        QTest::keyClick(&edit, Qt::Key_Backspace);  // the あ just typed
        QCOMPARE(counter->text(), QStringLiteral("70/72"));
    }

    void shouldCountEachContentLineBreakAsFourBytes() {
        QPlainTextEdit edit;
        SubjTextField field(&edit, SubjTextField::Kind::Content);
        field.Show({});
        Paste(&edit, QString(390, u'x'));
        QTest::keyClick(&edit, Qt::Key_Return);  // 394 once escaped: refused
        QCOMPARE(edit.toPlainText(), QString(390, u'x'));
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QTest::keyClick(&edit, Qt::Key_Backspace);
        Paste(&edit, QStringLiteral("\nあいう"));
        QCOMPARE(edit.toPlainText(), QString(388, u'x') + u'\n');
        QCOMPARE(field.Bytes()->size(), kContentLimit);
        QCOMPARE(field.Bytes()->substr(388), std::string("<br>"));
    }

    void shouldStoreTabsAsBlanksAndMoveFocusOnTab() {
        QWidget window;
        auto* title = new QLineEdit(&window);
        auto* content = new QPlainTextEdit(&window);
        auto* next = new QLineEdit(&window);
        content->setTabChangesFocus(true);
        SubjTextField titleField(title, SubjTextField::Kind::Title);
        SubjTextField contentField(content, SubjTextField::Kind::Content);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        Paste(title, QStringLiteral("a\tb\nc"));
        QCOMPARE(title->text(), QStringLiteral("a b c"));
        Paste(content, QStringLiteral("d\te\nf"));
        QCOMPARE(content->toPlainText(), QStringLiteral("d e\nf"));
        QCOMPARE(*contentField.Bytes(), std::string("d e<br>f"));
        content->setFocus();
        QTest::keyClick(content, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
        QCOMPARE(content->toPlainText(), QStringLiteral("d e\nf"));
    }
};

QTEST_MAIN(SubjTextFieldTest)
#include "SubjTextFieldTest.moc"
