// The preview of an iCalendar import: what it will add and what it cannot
// take, before anything changes. OK goes on with the import, キャンセル leaves
// the lists as they are.
#pragma once

#include <QStringList>

#include "TemplateDialog.h"

class QLabel;

class CImportPreviewDlg : public TemplateDialog {
    Q_OBJECT

  public:
    // Shows `lines`, the import's summary, one to a line.
    explicit CImportPreviewDlg(const QStringList& lines, QWidget* parent = nullptr);

    QString SummaryText() const;

  private:
    QLabel* summary_;
};
