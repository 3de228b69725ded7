#include "win32_platform.h"

#include <shlobj.h>

#include <cmath>
#include <vector>

#include "form_font.h"
#include "paths.h"
#include "settings.h"
#include "win32_text.h"
#include "win32_ui_text.h"

int16_t ZoomOriginX = 0;
int16_t ZoomOriginY = 0;

std::string ReadProfileString(const std::string& section, const std::string& key, const std::string& fileName) {
    // Read whole, then keep what a 256-byte ANSI buffer would hold: at most 255 bytes in the
    // system code page, never half a double-byte character.
    std::vector<wchar_t> buffer(32768, L'\0');
    const DWORD length = GetPrivateProfileStringW(AnsiToWide(section).c_str(), AnsiToWide(key).c_str(), L"",
                                                  buffer.data(), static_cast<DWORD>(buffer.size()),
                                                  Utf8ToWide(fileName).c_str());
    std::wstring value(buffer.data(), length);
    int bytes = 0;
    size_t kept = 0;
    while (kept < value.size()) {
        const size_t width = (IS_HIGH_SURROGATE(value[kept]) && kept + 1 < value.size()) ? 2 : 1;
        const int size = WideCharToMultiByte(CP_ACP, 0, &value[kept], static_cast<int>(width), nullptr, 0, nullptr, nullptr);
        if (bytes + size > 255) break;
        bytes += size;
        kept += width;
    }
    return WideToUtf8(value.substr(0, kept));
}

bool WriteProfileString(const std::string& section, const std::string& key, const std::string& value,
                        const std::string& fileName) {
    const std::wstring wideSection = AnsiToWide(section), wideKey = AnsiToWide(key), wideValue = Utf8ToWide(value);
    const std::wstring file = Utf8ToWide(fileName);
    if (WritePrivateProfileStringW(wideSection.c_str(), wideKey.c_str(), wideValue.c_str(), file.c_str())) return true;
    // The user's own folder is made on its first use; the program's folder exists already.
    const std::string folder = FolderOfPath(fileName);
    if (folder.empty() || !CreateDirectoryW(Utf8ToWide(folder).c_str(), nullptr)) return false;
    return WritePrivateProfileStringW(wideSection.c_str(), wideKey.c_str(), wideValue.c_str(), file.c_str()) != FALSE;
}

bool RemoveProfileKey(const std::string& section, const std::string& key, const std::string& fileName) {
    return WritePrivateProfileStringW(AnsiToWide(section).c_str(), AnsiToWide(key).c_str(), nullptr,
                                      Utf8ToWide(fileName).c_str()) != FALSE;
}

std::string PerUserSettingsPath() {
    wchar_t folder[MAX_PATH] = L"";
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)) || !folder[0]) return "";
    return WideToUtf8(folder) + "\\Quillmoor" + kSettingsFileName;
}

bool FileExists(const std::string& path) {
    std::string name = path;
    if (!name.empty() && name.back() == '\\') name.pop_back();
    if (name.empty()) return false;
    HANDLE file = CreateFileW(Utf8ToWide(name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

bool IsExistingFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Utf8ToWide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ProgramFolder() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            std::wstring folder(path.data(), length);
            folder.erase(folder.find_last_of(L'\\') == std::wstring::npos ? 0 : folder.find_last_of(L'\\'));
            if (folder.size() == 2 && folder[1] == L':') folder += L'\\';  // a drive root keeps its "\"
            return WideToUtf8(folder);
        }
        path.resize(path.size() * 2);
    }
}

void ZoomFromPoint(HWND window) {
    const RECT from = {ZoomOriginX, ZoomOriginY, ZoomOriginX, ZoomOriginY};
    RECT to;
    GetWindowRect(window, &to);
    DrawAnimatedRects(window, IDANI_CAPTION, &from, &to);
}

void ZoomToPoint(HWND window) {
    RECT from;
    GetWindowRect(window, &from);
    const RECT to = {ZoomOriginX, ZoomOriginY, ZoomOriginX, ZoomOriginY};
    DrawAnimatedRects(window, IDANI_CAPTION, &from, &to);
}

std::wstring CommandArgumentText() {
    // The name, quoted or not, and the blanks after it are skipped.
    const wchar_t* p = GetCommandLineW();
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"') ++p;
        if (*p) ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t') ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    return p;
}

bool LoadResourceBitmap(int id, ResourceBitmap& bitmap) {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
    HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    const BYTE* file = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    const DWORD size = found ? SizeofResource(nullptr, found) : 0;
    if (!file || size < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) return false;
    const auto* header = reinterpret_cast<const BITMAPFILEHEADER*>(file);
    if (header->bfOffBits >= size) return false;
    bitmap.info = reinterpret_cast<const BITMAPINFO*>(file + sizeof(BITMAPFILEHEADER));
    bitmap.bits = file + header->bfOffBits;
    bitmap.file = file;
    bitmap.size = size;
    return true;
}

HFONT CreateFormFont(int dpi, bool underline, LANGID language) {
    FormFont font;
    const std::wstring described = language ? UiTextIn(QM_TEXT_FONT, language) : UiText(QM_TEXT_FONT);
    if (!ReadFormFont(WideToUtf8(described), font)) ReadFormFont(kDesignFont, font);
    const int hundredths = static_cast<int>(std::lround(font.points * 100));
    return CreateFontW(-MulDiv(hundredths, dpi, 7200), 0, 0, 0, font.weight, FALSE, underline, FALSE,
                       static_cast<BYTE>(font.charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH, Utf8ToWide(font.name).c_str());
}

void BlitBitmap(HDC dc, HBITMAP bitmap, int x, int y, int width, int height) {
    if (!bitmap) return;
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, bitmap);
    BitBlt(dc, x, y, width, height, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
}

