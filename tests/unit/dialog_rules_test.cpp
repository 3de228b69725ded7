// The settings dialog's rules: enabled states per source, the repeat box, what confirming
// writes, the background gradient, the band tiling, the window's place and its scaling.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "saver/dialog/dialog_rules.h"
#include "saver/main/settings.h"

namespace {

TEST(DialogRules, SourceEnablesItsOwnControlOnly) {
    const auto cd = ControlsForSource(1), none = ControlsForSource(0), file = ControlsForSource(2);
    EXPECT_TRUE(cd.repeatEnabled);
    EXPECT_FALSE(cd.fileEnabled);
    EXPECT_FALSE(none.repeatEnabled);
    EXPECT_FALSE(none.fileEnabled);
    EXPECT_FALSE(file.repeatEnabled);
    EXPECT_TRUE(file.fileEnabled);
    EXPECT_EQ(none.selectedMark, 0);
    EXPECT_EQ(cd.selectedMark, 1);
    EXPECT_EQ(file.selectedMark, 2);
    EXPECT_EQ(ControlsForSource(7).selectedMark, -1);  // a hand-edited file: no mark
    EXPECT_FALSE(ControlsForSource(7).repeatEnabled);
}

TEST(DialogRules, RepeatTexts) {
    EXPECT_EQ(RepeatText(0), "");
    EXPECT_EQ(RepeatText(3), "3");
    EXPECT_EQ(RepeatText(30), "30");
    const struct {
        const char* text;
        int16_t value;
    } cases[] = {{"3", 3}, {"", 0}, {"2.5", 2}, {"3.5", 4}, {"abc", 0}, {"99999", 0}, {" 7 ", 7}, {"-2", -2},
                 {"32767", 32767}, {"32767.5", 0}, {"-32768", -32768}, {"-32769", 0}};
    for (const auto& c : cases) EXPECT_EQ(RepeatFromText(c.text), c.value) << "'" << c.text << "'";
}

// Records the writes; a file named in `refused` takes its first `refusedAfter` keys, then fails.
class RecordingWriter : public SettingsWriter {
public:
    std::vector<std::pair<std::string, std::string>> writes;  // file and key
    std::vector<std::string> values;
    std::string refused;
    int refusedAfter = 0;
    bool Write(const std::string& file, const std::string& key, const std::string& value) override {
        if (file == refused && refusedAfter-- <= 0) return false;
        writes.emplace_back(file, key);
        values.push_back(value);
        return true;
    }
    bool Remove(const std::string& file, const std::string& key) override { return Write(file, key, "(removed)"); }
};

// The three music keys always, then the screen mode and the monitors: each written where it is
// on, taken out where it is off (a file that never had them keeps exactly the three keys).
TEST(DialogRules, ConfirmWritesAllThreeKeysInOrderIntoTheFirstFileThatTakesThem) {
    BgmKind = 0;
    BgmFile = "C:\\Music\\a b.mp3";
    ScreenMode = 0;
    RecordingWriter writer;
    EXPECT_EQ(ConfirmSettings(writer, "99999", {"A", "B"}), "A");  // not a 16-bit number: stored as 0
    using Writes = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(writer.writes, (Writes{{"A", kKeyBgmKind}, {"A", kKeyBgmRepeat}, {"A", kKeyBgmFile},
                                     {"A", kKeyScreenMode}, {"A", kKeyAllMonitors}}));
    EXPECT_EQ(writer.values, (std::vector<std::string>{"0", "0", "C:\\Music\\a b.mp3", "(removed)", "(removed)"}));
    EXPECT_EQ(BgmRepeat, 0);

    // A file that fails part way: all the keys go to the next one.
    writer = RecordingWriter();
    writer.refused = "A";
    writer.refusedAfter = 1;
    BgmKind = 1;
    ScreenMode = 1;
    AllMonitors = 1;
    EXPECT_EQ(ConfirmSettings(writer, "3", {"A", "B"}), "B");
    EXPECT_EQ(writer.writes, (Writes{{"A", kKeyBgmKind}, {"B", kKeyBgmKind}, {"B", kKeyBgmRepeat}, {"B", kKeyBgmFile},
                                     {"B", kKeyScreenMode}, {"B", kKeyAllMonitors}}));
    EXPECT_EQ(std::vector<std::string>(writer.values.end() - 2, writer.values.end()), (std::vector<std::string>{"1", "1"}));
    EXPECT_EQ(BgmRepeat, 3);
    ScreenMode = AllMonitors = 0;

    // None takes them: nothing stored is reported as such.
    writer = RecordingWriter();
    writer.refused = "A";
    EXPECT_EQ(ConfirmSettings(writer, "3", {"A"}), "");
    EXPECT_EQ(ConfirmSettings(writer, "3", {}), "");
    BgmFile.clear();
}

TEST(DialogRules, BackgroundGradient) {
    uint8_t r, g, b;
    BackgroundColourAt(0, 246, r, g, b);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(b, 30);  // dark blue at the top
    BackgroundColourAt(123, 246, r, g, b);
    EXPECT_EQ(r, 220);  // light in the middle
    EXPECT_EQ(g, 220);
    EXPECT_EQ(b, 250);
    BackgroundColourAt(246, 246, r, g, b);
    EXPECT_LE(r, 1);  // dark again at the bottom
    // |sin(y / (246 / 3.142))| x 220 worked out by hand: 55.59, 110.01, 190.54, 190.50 (just
    // under a half), 121.87 and 2.72, rounded to the nearest.
    const int rows[][2] = {{20, 56}, {41, 110}, {82, 191}, {164, 190}, {200, 122}, {245, 3}};
    for (const auto& row : rows) {
        BackgroundColourAt(row[0], 246, r, g, b);
        EXPECT_EQ(r, row[1]) << "y " << row[0];
        EXPECT_EQ(g, row[1]) << "y " << row[0];
        EXPECT_EQ(b, row[1] + 30) << "y " << row[0];
    }
}

TEST(DialogRules, BandCoversThePanelAndDialogPlace) {
    const auto tiles = BandTiles(556, 20, 469, 165);
    std::vector<std::pair<int, int>> expected;
    for (int y = 0; y <= 180; y += 20) expected.emplace_back(0, y);
    for (int y = 0; y <= 180; y += 20) expected.emplace_back(556, y);
    EXPECT_EQ(tiles, expected);  // one column covers; the second lies beyond and is clipped
    // A band one pixel high still tiles (rows 0 to 4, past the 3-pixel panel); none without a size.
    EXPECT_EQ(BandTiles(10, 1, 5, 3), (std::vector<std::pair<int, int>>{{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4},
                                                                         {10, 0}, {10, 1}, {10, 2}, {10, 3}, {10, 4}}));
    // Strict comparisons: a band as large as the target still gets a row and a column past it.
    EXPECT_EQ(BandTiles(5, 5, 5, 5).size(), 9u);
    EXPECT_TRUE(BandTiles(0, 20, 5, 3).empty());
    EXPECT_TRUE(BandTiles(10, 0, 5, 3).empty());
    EXPECT_EQ(DialogPosition(1280, 1024, 498, 272), (std::pair<int, int>{391, 250}));
    EXPECT_EQ(DialogPosition(1024, 768, 499, 273), (std::pair<int, int>{262, 165}));
}

// The layout at the screen's scale: lengths to the nearest pixel (a half pixel up), so the
// 492 x 246 client is 615 x 308 at 120 DPI, 738 x 369 at 144 and 984 x 492 at 192.
TEST(DialogRules, LayoutScalesWithTheScreen) {
    for (int px = -300; px <= 300; ++px) EXPECT_EQ(DialogPixels(px, 96), px);
    EXPECT_EQ(DialogPixels(492, 120), 615);
    EXPECT_EQ(DialogPixels(246, 120), 308);
    EXPECT_EQ(DialogPixels(13, 144), 20);
    EXPECT_EQ(DialogPixels(-13, 144), -20);
    EXPECT_EQ(DialogPixels(246, 192), 492);
    // A check box (its square and a gap, 17 pixels at 96 DPI, then its text) starts at the
    // buttons' left edge (316) while its text ends within their right edge (481); a longer text
    // moves it left, just far enough.
    EXPECT_EQ(CheckBoxSpan(100, 96), (std::pair<int, int>{316, 117}));
    EXPECT_EQ(CheckBoxSpan(250, 96), (std::pair<int, int>{214, 267}));
    for (int dpi : {96, 120, 144, 192}) {
        const int buttons = DialogPixels(316, dpi), edge = DialogPixels(481, dpi);
        for (int text = 0; text <= DialogPixels(400, dpi); ++text) {
            const auto [left, width] = CheckBoxSpan(text, dpi);
            EXPECT_EQ(width, CheckTextOffset(dpi) + text);
            EXPECT_TRUE(left <= buttons && left + width <= edge && (left == buttons || left + width == edge)) << text;
        }
    }
}

// Pictures scaled for the screen keep their colours where the source is even, mean what they
// cover, and keep a picture's average; transparent pixels lend no colour.
TEST(DialogRules, PicturesScaleByTheAreaTheyCover) {
    const uint32_t black = 0xff000000, white = 0xffffffff;
    const uint32_t square[4] = {black, white, white, black};
    EXPECT_EQ(ScalePicture(square, 2, 2, 2, 2), std::vector<uint32_t>(square, square + 4));
    const std::vector<uint32_t> three = ScalePicture(square, 2, 2, 3, 3);
    ASSERT_EQ(three.size(), 9u);
    EXPECT_EQ(three[0], black);
    EXPECT_EQ(three[2], white);
    EXPECT_EQ(three[4], 0xff808080u);  // a quarter of each: (0 + 255 + 255 + 0) / 4, rounded
    EXPECT_NEAR(three[1] & 0xff, 128, 1);  // half black, half white
    const uint32_t pair[2] = {0x00ff0000, 0xff0000ff};  // transparent red, blue
    EXPECT_EQ(ScalePicture(pair, 2, 1, 1, 1), (std::vector<uint32_t>{0x800000ffu}));
    // At its own size a pixel keeps its colour at any alpha; a clear one keeps none.
    const uint32_t faint[3] = {0x01000000, 0x80ff8001, 0x00ffffff};
    EXPECT_EQ(ScalePicture(faint, 3, 1, 3, 1), (std::vector<uint32_t>{0x01000000u, 0x80ff8001u, 0u}));
    EXPECT_TRUE(ScalePicture(square, 2, 2, 0, 3).empty());
    EXPECT_TRUE(ScalePicture(square, 2, 2, -3, 3).empty());

    std::mt19937 random(5);
    std::vector<uint32_t> picture(12 * 12);
    for (uint32_t& p : picture) p = 0xff000000 | (random() & 0xffffff);
    const auto mean = [](const std::vector<uint32_t>& pixels, int shift) {
        double sum = 0;
        for (uint32_t p : pixels) sum += (p >> shift) & 0xff;
        return sum / static_cast<double>(pixels.size());
    };
    for (int side : {5, 12, 15, 18, 24, 31}) {
        const std::vector<uint32_t> scaled = ScalePicture(picture.data(), 12, 12, side, side);
        for (int shift : {0, 8, 16}) EXPECT_NEAR(mean(scaled, shift), mean(picture, shift), 0.5) << side;
    }
}

}  // namespace
