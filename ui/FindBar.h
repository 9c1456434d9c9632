// The find bar the main window opens below its list: a text field whose text
// narrows the rows. Texts are compared as a user would type them: full-width
// and half-width forms, and upper and lower case, alike.
#pragma once

#include <QWidget>

class QLineEdit;

class FindBar : public QWidget {
    Q_OBJECT

  public:
    explicit FindBar(QWidget* parent = nullptr);

    QLineEdit* Edit() const { return edit_; }
    // The typed text in its compared form; empty when nothing is typed.
    QString Needle() const;

    // `text` in the compared form: compatibility forms folded (full-width
    // letters and digits, half-width katakana) and case folded.
    static QString Folded(const QString& text);

  signals:
    void TextChanged();
    // Esc or the close button.
    void CloseRequested();
    // Enter in the field.
    void Accepted();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QLineEdit* edit_;
};
