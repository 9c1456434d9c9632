#include "DeleteDetail.h"

#include "SubjListView.h"

namespace {

// The columns of SubjListDlg's two lists named in the question.
constexpr int kIndivDate = 0, kIndivTitle = 2;
constexpr int kRepTitle = 0, kRepRules = 1;

}  // namespace

QString DeleteDetail(const SubjListView& list, int row, bool indivRow) {
    if (row < 0 || row >= list.RowCount()) {
        return {};
    }
    if (indivRow) {
        return list.CellText(row, kIndivDate) + QStringLiteral("　") +
               list.CellText(row, kIndivTitle);
    }
    return list.CellText(row, kRepTitle) + QStringLiteral("　") + list.CellText(row, kRepRules);
}
