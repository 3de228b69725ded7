// The session's exchange folder on the real API: private where it is made, made private where it
// is the user's own but open, the user's own folder where it cannot be trusted, held while in
// use; and files written as the session's own. Under Wine an access list is kept as Unix mode
// bits, so "private" reads back as no entry for anyone but the owner and the system.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "saver/session/win32_exchange.h"
#include "win32_test_files.h"

namespace {

// The access list as SDDL, "" where it cannot be read.
std::wstring Acl(const std::wstring& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                              nullptr, &descriptor) != ERROR_SUCCESS) {
        return L"";
    }
    LPWSTR sddl = nullptr;
    std::wstring text;
    if (ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                             &sddl, nullptr)) {
        text = sddl;
        LocalFree(sddl);
    }
    LocalFree(descriptor);
    return text;
}

// No entry for Everyone, Users or Authenticated Users.
bool Private(const std::wstring& path) {
    const std::wstring acl = Acl(path);
    return !acl.empty() && acl.find(L";;;WD)") == std::wstring::npos && acl.find(L";;;BU)") == std::wstring::npos &&
           acl.find(L";;;AU)") == std::wstring::npos;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

size_t FilesIn(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    size_t count = 0;
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
        count += !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
}

class Win32Exchange : public testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        root_ = std::wstring(temp) + L"qm_exchange_" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(root_.c_str(), nullptr);
        fixed_ = root_ + L"\\q_mora";
        own_ = root_ + L"\\Local\\Quillmoor";
    }
    void TearDown() override {
        for (const std::wstring& folder : {fixed_, own_}) {
            WIN32_FIND_DATAW found;
            HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
            if (search != INVALID_HANDLE_VALUE) {
                do DeleteFileW((folder + L"\\" + found.cFileName).c_str());
                while (FindNextFileW(search, &found));
                FindClose(search);
            }
            RemoveDirectoryW(folder.c_str());
            DeleteFileW(folder.c_str());
        }
        RemoveDirectoryW((root_ + L"\\Local").c_str());
        RemoveDirectoryW(root_.c_str());
    }
    std::wstring root_, fixed_, own_;
};

TEST_F(Win32Exchange, AFolderMadeOrFoundOpenIsPrivateAndHeld) {
    // Made now: private from the start.
    {
        ExchangeFolder folder;
        ASSERT_TRUE(folder.Prepare(fixed_, own_));
        EXPECT_FALSE(folder.IsUsersOwn());
        EXPECT_EQ(folder.Use(), FolderUse::AsItIs);
        EXPECT_TRUE(Private(fixed_)) << Narrow(Acl(fixed_));
        // Held: it cannot be renamed or removed meanwhile.
        EXPECT_FALSE(MoveFileW(fixed_.c_str(), (root_ + L"\\moved").c_str()));
        EXPECT_FALSE(RemoveDirectoryW(fixed_.c_str()));
    }
    ASSERT_TRUE(RemoveDirectoryW(fixed_.c_str()));

    // Found open to others (a folder made with the defaults of its parent): made private.
    ASSERT_TRUE(CreateDirectoryW(fixed_.c_str(), nullptr));
    ASSERT_FALSE(Private(fixed_)) << "the test needs a folder open to others: " << Narrow(Acl(fixed_));
    ExchangeFolder folder;
    ASSERT_TRUE(folder.Prepare(fixed_, own_));
    EXPECT_EQ(folder.Use(), FolderUse::MadePrivate);
    EXPECT_FALSE(folder.IsUsersOwn());
    EXPECT_TRUE(Private(fixed_)) << Narrow(Acl(fixed_));
}

TEST_F(Win32Exchange, AFileInTheFoldersPlaceSendsTheSessionToTheUsersOwnFolder) {
    HANDLE file = CreateFileW(fixed_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    ExchangeFolder folder;
    ASSERT_TRUE(folder.Prepare(fixed_, own_));
    EXPECT_TRUE(folder.IsUsersOwn());
    EXPECT_EQ(folder.Path(), own_);
    EXPECT_TRUE(Private(own_)) << Narrow(Acl(own_));
    EXPECT_TRUE(folder.Write(L"Quillmoor1.bmp", {1, 2, 3}));
    EXPECT_EQ(FileBytes(own_ + L"\\Quillmoor1.bmp"), std::string("\x01\x02\x03"));
    EXPECT_EQ(FileBytes(fixed_), "");  // nothing went through the file

    // Without a folder of the user's own to fall back on, no session folder at all.
    ExchangeFolder none;
    EXPECT_FALSE(none.Prepare(fixed_, L""));
}

TEST_F(Win32Exchange, FilesAreWrittenWholeAsTheSessionsOwnOrNotAtAll) {
    ExchangeFolder folder;
    ASSERT_TRUE(folder.Prepare(fixed_, own_));
    const std::wstring target = fixed_ + L"\\Quillmoor.data";
    // A file someone else left, open to all: replaced by a new private one.
    HANDLE planted = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(planted, INVALID_HANDLE_VALUE);
    CloseHandle(planted);
    const std::vector<uint8_t> bytes(70000, 0x5A);
    ASSERT_TRUE(folder.Write(L"Quillmoor.data", bytes));
    EXPECT_EQ(FileBytes(target), std::string(bytes.begin(), bytes.end()));
    EXPECT_TRUE(Private(target)) << Narrow(Acl(target));
    EXPECT_EQ(FilesIn(fixed_), 1u);

    // The name held open by another program: not written, nothing of ours left beside it.
    HANDLE other = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(folder.Write(L"Quillmoor.data", {1}));
    CloseHandle(other);
    EXPECT_EQ(FileBytes(target).size(), bytes.size());
    EXPECT_EQ(FilesIn(fixed_), 1u);

    // A folder in the name's place: not written either.
    ASSERT_TRUE(CreateDirectoryW((fixed_ + L"\\Quillmoor1.bmp").c_str(), nullptr));
    EXPECT_FALSE(folder.Write(L"Quillmoor1.bmp", {1}));
    EXPECT_EQ(FilesIn(fixed_), 1u);
    RemoveDirectoryW((fixed_ + L"\\Quillmoor1.bmp").c_str());
}

// Old photographs of monitors go from both folders a session may use, whichever it used: from
// the one it wrote into, but for this session's own, and all of them from the other, the user's
// own plain folder. Other names (one the search finds too), and folders of such names, stay.
TEST_F(Win32Exchange, OldMonitorPhotographsGoFromBothFolders) {
    const std::vector<std::wstring> files = {L"Quillmoor1_m1_2_3x4.bmp", L"Quillmoor1_m-5_0_6x7.bmp", L"Quillmoor1.bmp",
                                             L"Quillmoor1_m1_2_3x4.txt", L"Quillmoor1_mine.bmp", L"holiday.bmp"};
    const std::wstring folderOfTheName = L"Quillmoor1_m8_8_8x8.bmp";
    auto plant = [&](const std::wstring& folder) {
        CreateDirectoryW(folder.c_str(), nullptr);
        for (const std::wstring& name : files) {
            CloseHandle(CreateFileW((folder + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        }
        CreateDirectoryW((folder + L"\\" + folderOfTheName).c_str(), nullptr);
    };
    // What is left of it (the folder of such a name taken away after).
    auto left = [&](const std::wstring& folder) {
        std::wstring names;
        for (const std::wstring& name : files) {
            if (GetFileAttributesW((folder + L"\\" + name).c_str()) != INVALID_FILE_ATTRIBUTES) names += name + L" ";
        }
        if (GetFileAttributesW((folder + L"\\" + folderOfTheName).c_str()) & FILE_ATTRIBUTE_DIRECTORY) names += L"(folder)";
        RemoveDirectoryW((folder + L"\\" + folderOfTheName).c_str());
        return Narrow(names);
    };
    ASSERT_TRUE(CreateDirectoryW((root_ + L"\\Local").c_str(), nullptr));
    for (bool usersOwn : {false, true}) {
        SCOPED_TRACE(usersOwn ? "through the user's own folder" : "through the fixed folder");
        ExchangeFolder folder;
        ASSERT_TRUE(folder.Prepare(fixed_, own_));
        // A fixed folder that could not take the files: the user's own instead, the fixed one
        // still the user's.
        if (usersOwn) {
            ASSERT_TRUE(folder.UseUsersOwn(own_));
        }
        plant(fixed_);
        plant(own_);
        folder.RemoveOthers({L"Quillmoor1_m-5_0_6x7.bmp"});
        const std::string used = left(usersOwn ? own_ : fixed_), other = left(usersOwn ? fixed_ : own_);
        EXPECT_EQ(used, "Quillmoor1_m-5_0_6x7.bmp Quillmoor1.bmp Quillmoor1_m1_2_3x4.txt Quillmoor1_mine.bmp holiday.bmp (folder)");
        EXPECT_EQ(other, "Quillmoor1.bmp Quillmoor1_m1_2_3x4.txt Quillmoor1_mine.bmp holiday.bmp (folder)");
    }
}

}  // namespace
