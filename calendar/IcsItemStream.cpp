#include "IcsItemStream.h"

#include <utility>
#include <vector>

namespace {

constexpr std::size_t kChunk = 1 << 16;

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Whether the content line `line` is a property called `name` (in capitals),
// whatever case the file writes it in.
bool NameIs(std::string_view line, std::string_view name) {
    if (line.size() <= name.size() || (line[name.size()] != ':' && line[name.size()] != ';')) {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (Upper(line[i]) != name[i]) {
            return false;
        }
    }
    return true;
}

enum class Verb { None, Begin, End };

// BEGIN or END of `line` with the component it names, in capitals.
std::pair<Verb, std::string> Delimiter(std::string_view line) {
    const Verb verb = NameIs(line, "BEGIN") ? Verb::Begin
                      : NameIs(line, "END") ? Verb::End
                                            : Verb::None;
    if (verb == Verb::None || line[verb == Verb::Begin ? 5 : 3] != ':') {
        return {Verb::None, {}};
    }
    std::string_view value = line.substr(verb == Verb::Begin ? 6 : 4);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) {
        value.remove_suffix(1);
    }
    std::string name;
    for (const char c : value) {
        name += Upper(c);
    }
    return {verb, name};
}

bool AllBlank(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

void Append(IcsItem& item, std::string_view line) {
    if (item.tooLarge || item.text.size() + line.size() + 2 > IcsItemStream::kMaxItemBytes) {
        item.tooLarge = true;
        return;
    }
    item.text.append(line);
    item.text += "\r\n";
}

}  // namespace

IcsItemStream::IcsItemStream(std::istream& in, std::function<bool(std::string_view)> keepText)
    : in_(in), keepText_(std::move(keepText)) {}

IcsItemStream::Line IcsItemStream::ReadLine() {
    line_.clear();
    lineCut_ = false;
    bool any = false;
    for (;;) {
        if (bufferAt_ == buffer_.size()) {
            buffer_.resize(kChunk);
            in_.read(buffer_.data(), static_cast<std::streamsize>(kChunk));
            buffer_.resize(static_cast<std::size_t>(in_.gcount()));
            bufferAt_ = 0;
            if (buffer_.empty()) {
                if (in_.bad()) {
                    return Line::Failed;
                }
                break;
            }
        }
        any = true;
        const std::size_t end = buffer_.find('\n', bufferAt_);
        const std::size_t stop = end == std::string::npos ? buffer_.size() : end;
        const std::size_t room = kMaxLineBytes - line_.size();
        const std::size_t taken = std::min(stop - bufferAt_, room);
        line_.append(buffer_, bufferAt_, taken);
        lineCut_ = lineCut_ || taken < stop - bufferAt_;
        bufferAt_ = end == std::string::npos ? buffer_.size() : end + 1;
        if (end != std::string::npos) {
            break;
        }
    }
    if (!any) {
        return Line::End;
    }
    ++lineNumber_;
    if (!line_.empty() && line_.back() == '\r') {
        line_.pop_back();
    }
    if (lineNumber_ == 1 && line_.starts_with("\xEF\xBB\xBF")) {
        line_.erase(0, 3);
    }
    return Line::Read;
}

IcsItemStream::Outcome IcsItemStream::Fail(Outcome outcome) {
    finished_ = outcome;
    return outcome;
}

IcsItemStream::Outcome IcsItemStream::Next(IcsItem& item) {
    if (finished_) {
        return *finished_;
    }
    item = IcsItem{};
    std::vector<std::string> open;  // the components of the item not closed yet
    bool keep = false;
    bool inAttachment = false;
    for (;;) {
        const Line read = ReadLine();
        if (read == Line::Failed) {
            return Fail(Outcome::Unreadable);
        }
        if (read == Line::End) {
            if (inCalendar_) {
                return Fail(Outcome::CutShort);
            }
            return Fail(calendarSeen_ ? Outcome::End : Outcome::NotICalendar);
        }
        if (AllBlank(line_)) {
            continue;  // writers leave empty lines about, which fold nothing
        }
        const bool continuation = line_[0] == ' ' || line_[0] == '\t';
        if (continuation && inAttachment) {
            continue;
        }
        const bool attachment = !open.empty() && !continuation && NameIs(line_, "ATTACH");
        if (lineCut_ && !attachment) {
            return Fail(Outcome::LineTooLong);
        }
        if (continuation) {
            if (!inCalendar_) {
                return Fail(calendarSeen_ ? Outcome::Malformed : Outcome::NotICalendar);
            }
            if (keep) {
                Append(item, line_);
            }
            continue;
        }
        inAttachment = false;
        const auto [verb, name] = Delimiter(line_);
        if (!inCalendar_) {
            if (verb != Verb::Begin || name != "VCALENDAR") {
                return Fail(calendarSeen_ ? Outcome::Malformed : Outcome::NotICalendar);
            }
            inCalendar_ = calendarSeen_ = true;
            continue;
        }
        if (open.empty()) {
            if (verb == Verb::End && name == "VCALENDAR") {
                inCalendar_ = false;
            } else if (verb == Verb::End || (verb == Verb::Begin && name == "VCALENDAR")) {
                return Fail(Outcome::Malformed);
            } else if (verb == Verb::Begin) {
                open.push_back(name);
                item.name = name;
                item.firstLine = lineNumber_;
                keep = !keepText_ || keepText_(name);
                if (keep) {
                    Append(item, line_);
                }
            }
            continue;  // a property of the calendar itself
        }
        if (verb == Verb::Begin) {
            if (name == "VCALENDAR") {
                return Fail(Outcome::Malformed);
            }
            open.push_back(name);
        } else if (verb == Verb::End) {
            if (name != open.back()) {
                return Fail(Outcome::Malformed);
            }
            open.pop_back();
        } else if (attachment) {
            inAttachment = true;
            continue;
        }
        if (keep) {
            Append(item, line_);
        }
        if (open.empty()) {
            return Outcome::Item;
        }
    }
}
