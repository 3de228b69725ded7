// The saver's three music settings, kept in "クイルモア.ini" beside the program, section
// "Section". The key names are stored as Shift_JIS bytes, as on a Japanese system. Where the
// program's folder cannot be written (a system folder, Program Files, for a standard user), the
// same file lives in the user's own application-data folder instead.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

extern const char* const kSettingsSection;  // "Section"
extern const char* const kKeyBgmKind;       // "BGM区分" in Shift_JIS
extern const char* const kKeyBgmRepeat;     // "BGMﾘﾋﾟｰﾄ" in Shift_JIS
extern const char* const kKeyBgmFile;       // "BGMﾌｧｲﾙ" in Shift_JIS
extern const char* const kKeyScreenMode;    // "画面ﾓｰﾄﾞ" in Shift_JIS
extern const char* const kKeyAllMonitors;   // "ﾓﾆﾀｰ" in Shift_JIS
extern const char* const kSettingsFileName;  // "\クイルモア.ini", appended to the program's folder

// The module's settings (UTF-8 texts).
extern int16_t BgmKind;    // 0 none, 1 audio CD, 2 music file
extern int16_t BgmRepeat;  // CD track to hold, 0 for the whole disc
extern std::string BgmFile;    // the music file, or empty
extern std::string BgmFolder;  // where the file chooser opens
// How the scene uses the screen: 0 (or no key) switches the display to 1024 x 768 as ever; 1
// keeps the screen as it is and draws at its own size.
extern int16_t ScreenMode;
// Where the scene runs: 0 (or no key) on the primary monitor alone, the others black; 1 on every
// monitor, each its own scene over its own photograph (with ScreenMode 1 only: a display switched
// to 1024 x 768 has the primary monitor alone).
extern int16_t AllMonitors;

// What LoadSettings needs from the platform.
class SettingsPlatform {
public:
    virtual ~SettingsPlatform() = default;
    // The value of `key`, at most 255 bytes in the system's code page; "" when the file,
    // section or key is missing.
    virtual std::string ReadProfileString(const std::string& section, const std::string& key,
                                          const std::string& fileName) = 0;
    // True when `path` names a file that opens for reading.
    virtual bool FileExists(const std::string& path) = 0;
    // True when `path` names a file, whether or not it opens at this moment (another program may
    // hold it: a sync client, a scanner).
    virtual bool IsExistingFile(const std::string& path) = 0;
    // The folder that holds the program, without a trailing "\" (except at a drive root).
    virtual std::string ProgramFolder() = 0;
    // The user's own settings file, "%APPDATA%\Quillmoor\クイルモア.ini"; "" where there is
    // no such folder.
    virtual std::string PerUserSettingsPath() { return ""; }
};

// The settings file that is read: the user's own where it exists, otherwise the one beside the
// program (the program's folder and "\クイルモア.ini").
std::string SettingsFilePath(SettingsPlatform& platform);

// The files that confirming tries, in order, until one takes all three keys: the user's own
// file alone where it exists (it is the one read, so a write beside the program would be lost);
// otherwise the one beside the program, then the user's own.
std::vector<std::string> SettingsFilesToWrite(SettingsPlatform& platform);

// A stored number: "" gives 0; a number is rounded down; anything else, or a result outside
// 16 bits, leaves `target` as it was. Returns whether `target` was set.
bool ApplyNumberSetting(const std::string& text, int16_t& target);

// Fills BgmKind, BgmRepeat, BgmFile and BgmFolder from the settings file. A music file that
// does not open is dropped, and kind 2 (music file) then falls back to 0. ScreenMode and
// AllMonitors are read like the numbers (rounded down); any value but 1 counts as 0.
void LoadSettings(SettingsPlatform& platform);
