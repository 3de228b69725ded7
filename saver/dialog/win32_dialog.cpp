// The settings dialog "<クイルモア>": a bluish gradient window with a brushed-metal panel of
// music controls, skinned buttons, a credit line and a link; modal; confirming writes the
// settings file.
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "dialog_rules.h"
#include "saver/controls/win32_command.h"
#include "saver/main/paths.h"
#include "saver/main/settings.h"
#include "saver/main/sub_main.h"
#include "saver/main/win32_forms.h"
#include "saver/main/win32_platform.h"
#include "saver/main/win32_text.h"

namespace {

constexpr int kClientWidth = 492, kClientHeight = 246;
constexpr int kBandPicture = 5, kOptionOff = 6, kOptionOn = 7, kHandCursor = 20;
const char kCredit[] = "Quillmoor project    Ver.1.0.0";
const char kLink[] = "https://quillmoor.example.org/";

struct Dialog {
    HWND window = nullptr;
    HWND panel = nullptr;
    HWND repeat = nullptr;
    HWND fileButton = nullptr;
    HWND setButton = nullptr;
    HWND cancelButton = nullptr;
    HFONT font = nullptr;
    HFONT linkFont = nullptr;
    HBITMAP background = nullptr;  // the gradient, kept between paints
    RECT linkRect = {};
    bool done = false;
} dialog;

// Option rows in the panel, by music source: the mark's and the label's rectangles.
const RECT kMarks[3] = {{28, 76, 41, 89}, {28, 56, 41, 69}, {28, 96, 41, 109}};
const RECT kLabels[3] = {{44, 76, 100, 90}, {44, 56, 108, 70}, {44, 96, 110, 110}};
const char* const kLabelTexts[3] = {"なし", "音楽CD", "MP3、WAV"};

// A BMP file stored as a resource, drawn at (x, y) at its own size.
void DrawResourceBmp(HDC dc, int id, int x, int y) {
    ResourceBitmap bitmap;
    if (!LoadResourceBitmap(id, bitmap)) return;
    const BITMAPINFOHEADER& h = bitmap.info->bmiHeader;
    SetDIBitsToDevice(dc, x, y, h.biWidth, h.biHeight, 0, 0, 0, h.biHeight, bitmap.bits, bitmap.info, DIB_RGB_COLORS);
}

void Text(HDC dc, const std::string& text, RECT rect, COLORREF colour, UINT format) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    DrawTextW(dc, Utf8ToWide(text).c_str(), -1, &rect, format | DT_NOPREFIX);
}

void PaintPanel(HWND panel) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(panel, &paint);
    RECT client;
    GetClientRect(panel, &client);
    for (const auto& tile : BandTiles(556, 20, client.right, client.bottom)) {
        DrawResourceBmp(dc, kBandPicture, tile.first, tile.second);
    }
    HGDIOBJ oldFont = SelectObject(dc, dialog.font);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, 20, 20, 20 + 113, 20 + 21);  // the frame of the panel title
    Text(dc, "BGM", {20, 24, 131, 37}, RGB(0, 0, 0), DT_CENTER | DT_SINGLELINE);
    const MusicSourceControls controls = ControlsForSource(BgmKind);
    for (int kind = 0; kind < 3; ++kind) {
        DrawResourceBmp(dc, kind == controls.selectedMark ? kOptionOn : kOptionOff, kMarks[kind].left,
                        kMarks[kind].top);
        Text(dc, kLabelTexts[kind], kLabels[kind], RGB(0, 0, 0), DT_LEFT | DT_SINGLELINE);
    }
    Text(dc, "曲目をﾘﾋﾟｰﾄ", {156, 56, 260, 70}, RGB(0, 0, 0), DT_LEFT | DT_SINGLELINE);
    Rectangle(dc, 72, 116, 72 + 381, 116 + 33);  // the file label's border
    Text(dc, BgmFile, {75, 118, 72 + 379, 116 + 31}, RGB(0, 0, 0), DT_LEFT | DT_WORDBREAK);
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

LRESULT CALLBACK PanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: PaintPanel(panel); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {  // any button on a mark or its label chooses that source
        const POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        for (int kind = 0; kind < 3; ++kind) {
            if (PtInRect(&kMarks[kind], at) || PtInRect(&kLabels[kind], at)) SelectMusicSource(kind);
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
    OPENFILENAMEW chooser = {};
    chooser.lStructSize = OPENFILENAME_SIZE_VERSION_400W;  // the 76-byte record
    chooser.hwndOwner = dialog.window;
    chooser.hInstance = GetModuleHandleW(nullptr);
    chooser.lpstrFilter = L"BGMﾌｧｲﾙ (MP3 WAV)\0*.MP3;*.WAV\0\0";
    chooser.lpstrFile = file;
    chooser.nMaxFile = 255;
    chooser.lpstrFileTitle = title;
    chooser.nMaxFileTitle = 255;
    chooser.lpstrInitialDir = folder.c_str();
    chooser.lpstrTitle = L"ﾌｧｲﾙを開く";
    if (GetOpenFileNameW(&chooser) > 0) {
        BgmFile = WideToUtf8(file);
        BgmFolder = FolderOfPath(BgmFile);
        InvalidateRect(dialog.panel, nullptr, FALSE);
    }
    SetFocus(dialog.fileButton);  // back where the user was, chosen or not
}

// The focus on the first control in the tab order that takes it: the repeat box, "...", then
// the two buttons.
void FocusFirstTabStop() {
    if (IsWindowEnabled(dialog.repeat)) {
        SetFocus(dialog.repeat);
    } else if (CommandEnabled(dialog.fileButton)) {
        SetFocus(dialog.fileButton);
    } else {
        SetFocus(CommandEnabled(dialog.setButton) ? dialog.setButton : dialog.cancelButton);
    }
}

class ProfileWriter : public SettingsWriter {
public:
    explicit ProfileWriter(std::string file) : file_(std::move(file)) {}
    void Write(const std::string& key, const std::string& value) override {
        WriteProfileString(kSettingsSection, key, value, file_);
    }

private:
    std::string file_;
};

void Close() {
    ZoomToPoint(dialog.window);
    DestroyWindow(dialog.window);
}

void Confirm() {
    wchar_t text[64] = L"";
    GetWindowTextW(dialog.repeat, text, 64);
    ProfileWriter writer(ProgramFolder() + kSettingsFileName);
    ConfirmSettings(writer, WideToUtf8(text));
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
}

void PaintDialog(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (dialog.background) {
        HDC source = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(source, dialog.background);
        BitBlt(dc, 0, 0, kClientWidth, kClientHeight, source, 0, 0, SRCCOPY);
        SelectObject(source, old);
        DeleteDC(source);
    }
    HGDIOBJ oldFont = SelectObject(dc, dialog.font);
    Text(dc, kCredit, {12, 192, 300, 206}, RGB(255, 255, 255), DT_LEFT | DT_SINGLELINE);
    SelectObject(dc, dialog.linkFont);
    RECT link = {12, 208, 300, 222};
    DrawTextW(dc, Utf8ToWide(kLink).c_str(), -1, &link, DT_LEFT | DT_SINGLELINE | DT_CALCRECT);
    dialog.linkRect = link;
    Text(dc, kLink, link, RGB(255, 255, 255), DT_LEFT | DT_SINGLELINE);
    SelectObject(dc, oldFont);
    EndPaint(window, &paint);
}

LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE: PaintBackground(LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_PAINT: PaintDialog(window); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETCURSOR: {
        POINT at;
        GetCursorPos(&at);
        ScreenToClient(window, &at);
        if (LOWORD(lParam) == HTCLIENT && PtInRect(&dialog.linkRect, at)) {
            SetCursor(LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kHandCursor)));
            return TRUE;
        }
        break;
    }
    case WM_LBUTTONUP: {
        const POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (PtInRect(&dialog.linkRect, at)) {
            HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
            ShellExecuteW(window, L"open", Utf8ToWide(kLink).c_str(), L"", L"", SW_SHOWNORMAL);
            SetCursor(old);
        }
        return 0;
    }
    case WM_CLOSE: Close(); return 0;
    case WM_DESTROY: dialog.done = true; return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HFONT DialogFont(bool underline) {
    HDC screen = GetDC(nullptr);
    const int height = -MulDiv(975, GetDeviceCaps(screen, LOGPIXELSY), 7200);
    ReleaseDC(nullptr, screen);
    return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, underline, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"ＭＳ Ｐゴシック");
}

}  // namespace

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

    dialog.font = DialogFont(false);
    dialog.linkFont = DialogFont(true);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    RECT frame = {0, 0, kClientWidth, kClientHeight};
    AdjustWindowRect(&frame, style, FALSE);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    const auto place = DialogPosition(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), width, height);
    dialog.window = CreateWindowExW(WS_EX_DLGMODALFRAME, L"QuillmoorSettings", Utf8ToWide(kDialogTitle).c_str(), style,
                                    place.first, place.second, width, height, nullptr, nullptr, instance, nullptr);
    if (!dialog.window) return;
    // The program's icon in the caption and the task switcher. Windows leaves the class icon out
    // of a modal-frame caption; icons given to the window itself are shown.
    for (const auto& icon : {std::make_pair(ICON_BIG, SM_CXICON), std::make_pair(ICON_SMALL, SM_CXSMICON)}) {
        const int side = GetSystemMetrics(icon.second);
        SendMessageW(dialog.window, WM_SETICON, icon.first,
                     reinterpret_cast<LPARAM>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, side, side, LR_SHARED)));
    }

    // A control parent, so that Tab reaches the repeat box and the file button inside it.
    dialog.panel = CreateWindowExW(WS_EX_CONTROLPARENT, L"QuillmoorPanel", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_CLIPCHILDREN,
                                   12, 16, 469, 165, dialog.window, nullptr, instance, nullptr);
    dialog.repeat = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN,
                                    112, 52, 41, 220, dialog.panel, nullptr, instance, nullptr);
    SendMessageW(dialog.repeat, WM_SETFONT, reinterpret_cast<WPARAM>(dialog.font), FALSE);
    dialog.fileButton = CreateCommandButton(dialog.panel, 28, 112, 41, 25, "...", ChooseFile);
    dialog.setButton = CreateCommandButton(dialog.window, 316, 200, 81, 25, "設定", Confirm);
    dialog.cancelButton = CreateCommandButton(dialog.window, 400, 200, 81, 25, "ｷｬﾝｾﾙ", Close);

    // The controls from the settings, as the dialog opens.
    SelectMusicSource(BgmKind);
    SetWindowTextW(dialog.repeat, Utf8ToWide(RepeatText(BgmRepeat)).c_str());
    for (int n = 0; n <= 30; ++n) {
        SendMessageW(dialog.repeat, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Utf8ToWide(RepeatText(n)).c_str()));
    }
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
}
