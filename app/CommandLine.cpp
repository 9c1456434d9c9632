#include "CommandLine.h"

#include <cctype>
#include <charconv>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <string_view>
#include <system_error>
#include <variant>
#include <vector>

#include "CalendarCommands.h"
#include "IcsImportRun.h"
#include "MessageLanguage.h"
#include "RemindCommand.h"
#include "ReminderRequest.h"

namespace {

constexpr int kDefaultDays = 7;

// Printed for --help, also by the launcher, and for arguments not taken.
constexpr char kUsageEnglish[] =
    "Usage: veskat [FOLDER]\n"
    "       veskat --agenda [DAYS] [FOLDER]\n"
    "       veskat --export-ics [--events] FILE [FOLDER]\n"
    "       veskat --import-ics FILE [FOLDER]\n"
    "       veskat --remind [FOLDER]\n"
    "Starts veskat with its data in FOLDER, by default\n"
    "${XDG_DATA_HOME:-$HOME/.local/share}/veskat.\n"
    "--agenda prints the overdue subjects and those of the next DAYS days\n"
    "(7 when not given); --export-ics writes all subjects to FILE as\n"
    "iCalendar to-dos, or with --events as events for calendars. Neither\n"
    "opens a window nor changes a file of FOLDER.\n"
    "--import-ics adds the to-dos and events of the iCalendar FILE to\n"
    "FOLDER, while the window is closed.\n"
    "--remind reminds of the subjects of FOLDER while no window is open, until\n"
    "reminders (通知する) are turned off.\n";

constexpr char kUsageJapanese[] =
    "使い方: veskat [フォルダー]\n"
    "        veskat --agenda [日数] [フォルダー]\n"
    "        veskat --export-ics [--events] ファイル [フォルダー]\n"
    "        veskat --import-ics ファイル [フォルダー]\n"
    "        veskat --remind [フォルダー]\n"
    "フォルダーのデータで veskat を開きます。フォルダーを指定しないときは\n"
    "${XDG_DATA_HOME:-$HOME/.local/share}/veskat です。\n"
    "--agenda は期限切れの案件と、今日から日数 (指定しないときは 7) 日先までの\n"
    "案件を表示し、--export-ics はすべての案件を iCalendar 形式の ToDo として\n"
    "(--events を付けると予定として) ファイルに書き出します。どちらもウィンドウを\n"
    "開かず、フォルダーのファイルを変えません。\n"
    "--import-ics は iCalendar 形式のファイルの ToDo と予定をフォルダーに追加します。\n"
    "ウィンドウを閉じているときに使います。\n"
    "--remind はウィンドウを閉じている間もフォルダーの案件を通知し、通知する を\n"
    "オフにすると終わります。\n";

void Usage(std::ostream& out) {
    out << InUserLanguage(kUsageEnglish, kUsageJapanese);
}

// What can be wrong with the arguments. Every command reports through Refuse,
// so that all of them say the same thing the same way.
enum class ArgumentFault {
    UnknownOption,
    DaysTooFew,  // also for days that are no number
    DaysTooMany,
    ExtraArgument,
    NoFile,  // the command's file is not given; reported with the command
};

constexpr int kMostDays = 3660;  // ten years

const char* FaultText(ArgumentFault fault) {
    switch (fault) {
        case ArgumentFault::UnknownOption:
            return InUserLanguage("unknown option: ", "知らないオプションです: ");
        case ArgumentFault::DaysTooFew:
            return InUserLanguage("the number of days must be 1 or more: ",
                                  "日数には 1 以上の数を指定してください: ");
        case ArgumentFault::DaysTooMany:
            return InUserLanguage("the number of days must be 3660 or less: ",
                                  "日数には 3660 以下の数を指定してください: ");
        case ArgumentFault::ExtraArgument:
            return InUserLanguage("one argument too many: ", "余分な引数です: ");
        case ArgumentFault::NoFile:
            return InUserLanguage("the file is not given: ", "ファイルを指定してください: ");
    }
    return "";
}

// Says on standard error what is wrong and with which argument, then how the
// command is used; the exit code for arguments not taken.
int Refuse(ArgumentFault fault, std::string_view argument) {
    std::cerr << "veskat: " << FaultText(fault) << argument << "\n";
    Usage(std::cerr);
    return kCommandNoFolder;
}

// Whether `first` of the agenda's arguments is its number of days rather than
// its folder: always when a folder follows; alone, when it looks like a number,
// or else when it is no folder and no path either ("--agenda abc" is a
// mistyped number far more often than a folder that is not there).
bool MeantAsDays(const std::string& first, bool folderFollows) {
    if (folderFollows || first.empty() || std::isdigit(static_cast<unsigned char>(first[0])) ||
        first[0] == '-' || first[0] == '+') {
        return true;
    }
    std::error_code error;
    return !std::filesystem::is_directory(first, error) && first.find('/') == std::string::npos;
}

// The number of days, or the fault to refuse it with.
std::variant<int, ArgumentFault> DaysOf(std::string_view text) {
    int days = 0;
    const char* first = text.data() + (text.starts_with('+') ? 1 : 0);
    const auto [end, error] = std::from_chars(first, text.data() + text.size(), days);
    if (error == std::errc::result_out_of_range && !text.starts_with('-')) {
        return ArgumentFault::DaysTooMany;
    }
    if (error != std::errc() || end != text.data() + text.size() || days < 1) {
        return ArgumentFault::DaysTooFew;
    }
    if (days > kMostDays) {
        return ArgumentFault::DaysTooMany;
    }
    return days;
}

int Agenda(const std::vector<std::string>& args) {
    int days = kDefaultDays;
    std::size_t next = 0;
    if (!args.empty() && MeantAsDays(args[0], args.size() > 1)) {
        const std::variant<int, ArgumentFault> given = DaysOf(args[0]);
        if (const auto* fault = std::get_if<ArgumentFault>(&given)) {
            return Refuse(*fault, args[0]);
        }
        days = std::get<int>(given);
        ++next;
    }
    if (args.size() - next > 1) {
        return Refuse(ArgumentFault::ExtraArgument, args[next + 1]);
    }
    const std::string folder = next < args.size() ? args[next] : ".";
    return RunAgenda(folder, days, std::cout, std::cerr);
}

// A command on FILE [FOLDER]; `command` names it when the file is missing.
int OnFile(std::string_view command, const std::vector<std::string>& args,
           const std::function<int(const std::string& file, const std::string& folder)>& run) {
    if (args.empty()) {
        return Refuse(ArgumentFault::NoFile, command);
    }
    if (args.size() > 2) {
        return Refuse(ArgumentFault::ExtraArgument, args[2]);
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
        return OnFile(command, rest, [events](const std::string& file, const std::string& folder) {
            return RunIcsExport(file, folder, events ? IcsForm::Events : IcsForm::Todos, std::cerr);
        });
    }
    if (command == "--import-ics") {
        return OnFile(command, args, [](const std::string& file, const std::string& folder) {
            return RunIcsImport(file, folder, std::cout, std::cerr);
        });
    }
    if (command == "--remind") {
        if (args.size() > 1) {
            return Refuse(ArgumentFault::ExtraArgument, args[1]);
        }
        return RunReminderAgent(argc, argv, args.empty() ? "." : args[0]);
    }
    if (command == kReminderActionArgument) {
        return std::nullopt;  // the window, started by the agent; main() reads the action
    }
    if (command.starts_with('-')) {
        return Refuse(ArgumentFault::UnknownOption, command);
    }
    // The launcher has gone to the one folder it takes; more is a mistake.
    if (!args.empty()) {
        return Refuse(ArgumentFault::ExtraArgument, args[0]);
    }
    return std::nullopt;
}
