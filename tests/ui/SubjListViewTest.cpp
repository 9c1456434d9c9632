// The subject list view as the main window drives it: columns, the position
// a row lands at, the hot row under the mouse, the selection mark, images.
#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <list>
#include <random>
#include <string>
#include <vector>

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

// What the view must hold, kept the plainest way: rows of cells in order of
// their first cell's bytes, compared unsigned.
struct PlainList {
    struct Row {
        std::vector<std::string> cells;
        int image = -1;
    };
    std::vector<Row> rows;
    int columns = 0;

    int Insert(const std::string& first, int image) {
        const auto place = std::upper_bound(
            rows.begin(), rows.end(), first, [](const std::string& key, const Row& row) {
                return std::string_view(key) < std::string_view(row.cells[0]);
            });
        const int position = static_cast<int>(place - rows.begin());
        rows.insert(place, Row{{first}, image});
        return position;
    }
    bool Set(int row, int column, const std::string& bytes) {
        if (row < 0 || row >= static_cast<int>(rows.size()) || column < 0 ||
            column >= std::max(1, columns)) {
            return false;
        }
        auto& cells = rows[static_cast<std::size_t>(row)].cells;
        cells.resize(std::max(cells.size(), static_cast<std::size_t>(column) + 1));
        cells[static_cast<std::size_t>(column)] = bytes;
        return true;
    }
    void InsertColumn(int position) {
        position = std::clamp(position, 0, columns);
        ++columns;
        for (Row& row : rows) {
            if (position > 0 && row.cells.size() > static_cast<std::size_t>(position)) {
                row.cells.insert(row.cells.begin() + position, std::string());
            }
        }
    }
    void RemoveAllColumns() {
        columns = 0;
        for (Row& row : rows) {
            row.cells.resize(1);
        }
    }
    std::string Cell(int row, int column) const {
        const auto& cells = rows[static_cast<std::size_t>(row)].cells;
        return static_cast<std::size_t>(column) < cells.size()
                   ? cells[static_cast<std::size_t>(column)]
                   : std::string();
    }
};

// Any bytes, short ones mostly, and now and then the same text as before.
std::string RandomBytes(std::mt19937& rng) {
    const std::size_t size = rng() % 24 == 0 ? 200 : rng() % 12;
    std::string bytes(size, '\0');
    for (char& b : bytes) {
        b = static_cast<char>(rng() % 6 == 0 ? 0x82 : rng() & 0xFF);
    }
    return bytes;
}

// A store behind the view, as the main window's subject lists are: records at
// fixed addresses, read by handle only when the view asks.
struct PlainStore : SubjRowSource {
    struct Record {
        std::vector<std::string> cells;
        int image = -1;
    };
    std::list<Record> records;

    static const Record& Of(Handle row) { return *static_cast<const Record*>(row); }
    std::string Cell(Handle row, int column) const override {
        const auto& cells = Of(row).cells;
        return column >= 0 && static_cast<std::size_t>(column) < cells.size()
                   ? cells[static_cast<std::size_t>(column)]
                   : std::string();
    }
    int Image(Handle row) const override { return Of(row).image; }

    Record& Add(std::mt19937& rng, int columns) {
        Record& record = records.emplace_back();
        for (int column = 0; column < columns; ++column) {
            record.cells.push_back(RandomBytes(rng));
        }
        record.image = static_cast<int>(rng() % 5) - 1;
        return record;
    }
    void Erase(Handle row) {
        records.remove_if([row](const Record& r) { return &r == row; });
    }
};

// The row the plain list gets for a record of the store.
int InsertPlain(PlainList& plain, const PlainStore::Record& record) {
    const int row = plain.Insert(record.cells[0], record.image);
    plain.rows[static_cast<std::size_t>(row)].cells = record.cells;
    return row;
}

void ExpectSame(const SubjListView& view, const PlainList& plain, int step) {
    QCOMPARE(view.RowCount(), static_cast<int>(plain.rows.size()));
    QCOMPARE(view.ColumnCount(), plain.columns);
    for (int row = 0; row < view.RowCount(); ++row) {
        QVERIFY2(view.RowImage(row) == plain.rows[static_cast<std::size_t>(row)].image,
                 qPrintable(QString::number(step)));
        for (int column = 0; column <= plain.columns; ++column) {
            QVERIFY2(
                view.CellSjis(row, column) == plain.Cell(row, column),
                qPrintable(
                    QStringLiteral("step %1 row %2 column %3").arg(step).arg(row).arg(column)));
        }
    }
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

    // Random edits, some inside fills, against the plain list, with Qt's
    // model checker watching every signal the view's model sends.
    void randomEditsKeepEveryByteInOrder() {
        SubjListView view;
        QAbstractItemModelTester checker(view.model(),
                                         QAbstractItemModelTester::FailureReportingMode::QtTest);
        ShowWithColumns(view);
        PlainList plain;
        plain.columns = 2;
        std::mt19937 rng(7);
        bool filling = false;
        for (int step = 0; step < 10000; ++step) {
            const int rows = view.RowCount();
            const int roll = static_cast<int>(rng() % 100);
            if (roll < 35) {
                const std::string first = RandomBytes(rng);
                const int image = static_cast<int>(rng() % 5) - 1;
                QCOMPARE(view.InsertRowSjis(static_cast<int>(rng() % 9), first, image),
                         plain.Insert(first, image));
            } else if (roll < 70) {
                const int row = rows == 0 ? 0 : static_cast<int>(rng() % (rows + 1));
                const int column = static_cast<int>(rng() % 5) - 1;
                const std::string bytes = RandomBytes(rng);
                QCOMPARE(view.SetCellSjis(row, column, bytes), plain.Set(row, column, bytes));
            } else if (roll < 80 && rows > 0) {
                const int row = static_cast<int>(rng() % rows);
                const int image = static_cast<int>(rng() % 5) - 1;
                QVERIFY(view.SetRowImage(row, image));
                plain.rows[static_cast<std::size_t>(row)].image = image;
            } else if (roll < 88 && rows > 0) {
                const int row = static_cast<int>(rng() % rows);
                QVERIFY(view.RemoveRow(row));
                plain.rows.erase(plain.rows.begin() + row);
            } else if (roll < 92 && !filling) {
                const int position = static_cast<int>(rng() % 4);
                view.InsertColumn(position, QStringLiteral("列"), 60);
                plain.InsertColumn(position);
            } else if (roll < 93 && !filling) {
                view.RemoveAllColumns();
                plain.RemoveAllColumns();
            } else if (roll < 96) {
                filling ? view.EndFill() : view.BeginFill();
                filling = !filling;
            } else if (roll < 97) {
                view.RemoveAllRows();
                plain.rows.clear();
            }
            if (!filling) {
                ExpectSame(view, plain, step);
            }
        }
        if (filling) {
            view.EndFill();
        }
        ExpectSame(view, plain, -1);
    }

    // The same with the rows of a store: fills of records in any order sorted
    // as the window sorts them, rows placed by their first cell, rewritten in
    // place or removed and placed again, removed, all under the model checker.
    void randomEditsOfStoreRowsKeepTheirOrder() {
        SubjListView view;
        QAbstractItemModelTester checker(view.model(),
                                         QAbstractItemModelTester::FailureReportingMode::QtTest);
        ShowWithColumns(view);
        view.InsertColumn(2, QStringLiteral("題"), 60);
        PlainStore store;
        PlainList plain;
        plain.columns = 3;
        view.ShowRows(&store, {});
        std::mt19937 rng(11);
        const auto handleOf = [&view](int row) {
            return static_cast<PlainStore::Record*>(const_cast<void*>(view.RowHandle(row)));
        };
        for (int step = 0; step < 10000; ++step) {
            const int rows = view.RowCount();
            const int row = rows == 0 ? 0 : static_cast<int>(rng() % rows);
            const int roll = static_cast<int>(rng() % 100);
            if (roll < 35) {
                const PlainStore::Record& record = store.Add(rng, plain.columns);
                QCOMPARE(view.InsertRowOf(&record), InsertPlain(plain, record));
            } else if (roll < 60 && rows > 0) {
                PlainStore::Record& record = *handleOf(row);
                record.cells[1 + rng() % 2] = RandomBytes(rng);
                record.image = static_cast<int>(rng() % 5) - 1;
                QSignalSpy changed(view.model(), &QAbstractItemModel::dataChanged);
                QVERIFY(view.RowChanged(row));
                QVERIFY(!changed.isEmpty());
                plain.rows[static_cast<std::size_t>(row)] = {record.cells, record.image};
            } else if (roll < 72 && rows > 0) {
                PlainStore::Record& record = *handleOf(row);
                record.cells[0] = RandomBytes(rng);
                QVERIFY(view.RemoveRow(row));
                plain.rows.erase(plain.rows.begin() + row);
                QCOMPARE(view.InsertRowOf(&record), InsertPlain(plain, record));
            } else if (roll < 85 && rows > 0) {
                const PlainStore::Record* record = handleOf(row);
                QVERIFY(view.RemoveRow(row));
                store.Erase(record);
                plain.rows.erase(plain.rows.begin() + row);
            } else if (roll < 88) {
                std::vector<SubjRowSource::Handle> order;
                for (const PlainStore::Record& record : store.records) {
                    order.push_back(&record);
                }
                std::shuffle(order.begin(), order.end(), rng);
                plain.rows.clear();
                for (SubjRowSource::Handle handle : order) {
                    InsertPlain(plain, PlainStore::Of(handle));
                }
                std::stable_sort(order.begin(), order.end(), [](auto a, auto b) {
                    return PlainStore::Of(a).cells[0] < PlainStore::Of(b).cells[0];
                });
                view.ShowRows(&store, order);
            } else if (roll < 89) {
                view.RemoveAllRows();
                store.records.clear();
                plain.rows.clear();
            } else if (roll < 90) {
                // Texts of their own are no rows of the store.
                QCOMPARE(view.InsertRowSjis(0, "x", 1), -1);
                QVERIFY(!view.SetRowImage(row, 1));
            }
            ExpectSame(view, plain, step);
        }
    }

    // A whole fill reaches the view as one reset: no row-by-row signals, and
    // the selection does not survive it.
    void aFillIsOneReset() {
        SubjListView view;
        ShowWithColumns(view);
        view.InsertRow(0, QStringLiteral("2026/12/07 10:00"), 1);
        view.SelectRow(0);
        QCOMPARE(view.SelectionMark(), 0);
        QSignalSpy resets(view.model(), &QAbstractItemModel::modelReset);
        QSignalSpy inserted(view.model(), &QAbstractItemModel::rowsInserted);
        QSignalSpy changed(view.model(), &QAbstractItemModel::dataChanged);
        view.BeginFill();
        view.RemoveAllRows();
        for (int i = 0; i < 100; ++i) {
            const int row = view.InsertRow(
                0, QStringLiteral("2026/12/%1 09:00").arg(i % 28 + 1, 2, 10, QChar(u'0')), 1);
            view.SetCellSjis(row, 1, "\x96\xA2\x8F\x88\x97\x9D");
        }
        view.EndFill();
        QCOMPARE(resets.count(), 1);
        QCOMPARE(inserted.count(), 0);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(view.RowCount(), 100);
        QCOMPARE(view.SelectionMark(), -1);
        QCOMPARE(view.CellText(99, 1), QStringLiteral("未処理"));
        QCOMPARE(view.model()->data(view.model()->index(0, 0)).toString(),
                 QStringLiteral("2026/12/01 09:00"));
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
