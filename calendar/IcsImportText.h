// How a text read from a calendar file becomes a subject's text: Shift_JIS,
// with a visible stand-in for each character it has no form for, tabs as
// blanks as typed text has them, and cut at the record's byte limit without
// splitting a character. Each loss is reported, so that it can be counted.
#pragma once

#include <string>
#include <string_view>

// Stands where the file had a character Shift_JIS cannot hold: 〓 (U+3013).
inline constexpr char kStandIn[] = "\x81\xAC";

struct ImportedText {
    std::string bytes;     // Shift_JIS
    bool stoodIn = false;  // a character became kStandIn
    bool cut = false;      // the text was longer than its limit
};

// A title or origin from the UTF-8 `text`: tabs and line breaks become
// blanks, other control characters are left out, at most kTitleLimit bytes.
ImportedText TitleFromIcs(std::string_view text);

// A content from the UTF-8 `text`: each line break (CR LF, LF or a lone CR)
// becomes "<br>", tabs become blanks, other control characters are left out,
// at most kContentLimit bytes and never ending in part of a "<br>".
ImportedText ContentFromIcs(std::string_view text);
