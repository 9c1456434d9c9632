// DavSettings::Load and DavSettings::Save on the INI file.
#include "DavSettings.h"

#include "IniFile.h"
#include "SecretMemory.h"

namespace {

constexpr const char* kSection = "CalDAV";
constexpr const char* kModeOn = "TRUE";

std::string ReadKey(const char* key, std::size_t limit, const std::string& iniFile) {
    return IniFile::Read(kSection, key, "", limit + 1, iniFile);
}

// A value the file can hold as it is: IniFile keeps a value to one line, and
// Load reads at most the limit back.
bool Storable(const std::string& value, std::size_t limit) {
    return value.size() <= limit && value.find_first_of("\r\n") == std::string::npos;
}

}  // namespace

DavSettings::~DavSettings() {
    WipeText(password);
}

void DavSettings::Load(const std::string& iniFile) {
    davMode = ReadKey("davmode", 10, iniFile) == kModeOn ? 1 : 0;
    url = ReadKey("url", kUrlLimit, iniFile);
    repUrl = ReadKey("repurl", kUrlLimit, iniFile);
    userId = ReadKey("userid", kNameLimit, iniFile);
    caFile = ReadKey("cafile", kPathLimit, iniFile);
}

std::vector<IniFile::KeyValuePair> DavSettings::StoredKeys() const {
    return {
        {"davmode", davMode == 1 ? kModeOn : "FALSE"},
        {"url", url},
        {"repurl", repUrl},
        {"userid", userId},
        {"cafile", caFile},
    };
}

DavSettings::SaveOutcome DavSettings::Save(const std::string& iniFile) const {
    if (!Storable(url, kUrlLimit) || !Storable(repUrl, kUrlLimit) ||
        !Storable(userId, kNameLimit) || !Storable(caFile, kPathLimit)) {
        return SaveOutcome::NotStorable;
    }
    return IniFile::Write(kSection, StoredKeys(), iniFile) == FileWrite::Written
               ? SaveOutcome::Saved
               : SaveOutcome::NotWritten;
}

ServerKind ActiveServer(const ConnectSettings& ftp, const DavSettings& dav) {
    if (dav.davMode == 1) {
        return ServerKind::CalDav;
    }
    return ftp.ftpMode == 1 ? ServerKind::Ftp : ServerKind::None;
}
