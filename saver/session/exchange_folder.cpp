#include "exchange_folder.h"

FolderUse ExchangeFolderUse(const FolderState& state) {
    // A link is never followed, whoever made it: writing through it puts the files where its
    // maker chose. Another user's folder stays theirs to read.
    if (!state.directory || state.reparsePoint || !state.ownedByUser) return FolderUse::UsersOwnFolder;
    return state.openToOthers ? FolderUse::MadePrivate : FolderUse::AsItIs;
}
