// The find bar the main window opens below its list: a text field whose text
// narrows the rows, with the number of rows found beside it. Texts are
// compared as a user would type them: full-width and half-width forms,
// hiragana and katakana, and upper and lower case, alike.
#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;

class FindBar : public QWidget {
    Q_OBJECT

  public:
    explicit FindBar(QWidget* parent = nullptr);

    QLineEdit* Edit() const { return edit_; }
    // The typed text in its compared form; empty when nothing is typed.
    QString Needle() const;

    // `text` in the compared form: compatibility forms folded (full-width
    // letters and digits, half-width katakana), katakana as hiragana, and
    // case folded.
    static QString Folded(const QString& text);

    // Shows "N 件" beside the field; nothing for a negative count.
    void ShowHits(int count);

  signals:
    void TextChanged();
    // Esc or the close button.
    void CloseRequested();
    // Enter (forward) or Shift+Enter (backward) in the field.
    void Stepped(bool forward);

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QLineEdit* edit_;
    QLabel* hits_;
};
