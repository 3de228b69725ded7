// The preview form in a pane of this process: it fills the pane with the picture of the saver
// at work, and it goes (and its loop returns) when the pane goes.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "renderer/image/image_file.h"
#include "saver/main/win32_forms.h"

namespace {

HWND pane = nullptr;
int paneWidth = 152, paneHeight = 112;
std::vector<COLORREF> samples;
RECT childRect = {};
const int kSampleX[3] = {10, 76, 140}, kSampleY[3] = {5, 56, 100};  // in the picture's 152 x 112

// Looks at the form a while after it appeared, then closes the pane as the settings page would.
void CALLBACK LookThenClose(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(pane, id);
    HWND child = FindWindowExW(pane, nullptr, nullptr, nullptr);
    if (child) {
        GetWindowRect(child, &childRect);
        HDC dc = GetDC(child);
        for (int y : kSampleY) {
            for (int x : kSampleX) samples.push_back(GetPixel(dc, x * paneWidth / 152, y * paneHeight / 112));
        }
        ReleaseDC(child, dc);
    }
    DestroyWindow(pane);
}

// At the pane's designed size the picture shows one to one; in the larger pane of a scaled
// screen (150 %) it is scaled to fill it.
TEST(Win32Preview, FillsThePaneUntilThePaneGoes) {
    RgbImage* picture = LoadImageFile(QM_RESOURCES "/preview.bmp");
    ASSERT_NE(picture, nullptr);
    for (const SIZE size : {SIZE{152, 112}, SIZE{228, 168}}) {
        paneWidth = size.cx;
        paneHeight = size.cy;
        samples.clear();
        pane = CreateWindowExW(0, L"STATIC", L"pane", WS_POPUP | WS_VISIBLE, 50, 50, paneWidth, paneHeight, nullptr,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(pane, nullptr);
        SetTimer(pane, 1, 1000, LookThenClose);
        RunPreviewForm(static_cast<int32_t>(reinterpret_cast<intptr_t>(pane)));  // returns with the pane
        EXPECT_FALSE(IsWindow(pane));
        EXPECT_EQ(childRect.right - childRect.left, paneWidth);
        EXPECT_EQ(childRect.bottom - childRect.top, paneHeight);
        EXPECT_EQ(childRect.left, 50);
        ASSERT_EQ(samples.size(), 9u);
        const int tolerance = paneWidth == 152 ? 8 : 24;
        size_t i = 0;
        for (int y : kSampleY) {
            for (int x : kSampleX) {
                const unsigned char* p = picture->data + (static_cast<size_t>(111 - y) * 152 + x) * 3;
                EXPECT_NEAR(GetRValue(samples[i]), p[0], tolerance) << x << "," << y << " in " << paneWidth;
                EXPECT_NEAR(GetGValue(samples[i]), p[1], tolerance) << x << "," << y << " in " << paneWidth;
                EXPECT_NEAR(GetBValue(samples[i]), p[2], tolerance) << x << "," << y << " in " << paneWidth;
                ++i;
            }
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
