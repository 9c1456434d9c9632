// ファイル → 以前の版に戻す...: the kept versions of the list on show, and
// going back to one of them in memory, to be saved like any other change.
#include <QApplication>
#include <QCursor>

#include "MessageService.h"
#include "ResourceIds.h"
#include "RestoreVersionDlg.h"
#include "SubjListDlg.h"

namespace {

const QString kNoVersions = QStringLiteral(
    "以前の版はまだありません。一覧を変えて保存するたびに、置き換えた版が残ります。");
const QString kVersionNotRead =
    QStringLiteral("選んだ版を読み込めませんでした。一覧はそのままです。");
const QString kNotRestored = QStringLiteral(
    "選んだ版はメモリーが足りないため一覧に入れられませんでした。一覧はそのままです。");

}  // namespace

void CSubjListDlg::OnRestoreVersion() {
    const BusyScope busy(*this);
    const SubjKind kind = IndivMode() ? SubjKind::Indiv : SubjKind::Rep;
    const SubjTree& now = kind == SubjKind::Indiv ? indivList_.Tree() : repList_.Tree();
    // Every kept version is read and compared before the window opens, which takes a moment
    // on a long list.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    CRestoreVersionDlg versions(kind, now, kind == SubjKind::Indiv ? kIndivFileName : kRepFileName,
                                this);
    QApplication::restoreOverrideCursor();
    if (versions.VersionCount() == 0) {
        messages_.Inform(this, kNoVersions);
        return;
    }
    if (versions.exec() != kIdOk) {
        return;
    }
    const std::optional<std::vector<RecordText>> records = versions.ChosenRecords();
    if (!records) {
        messages_.Inform(this, kVersionNotRead);
    } else if (!RestoreVersion(kind, *records)) {
        messages_.Inform(this, kNotRestored);
    }
}

// One step of the history, like any command: the version chosen can be taken back.
bool CSubjListDlg::RestoreVersion(SubjKind kind, const std::vector<RecordText>& records) {
    const KeptSelection kept = KeptSelection::Of(*list_);
    bool restored = false;
    history_->Run(EditHistory::Command::Restore, [&] { restored = files_.Restore(kind, records); });
    if (restored) {
        FillList(kept);
    }
    return restored;
}
