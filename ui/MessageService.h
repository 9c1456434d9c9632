// The one way the program shows a notice or asks a question: a modal message
// box captioned "veskat" with OK, or with Yes ("はい(&Y)") and No ("いいえ(&N)").
// Windows take a MessageService& so that tests can script the answers.
#pragma once

#include <QString>

class QWidget;

enum class MessageButtons { Ok, YesNo };

// Numbered as the desktop numbers them.
enum class MessageAnswer { Ok = 1, Yes = 6, No = 7 };

class MessageService {
  public:
    virtual ~MessageService() = default;

    // Shows `text` modally over `parent` (may be null) and returns the button
    // pressed. Closing an OK box any way gives Ok; a Yes/No box has no close
    // box, and Esc answers No.
    virtual MessageAnswer Show(QWidget* parent, const QString& text, MessageButtons buttons) = 0;
    // The same with `detail` in smaller words below the fixed `text` (what
    // the question is about); without a place for it, the box shows `text` alone.
    virtual MessageAnswer ShowDetailed(QWidget* parent, const QString& text, const QString& detail,
                                       MessageButtons buttons) {
        static_cast<void>(detail);
        return Show(parent, text, buttons);
    }

    // A notice with an OK button.
    void Inform(QWidget* parent, const QString& text) { Show(parent, text, MessageButtons::Ok); }
    // A question; true only for Yes.
    bool AskYes(QWidget* parent, const QString& text) {
        return Show(parent, text, MessageButtons::YesNo) == MessageAnswer::Yes;
    }
    bool AskYes(QWidget* parent, const QString& text, const QString& detail) {
        return ShowDetailed(parent, text, detail, MessageButtons::YesNo) == MessageAnswer::Yes;
    }
};

// The caption of every message box.
inline const QString kMessageCaption = QStringLiteral("veskat");
