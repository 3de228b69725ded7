// The settings dialog's windows as laid out on a screen: what each control shows and where, in
// its container's client pixels, at the screen's DPI.
#pragma once

#include <windows.h>

#include <string>

enum DialogItem {
    kTitleFrame, kTitle,                    // the frame of the panel's title and "BGM"
    kMarkNone, kMarkCd, kMarkFile,          // option marks, by music source
    kLabelNone, kLabelCd, kLabelFile,       // their labels
    kRepeatBox, kRepeatLabel, kFileButton, kFileLabel,
    kCredit, kLink, kSetButton, kCancelButton,  // on the dialog itself; the others are in the panel
    kScreenMode,                            // the check box that keeps the screen's resolution
    kAllMonitors,                           // the check box of a scene on every monitor
    kDialogItems
};
constexpr bool InPanel(int item) { return item < kCredit; }

// Where a check box's text begins, from its left edge: its square and a gap, at `dpi`.
int CheckTextOffset(int dpi);

struct DialogLayout {
    SIZE client = {};  // the dialog's client area
    RECT panel = {};   // in the dialog's client area
    RECT box[kDialogItems] = {};
    std::wstring text[kDialogItems];  // what a label or button shows (the file label: empty)
};

// The layout at `dpi` (96 is the design's own pixels) with the texts of `language` (0: the
// user's, as the resource loader picks them); `measure` has the dialog's font for that language
// selected, and the labels that size themselves are as large as their texts in it.
DialogLayout LayOutDialog(HDC measure, int dpi, LANGID language = 0);

// How the link opens its address; the shell's "open" unless replaced.
using LinkOpener = void (*)(HWND owner, const wchar_t* address);
void SetLinkOpener(LinkOpener opener);
