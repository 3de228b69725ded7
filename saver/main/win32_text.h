// UTF-8 (the saver's own texts) to and from UTF-16 (the wide Win32 API), and the system's
// ANSI code page where a byte count in that code page matters.
#pragma once

#include <string>

std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);
// Bytes in the system's ANSI code page (e.g. Shift_JIS keys) read as text of that code page.
std::wstring AnsiToWide(const std::string& bytes);
// Whether the system's ANSI code page can write the text, every character as it is.
bool FitsAnsiCodePage(const std::wstring& text);
