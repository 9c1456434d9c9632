// The one place where Shift_JIS bytes (code page 932, "windows-31j") and
// QString meet. Subject texts stay bytes everywhere else; they become QString
// only to be shown and go back to bytes only through SjisFromQString.
#pragma once

#include <QString>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// True when Qt's converter knows "windows-31j". Check once at start: without
// it no subject text can be shown or stored.
bool SjisCodecAvailable();

// Decodes Shift_JIS bytes; an invalid sequence becomes U+FFFD.
QString SjisToQString(std::string_view bytes);

// Whether `bytes` are Shift_JIS as this program reads and writes it: they
// decode with no character replaced, and that text encodes back to the very
// same bytes. A byte or pair the codec cannot read, or reads as a character
// stored under another code (NEC's duplicates of IBM's kanji), is not valid.
bool IsValidSjis(std::string_view bytes);

// Encodes `text` as Shift_JIS. The characters that other Japanese encodings
// spell differently are first mapped to their code page 932 forms (U+301C to
// U+FF5E, U+2212 to U+FF0D, U+2016 to U+2225, U+2014 to U+2015, U+00A2 to
// U+FFE0, U+00A3 to U+FFE1, U+00AC to U+FFE2). Any character still without a
// Shift_JIS form makes the whole result nullopt: nothing is ever stored as "?".
std::optional<std::string> SjisFromQString(const QString& text);

// The first character of `text` that cannot be encoded (after the mapping
// above), or nullopt when all can; for telling the user what is wrong.
std::optional<QString> FirstUnencodable(const QString& text);

// The number of bytes `text` takes in Shift_JIS, for byte length limits. An
// unencodable character counts 2 bytes (SjisFromQString still refuses it).
std::size_t SjisLength(const QString& text);
