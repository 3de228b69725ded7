// The skinned button as a real child window: its faces on screen for each look, the gradient's
// direction, and Click.
#include <windows.h>

#include <gtest/gtest.h>

#include "saver/controls/win32_command.h"

namespace {

class Win32CommandButton : public testing::Test {
protected:
    void SetUp() override {
        parent_ = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP | WS_VISIBLE, 0, 0, 300, 100, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(parent_, nullptr);
        // 64 x 25 pixels: the skin's own size, so its border shows one to one.
        button_ = CreateCommandButton(parent_, 10, 10, 64, 25, "設定", [this] { ++clicks_; });
        ASSERT_NE(button_, nullptr);
    }
    void TearDown() override { DestroyWindow(parent_); }

    COLORREF At(int x, int y) {
        RedrawWindow(button_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        HDC dc = GetDC(button_);
        const COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(button_, dc);
        return c;
    }
    // Pixels of the caption's ink inside the border: black for an enabled caption; the disabled
    // look is grey over white, and the gradient and skin inside the border are light.
    int DarkCaptionPixels() {
        RedrawWindow(button_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        HDC dc = GetDC(button_);
        int dark = 0;
        for (int y = 4; y < 21; ++y) {
            for (int x = 5; x < 59; ++x) {
                const COLORREF c = GetPixel(dc, x, y);
                if (GetRValue(c) < 80 && GetGValue(c) < 80 && GetBValue(c) < 80) ++dark;
            }
        }
        ReleaseDC(button_, dc);
        return dark;
    }
    static void ExpectNear(COLORREF c, int r, int g, int b, const char* what) {
        EXPECT_NEAR(GetRValue(c), r, 3) << what;
        EXPECT_NEAR(GetGValue(c), g, 3) << what;
        EXPECT_NEAR(GetBValue(c), b, 3) << what;
    }

    HWND parent_ = nullptr;
    HWND button_ = nullptr;
    int clicks_ = 0;
};

TEST_F(Win32CommandButton, FacesFollowTheLook) {
    ExpectNear(At(20, 1), 0, 60, 116, "normal: the dark-blue border");
    ExpectNear(At(20, 2), 243, 243, 238, "normal: inside the border");
    // The middle is the gradient: white at the top towards the tint (198, 197, 215) below.
    EXPECT_GT(GetRValue(At(32, 5)), GetRValue(At(32, 19)) + 15);

    SendMessageW(button_, WM_MOUSEMOVE, 0, MAKELPARAM(20, 10));
    ExpectNear(At(20, 2), 255, 240, 207, "hover: the warm ring");
    EXPECT_LT(GetRValue(At(32, 5)) + 15, GetRValue(At(32, 19)));  // light at the bottom now

    SetCommandEnabled(button_, false);
    ExpectNear(At(20, 1), 201, 199, 186, "disabled: the grey border");
}

// The caption's look follows the enabled state as soon as it is set, not at the next face.
TEST_F(Win32CommandButton, TheCaptionShowsTheEnabledStateAtOnce) {
    EXPECT_GT(DarkCaptionPixels(), 5) << "enabled: a black caption";
    SetCommandEnabled(button_, false);
    EXPECT_EQ(DarkCaptionPixels(), 0) << "disabled: a grey caption";
    SetCommandEnabled(button_, true);
    EXPECT_GT(DarkCaptionPixels(), 5) << "enabled again: black";
}

TEST_F(Win32CommandButton, PressAndReleaseClickOnce) {
    SendMessageW(button_, WM_MOUSEMOVE, 0, MAKELPARAM(20, 10));
    SendMessageW(button_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
    EXPECT_EQ(GetFocus(), button_);
    ExpectNear(At(20, 0), 236, 233, 216, "pressed: the outer margin");
    ExpectNear(At(20, 2), 0, 60, 116, "pressed: the border one pixel in");
    SendMessageW(button_, WM_LBUTTONUP, 0, MAKELPARAM(20, 10));
    EXPECT_EQ(clicks_, 1);
    ExpectNear(At(20, 2), 255, 240, 207, "hovered and focused: the warm ring again");

    // A press that began elsewhere (on the dialog, say), released over the button: no click.
    ReleaseCapture();
    SendMessageW(button_, WM_LBUTTONUP, 0, MAKELPARAM(20, 10));
    EXPECT_EQ(clicks_, 1);

    SetCommandEnabled(button_, false);
    SendMessageW(button_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
    SendMessageW(button_, WM_LBUTTONUP, 0, MAKELPARAM(20, 10));
    EXPECT_EQ(clicks_, 1);
}

// Another button's release during a left press clicks (every release does) but keeps the mouse,
// so the left release that follows is still seen and ends the press; a capture taken away ends
// the press too, without a click, and the button is not left looking pressed.
TEST_F(Win32CommandButton, APressEndsWithItsLastButtonOrWhenTheMouseIsTakenAway) {
    SendMessageW(button_, WM_MOUSEMOVE, 0, MAKELPARAM(20, 10));
    SendMessageW(button_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
    SendMessageW(button_, WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, MAKELPARAM(20, 10));
    SendMessageW(button_, WM_RBUTTONUP, MK_LBUTTON, MAKELPARAM(20, 10));
    EXPECT_EQ(clicks_, 1);
    EXPECT_EQ(GetCapture(), button_) << "the capture went while the left button was still down";
    SendMessageW(button_, WM_LBUTTONUP, 0, MAKELPARAM(20, 10));
    EXPECT_EQ(clicks_, 2);
    EXPECT_EQ(GetCapture(), nullptr);
    ExpectNear(At(20, 2), 255, 240, 207, "after the press: the warm ring, not pressed");

    // Pressed, then the mouse captured by another window (as Alt+Tab or a menu would take it).
    SendMessageW(button_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
    ExpectNear(At(20, 2), 0, 60, 116, "pressed");
    SetCapture(parent_);
    EXPECT_EQ(clicks_, 2);
    ExpectNear(At(20, 2), 255, 240, 207, "the pressed look stayed after the capture was lost");
    ReleaseCapture();
    // The next hover and press work as ever.
    SendMessageW(button_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
    SendMessageW(button_, WM_LBUTTONUP, 0, MAKELPARAM(20, 10));
    EXPECT_EQ(clicks_, 3);
}

}  // namespace
