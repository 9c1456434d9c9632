// The language of what the commands print on a terminal: Japanese under a
// Japanese locale, as the window speaks, and English otherwise. Read from the
// environment as the C library would choose the language of its messages.
#pragma once

// True when LC_ALL, else LC_MESSAGES, else LANG (the first one set and not
// empty) names a Japanese locale ("ja", "ja_JP.UTF-8", ...).
bool JapaneseMessages();

// `japanese` under a Japanese locale, else `english`.
const char* InUserLanguage(const char* english, const char* japanese);
