#include "win32_exchange.h"

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <algorithm>
#include <memory>

#include "renderer/image/exchange_names.h"

namespace {

// The process token's user and default owner (for an administrator's elevated token, the
// Administrators group), as byte copies; empty where the token cannot be read.
struct TokenSids {
    std::vector<BYTE> user, owner;
};

TokenSids ReadTokenSids() {
    TokenSids sids;
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return sids;
    auto read = [&](TOKEN_INFORMATION_CLASS kind, std::vector<BYTE>& out) {
        DWORD size = 0;
        GetTokenInformation(token, kind, nullptr, 0, &size);
        std::vector<BYTE> buffer(size);
        if (size == 0 || !GetTokenInformation(token, kind, buffer.data(), size, &size)) return;
        PSID sid = kind == TokenUser ? reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid
                                     : reinterpret_cast<TOKEN_OWNER*>(buffer.data())->Owner;
        if (!IsValidSid(sid)) return;
        const BYTE* bytes = static_cast<const BYTE*>(sid);
        out.assign(bytes, bytes + GetLengthSid(sid));
    };
    read(TokenUser, sids.user);
    read(TokenOwner, sids.owner);
    CloseHandle(token);
    return sids;
}

bool SameSid(PSID sid, const std::vector<BYTE>& known) {
    return sid && !known.empty() && IsValidSid(sid) && EqualSid(sid, const_cast<BYTE*>(known.data()));
}

bool IsWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type) { return sid && IsValidSid(sid) && IsWellKnownSid(sid, type); }

// The private descriptor: protected, the user, the system and the administrators with full
// control, for the folder and (inherited) everything made inside it.
LocalPtr PrivateDescriptor() {
    const TokenSids sids = ReadTokenSids();
    if (sids.user.empty()) return nullptr;
    LPWSTR user = nullptr;
    if (!ConvertSidToStringSidW(const_cast<BYTE*>(sids.user.data()), &user)) return nullptr;
    const std::wstring sddl = L"D:P(A;OICI;FA;;;" + std::wstring(user) + L")(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
    LocalFree(user);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
        return nullptr;
    }
    return LocalPtr(descriptor);
}

// Opens the thing at `path` itself (a link is not followed), sharing it with readers and writers
// but not with renaming or removal. INVALID_HANDLE_VALUE where nothing opens there.
HANDLE OpenFolder(const std::wstring& path, DWORD access) {
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

bool SameObject(HANDLE a, HANDLE b) {
    BY_HANDLE_FILE_INFORMATION x, y;
    return GetFileInformationByHandle(a, &x) && GetFileInformationByHandle(b, &y) &&
           x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
           x.nFileIndexLow == y.nFileIndexLow;
}

// Sets the private access list `descriptor` on the folder held by `held`, through a second handle
// on the same folder that may change it. The list is set as it stands, protected from what the
// folder above would pass down (the inheritance-aware SetSecurityInfo merges the parent's entries
// back in under Wine).
bool MakePrivate(const std::wstring& path, HANDLE held, PSECURITY_DESCRIPTOR descriptor) {
    if (!descriptor) return false;
    HANDLE writable = OpenFolder(path, READ_CONTROL | WRITE_DAC | FILE_READ_ATTRIBUTES);
    if (writable == INVALID_HANDLE_VALUE) return false;
    const bool ok = SameObject(held, writable) &&
                    SetKernelObjectSecurity(writable, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                            descriptor);
    CloseHandle(writable);
    return ok;
}

// Creates the folder with the access list `descriptor` (the parent's defaults without one).
bool CreateFolderWith(const std::wstring& path, PSECURITY_DESCRIPTOR descriptor) {
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
    return CreateDirectoryW(path.c_str(), descriptor ? &attributes : nullptr) != FALSE;
}

// The user's own folders: created with `descriptor` where missing; the ones above it are the
// user's profile and exist already.
bool CreateFolderChain(const std::wstring& path, PSECURITY_DESCRIPTOR descriptor) {
    if (CreateFolderWith(path, descriptor) || GetLastError() == ERROR_ALREADY_EXISTS) return true;
    const size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos || slash < 3) return false;
    return CreateFolderChain(path.substr(0, slash), descriptor) &&
           (CreateFolderWith(path, descriptor) || GetLastError() == ERROR_ALREADY_EXISTS);
}

}  // namespace

bool CreatePrivateFolder(const std::wstring& path) { return CreateFolderWith(path, PrivateDescriptor().get()); }

bool ReadFolderState(const std::wstring& path, HANDLE folder, FolderState& state) {
    state = FolderState();
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(folder, &info)) return false;
    state.directory = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // The name's own attributes too: a system that follows a link even when asked not to (Wine
    // with a Unix symbolic link) still marks the name as one.
    const DWORD named = GetFileAttributesW(path.c_str());
    state.reparsePoint = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
                         (named != INVALID_FILE_ATTRIBUTES && (named & FILE_ATTRIBUTE_REPARSE_POINT) != 0);
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (GetSecurityInfo(folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                        nullptr, &dacl, nullptr, &raw) != ERROR_SUCCESS) {
        state.openToOthers = true;  // unreadable: not known to be private
        return true;
    }
    LocalPtr descriptor(raw);
    const TokenSids sids = ReadTokenSids();
    state.ownedByUser = SameSid(owner, sids.user) || SameSid(owner, sids.owner);
    if (!dacl) {
        state.openToOthers = true;  // no list: everyone has every right
        return true;
    }
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace)) continue;
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
            // Denials take nothing away from privacy; other kinds of grant are not expected here.
            if (header->AceType != ACCESS_DENIED_ACE_TYPE) state.openToOthers = true;
            continue;
        }
        PSID sid = &static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart;
        // Grants for the user, the system, the administrators, and for whoever owns what is
        // made inside (which is the user): inherit-only entries count too, as new files take them.
        if (SameSid(sid, sids.user) || SameSid(sid, sids.owner) || IsWellKnown(sid, WinLocalSystemSid) ||
            IsWellKnown(sid, WinBuiltinAdministratorsSid) || IsWellKnown(sid, WinCreatorOwnerSid)) {
            continue;
        }
        state.openToOthers = true;
    }
    return true;
}

std::wstring UsersOwnExchangeFolder() {
    wchar_t folder[MAX_PATH] = L"";
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)) || !folder[0]) {
        return L"";
    }
    return std::wstring(folder) + L"\\Quillmoor";
}

bool ExchangeFolder::Hold(const std::wstring& path) {
    Release();
    held_ = OpenFolder(path, READ_CONTROL | FILE_READ_ATTRIBUTES | FILE_LIST_DIRECTORY);
    if (held_ == INVALID_HANDLE_VALUE) return false;
    path_ = path;
    return true;
}

bool ExchangeFolder::Prepare(const std::wstring& fixed, const std::wstring& own) {
    fixed_ = fixed;
    own_ = own;
    usersOwn_ = false;
    descriptor_ = PrivateDescriptor();  // made once, for the folder and each file
    CreateFolderWith(fixed, descriptor_.get());  // made now where it is missing: then ours and private
    FolderState state;
    if (Hold(fixed) && ReadFolderState(path_, held_, state)) {
        use_ = ExchangeFolderUse(state);
        if (use_ == FolderUse::AsItIs) return true;
        if (use_ == FolderUse::MadePrivate && MakePrivate(fixed, held_, descriptor_.get())) return true;
    } else {
        use_ = FolderUse::UsersOwnFolder;  // nothing there that can be opened: not ours to make now
    }
    return UseUsersOwn(own);
}

bool ExchangeFolder::UseUsersOwn(const std::wstring& own) {
    // The user's own folder, under the user's profile: it too must be a plain folder of the
    // user's, and private.
    Release();
    own_ = own;
    usersOwn_ = true;
    if (!descriptor_) descriptor_ = PrivateDescriptor();
    FolderState state;
    if (own.empty() || !CreateFolderChain(own, descriptor_.get()) || !Hold(own) || !ReadFolderState(path_, held_, state)) {
        Release();
        return false;
    }
    switch (ExchangeFolderUse(state)) {
    case FolderUse::AsItIs: return true;
    case FolderUse::MadePrivate:
        if (MakePrivate(own, held_, descriptor_.get())) return true;
        break;
    case FolderUse::UsersOwnFolder: break;
    }
    Release();
    return false;
}

bool ExchangeFolder::Write(const wchar_t* name, const std::vector<uint8_t>& bytes) {
    if (held_ == INVALID_HANDLE_VALUE) return false;
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor_.get(), FALSE};
    const std::wstring target = path_ + L"\\" + name;
    // A name no one else can have made already: CREATE_NEW fails on any existing file.
    HANDLE file = INVALID_HANDLE_VALUE;
    std::wstring temporary;
    for (int attempt = 0; attempt < 16 && file == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = path_ + L"\\~" + name + L"." + std::to_wstring(GetCurrentProcessId()) + L"." +
                    std::to_wstring(GetTickCount()) + L"." + std::to_wstring(++counter_) + L".tmp";
        file = CreateFileW(temporary.c_str(), GENERIC_WRITE | DELETE, 0, descriptor_ ? &attributes : nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool whole = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                       written == bytes.size();
    CloseHandle(file);
    if (whole && MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    DeleteFileW(temporary.c_str());
    return false;
}

bool ExchangeFolder::Read(const wchar_t* name, size_t most, std::vector<uint8_t>& bytes) const {
    if (held_ == INVALID_HANDLE_VALUE) return false;
    HANDLE file = CreateFileW((path_ + L"\\" + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    bool ok = GetFileInformationByHandle(file, &info) &&
              !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
              info.nFileSizeHigh == 0 && info.nFileSizeLow <= most;
    if (ok) {
        bytes.resize(info.nFileSizeLow);
        DWORD read = 0;
        ok = bytes.empty() || (ReadFile(file, bytes.data(), info.nFileSizeLow, &read, nullptr) && read == bytes.size());
    }
    CloseHandle(file);
    return ok;
}

namespace {

// True for the name of a photograph of a monitor, as the session writes them (ASCII alone).
bool IsMonitorPicture(const std::wstring& name) {
    std::string narrow;
    for (wchar_t c : name) {
        if (c >= 0x80) return false;
        narrow += static_cast<char>(c);
    }
    return IsMonitorPictureName(narrow);
}

// Deletes the photographs of monitors in `folder` (held open by the caller) that are not named
// in `keep`. Files only, of exactly such names: a folder or link of such a name is someone's,
// and so is a file the search finds that is not named as a photograph ("Quillmoor1_mine.bmp").
void RemoveFiles(const std::wstring& folder, const std::vector<std::wstring>& keep) {
    WIN32_FIND_DATAW found;
    const std::string pattern = kMonitorPicturePattern;
    HANDLE search = FindFirstFileW((folder + L"\\" + std::wstring(pattern.begin(), pattern.end())).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) continue;
        const std::wstring name = found.cFileName;
        const auto same = [&](const std::wstring& kept) { return lstrcmpiW(kept.c_str(), name.c_str()) == 0; };
        if (IsMonitorPicture(name) && std::none_of(keep.begin(), keep.end(), same)) {
            DeleteFileW((folder + L"\\" + name).c_str());
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

}  // namespace

void ExchangeFolder::RemoveOthers(const std::vector<std::wstring>& keep) {
    if (held_ == INVALID_HANDLE_VALUE) return;
    RemoveFiles(path_, keep);
    // The folder this session does not use holds nothing of it, but may hold the user's files of
    // an earlier session that went through it: they go too, where it is the user's own plain
    // folder (looked at, and held meanwhile, as Prepare does; never through a link).
    const std::wstring& other = usersOwn_ ? fixed_ : own_;
    if (other.empty()) return;
    HANDLE folder = OpenFolder(other, READ_CONTROL | FILE_READ_ATTRIBUTES | FILE_LIST_DIRECTORY);
    if (folder == INVALID_HANDLE_VALUE) return;
    FolderState state;
    if (ReadFolderState(other, folder, state) && ExchangeFolderUse(state) != FolderUse::UsersOwnFolder) {
        RemoveFiles(other, {});
    }
    CloseHandle(folder);
}

void ExchangeFolder::Release() {
    if (held_ != INVALID_HANDLE_VALUE) CloseHandle(held_);
    held_ = INVALID_HANDLE_VALUE;
}
