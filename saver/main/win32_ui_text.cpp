#include "win32_ui_text.h"

namespace {

// The table of 16 texts that holds text `id`.
LPCWSTR TableOf(int id) { return MAKEINTRESOURCEW(id / 16 + 1); }

BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR languages) {
    reinterpret_cast<std::vector<LANGID>*>(languages)->push_back(language);
    return TRUE;
}

}  // namespace

std::wstring UiText(int id) {
    const wchar_t* text = nullptr;  // the resource's own characters, not terminated
    const int length = LoadStringW(GetModuleHandleW(nullptr), static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 && text ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

std::wstring UiTextIn(int id, LANGID language) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceExW(module, MAKEINTRESOURCEW(6) /* RT_STRING */, TableOf(id), language);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* at = loaded ? static_cast<const WORD*>(LockResource(loaded)) : nullptr;
    if (!at) return L"";
    // Sixteen texts, each its length in characters and then its characters.
    const WORD* const end = at + SizeofResource(module, found) / sizeof(WORD);
    for (int index = 0; at < end; ++index) {
        const WORD length = *at++;
        if (length > end - at) break;
        if (index == id % 16) return std::wstring(reinterpret_cast<const wchar_t*>(at), length);
        at += length;
    }
    return L"";
}

std::vector<LANGID> UiLanguages() {
    std::vector<LANGID> languages;
    EnumResourceLanguagesW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(6) /* RT_STRING */, TableOf(QM_TEXT_NAME),
                           AddLanguage, reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}
