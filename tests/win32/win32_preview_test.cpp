// The preview form in a pane of this process: it fills the pane with the picture of the saver
// at work, and it goes (and its loop returns) when the pane goes.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "renderer/image/image_file.h"
#include "saver/main/win32_forms.h"

namespace {

HWND pane = nullptr;
std::vector<COLORREF> samples;
RECT childRect = {};

// Looks at the form a while after it appeared, then closes the pane as the settings page would.
void CALLBACK LookThenClose(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(pane, id);
    HWND child = FindWindowExW(pane, nullptr, nullptr, nullptr);
    if (child) {
        GetWindowRect(child, &childRect);
        HDC dc = GetDC(child);
        for (int y : {5, 56, 100}) {
            for (int x : {10, 76, 140}) samples.push_back(GetPixel(dc, x, y));
        }
        ReleaseDC(child, dc);
    }
    DestroyWindow(pane);
}

TEST(Win32Preview, FillsThePaneUntilThePaneGoes) {
    pane = CreateWindowExW(0, L"STATIC", L"pane", WS_POPUP | WS_VISIBLE, 50, 50, 152, 112, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(pane, nullptr);
    SetTimer(pane, 1, 1000, LookThenClose);
    RunPreviewForm(static_cast<int32_t>(reinterpret_cast<intptr_t>(pane)));  // returns with the pane
    EXPECT_FALSE(IsWindow(pane));
    EXPECT_EQ(childRect.right - childRect.left, 152);
    EXPECT_EQ(childRect.bottom - childRect.top, 112);
    EXPECT_EQ(childRect.left, 50);
    ASSERT_EQ(samples.size(), 9u);
    // At the pane's designed size the picture shows one to one.
    RgbImage* picture = LoadImageFile(QM_RESOURCES "/preview.bmp");
    ASSERT_NE(picture, nullptr);
    size_t i = 0;
    for (int y : {5, 56, 100}) {
        for (int x : {10, 76, 140}) {
            const unsigned char* p = picture->data + (static_cast<size_t>(111 - y) * 152 + x) * 3;
            EXPECT_NEAR(GetRValue(samples[i]), p[0], 8) << x << "," << y;
            EXPECT_NEAR(GetGValue(samples[i]), p[1], 8) << x << "," << y;
            EXPECT_NEAR(GetBValue(samples[i]), p[2], 8) << x << "," << y;
            ++i;
        }
    }
    FreeRgbImage(picture);
}

bool loopRan = false;
void CALLBACK EndLoop(HWND, UINT, UINT_PTR id, DWORD) {
    loopRan = true;
    KillTimer(nullptr, id);
    PostQuitMessage(0);
}

// A pane handle that is no window: nothing is shown and no message loop runs (a guard timer
// would end one after 2 s, and say so).
TEST(Win32Preview, NoWindowNoPreview) {
    const UINT_PTR guard = SetTimer(nullptr, 0, 2000, EndLoop);
    RunPreviewForm(0x7ffffff0);
    KillTimer(nullptr, guard);
    EXPECT_FALSE(loopRan);
    EXPECT_EQ(FindWindowW(L"QuillmoorPreview", nullptr), nullptr);
}

}  // namespace
