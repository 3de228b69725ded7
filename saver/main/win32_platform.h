// The saver's Win32 services for settings, files, the forms' drawing and the dialog's zoom.
#pragma once

#include <windows.h>

#include <string>

// One key of the settings file, through the private-profile functions: at most 255 bytes in
// the system's code page, "" when the file, section or key is missing. The file's path goes
// through the wide API, so a program folder with Japanese names works on any code page; key
// names are Shift_JIS bytes read in the system's ANSI code page, so on a Japanese system they
// are stored exactly as the ANSI functions would store them, and on any other they still
// round-trip to the same bytes.
std::string ReadProfileString(const std::string& section, const std::string& key, const std::string& fileName);

// Writes one key; false when the file cannot be written (a folder the user may not write, a
// folder in the file's place). A missing folder of the file's is made first.
bool WriteProfileString(const std::string& section, const std::string& key, const std::string& value,
                        const std::string& fileName);

// Takes one key out of the settings file; false when the file cannot be written.
bool RemoveProfileKey(const std::string& section, const std::string& key, const std::string& fileName);

// The user's own settings file, "%APPDATA%\Quillmoor\クイルモア.ini" (the roaming
// application-data folder, UTF-8); "" where the system names no such folder.
std::string PerUserSettingsPath();

// True when `path` (one trailing "\" removed) opens as a file for reading; a folder, a drive,
// a file held without read sharing, or an empty path gives false. Nothing stays open.
bool FileExists(const std::string& path);

// True when `path` names a file (not a folder), asked of its attributes: nothing is opened.
bool IsExistingFile(const std::string& path);

// The folder of the running program, UTF-8, without a trailing "\" except at a drive root.
std::string ProgramFolder();

// A BMP file carried as a resource (RCDATA `id`) with its header and pixels located; false when
// it is missing or too short to hold them.
struct ResourceBitmap {
    const BITMAPINFO* info = nullptr;
    const BYTE* bits = nullptr;
    const BYTE* file = nullptr;
    DWORD size = 0;
};
bool LoadResourceBitmap(int id, ResourceBitmap& bitmap);

// The text after the program's name on the command line, as the system passed it.
std::wstring CommandArgumentText();

// Screen point the settings dialog zooms from and back into (pixels).
extern int16_t ZoomOriginX;
extern int16_t ZoomOriginY;

// The animated rectangle from the zoom point out to the window, and back.
void ZoomFromPoint(HWND window);
void ZoomToPoint(HWND window);

// The forms' font on a screen of `dpi`, as the texts of `language` (0: the user's, as the
// resource loader picks them) describe it: "ＭＳ Ｐゴシック" at 9.75 points in Japanese, the
// system's dialog font at its own size in English. The caller deletes it.
HFONT CreateFormFont(int dpi, bool underline, LANGID language = 0);

// Copies `bitmap` (width x height from its origin) to (x, y) of `dc`; nothing without a bitmap.
void BlitBitmap(HDC dc, HBITMAP bitmap, int x, int y, int width, int height);

// The settings' files and folders as this system has them, for any platform interface that
// reads or places the settings (the entry's, the dialog's).
template <class Platform>
class Win32Settings : public Platform {
public:
    std::string ReadProfileString(const std::string& section, const std::string& key,
                                  const std::string& fileName) override {
        return ::ReadProfileString(section, key, fileName);
    }
    bool FileExists(const std::string& path) override { return ::FileExists(path); }
    bool IsExistingFile(const std::string& path) override { return ::IsExistingFile(path); }
    std::string ProgramFolder() override { return ::ProgramFolder(); }
    std::string PerUserSettingsPath() override { return ::PerUserSettingsPath(); }
};
