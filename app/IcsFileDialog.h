// The file dialogs of the iCalendar export and import: one filter, and the
// home folder to start in.
#pragma once

#include <QString>

class QWidget;

// The file to export to, with `caption`; empty when the user cancels.
QString AskIcsFileToSave(QWidget* parent, const QString& caption);
// An existing file to import, with `caption`; empty when the user cancels.
QString AskIcsFileToOpen(QWidget* parent, const QString& caption);
