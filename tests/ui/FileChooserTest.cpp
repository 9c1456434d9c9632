// The file dialog on a 1366x768 screen magnified twice (run so): it opens
// wholly on the screen, every button in the mouse's reach, and gives the file
// the user names, or nothing when cancelled.
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "FileChooser.h"

class FileChooserTest : public QObject {
    Q_OBJECT

  private slots:
    void opensWithinTheScreenAndGivesTheFileNamed_data() {
        QTest::addColumn<int>("choice");
        QTest::addColumn<QString>("typed");  // then Enter; none: cancelled
        QTest::newRow("open") << static_cast<int>(FileChoice::Open) << QStringLiteral("ca.pem");
        QTest::newRow("save") << static_cast<int>(FileChoice::Save) << QStringLiteral("new.ics");
        QTest::newRow("cancelled") << static_cast<int>(FileChoice::Save) << QString();
    }
    void opensWithinTheScreenAndGivesTheFileNamed() {
        QFETCH(int, choice);
        QFETCH(QString, typed);
        const QRect screen = QApplication::primaryScreen()->availableGeometry();
        QVERIFY2(screen.height() < 400, "not run on the magnified small screen");
        QTemporaryDir folder;
        QFile existing(folder.filePath(QStringLiteral("ca.pem")));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr && QTest::qWaitForWindowExposed(dialog));
            QVERIFY(screen.contains(dialog->frameGeometry()));
            for (const QPushButton* button : dialog->findChildren<QPushButton*>()) {
                const QRect place(button->mapToGlobal(QPoint(0, 0)), button->size());
                QVERIFY2(!button->isVisible() || screen.contains(place),
                         qPrintable(button->text()));
            }
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (typed.isEmpty() || name == nullptr) {
                dialog->reject();
                return;
            }
            name->clear();
            QTest::keyClicks(name, typed);
            QTest::keyClick(name, Qt::Key_Return);
        });
        const QString chosen =
            ChooseFile(nullptr, static_cast<FileChoice>(choice), QStringLiteral("選ぶ"),
                       folder.path(), QStringLiteral("すべてのファイル (*)"));
        QCOMPARE(chosen, typed.isEmpty() ? QString() : folder.filePath(typed));
    }
};

QTEST_MAIN(FileChooserTest)
#include "FileChooserTest.moc"
