// The toolkit's own parts of the windows in Japanese, as the program installs
// them at start-up (run under a Japanese locale): the file dialog of the export
// and of the certificate, and the right-click menu of every text field. A
// folder without the catalogue leaves them English, without a word.
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "ToolkitTranslations.h"

namespace {

QStringList ButtonTexts(const QWidget& window) {
    QStringList texts;
    for (const QPushButton* button : window.findChildren<QPushButton*>()) {
        texts.push_back(button->text());
    }
    return texts;
}

QStringList MenuTexts(QLineEdit& edit) {
    const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList texts;
    for (const QAction* action : menu->actions()) {
        if (!action->isSeparator()) {
            texts.push_back(action->text().section(QLatin1Char('\t'), 0, 0));
        }
    }
    return texts;
}

// The file dialog the program opens where the desktop offers none of its own.
std::unique_ptr<QFileDialog> SaveDialog() {
    auto dialog = std::make_unique<QFileDialog>();
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    return dialog;
}

}  // namespace

class ToolkitJapaneseTest : public QObject {
    Q_OBJECT

  private slots:
    // First, before any catalogue is in: a folder without one changes nothing
    // and says nothing.
    void missingCatalogueLeavesEnglishSilently() {
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
        const QTemporaryDir empty;
        QVERIFY(!InstallToolkitTranslations(empty.path()));
        QVERIFY(ButtonTexts(*SaveDialog()).contains(QStringLiteral("&Save")));
        QLineEdit edit;
        QVERIFY(MenuTexts(edit).contains(QStringLiteral("&Undo")));
    }

    void fileDialogAndTextMenusSpeakJapanese() {
        QVERIFY(InstallToolkitTranslations());
        const auto dialog = SaveDialog();
        const QStringList buttons = ButtonTexts(*dialog);
        QVERIFY2(buttons.contains(QStringLiteral("保存(&S)")), qPrintable(buttons.join(' ')));
        QVERIFY2(buttons.contains(QStringLiteral("キャンセル")), qPrintable(buttons.join(' ')));
        QStringList labels;
        for (const QLabel* label : dialog->findChildren<QLabel*>()) {
            labels.push_back(label->text());
        }
        QVERIFY2(labels.contains(QStringLiteral("ファイル名(&N):")), qPrintable(labels.join(' ')));
        QLineEdit edit;
        QCOMPARE(MenuTexts(edit),
                 QStringList({"元に戻す(&U)", "やり直す(&R)", "切り取り(&T)", "コピー(&C)",
                              "貼り付け(&P)", "削除", "すべてを選択"}));
    }
};

QTEST_MAIN(ToolkitJapaneseTest)
#include "ToolkitJapaneseTest.moc"
