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

// Opening a converter costs far more than converting a title, and a list
// fill converts several texts a row: each thread keeps one each way.
// Stateless, so that no text can reach into the next one. They are never
// reset (Qt's reset closes an ICU converter for good), so their error flags
// stay up once set and say nothing about the text at hand.
QStringEncoder& Encoder() {
    thread_local QStringEncoder encoder(kCodecName, QStringConverter::Flag::Stateless);
    return encoder;
}

QStringDecoder& Decoder() {
    thread_local QStringDecoder decoder(kCodecName, QStringConverter::Flag::Stateless);
    return decoder;
}

// The converter writes a substitute for what it cannot encode and may pick a
// look-alike; decoding the result again tells both apart from a true
// encoding. The substitute may decode as U+FFFD, so that character is never
// taken as encoded.
std::optional<QByteArray> EncodeExactly(const QString& text) {
    if (text.contains(QChar::ReplacementCharacter) || !Encoder().isValid()) {
        return std::nullopt;
    }
    QByteArray bytes = Encoder().encode(text);
    if (Decoder().decode(bytes) != text) {
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
    return Decoder().decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

bool IsValidSjis(std::string_view bytes) {
    const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
    const QString text = Decoder().decode(view);
    if (text.contains(QChar::ReplacementCharacter)) {
        return false;
    }
    const QByteArray again = Encoder().encode(text);
    return QByteArrayView(again) == view;
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
