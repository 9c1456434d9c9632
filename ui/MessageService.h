// The one way the program shows a notice or asks a question: a modal message
// box captioned "veskat" with OK, or with Yes ("はい(&Y)") and No ("いいえ(&N)"), and for a
// question that can be backed out of also "キャンセル". Enter answers Yes, but No where
// Yes would store something the user may not have meant.
// Windows take a MessageService& so that tests can script the answers.
#pragma once

#include <QString>

class QWidget;

enum class MessageButtons { Ok, YesNo, YesNoCancel, YesNoDefaultNo };

// Numbered as the desktop numbers them.
enum class MessageAnswer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

class MessageService {
  public:
    virtual ~MessageService() = default;

    // Shows `text` modally over `parent` (may be null) and returns the button
    // pressed. Closing an OK box any way gives Ok; a Yes/No box has no close
    // box, and Esc answers No. A Yes/No/Cancel box answers Cancel to Esc and
    // to its close box.
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
    // A question whose Enter, and Esc, answer No; true only for Yes.
    bool AskYesDefaultNo(QWidget* parent, const QString& text) {
        return Show(parent, text, MessageButtons::YesNoDefaultNo) == MessageAnswer::Yes;
    }
    // A question that may also be backed out of: Yes, No or Cancel.
    MessageAnswer AskYesNoCancel(QWidget* parent, const QString& text) {
        return Show(parent, text, MessageButtons::YesNoCancel);
    }
};

// The caption of every message box.
inline const QString kMessageCaption = QStringLiteral("veskat");
