// The saver's Win32 edges on the real API: the settings file as bytes on disk, file tests,
// and paths. Run under a Japanese (932) and a Western (1252) ANSI code page.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "saver/main/paths.h"
#include "saver/main/settings.h"
#include "saver/main/win32_platform.h"
#include "saver/main/win32_text.h"
#include "win32_test_files.h"

namespace {

class Win32Saver : public testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ = WideToUtf8(temp) + "qm_saver_" + std::to_string(GetCurrentProcessId()) + "_クイルモア";
        CreateDirectoryW(Utf8ToWide(folder_).c_str(), nullptr);
        ini_ = folder_ + "\\クイルモア.ini";
    }
    void TearDown() override {
        DeleteFileW(Utf8ToWide(ini_).c_str());
        DeleteFileW(Utf8ToWide(folder_ + "\\a.mp3").c_str());
        RemoveDirectoryW(Utf8ToWide(folder_).c_str());
    }
    std::string Bytes(const std::string& path) { return FileBytes(Utf8ToWide(path)); }
    std::string folder_, ini_;
};

TEST_F(Win32Saver, KeysAreShiftJisBytesOnDisk) {
    EXPECT_EQ(ReadProfileString(kSettingsSection, kKeyBgmKind, ini_), "");  // no file yet
    WriteProfileString(kSettingsSection, kKeyBgmKind, "2", ini_);
    WriteProfileString(kSettingsSection, kKeyBgmRepeat, "12", ini_);
    WriteProfileString(kSettingsSection, kKeyBgmFile, "C:\\Music\\a b.mp3", ini_);
    const std::string bytes = Bytes(ini_);
    EXPECT_NE(bytes.find("[Section]"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("\x42\x47\x4D\x8B\xE6\x95\xAA=2"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("\x42\x47\x4D\xD8\xCB\xDF\xB0\xC4=12"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("\x42\x47\x4D\xCC\xA7\xB2\xD9=C:\\Music\\a b.mp3"), std::string::npos) << bytes;
    EXPECT_EQ(ReadProfileString(kSettingsSection, kKeyBgmRepeat, ini_), "12");
    EXPECT_EQ(ReadProfileString(kSettingsSection, kKeyBgmFile, ini_), "C:\\Music\\a b.mp3");
    EXPECT_EQ(ReadProfileString("Other", kKeyBgmFile, ini_), "");
}

// A write that fails says so: a folder in the file's place cannot be written; a missing folder
// of the file's (the user's own, on its first use) is made, one level deep.
TEST_F(Win32Saver, AWriteThatFailsIsReportedAndAMissingFolderIsMade) {
    const std::string blocked = folder_ + "\\blocked.ini";
    ASSERT_TRUE(CreateDirectoryW(Utf8ToWide(blocked).c_str(), nullptr));
    EXPECT_FALSE(WriteProfileString(kSettingsSection, kKeyBgmKind, "1", blocked));
    RemoveDirectoryW(Utf8ToWide(blocked).c_str());

    const std::string fresh = folder_ + "\\Quillmoor", inFresh = fresh + "\\クイルモア.ini";
    EXPECT_TRUE(WriteProfileString(kSettingsSection, kKeyBgmKind, "1", inFresh));
    EXPECT_EQ(ReadProfileString(kSettingsSection, kKeyBgmKind, inFresh), "1");
    DeleteFileW(Utf8ToWide(inFresh).c_str());
    RemoveDirectoryW(Utf8ToWide(fresh).c_str());
    EXPECT_FALSE(WriteProfileString(kSettingsSection, kKeyBgmKind, "1", folder_ + "\\a\\b\\クイルモア.ini"));

    // The user's own file lies in the user's roaming application data.
    const std::string own = PerUserSettingsPath();
    wchar_t appData[MAX_PATH] = L"";
    ASSERT_GT(GetEnvironmentVariableW(L"APPDATA", appData, MAX_PATH), 0u);
    EXPECT_EQ(own, WideToUtf8(appData) + "\\Quillmoor\\クイルモア.ini");
}

TEST_F(Win32Saver, LongValuesComeBackAs255Bytes) {
    const std::string value = "C:\\" + std::string(297, 'x');
    WriteProfileString(kSettingsSection, kKeyBgmFile, value, ini_);
    EXPECT_EQ(ReadProfileString(kSettingsSection, kKeyBgmFile, ini_), value.substr(0, 255));
}

// The real settings read with the settings file in the test's folder.
class FolderSettings final : public SettingsPlatform {
public:
    explicit FolderSettings(const std::string& folder) : folder_(folder) {}
    std::string ReadProfileString(const std::string& section, const std::string& key, const std::string& file) override {
        return ::ReadProfileString(section, key, file);
    }
    bool FileExists(const std::string& path) override { return ::FileExists(path); }
    bool IsExistingFile(const std::string& path) override { return ::IsExistingFile(path); }
    std::string ProgramFolder() override { return folder_; }

private:
    std::string folder_;
};

int AnsiBytes(const std::string& utf8) {
    const std::wstring wide = Utf8ToWide(utf8);
    return WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
}

void Touch(const std::string& path) {
    CloseHandle(CreateFileW(Utf8ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
}

// A music path longer than the 255 bytes the settings read keeps: the first 255 bytes (in the
// system's code page) are the path, and a file there plays. Under code page 932 a double-byte
// character that would straddle the limit is dropped whole: the path ends before it.
TEST_F(Win32Saver, SettingsReadAtThe255ByteLimit) {
    // A folder whose name every code page can write (the fixture's is Japanese).
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::string folder = WideToUtf8(temp) + "qm_limit_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryW(Utf8ToWide(folder).c_str(), nullptr);
    FolderSettings platform(folder_);
    const std::string head = folder + "\\";
    const std::string path255 = head + std::string(255 - AnsiBytes(head), 'm');
    ASSERT_EQ(AnsiBytes(path255), 255);
    Touch(path255);
    WriteProfileString(kSettingsSection, kKeyBgmKind, "2", ini_);
    WriteProfileString(kSettingsSection, kKeyBgmFile, path255 + "tail.wav", ini_);
    LoadSettings(platform);
    EXPECT_EQ(BgmFile, path255);
    EXPECT_EQ(BgmKind, 2);
    DeleteFileW(Utf8ToWide(path255).c_str());

    if (GetACP() == 932) {
        const std::string path254 = head + std::string(254 - AnsiBytes(head), 'd');
        Touch(path254);
        WriteProfileString(kSettingsSection, kKeyBgmFile, path254 + "\xE3\x82\xA2.wav", ini_);  // ア: 2 bytes
        LoadSettings(platform);
        EXPECT_EQ(BgmFile, path254);
        EXPECT_EQ(BgmKind, 2);
        DeleteFileW(Utf8ToWide(path254).c_str());
    }
    RemoveDirectoryW(Utf8ToWide(folder).c_str());
    BgmKind = 0;
    BgmFile.clear();
}

// The settings of a user whose own file lies at `own`, on the real file system.
class OwnSettingsFile final : public Win32Settings<SettingsPlatform> {
public:
    explicit OwnSettingsFile(std::string own) : own_(std::move(own)) {}
    std::string PerUserSettingsPath() override { return own_; }

private:
    std::string own_;
};

TEST_F(Win32Saver, FileExistsOnlyForFilesThatOpen) {
    const std::string file = folder_ + "\\a.mp3";
    EXPECT_FALSE(FileExists(file));
    HANDLE h = CreateFileW(Utf8ToWide(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(FileExists(file));  // held open without read sharing
    // A user's own settings file held by another program is still the one read and written.
    OwnSettingsFile places(file);
    EXPECT_EQ(SettingsFilePath(places), file);
    EXPECT_EQ(SettingsFilesToWrite(places), std::vector<std::string>{file});
    CloseHandle(h);
    EXPECT_TRUE(FileExists(file));
    EXPECT_TRUE(FileExists(file + "\\"));  // one trailing backslash is dropped
    EXPECT_FALSE(FileExists(folder_));
    EXPECT_FALSE(FileExists(folder_ + "\\"));
    EXPECT_FALSE(FileExists("C:\\"));
    EXPECT_FALSE(FileExists(""));
    EXPECT_EQ(FolderOfPath("\\\\host\\share\\a.mp3"), "\\\\host\\share");
}

TEST_F(Win32Saver, RunsUnderTheIntendedCodePage) {
    // The locale Wine was started with decides the ANSI code page.
    const char* lang = std::getenv("LANG");
    ASSERT_NE(lang, nullptr);
    EXPECT_EQ(GetACP(), std::string(lang).rfind("ja_JP", 0) == 0 ? 932u : 1252u) << lang;
}

TEST_F(Win32Saver, ProgramFolderHoldsTheProgram) {
    const std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '\\');
    EXPECT_TRUE(FileExists(folder + "\\win32_tests.exe"));
}

}  // namespace
