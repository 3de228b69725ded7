// The settings dialog in this process, looked at while it is open and then closed as a user
// closes it.
#include <windows.h>

#include <gtest/gtest.h>

#include "saver/main/win32_forms.h"

namespace {

bool seen = false;
LRESULT bigIcon = 0, smallIcon = 0;

void CALLBACK LookThenClose(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND dialog = FindWindowW(L"QuillmoorSettings", nullptr);
    if (!dialog) {
        PostQuitMessage(0);  // nothing to look at: end the dialog's loop anyway
        return;
    }
    seen = true;
    bigIcon = SendMessageW(dialog, WM_GETICON, ICON_BIG, 0);
    smallIcon = SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0);
    PostMessageW(dialog, WM_CLOSE, 0, 0);
}

// The program's icon in the caption: a window with a modal frame shows only icons given to
// the window itself, big and small, not its class's.
TEST(Win32Dialog, TheCaptionCarriesTheProgramsIcon) {
    SetTimer(nullptr, 0, 1000, LookThenClose);
    RunSettingsDialog();
    ASSERT_TRUE(seen);
    EXPECT_NE(bigIcon, 0);
    EXPECT_NE(smallIcon, 0);
}

}  // namespace
