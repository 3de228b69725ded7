// The preview form: a child of the settings page's little pane that shows a still picture of
// the saver at work, until the pane goes.
#include <windows.h>

#include "saver/main/win32_forms.h"
#include "saver/main/win32_platform.h"

namespace {

constexpr int kPreviewPicture = 3;     // the saver at work, 152 x 112
constexpr int kBackgroundPicture = 4;  // a dim 3-D panel on black, 152 x 112

// A BMP file stored as a resource, drawn stretched over the rectangle (0, 0, width, height).
void DrawPicture(HDC dc, int resource, int width, int height) {
    ResourceBitmap bitmap;
    if (!LoadResourceBitmap(resource, bitmap)) return;
    SetStretchBltMode(dc, HALFTONE);
    StretchDIBits(dc, 0, 0, width, height, 0, 0, bitmap.info->bmiHeader.biWidth, bitmap.info->bmiHeader.biHeight,
                  bitmap.bits, bitmap.info, DIB_RGB_COLORS, SRCCOPY);
}

LRESULT CALLBACK PreviewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        DrawPicture(dc, kBackgroundPicture, client.right, client.bottom);
        DrawPicture(dc, kPreviewPicture, client.right, client.bottom);  // covers the background
        EndPaint(window, &paint);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_DESTROY:  // closed, or gone with the pane: the program ends
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void RunPreviewForm(int32_t parentWindow) {
    HWND pane = reinterpret_cast<HWND>(static_cast<intptr_t>(parentWindow));
    // A handle that is no window leaves nothing to show in: the program ends at once.
    if (!IsWindow(pane)) return;
    RECT rect;
    GetWindowRect(pane, &rect);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = PreviewWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = L"QuillmoorPreview";
    RegisterClassW(&windowClass);
    HWND form = CreateWindowExW(0, L"QuillmoorPreview", L"Preview Window", WS_POPUP, 0, 0, width, height, nullptr,
                                nullptr, windowClass.hInstance, nullptr);
    if (!form) return;
    // A child of the pane (a child cannot also be a popup), filling it.
    SetWindowLongW(form, GWL_STYLE, (GetWindowLongW(form, GWL_STYLE) & ~WS_POPUP) | WS_CHILD);
    SetParent(form, pane);
    MoveWindow(form, 0, 0, width, height, FALSE);
    ShowWindow(form, SW_SHOW);
    InvalidateRect(form, nullptr, FALSE);
    UpdateWindow(form);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}
