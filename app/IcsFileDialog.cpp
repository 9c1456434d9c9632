#include "IcsFileDialog.h"

#include <QDir>
#include <QFileDialog>

namespace {

const QString kIcsFilter = QStringLiteral("iCalendar (*.ics)");

}  // namespace

QString AskIcsFileToSave(QWidget* parent, const QString& caption) {
    return QFileDialog::getSaveFileName(
        parent, caption, QDir::home().filePath(QStringLiteral("veskat.ics")), kIcsFilter);
}

QString AskIcsFileToOpen(QWidget* parent, const QString& caption) {
    return QFileDialog::getOpenFileName(parent, caption, QDir::homePath(), kIcsFilter);
}
