#include "ListColumns.h"

#include <QFontMetrics>
#include <QString>
#include <algorithm>

#include "SubjListView.h"

namespace {

// Proportional fonts give digits different widths; a date must fit whichever
// digits it holds.
QString WithWidestDigits(const QString& text, const QFontMetrics& metrics) {
    QChar widest = QLatin1Char('0');
    for (char digit = '1'; digit <= '9'; ++digit) {
        if (metrics.horizontalAdvance(QLatin1Char(digit)) > metrics.horizontalAdvance(widest)) {
            widest = QLatin1Char(digit);
        }
    }
    QString result = text;
    for (QChar& c : result) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            c = widest;
        }
    }
    return result;
}

}  // namespace

std::vector<int> ColumnWidths(const SubjListView& list, std::span<const ListColumn> columns,
                              std::span<const int> kept) {
    const bool useKept = kept.size() == columns.size();
    std::vector<int> widths;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const ListColumn& column = columns[i];
        // The state image stands at the start of every row.
        const bool withImage = i == 0;
        int width = list.WidthToShow(QString::fromUtf8(column.header), withImage);
        if (column.widest != nullptr) {
            const QString widest =
                WithWidestDigits(QString::fromUtf8(column.widest), list.fontMetrics());
            width = std::max(width, list.WidthToShow(widest, withImage));
        }
        widths.push_back(useKept ? std::max(width, kept[i]) : width);
    }
    return widths;
}

void ShowColumns(SubjListView& list, std::span<const ListColumn> columns,
                 std::span<const int> kept) {
    const std::vector<int> widths = ColumnWidths(list, columns, kept);
    list.RemoveAllColumns();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const int position = static_cast<int>(i);
        list.InsertColumn(position, QString::fromUtf8(columns[i].header), widths[i]);
        if (columns[i].stretch) {
            list.StretchColumn(position);
        }
    }
}
