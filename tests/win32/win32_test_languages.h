// The two languages of the saver's texts, and which of them the user's Windows should get.
#pragma once

#include <windows.h>

constexpr LANGID kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

// Japanese where the user's UI language is Japanese, English wherever else (whatever the code
// page: the test rings pair a Japanese one with an English UI too).
inline LANGID UsersTexts() { return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? kJapanese : kEnglish; }
