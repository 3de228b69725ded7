// Whom the exchange folder belongs to. A folder made directly under C:\ inherits access for
// every user of the computer, and a name there can be taken first by another user, or made a
// link; the session's files (a photograph of the desktop among them) must reach neither.
#pragma once

// What stands at the exchange folder's fixed place, as the platform reads it from a handle held
// open on it (so that it cannot be swapped meanwhile).
struct FolderState {
    bool directory = false;     // a folder, not a file
    bool reparsePoint = false;  // a junction, a mount point or a symbolic link
    bool ownedByUser = false;   // its owner is this user (or the owner this user's new files get)
    bool openToOthers = false;  // its access list lets in someone besides this user, the
                                // system and the administrators (or there is no list at all)
};

enum class FolderUse {
    AsItIs,            // this user's own private folder
    MadePrivate,       // this user's own, open to others: its access is made private first
    UsersOwnFolder,    // not to be trusted: the session goes through the user's own folder
};

FolderUse ExchangeFolderUse(const FolderState& state);
