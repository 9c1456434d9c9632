// The top-level items of an iCalendar file (each VTIMEZONE, VTODO, VEVENT...
// of its VCALENDAR objects) one at a time, each as the text of its own
// lines, so that a file of any size is read with the memory of one item.
// Only the nesting of BEGIN and END is checked here; the items themselves
// are for libical to parse.
#pragma once

#include <cstddef>
#include <functional>
#include <istream>
#include <optional>
#include <string>
#include <string_view>

struct IcsItem {
    std::string name;       // the component's name in capitals: "VTODO"
    std::string text;       // its lines from BEGIN to END, each ended by CR LF
    int firstLine = 0;      // the line of its BEGIN, counted from 1
    bool tooLarge = false;  // longer than kMaxItemBytes: `text` is not whole
};

class IcsItemStream {
  public:
    // The longest line taken: longer ones make the file unreadable, as no
    // writer folds that late. Attachments (ATTACH) are left out whatever
    // their length, as no subject holds them.
    static constexpr std::size_t kMaxLineBytes = 1 << 20;
    // The longest item kept whole; a longer one is still walked past.
    static constexpr std::size_t kMaxItemBytes = 4 << 20;

    enum class Outcome {
        Item,          // the next item is in `item`
        End,           // the file ended after its last VCALENDAR
        NotICalendar,  // it does not start with BEGIN:VCALENDAR
        CutShort,      // it ends inside a VCALENDAR
        Malformed,     // an END that closes nothing open, or text outside VCALENDAR
        LineTooLong,   // a line longer than kMaxLineBytes
        Unreadable,    // the stream failed
    };

    // Reads `in` from where it stands. `keepText` says for a component name
    // whether its text is wanted; the others come with an empty text, which
    // spares copying what the caller will not look at.
    explicit IcsItemStream(std::istream& in,
                           std::function<bool(std::string_view name)> keepText = {});
    IcsItemStream(const IcsItemStream&) = delete;
    IcsItemStream& operator=(const IcsItemStream&) = delete;

    // The next item, or why there is none. After anything but Item, every
    // later call gives the same outcome.
    Outcome Next(IcsItem& item);

    // The line the last outcome other than Item was found at, from 1.
    int LineNumber() const { return lineNumber_; }

  private:
    enum class Line { Read, TooLong, End, Failed };
    Line ReadLine();
    Outcome Fail(Outcome outcome);

    std::istream& in_;
    std::function<bool(std::string_view)> keepText_;
    std::string buffer_;
    std::size_t bufferAt_ = 0;
    std::string line_;
    bool lineCut_ = false;  // line_ holds only the start of a longer line
    int lineNumber_ = 0;
    bool inCalendar_ = false;
    bool calendarSeen_ = false;
    std::optional<Outcome> finished_;
};
