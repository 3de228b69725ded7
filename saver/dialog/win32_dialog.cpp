// The settings dialog ("<クイルモア>", "<Quillmoor>"): a bluish gradient window with a brushed-metal panel of
// music controls, skinned buttons, a credit line and a link; modal; confirming writes the
// settings file.
#include "win32_dialog.h"

#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dialog_rules.h"
#include "saver/controls/win32_command.h"
#include "saver/main/paths.h"
#include "saver/main/settings.h"
#include "saver/main/win32_forms.h"
#include "saver/main/win32_platform.h"
#include "saver/main/win32_text.h"
#include "saver/main/win32_ui_text.h"

namespace {

constexpr UINT kDpiChanged = 0x02E0;  // WM_DPICHANGED: the window's screen has another DPI now
constexpr UINT kGetDpiScaledSize = 0x02E4;  // WM_GETDPISCALEDSIZE: the size wanted at a coming DPI
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;
constexpr int kBandPicture = 5, kOptionOff = 6, kOptionOn = 7, kHandCursor = 20;
const char kCreditText[] = "Quillmoor project    Ver.1.0.0";

void OpenWithShell(HWND owner, const wchar_t* address) {
    ShellExecuteW(owner, L"open", address, L"", L"", SW_SHOWNORMAL);
}

struct Dialog {
    HWND window = nullptr;
    HWND panel = nullptr;
    HWND repeat = nullptr;
    HWND fileButton = nullptr;
    HWND setButton = nullptr;
    HWND cancelButton = nullptr;
    HWND screenMode = nullptr;   // the check box that keeps the screen's resolution
    HWND allMonitors = nullptr;  // the check box of a scene on every monitor, usable with the one above
    int dpi = 96;
    DialogLayout layout;
    HFONT font = nullptr;
    HFONT linkFont = nullptr;
    HBITMAP background = nullptr;       // the gradient, kept between paints
    HBRUSH backgroundBrush = nullptr;   // the same, for controls that paint their own background
    HBITMAP panelBackground = nullptr;  // the band over the panel
    HBITMAP marks[2] = {};              // the option marks, off and on, at the screen's scale
    int markSide = 12;
    HCURSOR hand = nullptr;
    bool handMade = false;  // scaled here, so destroyed here
    bool linkPressed = false;
    bool done = false;
} dialog;

LinkOpener linkOpener = OpenWithShell;

int Scaled(int pixelsAt96) { return DialogPixels(pixelsAt96, dialog.dpi); }

// The header of a 32-bit picture, rows top down.
BITMAPINFO TopDown32(int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    return info;
}

// A picture as a 32-bit top-down DIB section (0xAARRGGBB), filled from `pixels` where given;
// `bits`, where asked for, receives the section's own pixels.
HBITMAP PictureBitmap(const uint32_t* pixels, int width, int height, uint32_t** bits = nullptr) {
    const BITMAPINFO info = TopDown32(width, height);
    void* memory = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
    if (!bitmap) return nullptr;
    if (pixels) std::memcpy(memory, pixels, static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    if (bits) *bits = static_cast<uint32_t*>(memory);
    return bitmap;
}

// A BMP resource's pixels, opaque, rows top down; empty where it cannot be read.
std::vector<uint32_t> ResourcePixels(int id, int& width, int& height) {
    std::vector<uint32_t> pixels;
    ResourceBitmap bitmap;
    if (!LoadResourceBitmap(id, bitmap)) return pixels;
    width = bitmap.info->bmiHeader.biWidth;
    height = std::abs(bitmap.info->bmiHeader.biHeight);
    if (width <= 0 || height <= 0 || width > 4096 || height > 4096) return pixels;
    uint32_t* bits = nullptr;
    HBITMAP target = PictureBitmap(nullptr, width, height, &bits);
    if (!target) return pixels;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, target);
    StretchDIBits(dc, 0, 0, width, height, 0, 0, width, height, bitmap.bits, bitmap.info, DIB_RGB_COLORS, SRCCOPY);
    GdiFlush();
    pixels.assign(bits, bits + static_cast<size_t>(width) * static_cast<size_t>(height));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(target);
    for (uint32_t& p : pixels) p |= 0xff000000u;
    return pixels;
}

// A BMP resource at the screen's scale, as a bitmap of width x height (its scaled size).
HBITMAP ScaledResource(int id, int& width, int& height) {
    int w = 0, h = 0;
    const std::vector<uint32_t> pixels = ResourcePixels(id, w, h);
    if (pixels.empty()) return nullptr;
    width = Scaled(w);
    height = Scaled(h);
    const std::vector<uint32_t> scaled = ScalePicture(pixels.data(), w, h, width, height);
    return scaled.empty() ? nullptr : PictureBitmap(scaled.data(), width, height);
}

// The link's hand pointer: the resource's own at 96 DPI; elsewhere its black, white and clear
// pixels scaled smoothly into a colour pointer with an alpha channel, its hot spot with it.
HCURSOR HandCursor() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HCURSOR own = LoadCursorW(instance, MAKEINTRESOURCEW(kHandCursor));
    if (dialog.dpi == 96 || !own) return own;
    ICONINFO icon = {};
    if (!GetIconInfo(own, &icon)) return own;
    BITMAP mask = {};
    GetObjectW(icon.hbmMask, sizeof mask, &mask);
    const int w = mask.bmWidth, h = mask.bmHeight / 2;  // the AND mask above the XOR mask
    std::vector<uint32_t> planes(static_cast<size_t>(w) * static_cast<size_t>(h) * 2), pixels;
    BITMAPINFO info = TopDown32(w, 2 * h);
    HDC dc = CreateCompatibleDC(nullptr);
    const bool read = w > 0 && h > 0 && !icon.hbmColor &&
                      GetDIBits(dc, icon.hbmMask, 0, static_cast<UINT>(2 * h), planes.data(), &info, DIB_RGB_COLORS) > 0;
    DeleteDC(dc);
    DeleteObject(icon.hbmMask);
    if (icon.hbmColor) DeleteObject(icon.hbmColor);
    if (!read) return own;
    const size_t area = static_cast<size_t>(w) * static_cast<size_t>(h);
    for (size_t i = 0; i < area; ++i) {
        const bool clear = (planes[i] & 0xffffff) != 0, light = (planes[area + i] & 0xffffff) != 0;
        pixels.push_back(clear && !light ? 0u : light && !clear ? 0xffffffffu : 0xff000000u);
    }
    const int side = Scaled(w), tall = Scaled(h);
    const std::vector<uint32_t> scaled = ScalePicture(pixels.data(), w, h, side, tall);
    ICONINFO made = {FALSE, static_cast<DWORD>(Scaled(static_cast<int>(icon.xHotspot))),
                     static_cast<DWORD>(Scaled(static_cast<int>(icon.yHotspot))), nullptr, nullptr};
    made.hbmColor = PictureBitmap(scaled.data(), side, tall);
    made.hbmMask = CreateBitmap(side, tall, 1, 1, nullptr);
    HCURSOR cursor = made.hbmColor && made.hbmMask ? CreateIconIndirect(&made) : nullptr;
    if (made.hbmColor) DeleteObject(made.hbmColor);
    if (made.hbmMask) DeleteObject(made.hbmMask);
    if (!cursor) return own;
    dialog.handMade = true;
    return cursor;
}

// The panel's persistent background: its colour covered with copies of the band picture at
// the screen's scale.
void MakePanelBackground(int width, int height) {
    HDC dc = CreateCompatibleDC(nullptr);
    const uint32_t grey = 0xffe0e0e0u;
    std::vector<uint32_t> fill(static_cast<size_t>(width) * static_cast<size_t>(height), grey);
    dialog.panelBackground = PictureBitmap(fill.data(), width, height);
    int bandWidth = 0, bandHeight = 0;
    HBITMAP band = ScaledResource(kBandPicture, bandWidth, bandHeight);
    HGDIOBJ old = SelectObject(dc, dialog.panelBackground);
    for (const auto& tile : BandTiles(bandWidth, bandHeight, width, height)) {
        BlitBitmap(dc, band, tile.first, tile.second, bandWidth, bandHeight);
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    if (band) DeleteObject(band);
}

// A label that sizes itself to its text: all of its ink shows, that of smoothed letters which
// spreads a little past their advance too (the layout leaves it room).
constexpr UINT kSizedLabel = DT_LEFT | DT_SINGLELINE | DT_NOCLIP;

void Text(HDC dc, const std::wstring& text, RECT rect, COLORREF colour, UINT format) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    DrawTextW(dc, text.c_str(), -1, &rect, format | DT_NOPREFIX);
}

void PaintPanel(HWND panel) {
    const DialogLayout& l = dialog.layout;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(panel, &paint);
    RECT client;
    GetClientRect(panel, &client);
    BlitBitmap(dc, dialog.panelBackground, 0, 0, client.right, client.bottom);
    HGDIOBJ oldFont = SelectObject(dc, dialog.font);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    const RECT& frame = l.box[kTitleFrame];
    Rectangle(dc, frame.left, frame.top, frame.right, frame.bottom);
    Text(dc, l.text[kTitle], l.box[kTitle], RGB(0, 0, 0), DT_CENTER | DT_SINGLELINE);
    const MusicSourceControls controls = ControlsForSource(BgmKind);
    for (int kind = 0; kind < 3; ++kind) {
        const RECT& mark = l.box[kMarkNone + kind];
        BlitBitmap(dc, dialog.marks[kind == controls.selectedMark ? 1 : 0], mark.left, mark.top, dialog.markSide,
             dialog.markSide);
        Text(dc, l.text[kLabelNone + kind], l.box[kLabelNone + kind], RGB(0, 0, 0), kSizedLabel);
    }
    Text(dc, l.text[kRepeatLabel], l.box[kRepeatLabel], RGB(0, 0, 0), kSizedLabel);
    const RECT& file = l.box[kFileLabel];
    Rectangle(dc, file.left, file.top, file.right, file.bottom);  // the file label's border
    const RECT inside = {file.left + Scaled(3), file.top + Scaled(2), file.right - Scaled(2), file.bottom - Scaled(2)};
    Text(dc, Utf8ToWide(BgmFile), inside, RGB(0, 0, 0), DT_LEFT | DT_WORDBREAK);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldFont);
    EndPaint(panel, &paint);
}

// Marks, enabled states and the panel's picture for the source `kind`.
void SelectMusicSource(int kind) {
    BgmKind = static_cast<int16_t>(kind);
    const MusicSourceControls controls = ControlsForSource(BgmKind);
    SetCommandEnabled(dialog.fileButton, false);
    EnableWindow(dialog.repeat, FALSE);
    if (controls.repeatEnabled) EnableWindow(dialog.repeat, TRUE);
    if (controls.fileEnabled) SetCommandEnabled(dialog.fileButton, true);
    InvalidateRect(dialog.panel, nullptr, FALSE);
}

POINT PointOf(LPARAM lParam) { return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}; }

LRESULT CALLBACK PanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: PaintPanel(panel); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {  // any button on a mark or its label (as large as its text) chooses that source
        const POINT at = PointOf(lParam);
        for (int kind = 0; kind < 3; ++kind) {
            if (PtInRect(&dialog.layout.box[kMarkNone + kind], at) || PtInRect(&dialog.layout.box[kLabelNone + kind], at)) {
                SelectMusicSource(kind);
            }
        }
        return 0;
    }
    }
    return DefWindowProcW(panel, message, wParam, lParam);
}

// The file chooser: MP3 and WAV files, opening in BgmFolder. The wide variant, so a chosen
// path keeps its characters on any code page.
void ChooseFile() {
    wchar_t file[256] = L"";
    wchar_t title[256] = L"";
    const std::wstring folder = Utf8ToWide(BgmFolder);
    const std::wstring chooserTitle = UiText(QM_TEXT_CHOOSER_TITLE);
    const std::wstring filter = UiText(QM_TEXT_CHOOSER_FILTER) + L'\0' + L"*.MP3;*.WAV" + L'\0' + L'\0';
    OPENFILENAMEW chooser = {};
    chooser.lStructSize = OPENFILENAME_SIZE_VERSION_400W;  // without the later fields (76 bytes in a 32-bit program)
    chooser.hwndOwner = dialog.window;
    chooser.hInstance = GetModuleHandleW(nullptr);
    chooser.lpstrFilter = filter.c_str();
    chooser.lpstrFile = file;
    chooser.nMaxFile = 255;
    chooser.lpstrFileTitle = title;
    chooser.nMaxFileTitle = 255;
    chooser.lpstrInitialDir = folder.c_str();
    chooser.lpstrTitle = chooserTitle.c_str();
    if (GetOpenFileNameW(&chooser) > 0) {
        std::wstring chosen = file;
        // The settings file is written in the ANSI code page: a path it cannot hold is kept in
        // its short form, which it can; with none, the earlier choice stays.
        if (!FitsAnsiCodePage(chosen)) {
            wchar_t shortPath[MAX_PATH] = L"";
            const DWORD length = GetShortPathNameW(file, shortPath, MAX_PATH);
            chosen = length > 0 && length < MAX_PATH && FitsAnsiCodePage(shortPath) ? shortPath : L"";
        }
        if (chosen.empty()) {
            MessageBoxW(dialog.window, UiText(QM_TEXT_PATH_REFUSED).c_str(), UiText(QM_TEXT_DIALOG_TITLE).c_str(),
                        MB_OK | MB_ICONEXCLAMATION);
        } else {
            BgmFile = WideToUtf8(chosen);
            BgmFolder = FolderOfPath(BgmFile);
            InvalidateRect(dialog.panel, nullptr, FALSE);
        }
    }
    SetFocus(dialog.fileButton);  // back where the user was, chosen or not
}

// The focus on the first control in the tab order that takes it (the repeat box, "...", the two
// buttons, the check box), by Tab's own rule (a visible, enabled tab stop; a button that looks
// disabled is no tab stop), so the first focus is where Tab from the last control would land.
void FocusFirstTabStop() {
    for (HWND control : {dialog.repeat, dialog.fileButton, dialog.setButton, dialog.cancelButton, dialog.screenMode,
                         dialog.allMonitors}) {
        if (IsWindowVisible(control) && IsWindowEnabled(control) && (GetWindowLongW(control, GWL_STYLE) & WS_TABSTOP)) {
            SetFocus(control);
            return;
        }
    }
}

class ProfileWriter : public SettingsWriter {
public:
    bool Write(const std::string& file, const std::string& key, const std::string& value) override {
        return WriteProfileString(kSettingsSection, key, value, file);
    }
    bool Remove(const std::string& file, const std::string& key) override {
        return RemoveProfileKey(kSettingsSection, key, file);
    }
};

void Close() {
    ZoomToPoint(dialog.window);
    DestroyWindow(dialog.window);
}

void Confirm() {
    wchar_t text[64] = L"";
    GetWindowTextW(dialog.repeat, text, 64);
    ScreenMode = SendMessageW(dialog.screenMode, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
    AllMonitors = SendMessageW(dialog.allMonitors, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
    Win32Settings<SettingsPlatform> places;
    const std::vector<std::string> files = SettingsFilesToWrite(places);
    ProfileWriter writer;
    if (ConfirmSettings(writer, WideToUtf8(text), files).empty()) {
        // Nothing was stored: the user is told where, and the dialog stays with the choice in it.
        std::wstring message = UiText(QM_TEXT_NOT_SAVED);
        for (const std::string& file : files) message += L"\n" + Utf8ToWide(file);
        MessageBoxW(dialog.window, message.c_str(), UiText(QM_TEXT_DIALOG_TITLE).c_str(), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    Close();
}

// Form_Resize: the background gradient, line by line.
void PaintBackground(int width, int height) {
    HDC screen = GetDC(dialog.window);
    if (dialog.background) DeleteObject(dialog.background);
    dialog.background = CreateCompatibleBitmap(screen, width, height);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, dialog.background);
    for (int y = 0; y <= height; ++y) {
        uint8_t r, g, b;
        BackgroundColourAt(y, height, r, g, b);
        HPEN pen = CreatePen(PS_SOLID, 1, RGB(r, g, b));
        HGDIOBJ oldPen = SelectObject(dc, pen);
        MoveToEx(dc, 0, y, nullptr);
        LineTo(dc, width, y);
        SelectObject(dc, oldPen);
        DeleteObject(pen);
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(dialog.window, screen);
    if (dialog.backgroundBrush) DeleteObject(dialog.backgroundBrush);
    dialog.backgroundBrush = CreatePatternBrush(dialog.background);
}

// The fonts, the layout and the pictures, for a screen of `dpi`.
void MakeResources(int dpi) {
    dialog.dpi = dpi;
    dialog.font = CreateFormFont(dpi, false);
    dialog.linkFont = CreateFormFont(dpi, true);
    HDC screen = GetDC(nullptr);
    HGDIOBJ oldFont = SelectObject(screen, dialog.font);
    dialog.layout = LayOutDialog(screen, dpi);
    SelectObject(screen, oldFont);
    ReleaseDC(nullptr, screen);
    for (int on = 0; on < 2; ++on) {
        int height = 0;
        dialog.marks[on] = ScaledResource(on ? kOptionOn : kOptionOff, dialog.markSide, height);
    }
    dialog.hand = HandCursor();
}

void FreeResources() {
    for (HGDIOBJ* object : {reinterpret_cast<HGDIOBJ*>(&dialog.font), reinterpret_cast<HGDIOBJ*>(&dialog.linkFont),
                            reinterpret_cast<HGDIOBJ*>(&dialog.panelBackground),
                            reinterpret_cast<HGDIOBJ*>(&dialog.marks[0]), reinterpret_cast<HGDIOBJ*>(&dialog.marks[1])}) {
        if (*object) DeleteObject(*object);
        *object = nullptr;
    }
    if (dialog.handMade) DestroyCursor(dialog.hand);
    dialog.hand = nullptr;
    dialog.handMade = false;
}

// A check box on the dialog itself, in its place of the layout, ticked or not; last in the tab
// order so far.
HWND MakeCheckBox(int item, bool checked) {
    const RECT& box = dialog.layout.box[item];
    HWND check = CreateWindowExW(0, L"BUTTON", dialog.layout.text[item].c_str(),
                                 WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, box.left, box.top,
                                 box.right - box.left, box.bottom - box.top, dialog.window, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    SendMessageW(check, WM_SETFONT, reinterpret_cast<WPARAM>(dialog.font), FALSE);
    SendMessageW(check, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    return check;
}

// The monitors' box is of use only with the screen kept as it is: a display switched to
// 1024 x 768 has its scene on the primary monitor alone.
void FollowScreenMode() {
    EnableWindow(dialog.allMonitors, SendMessageW(dialog.screenMode, BM_GETCHECK, 0, 0) == BST_CHECKED);
}

// The panel with its controls, the two buttons and the check boxes, as laid out; the repeat box
// shows `repeatText`, the check boxes `screenModeChecked` and `allMonitorsChecked`, and the
// controls' states follow the chosen source and the screen mode.
void MakeControls(const std::wstring& repeatText, bool screenModeChecked, bool allMonitorsChecked) {
    const DialogLayout& l = dialog.layout;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    // A control parent, so that Tab reaches the repeat box and the file button inside it.
    const RECT& panel = l.panel;
    dialog.panel = CreateWindowExW(WS_EX_CONTROLPARENT, L"QuillmoorPanel", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_CLIPCHILDREN,
                                   panel.left, panel.top, panel.right - panel.left, panel.bottom - panel.top,
                                   dialog.window, nullptr, instance, nullptr);
    RECT inside = {};
    GetClientRect(dialog.panel, &inside);
    MakePanelBackground(inside.right, inside.bottom);
    const RECT& repeat = l.box[kRepeatBox];
    dialog.repeat = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN,
                                    repeat.left, repeat.top, repeat.right - repeat.left, Scaled(220), dialog.panel,
                                    nullptr, instance, nullptr);
    SendMessageW(dialog.repeat, WM_SETFONT, reinterpret_cast<WPARAM>(dialog.font), FALSE);
    for (int n = 0; n <= 30; ++n) {
        SendMessageW(dialog.repeat, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Utf8ToWide(RepeatText(n)).c_str()));
    }
    SetWindowTextW(dialog.repeat, repeatText.c_str());
    const auto button = [&](HWND parent, int item, void (*onClick)()) {
        const RECT& r = l.box[item];
        return CreateCommandButton(parent, r.left, r.top, r.right - r.left, r.bottom - r.top, WideToUtf8(l.text[item]),
                                   onClick, dialog.dpi);
    };
    dialog.fileButton = button(dialog.panel, kFileButton, ChooseFile);
    dialog.setButton = button(dialog.window, kSetButton, Confirm);
    dialog.cancelButton = button(dialog.window, kCancelButton, Close);
    // The check boxes, the screen mode's above the buttons and the monitors' below them; last in
    // the tab order, so that the first focus stays where it was before they were added.
    dialog.screenMode = MakeCheckBox(kScreenMode, screenModeChecked);
    dialog.allMonitors = MakeCheckBox(kAllMonitors, allMonitorsChecked);
    FollowScreenMode();
    SelectMusicSource(BgmKind);
}

// The window's size for the layout's client area at `dpi`: the frame as the system draws it at
// that DPI (its caption does not scale in proportion), where the system can say; at the
// screen's otherwise.
SIZE WindowSizeFor(int dpi) {
    RECT frame = {0, 0, DialogPixels(492, dpi), DialogPixels(246, dpi)};
    using ForDpi = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    const auto adjust = reinterpret_cast<ForDpi>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
    if (!adjust || !adjust(&frame, kStyle, FALSE, kExStyle, static_cast<UINT>(dpi))) {
        AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    }
    return {frame.right - frame.left, frame.bottom - frame.top};
}

// The dialog on a screen of another DPI (moved to another monitor, or the scale changed): all of
// it again at the new scale, at the place the system suggests (or where it is) and at its own
// size for that DPI, with the repeat text, the choice and the focus kept.
void ScaleTo(int dpi, const RECT* suggested) {
    wchar_t text[64] = L"";
    GetWindowTextW(dialog.repeat, text, 64);
    HWND focus = GetFocus();
    HWND* const focusable[] = {&dialog.repeat, &dialog.fileButton, &dialog.setButton, &dialog.cancelButton,
                               &dialog.screenMode, &dialog.allMonitors};
    int focused = -1;
    for (int i = 0; i < 6; ++i) {
        if (focus && (focus == *focusable[i] || IsChild(*focusable[i], focus))) focused = i;
    }
    const bool screenMode = SendMessageW(dialog.screenMode, BM_GETCHECK, 0, 0) == BST_CHECKED;
    const bool allMonitors = SendMessageW(dialog.allMonitors, BM_GETCHECK, 0, 0) == BST_CHECKED;
    DestroyWindow(dialog.panel);  // with the repeat box and the file button
    DestroyWindow(dialog.setButton);
    DestroyWindow(dialog.cancelButton);
    DestroyWindow(dialog.screenMode);
    DestroyWindow(dialog.allMonitors);
    FreeResources();
    MakeResources(dpi);
    RECT place;
    if (suggested) {
        place = *suggested;
    } else {
        GetWindowRect(dialog.window, &place);
    }
    const SIZE size = WindowSizeFor(dpi);
    SetWindowPos(dialog.window, nullptr, place.left, place.top, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    MakeControls(text, screenMode, allMonitors);
    if (focused >= 0) SetFocus(*focusable[focused]);
    InvalidateRect(dialog.window, nullptr, FALSE);
}

// The DPI of the screen the dialog opens on (the primary monitor), or of the window's monitor,
// where the system can tell them apart; the screen's otherwise.
int StartingDpi() {
    using MonitorDpi = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    UINT x = 0, y = 0;
    if (HMODULE shcore = LoadLibraryW(L"shcore.dll")) {
        const auto get = reinterpret_cast<MonitorDpi>(reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")));
        const bool known = get && SUCCEEDED(get(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), 0, &x, &y));
        FreeLibrary(shcore);
        if (known && y > 0) return static_cast<int>(y);
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}
int WindowDpi(HWND window) {
    using ForWindow = UINT(WINAPI*)(HWND);
    const auto get = reinterpret_cast<ForWindow>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    const UINT dpi = get ? get(window) : 0;
    return dpi > 0 ? static_cast<int>(dpi) : dialog.dpi;
}

void PaintDialog(HWND window) {
    const DialogLayout& l = dialog.layout;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    // The client area as it is (a frame drawn otherwise than asked can leave it larger than the
    // layout): the background, made at its size, covers all of it.
    RECT client;
    GetClientRect(window, &client);
    BlitBitmap(dc, dialog.background, 0, 0, client.right, client.bottom);
    HGDIOBJ oldFont = SelectObject(dc, dialog.font);
    Text(dc, l.text[kCredit], l.box[kCredit], RGB(255, 255, 255), kSizedLabel);
    SelectObject(dc, dialog.linkFont);
    Text(dc, l.text[kLink], l.box[kLink], RGB(255, 255, 255), kSizedLabel);
    SelectObject(dc, oldFont);
    EndPaint(window, &paint);
}

LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const RECT& link = dialog.layout.box[kLink];
    switch (message) {
    case WM_SIZE: PaintBackground(LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_PAINT: PaintDialog(window); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETCURSOR: {
        POINT at;
        GetCursorPos(&at);
        ScreenToClient(window, &at);
        if (LOWORD(lParam) == HTCLIENT && PtInRect(&link, at)) {
            SetCursor(dialog.hand);
            return TRUE;
        }
        break;
    }
    // The link opens on a click: a press on it and the release on it.
    case WM_LBUTTONDOWN:
        dialog.linkPressed = PtInRect(&link, PointOf(lParam)) != FALSE;
        if (dialog.linkPressed) SetCapture(window);
        return 0;
    case WM_LBUTTONUP: {
        const bool click = dialog.linkPressed && PtInRect(&link, PointOf(lParam));
        dialog.linkPressed = false;
        if (GetCapture() == window) ReleaseCapture();
        if (click) {
            HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
            linkOpener(window, dialog.layout.text[kLink].c_str());
            SetCursor(old);
        }
        return 0;
    }
    case WM_CAPTURECHANGED: dialog.linkPressed = false; return 0;
    case WM_COMMAND:
        if (reinterpret_cast<HWND>(lParam) == dialog.screenMode && HIWORD(wParam) == BN_CLICKED) FollowScreenMode();
        break;
    case WM_CTLCOLORSTATIC:  // a check box: white text (grey while it cannot be used) on the gradient behind it
        if ((reinterpret_cast<HWND>(lParam) == dialog.screenMode || reinterpret_cast<HWND>(lParam) == dialog.allMonitors) &&
            dialog.backgroundBrush) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, IsWindowEnabled(reinterpret_cast<HWND>(lParam)) ? RGB(255, 255, 255) : RGB(150, 150, 165));
            SetBkMode(dc, TRANSPARENT);
            RECT at;
            GetWindowRect(reinterpret_cast<HWND>(lParam), &at);
            MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&at), 2);
            SetBrushOrgEx(dc, -at.left, -at.top, nullptr);
            return reinterpret_cast<LRESULT>(dialog.backgroundBrush);
        }
        break;
    case kGetDpiScaledSize: {  // the system asks before it suggests a place at the new DPI
        *reinterpret_cast<SIZE*>(lParam) = WindowSizeFor(static_cast<int>(wParam));
        return TRUE;
    }
    case kDpiChanged: ScaleTo(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam)); return 0;
    case WM_CLOSE: Close(); return 0;
    case WM_DESTROY: dialog.done = true; return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int CheckTextOffset(int dpi) { return DialogPixels(13, dpi) + DialogPixels(4, dpi); }

DialogLayout LayOutDialog(HDC measure, int dpi, LANGID language) {
    const auto px = [dpi](int pixelsAt96) { return DialogPixels(pixelsAt96, dpi); };
    const auto text = [language](int id) { return language ? UiTextIn(id, language) : UiText(id); };
    DialogLayout l;
    const auto fixed = [&](int item, int x, int y, int width, int height, const std::wstring& text = L"") {
        l.box[item] = {px(x), px(y), px(x) + px(width), px(y) + px(height)};
        l.text[item] = text;
    };
    // A text's width: its letters' advance, and a margin for the ink that smoothed letters spread
    // a pixel or two past it, which a check box would cut and the next control must keep clear of.
    const auto inked = [&](const std::wstring& text, SIZE& extent) {
        GetTextExtentPoint32W(measure, text.c_str(), static_cast<int>(text.size()), &extent);
        extent.cx += px(2);
    };
    const auto sized = [&](int item, int x, int y, const std::wstring& text) {  // as large as its text
        SIZE extent = {};
        inked(text, extent);
        l.box[item] = {px(x), px(y), px(x) + extent.cx, px(y) + extent.cy};
        l.text[item] = text;
    };
    l.client = {px(492), px(246)};
    l.panel = {px(12), px(16), px(12) + px(469), px(16) + px(165)};
    fixed(kTitleFrame, 20, 20, 113, 21);
    fixed(kTitle, 20, 24, 111, 13, text(QM_TEXT_MUSIC));
    fixed(kMarkCd, 28, 56, 13, 13);
    fixed(kMarkNone, 28, 76, 13, 13);
    fixed(kMarkFile, 28, 96, 13, 13);
    sized(kLabelCd, 44, 56, text(QM_TEXT_CD));
    sized(kLabelNone, 44, 76, text(QM_TEXT_NONE));
    sized(kLabelFile, 44, 96, text(QM_TEXT_FILE));
    fixed(kRepeatBox, 112, 52, 41, 20);
    sized(kRepeatLabel, 156, 56, text(QM_TEXT_REPEAT));
    fixed(kFileButton, 28, 112, 41, 25, L"...");
    fixed(kFileLabel, 72, 116, 381, 33);
    sized(kCredit, 12, 192, Utf8ToWide(kCreditText));
    sized(kLink, 12, 208, text(QM_TEXT_LINK));
    fixed(kSetButton, 316, 200, 81, 25, text(QM_TEXT_SET));
    fixed(kCancelButton, 400, 200, 81, 25, text(QM_TEXT_CANCEL));
    // The check boxes: the screen mode's between the panel and the buttons, the monitors' below
    // them; each the check's square, a gap, then its text as wide as it is, at the buttons' left
    // edge, or as much further left as keeps a longer text within their right edge.
    const auto check = [&](int item, int y, const std::wstring& label) {
        SIZE extent = {};
        inked(label, extent);
        const int width = CheckTextOffset(dpi) + extent.cx, left = std::min(px(316), px(481) - width);
        l.box[item] = {left, px(y), left + width, px(y) + std::max<int>(extent.cy, px(13))};
        l.text[item] = label;
    };
    check(kScreenMode, 183, text(QM_TEXT_SCREEN_MODE));
    check(kAllMonitors, 229, text(QM_TEXT_ALL_MONITORS));
    return l;
}

void SetLinkOpener(LinkOpener opener) { linkOpener = opener ? opener : OpenWithShell; }

void RunSettingsDialog() {
    dialog = Dialog{};  // a fresh dialog each time it opens
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DialogProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = L"QuillmoorSettings";
    RegisterClassW(&windowClass);
    windowClass.lpfnWndProc = PanelProc;
    windowClass.hIcon = nullptr;
    windowClass.lpszClassName = L"QuillmoorPanel";
    RegisterClassW(&windowClass);

    // The program is DPI-aware: the dialog scales itself to the screen, as a form does, from
    // its design at 96 DPI.
    MakeResources(StartingDpi());
    const SIZE size = WindowSizeFor(dialog.dpi);
    const auto place = DialogPosition(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), size.cx, size.cy);
    dialog.window = CreateWindowExW(kExStyle, L"QuillmoorSettings", UiText(QM_TEXT_DIALOG_TITLE).c_str(), kStyle,
                                    place.first, place.second, size.cx, size.cy, nullptr, nullptr, instance, nullptr);
    if (!dialog.window) {
        FreeResources();
        return;
    }
    // The program's icon in the caption and the task switcher. Windows leaves the class icon out
    // of a modal-frame caption; icons given to the window itself are shown.
    for (const auto& icon : {std::make_pair(ICON_BIG, SM_CXICON), std::make_pair(ICON_SMALL, SM_CXSMICON)}) {
        const int side = GetSystemMetrics(icon.second);
        SendMessageW(dialog.window, WM_SETICON, icon.first,
                     reinterpret_cast<LPARAM>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, side, side, LR_SHARED)));
    }
    MakeControls(Utf8ToWide(RepeatText(BgmRepeat)), ScreenMode == 1, AllMonitors == 1);
    if (WindowDpi(dialog.window) != dialog.dpi) ScaleTo(WindowDpi(dialog.window), nullptr);

    POINT cursor;
    if (GetCursorPos(&cursor)) {
        StoreZoomCoordinate(cursor.x, ZoomOriginX);
        StoreZoomCoordinate(cursor.y, ZoomOriginY);
    } else {
        ZoomOriginX = ZoomOriginY = 0;
    }
    ZoomFromPoint(dialog.window);
    ShowWindow(dialog.window, SW_SHOW);
    UpdateWindow(dialog.window);
    FocusFirstTabStop();

    MSG msg;
    while (!dialog.done && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(dialog.window, &msg)) continue;  // Tab moves between the controls
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    FreeResources();
    if (dialog.background) DeleteObject(dialog.background);
    if (dialog.backgroundBrush) DeleteObject(dialog.backgroundBrush);
}
