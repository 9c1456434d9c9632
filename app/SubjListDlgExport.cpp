// The iCalendar exports of the ファイル menu, as to-dos or as events: both
// lists as the window holds them, unsaved changes included, to a file the
// user picks.
#include "Clock.h"
#include "IcsExport.h"
#include "IcsFileDialog.h"
#include "MessageService.h"
#include "SubjListDlg.h"
#include "SystemZone.h"

namespace {

const QString kExportCaption = QStringLiteral("エクスポート (iCalendar)");
const QString kExportFailed = QStringLiteral("%1 に書き込めませんでした。");
const QString kNotExported =
    QStringLiteral("%1 件の案件は日付の年が 1 から 9999 の外にあるため、書き出しませんでした。");

}  // namespace

QString CSubjListDlg::AskExportFileName() {
    return AskIcsFileToSave(this, kExportCaption);
}

void CSubjListDlg::OnExportIcs(IcsForm form) {
    const BusyScope busy(*this);
    const QString fileName = AskExportFileName();
    if (fileName.isEmpty()) {
        return;
    }
    const IcsExported exported = WriteIcsFile(fileName.toLocal8Bit().toStdString(), indivList_,
                                              repList_, Clock::Now(), SystemZoneName(), form);
    if (!exported.written) {
        messages_.Inform(this, kExportFailed.arg(fileName));
    } else if (exported.notExported > 0) {
        messages_.Inform(this, kNotExported.arg(exported.notExported));
    }
}
