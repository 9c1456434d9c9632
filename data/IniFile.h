// The program's own INI file services: "section", "key=value" lines in a
// Shift_JIS text file. Reads fall back to a default; a write touches the one
// line of its key and leaves every other line, and any byte-order mark, alone.
// Below every part that keeps a setting, so that reading one needs no more.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "FileAccess.h"

// The settings file in the working directory.
inline constexpr const char* kIniFileName = "./veskat.ini";

namespace IniFile {

// The value of `key` in `section` of `fileName`, or `fallback` when the file,
// the section or the key is missing, cut to at most bufferSize - 1 bytes
// (never between the two bytes of a double-byte character). Section and key
// names match without regard to letter case; blanks around the value go.
std::string Read(const std::string& section, const std::string& key, const std::string& fallback,
                 std::size_t bufferSize, const std::string& fileName);

// Sets `key` in `section` to `value`: replaces the key's line when present,
// otherwise adds it at the end of the section, creating the section and the
// file when missing. Added lines end as the file's lines do (CR LF, LF or CR;
// CR LF in a new file). A value is kept to one line. Failed when the file
// could not be written, or is there but may not be written or read; the file
// is then as it was.
FileWrite Write(const std::string& section, const std::string& key, const std::string& value,
                const std::string& fileName);

using KeyValuePair = std::pair<std::string, std::string>;

// The same for several keys of `section` at once, in one rewrite of the file:
// either every key is written or the file is as it was.
FileWrite Write(const std::string& section, const std::vector<KeyValuePair>& values,
                const std::string& fileName);

}  // namespace IniFile
