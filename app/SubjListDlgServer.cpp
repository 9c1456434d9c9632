// The places where the main window meets the server: the connection settings
// at initialisation, the fetch before the data files are loaded, the unsent
// marker before a save replaces a data file, the sending after a save with
// the merge it may bring, and the connection settings dialog. Without a server (ftpMode 0) the sync
// functions do nothing.
#include "ConnectDlg.h"
#include "MessageService.h"
#include "SecretMemory.h"
#include "ServerSync.h"
#include "SubjListDlg.h"

namespace {

const QString kMergeNotAdopted = QStringLiteral(
    "他のコンピューターでの変更を取り込んだ一覧は、メモリーが足りないため表示できません"
    "でした。取り込んだ内容はファイルに保存してあります。いったん終了して起動し直して"
    "ください。");

}  // namespace

void CSubjListDlg::LoadSettings() {
    settings_.Load(kIniFileName);
    // The password the fetch asks for must not reach a core file.
    GuardPasswordMemory(settings_);
}

bool CSubjListDlg::FetchFromServer() {
    return ::FetchFromServer(settings_, Messages(), this);
}

// A merge with another computer's save becomes the list the user works on.
void CSubjListDlg::SendToServer() {
    ::SendToServer(settings_, Messages(), this,
                   [this](SubjKind kind, const std::vector<RecordText>& records) {
                       if (!files_.Adopt(kind, records)) {
                           messages_.Inform(this, kMergeNotAdopted);
                       }
                       FillList();
                   });
}

bool CSubjListDlg::MarkUnsent(const char* fileName) {
    return ::MarkUnsent(settings_, fileName);
}

void CSubjListDlg::RunConnectDialog() {
    ::RunConnectDialog(settings_, Messages(), this);
}
