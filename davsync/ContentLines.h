// An iCalendar text as its content lines, each kept as the bytes it came in
// (folds included), so that a patch can drop and add lines of one component
// and leave every other byte as the server had it. libical reads the values;
// here only the line structure is seen: a line's name, and the nesting of
// BEGIN and END. libical's own writer drops the components it does not know,
// which a phone's app may keep in an item.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class ContentLines {
  public:
    struct Line {
        std::string raw;    // as received, folds included, without its last line end
        std::string name;   // upper case, up to the first ';' or ':'
        std::string value;  // unfolded, after the first ':' (for BEGIN, END and TZID)
        int depth = 0;      // components open around it; BEGIN and END at their parent's
    };

    explicit ContentLines(std::string_view text);

    std::vector<Line>& Lines() { return lines_; }

    // The text again, every line ended with CR LF (calendar data read from
    // XML has lost its CRs).
    std::string Text() const;

    // The index of the BEGIN line of the first component named `name` just
    // inside the calendar whose own lines hold none named `without`; -1 for none.
    int FindComponent(std::string_view name, std::string_view without) const;
    // The index of the END line of the component that `begin` opens.
    std::size_t EndOf(std::size_t begin) const;

  private:
    std::vector<Line> lines_;
};
