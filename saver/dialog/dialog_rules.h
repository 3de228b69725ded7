// The settings dialog's rules, apart from its windows: which controls a music source enables,
// the repeat box's texts, what confirming writes, the background gradient, the band tiling,
// the window's place and its scale on the screen.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Enabled states and the selected option mark for a music source (the mark is -1, none, for a
// source other than 0, 1 or 2).
struct MusicSourceControls {
    bool repeatEnabled;  // the audio CD's track box
    bool fileEnabled;    // the file button
    int selectedMark;
};
MusicSourceControls ControlsForSource(int16_t kind);

// A number as the repeat box shows it: digits without leading zeros, 0 as the empty text.
std::string RepeatText(int32_t value);

// The repeat box's text as stored: a number rounded to the nearest whole (halves to even);
// a text that is not a number, or a number outside 16 bits, gives 0.
int16_t RepeatFromText(const std::string& text);

// What confirming needs of the platform: one key written into a settings file, or removed from
// it; false when the file could not be written.
class SettingsWriter {
public:
    virtual ~SettingsWriter() = default;
    virtual bool Write(const std::string& file, const std::string& key, const std::string& value) = 0;
    virtual bool Remove(const std::string& file, const std::string& key) = 0;
};

// Writes the source, the repeat number (also kept in BgmRepeat) and the file, in that order,
// all three keys always, then the screen mode and the monitors (each 1 written; 0 by taking the
// key out, so that a file that never had the setting stays as it was), into the first of `files`
// that takes them all. Returns that file, or "" when none did (the caller tells the user: nothing was stored).
std::string ConfirmSettings(SettingsWriter& writer, const std::string& repeatText, const std::vector<std::string>& files);

// The background line at row y of a client area `height` pixels high: grey c with blue c + 30,
// c = |sin(y / (height / 3.142))| x 220 rounded half to even.
void BackgroundColourAt(int y, double height, uint8_t& red, uint8_t& green, uint8_t& blue);

// Where copies of a bw x bh band go to cover a tw x th target: columns of rows, one row and one
// column past the edges (clipped by the target).
std::vector<std::pair<int, int>> BandTiles(int bw, int bh, int tw, int th);

// The dialog's top-left: centred horizontally, one third of the free height from the top.
std::pair<int, int> DialogPosition(int screenWidth, int screenHeight, int windowWidth, int windowHeight);

// A length of the dialog's layout, designed in pixels at 96 DPI, on a screen of `dpi`: the form
// keeps it in twips (15 to a pixel at 96 DPI) and shows it at the screen's 1440 / dpi twips per
// pixel, to the nearest pixel.
int DialogPixels(int pixelsAt96, int dpi);

// Where a check box's text begins, from its left edge: its square and a gap, at `dpi`.
int CheckTextOffset(int dpi);

// A check box on the dialog at `dpi` whose text is `textWidth` pixels wide: its left edge and
// width (its square, a gap, then its text). It starts at the buttons' left edge, or as much
// further left as keeps a longer text within their right edge.
std::pair<int, int> CheckBoxSpan(int textWidth, int dpi);

// A picture of w x h pixels (0xAARRGGBB, rows top down) scaled to dw x dh with an area-weighted
// box filter: each new pixel is the mean of the source area it covers, colours weighted by their
// alpha. Empty where either size is not positive.
std::vector<uint32_t> ScalePicture(const uint32_t* pixels, int w, int h, int dw, int dh);
