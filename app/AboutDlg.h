// The About box (dialog 100): the program's icon, name and version, and an OK
// button. Opened from the main window's system menu.
#pragma once

#include "TemplateDialog.h"

class CAboutDlg : public TemplateDialog {
    Q_OBJECT

  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
