#include "RestoreVersionDlg.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <algorithm>
#include <ctime>
#include <new>

#include "Clock.h"
#include "ListColumns.h"
#include "ResourceIds.h"
#include "SjisCodec.h"
#include "SubjListView.h"

using namespace VersionsDialogIds;

namespace {

constexpr ListColumn kColumns[] = {{"保存日時", "0000/00/00 00:00:00", false},
                                   {"件数", "読めません", false},
                                   {"追加", "000000", false},
                                   {"削除", "000000", false},
                                   {"変更", "000000", false}};

const QString kNotRead = QStringLiteral("読めません");
const QString kUnreadable = QStringLiteral("この版のファイルは読み込めません。");
const QString kGoingBack = QStringLiteral("この版に戻すと:");
const QString kSame = QStringLiteral("この版に戻しても一覧は変わりません。");
// %1 what happens, %2 how many, %3 the first few titles.
const QString kChangeLine = QStringLiteral("%1 %2 件: %3");
// %1 how many more there are than those named; word joiners keep it on one line.
const QString kMore = QStringLiteral("、ほ\u2060か\u2060 %1\u00A0件");
const QString kLinesNotTaken = QStringLiteral("この版の %1 行は読み込めませんでした。");
// A line cut short or damaged loads as a subject that is not what was saved: a title cut short
// is another subject, which going back would put in place of the whole one.
const QString kLinesChanged = QStringLiteral("この版の %1 行は内容の一部を変えて読み込みました。");

QString SavedAtText(std::time_t savedAt) {
    const std::tm local = LocalTime::Break(savedAt);
    char text[32];
    std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &local);
    return QString::fromLatin1(text);
}

QString ChangeLine(const char* what, const SubjChanges& changes) {
    QStringList titles;
    for (const std::string& title : changes.first) {
        titles << SjisToQString(title);
    }
    QString names = titles.join(QStringLiteral("、"));
    const int more = changes.count - static_cast<int>(changes.first.size());
    if (more > 0) {
        names += kMore.arg(more);
    }
    return kChangeLine.arg(QString::fromUtf8(what)).arg(changes.count).arg(names);
}

}  // namespace

CRestoreVersionDlg::CRestoreVersionDlg(SubjKind kind, const SubjTree& now,
                                       const std::string& dataFile, QWidget* parent)
    : TemplateDialog(kVersionsDialogId, parent),
      kind_(kind),
      list_(Control<SubjListView>(kVersionList)),
      difference_(Control<QLabel>(kDifference)) {
    difference_->setWordWrap(true);
    difference_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ShowColumns(*list_, kColumns, {});
    // The list is wider than its columns at any scale; the last one takes the rest, so the
    // header does not end in mid-air.
    list_->header()->setStretchLastSection(true);
    LoadVersions(now, dataFile);
    for (const Shown& shown : versions_) {
        AddRow(shown);
    }
    connect(list_, &SubjListView::RowSelectionChanged, this, &CRestoreVersionDlg::ShowDifference);
    connect(list_, &SubjListView::RowDoubleClicked, this, [this](int) { OnOK(); });
    if (auto* ok = Control<QPushButton>(kIdOk)) {
        ok->setEnabled(!versions_.empty());
    }
    // The newest, at the bottom, is the one most often wanted.
    const int newest = VersionCount() - 1;
    list_->SelectRow(newest);
    list_->scrollToBottom();
    ShowDifference(newest);
}

void CRestoreVersionDlg::LoadVersions(const SubjTree& now, const std::string& dataFile) {
    for (const KeptVersion& version : ListVersions(dataFile)) {
        Shown shown{version, std::nullopt, 0, 0};
        const LoadedVersion loaded = LoadVersion(kind_, version.fileName);
        if (loaded.tree) {
            try {
                shown.diff = DiffVersion(kind_, now, *loaded.tree);
            } catch (const std::bad_alloc&) {
                shown.diff.reset();
            }
            shown.linesNotTaken = loaded.linesNotTaken;
            shown.linesChanged = loaded.linesChanged;
        }
        versions_.push_back(std::move(shown));
    }
    // The list keeps its rows in the order of their first cells, and puts a
    // row after those equal to it: in that order the rows are the versions.
    std::stable_sort(versions_.begin(), versions_.end(), [](const Shown& a, const Shown& b) {
        return SavedAtText(a.version.savedAt) < SavedAtText(b.version.savedAt);
    });
}

void CRestoreVersionDlg::AddRow(const Shown& shown) {
    const int row = list_->InsertRow(list_->RowCount(), SavedAtText(shown.version.savedAt), -1);
    if (!shown.diff) {
        list_->SetCellText(row, 1, kNotRead);
        return;
    }
    const VersionDiff& diff = *shown.diff;
    list_->SetCellText(row, 1, QString::number(diff.subjects));
    list_->SetCellText(row, 2, QString::number(diff.added.count));
    list_->SetCellText(row, 3, QString::number(diff.removed.count));
    list_->SetCellText(row, 4, QString::number(diff.changed.count));
}

void CRestoreVersionDlg::ShowDifference(int row) {
    if (row < 0 || row >= VersionCount()) {
        difference_->clear();
        return;
    }
    const Shown& shown = versions_[static_cast<std::size_t>(row)];
    if (!shown.diff) {
        difference_->setText(kUnreadable);
        return;
    }
    const VersionDiff& diff = *shown.diff;
    QStringList lines;
    if (diff.added.count + diff.removed.count + diff.changed.count == 0) {
        lines << kSame;
    } else {
        lines << kGoingBack;
        for (const auto& [what, changes] :
             {std::pair{"追加", &diff.added}, std::pair{"削除", &diff.removed},
              std::pair{"変更", &diff.changed}}) {
            if (changes->count > 0) {
                lines << ChangeLine(what, *changes);
            }
        }
    }
    if (shown.linesNotTaken > 0) {
        lines << kLinesNotTaken.arg(shown.linesNotTaken);
    }
    if (shown.linesChanged > 0) {
        lines << kLinesChanged.arg(shown.linesChanged);
    }
    difference_->setText(lines.join(QLatin1Char('\n')));
}

std::optional<std::vector<RecordText>> CRestoreVersionDlg::ChosenRecords() const {
    const int row = list_->SelectionMark();
    if (row < 0 || row >= VersionCount()) {
        return std::nullopt;
    }
    const LoadedVersion loaded =
        LoadVersion(kind_, versions_[static_cast<std::size_t>(row)].version.fileName);
    if (!loaded.tree) {
        return std::nullopt;
    }
    try {
        return RecordsInOrder(*loaded.tree);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}
