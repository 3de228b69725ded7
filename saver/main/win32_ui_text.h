// The saver's texts (resources/texts.h) from its string resources, in the language the user's
// Windows speaks.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "resources/texts.h"

// The text as the resource loader picks it: from the table of the user's UI language, the
// English one where the program has none of that language. "" where there is none at all.
std::wstring UiText(int id);

// The text from exactly `language`'s table; "" where the program has no such table or text.
std::wstring UiTextIn(int id, LANGID language);

// The languages the program's texts come in.
std::vector<LANGID> UiLanguages();
