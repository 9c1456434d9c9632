// ConnectSettings::Load and ConnectSettings::Save on the INI file.
#include "ConnectSettings.h"

#include <algorithm>
#include <cstdio>

#include "IniFile.h"
#include "SecretMemory.h"

namespace {

constexpr const char* kSection = "FTP";
constexpr const char* kModeOn = "TRUE";

std::string ReadKey(const char* key, const char* fallback, std::size_t bufferSize,
                    const std::string& iniFile) {
    return IniFile::Read(kSection, key, fallback, bufferSize, iniFile);
}

}  // namespace

std::int32_t LeadingNumber(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t value = 0;
    constexpr std::int64_t kBound = static_cast<std::int64_t>(INT32_MAX) + 1;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = std::min(value * 10 + (text[i] - '0'), kBound);
    }
    value = negative ? -value : std::min<std::int64_t>(value, INT32_MAX);
    return static_cast<std::int32_t>(value);
}

ConnectSettings::~ConnectSettings() {
    WipeText(password);
}

int ConnectSettings::Load(const std::string& iniFile) {
    ftpMode = ReadKey("ftpmode", "", 10, iniFile) == kModeOn ? 1 : 0;
    userId = ReadKey("userid", "", kNameLimit, iniFile);
    hostName = ReadKey("hostname", "", kNameLimit, iniFile);
    port = LeadingNumber(ReadKey("port", "21", 10, iniFile));
    indivSubjPath = ReadKey("ftpindivsubjpath", "", kPathLimit, iniFile);
    repSubjPath = ReadKey("ftprepsubjpath", "", kPathLimit, iniFile);
    ftpTls = ReadKey("ftptls", "", 10, iniFile) == kModeOn ? 1 : 0;
    caFile = ReadKey("ftpcafile", "", kPathLimit, iniFile);
    return 0;
}

std::vector<IniFile::KeyValuePair> ConnectSettings::StoredKeys() const {
    char portText[16];
    std::snprintf(portText, sizeof portText, "%d", port);
    return {
        {"ftpmode", ftpMode == 1 ? kModeOn : "FALSE"},
        {"userid", userId},
        {"hostname", hostName},
        {"port", portText},
        {"ftpindivsubjpath", indivSubjPath},
        {"ftprepsubjpath", repSubjPath},
        {"ftptls", ftpTls == 1 ? kModeOn : "FALSE"},
        {"ftpcafile", caFile},
    };
}

FileWrite ConnectSettings::Save(const std::string& iniFile) const {
    return IniFile::Write(kSection, StoredKeys(), iniFile);
}
