// The messages of an actor process of the randomised sync tests: every
// notice and question goes to messages.log, and every question is answered
// Yes, as a user who always lets the program go on.
#pragma once

#include <QString>

#include "MessageService.h"
#include "SyncActorLog.h"

class AnsweringYes : public MessageService {
  public:
    MessageAnswer Show(QWidget*, const QString& text, MessageButtons buttons) override {
        AppendLine(kMessagesLog, QString(text).replace('\n', ' ').toStdString());
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
    }
};
