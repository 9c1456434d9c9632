// A list's columns open wide enough for their texts in whatever font the
// desktop sets, as the list's own cells measure them (a cell narrower than its
// text is cut and offers it as a tooltip), and a width the user left wins
// only where it is wider.
#include <QApplication>
#include <QHeaderView>
#include <QScopeGuard>
#include <QTest>

#include "ListColumns.h"
#include "SubjListView.h"

namespace {

constexpr ListColumn kColumns[] = {{"日時", "0000/00/00 00:00", false},
                                   {"進捗", "管理しない", false},
                                   {"タイトル", nullptr, true},
                                   {"猶予", "-10000 日", false}};

// The view's own measure of what a column's cells need.
class MeasuredView : public SubjListView {
  public:
    using SubjListView::sizeHintForColumn;
};

// Rows as the main window fills them, with every digit in the dates.
void FillRows(SubjListView& view) {
    const QStringList rows[] = {{"2026/12/01 00:00", "管理しない", "歯医者", "-10000 日"},
                                {"1987/06/25 23:59", "未処理", "会議", "-4 日"}};
    int image = 0;
    for (const QStringList& cells : rows) {
        const int row = view.InsertRow(view.RowCount(), cells[0], image++);
        for (int column = 1; column < cells.size(); ++column) {
            QVERIFY(view.SetCellText(row, column, cells[column]));
        }
    }
}

}  // namespace

class ListColumnsTest : public QObject {
    Q_OBJECT

  private slots:
    void columnsHoldTheirTextsInTheDesktopFont_data() {
        QTest::addColumn<QString>("family");
        QTest::addColumn<double>("points");
        QTest::newRow("toolkit's default") << QString() << 0.0;
        QTest::newRow("Noto Sans CJK JP 10") << QStringLiteral("Noto Sans CJK JP") << 10.0;
        QTest::newRow("large, 18") << QStringLiteral("Noto Sans CJK JP") << 18.0;
    }
    void columnsHoldTheirTextsInTheDesktopFont() {
        QFETCH(QString, family);
        QFETCH(double, points);
        const QFont desktop = QApplication::font();
        const auto restore = qScopeGuard([&] { QApplication::setFont(desktop); });
        if (!family.isEmpty()) {
            QFont font(family);
            font.setPointSizeF(points);
            QApplication::setFont(font);
        }
        MeasuredView view;
        view.resize(900, 200);
        ShowColumns(view, kColumns, {});
        FillRows(view);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        for (int column = 0; column < view.ColumnCount(); ++column) {
            if (kColumns[column].stretch) {
                continue;
            }
            const QByteArray where = kColumns[column].header;
            QVERIFY2(view.columnWidth(column) >= view.sizeHintForColumn(column), where);
            QVERIFY2(view.columnWidth(column) >= view.header()->sectionSizeHint(column), where);
        }
    }

    void keptWidthWinsOnlyWhereWider() {
        SubjListView view;
        const std::vector<int> needed = ColumnWidths(view, kColumns, {});
        QVERIFY(needed[0] > 40);
        const int kept[] = {600, 1, 500, 400};
        QCOMPARE(ColumnWidths(view, kColumns, kept), (std::vector<int>{600, needed[1], 500, 400}));
        // Widths kept for another set of columns are not theirs.
        const int others[] = {600, 600};
        QCOMPARE(ColumnWidths(view, kColumns, others), needed);
    }
};

QTEST_MAIN(ListColumnsTest)
#include "ListColumnsTest.moc"
