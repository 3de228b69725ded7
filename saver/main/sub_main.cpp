#include "sub_main.h"

#include "command_line.h"

const char* const kSessionTitle = "Quillmoor_Main";
const char* const kExchangeFolder = "C:\\q_mora";
const char* const kRendererName = "\\クイルモア.dll";

std::optional<int32_t> CursorCount;

namespace {

// The argument text after its first two characters, its blanks around it removed, upper-cased.
std::string Rest(const std::string& arguments) {
    std::string rest = arguments.size() > 2 ? arguments.substr(2) : "";
    rest.erase(0, rest.find_first_not_of(' '));
    rest.erase(rest.find_last_not_of(' ') + 1);
    for (char& c : rest) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return rest;
}

}  // namespace

void SubMain(StartupPlatform& platform) {
    // The watcher ("/w", "/w end"), which Windows never starts as a saver: before the look for a
    // session, which it sees come and go while it runs.
    const std::string arguments = platform.CommandArguments();
    const std::string mode = ModeLetter(arguments);
    if (mode == "W") {
        const std::string rest = Rest(arguments);
        if (rest.empty() || rest == "END") platform.RunWatcher(!rest.empty());
        return;
    }

    // A session or the settings dialog already open: end at once, whatever the mode. The
    // dialog's title is that of the language it opened in, which need not be this start's (the
    // user's language changed meanwhile): the title in each language is looked for.
    if (platform.TopLevelWindowExists(kSessionTitle)) return;
    for (const std::string& title : platform.TextInEveryLanguage(QM_TEXT_DIALOG_TITLE)) {
        if (platform.TopLevelWindowExists(title)) return;
    }

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
