// The month pane as a user drives it, on real lists read through ReadMonthSheet
// with the clock pinned to Tuesday 8 December 2026: the keys, the mouse and the
// wheel move the marked day and the month, each signal says the right date,
// Enter never reaches the window around the pane, a screen reader hears every
// day, and the pane fits and reads on a small magnified screen and in a dark
// palette. Run on the 1366x768 screen magnified twice.
#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <optional>

#include "Clock.h"
#include "DarkPalette.h"
#include "MonthPane.h"
#include "SjisCodec.h"

namespace {

using Date = QList<QVariant>;

Date DateOf(int year, int month, int day) {
    return {year, month, day};
}

void Add(IndivSubjList& list, int year, int month, int day, int hour, const char* title,
         Progress progress) {
    list.current = IndivSubj{};
    list.current.year = static_cast<std::int16_t>(year);
    list.current.month = static_cast<std::int16_t>(month);
    list.current.day = static_cast<std::int16_t>(day);
    list.current.hour = static_cast<std::int16_t>(hour);
    list.current.title = SjisFromQString(QString::fromUtf8(title)).value_or("");
    list.current.progress = progress;
    QCOMPARE(list.Insert(), StoreResult::Done);
}

// Worst of the text pixels: the contrast (WCAG) with `base` of the pixel in
// `area` of `image` that stands out most from it.
double BestContrast(const QImage& image, const QRect& area, const QColor& base) {
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double back = luminance(base);
    double best = 1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const double l = luminance(image.pixelColor(x, y));
            best = std::max(best, (std::max(l, back) + 0.05) / (std::min(l, back) + 0.05));
        }
    }
    return best;
}

}  // namespace

class MonthPaneTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        clock_.emplace(LocalTime::Make(2026, 12, 8, 10, 0));
        indiv_ = std::make_unique<IndivSubjList>();
        rep_ = std::make_unique<RepSubjList>();
        Add(*indiv_, 2026, 12, 8, 9, "朝の会議", Progress::Open);  // overdue at 10:00
        Add(*indiv_, 2026, 12, 8, 12, "昼の約束", Progress::NotTracked);
        Add(*indiv_, 2026, 12, 8, 18, "夜の会食", Progress::Done);
        for (const char* title : {"一", "二", "三", "四", "五"}) {
            Add(*indiv_, 2026, 12, 11, 9, title, Progress::Open);
        }
        rep_->current = RepSubj{};
        rep_->current.title = "weekly";
        rep_->current.weekly[1] = 1;  // Tuesdays
        rep_->current.progress = Progress::NotTracked;
        QCOMPARE(rep_->Insert(), StoreResult::Done);
        reads_ = 0;
        pane_ = std::make_unique<MonthPane>();
        pane_->SetSource([this](int year, int month) {
            ++reads_;
            return ReadMonthSheet(*indiv_, *rep_, year, month);
        });
        pane_->resize(pane_->sizeHint());
        pane_->show();
        QVERIFY(QTest::qWaitForWindowExposed(pane_.get()));
        pane_->setFocus();
    }
    void cleanup() {
        pane_.reset();
        clock_.reset();
    }

    void aScreenReaderHearsEveryDay() {
        QAccessibleInterface* account = QAccessible::queryAccessibleInterface(pane_.get());
        QCOMPARE(account->text(QAccessible::Name), QStringLiteral("2026年12月"));
        QAccessibleInterface* today = account->focusChild();
        QCOMPARE(today->text(QAccessible::Name), QStringLiteral("12月8日 火曜日 3 件 未作成 1 件"));
        QVERIFY(today->state().focused && today->state().selected);
        QCOMPARE(today->text(QAccessible::Description),
                 QStringLiteral("00:00 weekly 未作成、09:00 朝の会議 期限切れ、"
                                "12:00 昼の約束 管理しない、18:00 夜の会食 完了"));
        QCOMPARE(account->child(account->indexOfChild(today)), today);
        const QPoint centre = pane_->mapToGlobal(pane_->DayRect(15).center());
        QCOMPARE(account->childAt(centre.x(), centre.y())->text(QAccessible::Name),
                 QStringLiteral("12月15日 火曜日 0 件 未作成 1 件"));
        // Holidays by name; a day the month shown lacks is gone.
        pane_->ShowDay(2027, 1, 31);
        QAccessibleInterface* last = account->focusChild();
        QCOMPARE(account->child(account->indexOfChild(last) - 30)->text(QAccessible::Name),
                 QStringLiteral("1月1日 金曜日 元日 0 件"));
        QTest::keyClick(pane_.get(), Qt::Key_PageDown);
        QVERIFY(!last->isValid());
        QCOMPARE(account->childCount() - account->indexOfChild(account->focusChild()), 1);
    }

    void keysMoveTheDayAndTheMonth_data() {
        QTest::addColumn<Date>("from");
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<Date>("marked");
        const Date today = DateOf(2026, 12, 8);
        QTest::newRow("a week up into November")
            << today << QList<int>{Qt::Key_Up, Qt::Key_Up} << DateOf(2026, 11, 24);
        QTest::newRow("down into the next year")
            << today << QList<int>{Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down}
            << DateOf(2027, 1, 5);
        QTest::newRow("left over the month's edge")
            << today << QList<int>{Qt::Key_Up, Qt::Key_Left, Qt::Key_Right, Qt::Key_Left}
            << DateOf(2026, 11, 30);
        QTest::newRow("page down onto a shorter month")
            << DateOf(2027, 1, 31) << QList<int>{Qt::Key_PageDown, Qt::Key_PageUp}
            << DateOf(2027, 1, 28);
        QTest::newRow("home from afar")
            << today << QList<int>{Qt::Key_PageUp, Qt::Key_PageUp, Qt::Key_Left, Qt::Key_Home}
            << today;
        QTest::newRow("the calendar's last day")
            << DateOf(9999, 12, 31) << QList<int>{Qt::Key_Right, Qt::Key_PageDown}
            << DateOf(9999, 12, 31);
        QTest::newRow("its first")
            << DateOf(1, 1, 1) << QList<int>{Qt::Key_Up, Qt::Key_PageUp} << DateOf(1, 1, 1);
        QTest::newRow("beyond it") << DateOf(20000, 14, 40) << QList<int>{} << DateOf(9999, 12, 31);
    }

    void keysMoveTheDayAndTheMonth() {
        QFETCH(Date, from);
        QFETCH(QList<int>, keys);
        QFETCH(Date, marked);
        pane_->ShowDay(from[0].toInt(), from[1].toInt(), from[2].toInt());
        QSignalSpy spy(pane_.get(), &MonthPane::DayMarked);
        for (int key : keys) {
            QTest::keyClick(pane_.get(), static_cast<Qt::Key>(key));
        }
        QCOMPARE(DateOf(pane_->Year(), pane_->Month(), pane_->MarkedDay()), marked);
        QCOMPARE(pane_->Sheet().month, marked[1].toInt());
        if (!spy.isEmpty()) {
            QCOMPARE(spy.last(), marked);
        }
    }

    // Enter means the day, never the window's own confirm (which saves and ends).
    void enterActsOnTheDayAndStaysInThePane() {
        QDialog window;
        auto* layout = new QVBoxLayout(&window);
        auto* pane = new MonthPane(&window);
        auto* confirm = new QPushButton(QStringLiteral("OK"), &window);
        confirm->setDefault(true);
        connect(confirm, &QPushButton::clicked, &window, &QDialog::accept);
        layout->addWidget(pane);
        layout->addWidget(confirm);
        window.show();
        pane->setFocus();
        QSignalSpy activated(pane, &MonthPane::DayActivated);
        QTest::keyClick(pane, Qt::Key_Right);
        QTest::keyClick(pane, Qt::Key_Return);
        QTest::keyClick(pane, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(activated.size(), 2);
        QCOMPARE(activated.first(), DateOf(2026, 12, 9));
        QVERIFY(window.isVisible() && window.result() == 0);
    }

    void theMouseMarksActivatesAndTurnsTheMonth() {
        QSignalSpy clicked(pane_.get(), &MonthPane::DayClicked);
        QSignalSpy activated(pane_.get(), &MonthPane::DayActivated);
        pane_->clearFocus();
        QTest::mouseClick(pane_.get(), Qt::LeftButton, {}, pane_->DayRect(24).center());
        QCOMPARE(clicked.value(0), DateOf(2026, 12, 24));
        QVERIFY(pane_->MarkedDay() == 24 && pane_->hasFocus());
        QTest::mouseDClick(pane_.get(), Qt::LeftButton, {}, pane_->DayRect(3).center());
        QCOMPARE(activated.value(0), DateOf(2026, 12, 3));
        // The cells before the 1st are no day.
        const qsizetype clicks = clicked.size();
        const QRect first = pane_->DayRect(1);
        QTest::mouseClick(pane_.get(), Qt::LeftButton, {},
                          first.center() - QPoint(first.width(), 0));
        QCOMPARE(clicked.size(), clicks);
        QCOMPARE(pane_->MarkedDay(), 3);
        pane_->findChild<QToolButton*>(QStringLiteral("monthNext"))->click();
        QCOMPARE(DateOf(pane_->Year(), pane_->Month(), pane_->MarkedDay()), DateOf(2027, 1, 3));
        pane_->findChild<QToolButton*>(QStringLiteral("monthPrevious"))->click();
        // A notch away from the user goes back a month; halves add up.
        for (int angle : {120, -60, -60, -60}) {
            const QPointF at = pane_->DayRect(10).center();
            QWheelEvent wheel(at, pane_->mapToGlobal(at), {}, QPoint(0, angle), Qt::NoButton, {},
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(pane_.get(), &wheel);
        }
        QCOMPARE(DateOf(pane_->Year(), pane_->Month(), pane_->MarkedDay()), DateOf(2026, 12, 3));
    }

    // A change to the lists shows once the pane reads the month again, the mark
    // kept; neither the keys within a month nor the paint read it.
    void refreshReadsTheMonthAgainAndKeepsTheMark() {
        QTest::keyClick(pane_.get(), Qt::Key_Right);
        const int reads = reads_;
        pane_->repaint();
        QCOMPARE(reads_, reads);
        Add(*indiv_, 2026, 12, 9, 7, "新しい案件", Progress::Open);
        pane_->Refresh();
        QCOMPARE(reads_, reads + 1);
        QCOMPARE(pane_->MarkedDay(), 9);
        QCOMPARE(pane_->DayName(9), QStringLiteral("12月9日 水曜日 1 件"));
    }

    // At its smallest the pane takes at most half the magnified screen's width
    // and fits its height, every day's number and "+N" whole; at its own size
    // a day shows three titles.
    void fitsASmallMagnifiedScreen() {
        QCOMPARE(pane_->screen()->size(), QSize(683, 384));
        const QSize smallest = pane_->minimumSizeHint();
        QVERIFY(smallest.width() <= 683 / 2 && smallest.height() <= 384);
        pane_->resize(smallest);
        const QFontMetrics metrics = pane_->fontMetrics();
        for (int day = 1; day <= 31; ++day) {
            const QRect cell = pane_->DayRect(day);
            QVERIFY(cell.width() >= metrics.horizontalAdvance(QStringLiteral("30 +9")));
            QVERIFY(cell.height() >= metrics.height() && pane_->rect().contains(cell));
        }
        pane_->resize(pane_->sizeHint());
        QVERIFY(pane_->DayRect(11).height() >= 4 * metrics.height());
    }

    // A window too tall for the screen squeezes the pane below its least:
    // a day's number, shorter than its cell still, shows whole inside the
    // cell's borders rather than cut off at the foot.
    void showsEveryNumberWholeWhenSqueezed() {
        const QFontMetrics metrics = pane_->fontMetrics();
        for (int height = pane_->minimumSizeHint().height();
             pane_->DayRect(2).height() >= metrics.height(); --height) {
            pane_->resize(pane_->minimumSizeHint().width(), height);
        }
        const QImage image = pane_->grab().toImage();
        const qreal ratio = image.devicePixelRatio();
        const QRect cell = pane_->DayRect(2);
        const auto inked = [&](int y) {
            const int right = qRound((cell.left() + metrics.horizontalAdvance("00")) * ratio);
            for (int x = qRound((cell.left() + 2) * ratio); x < right; ++x) {
                if (qGray(image.pixel(x, y)) < 128) {
                    return true;
                }
            }
            return false;
        };
        // The pixel rows just inside the cell's borders.
        QVERIFY(!inked(qRound((cell.top() + 1) * ratio)));
        QVERIFY(!inked(qRound(cell.bottom() * ratio) - 1));
    }

    // The numbers of a holiday, a Saturday, a Sunday and a weekday read as
    // text must (WCAG, 4.5:1) on the desktop's palette and on a dark one.
    void readsInALightAndADarkPalette() {
        for (bool dark : {false, true}) {
            pane_->setPalette(dark ? DarkPalette() : QApplication::palette());
            pane_->clearFocus();
            pane_->ShowDay(2027, 1, 20);
            const QImage image = pane_->grab().toImage();
            const qreal ratio = image.devicePixelRatio();
            for (int day : {1, 2, 3, 4}) {
                // Inside the cell's border, where the day's number is drawn.
                QRect number = pane_->DayRect(day).adjusted(2, 2, 0, 0);
                number.setSize({pane_->fontMetrics().horizontalAdvance(QStringLiteral("00")) + 4,
                                pane_->fontMetrics().height() + 4});
                const QRect pixels(number.topLeft() * ratio, number.size() * ratio);
                QVERIFY2(BestContrast(image, pixels, pane_->palette().color(QPalette::Base)) >= 4.5,
                         qPrintable(QStringLiteral("day %1, dark %2").arg(day).arg(dark)));
            }
        }
    }

  private:
    std::optional<ScopedClock> clock_;
    std::unique_ptr<IndivSubjList> indiv_;
    std::unique_ptr<RepSubjList> rep_;
    std::unique_ptr<MonthPane> pane_;
    int reads_ = 0;
};

QTEST_MAIN(MonthPaneTest)
#include "MonthPaneTest.moc"
