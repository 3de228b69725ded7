// The black covers over the other monitors, on the real API: a click on one, as a user's hand
// would make it, is neither refused (a disabled window answers with a beep) nor lets the cover
// take the activation or the focus from the scene; and no pointer shows over one.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "renderer/window/win32_monitors.h"

namespace {

void Pump(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    while (GetTickCount() < end) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(10);
    }
}

void Click(int x, int y) {
    SetCursorPos(x, y);
    INPUT clicks[2] = {};
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, clicks, sizeof(INPUT));
}

TEST(Win32Covers, AClickOnACoverIsEatenWithoutTakingTheActivationOrTheFocus) {
    // The scene's stand-in: a window of ours, active and with the focus.
    HWND scene = CreateWindowExW(0, L"EDIT", L"scene", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 240, 120, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(scene, nullptr);
    SetForegroundWindow(scene);
    SetFocus(scene);
    Pump(200);
    ASSERT_EQ(GetActiveWindow(), scene);

    const RECT area = {400, 300, 640, 480};
    HWND cover = CreateCover(area);
    ASSERT_NE(cover, nullptr);
    Pump(200);
    EXPECT_TRUE(IsWindowEnabled(cover));
    EXPECT_TRUE(IsWindowVisible(cover));
    EXPECT_EQ(GetActiveWindow(), scene) << "showing the cover took the activation";

    Click(520, 390);
    Pump(300);
    EXPECT_EQ(GetActiveWindow(), scene) << "the click activated the cover";
    EXPECT_EQ(GetForegroundWindow(), scene);
    EXPECT_EQ(GetFocus(), scene);
    EXPECT_EQ(SendMessageW(cover, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(cover), MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
              MA_NOACTIVATEANDEAT);
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    SendMessageW(cover, WM_SETCURSOR, reinterpret_cast<WPARAM>(cover), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), nullptr) << "a pointer over the black";
    DestroyWindow(cover);
    DestroyWindow(scene);
}

TEST(Win32Covers, TheOtherMonitorsAreCoveredFromTheScenesStartAsTheyComeAndGo) {
    const Monitor primary = {{0, 0, 640, 480}, true, "\\\\.\\DISPLAY1"};
    const Monitor woken = {{-800, -120, 0, 480}, false, "\\\\.\\DISPLAY2"};
    const std::vector<Monitor> one = {primary}, two = {primary, woken};
    OtherMonitorCovers covers;
    covers.Follow(two);
    EXPECT_TRUE(covers.Laid().Windows().empty()) << "covered before the scene showed";
    // One monitor when the scene shows; another comes during the session.
    covers.Begin(one);
    EXPECT_TRUE(covers.Laid().Windows().empty());
    covers.Follow(two);
    ASSERT_EQ(covers.Laid().Windows().size(), 1u) << "a monitor that came during the session is not covered";
    const HWND cover = covers.Laid().Windows()[0];
    RECT placed;
    GetWindowRect(cover, &placed);
    EXPECT_EQ(placed.left, -800);
    EXPECT_EQ(placed.top, -120);
    EXPECT_EQ(placed.right, 0);
    EXPECT_EQ(placed.bottom, 480);
    EXPECT_TRUE(IsWindowVisible(cover));
    covers.Follow(two);
    ASSERT_EQ(covers.Laid().Windows().size(), 1u);
    EXPECT_EQ(covers.Laid().Windows()[0], cover) << "laid again over the same monitors: the desktop flashes";
    covers.Follow(one);
    EXPECT_TRUE(covers.Laid().Windows().empty());
    EXPECT_FALSE(IsWindow(cover)) << "the cover of a monitor that went stays";
    covers.Follow(two);
    covers.End();
    EXPECT_TRUE(covers.Laid().Windows().empty());
    covers.Follow(two);
    EXPECT_TRUE(covers.Laid().Windows().empty()) << "covered again after the session";
}

}  // namespace
