// The folder a session hands its files to the renderer through, private to the user, and the
// files written into it as the session's own.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "exchange_folder.h"

// LocalFree for what the security functions allocate.
struct LocalDeleter {
    void operator()(void* p) const { LocalFree(p); }
};
using LocalPtr = std::unique_ptr<void, LocalDeleter>;

// Creates the folder with an access list private to this user (the user, the system and the
// administrators, full control, inherited by what is made inside, nothing inherited from
// above). False when it was not created (it exists, or cannot be made).
bool CreatePrivateFolder(const std::wstring& path);

// What stands at `path`, read from `folder`, a handle opened on the thing itself (a link is not
// followed), and from the name. False when the handle tells nothing.
bool ReadFolderState(const std::wstring& path, HANDLE folder, FolderState& state);

// The user's own folder for the session's files when the fixed one cannot be trusted:
// "%LOCALAPPDATA%\Quillmoor" (local: a photograph of the desktop does not roam); "" where the
// system names no such folder.
std::wstring UsersOwnExchangeFolder();

// The folder a session exchanges its files through, held open from its check until Release (or
// the end of the object), so that it cannot be renamed, removed or swapped for a link meanwhile.
class ExchangeFolder {
public:
    ExchangeFolder() = default;
    ~ExchangeFolder() { Release(); }
    ExchangeFolder(const ExchangeFolder&) = delete;
    ExchangeFolder& operator=(const ExchangeFolder&) = delete;

    // Takes `fixed` (made private if it is the user's own but open to others) where it can be
    // trusted, otherwise the user's own folder `own` (created private where it is missing).
    // False when neither can be had.
    bool Prepare(const std::wstring& fixed, const std::wstring& own);
    // Takes the user's own folder `own` instead (as Prepare does where the fixed one cannot be
    // trusted): for a fixed folder that cannot take the files. False when it cannot be had.
    bool UseUsersOwn(const std::wstring& own);
    // Writes one file under its fixed name: written whole as a new private file of a fresh name
    // in the folder, then moved over the fixed name. False, leaving no file of its own behind,
    // where any step fails (the name held open by another program, a folder in its place).
    bool Write(const wchar_t* name, const std::vector<uint8_t>& bytes);
    // Reads one file of the folder whole, where it is a plain file (not a link, not a folder) of
    // at most `most` bytes that no one holds open for writing. False otherwise.
    bool Read(const wchar_t* name, size_t most, std::vector<uint8_t>& bytes) const;
    // Deletes the photographs of monitors (IsMonitorPictureName) not named in `keep` (pictures a
    // layout of monitors left behind that is no longer this one), and those in the other folder
    // of the two (the fixed one or the user's own), where it is the user's own plain folder.
    // Folders and links of such names, and files of other names, are left.
    void RemoveOthers(const std::vector<std::wstring>& keep);
    void Release();

    const std::wstring& Path() const { return path_; }
    // True when the session goes through the user's own folder: the renderer must be told.
    bool IsUsersOwn() const { return usersOwn_; }
    FolderUse Use() const { return use_; }

private:
    bool Hold(const std::wstring& path);

    std::wstring path_;
    std::wstring fixed_, own_;  // the two folders a session may go through
    HANDLE held_ = INVALID_HANDLE_VALUE;
    LocalPtr descriptor_;  // private to the user: the folder's access list and each file's
    bool usersOwn_ = false;
    FolderUse use_ = FolderUse::AsItIs;
    unsigned counter_ = 0;
};
