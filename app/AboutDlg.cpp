#include "AboutDlg.h"

#include "ResourceIds.h"

CAboutDlg::CAboutDlg(QWidget* parent) : TemplateDialog(kAboutDialogId, parent) {}
