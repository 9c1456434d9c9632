#include "MonthPane.h"

#include <QBoxLayout>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QStaticText>
#include <QToolButton>
#include <QToolTip>
#include <algorithm>

#include "CalendarDay.h"
#include "CivilDay.h"
#include "Clock.h"
#include "ImageResource.h"
#include "MonthPaneAccessible.h"
#include "SjisCodec.h"
#include "StateImages.h"

namespace {

constexpr int kColumns = 7;
constexpr int kTitlesShown = 3;
constexpr int kPadding = 3;
constexpr int kFirstYear = 1;
constexpr int kLastYear = 9999;
// One notch of an ordinary mouse wheel.
constexpr int kWheelNotch = 120;
// Laid-out titles kept before they are all dropped, some months' worth.
constexpr std::size_t kTitlesKept = 2000;
// How much of the full colour a title the batch has not generated yet keeps.
constexpr qreal kFaint = 0.45;

// Weekday 1 = Monday .. 7 = Sunday, as the calendar days number them.
const QString kWeekdays[] = {QStringLiteral("月"), QStringLiteral("火"), QStringLiteral("水"),
                             QStringLiteral("木"), QStringLiteral("金"), QStringLiteral("土"),
                             QStringLiteral("日")};

// Red and blue that read on the palette's own base, light or dark.
struct DayColours {
    QColor red;
    QColor blue;
};

DayColours ColoursOn(const QPalette& palette) {
    if (palette.color(QPalette::Base).lightness() < 128) {
        return {QColor(0xff, 0x7b, 0x7b), QColor(0x82, 0xb4, 0xff)};
    }
    return {QColor(0xc0, 0x1c, 0x28), QColor(0x1c, 0x4f, 0xc0)};
}

// The grid's columns start on Sunday.
int ColumnOf(int weekday) {
    return weekday % kColumns;
}

QString TimeText(const DayEntry& entry) {
    return QStringLiteral("%1:%2")
        .arg(entry.hour, 2, 10, QLatin1Char('0'))
        .arg(entry.minute, 2, 10, QLatin1Char('0'));
}

QString StateText(const DayEntry& entry) {
    if (entry.notGenerated) {
        return QStringLiteral("未作成");
    }
    return StateImageTexts().value(StateImageOf(entry.progress, entry.overdue));
}

// A line holds a line of text or a state image.
int LineHeightIn(const QFontMetrics& metrics) {
    return std::max(metrics.height(), kStateImageSize) + 1;
}

QString HolidayText(const MonthDay& day) {
    return QString::fromUtf8(day.holiday.data(), static_cast<qsizetype>(day.holiday.size()));
}

// A month with no subjects, until the pane is given a source.
MonthSheet EmptySheet(int year, int month) {
    IndivSubjList indiv;
    RepSubjList rep;
    return ReadMonthSheet(indiv, rep, year, month);
}

}  // namespace

MonthPane::MonthPane(QWidget* parent)
    : QWidget(parent),
      source_(EmptySheet),
      caption_(new QLabel(this)),
      previous_(new QToolButton(this)),
      next_(new QToolButton(this)) {
    MonthPaneAccessible::Install();
    lineHeight_ = LineHeightIn(fontMetrics());
    setObjectName(QStringLiteral("monthPane"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The keys move by month; the buttons are there for the mouse.
    for (const auto& [button, arrow, name, id] :
         {std::tuple{previous_, Qt::LeftArrow, QStringLiteral("前の月"), "monthPrevious"},
          std::tuple{next_, Qt::RightArrow, QStringLiteral("次の月"), "monthNext"}}) {
        button->setArrowType(arrow);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setAccessibleName(name);
        button->setToolTip(name);
        button->setObjectName(QLatin1String(id));
    }
    caption_->setObjectName(QStringLiteral("monthCaption"));
    caption_->setAlignment(Qt::AlignCenter);
    QFont bold = caption_->font();
    bold.setBold(true);
    caption_->setFont(bold);
    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(previous_);
    top->addWidget(caption_, 1);
    top->addWidget(next_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(top);
    layout->addStretch(1);
    connect(previous_, &QToolButton::clicked, this, [this] { MoveMonths(-1); });
    connect(next_, &QToolButton::clicked, this, [this] { MoveMonths(1); });
    const CalendarDay today = DayFrom(Clock::Now(), 0);
    ShowDay(today.year, today.month, today.day);
}

MonthPane::~MonthPane() = default;

void MonthPane::SetSource(Source source) {
    source_ = source ? std::move(source) : Source(EmptySheet);
    Refresh();
}

void MonthPane::ShowDay(int year, int month, int day) {
    year = std::clamp(year, kFirstYear, kLastYear);
    month = std::clamp(month, 1, 12);
    sheet_ = source_(year, month);
    caption_->setText(QStringLiteral("%1年%2月").arg(year).arg(month));
    setAccessibleName(caption_->text());
    Mark(std::clamp(day, 1, static_cast<int>(sheet_.days.size())));
}

void MonthPane::Refresh() {
    sheet_ = source_(sheet_.year, sheet_.month);
    marked_ = std::min(marked_, static_cast<int>(sheet_.days.size()));
    update();
}

void MonthPane::Mark(int day) {
    marked_ = day;
    update();
    emit DayMarked(sheet_.year, sheet_.month, marked_);
    MonthPaneAccessible::TellMarked(this);
}

void MonthPane::MoveDays(int days) {
    const std::int64_t number =
        DayNumber(sheet_.days[static_cast<std::size_t>(marked_ - 1)].date) + days;
    const CalendarDay to = DayOfNumber(number);
    if (to.year < kFirstYear || to.year > kLastYear) {
        return;
    }
    if (to.year == sheet_.year && to.month == sheet_.month) {
        Mark(to.day);
    } else {
        ShowDay(to.year, to.month, to.day);
    }
}

void MonthPane::MoveMonths(int months) {
    const int index = sheet_.year * 12 + sheet_.month - 1 + months;
    if (index / 12 >= kFirstYear && index / 12 <= kLastYear) {
        ShowDay(index / 12, index % 12 + 1, marked_);
    }
}

QString MonthPane::DayName(int day) const {
    if (day < 1 || day > static_cast<int>(sheet_.days.size())) {
        return {};
    }
    const MonthDay& shown = sheet_.days[static_cast<std::size_t>(day - 1)];
    QString name = QStringLiteral("%1月%2日 %3曜日 ")
                       .arg(sheet_.month)
                       .arg(day)
                       .arg(kWeekdays[shown.date.weekday - 1]);
    if (!shown.holiday.empty()) {
        name += HolidayText(shown) + QLatin1Char(' ');
    }
    const int stored = shown.StoredCount();
    name += QStringLiteral("%1 件").arg(stored);
    if (const int more = static_cast<int>(shown.entries.size()) - stored; more > 0) {
        name += QStringLiteral(" 未作成 %1 件").arg(more);
    }
    return name;
}

QString MonthPane::DayDescription(int day) const {
    if (day < 1 || day > static_cast<int>(sheet_.days.size())) {
        return {};
    }
    QStringList lines;
    for (const DayEntry& entry : sheet_.days[static_cast<std::size_t>(day - 1)].entries) {
        lines << TimeText(entry) + QLatin1Char(' ') + SjisToQString(entry.title) +
                     QLatin1Char(' ') + StateText(entry);
    }
    return lines.join(QStringLiteral("、"));
}

int MonthPane::FirstColumn() const {
    return sheet_.days.empty() ? 0 : ColumnOf(sheet_.days.front().date.weekday);
}

// As many titles as the cell has lines for below the day's number, three at most.
int MonthPane::TitlesShown(const MonthDay& day, const QRect& cell) const {
    const int room = std::max(0, (cell.height() - 2 * kPadding) / LineHeight() - 1);
    return std::min({static_cast<int>(day.entries.size()), kTitlesShown, room});
}

// Titles are laid out once for each width they are drawn at, and kept: a
// month shows the same ones again after most changes, and laying out the
// Japanese text is most of what painting a day costs.
const QStaticText& MonthPane::TitleText(const std::string& sjis, int width) const {
    if (titles_.size() > kTitlesKept) {
        titles_.clear();
    }
    std::string key = std::to_string(width) + '\t' + sjis;
    auto [place, added] = titles_.try_emplace(std::move(key));
    if (added) {
        place->second.setTextFormat(Qt::PlainText);
        place->second.setText(fontMetrics().elidedText(SjisToQString(sjis), Qt::ElideRight, width));
        place->second.prepare(QTransform(), font());
    }
    return place->second;
}

void MonthPane::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        titles_.clear();
        lineHeight_ = LineHeightIn(fontMetrics());
    }
    QWidget::changeEvent(event);
}

int MonthPane::LineHeight() const {
    return lineHeight_;
}

// Below the caption: a line of weekday names, then the month's weeks.
QRect MonthPane::GridRect() const {
    const int top = previous_->geometry().bottom() + 1;
    return QRect(0, top, width(), height() - top);
}

QRect MonthPane::DayRect(int day) const {
    if (day < 1 || day > static_cast<int>(sheet_.days.size())) {
        return {};
    }
    const QRect grid = GridRect();
    const int header = LineHeight();
    const int weeks =
        (FirstColumn() + static_cast<int>(sheet_.days.size()) + kColumns - 1) / kColumns;
    const int slot = FirstColumn() + day - 1;
    const int column = slot % kColumns;
    const int week = slot / kColumns;
    const int left = grid.left() + column * grid.width() / kColumns;
    const int right = grid.left() + (column + 1) * grid.width() / kColumns;
    const int rows = grid.height() - header;
    const int top = grid.top() + header + week * rows / weeks;
    const int bottom = grid.top() + header + (week + 1) * rows / weeks;
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

int MonthPane::DayAt(const QPoint& pos) const {
    for (int day = 1; day <= static_cast<int>(sheet_.days.size()); ++day) {
        if (DayRect(day).contains(pos)) {
            return day;
        }
    }
    return 0;
}

QSize MonthPane::sizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    const int cellWidth =
        kStateImageSize + metrics.horizontalAdvance(QStringLiteral("定例の会議")) + 3 * kPadding;
    const int cellHeight = (kTitlesShown + 1) * LineHeight() + 2 * kPadding;
    return {kColumns * cellWidth, previous_->sizeHint().height() + LineHeight() + 6 * cellHeight};
}

// Each day's number and its "+N" still show whole; the titles need more.
QSize MonthPane::minimumSizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    const int cellWidth = metrics.horizontalAdvance(QStringLiteral("30 +9")) + 3 * kPadding;
    const int cellHeight = LineHeight() + 2 * kPadding;
    return {std::max(kColumns * cellWidth,
                     previous_->sizeHint().width() * 2 + caption_->minimumSizeHint().width()),
            previous_->sizeHint().height() + LineHeight() + 6 * cellHeight};
}

void MonthPane::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QPalette& colours = palette();
    const DayColours dayColours = ColoursOn(colours);
    painter.fillRect(rect(), colours.color(QPalette::Window));

    const QRect grid = GridRect();
    for (int column = 0; column < kColumns; ++column) {
        const QRect cell(grid.left() + column * grid.width() / kColumns, grid.top(),
                         grid.width() / kColumns, LineHeight());
        const int weekday = column == 0 ? 7 : column;
        painter.setPen(weekday == 7   ? dayColours.red
                       : weekday == 6 ? dayColours.blue
                                      : colours.color(QPalette::WindowText));
        painter.drawText(cell, Qt::AlignCenter, kWeekdays[weekday - 1]);
    }
    painter.fillRect(grid.adjusted(0, LineHeight(), 0, 0), colours.color(QPalette::AlternateBase));
    for (const MonthDay& day : sheet_.days) {
        PaintDay(painter, day, DayRect(day.date.day));
    }
}

void MonthPane::PaintDay(QPainter& painter, const MonthDay& day, const QRect& cell) const {
    const QPalette& colours = palette();
    const DayColours dayColours = ColoursOn(colours);
    const bool marked = day.date.day == marked_;
    // Marked, the day looks as the list's selection does while it has the
    // focus, and only tinted without it, so that the list's selection stands out.
    const bool selected = marked && hasFocus();
    painter.fillRect(cell, colours.color(QPalette::Base));
    if (marked) {
        QColor highlight = colours.color(QPalette::Highlight);
        highlight.setAlphaF(selected ? 1.0f : 0.3f);
        painter.fillRect(cell, highlight);
    }
    painter.setPen(colours.color(QPalette::Mid));
    painter.drawRect(cell);

    const QColor text = colours.color(selected ? QPalette::HighlightedText : QPalette::Text);
    const bool red = day.date.weekday == 7 || !day.holiday.empty();
    const QColor number = selected                ? text
                          : red                   ? dayColours.red
                          : day.date.weekday == 6 ? dayColours.blue
                                                  : text;
    const QRect inside = cell.adjusted(kPadding, kPadding, -kPadding, -kPadding);
    const int line = LineHeight();
    const int entries = static_cast<int>(day.entries.size());
    const int shown = TitlesShown(day, cell);

    QRect dayLine(inside.topLeft(), QSize(inside.width(), line));
    if (cell.height() < line + 2 * kPadding) {
        // Squeezed below its least (a large scale on a small screen), the
        // day's line takes the whole cell, so that its digits, centred in it,
        // still show whole.
        dayLine = QRect(inside.left(), cell.top(), inside.width(), cell.height());
    }
    painter.setPen(number);
    const QString dayText = QString::number(day.date.day);
    painter.drawText(dayLine, Qt::AlignLeft | Qt::AlignVCenter, dayText);
    const QFontMetrics metrics = fontMetrics();
    int nameLeft = dayLine.left() + metrics.horizontalAdvance(dayText) + kPadding;
    int nameRight = dayLine.right();
    if (shown < entries) {
        const QString more = QStringLiteral("+%1").arg(entries - shown);
        painter.setPen(text);
        painter.drawText(dayLine, Qt::AlignRight | Qt::AlignVCenter, more);
        nameRight -= metrics.horizontalAdvance(more) + kPadding;
    }
    if (!day.holiday.empty() && nameRight > nameLeft) {
        painter.setPen(number);
        painter.drawText(
            QRect(nameLeft, dayLine.top(), nameRight - nameLeft, dayLine.height()),
            Qt::AlignLeft | Qt::AlignVCenter,
            metrics.elidedText(HolidayText(day), Qt::ElideRight, nameRight - nameLeft));
    }

    static const std::vector<QPixmap> images = StateImages();
    const int imageSize = std::min(kStateImageSize, line - 1);
    for (int i = 0; i < shown; ++i) {
        const DayEntry& entry = day.entries[static_cast<std::size_t>(i)];
        const QRect row(inside.left(), inside.top() + (i + 1) * line, inside.width(), line);
        painter.setOpacity(entry.notGenerated ? kFaint : 1.0);
        const QRect image(row.left(), row.top() + (line - imageSize) / 2, imageSize, imageSize);
        painter.drawPixmap(
            image, images[static_cast<std::size_t>(StateImageOf(entry.progress, entry.overdue))]);
        const QRect title = row.adjusted(imageSize + 2, 0, 0, 0);
        painter.setPen(text);
        painter.drawStaticText(title.left(), title.top() + (line - metrics.height()) / 2,
                               TitleText(entry.title, title.width()));
        painter.setOpacity(1.0);
    }

    if (day.date.year == sheet_.today.year && day.date.month == sheet_.today.month &&
        day.date.day == sheet_.today.day) {
        painter.setPen(QPen(selected ? text : colours.color(QPalette::Text), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(cell.adjusted(1, 1, -1, -1));
    }
    if (selected) {
        painter.setPen(QPen(text, 1, Qt::DotLine));
        painter.drawRect(cell.adjusted(3, 3, -3, -3));
    }
}

void MonthPane::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Left:
            MoveDays(-1);
            break;
        case Qt::Key_Right:
            MoveDays(1);
            break;
        case Qt::Key_Up:
            MoveDays(-kColumns);
            break;
        case Qt::Key_Down:
            MoveDays(kColumns);
            break;
        case Qt::Key_PageUp:
            MoveMonths(-1);
            break;
        case Qt::Key_PageDown:
            MoveMonths(1);
            break;
        case Qt::Key_Home:
            ShowDay(sheet_.today.year, sheet_.today.month, sheet_.today.day);
            break;
        // Taken here, so that Enter never reaches the window as its own confirm.
        case Qt::Key_Return:
        case Qt::Key_Enter:
            emit DayActivated(sheet_.year, sheet_.month, marked_);
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

// A left click on a day marks it, as the first step of whatever it is for.
int MonthPane::MarkDayAt(const QMouseEvent& event) {
    const int day = event.button() == Qt::LeftButton ? DayAt(event.position().toPoint()) : 0;
    if (day != 0 && day != marked_) {
        Mark(day);
    }
    return day;
}

void MonthPane::mousePressEvent(QMouseEvent* event) {
    const int day = MarkDayAt(*event);
    if (day == 0) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    emit DayClicked(sheet_.year, sheet_.month, day);
}

void MonthPane::mouseDoubleClickEvent(QMouseEvent* event) {
    const int day = MarkDayAt(*event);
    if (day == 0) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    emit DayActivated(sheet_.year, sheet_.month, day);
}

// A notch away from the user shows the month before, as scrolling up a list
// shows what came before.
void MonthPane::wheelEvent(QWheelEvent* event) {
    wheelTurn_ += event->angleDelta().y();
    while (wheelTurn_ >= kWheelNotch) {
        wheelTurn_ -= kWheelNotch;
        MoveMonths(-1);
    }
    while (wheelTurn_ <= -kWheelNotch) {
        wheelTurn_ += kWheelNotch;
        MoveMonths(1);
    }
    event->accept();
}

// A holiday's name, and every title of a day that shows only some.
bool MonthPane::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) {
        return QWidget::event(event);
    }
    auto* help = static_cast<QHelpEvent*>(event);
    const int day = DayAt(help->pos());
    QStringList lines;
    if (day > 0) {
        const MonthDay& shown = sheet_.days[static_cast<std::size_t>(day - 1)];
        if (!shown.holiday.empty()) {
            lines << HolidayText(shown);
        }
        if (TitlesShown(shown, DayRect(day)) < static_cast<int>(shown.entries.size())) {
            for (const DayEntry& entry : shown.entries) {
                lines << TimeText(entry) + QLatin1Char(' ') + SjisToQString(entry.title);
            }
        }
    }
    if (lines.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(help->globalPos(), lines.join(QLatin1Char('\n')), this, DayRect(day));
    }
    return true;
}

void MonthPane::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
    MonthPaneAccessible::TellMarked(this);
}

void MonthPane::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}
