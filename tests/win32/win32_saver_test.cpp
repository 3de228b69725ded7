// The saver's Win32 edges on the real API: the settings file as bytes on disk, file tests,
// and paths. Run under a Japanese (932) and a Western (1252) ANSI code page.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "saver/main/paths.h"
#include "saver/main/settings.h"
#include "saver/main/win32_platform.h"
#include "saver/main/win32_text.h"

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
    std::string Bytes(const std::string& path) {
        HANDLE h = CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        std::string bytes;
        if (h == INVALID_HANDLE_VALUE) return bytes;
        char buffer[4096];
        DWORD read = 0;
        while (ReadFile(h, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
        CloseHandle(h);
        return bytes;
    }
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

TEST_F(Win32Saver, LongValuesComeBackAs255Bytes) {
    const std::string value = "C:\\" + std::string(297, 'x');
    WriteProfileString(kSettingsSection, kKeyBgmFile, value, ini_);
    EXPECT_EQ(ReadProfileString(kSettingsSection, kKeyBgmFile, ini_), value.substr(0, 255));
}

TEST_F(Win32Saver, FileExistsOnlyForFilesThatOpen) {
    const std::string file = folder_ + "\\a.mp3";
    EXPECT_FALSE(FileExists(file));
    HANDLE h = CreateFileW(Utf8ToWide(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(FileExists(file));  // held open without read sharing
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
