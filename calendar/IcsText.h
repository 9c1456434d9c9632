// The text form of an iCalendar file: values escaped as TEXT, content lines
// folded at 75 octets without splitting a UTF-8 character, CR LF after each.
// Everything here is UTF-8.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>

// `text` as an iCalendar TEXT value: backslash, semicolon and comma escaped,
// each line break (LF, CR LF or a lone CR) written as "\n", other control
// characters but the tab left out, as the format has no place for them.
std::string IcsEscapeText(std::string_view text);

// Where a file's text goes as it is made, a piece at a time; false when it
// could not be taken, and nothing more is given.
using IcsSink = std::function<bool(std::string_view text)>;

// Builds a file line by line: in memory, or handed to a sink every few dozen
// KiB, so that a file of any size costs no more memory than that.
class IcsLines {
  public:
    IcsLines() = default;
    explicit IcsLines(IcsSink sink) : sink_(std::move(sink)) {}

    // Adds the content line "name:value", folded and ended with CR LF. `name`
    // may carry parameters ("DUE;TZID=Asia/Tokyo").
    void Add(std::string_view name, std::string_view value);

    // The text made, all of it without a sink; with one, what it has not been given yet.
    const std::string& Text() const { return text_; }
    // Gives the sink what is left. False when the sink refused any piece.
    [[nodiscard]] bool Finish();

  private:
    IcsSink sink_;
    std::string text_;
    bool failed_ = false;
};

// The content line `line` folded: no piece longer than 75 octets, each piece
// after the first starting with one blank, and every piece ending in CR LF.
std::string FoldIcsLine(std::string_view line);
