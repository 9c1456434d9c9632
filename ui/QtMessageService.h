// The real message boxes, on QMessageBox: caption "veskat", buttons OK or
// "はい" / "いいえ", application-modal.
#pragma once

#include "MessageService.h"

class QtMessageService : public MessageService {
  public:
    MessageAnswer Show(QWidget* parent, const QString& text, MessageButtons buttons) override;
};
