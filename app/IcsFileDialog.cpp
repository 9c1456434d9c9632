#include "IcsFileDialog.h"

#include <QDir>

#include "FileChooser.h"

namespace {

const QString kIcsFilter = QStringLiteral("iCalendar (*.ics)");

}  // namespace

QString AskIcsFileToSave(QWidget* parent, const QString& caption) {
    return ChooseFile(parent, FileChoice::Save, caption,
                      QDir::home().filePath(QStringLiteral("veskat.ics")), kIcsFilter);
}

QString AskIcsFileToOpen(QWidget* parent, const QString& caption) {
    return ChooseFile(parent, FileChoice::Open, caption, QDir::homePath(), kIcsFilter);
}
