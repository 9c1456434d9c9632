// The XDG autostart entry that starts the reminder agent of one data folder
// when the user logs in: a desktop entry in $XDG_CONFIG_HOME/autostart
// (~/.config/autostart), made and removed with 通知する.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <string>

#include "FileAccess.h"

class AutostartEntry {
  public:
    // The entry `fileName` (a full path; see FileNameFor).
    explicit AutostartEntry(std::string fileName) : fileName_(std::move(fileName)) {}

    // $XDG_CONFIG_HOME/autostart/<app id>.remind-<folderKey>.desktop, with
    // ~/.config when XDG_CONFIG_HOME is unset or relative; empty when
    // neither that nor HOME is set.
    static std::string FileNameFor(const std::string& folderKey);

    // The entry's text, starting `program` with `arguments`, quoted as the
    // desktop entry rules have it; nullopt when an argument holds a line end,
    // which an entry cannot give.
    static std::optional<std::string> TextFor(const QString& program, const QStringList& arguments);

    // Makes or replaces the entry, its folder too; Failed, and the entry is
    // as it was, when it cannot be written or given.
    [[nodiscard]] FileWrite Write(const QString& program, const QStringList& arguments) const;
    // Removes the entry; false when it is still there.
    [[nodiscard]] bool Remove() const;
    bool Exists() const { return PathExists(fileName_); }

    const std::string& FileName() const { return fileName_; }

  private:
    std::string fileName_;
};
