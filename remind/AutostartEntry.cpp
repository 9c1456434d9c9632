#include "AutostartEntry.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

// The name the desktop knows the program's icon and menu entry by.
const QString kAppId = QStringLiteral(VESKAT_APP_ID);

// An argument of Exec: quoted whole when it holds any reserved character,
// with ", `, $ and \ escaped inside the quotes; % doubled, as Exec gives
// field codes to it.
QString ExecArgument(const QString& argument) {
    static const QString kReserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString quoted = argument;
    quoted.replace(QLatin1Char('%'), QLatin1String("%%"));
    const bool reserved =
        argument.isEmpty() || std::any_of(argument.begin(), argument.end(),
                                          [](QChar c) { return kReserved.contains(c); });
    if (!reserved) {
        return quoted;
    }
    QString inQuotes;
    for (const QChar c : quoted) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\')) {
            inQuotes += QLatin1Char('\\');
        }
        inQuotes += c;
    }
    return QLatin1Char('"') + inQuotes + QLatin1Char('"');
}

// A value of a key: its backslashes escaped, as the entry's string rules have it.
QString EntryValue(const QString& text) {
    QString value = text;
    return value.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
}

}  // namespace

std::string AutostartEntry::FileNameFor(const std::string& folderKey) {
    std::string config;
    // Relative values are to be ignored, as the base-directory rules say.
    if (const char* home = std::getenv("XDG_CONFIG_HOME"); home != nullptr && home[0] == '/') {
        config = home;
    } else if (const char* user = std::getenv("HOME"); user != nullptr && user[0] != '\0') {
        config = std::string(user) + "/.config";
    } else {
        return {};
    }
    return config + "/autostart/" + kAppId.toStdString() + ".remind-" + folderKey + ".desktop";
}

std::optional<std::string> AutostartEntry::TextFor(const QString& program,
                                                   const QStringList& arguments) {
    QStringList exec{ExecArgument(program)};
    for (const QString& argument : arguments) {
        if (argument.contains(QLatin1Char('\n')) || argument.contains(QLatin1Char('\r'))) {
            return std::nullopt;
        }
        exec << ExecArgument(argument);
    }
    const QString text = QStringLiteral(
                             "[Desktop Entry]\n"
                             "Type=Application\n"
                             "Name=veskat reminders\n"
                             "Name[ja]=veskat の通知\n"
                             "Comment=Reminds of the subjects while the veskat window is closed\n"
                             "Comment[ja]=veskat のウィンドウを閉じている間も案件を通知します\n"
                             "Icon=%1\n"
                             "Exec=%2\n"
                             "Terminal=false\n"
                             "NoDisplay=true\n"
                             "X-GNOME-Autostart-enabled=true\n")
                             .arg(kAppId, EntryValue(exec.join(QLatin1Char(' '))));
    return text.toStdString();
}

FileWrite AutostartEntry::Write(const QString& program, const QStringList& arguments) const {
    const std::optional<std::string> text = TextFor(program, arguments);
    if (!text || fileName_.empty()) {
        return FileWrite::Failed;
    }
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(fileName_).parent_path(), error);
    return WriteSideFile(fileName_, *text, fileName_);
}

bool AutostartEntry::Remove() const {
    return !PathExists(fileName_) || DeleteFile(fileName_);
}
