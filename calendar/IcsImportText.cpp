#include "IcsImportText.h"

#include <QString>
#include <optional>

#include "RecordLayout.h"
#include "SjisCodec.h"
#include "SjisText.h"

namespace {

constexpr std::string_view kBreak = "<br>";

// The characters of `text` that the record can hold, as Shift_JIS; one
// character at a time only when the whole does not encode, as that is rare.
std::string Encoded(const QString& text, bool& stoodIn) {
    if (std::optional<std::string> whole = SjisFromQString(text)) {
        return *whole;
    }
    std::string bytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        if (std::optional<std::string> one = SjisFromQString(text.mid(i, length))) {
            bytes += *one;
        } else {
            bytes += kStandIn;
            stoodIn = true;
        }
        i += length - 1;
    }
    return bytes;
}

// `text` with its line breaks as `lineBreak`, tabs as blanks and no other
// control character.
QString Cleaned(std::string_view text, const QString& lineBreak) {
    const QString decoded = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    QString cleaned;
    cleaned.reserve(decoded.size());
    for (qsizetype i = 0; i < decoded.size(); ++i) {
        const char16_t c = decoded[i].unicode();
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < decoded.size() && decoded[i + 1] == u'\n') {
                ++i;
            }
            cleaned += lineBreak;
        } else if (c == u'\t') {
            cleaned += u' ';
        } else if (c >= 0x20 && c != 0x7F) {
            cleaned += decoded[i];
        }
    }
    return cleaned;
}

// The encoded text cut at `limit` bytes at a character boundary; a "<br>"
// that the cut would split goes as a whole.
ImportedText Limited(std::string bytes, bool stoodIn, std::size_t limit) {
    ImportedText result{std::move(bytes), stoodIn, false};
    if (result.bytes.size() <= limit) {
        return result;
    }
    std::size_t cut = SjisPrefixLength(result.bytes, limit);
    // '<' is never the second byte of a double-byte character.
    const std::size_t from = cut >= kBreak.size() ? cut - kBreak.size() + 1 : 0;
    for (std::size_t at = from; at < cut; ++at) {
        if (result.bytes.compare(at, kBreak.size(), kBreak) == 0) {
            cut = at;
            break;
        }
    }
    result.bytes.resize(cut);
    result.cut = true;
    return result;
}

}  // namespace

ImportedText TitleFromIcs(std::string_view text) {
    bool stoodIn = false;
    std::string bytes = Encoded(Cleaned(text, QStringLiteral(" ")), stoodIn);
    return Limited(std::move(bytes), stoodIn, kTitleLimit);
}

ImportedText ContentFromIcs(std::string_view text) {
    bool stoodIn = false;
    std::string bytes = Encoded(Cleaned(text, QString::fromLatin1(kBreak)), stoodIn);
    return Limited(std::move(bytes), stoodIn, kContentLimit);
}
