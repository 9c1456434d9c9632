// The main window's rows read from the stored records: a fill puts them in the
// order that placing each subject's row one by one in key order gives, and
// every cell reads as the row built from the decoded subject did.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "Clock.h"
#include "IndivRowOrder.h"
#include "StateImages.h"
#include "SubjList.h"
#include "SubjListRows.h"

namespace {

// A row as the window used to build it from a decoded subject.
struct PlainRow {
    std::string when, progress, title, daysLeft;
    int image;
};

PlainRow RowOf(const IndivSubj& subj) {
    return {DateTimeText(subj), ProgressText(subj.progress), subj.title,
            std::to_string(subj.daysLeft) + " \x93\xFA",
            StateImageOf(subj.progress, subj.overdue != 0)};
}

// Each row placed after every row whose first text is <= its own.
std::vector<PlainRow> PlacedOneByOne(IndivSubjList& list) {
    std::vector<PlainRow> rows;
    for (StoreResult r = list.First(); r == StoreResult::Done; r = list.Next()) {
        PlainRow row = RowOf(list.current);
        const auto place = std::upper_bound(
            rows.begin(), rows.end(), row.when,
            [](const std::string& when, const PlainRow& other) { return when < other.when; });
        rows.insert(place, std::move(row));
    }
    return rows;
}

// Up to 3000 subjects with few times, so that rows of equal texts abound, on days that hold
// dozens of rows or a few; years below 1000 and above 2000 so that the digits, not the numbers,
// order them.
void FillRandomly(IndivSubjList& list, unsigned seed) {
    const Progress letters[] = {Progress::NotTracked, Progress::Open, Progress::Done};
    std::mt19937 rng(seed);
    const int count = static_cast<int>(rng() % 3000);
    const unsigned days = seed % 2 ? 3 : 28;
    for (int n = 0; n < count; ++n) {
        list.current = IndivSubj{};
        list.current.year = static_cast<std::int16_t>(rng() % 2 ? 2024 : 999);
        list.current.month = static_cast<std::int16_t>(1 + rng() % 12);
        list.current.day = static_cast<std::int16_t>(1 + rng() % days);
        list.current.hour = static_cast<std::int16_t>(rng() % 24);
        list.current.minute = static_cast<std::int16_t>(rng() % 2 * 30);
        list.current.title = "t" + std::to_string(rng() % 500);
        list.current.progress = letters[rng() % 3];
        static_cast<void>(list.Insert());  // a key drawn twice stays once
    }
}

}  // namespace

class ListRowsTest : public QObject {
    Q_OBJECT

  private slots:
    void aFillOrdersAndReadsRowsAsPlacingThemOneByOne() {
        ScopedClock clock(LocalTime::Make(2024, 5, 15, 12, 0));
        for (unsigned seed = 1; seed <= 6; ++seed) {
            IndivSubjList list;
            FillRandomly(list, seed);
            const std::vector<PlainRow> expected = PlacedOneByOne(list);
            SubjListRows source;
            source.Filled(SubjListRows::Kind::Indiv);
            const auto rows = SubjListRows::InListOrder(list.Tree(), SubjListRows::Kind::Indiv);
            QCOMPARE(rows.size(), expected.size());
            for (std::size_t i = 0; i < rows.size(); ++i) {
                const PlainRow& want = expected[i];
                QCOMPARE(source.Cell(rows[i], 0), want.when);
                QCOMPARE(source.Cell(rows[i], 1), want.progress);
                QCOMPARE(source.Cell(rows[i], 2), want.title);
                QCOMPARE(source.Cell(rows[i], 3), want.daysLeft);
                QCOMPARE(source.Image(rows[i]), want.image);
            }
        }
    }

    // A row shows the days left of its fill, or of its last rewrite, never
    // those of the moment it is painted.
    void daysLeftStayAsAtTheFillOrTheRewrite() {
        ScopedClock clock(LocalTime::Make(2024, 5, 15, 12, 0));
        IndivSubjList list;
        for (const char* title : {"a", "b"}) {
            list.current = IndivSubj{};
            list.current.year = 2024;
            list.current.month = 5;
            list.current.day = 16;
            list.current.title = title;
            list.current.progress = Progress::Open;
            static_cast<void>(list.Insert());  // a key drawn twice stays once
        }
        SubjListRows source;
        source.Filled(SubjListRows::Kind::Indiv);
        const auto rows = SubjListRows::InListOrder(list.Tree(), SubjListRows::Kind::Indiv);
        clock.Set(LocalTime::Make(2024, 5, 17, 12, 0));
        QCOMPARE(source.Cell(rows[0], 3), std::string("1 \x93\xFA"));
        QCOMPARE(source.Image(rows[1]), 1);
        source.Rewritten(rows[1]);
        QCOMPARE(source.Cell(rows[0], 3), std::string("1 \x93\xFA"));
        QCOMPARE(source.Cell(rows[1], 3), std::string("-1 \x93\xFA"));
        QCOMPARE(source.Image(rows[1]), 3);
        source.Filled(SubjListRows::Kind::Indiv);
        QCOMPARE(source.Cell(rows[0], 3), std::string("-1 \x93\xFA"));
    }

    // The rows a load gives as it takes each record are the fill's own, for a file in key order
    // with a line repeated or without; a file out of key order, or a load into a list holding
    // records already, gives none whole. The fill takes them once, while the store holds just
    // what the load left in it.
    void aLoadGivesTheFillsRowsWhileItsStoreHoldsThem_data() {
        QTest::addColumn<int>("repeated");  // the line written twice, -1 for none
        QTest::addColumn<bool>("swapped");  // the first two lines in each other's place
        QTest::addColumn<bool>("intoFilled");
        QTest::newRow("in key order") << -1 << false << false;
        QTest::newRow("a line repeated") << 5 << false << false;
        QTest::newRow("out of key order") << -1 << true << false;
        QTest::newRow("into a list holding records") << -1 << false << true;
    }
    void aLoadGivesTheFillsRowsWhileItsStoreHoldsThem() {
        QFETCH(int, repeated);
        QFETCH(bool, swapped);
        QFETCH(bool, intoFilled);
        QTemporaryDir folder;
        const std::string path = folder.filePath(QStringLiteral("veskat_i.dat")).toStdString();
        for (unsigned seed = 2; seed <= 5; ++seed) {
            IndivSubjList written;
            FillRandomly(written, seed);
            QCOMPARE(written.Save(path), StoreResult::Done);
            QFile file(QString::fromStdString(path));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QList<QByteArray> lines = file.readAll().split('\n');
            file.close();
            if (lines.size() < 8) {
                continue;  // too few to swap or repeat
            }
            if (repeated >= 0) {
                lines.insert(repeated, lines[repeated]);
            }
            if (swapped) {
                lines.swapItemsAt(1, 2);
            }
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(lines.join('\n'));
            file.close();

            IndivSubjList loaded;
            if (intoFilled) {
                loaded.current.year = 2999;
                loaded.current.title = "already";
                QCOMPARE(loaded.Insert(), StoreResult::Done);
            }
            IndivRowOrder order;
            static_cast<void>(loaded.Load(path, nullptr, &order));
            const auto fill = SubjListRows::InListOrder(loaded.Tree(), SubjListRows::Kind::Indiv);
            QCOMPARE(order.Whole(), !swapped && !intoFilled);
            if (!order.Whole()) {
                continue;
            }
            const auto given = order.Take();
            QVERIFY(given == fill);
            SubjListRows rows;
            rows.UseLoaded(given, loaded.Tree().Revision());
            QVERIFY(rows.RowsOf(loaded.Tree(), SubjListRows::Kind::Indiv) == given);
            rows.UseLoaded(given, loaded.Tree().Revision());
            QCOMPARE(loaded.First(), StoreResult::Done);
            QCOMPARE(loaded.Remove(), StoreResult::Done);
            QCOMPARE(rows.RowsOf(loaded.Tree(), SubjListRows::Kind::Indiv).size(),
                     given.size() - 1);
        }
    }
};

QTEST_APPLESS_MAIN(ListRowsTest)
#include "ListRowsTest.moc"
