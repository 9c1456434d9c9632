#include "RestoreVersionDlg.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <algorithm>
#include <ctime>
#include <filesystem>
#include <new>

#include "ChangeCounts.h"
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
// %1 the counts, as the undo entry of going back will name them.
const QString kGoingBack = QStringLiteral("この版に戻すと: %1");
const QString kSame = QStringLiteral("この版に戻しても一覧は変わりません。");
// %1 what happens, %2 the first few titles; how many stands in the line above.
const QString kChangeLine = QStringLiteral("%1: %2");
// %1 how many more there are than those named; word joiners keep it on one line.
const QString kMore = QStringLiteral("、ほ\u2060か\u2060 %1\u00A0件");
const QString kLinesNotTaken = QStringLiteral("この版の %1 行は読み込めませんでした。");
// A line cut short or damaged loads as a subject that is not what was saved: a title cut short
// is another subject, which going back would put in place of the whole one.
const QString kLinesChanged = QStringLiteral("この版の %1 行は内容の一部を変えて読み込みました。");
// %1 a file in the versions folder. A version kept as its differences is read through the one
// it was kept against, so a damaged file costs the versions read through it, and says so.
const QString kDamaged = QStringLiteral("ファイル %1 が壊れているため、この版は読めません。");
const QString kBaseLost = QStringLiteral(
    "この版は別の版のファイル %1 をもとに残してあり、"
    "そのファイルが壊れているか、なくなっているため、この版は読めません。");
// %1 how many.
const QString kDependentsLost = QStringLiteral(
    "この版をもとに残した %1 個の版は、この版のファイルが残したときと違うため読めません。");

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
    return kChangeLine.arg(QString::fromUtf8(what), names);
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
    const std::vector<KeptVersion> kept = ListVersions(dataFile);
    // Newest first, so that each version kept as its differences is rebuilt from the one read
    // just before.
    for (auto version = kept.rbegin(); version != kept.rend(); ++version) {
        Shown shown;
        shown.version = *version;
        std::string bytes;
        shown.read = reader_.Read(version->name, bytes);
        shown.lost = reader_.LostVersion();
        const LoadedVersion loaded =
            shown.read == VersionRead::Read ? LoadVersion(kind_, bytes) : LoadedVersion{};
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
    std::reverse(versions_.begin(), versions_.end());
    for (const Shown& shown : versions_) {
        if (shown.read != VersionRead::BaseLost) {
            continue;
        }
        for (Shown& other : versions_) {
            other.dependentsLost += other.version.name == shown.lost ? 1 : 0;
        }
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
    QStringList lines;
    if (!shown.diff) {
        lines << NotReadText(shown);
    } else if (shown.diff->added.count + shown.diff->removed.count + shown.diff->changed.count ==
               0) {
        lines << kSame;
    } else {
        const VersionDiff& diff = *shown.diff;
        lines << kGoingBack.arg(
            CountsText({diff.removed.count, diff.added.count, diff.changed.count}));
        for (const auto& [what, changes] :
             {std::pair{"削除", &diff.removed}, std::pair{"追加", &diff.added},
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
    if (shown.dependentsLost > 0) {
        lines << kDependentsLost.arg(shown.dependentsLost);
    }
    difference_->setText(lines.join(QLatin1Char('\n')));
}

QString CRestoreVersionDlg::NotReadText(const Shown& shown) const {
    // The file itself, as the user finds it in the folder.
    const auto fileOf = [this](const std::string& name) {
        const auto listed = std::find_if(versions_.begin(), versions_.end(),
                                         [&](const Shown& s) { return s.version.name == name; });
        const bool asChanges = listed != versions_.end() && listed->version.asChanges;
        return QString::fromLocal8Bit(std::filesystem::path(name).filename().string() +
                                      (asChanges ? kChangesSuffix : ""));
    };
    switch (shown.read) {
        case VersionRead::Damaged:
            return kDamaged.arg(fileOf(shown.version.name));
        case VersionRead::BaseLost:
            return kBaseLost.arg(fileOf(shown.lost));
        case VersionRead::Read:
        case VersionRead::NotRead:
            break;
    }
    return kUnreadable;
}

std::optional<std::vector<RecordText>> CRestoreVersionDlg::ChosenRecords() {
    const int row = list_->SelectionMark();
    if (row < 0 || row >= VersionCount()) {
        return std::nullopt;
    }
    std::string bytes;
    if (reader_.Read(versions_[static_cast<std::size_t>(row)].version.name, bytes) !=
        VersionRead::Read) {
        return std::nullopt;
    }
    const LoadedVersion loaded = LoadVersion(kind_, bytes);
    if (!loaded.tree) {
        return std::nullopt;
    }
    try {
        return RecordsInOrder(*loaded.tree);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}
