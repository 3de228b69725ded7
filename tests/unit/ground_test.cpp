// The ground of a session: where it comes from on each kind of desktop, the wallpaper settings
// as Windows keeps them, and the wallpaper placed and composed as Windows places it, checked as
// properties over many sizes of picture and monitor.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "saver/ground/ground.h"
#include "saver/ground/placement.h"
#include "saver/ground/wallpaper.h"

namespace {

TEST(Ground, WindowsOwnDesktopsByNameInAnyCaseAndNeverPhotographed) {
    for (const char* name : {"Screen-saver", "SCREEN-SAVER", "screen-saver", "Winlogon", "WINLOGON", "winLogon"}) {
        EXPECT_EQ(DesktopKindOf(name), DesktopKind::Systems) << name;
    }
    for (const char* name : {"Default", "", "Screen-saver2", "Screen saver", "qmUser", "Winlogon "}) {
        EXPECT_EQ(DesktopKindOf(name), DesktopKind::Users) << name;
    }
    const std::vector<GroundSource> users = GroundOrder(DesktopKind::Users);
    const std::vector<GroundSource> systems = GroundOrder(DesktopKind::Systems);
    EXPECT_EQ(users, (std::vector<GroundSource>{GroundSource::Photograph, GroundSource::Wallpaper,
                                                GroundSource::BackgroundColour}));
    EXPECT_EQ(systems, (std::vector<GroundSource>{GroundSource::WatchersPhotograph, GroundSource::Wallpaper,
                                                  GroundSource::BackgroundColour}));
}

TEST(Ground, AOneColourPhotographIsOneWhateverItsFourthBytes) {
    const int w = 7, h = 5;
    std::vector<uint8_t> capture(w * h * 4);
    for (size_t i = 0; i < capture.size(); i += 4) {
        capture[i] = 10, capture[i + 1] = 20, capture[i + 2] = 30, capture[i + 3] = uint8_t(i);
    }
    EXPECT_TRUE(IsOneColour(capture.data(), w, h));
    // Any one colour byte of any pixel other than the rest makes it a picture.
    for (size_t i = 0; i < capture.size(); ++i) {
        if (i % 4 == 3) continue;
        std::vector<uint8_t> other = capture;
        ++other[i];
        EXPECT_FALSE(IsOneColour(other.data(), w, h)) << "byte " << i;
    }
}

TEST(Wallpaper, StylesTilesPoliciesAndColoursAsTheRegistryHoldsThem) {
    const struct {
        const char *style, *tile;
        WallpaperPosition position;
    } styles[] = {
        {"0", "0", WallpaperPosition::Center}, {"0", "1", WallpaperPosition::Tile},  {"", "", WallpaperPosition::Center},
        {"2", "1", WallpaperPosition::Stretch}, {"6", "0", WallpaperPosition::Fit},  {"10", "", WallpaperPosition::Fill},
        {"22", "0", WallpaperPosition::Span},  {" 10", "0", WallpaperPosition::Fill}, {"7", "0", WallpaperPosition::Center},
    };
    for (const auto& s : styles) EXPECT_EQ(PositionOfStyle(s.style, s.tile), s.position) << s.style << "/" << s.tile;

    const struct {
        const char* text;
        int r, g, b;
    } colours[] = {{"58 110 165", 58, 110, 165}, {" 0  0 255 ", 0, 0, 255}, {"255 255 255", 255, 255, 255},
                   {"256 9 9", 0, 0, 0},         {"1 2", 0, 0, 0},          {"1 2 3 4", 0, 0, 0},
                   {"1,2,3", 0, 0, 0},           {"", 0, 0, 0},             {"12a 1 1", 0, 0, 0}};
    for (const auto& c : colours) {
        const Rgb rgb = ParseBackground(c.text);
        EXPECT_EQ((std::vector<int>{rgb.r, rgb.g, rgb.b}), (std::vector<int>{c.r, c.g, c.b})) << c.text;
    }

    WallpaperValues values;
    values.file = "C:\\mine.jpg";
    values.style = "10";
    values.background = "1 2 3";
    const std::vector<std::string> copies = {"C:\\copy"};
    // The user's own: the file then the system's copy on every monitor, tiles from the primary.
    WallpaperSetup own = ResolveWallpaper(values, nullptr, 2, copies);
    EXPECT_EQ(own.position, WallpaperPosition::Fill);
    EXPECT_EQ(own.tileOrigin, TileOrigin::PrimaryMonitor);
    EXPECT_EQ(own.background.b, 3);
    EXPECT_EQ(own.files, (std::vector<std::vector<std::string>>(2, {"C:\\mine.jpg", "C:\\copy"})));
    values.file = "";
    EXPECT_EQ(ResolveWallpaper(values, nullptr, 1, copies).files[0], std::vector<std::string>{});  // none chosen

    // Windows 8 on: per monitor, as IDesktopWallpaper answers; a slideshow shows the copy.
    DesktopWallpaperAnswer answer;
    answer.position = 3;
    answer.backgroundColour = 0x00332211;
    answer.monitors.resize(4);
    answer.monitors[0] = {true, false, "C:\\a.png"};
    answer.monitors[1] = {true, true, ""};
    answer.monitors[2] = {true, false, ""};
    values.file = "C:\\registry.jpg";
    WallpaperSetup asked = ResolveWallpaper(values, &answer, 4, copies);
    EXPECT_EQ(asked.position, WallpaperPosition::Fit);
    EXPECT_EQ(asked.tileOrigin, TileOrigin::AllMonitors);
    EXPECT_EQ((std::vector<int>{asked.background.r, asked.background.g, asked.background.b}),
              (std::vector<int>{0x11, 0x22, 0x33}));
    EXPECT_EQ(asked.files[0], (std::vector<std::string>{"C:\\a.png", "C:\\copy"}));
    EXPECT_EQ(asked.files[1], copies);
    EXPECT_EQ(asked.files[2], std::vector<std::string>{});  // a solid colour
    EXPECT_EQ(asked.files[3], (std::vector<std::string>{"C:\\registry.jpg", "C:\\copy"}));  // not answered for
    answer.position = 9;  // not a position: the registry's style
    EXPECT_EQ(ResolveWallpaper(values, &answer, 1, copies).position, WallpaperPosition::Fill);

    // Spanned: the primary's picture on every monitor.
    answer.position = 5;
    WallpaperSetup spanned = ResolveWallpaper(values, &answer, 4, copies);
    for (const auto& files : spanned.files) EXPECT_EQ(files, spanned.files[0]);

    // The administrator's policy wins over both, and its file is tried alone.
    values.policyFileSet = values.policyStyleSet = true;
    values.policyFile = "\\\\server\\corp.jpg";
    values.policyStyle = "1";
    const DesktopWallpaperAnswer* answers[] = {nullptr, &answer};
    for (const DesktopWallpaperAnswer* a : answers) {
        WallpaperSetup policy = ResolveWallpaper(values, a, 2, copies);
        EXPECT_EQ(policy.position, WallpaperPosition::Tile);
        EXPECT_EQ(policy.files, (std::vector<std::vector<std::string>>(2, {"\\\\server\\corp.jpg"})));
    }
    values.policyFile = "";
    values.policyStyle = "8";  // not a position: the user's stays
    WallpaperSetup none = ResolveWallpaper(values, nullptr, 1, copies);
    EXPECT_EQ(none.files[0], std::vector<std::string>{});
    EXPECT_EQ(none.position, WallpaperPosition::Fill);
}

// Picture and monitor sizes of every shape, from a fixed seed.
std::vector<PixelSize> Sizes(int count, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> side(1, 5000);
    std::vector<PixelSize> sizes = {{1, 1}, {1920, 1080}, {1080, 1920}, {3840, 2160}, {16000, 16000}, {1, 4000},
                                   {1000000, 1}, {1, 1000000}};
    while (int(sizes.size()) < count) sizes.push_back({side(random), side(random)});
    return sizes;
}

// The shape within what making one side a whole pixel (at least one) allows; a side held at
// 2^30 pixels (a picture a million times wider than high, filled) keeps none.
bool KeepsShape(PixelSize shown, PixelSize picture) {
    if (std::max(shown.width, shown.height) == 1 << 30) return true;
    const double drift = std::abs(double(shown.width) * picture.height - double(shown.height) * picture.width);
    return drift <= std::max(picture.width, picture.height);
}

// The margins (or the parts cut off) on either side differ by a pixel at most.
bool Centred(const PixelRect& copy, int width, int height) {
    const int right = width - copy.left - copy.width, bottom = height - copy.top - copy.height;
    return std::abs(right - copy.left) <= 1 && std::abs(bottom - copy.top) <= 1;
}

TEST(Placement, FillCoversFitLiesInsideStretchIsTheMonitorCenterKeepsTheSize) {
    const std::vector<PixelSize> pictures = Sizes(60, 1), monitors = Sizes(40, 2);
    for (const PixelSize& p : pictures) {
        for (const PixelSize& m : monitors) {
            const PixelRect monitor{-m.width, 7, m.width, m.height};  // anywhere on the virtual screen
            const auto place = [&](WallpaperPosition position) {
                return PlaceWallpaper(position, p, monitor, monitor, TileOrigin::PrimaryMonitor);
            };
            const std::string at = std::to_string(p.width) + "x" + std::to_string(p.height) + " on " +
                                   std::to_string(m.width) + "x" + std::to_string(m.height);
            const Placement fill = place(WallpaperPosition::Fill), fit = place(WallpaperPosition::Fit);
            EXPECT_TRUE(fill.copy.width >= m.width && fill.copy.height >= m.height) << "fill " << at;
            EXPECT_TRUE(fill.copy.width == m.width || fill.copy.height == m.height) << "fill " << at;
            EXPECT_TRUE(fit.copy.width <= m.width && fit.copy.height <= m.height) << "fit " << at;
            EXPECT_TRUE(fit.copy.width == m.width || fit.copy.height == m.height) << "fit " << at;
            for (const Placement& kept : {fill, fit}) {
                EXPECT_TRUE(KeepsShape(kept.shown, p)) << at;
                EXPECT_TRUE(Centred(kept.copy, m.width, m.height)) << at;
                EXPECT_EQ(kept.copy.width, kept.shown.width);
            }
            const Placement stretch = place(WallpaperPosition::Stretch), center = place(WallpaperPosition::Center);
            EXPECT_EQ((std::vector<int>{stretch.copy.left, stretch.copy.top, stretch.copy.width, stretch.copy.height}),
                      (std::vector<int>{0, 0, m.width, m.height})) << at;
            EXPECT_EQ((std::vector<int>{center.copy.width, center.copy.height}), (std::vector<int>{p.width, p.height}));
            EXPECT_TRUE(Centred(center.copy, m.width, m.height)) << at;
        }
    }
}

TEST(Placement, SpanShowsEachMonitorItsOwnPartOfOnePicture) {
    // Three monitors of three sizes: one left of the primary, one above and right of it.
    const std::vector<PixelRect> monitors = {{0, 0, 1920, 1080}, {-1280, 100, 1280, 1024}, {1920, -600, 800, 600}};
    const PixelRect all = Surrounding(monitors);
    EXPECT_EQ((std::vector<int>{all.left, all.top, all.width, all.height}), (std::vector<int>{-1280, -600, 4000, 1724}));
    for (const PixelSize& p : Sizes(40, 3)) {
        int virtualLeft = 0, virtualTop = 0;
        for (size_t i = 0; i < monitors.size(); ++i) {
            const PixelRect& m = monitors[i];
            const Placement span = PlaceWallpaper(WallpaperPosition::Span, p, m, all, TileOrigin::AllMonitors);
            // The same copy, wherever the monitor lies: covering the box, its shape kept.
            if (i == 0) {
                virtualLeft = span.copy.left + m.left;
                virtualTop = span.copy.top + m.top;
                EXPECT_TRUE(virtualLeft <= all.left && virtualTop <= all.top);
                EXPECT_TRUE(virtualLeft + span.copy.width >= all.left + all.width &&
                            virtualTop + span.copy.height >= all.top + all.height);
                EXPECT_TRUE(KeepsShape(span.shown, p));
            }
            EXPECT_EQ(span.copy.left + m.left, virtualLeft);
            EXPECT_EQ(span.copy.top + m.top, virtualTop);
        }
        // One monitor alone: the span is a fill.
        const Placement alone = PlaceWallpaper(WallpaperPosition::Span, p, monitors[1], monitors[1], TileOrigin::AllMonitors);
        const Placement fill = PlaceWallpaper(WallpaperPosition::Fill, p, monitors[1], monitors[1], TileOrigin::AllMonitors);
        EXPECT_EQ((std::vector<int>{alone.copy.left, alone.copy.top, alone.copy.width, alone.copy.height}),
                  (std::vector<int>{fill.copy.left, fill.copy.top, fill.copy.width, fill.copy.height}));
    }
}

// A picture of four quarters of four colours, blue-green-red.
BgrPicture Quarters(int w, int h) {
    static const uint8_t colours[4][3] = {{200, 10, 10}, {10, 200, 10}, {10, 10, 200}, {120, 120, 10}};
    BgrPicture picture{w, h, std::vector<uint8_t>(size_t(w) * h * 3)};
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const uint8_t* c = colours[(y >= h / 2) * 2 + (x >= w / 2)];
            std::copy(c, c + 3, &picture.bgr[(size_t(y) * w + x) * 3]);
        }
    }
    return picture;
}

std::vector<int> Pixel(const std::vector<uint8_t>& ground, int width, int x, int y) {
    const uint8_t* p = &ground[(size_t(y) * width + x) * 4];
    return {p[0], p[1], p[2]};
}

TEST(Placement, TheMonitorsGroundIsThePictureWhereItLiesAndTheColourElsewhere) {
    const Rgb background{1, 2, 3};
    const std::vector<int> plain = {3, 2, 1};
    const int w = 640, h = 400;
    const PixelRect monitor{0, 0, w, h};
    const BgrPicture full = Quarters(400, 300), half = Quarters(200, 150);
    // Fit: bars of the background beside a 4:3 picture, its quarters where they belong, whether
    // the picture is decoded at its size or at half of it.
    for (const BgrPicture* decoded : {&full, &half}) {
        const Placement fit = PlaceWallpaper(WallpaperPosition::Fit, {400, 300}, monitor, monitor, TileOrigin::PrimaryMonitor);
        const std::vector<uint8_t> ground = ComposeGround(decoded, fit, background, w, h);
        ASSERT_EQ(ground.size(), size_t(w) * h * 4);
        const PixelRect& c = fit.copy;  // 533 x 400 at 53, 0
        EXPECT_EQ(Pixel(ground, w, c.left - 1, h / 2), plain);
        EXPECT_EQ(Pixel(ground, w, c.left + c.width, h / 2), plain);
        const int qx[2] = {c.left + c.width / 4, c.left + 3 * c.width / 4}, qy[2] = {h / 4, 3 * h / 4};
        for (int q = 0; q < 4; ++q) {
            const uint8_t* expected = &decoded->bgr[(size_t(q / 2 ? decoded->height - 1 : 0) * decoded->width +
                                                     (q % 2 ? decoded->width - 1 : 0)) * 3];
            EXPECT_EQ(Pixel(ground, w, qx[q % 2], qy[q / 2]), (std::vector<int>{expected[0], expected[1], expected[2]}));
        }
    }
    // Center of a picture larger than the monitor: its middle, no background at all.
    const BgrPicture large = Quarters(1000, 800);
    const Placement center = PlaceWallpaper(WallpaperPosition::Center, {1000, 800}, monitor, monitor, TileOrigin::PrimaryMonitor);
    const std::vector<uint8_t> cut = ComposeGround(&large, center, background, w, h);
    EXPECT_EQ(Pixel(cut, w, w / 2 - 1, h / 2 - 1), (std::vector<int>{200, 10, 10}));
    EXPECT_EQ(Pixel(cut, w, w / 2, h / 2), (std::vector<int>{120, 120, 10}));
    for (size_t i = 0; i < cut.size(); i += 4) ASSERT_NE(std::vector<int>(cut.begin() + i, cut.begin() + i + 3), plain);
    // No picture: the colour alone.
    const std::vector<uint8_t> none = ComposeGround(nullptr, center, background, w, h);
    for (size_t i = 0; i < none.size(); i += 4) ASSERT_EQ(std::vector<int>(none.begin() + i, none.begin() + i + 3), plain);
}

TEST(Placement, TilesRepeatWithThePicturesPeriodFromTheirOrigin) {
    BgrPicture tile{13, 7, std::vector<uint8_t>(13 * 7 * 3)};
    for (size_t i = 0; i < tile.bgr.size(); ++i) tile.bgr[i] = uint8_t(i * 37 + 11);
    const std::vector<PixelRect> monitors = {{0, 0, 300, 200}, {-250, -90, 250, 160}};
    const PixelRect all = Surrounding(monitors);
    for (TileOrigin origin : {TileOrigin::PrimaryMonitor, TileOrigin::AllMonitors}) {
        const int ox = origin == TileOrigin::AllMonitors ? all.left : 0, oy = origin == TileOrigin::AllMonitors ? all.top : 0;
        for (const PixelRect& m : monitors) {
            const Placement tiled = PlaceWallpaper(WallpaperPosition::Tile, {13, 7}, m, all, origin);
            const std::vector<uint8_t> ground = ComposeGround(&tile, tiled, Rgb(), m.width, m.height);
            // Every pixel is the picture's pixel at its virtual-screen place modulo the period.
            for (int y = 0; y < m.height; ++y) {
                for (int x = 0; x < m.width; ++x) {
                    const int px = ((m.left + x - ox) % 13 + 13) % 13, py = ((m.top + y - oy) % 7 + 7) % 7;
                    const uint8_t* want = &tile.bgr[(size_t(py) * 13 + px) * 3];
                    ASSERT_EQ(Pixel(ground, m.width, x, y), (std::vector<int>{want[0], want[1], want[2]}))
                        << x << "," << y << " of the monitor at " << m.left << "," << m.top;
                }
            }
        }
    }
}

TEST(Placement, JpegDecodesAtTheSmallestFractionThatCoversTheOthersWithinTheBound) {
    const struct {
        PictureFormat format;
        PixelSize picture, shown;
        int denominator;
        bool fits;
    } cases[] = {
        {PictureFormat::Jpeg, {16000, 16000}, {1280, 1024}, 8, true},
        {PictureFormat::Jpeg, {16000, 16000}, {3840, 2160}, 4, true},
        {PictureFormat::Jpeg, {3840, 2160}, {1920, 1080}, 2, true},
        {PictureFormat::Jpeg, {3840, 2160}, {1921, 1080}, 1, true},
        {PictureFormat::Jpeg, {3841, 2161}, {1921, 1081}, 2, true},  // 1921 x 1081 at a half, rounded up
        // Centred or tiled, shown at its own size beyond the bound: the largest fraction within it.
        {PictureFormat::Jpeg, {16000, 16000}, {16000, 16000}, 4, true},
        {PictureFormat::Jpeg, {8000, 8000}, {7000, 9000}, 2, true},
        {PictureFormat::Jpeg, {100000, 100000}, {800, 600}, 8, false},
        {PictureFormat::Png, {16000, 16000}, {1280, 1024}, 1, false},
        {PictureFormat::Png, {8000, 5000}, {1280, 1024}, 1, true},
        {PictureFormat::Bmp, {8000, 5001}, {1280, 1024}, 1, false},
        {PictureFormat::Gif, {0, 0}, {1280, 1024}, 1, false},
    };
    for (const auto& c : cases) {
        const DecodeChoice choice = ChooseDecode(c.format, c.picture, c.shown);
        EXPECT_EQ(choice.denominator, c.denominator) << c.picture.width << " shown at " << c.shown.width;
        EXPECT_EQ(choice.fits, c.fits) << c.picture.width << " shown at " << c.shown.width;
    }
    // What a spanned or filled picture is shown at, the largest over the monitors.
    const std::vector<PixelRect> two = {{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
    const PixelSize spanned = LargestShown(WallpaperPosition::Span, {16000, 9000}, two, Surrounding(two), TileOrigin::AllMonitors);
    EXPECT_EQ((std::vector<int>{spanned.width, spanned.height}), (std::vector<int>{3200, 1800}));
    const PixelSize filled = LargestShown(WallpaperPosition::Fill, {4000, 3000}, two, Surrounding(two), TileOrigin::AllMonitors);
    EXPECT_EQ((std::vector<int>{filled.width, filled.height}), (std::vector<int>{1920, 1440}));
}

}  // namespace
