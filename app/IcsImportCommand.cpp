#include "IcsImportCommand.h"

#include <QApplication>
#include <QStringList>

#include "Clock.h"
#include "EditHistory.h"
#include "IcsFileDialog.h"
#include "IcsImport.h"
#include "ImportPreviewDlg.h"
#include "MessageService.h"
#include "ResourceIds.h"
#include "SystemZone.h"

namespace {

const QString kImportCaption = QStringLiteral("インポート (iCalendar)");
const QString kOutOfMemory =
    QStringLiteral("メモリーが足りないため、一部の案件しか追加できませんでした。");

// A wait cursor while a large file is read and compared.
class WaitCursor {
  public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

QStringList ToQt(const std::vector<std::string>& lines) {
    QStringList list;
    for (const std::string& line : lines) {
        list << QString::fromStdString(line);
    }
    return list;
}

}  // namespace

IcsImportCommand::IcsImportCommand(IndivSubjList& indiv, RepSubjList& rep, EditHistory& history,
                                   MessageService& messages, QWidget* parent)
    : indiv_(indiv), rep_(rep), history_(history), messages_(messages), parent_(parent) {}

bool IcsImportCommand::Run() {
    const QString fileName = AskIcsFileToOpen(parent_, kImportCaption);
    if (fileName.isEmpty()) {
        return false;
    }
    std::optional<IcsImport> import;
    {
        const WaitCursor wait;
        import = IcsImport::ReadFile(fileName.toLocal8Bit().toStdString(), Clock::Now(),
                                     SystemZoneName());
        if (import->Problem() == IcsFileProblem::None) {
            import->LeaveOutPresent(indiv_, rep_);
        }
    }
    if (import->Problem() != IcsFileProblem::None) {
        messages_.Inform(parent_,
                         QString::fromStdString(import->ProblemText(fileName.toStdString(), true)));
        return false;
    }
    CImportPreviewDlg preview(ToQt(import->SummaryLines(true, false)), parent_);
    if (preview.exec() != kIdOk || (import->Dated().empty() && import->Repeating().empty())) {
        return false;
    }
    bool whole = true;
    history_.Run(EditHistory::Command::Import, [&] { whole = import->AddTo(indiv_, rep_); });
    if (!whole) {
        messages_.Inform(parent_, kOutOfMemory);
    }
    return true;
}
