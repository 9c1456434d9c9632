#include "ImportPreviewDlg.h"

#include <QLabel>

#include "ResourceIds.h"

CImportPreviewDlg::CImportPreviewDlg(const QStringList& lines, QWidget* parent)
    : TemplateDialog(kImportPreviewDialogId, parent),
      summary_(Control<QLabel>(ImportPreviewIds::kSummary)) {
    summary_->setWordWrap(true);
    summary_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    summary_->setText(lines.join(QLatin1Char('\n')));
}

QString CImportPreviewDlg::SummaryText() const {
    return summary_->text();
}
