#include "MessageLanguage.h"

#include <cstdlib>
#include <string_view>

bool JapaneseMessages() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            const std::string_view locale(value);
            return locale.starts_with("ja") &&
                   (locale.size() == 2 || locale[2] == '_' || locale[2] == '.' || locale[2] == '@');
        }
    }
    return false;
}

const char* InUserLanguage(const char* english, const char* japanese) {
    return JapaneseMessages() ? japanese : english;
}
