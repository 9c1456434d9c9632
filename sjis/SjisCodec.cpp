#include "SjisCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <array>
#include <utility>

namespace {

constexpr char kCodecName[] = "windows-31j";

// Characters other Japanese encodings produce for what code page 932 holds
// under another code point: wave dash, minus, double vertical line, dash,
// cent, pound, not.
constexpr std::array<std::pair<char16_t, char16_t>, 7> kToCp932 = {{
    {u'\u301C', u'\uFF5E'},
    {u'\u2212', u'\uFF0D'},
    {u'\u2016', u'\u2225'},
    {u'\u2014', u'\u2015'},
    {u'\u00A2', u'\uFFE0'},
    {u'\u00A3', u'\uFFE1'},
    {u'\u00AC', u'\uFFE2'},
}};

QString MapToCp932(QString text) {
    for (QChar& c : text) {
        for (const auto& [from, to] : kToCp932) {
            if (c.unicode() == from) {
                c = QChar(to);
            }
        }
    }
    return text;
}

// The converter writes a substitute for what it cannot encode and may pick a
// look-alike; decoding the result again tells both apart from a true encoding.
std::optional<QByteArray> EncodeExactly(const QString& text) {
    QStringEncoder encoder(kCodecName);
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError() || !encoder.isValid()) {
        return std::nullopt;
    }
    QStringDecoder decoder(kCodecName);
    const QString back = decoder.decode(bytes);
    if (decoder.hasError() || back != text) {
        return std::nullopt;
    }
    return bytes;
}

}  // namespace

bool SjisCodecAvailable() {
    QStringEncoder encoder(kCodecName);
    QStringDecoder decoder(kCodecName);
    return encoder.isValid() && decoder.isValid();
}

QString SjisToQString(std::string_view bytes) {
    // Opening the converter costs more than decoding a title, and a list fill
    // decodes four texts a row: keep one. Stateless, so that a text ending in
    // a lone lead byte cannot reach into the next one.
    static QStringDecoder decoder(kCodecName, QStringConverter::Flag::Stateless);
    return decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::optional<std::string> SjisFromQString(const QString& text) {
    const std::optional<QByteArray> bytes = EncodeExactly(MapToCp932(text));
    if (!bytes) {
        return std::nullopt;
    }
    return bytes->toStdString();
}

std::optional<QString> FirstUnencodable(const QString& text) {
    const QString mapped = MapToCp932(text);
    if (EncodeExactly(mapped)) {
        return std::nullopt;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        if (!EncodeExactly(mapped.mid(i, length))) {
            return text.mid(i, length);
        }
        i += length - 1;
    }
    return std::nullopt;
}

std::size_t SjisLength(const QString& text) {
    std::size_t length = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size()) {
            ++i;  // a pair outside the BMP: never encodable, counted as one character
            length += 2;
        } else if (c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F)) {
            length += 1;
        } else {
            length += 2;
        }
    }
    return length;
}
