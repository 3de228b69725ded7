#include "settings.h"

#include <cmath>
#include <utility>

#include "command_line.h"
#include "paths.h"

const char* const kSettingsSection = "Section";
const char* const kKeyBgmKind = "BGM\x8B\xE6\x95\xAA";
const char* const kKeyBgmRepeat = "BGM\xD8\xCB\xDF\xB0\xC4";
const char* const kKeyBgmFile = "BGM\xCC\xA7\xB2\xD9";
const char* const kKeyScreenMode = "\x89\xE6\x96\xCA\xD3\xB0\xC4\xDE";
const char* const kKeyAllMonitors = "\xD3\xC6\xC0\xB0";
const char* const kSettingsFileName = "\\クイルモア.ini";

int16_t BgmKind = 0;
int16_t BgmRepeat = 0;
std::string BgmFile;
std::string BgmFolder;
int16_t ScreenMode = 0;
int16_t AllMonitors = 0;

std::string SettingsFilePath(SettingsPlatform& platform) {
    const std::string own = platform.PerUserSettingsPath();
    if (!own.empty() && platform.IsExistingFile(own)) return own;
    return platform.ProgramFolder() + kSettingsFileName;
}

std::vector<std::string> SettingsFilesToWrite(SettingsPlatform& platform) {
    const std::string own = platform.PerUserSettingsPath();
    if (own.empty()) return {platform.ProgramFolder() + kSettingsFileName};
    if (platform.IsExistingFile(own)) return {own};
    return {platform.ProgramFolder() + kSettingsFileName, own};
}

bool ApplyNumberSetting(const std::string& text, int16_t& target) {
    if (text.empty()) {
        target = 0;
        return true;
    }
    double value = 0;
    if (!ParseNumber(text, value)) return false;
    const double whole = std::floor(value);
    if (whole < -32768.0 || whole > 32767.0) return false;
    target = static_cast<int16_t>(whole);
    return true;
}

void LoadSettings(SettingsPlatform& platform) {
    const std::string file = SettingsFilePath(platform);
    ApplyNumberSetting(platform.ReadProfileString(kSettingsSection, kKeyBgmKind, file), BgmKind);
    ApplyNumberSetting(platform.ReadProfileString(kSettingsSection, kKeyBgmRepeat, file), BgmRepeat);
    BgmFile = platform.ReadProfileString(kSettingsSection, kKeyBgmFile, file);
    if (!BgmFile.empty() && !platform.FileExists(BgmFile)) BgmFile.clear();
    if (BgmFile.empty() && BgmKind == 2) BgmKind = 0;
    BgmFolder = BgmFile.empty() ? platform.ProgramFolder() : FolderOfPath(BgmFile);
    for (const auto& flag : {std::make_pair(kKeyScreenMode, &ScreenMode), std::make_pair(kKeyAllMonitors, &AllMonitors)}) {
        int16_t value = 0;
        ApplyNumberSetting(platform.ReadProfileString(kSettingsSection, flag.first, file), value);
        *flag.second = value == 1 ? 1 : 0;
    }
}
