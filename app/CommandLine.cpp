#include "CommandLine.h"

#include <charconv>
#include <functional>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "CalendarCommands.h"
#include "IcsImportRun.h"
#include "MessageLanguage.h"

namespace {

constexpr int kDefaultDays = 7;

// Printed for --help, also by the launcher, and for arguments not taken.
constexpr char kUsageEnglish[] =
    "Usage: veskat [FOLDER]\n"
    "       veskat --agenda [DAYS] [FOLDER]\n"
    "       veskat --export-ics [--events] FILE [FOLDER]\n"
    "       veskat --import-ics FILE [FOLDER]\n"
    "Starts veskat with its data in FOLDER, by default\n"
    "${XDG_DATA_HOME:-$HOME/.local/share}/veskat.\n"
    "--agenda prints the overdue subjects and those of the next DAYS days\n"
    "(7 when not given); --export-ics writes all subjects to FILE as\n"
    "iCalendar to-dos, or with --events as events for calendars. Neither\n"
    "opens a window nor changes a file of FOLDER.\n"
    "--import-ics adds the to-dos and events of the iCalendar FILE to\n"
    "FOLDER, while the window is closed.\n";

constexpr char kUsageJapanese[] =
    "使い方: veskat [フォルダー]\n"
    "        veskat --agenda [日数] [フォルダー]\n"
    "        veskat --export-ics [--events] ファイル [フォルダー]\n"
    "        veskat --import-ics ファイル [フォルダー]\n"
    "フォルダーのデータで veskat を開きます。フォルダーを指定しないときは\n"
    "${XDG_DATA_HOME:-$HOME/.local/share}/veskat です。\n"
    "--agenda は期限切れの案件と、今日から日数 (指定しないときは 7) 日先までの\n"
    "案件を表示し、--export-ics はすべての案件を iCalendar 形式の ToDo として\n"
    "(--events を付けると予定として) ファイルに書き出します。どちらもウィンドウを\n"
    "開かず、フォルダーのファイルを変えません。\n"
    "--import-ics は iCalendar 形式のファイルの ToDo と予定をフォルダーに追加します。\n"
    "ウィンドウを閉じているときに使います。\n";

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

// A command on FILE [FOLDER].
int OnFile(const std::vector<std::string>& args,
           const std::function<int(const std::string& file, const std::string& folder)>& run) {
    if (args.empty() || args.size() > 2) {
        Usage(std::cerr);
        return kCommandNoFolder;
    }
    return run(args[0], args.size() == 2 ? args[1] : ".");
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
        const bool events = !args.empty() && args.front() == "--events";
        const std::vector<std::string> rest(args.begin() + (events ? 1 : 0), args.end());
        return OnFile(rest, [events](const std::string& file, const std::string& folder) {
            return RunIcsExport(file, folder, events ? IcsForm::Events : IcsForm::Todos, std::cerr);
        });
    }
    if (command == "--import-ics") {
        return OnFile(args, [](const std::string& file, const std::string& folder) {
            return RunIcsImport(file, folder, std::cout, std::cerr);
        });
    }
    return std::nullopt;
}
