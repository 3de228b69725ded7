#include "sub_main.h"

#include "command_line.h"

const char* const kSessionTitle = "Quillmoor_Main";
const char* const kDialogTitle = "<クイルモア>";
const char* const kExchangeFolder = "C:\\q_mora";
const char* const kRendererName = "\\クイルモア.dll";
const char* const kMissingRendererMessage = "クイルモア.dll が同じﾌｫﾙﾀﾞに見つかりません！";

std::optional<int32_t> CursorCount;

void SubMain(StartupPlatform& platform) {
    // A session or the settings dialog already open: end at once, whatever the mode.
    if (platform.TopLevelWindowExists(kSessionTitle) || platform.TopLevelWindowExists(kDialogTitle)) return;

    const std::string arguments = platform.CommandArguments();
    const std::string mode = ModeLetter(arguments);
    if (mode == "P") {
        platform.ShowPreview(PreviewHandle(arguments));
        return;
    }

    platform.CreateFolder(kExchangeFolder);
    LoadSettings(platform);
    if (!platform.FileExists(platform.ProgramFolder() + kRendererName)) {
        platform.ShowMessage(kMissingRendererMessage);
        return;
    }
    if (mode == "C") {
        platform.ShowSettingsDialog();
        return;
    }
    if (mode != "S" && !arguments.empty()) return;
    if (mode == "S") CursorCount = platform.HideCursor();
    platform.LoadSessionForm();
}
