#include "ScriptedMessageService.h"

#include <QStringList>

MessageAnswer ScriptedMessageService::Show(QWidget* /*parent*/, const QString& text,
                                           MessageButtons buttons) {
    shown_.push_back({text, buttons});
    if (buttons == MessageButtons::Ok) {
        return MessageAnswer::Ok;
    }
    if (!answers_.empty()) {
        const MessageAnswer answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    ++unscripted_;
    return MessageAnswer::No;
}

MessageAnswer ScriptedMessageService::ShowDetailed(QWidget* parent, const QString& text,
                                                   const QString& detail, MessageButtons buttons) {
    const MessageAnswer answer = Show(parent, text, buttons);
    shown_.back().detail = detail;
    return answer;
}

QStringList ScriptedMessageService::Texts() const {
    QStringList texts;
    for (const Shown& box : shown_) {
        texts.push_back(box.text);
    }
    return texts;
}

void ScriptedMessageService::Clear() {
    answers_.clear();
    shown_.clear();
    unscripted_ = 0;
}
