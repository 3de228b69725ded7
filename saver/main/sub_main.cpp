#include "sub_main.h"

#include "command_line.h"

const char* const kSessionTitle = "Quillmoor_Main";
const char* const kExchangeFolder = "C:\\q_mora";
const char* const kRendererName = "\\クイルモア.dll";

std::optional<int32_t> CursorCount;

void SubMain(StartupPlatform& platform) {
    // A session or the settings dialog already open: end at once, whatever the mode. The
    // dialog's title is that of the language it opened in, which need not be this start's (the
    // user's language changed meanwhile): the title in each language is looked for.
    if (platform.TopLevelWindowExists(kSessionTitle)) return;
    for (const std::string& title : platform.TextInEveryLanguage(QM_TEXT_DIALOG_TITLE)) {
        if (platform.TopLevelWindowExists(title)) return;
    }

    const std::string arguments = platform.CommandArguments();
    const std::string mode = ModeLetter(arguments);
    if (mode == "P") {
        platform.ShowPreview(PreviewHandle(arguments));
        return;
    }

    platform.CreateFolder(kExchangeFolder);
    LoadSettings(platform);
    if (!platform.FileExists(platform.ProgramFolder() + kRendererName)) {
        platform.ShowMessage(platform.Text(QM_TEXT_MISSING_RENDERER));
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
