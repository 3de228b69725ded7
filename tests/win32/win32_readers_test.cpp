// The picture and model readers on the real Win32 API: file mapping with shared reading,
// ANSI paths, and the reader's messages as the user would get them.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "renderer/image/image_file.h"
#include "renderer/image/load_errors.h"
#include "renderer/model/mesh_model.h"
#include "renderer/model/texture_names.h"

namespace {

const std::string kSuite = std::string(QM_TESTDATA) + "/bmpsuite/";

std::vector<std::string> captured;
void Capture(const char* message) { captured.emplace_back(message); }

class Win32Readers : public testing::Test {
protected:
    void SetUp() override {
        captured.clear();
        SetLoadErrorSink(Capture);
        char dir[MAX_PATH];
        GetTempPathA(MAX_PATH, dir);
        temp_ = std::string(dir) + "qm_win32_" + std::to_string(GetCurrentProcessId()) + "_";
    }
    void TearDown() override {
        SetLoadErrorSink(nullptr);
        for (const std::string& f : files_) DeleteFileA(f.c_str());
    }
    std::string Write(const char* name, const std::string& bytes) {
        std::string path = temp_ + name;
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        EXPECT_NE(h, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        if (!bytes.empty()) WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(h);
        files_.push_back(path);
        return path;
    }
    std::string temp_;
    std::vector<std::string> files_;
};

TEST_F(Win32Readers, MappedPicturesDecode) {
    for (const char* file : {"g/pal8.bmp", "g/rgb24.bmp", "g/rgb32.bmp", "g/pal4rle.bmp", "g/pal8os2.bmp", "g/pal8topdown.bmp"}) {
        RgbImage* image = LoadImageFile((kSuite + file).c_str());
        ASSERT_NE(image, nullptr) << file;
        EXPECT_EQ(image->width, 127) << file;
        EXPECT_EQ(image->height, 64) << file;
        FreeRgbImage(image);
    }
    EXPECT_TRUE(captured.empty());
}

TEST_F(Win32Readers, MessagesAsTheUserSeesThem) {
    const std::string empty = Write("empty.bmp", "");
    EXPECT_EQ(LoadImageFile(empty.c_str()), nullptr);
    ASSERT_EQ(captured.size(), 1u);
    EXPECT_EQ(captured[0], "Failed to open DIB file " + empty + ".\n");

    captured.clear();
    EXPECT_EQ(LoadImageFile((kSuite + "g/pal8v5.bmp").c_str()), nullptr);
    EXPECT_EQ(captured, std::vector<std::string>{"Unknown DIB file format."});

    captured.clear();
    EXPECT_EQ(LoadImageFile((kSuite + "b/badrle.bmp").c_str()), nullptr);
    EXPECT_EQ(captured, std::vector<std::string>{"Image file conversion error."});

    // A missing file is silent; so is everything while messages are off.
    captured.clear();
    EXPECT_EQ(LoadImageFile((temp_ + "missing.bmp").c_str()), nullptr);
    ShowLoadErrors = false;
    EXPECT_EQ(LoadImageFile(empty.c_str()), nullptr);
    ShowLoadErrors = true;
    EXPECT_TRUE(captured.empty());
}

TEST_F(Win32Readers, APictureHeldOpenForReadingStillLoads) {
    const std::string path = kSuite + "g/rgb24.bmp";
    HANDLE other = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    RgbImage* image = LoadDibFile(path.c_str());
    EXPECT_NE(image, nullptr);
    FreeRgbImage(image);
    CloseHandle(other);
}

// A file another program holds open for writing counts as missing, silently: the reader never
// takes what someone may be changing under it. So do devices opened by name. Once the writer has
// gone, the same files read.
TEST_F(Win32Readers, FilesHeldOpenForWritingAndDevicesCountAsMissing) {
    const std::string picture = Write("held.bmp", "");
    ASSERT_TRUE(CopyFileA((kSuite + "g/rgb24.bmp").c_str(), picture.c_str(), FALSE));
    const std::string model = Write("held.ms3d", "");
    ASSERT_TRUE(CopyFileA((std::string(QM_TESTDATA) + "/ms3d/Wuson.ms3d").c_str(), model.c_str(), FALSE));
    HANDLE writers[2];
    for (int i = 0; i < 2; ++i) {
        writers[i] = CreateFileA((i ? model : picture).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(writers[i], INVALID_HANDLE_VALUE);
    }
    EXPECT_EQ(LoadImageFile(picture.c_str()), nullptr);
    Ms3dModel held;
    EXPECT_FALSE(held.Load(model.c_str()));
    EXPECT_EQ(LoadImageFile("CONIN$"), nullptr);
    EXPECT_EQ(LoadImageFile("NUL"), nullptr);
    EXPECT_TRUE(captured.empty());
    for (HANDLE writer : writers) CloseHandle(writer);
    RgbImage* image = LoadImageFile(picture.c_str());
    EXPECT_NE(image, nullptr);
    FreeRgbImage(image);
    EXPECT_TRUE(held.Load(model.c_str()));
}

// Where a texture name leads once resolved: a drive-letter path on the local disks only, which
// is then what is opened; and an open file judged by its own final path. (Wine offers no
// network drive to try; a share's name resolves to a share.)
TEST_F(Win32Readers, TextureFilesOnlyFromThisComputersDisks) {
    EXPECT_EQ(LocalDiskPath("C:\\windows\\x.bmp"), "C:\\windows\\x.bmp");
    char here[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, here), 0u);
    EXPECT_EQ(LocalDiskPath("x.bmp"), std::string(here) + (std::string(here).back() == '\\' ? "" : "\\") + "x.bmp");
    EXPECT_EQ(LocalDiskPath("\\\\host\\share\\x.bmp"), "");
    EXPECT_EQ(LocalDiskPath("//host/share/x.bmp"), "");
    char unused[] = "Q:\\x.bmp";
    for (char drive = 'Q'; drive <= 'Y'; ++drive) {  // a letter no drive has
        unused[0] = drive;
        if (GetDriveTypeA(std::string(unused, 3).c_str()) == DRIVE_NO_ROOT_DIR) break;
    }
    EXPECT_EQ(LocalDiskPath(unused), "") << unused;

    const std::string picture = Write("local.bmp", "");
    ASSERT_TRUE(CopyFileA((kSuite + "g/rgb24.bmp").c_str(), picture.c_str(), FALSE));
    MappedFile file;
    EXPECT_EQ(file.Open(picture.c_str(), MappedFile::Reach::LocalDisk), MappedFile::Result::Mapped);
}

TEST_F(Win32Readers, ModelsLoadInBinaryMode) {
    // The shipped wheel's name is Japanese, so it is copied through the wide API to a name any
    // code page can hold. Its floats contain bytes that text mode would translate.
    wchar_t wide[MAX_PATH];
    ASSERT_GT(MultiByteToWideChar(CP_UTF8, 0, QM_RESOURCES "/クイルモア.data", -1, wide, MAX_PATH), 0);
    const std::string copy = temp_ + "wheel.data";
    wchar_t wideCopy[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, copy.c_str(), -1, wideCopy, MAX_PATH);
    ASSERT_TRUE(CopyFileW(wide, wideCopy, FALSE));
    files_.push_back(copy);
    Ms3dModel wheel;
    ASSERT_TRUE(wheel.Load(copy.c_str()));
    EXPECT_EQ(wheel.materialCount, 3);

    Ms3dModel wuson;
    ASSERT_TRUE(wuson.Load((std::string(QM_TESTDATA) + "/ms3d/Wuson.ms3d").c_str()));
    EXPECT_EQ(wuson.triangleCount, 3732);
    EXPECT_EQ(wuson.vertexCount, 2117);
}

}  // namespace
