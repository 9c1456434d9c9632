// The CalDAV settings: whether the subjects live in two task lists on a
// CalDAV server and how to reach them. Kept in the section "CalDAV" of
// "./veskat.ini", beside the FTP settings, whose section it never touches;
// with both switched on, CalDAV is the one in use. The password is held in
// memory only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "IniFile.h"

#include "ConnectSettings.h"

struct DavSettings {
    // Longest texts the record holds, in bytes (Shift_JIS, as in the INI file).
    static constexpr std::size_t kUrlLimit = 2048;                          // url, repUrl
    static constexpr std::size_t kNameLimit = 256;                          // userId
    static constexpr std::size_t kPathLimit = ConnectSettings::kPathLimit;  // caFile

    std::int32_t davMode = 0;  // 1: the subjects live on the CalDAV server
    std::string url;           // the dated subjects' task list, a full URL ending in "/"
    std::string repUrl;        // the repeating subjects' task list, the same
    std::string userId;
    std::string password;  // UTF-8, filled by the prompt or the keyring, never stored
    std::string caFile;    // PEM file trusted instead of the system's store

    // Overwrites the password, as ConnectSettings does.
    ~DavSettings();

    // Fills every field but the password from the INI file; a missing file,
    // section or key gives its default, a longer value is cut to its limit.
    void Load(const std::string& iniFile);

    enum class [[nodiscard]] SaveOutcome{
        Saved,
        NotStorable,  // a value is longer than its limit or holds a line break
        NotWritten,   // the file could not be written; it is as it was
    };
    // The five keys with the values Save writes, in the order it writes them.
    std::vector<IniFile::KeyValuePair> StoredKeys() const;
    // Writes the five keys of the section in one rewrite, or nothing at all.
    SaveOutcome Save(const std::string& iniFile) const;
};

// The kind of server the subjects live on. CalDAV's "davmode" takes
// precedence over "ftpmode", which stays as it is in the file.
enum class ServerKind { None, Ftp, CalDav };
ServerKind ActiveServer(const ConnectSettings& ftp, const DavSettings& dav);
