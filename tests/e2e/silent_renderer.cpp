// A renderer that never shows its window: it starts, takes no notice of its command line, and
// lingers for a minute, as a renderer stuck at its start would.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    Sleep(60000);
    return 0;
}
