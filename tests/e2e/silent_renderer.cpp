// A renderer that never shows its window: it starts, takes no notice of its command line, and
// lingers for a minute, as a renderer stuck at its start would; or for QM_RENDERER_LINGER_MS
// milliseconds (0: it ends at once, as one that fails at its start does), so that a test of the
// files a session writes need not wait for a scene.
#include <windows.h>

#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const char* linger = std::getenv("QM_RENDERER_LINGER_MS");
    Sleep(linger && *linger ? static_cast<DWORD>(std::strtoul(linger, nullptr, 10)) : 60000);
    return 0;
}
