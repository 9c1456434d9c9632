// Byte-level text helpers for the Shift_JIS texts the subject records hold:
// line-break escaping, blank trimming, and cutting at a byte limit without
// splitting a double-byte character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// True for a byte that starts a Shift_JIS double-byte character: where a
// text may be cut. Whether bytes are Shift_JIS at all is IsValidSjis's.
constexpr bool IsSjisLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// The length of the longest prefix of `text` of at most `limit` bytes that does
// not end between a lead byte and its trail byte.
std::size_t SjisPrefixLength(std::string_view text, std::size_t limit);

// Every CR LF pair becomes the four characters "<br>"; a lone CR or LF stays.
std::string EscapeLineBreaks(std::string_view text);

// Every "<br>" (b and r in either case) becomes CR LF.
std::string UnescapeLineBreaks(std::string_view text);

// Removes the blanks (0x20) at the end of `text`; tabs and line ends stay.
void TrimTrailingSpaces(std::string& text);
