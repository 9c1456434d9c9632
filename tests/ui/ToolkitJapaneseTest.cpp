// The toolkit's own texts as the program installs them at start-up (run under
// a Japanese locale): the file dialog and a text field's right-click menu in
// Japanese; a folder without the catalogue leaves them English, without a word.
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "ToolkitTranslations.h"

namespace {

// The buttons of the file dialog the program opens where the desktop has none,
// then the entries of a text field's menu.
QStringList Texts() {
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    QStringList texts;
    for (const QPushButton* button : dialog.findChildren<QPushButton*>()) {
        texts.push_back(button->text());
    }
    QLineEdit edit;
    const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    for (const QAction* action : menu->actions()) {
        texts.push_back(action->text().section(QLatin1Char('\t'), 0, 0));
    }
    return texts;
}

}  // namespace

class ToolkitJapaneseTest : public QObject {
    Q_OBJECT

  private slots:
    // First, while no catalogue is in.
    void missingCatalogueLeavesEnglishSilently() {
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
        const QTemporaryDir empty;
        QVERIFY(!InstallToolkitTranslations(empty.path()));
        QVERIFY(Texts().contains(QStringLiteral("&Save")));
    }

    void fileDialogAndTextMenusSpeakJapanese() {
        QVERIFY(InstallToolkitTranslations());
        const QStringList texts = Texts();
        for (const char* wanted : {"保存(&S)", "キャンセル", "元に戻す(&U)", "切り取り(&T)",
                                   "貼り付け(&P)", "すべてを選択"}) {
            QVERIFY2(texts.contains(QString::fromUtf8(wanted)), qPrintable(texts.join(' ')));
        }
    }
};

QTEST_MAIN(ToolkitJapaneseTest)
#include "ToolkitJapaneseTest.moc"
