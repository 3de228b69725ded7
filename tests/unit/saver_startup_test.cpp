// The saver's start-up rules: the command line, the stored numbers, paths, the settings load
// and the order of the entry's steps, over a recording fake of the platform.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "saver/main/command_line.h"
#include "saver/main/form_font.h"
#include "saver/main/paths.h"
#include "saver/main/settings.h"
#include "saver/main/sub_main.h"

namespace {

TEST(CommandLine, ModeLetterAndPreviewHandle) {
    const struct {
        const char* arguments;
        const char* mode;
        int32_t handle;
    } cases[] = {
        {"/s", "S", 0},          {"-S", "S", 0},        {"xs", "S", 0},           {"/S extra", "S", 0},
        {"", "", 0},             {"/", "", 0},          {"/c", "C", 0},           {"/c:1234", "C", 1234},
        {"/p 1234", "P", 1234},  {"/p:1234", "P", 1234}, {"/p", "P", 0},          {"/P  77", "P", 77},
        {"/p 12ab", "P", 12},    {"/p abc", "P", 0},    {"/p 1234.5", "P", 1234}, {"/p 1235.5", "P", 1236},
        {"/p -3", "P", -3},      {"/a", "A", 0},        {"/クイ", "ク", 0},
        // Handles from 2^31 up, written unsigned or signed; any integer keeps its low 32 bits.
        {"/p 2147549712", "P", -2147417584}, {"/p -2147417584", "P", -2147417584},
        {"/p 4294967295", "P", -1},          {"/p 99999999999", "P", 1215752191},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ModeLetter(c.arguments), c.mode) << "'" << c.arguments << "'";
        EXPECT_EQ(PreviewHandle(c.arguments), c.handle) << "'" << c.arguments << "'";
    }
}

TEST(StoredNumbers, RoundedDownOrKeptAsTheyWere) {
    const struct {
        const char* text;
        bool set;
        int16_t value;
    } cases[] = {
        {"", true, 0},        {"2", true, 2},        {"2.9", true, 2},     {"-0.5", true, -1},   {"  3", true, 3},
        {"3  ", true, 3},     {"1e2", true, 100},    {"32767", true, 32767}, {"-32768", true, -32768},
        {"32767.9", true, 32767}, {"abc", false, 7}, {"99999", false, 7},  {"32768", false, 7},
        {"-32768.5", false, 7}, {"3abc", false, 7},  {"-", false, 7},      {".", false, 7},
    };
    for (const auto& c : cases) {
        int16_t target = 7;
        EXPECT_EQ(ApplyNumberSetting(c.text, target), c.set) << "'" << c.text << "'";
        EXPECT_EQ(target, c.value) << "'" << c.text << "'";
    }
}

TEST(Paths, FolderOfPath) {
    const struct {
        const char* path;
        const char* folder;
    } cases[] = {
        {"C:\\Music\\a.mp3", "C:\\Music"}, {"C:\\a.mp3", "C:"}, {"C:a.mp3", "C:"}, {"a.mp3", ""},
        {"\\\\host\\share\\a.mp3", "\\\\host\\share"}, {"", ""}, {"C:\\Music\\", "C:\\Music"},
        {"D:\\音楽\\曲.mp3", "D:\\音楽"},
    };
    for (const auto& c : cases) EXPECT_EQ(FolderOfPath(c.path), c.folder) << c.path;
}

// A cursor position a 16-bit origin cannot hold leaves the origin as it was; one it can hold,
// to the limits, is stored as it is (never wrapped round).
TEST(Paths, ZoomOriginKeepsItsValueWhereACoordinateDoesNotFit) {
    const struct {
        int32_t coordinate;
        int16_t expected;
    } cases[] = {{0, 0}, {1919, 1919}, {-1280, -1280}, {32767, 32767}, {-32768, -32768},
                 {32768, 500}, {40000, 500}, {-32769, 500}, {70000, 500}};
    for (const auto& c : cases) {
        int16_t origin = 500;
        StoreZoomCoordinate(c.coordinate, origin);
        EXPECT_EQ(origin, c.expected) << c.coordinate;
    }
}

// Each language's texts describe the forms' font in one text; one that cannot be read is
// refused whole, and the caller keeps the design's font.
TEST(FormFontText, ReadWholeOrNotAtAll) {
    FormFont font;
    ASSERT_TRUE(ReadFormFont(kDesignFont, font));
    EXPECT_EQ(font.name, "ＭＳ Ｐゴシック");
    EXPECT_EQ(font.points, 9.75);
    EXPECT_EQ(font.weight, 400);
    EXPECT_EQ(font.charset, 128);
    for (const char* bad : {"", "Tahoma", "Tahoma,8.25,400", "Tahoma,8.25,400,1,2", ",8.25,400,1", "Tahoma,0,400,1",
                            "Tahoma,73,400,1", "Tahoma,8.25,0,1", "Tahoma,8.25,1001,1", "Tahoma,8.25,400.5,1",
                            "Tahoma,8.25,400,256", "Tahoma,8.25,400,-1", "Tahoma,big,400,1"}) {
        EXPECT_FALSE(ReadFormFont(bad, font)) << bad;
    }
    EXPECT_EQ(font.name, "ＭＳ Ｐゴシック") << "a refused text changed the font";
    ASSERT_TRUE(ReadFormFont("Tahoma,8.25,700,1", font));
    EXPECT_EQ(font.name, "Tahoma");
    EXPECT_EQ(font.points, 8.25);
    EXPECT_EQ(font.weight, 700);
    EXPECT_EQ(font.charset, 1);
}

// The platform as the entry and the settings load see it; records every call in order.
class FakePlatform : public StartupPlatform {
public:
    std::map<std::string, std::string> values;  // key -> stored text
    std::vector<std::string> files;             // paths that open
    std::vector<std::string> windows;           // titles of open windows
    std::string arguments;
    std::vector<std::string> calls;

    std::string ReadProfileString(const std::string& section, const std::string& key, const std::string& file) override {
        calls.push_back("read " + section + " " + file);
        const auto it = values.find(key);
        return it == values.end() ? "" : it->second.substr(0, 255);
    }
    bool FileExists(const std::string& path) override {
        calls.push_back("exists " + path);
        for (const std::string& f : files) {
            if (f == path) return true;
        }
        return false;
    }
    bool IsExistingFile(const std::string& path) override { return FileExists(path); }
    std::string ProgramFolder() override { return "C:\\Saver"; }
    std::string PerUserSettingsPath() override { return perUser; }
    std::string perUser;  // none unless a test gives one
    std::string CommandArguments() override { return arguments; }
    bool TopLevelWindowExists(const std::string& title) override {
        calls.push_back("find " + title);
        for (const std::string& w : windows) {
            if (w == title) return true;
        }
        return false;
    }
    void CreateFolder(const std::string& path) override { calls.push_back("mkdir " + path); }
    void ShowMessage(const std::string& text) override { calls.push_back("message " + text); }
    std::string Text(int id) override { return id == QM_TEXT_MISSING_RENDERER ? "クイルモア.dll が同じﾌｫﾙﾀﾞに見つかりません！" : ""; }
    std::vector<std::string> TextInEveryLanguage(int id) override {
        return id == QM_TEXT_DIALOG_TITLE ? std::vector<std::string>{"<Quillmoor>", "<クイルモア>"} : std::vector<std::string>{};
    }
    int32_t HideCursor() override {
        calls.push_back("hide cursor");
        return -1;
    }
    void ShowPreview(int32_t parent) override { calls.push_back("preview " + std::to_string(parent)); }
    void ShowSettingsDialog() override { calls.push_back("dialog"); }
    void LoadSessionForm() override { calls.push_back("session"); }
    void RunWatcher(bool end) override { calls.push_back(end ? "end watcher" : "watcher"); }
};

class Settings : public testing::Test {
protected:
    void SetUp() override {
        BgmKind = BgmRepeat = 0;
        BgmFile.clear();
        BgmFolder.clear();
        CursorCount.reset();
    }
    FakePlatform platform;
};

TEST_F(Settings, LoadRules) {
    platform.values = {{kKeyBgmKind, "2"}, {kKeyBgmRepeat, "2.9"}, {kKeyBgmFile, "C:\\Music\\a.mp3"}};
    platform.files = {"C:\\Music\\a.mp3"};
    LoadSettings(platform);
    EXPECT_EQ(BgmKind, 2);
    EXPECT_EQ(BgmRepeat, 2);
    EXPECT_EQ(BgmFile, "C:\\Music\\a.mp3");
    EXPECT_EQ(BgmFolder, "C:\\Music");
    EXPECT_EQ(platform.calls[0], "read Section C:\\Saver\\クイルモア.ini");

    // The music file has gone: dropped, and kind 2 falls back to none.
    platform.files.clear();
    LoadSettings(platform);
    EXPECT_EQ(BgmKind, 0);
    EXPECT_EQ(BgmFile, "");
    EXPECT_EQ(BgmFolder, "C:\\Saver");

    // The audio CD needs no file.
    platform.values = {{kKeyBgmKind, "1"}};
    LoadSettings(platform);
    EXPECT_EQ(BgmKind, 1);
    EXPECT_EQ(BgmRepeat, 0);

    // Not numbers, or too large: the values stay as they were.
    platform.values = {{kKeyBgmKind, "abc"}, {kKeyBgmRepeat, "99999"}};
    BgmRepeat = 5;
    LoadSettings(platform);
    EXPECT_EQ(BgmKind, 1);
    EXPECT_EQ(BgmRepeat, 5);

    // A file in a drive's root: the folder is the drive alone.
    platform.values = {{kKeyBgmKind, "2"}, {kKeyBgmFile, "D:\\a.wav"}};
    platform.files = {"D:\\a.wav"};
    LoadSettings(platform);
    EXPECT_EQ(BgmFolder, "D:");
}

// The user's own file is read where it exists, and then confirming writes there alone: a write
// beside the program would never be read back. Without it, the file beside the program comes
// first, as it always did.
TEST_F(Settings, TheUsersOwnFileIsReadFirstAndWrittenWhereItIsRead) {
    const std::string beside = "C:\\Saver\\クイルモア.ini", own = "C:\\Users\\u\\AppData\\Roaming\\Quillmoor\\クイルモア.ini";
    EXPECT_EQ(SettingsFilePath(platform), beside);
    EXPECT_EQ(SettingsFilesToWrite(platform), std::vector<std::string>{beside});
    platform.perUser = own;
    EXPECT_EQ(SettingsFilePath(platform), beside);
    EXPECT_EQ(SettingsFilesToWrite(platform), (std::vector<std::string>{beside, own}));
    platform.files = {own};
    EXPECT_EQ(SettingsFilePath(platform), own);
    EXPECT_EQ(SettingsFilesToWrite(platform), std::vector<std::string>{own});
    platform.calls.clear();
    LoadSettings(platform);
    EXPECT_EQ(platform.calls[1], "read Section " + own);
}

// The screen mode and the monitors, each on its own key: 1 turns it on; no key, 0, or anything
// else leaves it off, read as forgivingly as the numbers.
TEST_F(Settings, TheScreenModeAndTheMonitorsAreOneOrElseZero) {
    const struct {
        const char* text;
        int16_t mode;
    } cases[] = {{nullptr, 0}, {"", 0}, {"0", 0}, {"1", 1}, {" 1 ", 1}, {"1.9", 1}, {"2", 0},
                 {"-1", 0},    {"0.99", 0}, {"abc", 0}, {"1abc", 0}, {"99999", 0}};
    for (const char* key : {kKeyScreenMode, kKeyAllMonitors}) {
        for (const auto& c : cases) {
            platform.values.clear();
            if (c.text) platform.values[key] = c.text;
            ScreenMode = AllMonitors = 7;  // whatever they held before
            LoadSettings(platform);
            EXPECT_EQ(key == kKeyScreenMode ? ScreenMode : AllMonitors, c.mode) << (c.text ? c.text : "(no key)");
            EXPECT_EQ(key == kKeyScreenMode ? AllMonitors : ScreenMode, 0) << "the other key";
        }
    }
    ScreenMode = AllMonitors = 0;
}

// (The 255-byte cut of a long path is the platform's: Win32Saver.SettingsReadAtThe255ByteLimit.)
TEST_F(Settings, AMusicFileSourceWithNoFileIsNone) {
    platform.values = {{kKeyBgmKind, "2"}, {kKeyBgmRepeat, "3"}, {kKeyBgmFile, ""}};
    platform.files = {""};  // even were an empty name to "exist"
    LoadSettings(platform);
    EXPECT_EQ(BgmKind, 0);
    EXPECT_EQ(BgmRepeat, 3);
    EXPECT_EQ(BgmFile, "");
    EXPECT_EQ(BgmFolder, "C:\\Saver");
}

TEST_F(Settings, EntryStepsInOrderForEachMode) {
    const std::string dll = "exists C:\\Saver\\クイルモア.dll";
    const std::vector<std::string> head = {"find Quillmoor_Main", "find <Quillmoor>", "find <クイルモア>", "mkdir C:\\q_mora",
                                           "read Section C:\\Saver\\クイルモア.ini",
                                           "read Section C:\\Saver\\クイルモア.ini",
                                           "read Section C:\\Saver\\クイルモア.ini",
                                           "read Section C:\\Saver\\クイルモア.ini",
                                           "read Section C:\\Saver\\クイルモア.ini", dll};  // the screen mode and the monitors last
    auto with = [&](std::vector<std::string> tail) {
        std::vector<std::string> all = head;
        all.insert(all.end(), tail.begin(), tail.end());
        return all;
    };
    const struct {
        const char* arguments;
        std::vector<std::string> calls;
        bool cursorHidden;
    } cases[] = {
        {"/s", with({"hide cursor", "session"}), true},
        {"", with({"session"}), false},
        {"/c:1234", with({"dialog"}), false},
        {"/a", with({}), false},
        {"/", with({}), false},
        {"/p 1234", {"find Quillmoor_Main", "find <Quillmoor>", "find <クイルモア>", "preview 1234"}, false},
        {"/w", {"watcher"}, false},  // whatever else runs: no window looked for, no settings read
        {"-W end ", {"end watcher"}, false},
        {"/w x", {}, false},
    };
    for (const auto& c : cases) {
        FakePlatform p;
        p.files = {"C:\\Saver\\クイルモア.dll"};
        p.arguments = c.arguments;
        CursorCount.reset();
        SubMain(p);
        EXPECT_EQ(p.calls, c.calls) << "'" << c.arguments << "'";
        EXPECT_EQ(CursorCount.has_value(), c.cursorHidden) << "'" << c.arguments << "'";
    }
}

TEST_F(Settings, SecondInstanceAndMissingRenderer) {
    // The dialog open in either language.
    for (const char* title : {"Quillmoor_Main", "<クイルモア>", "<Quillmoor>"}) {
        for (const char* arguments : {"/s", "/c", "/p 5", ""}) {
            FakePlatform p;
            p.windows = {title};
            p.arguments = arguments;
            SubMain(p);
            for (const std::string& call : p.calls) EXPECT_EQ(call.rfind("find ", 0), 0u) << arguments << ": " << call;
        }
    }
    for (const char* arguments : {"/s", "/c"}) {
        FakePlatform p;
        p.arguments = arguments;
        SubMain(p);
        EXPECT_EQ(p.calls.back(), "message クイルモア.dll が同じﾌｫﾙﾀﾞに見つかりません！") << arguments;
    }
    FakePlatform preview;  // the preview needs no renderer
    preview.arguments = "/p";
    SubMain(preview);
    EXPECT_EQ(preview.calls.back(), "preview 0");
}

}  // namespace
