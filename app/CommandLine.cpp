#include "CommandLine.h"

#include <charconv>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "CalendarCommands.h"

namespace {

constexpr int kDefaultDays = 7;

void Usage() {
    std::cerr << "Usage: veskat --agenda [DAYS] [FOLDER]\n"
                 "       veskat --export-ics FILE [FOLDER]\n";
}

// A number of days: digits only, at most ten years.
std::optional<int> DaysOf(std::string_view text) {
    int days = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), days);
    if (error != std::errc() || end != text.data() + text.size() || days < 0 || days > 3660) {
        return std::nullopt;
    }
    return days;
}

int Agenda(const std::vector<std::string>& args) {
    int days = kDefaultDays;
    std::size_t next = 0;
    if (next < args.size()) {
        if (const std::optional<int> given = DaysOf(args[next])) {
            days = *given;
            ++next;
        }
    }
    if (args.size() - next > 1) {
        Usage();
        return kCommandNoFolder;
    }
    const std::string folder = next < args.size() ? args[next] : ".";
    return RunAgenda(folder, days, std::cout, std::cerr);
}

int Export(const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2) {
        Usage();
        return kCommandNoFolder;
    }
    return RunIcsExport(args[0], args.size() == 2 ? args[1] : ".", std::cerr);
}

}  // namespace

std::optional<int> RunCommandLine(int argc, char** argv) {
    if (argc < 2) {
        return std::nullopt;
    }
    const std::string_view command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "--agenda") {
        return Agenda(args);
    }
    if (command == "--export-ics") {
        return Export(args);
    }
    return std::nullopt;
}
