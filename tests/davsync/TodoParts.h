// What the tests of the VTODO forms read back from a text veskat wrote: its
// to-do's lines without those a patch may rewrite, and a property as libical
// reads it; and a to-do as other programs leave one, for patches to keep.
#pragma once

#include <libical/ical.h>

#include <set>
#include <string>

// The calendar's lines unfolded, "NAME;PARAMS:VALUE" each, from BEGIN:VTODO
// to END:VTODO, without the ones a patch of `fields` may rewrite.
inline std::multiset<std::string> TodoLines(const std::string& text,
                                            const std::set<std::string>& rewritten) {
    std::string unfolded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 3, "\r\n ") == 0) {
            i += 2;
        } else if (text[i] != '\r') {
            unfolded += text[i];
        }
    }
    std::multiset<std::string> lines;
    std::size_t start = 0;
    bool inTodo = false;
    for (std::size_t end; (end = unfolded.find('\n', start)) != std::string::npos;
         start = end + 1) {
        const std::string line = unfolded.substr(start, end - start);
        const std::string name = line.substr(0, line.find_first_of(":;"));
        inTodo = inTodo || line == "BEGIN:VTODO";
        if (inTodo && rewritten.count(name) == 0) {
            lines.insert(line);
        }
        inTodo = inTodo && line != "END:VTODO";
    }
    return lines;
}

// The first property of `kind` in the calendar's to-do as libical reads it.
inline std::string Property(const std::string& text, icalproperty_kind kind) {
    icalcomponent* root = icalparser_parse_string(text.c_str());
    icalcomponent* todo = icalcomponent_get_first_component(root, ICAL_VTODO_COMPONENT);
    icalproperty* p = icalcomponent_get_first_property(todo, kind);
    std::string out = p != nullptr ? icalproperty_as_ical_string(p) : "";
    icalcomponent_free(root);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) {
        out.pop_back();
    }
    return out;
}

// As a phone's tasks app and a desktop calendar leave a to-do: an alarm,
// categories, a priority, a link to a parent, their own X- properties, a
// component veskat has never heard of, and a start.
inline const char kPhoneTodo[] =
    "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//phone//tasks//EN\r\n"
    "BEGIN:VTODO\r\nUID:phone-1\r\nDTSTAMP:20261101T000000Z\r\n"
    "SUMMARY:Einkaufen\r\nDESCRIPTION:Milch\\nBrot\r\n"
    "DUE;VALUE=DATE:20261205\r\nDTSTART;VALUE=DATE:20261203\r\n"
    "STATUS:NEEDS-ACTION\r\nPRIORITY:1\r\nCATEGORIES:Home,Food\r\n"
    "RELATED-TO;RELTYPE=PARENT:phone-0\r\nX-APPLE-SORT-ORDER:42\r\nSEQUENCE:4\r\n"
    "X-OTHER-PROGRAM;X-P=1:kept as it is\r\n"
    "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Reminder\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\n"
    "BEGIN:X-PHONE-EXTRA\r\nX-FLAG:1\r\nEND:X-PHONE-EXTRA\r\n"
    "END:VTODO\r\nEND:VCALENDAR\r\n";
