// The screen saver program's entry on Windows: the platform side of SubMain.
#include <windows.h>

#include "renderer/common/startup_trace.h"
#include "saver/session/win32_exchange.h"
#include "saver/watch/win32_watch.h"
#include "sub_main.h"
#include "win32_forms.h"
#include "win32_platform.h"
#include "win32_text.h"
#include "win32_ui_text.h"

namespace {

class Win32StartupPlatform final : public Win32Settings<StartupPlatform> {
public:
    std::string CommandArguments() override { return WideToUtf8(CommandArgumentText()); }
    bool TopLevelWindowExists(const std::string& title) override {
        return FindWindowW(nullptr, Utf8ToWide(title).c_str()) != nullptr;
    }
    // The exchange folder: private to the user from the start.
    void CreateFolder(const std::string& path) override { CreatePrivateFolder(Utf8ToWide(path)); }
    void ShowMessage(const std::string& text) override {
        MessageBoxW(nullptr, Utf8ToWide(text).c_str(), UiText(QM_TEXT_NAME).c_str(), MB_OK);
    }
    std::string Text(int id) override { return WideToUtf8(UiText(id)); }
    std::vector<std::string> TextInEveryLanguage(int id) override {
        std::vector<std::string> texts;
        for (LANGID language : UiLanguages()) texts.push_back(WideToUtf8(UiTextIn(id, language)));
        return texts;
    }
    int32_t HideCursor() override { return ShowCursor(FALSE); }
    void ShowPreview(int32_t parentWindow) override { RunPreviewForm(parentWindow); }
    void ShowSettingsDialog() override { RunSettingsDialog(); }
    void LoadSessionForm() override { RunSessionForm(); }
    void RunWatcher(bool end) override { ::RunWatcher(end); }
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    TraceStartup("saver.entered");
    Win32StartupPlatform platform;
    SubMain(platform);
    return 0;
}
