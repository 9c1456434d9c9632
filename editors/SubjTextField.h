// A subject text (title or content) bound to its edit in an editor dialog:
// shows stored Shift_JIS bytes, keeps the input within the record's byte
// limit as the user types or pastes, and gives back the bytes to store. A
// title shows how many bytes it takes, and says when it has reached the limit.
#pragma once

#include <QString>
#include <cstddef>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

// Where an edit changed: `after` holds `before` with the characters
// [at, at + removed) replaced by [at, at + added).
struct TextChange {
    qsizetype at;
    qsizetype removed;
    qsizetype added;
};

// The smallest change that turns `before` into `after` (common prefix and
// suffix left out).
TextChange FindChange(const QString& before, const QString& after);

// The longest start of `inserted` that takes at most `room` bytes as measured
// by `measure`, never splitting a surrogate pair.
QString FitInsertion(const QString& inserted, std::ptrdiff_t room,
                     std::size_t (*measure)(const QString&));

// Bytes a title text takes in the record: Shift_JIS bytes.
std::size_t TitleBytes(const QString& text);
// Bytes a content text (line breaks as LF) takes in the record once each line
// break is written as "<br>".
std::size_t ContentBytes(const QString& text);

// The content as the multi-line edit shows it: "<br>" and CR LF become LF.
QString ContentToEditText(const std::string& content);
// The content to store for the edit's text: line breaks as "<br>", Shift_JIS;
// nullopt when a character has no Shift_JIS form.
std::optional<std::string> ContentFromEditText(const QString& text);

class SubjTextField {
  public:
    enum class Kind { Title, Content };

    // `edit` is the title's QLineEdit or the content's QPlainTextEdit; it must
    // outlive the field. Installs the byte limit (kTitleLimit, kContentLimit)
    // and turns tabs (and, in a title, line breaks) typed or pasted into blanks.
    // A title's edit gets a counter at its right end, "n/72", that reads
    // "72/72 上限" at the limit; the edit's accessible description says the same.
    SubjTextField(QWidget* edit, Kind kind);

    // Shows `bytes` (a stored title, or stored content with "<br>") and keeps
    // them for Bytes().
    void Show(const std::string& bytes);

    // The edit's text now.
    QString Text() const;

    // What to store for the edit's text: the shown bytes themselves when the
    // text is as Show left it (decoding and encoding again is not exact for a
    // few characters), else its encoding; nullopt when it cannot be encoded.
    std::optional<std::string> Bytes() const;

  private:
    void SetText(const QString& text);
    void OnEdited();
    QString Clean(QString text) const;
    std::size_t Measure(const QString& text) const;
    void ShowCount();

    QLineEdit* line_ = nullptr;
    QPlainTextEdit* multi_ = nullptr;
    QLabel* counter_ = nullptr;
    Kind kind_;
    std::string shownBytes_;
    QString shownText_;
    QString before_;  // the text before the latest edit
    bool adjusting_ = false;
};
