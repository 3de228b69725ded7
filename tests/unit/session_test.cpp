// The session's decisions: music by file name, the renderer watch with its start-up grace,
// the clean-up order at the end, and the BMP files the session writes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "renderer/image/dib_decode.h"
#include "saver/main/settings.h"
#include "saver/main/sub_main.h"
#include "saver/music/music.h"
#include "saver/session/bmp_writer.h"
#include "saver/session/exchange_folder.h"
#include "saver/session/session.h"

namespace {

TEST(Session, MusicKindByTheLastThreeLetters) {
    EXPECT_EQ(MusicKindOf("C:\\a.wav"), MusicFileKind::Wave);
    EXPECT_EQ(MusicKindOf("C:\\a.WaV"), MusicFileKind::Wave);
    EXPECT_EQ(MusicKindOf("C:\\a.Mp3"), MusicFileKind::Mp3);
    EXPECT_EQ(MusicKindOf("C:\\a.ogg"), MusicFileKind::None);
    EXPECT_EQ(MusicKindOf("mp"), MusicFileKind::None);
    EXPECT_EQ(MusicKindOf("wav"), MusicFileKind::Wave);  // three letters are enough
    EXPECT_EQ(MusicKindOf("xmp3"), MusicFileKind::Mp3);  // only the letters count, not a dot
}

TEST(Session, RendererWatchWaitsForTheFirstWindowThenEndsOnItsAbsence) {
    RendererWatch slowStart;
    EXPECT_FALSE(slowStart.Tick(false, true, 500));   // still starting
    EXPECT_FALSE(slowStart.Tick(false, true, 9000));
    EXPECT_FALSE(slowStart.Tick(true, true, 9500));   // there it is
    EXPECT_TRUE(slowStart.Tick(false, true, 10000));  // gone: the session ends
    EXPECT_FALSE(slowStart.GaveUp());

    RendererWatch neverShown;
    EXPECT_FALSE(neverShown.Tick(false, true, 14999));
    EXPECT_FALSE(neverShown.GaveUp());
    EXPECT_TRUE(neverShown.Tick(false, true, 15000));  // the grace has ended, the renderer lives:
    EXPECT_TRUE(neverShown.GaveUp());                  // it is ended with the session

    RendererWatch died;
    EXPECT_TRUE(died.Tick(false, false, 16000));  // the process ended without a window
    EXPECT_FALSE(died.GaveUp());

    RendererWatch someoneElses;  // any window with the title keeps the session alive
    EXPECT_FALSE(someoneElses.Tick(true, false, 500));
}

class RecordingEnd : public SessionEndPlatform, public MusicPlatform {
public:
    bool cdTimer = false;
    std::string arguments = "/s";
    std::vector<std::string> calls;
    bool CdTimerEnabled() override { return cdTimer; }
    void DisableCdTimer() override { calls.push_back("disable cd timer"); }
    void DisableMp3Timer() override { calls.push_back("disable mp3 timer"); }
    std::string CommandArguments() override { return arguments; }
    int32_t ShowCursorCount(bool show) override {
        calls.push_back(show ? "show cursor" : "hide cursor");
        return 0;
    }
    DisplayMode current{1920, 1080, 32, 60};
    bool modesReadable = true;
    bool CurrentDisplayMode(DisplayMode& c) override {
        c = current;
        return modesReadable;
    }
    void RestoreDisplayMode(const DisplayMode& m) override {
        calls.push_back("restore display " + std::to_string(m.width) + "x" + std::to_string(m.height));
    }
    int32_t SendString(const std::string& command, char*, uint32_t) override {
        calls.push_back(command);
        return 0;
    }
    bool ErrorString(int32_t, char*, uint32_t) override { return false; }
    int WaveOutDeviceCount() override { return 1; }
    void PlaySoundFile(const std::string* name, uint32_t) override { calls.push_back(name ? "play" : "stop sound"); }
};

TEST(Session, EndStopsTheMusicGivesTheCursorBackThenRestoresTheDisplay) {
    RecordingEnd p;
    SetMusicPlatform(&p);
    BgmKind = 2;
    BgmFile = "C:\\a.MP3";
    CursorCount = -1;
    EndSession(p);
    EXPECT_EQ(p.calls, (std::vector<std::string>{"disable mp3 timer", "stop MP3Play", "close MP3Play", "show cursor"}));
    EXPECT_EQ(CursorCount, 0);

    p.calls.clear();
    p.cdTimer = true;
    p.arguments = "";  // the cursor was never hidden: left alone
    BgmKind = 1;
    EndSession(p);
    EXPECT_EQ(p.calls, (std::vector<std::string>{"disable cd timer", "stop cdaudio", "close cdaudio"}));

    p.calls.clear();
    p.cdTimer = false;  // the CD watch ended by itself: nothing to stop
    p.arguments = "/S";
    BgmKind = 2;
    BgmFile = "C:\\a.wav";
    CursorCount = 0;
    EndSession(p);
    EXPECT_EQ(p.calls, (std::vector<std::string>{"stop sound", "hide cursor"}));

    // A renderer that died in full screen left its mode: the end switches back to the mode from
    // before the renderer (whatever the registry holds, which the end never asks), last.
    struct Case {
        DisplayMode before, current;
        bool readable, restores;
    } cases[] = {{{1920, 1080, 32, 60}, {1024, 768, 32, 60}, true, true},
                 {{1920, 1080, 32, 60}, {1920, 1080, 16, 60}, true, true},
                 {{1920, 1080, 32, 60}, {1920, 1080, 32, 75}, true, true},
                 {{1920, 1080, 32, 60}, {1920, 1080, 32, 1}, true, false},   // no rate: the default
                 {{1920, 1080, 32, 1}, {1920, 1080, 32, 60}, true, false},
                 {{1920, 1080, 32, 60}, {1920, 1080, 32, 60}, true, false},  // as it was
                 {{1600, 900, 32, 59}, {1600, 900, 32, 59}, true, false},     // not the registry's, still as it was
                 {{1600, 900, 32, 59}, {1024, 768, 32, 60}, true, true},
                 {{1920, 1080, 32, 60}, {1024, 768, 32, 60}, false, false}};
    BgmKind = 0;
    p.arguments = "";
    for (const Case& c : cases) {
        p.calls.clear();
        ModeBeforeRenderer = c.before;
        p.current = c.current;
        p.modesReadable = c.readable;
        EndSession(p);
        const std::vector<std::string> expected =
            c.restores ? std::vector<std::string>{"restore display " + std::to_string(c.before.width) + "x" +
                                                  std::to_string(c.before.height)}
                       : std::vector<std::string>{};
        EXPECT_EQ(p.calls, expected) << c.current.width << "x" << c.current.height << "x" << c.current.bitsPerPixel << "@"
                                     << c.current.frequency;
    }
    // No renderer was started: nothing to put back.
    p.calls.clear();
    ModeBeforeRenderer.reset();
    p.current = {1024, 768, 32, 60};
    EndSession(p);
    EXPECT_TRUE(p.calls.empty());
    SetMusicPlatform(nullptr);
    BgmKind = 0;
    BgmFile.clear();
}

// Whose the exchange folder is decides whether the session goes through it: only this user's
// own plain folder, made private where it is open to others; anything else (another user's
// folder, a link, a file in its place) sends the session to the user's own folder.
TEST(Session, TheExchangeFolderIsUsedOnlyWhereItIsTheUsersOwn) {
    const struct {
        bool directory, reparse, owned, open;
        FolderUse use;
    } cases[] = {
        {true, false, true, false, FolderUse::AsItIs},
        {true, false, true, true, FolderUse::MadePrivate},
        {true, false, false, false, FolderUse::UsersOwnFolder},
        {true, false, false, true, FolderUse::UsersOwnFolder},
        {true, true, true, false, FolderUse::UsersOwnFolder},  // a junction of the user's own
        {true, true, false, true, FolderUse::UsersOwnFolder},
        {false, true, true, false, FolderUse::UsersOwnFolder},  // a link to a file
        {false, false, true, false, FolderUse::UsersOwnFolder},  // a file in its place
    };
    for (const auto& c : cases) {
        FolderState state;
        state.directory = c.directory;
        state.reparsePoint = c.reparse;
        state.ownedByUser = c.owned;
        state.openToOthers = c.open;
        EXPECT_EQ(ExchangeFolderUse(state), c.use) << c.directory << c.reparse << c.owned << c.open;
    }
}

TEST(Session, WrittenPicturesReadBackExactly) {
    for (int bits : {24, 32}) {
        for (int width : {1, 3, 6, 7}) {
            const std::vector<uint8_t> file = EncodeBmp(width, 5, bits, [&](int x, int y, uint8_t rgb[3]) {
                rgb[0] = static_cast<uint8_t>(x * 40);
                rgb[1] = static_cast<uint8_t>(y * 50);
                rgb[2] = static_cast<uint8_t>(x + y);
            });
            RgbImage* image = nullptr;
            ASSERT_EQ(DecodeDib(file.data(), file.size(), &image), DibError::None);
            ASSERT_EQ(image->width, width);
            ASSERT_EQ(image->height, 5);
            for (int y = 0; y < 5; ++y) {
                for (int x = 0; x < width; ++x) {
                    const unsigned char* p = image->data + ((4 - y) * width + x) * 3;  // ours: bottom row first
                    EXPECT_EQ(p[0], x * 40);
                    EXPECT_EQ(p[1], y * 50);
                    EXPECT_EQ(p[2], x + y);
                }
            }
            FreeRgbImage(image);
        }
    }
}

// The exchange pictures byte for byte, as the format lays them out: the same file whichever
// build (32- or 64-bit, any compiler) wrote it, since the renderer of either reads it.
TEST(Session, PictureFilesHaveTheFormatsLayoutByteForByte) {
    const uint8_t header[] = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file: size, offset
                              40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0,        // info: size, 2 x 2, planes
                              0, 0,                                              // bits, below
                              0, 0, 0, 0, 16, 0, 0, 0, 0xC4, 0x0E, 0, 0, 0xC4, 0x0E, 0, 0,  // 96 dpi
                              0, 0, 0, 0, 0, 0, 0, 0};
    // Blue, green, red; the bottom row first; rows padded to four bytes.
    const std::vector<uint8_t> pixels24 = {9, 8, 7, 12, 11, 10, 0, 0, 3, 2, 1, 6, 5, 4, 0, 0};
    const std::vector<uint8_t> pixels32 = {9, 8, 7, 0, 12, 11, 10, 0, 3, 2, 1, 0, 6, 5, 4, 0};
    for (int bits : {24, 32}) {
        std::vector<uint8_t> expected(header, header + sizeof header);
        expected[28] = static_cast<uint8_t>(bits);
        const std::vector<uint8_t>& pixels = bits == 24 ? pixels24 : pixels32;
        expected.insert(expected.end(), pixels.begin(), pixels.end());
        const std::vector<uint8_t> file = EncodeBmp(2, 2, bits, [](int x, int y, uint8_t rgb[3]) {
            for (int c = 0; c < 3; ++c) rgb[c] = static_cast<uint8_t>(1 + c + 3 * x + 6 * y);
        });
        EXPECT_EQ(file, expected) << bits << " bits";
    }
}

// The capture's own encoder against the general one over the same mirrored pixels, byte for
// byte: header, padding, channel order, mirroring and row order; the capture's fourth byte
// never reaches the file.
TEST(Session, MirroredCaptureMatchesTheGeneralWriter) {
    for (int bits : {24, 32, 16}) {
        for (int width : {1, 3, 6, 7}) {
            for (int height : {1, 5}) {
                std::vector<uint8_t> capture(size_t(width) * height * 4);
                for (size_t i = 0; i < capture.size(); ++i) capture[i] = static_cast<uint8_t>(i % 4 == 3 ? 0xAB : i * 7);
                const std::vector<uint8_t> fast = EncodeMirroredCapture(capture.data(), width, height, bits);
                const std::vector<uint8_t> general = EncodeBmp(width, height, bits, [&](int x, int y, uint8_t rgb[3]) {
                    const uint8_t* p = &capture[(size_t(y) * width + (width - 1 - x)) * 4];
                    rgb[0] = p[2];
                    rgb[1] = p[1];
                    rgb[2] = p[0];
                });
                EXPECT_EQ(fast, general) << bits << " bits, " << width << " x " << height;
            }
        }
    }
}

}  // namespace
