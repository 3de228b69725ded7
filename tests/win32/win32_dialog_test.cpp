// The settings dialog in this process, looked at while it is open and then closed as a user
// closes it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "saver/controls/win32_command.h"
#include "saver/dialog/dialog_rules.h"
#include "saver/dialog/win32_dialog.h"
#include "saver/main/settings.h"
#include "saver/main/win32_forms.h"
#include "saver/main/win32_platform.h"
#include "saver/main/win32_text.h"
#include "saver/main/win32_ui_text.h"
#include "win32_test_languages.h"

namespace {

bool seen = false;
LRESULT bigIcon = 0, smallIcon = 0;
std::wstring caption;  // the dialog's
std::vector<std::wstring> buttons;  // the texts of its skinned buttons and check boxes
std::wstring focusClass, focusText;  // of the control with the focus (a combo box's own)
HWND focused = nullptr, tabFromLast = nullptr;  // the first focus; where Tab from the last control lands
std::vector<std::wstring> tabStops;  // every control Tab reaches, in order from 設定

BOOL CALLBACK CollectButton(HWND child, LPARAM) {
    wchar_t text[128] = L"", name[64] = L"";
    GetClassNameW(child, name, 64);
    GetWindowTextW(child, text, 128);
    if (std::wstring(name) == L"QuillmoorCommand" || std::wstring(name) == L"Button") buttons.push_back(text);
    return TRUE;
}

void CALLBACK LookThenClose(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND dialog = FindWindowW(L"QuillmoorSettings", nullptr);
    if (!dialog) {
        PostQuitMessage(0);  // nothing to look at: end the dialog's loop anyway
        return;
    }
    seen = true;
    wchar_t title[64] = L"";
    GetWindowTextW(dialog, title, 64);
    caption = title;
    buttons.clear();
    EnumChildWindows(dialog, CollectButton, 0);
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
    focused = focus;
    HWND set = FindWindowExW(dialog, nullptr, L"QuillmoorCommand", UiText(QM_TEXT_SET).c_str());
    // The last control: the monitors' check box where the screen mode lets it be used, else the
    // screen mode's.
    HWND last = FindWindowExW(dialog, nullptr, L"Button", UiText(QM_TEXT_ALL_MONITORS).c_str());
    if (!IsWindowEnabled(last)) last = FindWindowExW(dialog, nullptr, L"Button", UiText(QM_TEXT_SCREEN_MODE).c_str());
    tabFromLast = GetNextDlgTabItem(dialog, last, FALSE);
    tabStops.clear();
    for (HWND at = set; at && tabStops.size() < 8;) {
        wchar_t label[64] = L"";
        GetWindowTextW(at, label, 64);
        tabStops.push_back(label[0] ? label : L"(repeat)");
        at = GetNextDlgTabItem(dialog, at, FALSE);
        if (at == set) break;
    }
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

// The dialog as it opens speaks the user's language: its caption (what a second start looks
// for), its buttons and check boxes, and the texts it paints.
TEST(Win32Dialog, ItSpeaksTheUsersLanguage) {
    seen = false;
    SetTimer(nullptr, 0, 1000, LookThenClose);
    RunSettingsDialog();
    ASSERT_TRUE(seen);
    const LANGID users = UsersTexts();
    EXPECT_EQ(caption, UiTextIn(QM_TEXT_DIALOG_TITLE, users));
    std::sort(buttons.begin(), buttons.end());
    std::vector<std::wstring> expected = {L"...", UiTextIn(QM_TEXT_SET, users), UiTextIn(QM_TEXT_CANCEL, users),
                                          UiTextIn(QM_TEXT_SCREEN_MODE, users), UiTextIn(QM_TEXT_ALL_MONITORS, users)};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(buttons, expected);
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFormFont(96, false);
    HGDIOBJ old = SelectObject(dc, font);
    const DialogLayout painted = LayOutDialog(dc, 96);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
    const std::pair<int, int> labels[] = {{kTitle, QM_TEXT_MUSIC},     {kLabelNone, QM_TEXT_NONE},     {kLabelCd, QM_TEXT_CD},
                                          {kLabelFile, QM_TEXT_FILE}, {kRepeatLabel, QM_TEXT_REPEAT}, {kLink, QM_TEXT_LINK}};
    for (const auto& label : labels) EXPECT_EQ(painted.text[label.first], UiTextIn(label.second, users)) << label.first;
}

// The focus at the opening is on the first control of the tab order that takes it: the repeat
// box with the audio CD, "..." with a music file, 設定 with none. Tab follows the same rule: it
// passes over the controls of the sources not chosen (the disabled box, "..." looking disabled)
// and over the monitors' check box while the screen mode is off, and comes round from the last
// control, a check box, to where the focus started.
TEST(Win32Dialog, FocusStartsOnTheFirstEnabledTabStop) {
    const std::wstring set = UiText(QM_TEXT_SET), cancel = UiText(QM_TEXT_CANCEL), screen = UiText(QM_TEXT_SCREEN_MODE);
    const struct {
        int16_t kind, screenMode;
        const wchar_t* focusClass;
        std::wstring focusText;
        std::vector<std::wstring> stops;
    } cases[] = {{1, 0, L"ComboBox", L"", {set, cancel, screen, L"(repeat)"}},
                 {2, 0, L"QuillmoorCommand", L"...", {set, cancel, screen, L"..."}},
                 {0, 0, L"QuillmoorCommand", set, {set, cancel, screen}},
                 {0, 1, L"QuillmoorCommand", set, {set, cancel, screen, UiText(QM_TEXT_ALL_MONITORS)}}};
    for (const auto& c : cases) {
        BgmKind = c.kind;
        ScreenMode = c.screenMode;
        seen = false;
        focusClass.clear();
        SetTimer(nullptr, 0, 1000, LookThenClose);
        RunSettingsDialog();
        ASSERT_TRUE(seen);
        EXPECT_EQ(focusClass, c.focusClass) << "source " << c.kind;
        if (!c.focusText.empty()) {
            EXPECT_EQ(focusText, c.focusText) << "source " << c.kind;
        }
        EXPECT_EQ(tabStops, c.stops) << "source " << c.kind;
        EXPECT_TRUE(focused && (tabFromLast == focused || IsChild(tabFromLast, focused))) << "source " << c.kind;
    }
    BgmKind = ScreenMode = 0;
}

// `text` drawn in `font` with `format` into a width x height box: whether it is whole there
// (drawn clipped to the box, as a control of a fixed size draws it, and drawn unclipped, the two
// pictures are the same: a text cut short, or a letter's foot cut off, would differ), and where
// its ink lies, from the box's top-left.
struct Drawn {
    bool whole = false;
    RECT ink = {};
};
Drawn DrawIn(const std::wstring& text, HFONT font, UINT format, int width, int height) {
    constexpr int pad = 60;
    const int w = width + 2 * pad, h = height + 2 * pad;
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<uint32_t> drawn[2];
    for (UINT clip : {0u, static_cast<UINT>(DT_NOCLIP)}) {
        void* bits = nullptr;
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ oldBitmap = SelectObject(dc, bitmap), oldFont = SelectObject(dc, font);
        RECT all = {0, 0, w, h}, box = {pad, pad, pad + width, pad + height};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SetBkMode(dc, TRANSPARENT);
        DrawTextW(dc, text.c_str(), -1, &box, format | DT_NOPREFIX | clip);
        GdiFlush();
        drawn[clip ? 1 : 0].assign(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + size_t(w) * size_t(h));
        SelectObject(dc, oldFont);
        SelectObject(dc, oldBitmap);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    Drawn result;
    result.whole = drawn[0] == drawn[1];
    RECT ink = {w, h, 0, 0};
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if ((drawn[1][size_t(y) * size_t(w) + size_t(x)] & 0xffffff) == 0xffffff) continue;
            ink = {std::min<LONG>(ink.left, x), std::min<LONG>(ink.top, y), std::max<LONG>(ink.right, x + 1),
                   std::max<LONG>(ink.bottom, y + 1)};
        }
    }
    if (ink.right > ink.left) result.ink = {ink.left - pad, ink.top - pad, ink.right - pad, ink.bottom - pad};
    return result;
}

// In each language, at each scale of the screen, every text fits its control in the control's
// own font, whole, every control lies inside its container, those on the dialog within the
// panel's right edge, and no two overlap (the panel's title inside its frame apart): a label the
// font outgrows is cut, one that sizes itself must not run into the next control, and the
// English texts are the longer.
TEST(Win32Dialog, EachTextFitsItsControlAtEveryScale) {
    for (LANGID language : {kJapanese, kEnglish}) {
    for (int dpi : {96, 120, 144, 192}) {
        const std::string at = (language == kJapanese ? "Japanese at " : "English at ") + std::to_string(dpi) + " DPI";
        HDC dc = CreateCompatibleDC(nullptr);
        HFONT font = CreateFormFont(dpi, false, language), linkFont = CreateFormFont(dpi, true, language);
        HGDIOBJ old = SelectObject(dc, font);
        const DialogLayout l = LayOutDialog(dc, dpi, language);
        const RECT panel = {0, 0, l.panel.right - l.panel.left - 2, l.panel.bottom - l.panel.top - 2};  // in its border
        const RECT form = {0, 0, l.panel.right, l.client.cy};
        RECT inForm;
        EXPECT_TRUE(IntersectRect(&inForm, &l.panel, &form) && EqualRect(&inForm, &l.panel)) << at;
        for (int item = 0; item < kDialogItems; ++item) {
            const RECT& box = l.box[item];
            RECT inside;
            EXPECT_TRUE(IntersectRect(&inside, &box, InPanel(item) ? &panel : &form) && EqualRect(&inside, &box))
                << "item " << item << " leaves its place, " << at;
            if (!l.text[item].empty()) {
                SelectObject(dc, item == kLink ? linkFont : font);
                SIZE extent = {};
                GetTextExtentPoint32W(dc, l.text[item].c_str(), static_cast<int>(l.text[item].size()), &extent);
                // Its height is the font's em (the cell less the leading above the letters): the
                // design's 13 pixels at 9.75 points.
                TEXTMETRICW metrics = {};
                GetTextMetricsW(dc, &metrics);
                extent.cy = metrics.tmHeight - metrics.tmInternalLeading;
                // A button's caption keeps clear of its skin's border, and is drawn in its caption
                // label. (The check box draws its own square before its text: it is looked at as
                // drawn, below.)
                const bool button = item == kFileButton || item == kSetButton || item == kCancelButton;
                const int border = button ? 2 * DialogPixels(4, dpi) : 0;
                const int width = box.right - box.left, height = box.bottom - box.top;
                if (item != kScreenMode && item != kAllMonitors) {
                    EXPECT_LE(extent.cx + border, width) << "item " << item << ", " << at;
                    // The panel's title and the buttons' captions are clipped to their places: whole
                    // there. A label that sizes itself draws all its ink: inside its container, clear
                    // of every other control.
                    const bool fitted = button || item == kTitle;
                    const RECT label = button ? CommandCaptionRect(width, height, dpi) : RECT{0, 0, width, height};
                    const Drawn drawn = DrawIn(l.text[item], item == kLink ? linkFont : font,
                                               (fitted ? DT_CENTER : DT_LEFT) | DT_SINGLELINE, label.right - label.left,
                                               label.bottom - label.top);
                    if (fitted) {
                        EXPECT_TRUE(drawn.whole) << "item " << item << " is cut, " << at;
                    } else {
                        RECT ink = drawn.ink, inside;
                        OffsetRect(&ink, box.left, box.top);
                        EXPECT_TRUE(IntersectRect(&inside, &ink, InPanel(item) ? &panel : &form) && EqualRect(&inside, &ink))
                            << "item " << item << "'s ink leaves its place, " << at;
                        for (int other = 0; other < kDialogItems; ++other) {
                            if (other != item && InPanel(other) == InPanel(item)) {
                                EXPECT_FALSE(IntersectRect(&inside, &ink, &l.box[other]))
                                    << "item " << item << "'s ink runs into item " << other << ", " << at;
                            }
                        }
                    }
                }
                EXPECT_LE(extent.cy + border, height) << "item " << item << ", " << at;
            }
            RECT both;
            if (!InPanel(item)) {
                EXPECT_FALSE(IntersectRect(&both, &box, &l.panel)) << "item " << item << " lies over the panel, " << at;
            }
            for (int other = item + 1; other < kDialogItems; ++other) {
                if (InPanel(item) != InPanel(other) || (item == kTitleFrame && other == kTitle)) continue;
                EXPECT_FALSE(IntersectRect(&both, &box, &l.box[other])) << "items " << item << " and " << other << " overlap, " << at;
            }
        }
        SelectObject(dc, old);
        DeleteObject(font);
        DeleteObject(linkFont);
        DeleteDC(dc);
    }
    }
}

// The pixels a check box of the system draws of itself at `width` x `height`: its square, then
// its text in `font`, on white.
std::vector<COLORREF> DrawnCheckBox(const std::wstring& text, HFONT font, int width, int height) {
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, width, height, nullptr, nullptr, nullptr, nullptr);
    HWND check = CreateWindowExW(0, L"BUTTON", text.c_str(), WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 0, 0, width, height,
                                 parent, nullptr, nullptr, nullptr);
    SendMessageW(check, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SendMessageW(check, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) pixels.push_back(GetPixel(dc, x, y));
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    DestroyWindow(parent);
    return pixels;
}

// The check boxes show their whole texts in their places in each language at every scale, as
// the system draws them: drawn in its laid-out box and again far wider, the two agree over the
// box, and the wider one shows nothing past it (a text cut short, or moved to make room, would).
TEST(Win32Dialog, TheCheckBoxesShowTheirWholeTextsAtEveryScale) {
    for (LANGID language : {kJapanese, kEnglish}) {
    for (int dpi : {96, 120, 144, 192}) {
    for (int item : {kScreenMode, kAllMonitors}) {
        HDC dc = CreateCompatibleDC(nullptr);
        HFONT font = CreateFormFont(dpi, false, language);
        HGDIOBJ old = SelectObject(dc, font);
        const DialogLayout l = LayOutDialog(dc, dpi, language);
        SelectObject(dc, old);
        DeleteDC(dc);
        const RECT& box = l.box[item];
        const int width = box.right - box.left, height = box.bottom - box.top, wide = width + 200;
        const std::vector<COLORREF> fitted = DrawnCheckBox(l.text[item], font, width, height);
        const std::vector<COLORREF> roomy = DrawnCheckBox(l.text[item], font, wide, height);
        int differ = 0, beyond = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < wide; ++x) {
                const COLORREF c = roomy[size_t(y) * wide + x];
                if (x < width) differ += c != fitted[size_t(y) * width + x];
                else beyond += GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 160;  // ink, not the background
            }
        }
        const std::string at = (language == kJapanese ? "Japanese, " : "English, ") + std::to_string(dpi) + " DPI, item " +
                               std::to_string(item);
        EXPECT_EQ(differ, 0) << at << ": the text is drawn otherwise in its own box";
        EXPECT_EQ(beyond, 0) << at << ": the text runs past its box";
        DeleteObject(font);
    }
    }
    }
}

// The open dialog and its panel, seen from a timer of a test; with none, the dialog's loop is
// ended anyway.
bool FindOpenDialog(UINT_PTR timer, HWND& dialog, HWND& panel) {
    KillTimer(nullptr, timer);
    dialog = FindWindowW(L"QuillmoorSettings", nullptr);
    panel = dialog ? FindWindowExW(dialog, nullptr, L"QuillmoorPanel", nullptr) : nullptr;
    if (!panel) PostQuitMessage(0);
    return panel != nullptr;
}

// Clicks as a user makes them: a label takes clicks on its text only, and the link opens on a
// press and a release both on it, not on a release after a press elsewhere.
std::wstring opened;
int opens = 0;
int16_t kindAfterBesideLabel = -1, kindAfterOnLabel = -1;
int opensAfterDrag = -1;
void Record(HWND, const wchar_t* address) {
    opened = address;
    ++opens;
}
LPARAM Middle(const RECT& r) { return MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2); }

void CALLBACK ClickThenClose(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dialog, panel;
    if (!FindOpenDialog(id, dialog, panel)) return;
    HDC dc = GetDC(dialog);
    HFONT font = CreateFormFont(GetDeviceCaps(dc, LOGPIXELSY), false);
    HGDIOBJ old = SelectObject(dc, font);
    const DialogLayout l = LayOutDialog(dc, GetDeviceCaps(dc, LOGPIXELSY));
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(dialog, dc);
    const RECT& none = l.box[kLabelNone];
    const LPARAM beside = MAKELPARAM(none.right + 4, (none.top + none.bottom) / 2);
    SendMessageW(panel, WM_LBUTTONDOWN, MK_LBUTTON, beside);
    SendMessageW(panel, WM_LBUTTONUP, 0, beside);
    kindAfterBesideLabel = BgmKind;
    SendMessageW(panel, WM_LBUTTONDOWN, MK_LBUTTON, Middle(none));
    SendMessageW(panel, WM_LBUTTONUP, 0, Middle(none));
    kindAfterOnLabel = BgmKind;

    SendMessageW(dialog, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));  // on the background
    SendMessageW(dialog, WM_LBUTTONUP, 0, Middle(l.box[kLink]));
    opensAfterDrag = opens;
    SendMessageW(dialog, WM_LBUTTONDOWN, MK_LBUTTON, Middle(l.box[kLink]));
    SendMessageW(dialog, WM_LBUTTONUP, 0, Middle(l.box[kLink]));
    PostMessageW(dialog, WM_CLOSE, 0, 0);
}

TEST(Win32Dialog, LabelsAndTheLinkTakeWholeClicksOnThemselves) {
    BgmKind = 1;
    SetLinkOpener(Record);
    SetTimer(nullptr, 0, 1000, ClickThenClose);
    RunSettingsDialog();
    SetLinkOpener(nullptr);
    EXPECT_EQ(kindAfterBesideLabel, 1) << "a press beside \"なし\" chose it";
    EXPECT_EQ(kindAfterOnLabel, 0);
    EXPECT_EQ(opensAfterDrag, 0) << "a press elsewhere released over the link opened it";
    EXPECT_EQ(opens, 1);
    EXPECT_EQ(opened.rfind(L"https://", 0), 0u) << "opened: " << opened.size() << " characters";
    BgmKind = 0;
}

// The file chooser, driven as a user drives it: "..." pressed, a path typed into the chooser
// and confirmed; a message box, if one comes, closed.
std::wstring typed[2];
int choice = 0;
bool focusBackOnFileButton = false, messageShown = false;
void CALLBACK AnswerChooser(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (HWND box = FindWindowW(L"#32770", UiText(QM_TEXT_DIALOG_TITLE).c_str())) {  // the refusal
        messageShown = true;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        return;
    }
    HWND chooser = FindWindowW(L"#32770", UiText(QM_TEXT_CHOOSER_TITLE).c_str());
    if (!chooser) return;
    const int name = GetDlgItem(chooser, 0x47c) ? 0x47c : 0x480;  // the file name's box
    SetDlgItemTextW(chooser, name, typed[choice++].c_str());
    PostMessageW(chooser, WM_COMMAND, IDOK, 0);
    SetTimer(nullptr, 0, 700, AnswerChooser);  // for a message box that may follow
}
void CALLBACK ChooseTwiceThenClose(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dialog, panel;
    if (!FindOpenDialog(id, dialog, panel)) return;
    HWND button = FindWindowExW(panel, nullptr, L"QuillmoorCommand", L"...");
    for (int i = 0; i < 2; ++i) {  // each press returns when the chooser (and any message) has gone
        SetTimer(nullptr, 0, 1000, AnswerChooser);
        SendMessageW(button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
        SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        if (i == 0) focusBackOnFileButton = GetFocus() == button;
    }
    PostMessageW(dialog, WM_CLOSE, 0, 0);
}

// The settings file is written in the ANSI code page: a chosen path it cannot hold (a Japanese
// folder under 1252, an accented one under 932) is kept by its short name, which it can, so
// the path read back from the file still opens; a path with no short name (a file yet to be
// made) is refused with a message and the earlier choice stays.
TEST(Win32Dialog, AChosenPathIsKeptInAFormTheSettingsFileCanHold) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"qm_choose_" + std::to_wstring(GetCurrentProcessId()) +
                                (GetACP() == 932 ? L"_caf\u00e9" : L"_\u30af\u30a4\u30eb");
    ASSERT_FALSE(FitsAnsiCodePage(folder));
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring music = folder + L"\\tone.mp3";
    CloseHandle(CreateFileW(music.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    typed[0] = music;
    typed[1] = folder + L"\\not yet.mp3";
    choice = 0;
    BgmKind = 2;
    BgmFile = "earlier.mp3";
    SetTimer(nullptr, 0, 1000, ChooseTwiceThenClose);
    RunSettingsDialog();

    EXPECT_EQ(choice, 2);
    EXPECT_TRUE(focusBackOnFileButton);
    EXPECT_TRUE(messageShown) << "no refusal for a path the settings file cannot hold";
    const std::wstring kept = Utf8ToWide(BgmFile);
    EXPECT_TRUE(FitsAnsiCodePage(kept)) << BgmFile;
    // The path as the next session reads it: the file's ANSI bytes.
    char ansi[MAX_PATH] = "";
    WideCharToMultiByte(CP_ACP, 0, kept.c_str(), -1, ansi, MAX_PATH, nullptr, nullptr);
    wchar_t longForm[MAX_PATH] = L"";
    GetLongPathNameW(AnsiToWide(ansi).c_str(), longForm, MAX_PATH);
    EXPECT_EQ(std::wstring(longForm), music) << "kept: " << BgmFile;
    DeleteFileW(music.c_str());
    RemoveDirectoryW(folder.c_str());
    BgmKind = 0;
    BgmFile.clear();
}

// Dragged to a monitor at 150 %: the system asks the window its size at the new DPI (or, where it
// does not answer, scales the window in proportion), suggests a place of that size and tells the
// window its new DPI; the dialog lays itself out again at 144 DPI there, keeping the repeat text,
// the choice, the ticked check box and the focus, and the link's hand grows with it. Under Wine the frame is still
// drawn at the screen's DPI, so the client area may come out larger than the layout: all of it
// must be painted, to the last row and column.
SIZE clientAfter = {}, setButtonAfter = {}, handAfter = {}, windowAfter = {}, asked = {};
COLORREF cornerAfter[2] = {};
POINT handSpot = {};
std::wstring repeatAfter, focusAfter;
bool tickedAfter = false;
SIZE SizeOf(HWND window) {
    RECT r = {};
    GetWindowRect(window, &r);
    return {r.right - r.left, r.bottom - r.top};
}
void CALLBACK MoveToAScaledMonitor(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dialog, panel;
    if (!FindOpenDialog(id, dialog, panel)) return;
    SetWindowTextW(FindWindowExW(panel, nullptr, L"ComboBox", nullptr), L"7");
    const std::wstring screenMode = UiText(QM_TEXT_SCREEN_MODE);
    SendMessageW(FindWindowExW(dialog, nullptr, L"Button", screenMode.c_str()), BM_SETCHECK, BST_CHECKED, 0);
    SIZE size = SizeOf(dialog);
    size = {size.cx * 3 / 2, size.cy * 3 / 2};  // the system's own proposal: in proportion
    if (SendMessageW(dialog, 0x02E4 /* WM_GETDPISCALEDSIZE */, 144, reinterpret_cast<LPARAM>(&size))) asked = size;
    RECT suggested = {40, 30, 40 + size.cx, 30 + size.cy};
    SendMessageW(dialog, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    RECT client = {};
    GetClientRect(dialog, &client);
    clientAfter = {client.right, client.bottom};
    windowAfter = SizeOf(dialog);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    HDC dc = GetDC(dialog);
    cornerAfter[0] = GetPixel(dc, client.right - 1, 2);
    cornerAfter[1] = GetPixel(dc, client.right - 1, client.bottom - 2);
    ReleaseDC(dialog, dc);
    setButtonAfter = SizeOf(FindWindowExW(dialog, nullptr, L"QuillmoorCommand", UiText(QM_TEXT_SET).c_str()));
    panel = FindWindowExW(dialog, nullptr, L"QuillmoorPanel", nullptr);
    wchar_t text[16] = L"", name[32] = L"";
    GetWindowTextW(FindWindowExW(panel, nullptr, L"ComboBox", nullptr), text, 16);
    repeatAfter = text;
    tickedAfter = SendMessageW(FindWindowExW(dialog, nullptr, L"Button", screenMode.c_str()), BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (HWND focus = GetFocus()) GetClassNameW(GetParent(focus) == panel ? focus : GetParent(focus), name, 32);
    focusAfter = name;
    // The pointer over the link (its text starts at 18, 312 now): the hand at 150 %.
    POINT link = {18 + 10, 312 + 8};
    ClientToScreen(dialog, &link);
    SetCursorPos(link.x, link.y);
    SendMessageW(dialog, WM_SETCURSOR, reinterpret_cast<WPARAM>(dialog), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    ICONINFO hand = {};
    if (GetIconInfo(GetCursor(), &hand)) {
        BITMAP picture = {};
        GetObjectW(hand.hbmColor ? hand.hbmColor : hand.hbmMask, sizeof picture, &picture);
        handAfter = {picture.bmWidth, picture.bmHeight};
        handSpot = {static_cast<LONG>(hand.xHotspot), static_cast<LONG>(hand.yHotspot)};
        DeleteObject(hand.hbmMask);
        if (hand.hbmColor) DeleteObject(hand.hbmColor);
    }
    PostMessageW(dialog, WM_CLOSE, 0, 0);
}

TEST(Win32Dialog, MovedToAScaledMonitorItScalesItself) {
    BgmKind = 1;
    SetTimer(nullptr, 0, 1000, MoveToAScaledMonitor);
    RunSettingsDialog();
    // Asked, the dialog gives its frame at 144 DPI around the 738 x 369 layout, and takes it.
    RECT frame = {0, 0, 738, 369};
    using ForDpi = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    const auto adjust = reinterpret_cast<ForDpi>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
    ASSERT_TRUE(adjust && adjust(&frame, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, FALSE,
                                 WS_EX_DLGMODALFRAME, 144));
    EXPECT_EQ(asked.cx, frame.right - frame.left);
    EXPECT_EQ(asked.cy, frame.bottom - frame.top);
    EXPECT_EQ(windowAfter.cx, asked.cx);
    EXPECT_EQ(windowAfter.cy, asked.cy);
    EXPECT_GE(clientAfter.cx, 738);
    EXPECT_GE(clientAfter.cy, 369);
    // The last column at the top and the last rows are the background: the gradient's grey with
    // its blue 30 above.
    for (COLORREF c : cornerAfter) {
        EXPECT_NEAR(GetBValue(c) - GetRValue(c), 30, 3) << std::hex << c;
        EXPECT_EQ(GetRValue(c), GetGValue(c)) << std::hex << c;
    }
    EXPECT_EQ(setButtonAfter.cx, 122);  // 81 x 25 at 150 %, to the nearest pixel
    EXPECT_EQ(setButtonAfter.cy, 38);
    EXPECT_EQ(repeatAfter, L"7");
    EXPECT_TRUE(tickedAfter);
    EXPECT_EQ(focusAfter, L"ComboBox");
    EXPECT_EQ(BgmKind, 1);
    EXPECT_EQ(handAfter.cx, 48);  // the 32 x 32 hand, its hot spot at (12, 10), at 150 %
    EXPECT_EQ(handAfter.cy, 48);
    EXPECT_EQ(handSpot.x, 18);
    EXPECT_EQ(handSpot.y, 15);
    BgmKind = 0;
}

}  // namespace
