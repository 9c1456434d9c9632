#include "SjisText.h"

std::size_t SjisPrefixLength(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) {
        // Even a text that fits may end in a lead byte whose trail is missing;
        // it is kept as it stands, since nothing is cut.
        return text.size();
    }
    std::size_t i = 0;
    while (i < limit) {
        std::size_t step = IsSjisLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
        if (i + step > limit) {
            break;
        }
        i += step;
    }
    return i;
}

std::string EscapeLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += "<br>";
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string UnescapeLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '<' && i + 3 < text.size() && (text[i + 1] == 'b' || text[i + 1] == 'B') &&
            (text[i + 2] == 'r' || text[i + 2] == 'R') && text[i + 3] == '>') {
            out += "\r\n";
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

void TrimTrailingSpaces(std::string& text) {
    std::size_t end = text.find_last_not_of(' ');
    text.erase(end == std::string::npos ? 0 : end + 1);
}
