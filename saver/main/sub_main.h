// The screen saver's entry: reads the command line, refuses a second instance, prepares the
// exchange folder, loads the settings, checks for the renderer and hands over to the mode's form.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "resources/texts.h"
#include "settings.h"

extern const char* const kSessionTitle;    // "Quillmoor_Main": a session is running
extern const char* const kExchangeFolder;  // "C:\q_mora"
extern const char* const kRendererName;    // "\クイルモア.dll", appended to the program's folder

// The display count ShowCursor returned when run mode hid the cursor; empty in other modes.
extern std::optional<int32_t> CursorCount;

// Everything the entry asks of the platform, in the order it asks.
class StartupPlatform : public SettingsPlatform {
public:
    // The argument text after the program's name.
    virtual std::string CommandArguments() = 0;
    // True when a top-level window with exactly this title exists (letter case ignored).
    virtual bool TopLevelWindowExists(const std::string& title) = 0;
    // Creates the folder; failure (it exists) is ignored.
    virtual void CreateFolder(const std::string& path) = 0;
    // A message box with OK only, no icon, the program's title as caption; returns when closed.
    virtual void ShowMessage(const std::string& text) = 0;
    // One of the program's texts (resources/texts.h) in the user's language.
    virtual std::string Text(int id) = 0;
    // One of the program's texts in every language the program speaks.
    virtual std::vector<std::string> TextInEveryLanguage(int id) = 0;
    // ShowCursor(FALSE); returns the new display count.
    virtual int32_t HideCursor() = 0;
    // The forms the modes hand over to.
    virtual void ShowPreview(int32_t parentWindow) = 0;
    virtual void ShowSettingsDialog() = 0;  // modal: returns when it has closed
    virtual void LoadSessionForm() = 0;     // runs the session's start-up, then returns
    // The watcher (/w): photographs the user's desktop before Windows starts the saver, until
    // it is told to end; or (end) tells the watcher running in this sign-in session to end.
    virtual void RunWatcher(bool end) = 0;
};

// Runs the entry's steps in order. Returns when the program should end, or (preview and run
// modes) when its form has taken over.
void SubMain(StartupPlatform& platform);
