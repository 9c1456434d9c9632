#include "ScriptedSyncQuestions.h"

#include <algorithm>

#include "ConnectSettings.h"

void ScriptedSyncQuestions::AskPassword(ConnectSettings& settings) {
    ++passwordPrompts_;
    if (!passwords_.empty()) {
        if (passwords_.front()) {
            settings.password = *passwords_.front();
        }
        passwords_.pop_front();
    }
}

std::unique_ptr<TransferDisplay> ScriptedSyncQuestions::ShowTransfer(const TransferWatch& watch) {
    if (onTransfer) {
        onTransfer(watch);
    }
    return nullptr;
}

bool ScriptedSyncQuestions::Ask(Kind kind, const QString& text) {
    asked_.push_back({kind, text});
    if (whileAsked) {
        whileAsked(asked_.back());
    }
    if (answers_.empty()) {
        ++unscripted_;
        return false;
    }
    const bool yes = answers_.front();
    answers_.pop_front();
    return yes;
}

QStringList ScriptedSyncQuestions::Texts() const {
    QStringList texts;
    for (const Asked& asked : asked_) {
        texts << asked.text;
    }
    return texts;
}

int ScriptedSyncQuestions::Count(Kind kind) const {
    return static_cast<int>(std::count_if(
        asked_.begin(), asked_.end(), [kind](const Asked& asked) { return asked.kind == kind; }));
}

void ScriptedSyncQuestions::Clear() {
    answers_.clear();
    passwords_.clear();
    asked_.clear();
    passwordPrompts_ = 0;
    unscripted_ = 0;
}
