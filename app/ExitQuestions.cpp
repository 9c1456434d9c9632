#include "ExitQuestions.h"

#include "MessageService.h"

namespace {

const QString kSaveQuestion = QStringLiteral("変更を保存しますか？");
const QString kDiscardQuestion = QStringLiteral("保存していない変更を破棄して終了しますか？");

}  // namespace

ExitQuestions::ExitQuestions(MessageService& messages, QWidget& window,
                             std::function<bool()> unsaved, std::function<bool()> save)
    : messages_(messages), window_(window), unsaved_(std::move(unsaved)), save_(std::move(save)) {}

// A question with nothing to save would only invite the wrong answer.
ExitAnswer ExitQuestions::Close() {
    if (!unsaved_()) {
        return ExitAnswer::End;
    }
    switch (messages_.AskYesNoCancel(&window_, kSaveQuestion)) {
        case MessageAnswer::Yes:
            return save_() ? ExitAnswer::End : ExitAnswer::Stay;
        case MessageAnswer::No:
            return ExitAnswer::End;
        case MessageAnswer::Cancel:
        case MessageAnswer::Ok:
            break;
    }
    return ExitAnswer::Stay;
}

// The entry sits right under 保存・終了: a slip of the hand must not cost the work.
ExitAnswer ExitQuestions::Discard() {
    if (!unsaved_()) {
        return ExitAnswer::End;
    }
    return messages_.AskYesDefaultNo(&window_, kDiscardQuestion) ? ExitAnswer::End
                                                                 : ExitAnswer::Stay;
}

QList<QKeySequence> ExitQuestions::CloseKeys() {
    return {QKeySequence(Qt::CTRL | Qt::Key_Q), QKeySequence(Qt::ALT | Qt::Key_F4)};
}
