// The connection settings: whether the data files also live on an FTP server
// and how to reach it. Kept in the section "FTP" of "./veskat.ini"; the
// password is held in memory only and never written anywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "IniFile.h"

struct ConnectSettings {
    // Longest texts the record holds, in bytes (Shift_JIS).
    static constexpr std::size_t kNameLimit = 80;   // userId, password, hostName
    static constexpr std::size_t kPathLimit = 260;  // indivSubjPath, repSubjPath

    std::int32_t ftpMode = 0;  // 1: fetch at start-up, send after saving
    std::string userId;
    std::string password;  // filled by the password prompt, never stored
    std::string hostName;
    std::int32_t port = 21;
    std::string indivSubjPath;  // server name of "veskat_i.dat"
    std::string repSubjPath;    // server name of "veskat_r.dat"
    std::int32_t ftpTls = 0;    // 1: explicit TLS (FTPS), the password never in clear
    std::string caFile;         // PEM file trusted instead of the system's store

    // Overwrites the password: neither a copy of the record nor the record
    // itself leaves it behind in freed memory.
    ~ConnectSettings();

    // Fills every field but the password from the INI file; a missing file,
    // section or key gives its default. Returns 0.
    int Load(const std::string& iniFile);
    // The eight keys with the values Save writes, in the order it writes them.
    std::vector<IniFile::KeyValuePair> StoredKeys() const;
    // Writes the eight keys in one rewrite of the file. Failed: the file is as
    // it was, and the settings hold for this run only.
    FileWrite Save(const std::string& iniFile) const;
};

// The number a text starts with: optional blanks, an optional sign, then
// decimal digits up to the first other character. No digits give 0; a number
// beyond the 32-bit range stops at its end of the range.
std::int32_t LeadingNumber(const std::string& text);
