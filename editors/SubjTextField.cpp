#include "SubjTextField.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <algorithm>

#include "SjisCodec.h"
#include "SjisText.h"
#include "SubjRecord.h"

namespace {

constexpr char16_t kLineSeparator = u'\u2028';
constexpr char16_t kParagraphSeparator = u'\u2029';

// Every line break the toolkit may hand out, as one LF.
QString LineBreaksAsLf(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar(u'\r'), QChar(u'\n'));
    text.replace(QChar(kLineSeparator), QChar(u'\n'));
    text.replace(QChar(kParagraphSeparator), QChar(u'\n'));
    return text;
}

// A record field is one line of the data file, so a tab there would be written
// as a blank anyway; show the blank at once.
QString TabsAsBlanks(QString text) {
    return text.replace(QChar(u'\t'), QChar(u' '));
}

QString TitleClean(const QString& text) {
    QString clean = LineBreaksAsLf(TabsAsBlanks(text));
    return clean.replace(QChar(u'\n'), QChar(u' '));
}

QString ContentClean(const QString& text) {
    return LineBreaksAsLf(TabsAsBlanks(text));
}

}  // namespace

TextChange FindChange(const QString& before, const QString& after) {
    const qsizetype shorter = std::min(before.size(), after.size());
    qsizetype prefix = 0;
    while (prefix < shorter && before[prefix] == after[prefix]) {
        ++prefix;
    }
    qsizetype suffix = 0;
    while (suffix < shorter - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
        ++suffix;
    }
    // A change must not start or end inside a surrogate pair.
    if (prefix > 0 && after[prefix - 1].isHighSurrogate()) {
        --prefix;
    }
    if (suffix > 0 && after[after.size() - suffix].isLowSurrogate()) {
        --suffix;
    }
    return {prefix, before.size() - prefix - suffix, after.size() - prefix - suffix};
}

QString FitInsertion(const QString& inserted, std::ptrdiff_t room,
                     std::size_t (*measure)(const QString&)) {
    if (room <= 0) {
        return QString();
    }
    qsizetype length = 0;
    std::size_t used = 0;
    while (length < inserted.size()) {
        const qsizetype step =
            (inserted[length].isHighSurrogate() && length + 1 < inserted.size()) ? 2 : 1;
        used += measure(inserted.mid(length, step));
        if (used > static_cast<std::size_t>(room)) {
            break;
        }
        length += step;
    }
    return inserted.left(length);
}

std::size_t TitleBytes(const QString& text) {
    return SjisLength(text);
}

std::size_t ContentBytes(const QString& text) {
    // "<br>" takes four bytes where the LF counted one.
    return SjisLength(text) + 3 * static_cast<std::size_t>(text.count(QChar(u'\n')));
}

QString ContentToEditText(const std::string& content) {
    return LineBreaksAsLf(SjisToQString(UnescapeLineBreaks(content)));
}

std::optional<std::string> ContentFromEditText(const QString& text) {
    QString crlf = ContentClean(text);
    crlf.replace(QChar(u'\n'), QStringLiteral("\r\n"));
    const std::optional<std::string> bytes = SjisFromQString(crlf);
    if (!bytes) {
        return std::nullopt;
    }
    return EscapeLineBreaks(*bytes);
}

SubjTextField::SubjTextField(QWidget* edit, Kind kind)
    : line_(qobject_cast<QLineEdit*>(edit)),
      multi_(qobject_cast<QPlainTextEdit*>(edit)),
      kind_(kind) {
    if (line_ != nullptr) {
        QObject::connect(line_, &QLineEdit::textEdited, line_, [this] { OnEdited(); });
        if (kind_ == Kind::Title) {
            counter_ = new QLabel(line_);
            counter_->setObjectName(QStringLiteral("titleCounter"));
            counter_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            ShowCount();
        }
    } else if (multi_ != nullptr) {
        QObject::connect(multi_, &QPlainTextEdit::textChanged, multi_, [this] { OnEdited(); });
    }
}

void SubjTextField::Show(const std::string& bytes) {
    SetText(kind_ == Kind::Title ? SjisToQString(bytes) : ContentToEditText(bytes));
    shownBytes_ = bytes;
    // The edit may hand its text out otherwise than it was given; compare with that.
    shownText_ = Text();
    before_ = shownText_;
}

QString SubjTextField::Text() const {
    if (line_ != nullptr) {
        return line_->text();
    }
    return multi_ != nullptr ? multi_->toPlainText() : QString();
}

std::optional<std::string> SubjTextField::Bytes() const {
    const QString text = Text();
    if (text == shownText_) {
        return shownBytes_;
    }
    if (kind_ == Kind::Title) {
        return SjisFromQString(TitleClean(text));
    }
    return ContentFromEditText(text);
}

void SubjTextField::SetText(const QString& text) {
    adjusting_ = true;
    if (line_ != nullptr) {
        line_->setText(text);
    } else if (multi_ != nullptr) {
        multi_->setPlainText(text);
    }
    adjusting_ = false;
    ShowCount();
}

// Typing at the limit does nothing, which without a word looks like a fault.
void SubjTextField::ShowCount() {
    if (counter_ == nullptr) {
        return;
    }
    const std::size_t used = Measure(Text());
    const bool full = used >= kTitleLimit;
    counter_->setText(full ? QStringLiteral("%1/%1 上限").arg(kTitleLimit)
                           : QStringLiteral("%1/%2").arg(used).arg(kTitleLimit));
    line_->setAccessibleDescription(
        full ? QStringLiteral("%1 バイトの上限に達しました").arg(kTitleLimit)
             : QStringLiteral("%1 バイト中 %2 バイト").arg(kTitleLimit).arg(used));
    QFont font = line_->font();
    font.setBold(full);
    counter_->setFont(font);
    QPalette palette = counter_->palette();
    palette.setColor(QPalette::WindowText,
                     line_->palette().color(full ? QPalette::Text : QPalette::PlaceholderText));
    counter_->setPalette(palette);
    // The widest the counter gets, so the text ends at the same place throughout.
    const int width =
        QFontMetrics(font).horizontalAdvance(QStringLiteral("%1/%1 上限").arg(kTitleLimit)) + 6;
    counter_->setGeometry(line_->width() - width - 4, 0, width, line_->height());
    line_->setTextMargins(0, 0, width, 0);
}

QString SubjTextField::Clean(QString text) const {
    return kind_ == Kind::Title ? TitleClean(text) : ContentClean(text);
}

std::size_t SubjTextField::Measure(const QString& text) const {
    return kind_ == Kind::Title ? TitleBytes(text) : ContentBytes(text);
}

// Like the desktop's byte limit on an edit: what was typed or pasted is cut at
// the last character that still fits, so nothing is lost silently later.
void SubjTextField::OnEdited() {
    if (adjusting_) {
        return;
    }
    const QString after = Text();
    const TextChange change = FindChange(before_, after);
    const QString inserted = after.mid(change.at, change.added);
    const QString kept = after.left(change.at) + after.mid(change.at + change.added);
    const std::size_t limit = kind_ == Kind::Title ? kTitleLimit : kContentLimit;
    const auto room =
        static_cast<std::ptrdiff_t>(limit) - static_cast<std::ptrdiff_t>(Measure(kept));
    const QString fitted =
        FitInsertion(Clean(inserted), room, kind_ == Kind::Title ? &TitleBytes : &ContentBytes);
    if (fitted != inserted) {
        adjusting_ = true;
        if (line_ != nullptr) {
            line_->setText(after.left(change.at) + fitted + after.mid(change.at + change.added));
            line_->setCursorPosition(static_cast<int>(change.at + fitted.size()));
        } else {
            QTextCursor cursor(multi_->document());
            cursor.setPosition(static_cast<int>(change.at));
            cursor.setPosition(static_cast<int>(change.at + change.added), QTextCursor::KeepAnchor);
            cursor.insertText(fitted);
            multi_->setTextCursor(cursor);
        }
        adjusting_ = false;
    }
    before_ = Text();
    ShowCount();
}
