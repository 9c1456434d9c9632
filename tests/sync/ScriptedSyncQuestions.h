// SyncQuestions for the engine's tests: records every question and notice in
// order and answers from a queue the test fills beforehand, with no window.
// A test may act while a question waits (as another computer would meanwhile)
// and watch every transfer the steps start.
#pragma once

#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "SyncQuestions.h"

class ScriptedSyncQuestions : public SyncQuestions {
  public:
    enum class Kind {
        WorkOffline,
        BreakStaleLock,
        KeepDeletedSubjects,
        ReplaceDamagedCopy,
        Notice
    };
    struct Asked {
        Kind kind;
        QString text;
    };

    // The answer to the next question of any kind, then the one after, ...;
    // with none queued a question answers No and counts as unscripted.
    void QueueAnswer(bool yes) { answers_.push_back(yes); }
    // The next password prompt's answer; none (nullopt) leaves it empty, as Cancel.
    void QueuePassword(std::optional<std::string> password) {
        passwords_.push_back(std::move(password));
    }
    // Runs while each question waits, before its answer is given.
    std::function<void(const Asked&)> whileAsked;
    // Runs at the start of each transfer; the watch stays valid until the
    // transfer ends.
    std::function<void(const TransferWatch&)> onTransfer;

    void AskPassword(ConnectSettings& settings) override;
    bool WorkOffline(const QString& question) override { return Ask(Kind::WorkOffline, question); }
    bool BreakStaleLock(const QString& question) override {
        return Ask(Kind::BreakStaleLock, question);
    }
    bool KeepDeletedSubjects(const QString& question) override {
        return Ask(Kind::KeepDeletedSubjects, question);
    }
    bool ReplaceDamagedCopy(const QString& question) override {
        return Ask(Kind::ReplaceDamagedCopy, question);
    }
    void Tell(const QString& notice) override { asked_.push_back({Kind::Notice, notice}); }
    std::unique_ptr<TransferDisplay> ShowTransfer(const TransferWatch& watch) override;

    const std::vector<Asked>& History() const { return asked_; }
    // The texts of every question and notice, in order.
    QStringList Texts() const;
    // How many were of `kind`.
    int Count(Kind kind) const;
    int PasswordPrompts() const { return passwordPrompts_; }
    int UnscriptedQuestions() const { return unscripted_; }
    void Clear();

  private:
    bool Ask(Kind kind, const QString& text);

    std::deque<bool> answers_;
    std::deque<std::optional<std::string>> passwords_;
    std::vector<Asked> asked_;
    int passwordPrompts_ = 0;
    int unscripted_ = 0;
};
