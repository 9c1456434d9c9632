// What the main window asks before it ends, and only while something is unsaved: whether to
// save it first (the close box, Alt+F4, Ctrl+Q, the system menu's Close) and whether to throw it
// away (保存しないで終了). A window with nothing unsaved ends at once; no single key ends it
// otherwise, since Esc closes the find bar and every dialog and a second press comes by habit.
#pragma once

#include <QKeySequence>
#include <QList>
#include <functional>

class MessageService;
class QWidget;

// Whether the window may end now.
enum class [[nodiscard]] ExitAnswer{End, Stay};

class ExitQuestions {
  public:
    // Asks through `messages` over `window`, both of which must outlive it. `unsaved` tells
    // whether anything is unsaved; `save` saves it, false when it could not (the user was told).
    ExitQuestions(MessageService& messages, QWidget& window, std::function<bool()> unsaved,
                  std::function<bool()> save);

    // "変更を保存しますか？": はい saves and ends, but stays when the save failed; いいえ ends;
    // キャンセル stays with everything as it was.
    ExitAnswer Close();
    // "保存していない変更を破棄して終了しますか？", whose Enter answers いいえ: only はい ends.
    ExitAnswer Discard();

    // The keys of Close besides the desktop's own: Ctrl+Q, and Alt+F4 where the window manager
    // leaves that key to the window.
    static QList<QKeySequence> CloseKeys();

  private:
    MessageService& messages_;
    QWidget& window_;
    std::function<bool()> unsaved_;
    std::function<bool()> save_;
};
