// The places where the main window meets the server: the connection settings
// at initialisation, the fetch before the data files are loaded, the sending
// after a save, the close question's local-only save, and the connection
// settings dialog. Without a server (ftpMode 0) the sync functions do nothing.
#include "ConnectDlg.h"
#include "ServerSync.h"
#include "SubjListDlg.h"

void CSubjListDlg::LoadSettings() {
    settings_.Load(kIniFileName);
}

bool CSubjListDlg::FetchFromServer() {
    return ::FetchFromServer(settings_, Messages(), this);
}

void CSubjListDlg::SendToServer() {
    ::SendToServer(settings_, Messages(), this);
}

void CSubjListDlg::LocalSaveNotSent() {
    ::LocalSaveNotSent(settings_);
}

void CSubjListDlg::RunConnectDialog() {
    CConnectDlg dialog(&settings_, Messages(), this);
    if (dialog.exec() == QDialog::Accepted) {
        settings_.Save(kIniFileName);
    }
}
