// The places where the main window meets the server: the connection settings
// at initialisation, the fetch before the data files are loaded, the sending
// after a save, the close question's local-only save, and the connection
// settings dialog. Without a server (ftpMode 0) the last four do nothing.
#include "SubjListDlg.h"

void CSubjListDlg::LoadSettings() {
    settings_.Load(kIniFileName);
}

bool CSubjListDlg::FetchFromServer() {
    return true;
}

void CSubjListDlg::SendToServer() {}

void CSubjListDlg::LocalSaveNotSent() {}

void CSubjListDlg::RunConnectDialog() {}
