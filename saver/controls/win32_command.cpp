#include "win32_command.h"

#include <memory>

#include "command_button.h"
#include "saver/main/win32_platform.h"
#include "saver/main/win32_text.h"
#include "saver/main/win32_ui_text.h"

namespace {

constexpr UINT_PTR kPollTimer = 1;

// The caption label: 195 twips high, as wide as the face, where DrawSkin puts it.
RECT CaptionLabel(int width, int height, double twipsPerPixel) {
    RECT label = {0, static_cast<LONG>(CaptionTop(height * twipsPerPixel, 195.0) / twipsPerPixel), width, 0};
    label.bottom = label.top + static_cast<LONG>(195.0 / twipsPerPixel + 0.5);
    return label;
}
constexpr double kSourceTwipsPerPixel = 15.0;  // the skins are 960 x 375 twips at 64 x 25 pixels

class Win32Command : public CommandHost {
public:
    Win32Command(HWND window, const std::string& caption, std::function<void()> onClick, int dpi)
        : window_(window), caption_(caption), onClick_(std::move(onClick)), command_(*this) {
        if (dpi <= 0) {
            HDC screen = GetDC(nullptr);
            dpi = GetDeviceCaps(screen, LOGPIXELSY);
            ReleaseDC(nullptr, screen);
        }
        twipsPerPixel_ = 1440.0 / dpi;
        font_ = CreateFormFont(dpi, false);
    }
    ~Win32Command() override {
        if (face_) DeleteObject(face_);
        if (font_) DeleteObject(font_);
    }

    Command& Logic() { return command_; }

    // Releases the mouse at the end of a press; the capture change that follows is ours.
    void ReleaseOwnCapture() {
        releasing_ = true;
        ReleaseCapture();
        releasing_ = false;
    }
    bool ReleasingCapture() const { return releasing_; }

    // CommandHost
    void DrawSkin(Skin skin) override {
        inverted_ = GradientInverted(command_.mState, inverted_);
        skin_ = skin;
        Render();
    }
    // The caption is a label over the face: a change to its enabled look, colour or text shows
    // at once, on the face as it stands.
    void SetCaptionEnabled(bool enabled) override { Update(captionEnabled_, enabled); }
    void SetCaptionColour(uint32_t colour) override { Update(colour_, colour); }
    uint32_t CaptionColour() override { return colour_; }
    void StartPolling(unsigned ms) override { SetTimer(window_, kPollTimer, ms, nullptr); }
    void SetBackgroundOpaque(bool opaque) override { opaque_ = opaque; }
    bool BackgroundOpaque() override { return opaque_; }
    void PropertyChanged(const char*) override {}  // no saved layout at run time
    void RaiseClick() override {
        if (onClick_) onClick_();
    }
    std::string CaptionText() override { return caption_; }
    void SetCaptionText(const std::string& text) override { Update(caption_, text); }
    std::string CaptionFont() override { return WideToUtf8(UiText(QM_TEXT_FONT)); }
    void SetCaptionFont(const std::string&) override {}
    std::string AmbientFont() override { return CaptionFont(); }

    void Paint() {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window_, &paint);
        RECT client;
        GetClientRect(window_, &client);
        BlitBitmap(dc, face_, 0, 0, client.right, client.bottom);
        EndPaint(window_, &paint);
    }

private:
    template <typename T>
    void Update(T& field, const T& value) {
        if (field == value) return;
        field = value;
        if (face_) Render();
    }

    // The persistent image of the face: gradient, the skin's slices, the caption.
    void Render() {
        RECT client;
        GetClientRect(window_, &client);
        const int w = client.right, h = client.bottom;
        HDC screen = GetDC(window_);
        HDC dc = CreateCompatibleDC(screen);
        if (face_) DeleteObject(face_);
        face_ = CreateCompatibleBitmap(screen, w > 0 ? w : 1, h > 0 ? h : 1);
        HGDIOBJ old = SelectObject(dc, face_);
        FillGradient(dc, w, h);
        PaintSlices(dc, skin_, w, h);
        PaintCaption(dc, w, h);
        SelectObject(dc, old);
        DeleteDC(dc);
        ReleaseDC(window_, screen);
        InvalidateRect(window_, nullptr, FALSE);
    }

    // The vertical two-colour gradient over the whole face: vertex 0 at the top-left with the
    // top colour, vertex 1 at the bottom-right; the rectangle names them upper-left 1,
    // lower-right 0, and the colours follow the vertices' places.
    void FillGradient(HDC dc, int w, int h) {
        GradientColour top, bottom;
        GradientEnds(inverted_, top, bottom);
        TRIVERTEX vertices[2] = {{0, 0, top.red, top.green, top.blue, 0},
                                 {w - 1, h - 1, bottom.red, bottom.green, bottom.blue, 0}};
        GRADIENT_RECT rect = {1, 0};
        GradientFill(dc, vertices, 2, &rect, 1, GRADIENT_FILL_RECT_V);
    }

    void PaintSlices(HDC dc, Skin skin, int w, int h) {
        ResourceBitmap bitmap;
        if (!LoadResourceBitmap(kSkinResourceFirst + static_cast<int>(skin), bitmap)) return;
        const int sourceHeight = bitmap.info->bmiHeader.biHeight;
        const auto twipsW = static_cast<int16_t>(w * twipsPerPixel_), twipsH = static_cast<int16_t>(h * twipsPerPixel_);
        SetStretchBltMode(dc, HALFTONE);  // smooth where the screen scales the slices
        for (const SkinSlice& s : SkinSlices(twipsW, twipsH)) {
            const int dx = Px(s.x), dy = Px(s.y), dw = Px(s.x + s.width) - dx, dh = Px(s.y + s.height) - dy;
            const int sx = SourcePx(s.sourceX), sy = SourcePx(s.sourceY);
            const int sw = SourcePx(s.sourceX + s.sourceWidth) - sx, sh = SourcePx(s.sourceY + s.sourceHeight) - sy;
            if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) continue;
            // DIB rows run bottom-up: the source's y is counted from its bottom.
            StretchDIBits(dc, dx, dy, dw, dh, sx, sourceHeight - sy - sh, sw, sh, bitmap.bits, bitmap.info,
                          DIB_RGB_COLORS, SRCCOPY);
        }
    }

    void PaintCaption(HDC dc, int w, int h) {
        HGDIOBJ oldFont = SelectObject(dc, font_);
        SetBkMode(dc, TRANSPARENT);
        RECT label = CaptionLabel(w, h, twipsPerPixel_);
        const std::wstring text = Utf8ToWide(caption_);
        if (captionEnabled_) {
            SetTextColor(dc, colour_);
            DrawTextW(dc, text.c_str(), -1, &label, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
        } else {
            // The platform's disabled look: light text with a grey shadow.
            OffsetRect(&label, 1, 1);
            SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
            DrawTextW(dc, text.c_str(), -1, &label, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
            OffsetRect(&label, -1, -1);
            SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
            DrawTextW(dc, text.c_str(), -1, &label, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
        }
        SelectObject(dc, oldFont);
    }

    int Px(int twips) const { return static_cast<int>(twips / twipsPerPixel_); }
    static int SourcePx(int twips) { return static_cast<int>(twips / kSourceTwipsPerPixel); }

    HWND window_;
    bool releasing_ = false;
    std::string caption_;
    std::function<void()> onClick_;
    Command command_;
    double twipsPerPixel_ = 15.0;
    HFONT font_ = nullptr;
    HBITMAP face_ = nullptr;  // the persistent image of the face
    bool inverted_ = false;
    Skin skin_ = Skin::Normal;
    bool captionEnabled_ = true;
    uint32_t colour_ = 0;
    bool opaque_ = true;
};

Win32Command* Of(HWND window) { return reinterpret_cast<Win32Command*>(GetWindowLongPtrW(window, GWLP_USERDATA)); }

LRESULT CALLBACK CommandWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Win32Command* button = Of(window);
    if (!button) return DefWindowProcW(window, message, wParam, lParam);
    Command& c = button->Logic();
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        // The press brings the focus first, as the focus change precedes the button-down event.
        if (GetFocus() != window) SetFocus(window);
        SetCapture(window);
        c.MouseDown(message == WM_LBUTTONDOWN ? MouseButton::Left
                    : message == WM_RBUTTONDOWN ? MouseButton::Right : MouseButton::Middle);
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        // A release counts only after a press on this button, which captured the mouse (as a
        // form's controls do): a press elsewhere, dragged here and released, clicks nothing.
        // Every release clicks; the capture goes with the last button still down, so that the
        // left button's release after a right click is still seen.
        if (GetCapture() != window) return 0;
        if (!(wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON))) button->ReleaseOwnCapture();
        c.MouseUp(message == WM_LBUTTONUP ? MouseButton::Left
                  : message == WM_RBUTTONUP ? MouseButton::Right : MouseButton::Middle);
        return 0;
    case WM_CAPTURECHANGED:
        // Taken away (another window captured the mouse, the user switched programs): the press
        // is over, without a click.
        if (!button->ReleasingCapture() && reinterpret_cast<HWND>(lParam) != window) c.PressLost();
        return 0;
    case WM_MOUSEMOVE: c.MouseMove(); return 0;
    case WM_SETFOCUS: c.GotFocus(); return 0;
    case WM_KILLFOCUS: c.LostFocus(); return 0;
    case WM_SIZE: c.Resize(); return 0;
    case WM_TIMER: {
        POINT cursor;
        GetCursorPos(&cursor);
        c.PollTick(WindowFromPoint(cursor) == window);
        return 0;
    }
    case WM_PAINT: button->Paint(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        delete button;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

HWND CreateCommandButton(HWND parent, int x, int y, int width, int height, const std::string& caption,
                         std::function<void()> onClick, int dpi) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = CommandWindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
        windowClass.lpszClassName = L"QuillmoorCommand";
        registered = RegisterClassW(&windowClass) != 0;
    }
    HWND window = CreateWindowExW(0, L"QuillmoorCommand", Utf8ToWide(caption).c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                                  x, y, width, height, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window) return nullptr;
    auto* button = new Win32Command(window, caption, std::move(onClick), dpi);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(button));
    button->Logic().Enabled();  // the container's first read: enabled, first face
    button->Logic().Initialize();
    button->Logic().Resize();
    return window;
}

void SetCommandEnabled(HWND button, bool enabled) {
    Win32Command* b = Of(button);
    if (!b) return;
    b->Logic().SetEnabled(enabled);
    // The window itself stays enabled (the button draws its own disabled look); Tab passes over
    // a button that looks disabled, as over any disabled control.
    const LONG_PTR style = GetWindowLongPtrW(button, GWL_STYLE);
    SetWindowLongPtrW(button, GWL_STYLE, enabled ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP)));
}

bool CommandEnabled(HWND button) {
    Win32Command* b = Of(button);
    return b && b->Logic().mEnabled != 0;
}

RECT CommandCaptionRect(int width, int height, int dpi) { return CaptionLabel(width, height, 1440.0 / dpi); }
