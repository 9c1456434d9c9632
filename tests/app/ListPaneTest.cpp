// The main window's list pane against a plain list of rows: random adds,
// rewrites, removals, fills, mode switches and finds, after each of which the
// pane shows exactly the rows, in the order and hidden or not, that placing
// each row by its first text and filling in key order give.
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "Clock.h"
#include "FindBar.h"
#include "SubjListPane.h"
#include "SubjListView.h"

namespace {

struct PlainRow {
    std::string when, title;
};

// Four days and three hours, so that rows of equal first texts abound, and
// nine titles of each letter the find looks for.
IndivSubj RandomSubject(std::mt19937& rng) {
    IndivSubj subj;
    subj.year = 2024;
    subj.month = 5;
    subj.day = static_cast<std::int16_t>(13 + rng() % 4);
    subj.hour = static_cast<std::int16_t>(rng() % 3);
    subj.title = std::string(1, "abc"[rng() % 3]) + std::to_string(rng() % 9);
    subj.progress = rng() % 2 ? Progress::Open : Progress::Done;
    return subj;
}

}  // namespace

class ListPaneTest : public QObject {
    Q_OBJECT

  private slots:
    void rowsAreThoseOfAPlainListAfterEveryChange() {
        ScopedClock clock(LocalTime::Make(2024, 5, 15, 12, 0));
        for (unsigned seed = 1; seed <= 4; ++seed) {
            std::mt19937 rng(seed);
            QWidget window;
            SubjListView list(&window);
            QRadioButton indivRadio(&window), repRadio(&window);
            IndivSubjList indiv;
            RepSubjList rep;
            SubjListPane pane(list, indivRadio, repRadio, indiv, rep, [] {});
            window.show();
            pane.ShowMode(SubjKind::Indiv);
            std::vector<PlainRow> rows;
            std::string needle;
            const auto place = [&rows](PlainRow row) {
                rows.insert(std::upper_bound(rows.begin(), rows.end(), row.when,
                                             [](const std::string& when, const PlainRow& other) {
                                                 return when < other.when;
                                             }),
                            std::move(row));
            };
            const auto rowOf = [&list](int row) {
                const IndivSubj subj = DecodeIndivSubj(SubjListRows::RecordOf(list.RowHandle(row)));
                return PlainRow{DateTimeText(subj), subj.title};
            };
            for (int step = 0; step < 300; ++step) {
                const int row = rows.empty() ? -1 : static_cast<int>(rng() % rows.size());
                switch (rng() % 8) {
                    case 0:
                    case 1:
                    case 2: {  // a new subject, or a stored one at another time
                        indiv.current = RandomSubject(rng);
                        const PlainRow now{DateTimeText(indiv.current), indiv.current.title};
                        RowChange change{RowChange::Kind::Added, row, {}};
                        if (indiv.Insert() == StoreResult::Done) {
                            place(now);
                        } else {
                            QCOMPARE(indiv.Replace(), StoreResult::Done);
                            const auto at = std::find_if(rows.begin(), rows.end(), [&](auto& r) {
                                return r.title == now.title &&
                                       r.when.compare(0, 10, now.when, 0, 10) == 0;
                            });
                            change = {RowChange::Kind::Rewritten,
                                      static_cast<int>(at - rows.begin()), at->when};
                            if (at->when != now.when) {
                                rows.erase(at);
                                place(now);
                            }
                        }
                        if (now.title.find(needle) == std::string::npos) {
                            needle.clear();  // the bar closes to show the subject
                        }
                        pane.ShowChange(change);
                        break;
                    }
                    case 3:
                        if (row >= 0) {
                            indiv.current =
                                DecodeIndivSubj(SubjListRows::RecordOf(list.RowHandle(row)));
                            QCOMPARE(indiv.Remove(), StoreResult::Done);
                            rows.erase(rows.begin() + row);
                            pane.ShowChange({RowChange::Kind::Removed, row, {}});
                        }
                        break;
                    case 4:
                        pane.ShowMode(SubjKind::Rep);
                        QCOMPARE(list.RowCount(), 0);
                        [[fallthrough]];
                    case 5:
                        pane.ShowMode(SubjKind::Indiv);
                        std::stable_sort(
                            rows.begin(), rows.end(), [](const auto& a, const auto& b) {
                                return std::tie(a.when, a.title) < std::tie(b.when, b.title);
                            });
                        break;
                    case 6:
                        needle = std::string(1, "abc"[rng() % 3]);
                        pane.Find().Open();
                        pane.Find().Bar()->Edit()->setText(QString::fromStdString(needle));
                        break;
                    case 7:
                        needle.clear();
                        pane.Find().Close();
                        break;
                }
                QCOMPARE(list.RowCount(), static_cast<int>(rows.size()));
                for (int shown = 0; shown < list.RowCount(); ++shown) {
                    const PlainRow want = rows[static_cast<std::size_t>(shown)];
                    QCOMPARE(rowOf(shown).when, want.when);
                    QCOMPARE(rowOf(shown).title, want.title);
                    const bool hidden = want.title.find(needle) == std::string::npos;
                    QCOMPARE(list.RowHidden(shown), hidden);
                    QCOMPARE(list.isRowHidden(shown, QModelIndex()), hidden);
                }
            }
        }
    }
};

QTEST_MAIN(ListPaneTest)
#include "ListPaneTest.moc"
