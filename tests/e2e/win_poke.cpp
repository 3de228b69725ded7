// A small Windows tool for the end-to-end scripts: looks at and pokes top-level windows by
// their title, the way another program on the same desktop would.
//
// usage: win_poke find TITLE         prints "class=C client=WxH visible=V"; status 1 if none
//        win_poke text TITLE         prints the texts of the window's child controls
//        win_poke close TITLE        posts a close message
//        win_poke syscommand TITLE N sends a system command with word parameter N
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

BOOL CALLBACK PrintChildText(HWND child, LPARAM) {
    char text[512];
    if (GetWindowTextA(child, text, sizeof text) > 0) std::printf("%s\n", text);
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: win_poke find|text|close|syscommand TITLE [N]\n");
        return 2;
    }
    HWND window = FindWindowA(nullptr, argv[2]);
    if (!window) return 1;
    const char* verb = argv[1];
    if (std::strcmp(verb, "find") == 0) {
        char className[256] = "";
        GetClassNameA(window, className, sizeof className);
        RECT client = {};
        GetClientRect(window, &client);
        std::printf("class=%s client=%ldx%ld visible=%d\n", className, client.right - client.left,
                    client.bottom - client.top, IsWindowVisible(window) ? 1 : 0);
    } else if (std::strcmp(verb, "text") == 0) {
        EnumChildWindows(window, PrintChildText, 0);
    } else if (std::strcmp(verb, "close") == 0) {
        PostMessageA(window, WM_CLOSE, 0, 0);
    } else if (std::strcmp(verb, "syscommand") == 0 && argc == 4) {
        SendMessageA(window, WM_SYSCOMMAND, static_cast<WPARAM>(std::strtoul(argv[3], nullptr, 0)), 0);
    } else {
        return 2;
    }
    std::fflush(stdout);
    return 0;
}
