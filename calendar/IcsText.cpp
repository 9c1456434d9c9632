#include "IcsText.h"

namespace {

constexpr std::size_t kMaxOctets = 75;
// What a sink is given at a time.
constexpr std::size_t kPieceBytes = 64 * 1024;

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::string IcsEscapeText(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
            case '\\':
            case ';':
            case ',':
                escaped += '\\';
                escaped += c;
                break;
            case '\r':
                if (i + 1 < text.size() && text[i + 1] == '\n') {
                    ++i;
                }
                escaped += "\\n";
                break;
            case '\n':
                escaped += "\\n";
                break;
            default:
                if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') {
                    escaped += c;
                }
                break;
        }
    }
    return escaped;
}

std::string FoldIcsLine(std::string_view line) {
    std::string folded;
    folded.reserve(line.size() + line.size() / 37 + 2);
    std::size_t room = kMaxOctets;
    while (line.size() > room) {
        // Back off to the start of the character the cut would split.
        std::size_t cut = room;
        while (cut > 0 && IsContinuationByte(line[cut])) {
            --cut;
        }
        if (cut == 0) {
            cut = room;  // not UTF-8 at all: any cut keeps the pieces short
        }
        folded.append(line.substr(0, cut));
        folded += "\r\n ";
        line.remove_prefix(cut);
        room = kMaxOctets - 1;  // the blank that opens the next piece counts
    }
    folded.append(line);
    folded += "\r\n";
    return folded;
}

void IcsLines::Add(std::string_view name, std::string_view value) {
    std::string line;
    line.reserve(name.size() + 1 + value.size());
    line.append(name);
    line += ':';
    line.append(value);
    text_ += FoldIcsLine(line);
    if (sink_ && text_.size() >= kPieceBytes) {
        failed_ = failed_ || !sink_(text_);
        text_.clear();
    }
}

bool IcsLines::Finish() {
    if (sink_ && !text_.empty()) {
        failed_ = failed_ || !sink_(text_);
        text_.clear();
    }
    return !failed_;
}
