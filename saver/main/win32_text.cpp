#include <windows.h>

#include "win32_text.h"

namespace {

std::wstring ToWide(UINT codePage, const std::string& text) {
    if (text.empty()) return L"";
    const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
}

}  // namespace

std::wstring Utf8ToWide(const std::string& text) { return ToWide(CP_UTF8, text); }

std::wstring AnsiToWide(const std::string& bytes) { return ToWide(CP_ACP, bytes); }

std::string WideToUtf8(const std::wstring& text) {
    if (text.empty()) return "";
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &utf8[0], length, nullptr, nullptr);
    return utf8;
}

bool FitsAnsiCodePage(const std::wstring& text) {
    if (text.empty()) return true;
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return false;
    std::string bytes(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), size, &bytes[0], length, nullptr, nullptr);
    return AnsiToWide(bytes) == text;  // no character replaced or approximated on the way
}
