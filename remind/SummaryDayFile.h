// The day the reminders last gave their summary, kept between runs so that it
// comes once a day and not once a start: one small file a data folder, in the
// user's state folder ($XDG_STATE_HOME/veskat), never in the data folder,
// which may be shared with other computers.
#pragma once

#include <optional>
#include <string>

#include "FileAccess.h"
#include "ReminderSubjects.h"

class SummaryDayFile {
  public:
    // Keeps the day in `fileName`, whose folder is made (private) when missing.
    explicit SummaryDayFile(std::string fileName) : fileName_(std::move(fileName)) {}

    // $XDG_STATE_HOME/veskat, or ~/.local/state/veskat when XDG_STATE_HOME is
    // unset or relative; empty when neither that nor HOME is set.
    static std::string StateFolder();

    // The day kept; nullopt when there is no file or it holds no day.
    std::optional<ReminderDay> Read() const;
    // Replaces the file whole with `day`.
    [[nodiscard]] FileWrite Write(const ReminderDay& day) const;

    const std::string& FileName() const { return fileName_; }

  private:
    std::string fileName_;
};
