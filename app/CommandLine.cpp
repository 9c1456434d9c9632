#include "CommandLine.h"

#include <charconv>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "CalendarCommands.h"
#include "MessageLanguage.h"
#include "RemindCommand.h"

namespace {

constexpr int kDefaultDays = 7;

// Printed for --help, also by the launcher, and for arguments not taken.
constexpr char kUsageEnglish[] =
    "Usage: veskat [FOLDER]\n"
    "       veskat --agenda [DAYS] [FOLDER]\n"
    "       veskat --export-ics FILE [FOLDER]\n"
    "       veskat --remind [FOLDER]\n"
    "Starts veskat with its data in FOLDER, by default\n"
    "${XDG_DATA_HOME:-$HOME/.local/share}/veskat.\n"
    "--agenda prints the overdue subjects and those of the next DAYS days\n"
    "(7 when not given); --export-ics writes all subjects to FILE as\n"
    "iCalendar. Neither opens a window nor changes a file of FOLDER.\n"
    "--remind reminds of the subjects of FOLDER while no window is open, until\n"
    "reminders (通知する) are turned off.\n";

constexpr char kUsageJapanese[] =
    "使い方: veskat [フォルダー]\n"
    "        veskat --agenda [日数] [フォルダー]\n"
    "        veskat --export-ics ファイル [フォルダー]\n"
    "        veskat --remind [フォルダー]\n"
    "フォルダーのデータで veskat を開きます。フォルダーを指定しないときは\n"
    "${XDG_DATA_HOME:-$HOME/.local/share}/veskat です。\n"
    "--agenda は期限切れの案件と、今日から日数 (指定しないときは 7) 日先までの\n"
    "案件を表示し、--export-ics はすべての案件を iCalendar 形式でファイルに\n"
    "書き出します。どちらもウィンドウを開かず、フォルダーのファイルを変えません。\n"
    "--remind はウィンドウを閉じている間もフォルダーの案件を通知し、通知する を\n"
    "オフにすると終わります。\n";

void Usage(std::ostream& out) {
    out << InUserLanguage(kUsageEnglish, kUsageJapanese);
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
        Usage(std::cerr);
        return kCommandNoFolder;
    }
    const std::string folder = next < args.size() ? args[next] : ".";
    return RunAgenda(folder, days, std::cout, std::cerr);
}

int Export(const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2) {
        Usage(std::cerr);
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
    if (command == "--help" || command == "-h") {
        Usage(std::cout);
        return kCommandDone;
    }
    if (command == "--agenda") {
        return Agenda(args);
    }
    if (command == "--export-ics") {
        return Export(args);
    }
    if (command == "--remind") {
        if (args.size() > 1) {
            Usage(std::cerr);
            return kCommandNoFolder;
        }
        return RunReminderAgent(argc, argv, args.empty() ? "." : args[0]);
    }
    return std::nullopt;
}
