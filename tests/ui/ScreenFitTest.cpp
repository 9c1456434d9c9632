// Every dialog on a small magnified screen (run with QT_SCALE_FACTOR=2 on a
// 1366x768 offscreen screen): wholly on the screen with room for its title
// bar, no control outside its dialog or over another, and each control that
// takes the focus in view once it has it (as much of it as the view holds).
#include <QApplication>
#include <QGroupBox>
#include <QScreen>
#include <QStyle>
#include <QTest>

#include "DialogTemplate.h"
#include "TemplateDialog.h"

namespace {

QList<QWidget*> ControlsOf(const QWidget& dialog) {
    QList<QWidget*> controls;
    for (QWidget* child : dialog.findChildren<QWidget*>()) {
        if (child->property(kControlIdProperty).isValid()) {
            controls.push_back(child);
        }
    }
    return controls;
}

// Where `control` shows inside `dialog`: its rectangle cut by every parent
// between them, as a scrolling page shows only part of itself.
QRect VisiblePart(const QWidget& dialog, const QWidget* control) {
    QRect visible(control->mapTo(&dialog, QPoint(0, 0)), control->size());
    for (const QWidget* parent = control->parentWidget(); parent != &dialog;
         parent = parent->parentWidget()) {
        visible &= QRect(parent->mapTo(&dialog, QPoint(0, 0)), parent->size());
    }
    return visible & dialog.rect();
}

}  // namespace

class ScreenFitTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QCOMPARE(QApplication::primaryScreen()->size(), QSize(683, 384)); }

    void everyDialogFitsASmallMagnifiedScreen_data() {
        QTest::addColumn<int>("id");
        for (const DialogTemplate& t : AllDialogTemplates()) {
            QTest::newRow(qPrintable(QStringLiteral("dialog %1").arg(t.id))) << t.id;
        }
    }

    void everyDialogFitsASmallMagnifiedScreen() {
        QFETCH(int, id);
        TemplateDialog dialog(id);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        const QRect available = dialog.screen()->availableGeometry();
        const int titleBar = dialog.style()->pixelMetric(QStyle::PM_TitleBarHeight);
        QVERIFY(available.contains(dialog.frameGeometry()));
        QVERIFY(dialog.geometry().top() - available.top() >= titleBar);

        const QList<QWidget*> controls = ControlsOf(dialog);
        QCOMPARE(controls.size(), static_cast<qsizetype>(FindDialogTemplate(id)->controls.size()));
        for (QWidget* control : controls) {
            const QString where = control->objectName();
            QVERIFY2(control->parentWidget()->rect().contains(control->geometry()),
                     qPrintable(where + " lies outside its dialog"));
            for (QWidget* other : controls) {
                const bool encloses = qobject_cast<QGroupBox*>(other) != nullptr ||
                                      qobject_cast<QGroupBox*>(control) != nullptr;
                QVERIFY2(
                    other == control || encloses ||
                        !QRect(control->mapTo(&dialog, QPoint(0, 0)), control->size())
                             .intersects(QRect(other->mapTo(&dialog, QPoint(0, 0)), other->size())),
                    qPrintable(where + " overlaps " + other->objectName()));
            }
            if (control->focusPolicy() & Qt::TabFocus) {
                control->setFocus();
                QCoreApplication::processEvents();
                // Wholly, unless it is bigger than the part of the page in view.
                QWidget* page = control->parentWidget();
                const QSize room =
                    page == &dialog ? dialog.size() : VisiblePart(dialog, page).size();
                QVERIFY2(VisiblePart(dialog, control).size() == control->size().boundedTo(room),
                         qPrintable(where + " is out of view with the focus"));
            }
        }
    }
};

QTEST_MAIN(ScreenFitTest)
#include "ScreenFitTest.moc"
