// The subject list view as the main window drives it: columns, the position
// a row lands at, the hot row under the mouse, the selection mark, images.
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include <cstdlib>

#include "SubjListView.h"

namespace {

void ShowWithColumns(SubjListView& view) {
    view.InsertColumn(0, QStringLiteral("日時"), 130);
    view.InsertColumn(1, QStringLiteral("進捗"), 75);
    view.resize(400, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
}

QPoint CentreOfRow(const SubjListView& view, int row) {
    return view.visualRect(view.model()->index(row, 0)).center();
}

// Pixels of `image`, drawn on `base`, that stand out from it.
int PixelsStandingOut(const QPixmap& image, const QColor& base) {
    QImage canvas(image.size(), QImage::Format_RGB32);
    canvas.fill(base);
    QPainter painter(&canvas);
    painter.drawPixmap(0, 0, image);
    painter.end();
    int count = 0;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const QColor c = canvas.pixelColor(x, y);
            const int difference = std::abs(c.red() - base.red()) +
                                   std::abs(c.green() - base.green()) +
                                   std::abs(c.blue() - base.blue());
            count += difference > 96 ? 1 : 0;
        }
    }
    return count;
}

}  // namespace

class SubjListViewTest : public QObject {
    Q_OBJECT

  private slots:
    void columnsCanBeReplaced() {
        SubjListView view;
        ShowWithColumns(view);
        QCOMPARE(view.ColumnCount(), 2);
        QCOMPARE(view.header()->sectionSize(0), 130);
        QCOMPARE(view.model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("進捗"));
        view.RemoveAllColumns();
        QCOMPARE(view.ColumnCount(), 0);
        view.InsertColumn(5, QStringLiteral("タイトル"), 400);
        QCOMPARE(view.ColumnCount(), 1);
        QCOMPARE(view.header()->sectionSize(0), 400);
        QVERIFY(!view.header()->sectionsClickable());
    }

    void insertedRowsLandInDateOrderWhateverPositionIsAsked() {
        SubjListView view;
        ShowWithColumns(view);
        QCOMPARE(view.InsertRow(0, QStringLiteral("2024/05/02 09:00"), 1), 0);
        QCOMPARE(view.InsertRow(0, QStringLiteral("2024/05/03 08:00"), 2), 1);
        QCOMPARE(view.InsertRow(7, QStringLiteral("2024/05/02 08:30"), 3), 0);
        // An equal text goes after the rows already there.
        QCOMPARE(view.InsertRow(0, QStringLiteral("2024/05/02 09:00"), 0), 2);
        QVERIFY(view.SetCellText(2, 1, QStringLiteral("管理しない")));
        QCOMPARE(view.CellText(0, 0), QStringLiteral("2024/05/02 08:30"));
        QCOMPARE(view.RowImage(0), 3);
        QCOMPARE(view.RowImage(2), 0);
        QCOMPARE(view.CellSjis(2, 1), std::string("\x8A\xC7\x97\x9D\x82\xB5\x82\xC8\x82\xA2"));
        QVERIFY(view.SetRowImage(2, 1));
        QCOMPARE(view.RowImage(2), 1);
        QVERIFY(!view.SetCellText(4, 0, QStringLiteral("x")));
        QVERIFY(!view.SetCellText(0, 2, QStringLiteral("no such column")));
        QCOMPARE(view.CellText(9, 0), QString());
    }

    void hotRowFollowsTheMouse() {
        SubjListView view;
        ShowWithColumns(view);
        for (int i = 0; i < 3; ++i) {
            view.InsertRow(i, QStringLiteral("2024/05/0%1 10:00").arg(i + 1), 1);
        }
        QCOMPARE(view.HotRow(), -1);
        QTest::mouseMove(view.viewport(), CentreOfRow(view, 1));
        QTRY_COMPARE(view.HotRow(), 1);
        QTest::mouseMove(view.viewport(), QPoint(5, view.viewport()->height() - 3));
        QTRY_COMPARE(view.HotRow(), -1);

        QSignalSpy doubleClicks(&view, &SubjListView::RowDoubleClicked);
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, CentreOfRow(view, 2));
        QCOMPARE(doubleClicks.size(), 1);
        QCOMPARE(doubleClicks.front().front().toInt(), 2);
        QCOMPARE(view.HotRow(), 2);
    }

    void selectionMarkKeepsTheLastSelectedRow() {
        SubjListView view;
        ShowWithColumns(view);
        for (int i = 0; i < 4; ++i) {
            view.InsertRow(i, QStringLiteral("2024/05/0%1 10:00").arg(i + 1), 1);
        }
        QCOMPARE(view.SelectionMark(), -1);
        QSignalSpy changes(&view, &SubjListView::RowSelectionChanged);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, CentreOfRow(view, 2));
        QCOMPARE(view.SelectionMark(), 2);
        QCOMPARE(changes.size(), 1);
        view.clearFocus();
        QCOMPARE(view.SelectionMark(), 2);
        // It moves with its row.
        view.InsertRow(0, QStringLiteral("2024/04/30 10:00"), 1);
        QCOMPARE(view.SelectionMark(), 3);
        QCOMPARE(view.CellText(3, 0), QStringLiteral("2024/05/03 10:00"));
        view.RemoveRow(0);
        QCOMPARE(view.SelectionMark(), 2);
        view.RemoveRow(2);
        QCOMPARE(view.SelectionMark(), -1);
        view.SelectRow(1);
        QCOMPARE(view.SelectionMark(), 1);
        view.RemoveAllRows();
        QCOMPARE(view.SelectionMark(), -1);
        QCOMPARE(view.HotRow(), -1);
    }

    // Every state image reads on a light and on a dark list: on white at
    // least its frame stands out, on a dark list its whole 14 x 14 box does;
    // only the corners around the box let the list through.
    void stateImagesReadOnLightAndDarkLists() {
        SubjListView view;
        ShowWithColumns(view);
        for (int image = 0; image < 4; ++image) {
            const int row =
                view.InsertRow(image, QStringLiteral("2024/05/0%1").arg(image + 1), image);
            const QPixmap pixmap =
                view.model()->index(row, 0).data(Qt::DecorationRole).value<QPixmap>();
            const QByteArray which = "image " + QByteArray::number(image);
            QCOMPARE(pixmap.size(), QSize(16, 16));
            QVERIFY2(pixmap.toImage().pixelColor(0, 0).alpha() == 0, which);
            QVERIFY2(PixelsStandingOut(pixmap, Qt::white) >= 4 * 13, which);
            QVERIFY2(PixelsStandingOut(pixmap, QColor(0x20, 0x20, 0x20)) >= 14 * 14 * 3 / 4, which);
        }
    }

    void bytesWithoutAnExactTextAreKeptAsGiven() {
        SubjListView view;
        ShowWithColumns(view);
        const std::string necDuplicate = "\xED\x40\x82\xA0";
        const int row = view.InsertRowSjis(0, necDuplicate, 0);
        QVERIFY(view.SetCellSjis(row, 1, necDuplicate));
        QCOMPARE(view.CellSjis(row, 0), necDuplicate);
        QCOMPARE(view.CellSjis(row, 1), necDuplicate);
        QCOMPARE(view.CellText(row, 1), QString::fromUtf8("\u7E8Aあ"));
    }

    // A screen reader hears the state an image shows, before the cell's text.
    void stateImagesHaveAccessibleTexts() {
        SubjListView view;
        ShowWithColumns(view);
        const QStringList states = {"管理しない", "未処理", "完了", "期限切れ"};
        for (int image = 0; image < 4; ++image) {
            view.InsertRow(image, QStringLiteral("2024/05/0%1 10:00").arg(image + 1), image);
        }
        for (int row = 0; row < 4; ++row) {
            const QModelIndex cell = view.model()->index(row, 0);
            QCOMPARE(cell.data(Qt::AccessibleDescriptionRole).toString(), states[row]);
            QCOMPARE(cell.data(Qt::AccessibleTextRole).toString(),
                     states[row] + QStringLiteral(" 2024/05/0%1 10:00").arg(row + 1));
        }
    }

    // Once the list loses the focus, its selected row looks like any other,
    // the state image included.
    void unfocusedSelectionLooksUnselected() {
        QWidget window;
        auto* view = new SubjListView(&window);
        auto* other = new QLineEdit(&window);
        view->InsertColumn(0, QStringLiteral("日時"), 130);
        view->setGeometry(0, 0, 300, 200);
        other->setGeometry(0, 210, 100, 20);
        view->InsertRow(0, QStringLiteral("2024/05/01 10:00"), 2);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        other->setFocus();
        const QRect cell = view->visualRect(view->model()->index(0, 0));
        const QImage plain = view->viewport()->grab(cell).toImage();
        view->setFocus();
        view->SelectRow(0);
        QVERIFY(view->viewport()->grab(cell).toImage() != plain);
        other->setFocus();
        QCOMPARE(view->SelectionMark(), 0);
        QCOMPARE(view->viewport()->grab(cell).toImage(), plain);
    }
};

QTEST_MAIN(SubjListViewTest)
#include "SubjListViewTest.moc"
