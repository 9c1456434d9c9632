// A MessageService for tests: records every message shown and answers from a
// queue the test fills beforehand. Nothing appears on screen.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

#include "MessageService.h"

class ScriptedMessageService : public MessageService {
  public:
    struct Shown {
        QString text;
        MessageButtons buttons;
        QString detail = {};
    };

    // The answer for the next Yes/No box shown, then the one after, and so on.
    void QueueAnswer(MessageAnswer answer) { answers_.push_back(answer); }

    // Records the box. An OK box answers Ok and leaves the queue alone; a
    // Yes/No box takes the next queued answer, or with none answers No and
    // counts as unscripted.
    MessageAnswer Show(QWidget* parent, const QString& text, MessageButtons buttons) override;
    // The same, keeping the detail with the box's record.
    MessageAnswer ShowDetailed(QWidget* parent, const QString& text, const QString& detail,
                               MessageButtons buttons) override;

    const std::vector<Shown>& History() const { return shown_; }
    // The texts of all boxes shown, in order.
    QStringList Texts() const;
    // Yes/No boxes that found no queued answer.
    int UnscriptedQuestions() const { return unscripted_; }
    // Answers queued but never used.
    std::size_t PendingAnswers() const { return answers_.size(); }
    void Clear();

  private:
    std::deque<MessageAnswer> answers_;
    std::vector<Shown> shown_;
    int unscripted_ = 0;
};
