#include "WindowPlace.h"

#include <QGuiApplication>
#include <QScreen>
#include <QString>
#include <QStringList>

#include "IniFile.h"
#include "TemplateDialog.h"

namespace {

constexpr const char* kSection = kWindowSection;
constexpr std::size_t kValueBuffer = 256;

std::optional<int> ReadNumber(const char* key, const std::string& iniFile) {
    bool ok = false;
    const int value =
        QString::fromStdString(IniFile::Read(kSection, key, "", kValueBuffer, iniFile)).toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

// "130,75,180,66"; anything not a list of positive widths is no list.
std::vector<int> ReadWidths(const char* key, const std::string& iniFile) {
    const QString text =
        QString::fromStdString(IniFile::Read(kSection, key, "", kValueBuffer, iniFile));
    std::vector<int> widths;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int width = part.trimmed().toInt(&ok);
        if (!ok || width <= 0) {
            return {};
        }
        widths.push_back(width);
    }
    return widths;
}

// Where the window system places windows itself, a position asked for is
// ignored at best; there the window opens where the desktop puts it.
bool PositionsWindows() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

std::string WidthsText(const std::vector<int>& widths) {
    QStringList parts;
    for (int width : widths) {
        parts.push_back(QString::number(width));
    }
    return parts.join(QLatin1Char(',')).toStdString();
}

}  // namespace

WindowPlace ReadWindowPlace(const std::string& iniFile) {
    WindowPlace place;
    const auto x = ReadNumber("x", iniFile);
    const auto y = ReadNumber("y", iniFile);
    if (x && y) {
        place.position = QPoint(*x, *y);
    }
    const auto width = ReadNumber("width", iniFile);
    const auto height = ReadNumber("height", iniFile);
    if (width && height && *width > 0 && *height > 0) {
        place.size = QSize(*width, *height);
    }
    place.indivColumns = ReadWidths("indivColumns", iniFile);
    place.repColumns = ReadWidths("repColumns", iniFile);
    return place;
}

// One rewrite of the file for the whole place, as the window ends.
FileWrite WriteWindowPlace(const WindowPlace& place, const std::string& iniFile) {
    std::vector<IniFile::KeyValuePair> values;
    if (place.position) {
        values.emplace_back("x", std::to_string(place.position->x()));
        values.emplace_back("y", std::to_string(place.position->y()));
    }
    if (!place.size.isEmpty()) {
        values.emplace_back("width", std::to_string(place.size.width()));
        values.emplace_back("height", std::to_string(place.size.height()));
    }
    values.emplace_back("indivColumns", WidthsText(place.indivColumns));
    values.emplace_back("repColumns", WidthsText(place.repColumns));
    return IniFile::Write(kSection, values, iniFile);
}

// A folder synced from another computer brings that computer's screen: the
// size is cut to the screen the window opens on, and showing it moves the
// frame wholly onto that screen (TemplateDialog).
WindowPlace RestoreWindowPlace(TemplateDialog& window, const std::string& iniFile) {
    const WindowPlace place = ReadWindowPlace(iniFile);
    QScreen* target = QGuiApplication::primaryScreen();
    if (place.position && PositionsWindows()) {
        if (QScreen* there = QGuiApplication::screenAt(*place.position)) {
            target = there;
        }
        window.setScreen(target);
        window.move(*place.position);
    }
    if (!place.size.isEmpty() && target != nullptr) {
        window.resize(
            place.size.boundedTo(window.RoomOn(*target)).expandedTo(window.minimumSize()));
    }
    return place;
}

FileWrite KeepWindowPlace(const QWidget& window, WindowPlace place, const std::string& iniFile) {
    place.position = window.pos();
    place.size = window.isMaximized() || window.isFullScreen() ? window.normalGeometry().size()
                                                               : window.size();
    return WriteWindowPlace(place, iniFile);
}
