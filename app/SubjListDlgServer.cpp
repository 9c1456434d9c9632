// The places where the main window meets the server: the connection settings
// at initialisation, the fetch before the data files are loaded, the sending
// after a save, the close question's local-only save, and the connection
// settings dialog. Without a server each of them does nothing.
#include "SubjListDlg.h"

void CSubjListDlg::LoadSettings() {}

bool CSubjListDlg::FetchFromServer() {
    return true;
}

void CSubjListDlg::SendToServer() {}

void CSubjListDlg::LocalSaveNotSent() {}

void CSubjListDlg::RunConnectDialog() {}
