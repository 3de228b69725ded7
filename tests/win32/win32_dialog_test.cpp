// The settings dialog in this process, looked at while it is open and then closed as a user
// closes it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "saver/main/settings.h"
#include "saver/main/win32_forms.h"

namespace {

bool seen = false;
LRESULT bigIcon = 0, smallIcon = 0;
std::wstring focusClass, focusText;  // of the control with the focus (a combo box's own)

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
    HWND focus = GetFocus();
    // The edit line of a drop-down combo box takes its focus.
    if (focus && GetParent(focus)) {
        wchar_t parentClass[64] = L"";
        GetClassNameW(GetParent(focus), parentClass, 64);
        if (std::wstring(parentClass) == L"ComboBox") focus = GetParent(focus);
    }
    wchar_t text[64] = L"", name[64] = L"";
    if (focus) {
        GetClassNameW(focus, name, 64);
        GetWindowTextW(focus, text, 64);
    }
    focusClass = name;
    focusText = text;
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

// The focus at the opening is on the first control of the tab order that takes it: the repeat
// box with the audio CD, "..." with a music file, 設定 with none.
TEST(Win32Dialog, FocusStartsOnTheFirstEnabledTabStop) {
    const struct {
        int16_t kind;
        const wchar_t* focusClass;
        const wchar_t* focusText;
    } cases[] = {{1, L"ComboBox", nullptr}, {2, L"QuillmoorCommand", L"..."}, {0, L"QuillmoorCommand", L"設定"}};
    for (const auto& c : cases) {
        BgmKind = c.kind;
        seen = false;
        focusClass.clear();
        SetTimer(nullptr, 0, 1000, LookThenClose);
        RunSettingsDialog();
        ASSERT_TRUE(seen);
        EXPECT_EQ(focusClass, c.focusClass) << "source " << c.kind;
        if (c.focusText) {
            EXPECT_EQ(focusText, c.focusText) << "source " << c.kind;
        }
    }
    BgmKind = 0;
}

}  // namespace
