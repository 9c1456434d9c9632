// ファイル → インポート (iCalendar)...: asks for a file, reads it whole, shows
// what it would add and lose, and on OK adds its subjects to the lists as
// one step of the window's history, which one undo takes back. Nothing is
// written until the user saves.
#pragma once

#include "SubjList.h"

class EditHistory;
class MessageService;
class QWidget;

class IcsImportCommand {
  public:
    // Every reference must outlive the command; `parent` owns its dialogs.
    IcsImportCommand(IndivSubjList& indiv, RepSubjList& rep, EditHistory& history,
                     MessageService& messages, QWidget* parent);

    // The whole command. True when subjects were added, and the window must
    // show the lists again; a file that gives nothing has been told of.
    bool Run();

  private:
    IndivSubjList& indiv_;
    RepSubjList& rep_;
    EditHistory& history_;
    MessageService& messages_;
    QWidget* parent_;
};
