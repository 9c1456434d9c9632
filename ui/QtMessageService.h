// The real message boxes, on QMessageBox: caption "veskat", buttons OK or
// "はい(&Y)" / "いいえ(&N)" (and "キャンセル"), application-modal; the warning icon on OK boxes
// (refusals and failures), the question icon on questions. A detail is the
// box's informative text.
#pragma once

#include "MessageService.h"

class QtMessageService : public MessageService {
  public:
    MessageAnswer Show(QWidget* parent, const QString& text, MessageButtons buttons) override;
    MessageAnswer ShowDetailed(QWidget* parent, const QString& text, const QString& detail,
                               MessageButtons buttons) override;
};
