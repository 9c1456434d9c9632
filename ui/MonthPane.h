// The month pane: a month at a glance beside or above the subject list. The
// month's weeks in a grid, Sunday first; each day with its number, up to three
// of its subjects with their state marks and "+N" for the rest; today
// outlined, Saturdays blue, Sundays and public holidays red, titles the batch
// has not generated yet faint. One day is marked, moved by keys, clicks and
// the wheel. The pane reads its months through the source it is given and
// holds nothing of the lists; what a click or Enter means is its owner's.
#pragma once

#include <QStaticText>
#include <QWidget>
#include <functional>
#include <string>
#include <unordered_map>

#include "MonthSheet.h"

class QLabel;
class QToolButton;

class MonthPane : public QWidget {
    Q_OBJECT

  public:
    // Reads the sheet of a month (1..12) of a year (1..9999); called on the
    // user-interface thread whenever the pane shows a month afresh.
    using Source = std::function<MonthSheet(int year, int month)>;

    explicit MonthPane(QWidget* parent = nullptr);
    ~MonthPane() override;

    // Where the months come from; until one is given, months show no subjects.
    void SetSource(Source source);

    int Year() const { return sheet_.year; }
    int Month() const { return sheet_.month; }
    int MarkedDay() const { return marked_; }
    const MonthSheet& Sheet() const { return sheet_; }

    // What a screen reader says of `day` of the shown month ("12月8日 火曜日 3 件"),
    // and the titles it holds; empty for a day the month does not have.
    QString DayName(int day) const;
    QString DayDescription(int day) const;
    // Where `day` of the shown month is drawn; empty for a day it does not have.
    QRect DayRect(int day) const;
    // The day of the shown month drawn at `pos`; 0 for none.
    int DayAt(const QPoint& pos) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  public slots:
    // Shows the month of that date, read from the source, and marks the day
    // (the month's last day for one beyond it). Years are held to 1..9999.
    void ShowDay(int year, int month, int day);
    // Reads the shown month again, after its subjects changed; the mark stays.
    void Refresh();

  signals:
    // A click on a day, which marks it first.
    void DayClicked(int year, int month, int day);
    // A double-click on a day, or Enter on the marked one.
    void DayActivated(int year, int month, int day);
    // The marked day changed, by the user or by ShowDay.
    void DayMarked(int year, int month, int day);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool event(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void MoveDays(int days);
    void MoveMonths(int months);
    void Mark(int day);
    int MarkDayAt(const QMouseEvent& event);
    int TitlesShown(const MonthDay& day, const QRect& cell) const;
    const QStaticText& TitleText(const std::string& sjis, int width) const;
    void PaintDay(QPainter& painter, const MonthDay& day, const QRect& cell) const;
    QRect GridRect() const;
    int LineHeight() const;
    int FirstColumn() const;

    Source source_;
    MonthSheet sheet_;
    int marked_ = 1;
    QLabel* caption_;
    QToolButton* previous_;
    QToolButton* next_;
    int wheelTurn_ = 0;   // wheel angle not yet turned into a month
    int lineHeight_ = 0;  // a line of text or a state image, in the pane's font
    // Each title as drawn, by its width and its Shift_JIS bytes.
    mutable std::unordered_map<std::string, QStaticText> titles_;
};
