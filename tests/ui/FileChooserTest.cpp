// The file dialog on a 1366x768 screen magnified twice (run so): it opens
// wholly on the screen, every button in the mouse's reach, and gives the file
// chosen, or nothing when cancelled.
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "FileChooser.h"

namespace {

// Runs `act` on the file dialog once it is on the screen.
void WhenShown(const std::function<void(QFileDialog&)>& act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        act(*dialog);
        if (dialog->isVisible()) {
            dialog->reject();
        }
    });
}

}  // namespace

class FileChooserTest : public QObject {
    Q_OBJECT

  private slots:
    void opensWithinTheScreen_data() {
        QTest::addColumn<int>("choice");
        QTest::newRow("open") << static_cast<int>(FileChoice::Open);
        QTest::newRow("save") << static_cast<int>(FileChoice::Save);
    }
    void opensWithinTheScreen() {
        QFETCH(int, choice);
        const QRect screen = QApplication::primaryScreen()->availableGeometry();
        QVERIFY2(screen.height() < 400, "not run on the magnified small screen");
        WhenShown([&screen](QFileDialog& dialog) {
            QVERIFY(screen.contains(dialog.frameGeometry()));
            for (const QPushButton* button : dialog.findChildren<QPushButton*>()) {
                if (button->isVisible()) {
                    const QRect place(button->mapToGlobal(QPoint(0, 0)), button->size());
                    QVERIFY2(screen.contains(place), qPrintable(button->text()));
                }
            }
        });
        QVERIFY(ChooseFile(nullptr, static_cast<FileChoice>(choice), QStringLiteral("選ぶ"),
                           QDir::tempPath(), QStringLiteral("すべてのファイル (*)"))
                    .isEmpty());
    }

    void givesTheFileChosen() {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("ca.pem"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        WhenShown([](QFileDialog& dialog) {
            auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(name != nullptr);
            QTest::keyClicks(name, QStringLiteral("ca.pem"));
            QTest::keyClick(name, Qt::Key_Return);
        });
        QCOMPARE(ChooseFile(nullptr, FileChoice::Open, QStringLiteral("証明書"), folder.path(),
                            QStringLiteral("証明書 (*.pem)")),
                 path);
    }
};

QTEST_MAIN(FileChooserTest)
#include "FileChooserTest.moc"
