// Filling the subject list view as the main window does: four cells and an
// image per row, rows arriving in key order (date, then title) and placed by
// the date-and-time text. The date and the days left go in as program texts,
// encoded by the view as the window's are; progress and title as their bytes.
// A QTreeWidget with sorting on is measured beside it, and the window's own
// fill: rows that are handles to stored records, sorted once, read when painted.
#include <benchmark/benchmark.h>
#include <QCoreApplication>
#include <QTreeWidget>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchSubjects.h"
#include "SubjListRows.h"
#include "SubjListView.h"

namespace {

struct Row {
    QString when;
    std::string progress, title;
    QString daysLeft;
};

// Rows in the store's key order: by date, then title; the times within a day
// are scattered, so the view has to place each row.
std::vector<Row> MakeRows(int count) {
    std::vector<Row> rows;
    rows.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int day = i / 8;
        char when[32];
        std::snprintf(when, sizeof when, "%04d/%02d/%02d %02d:%02d", 2020 + day / 372,
                      day / 31 % 12 + 1, day % 31 + 1, (i * 7) % 24, (i * 13) % 60);
        rows.push_back({QString::fromLatin1(when), "\x96\xA2\x8F\x88\x97\x9D",
                        "\x89\xEF\x8B\x63 " + std::to_string(i),
                        QStringLiteral("%1 日").arg(i % 50 - 25)});
    }
    return rows;
}

void Fill(SubjListView& view, const std::vector<Row>& rows) {
    view.BeginFill();
    view.RemoveAllRows();
    int counter = 0;
    for (const Row& row : rows) {
        const int at = view.InsertRow(counter++, row.when, 1);
        view.SetCellSjis(at, 1, row.progress);
        view.SetCellSjis(at, 2, row.title);
        view.SetCellText(at, 3, row.daysLeft);
    }
    view.EndFill();
}

void ShowWithColumns(SubjListView& view) {
    for (const auto& [header, width] :
         {std::pair{"日時", 130}, {"進捗", 75}, {"タイトル", 180}, {"猶予", 50}}) {
        view.InsertColumn(view.ColumnCount(), QString::fromUtf8(header), width);
    }
    view.resize(460, 320);
    view.show();
}

void BM_ListViewFill(benchmark::State& state) {
    const std::vector<Row> rows = MakeRows(static_cast<int>(state.range(0)));
    SubjListView view;
    ShowWithColumns(view);
    for (auto _ : state) {
        Fill(view, rows);
        QCoreApplication::processEvents();  // the delayed layout and first paint
        benchmark::DoNotOptimize(view.RowCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ListViewFill)->Arg(0)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ListViewShowStoredRows(benchmark::State& state) {
    IndivSubjList list;
    FillNumbered(list, static_cast<int>(state.range(0)));
    SubjListRows source;
    SubjListView view;
    ShowWithColumns(view);
    for (auto _ : state) {
        source.Filled(SubjListRows::Kind::Indiv);
        view.ShowRows(&source, SubjListRows::InListOrder(list.Tree(), SubjListRows::Kind::Indiv));
        QCoreApplication::processEvents();  // the delayed layout and first paint
        benchmark::DoNotOptimize(view.RowCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ListViewShowStoredRows)
    ->Arg(0)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

void BM_TreeWidgetFill(benchmark::State& state) {
    const std::vector<Row> rows = MakeRows(static_cast<int>(state.range(0)));
    QTreeWidget view;
    view.setColumnCount(4);
    view.setRootIsDecorated(false);
    view.setUniformRowHeights(true);
    view.setSortingEnabled(true);
    view.sortByColumn(0, Qt::AscendingOrder);
    view.resize(460, 320);
    view.show();
    for (auto _ : state) {
        view.clear();
        for (const Row& row : rows) {
            auto* item = new QTreeWidgetItem;
            item->setText(0, row.when);
            item->setText(1, QString::fromLatin1(row.progress));
            item->setText(2, QString::fromLatin1(row.title));
            item->setText(3, row.daysLeft);
            view.addTopLevelItem(item);
        }
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(view.topLevelItemCount());
    }
}
BENCHMARK(BM_TreeWidgetFill)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
