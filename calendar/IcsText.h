// The text form of an iCalendar file: values escaped as TEXT, content lines
// folded at 75 octets without splitting a UTF-8 character, CR LF after each.
// Everything here is UTF-8.
#pragma once

#include <string>
#include <string_view>

// `text` as an iCalendar TEXT value: backslash, semicolon and comma escaped,
// each line break (LF, CR LF or a lone CR) written as "\n", other control
// characters but the tab left out, as the format has no place for them.
std::string IcsEscapeText(std::string_view text);

// Builds a file line by line.
class IcsLines {
  public:
    // Adds the content line "name:value", folded and ended with CR LF. `name`
    // may carry parameters ("DUE;TZID=Asia/Tokyo").
    void Add(std::string_view name, std::string_view value);

    const std::string& Text() const { return text_; }

  private:
    std::string text_;
};

// The content line `line` folded: no piece longer than 75 octets, each piece
// after the first starting with one blank, and every piece ending in CR LF.
std::string FoldIcsLine(std::string_view line);
