// The main window's data files at start-up and at a save; DataFileSet does the
// work, the window tells the user.
#include <QString>
#include <QStringList>

#include "MessageService.h"
#include "SubjListDlg.h"

namespace {

const QString kSaveFailed = QStringLiteral("データファイルの保存に失敗しました。");

}  // namespace

void CSubjListDlg::LoadDataFiles() {
    for (const QString& notice : files_.Load()) {
        messages_.Inform(this, notice);
    }
}

bool CSubjListDlg::WriteDataFiles() {
    QStringList notices;
    if (files_.Write([this](const char* fileName) { return MarkUnsent(fileName); }, &notices)) {
        return true;
    }
    history_->SaveFailed();
    notices.prepend(kSaveFailed);
    messages_.Inform(this, notices.join(QLatin1Char('\n')));
    return false;
}
