#pragma once

// The passwords GIO keeps in the desktop keyring for SMB shares, as a
// drive's move needs them: found, copied to a new address, and taken back
// exactly, never more than a move made.

#include <glib.h>

#include <string>
#include <vector>

namespace desktop::keyring {

// The attributes of each password saved in the keyring: each names exactly
// the one entry it was read from or stored as.
using SavedEntries = std::vector<GHashTable*>;
void ReleaseEntries(SavedEntries& entries);

// Saves a copy of each password GIO saved for `user` on `from` as one for
// the same user on `to`. Fills `made` with the copies made and `originals`
// with the entries they were copied from; false when a copy failed (those
// made are then in `made`, for taking back).
bool CopySavedPasswords(const std::string& from, const std::string& to, const std::string& user,
                        SavedEntries& made, SavedEntries& originals);

// Deletes exactly the entries named, and nothing else; true when each went.
bool ForgetEntries(const SavedEntries& entries);

// Whether the keyring has no password GIO saved for `user` on `server`, so
// that one a mount saves now is new.
bool NoSavedPassword(const std::string& server, const std::string& user);

// Deletes every password GIO saved for `user` on `server`.
void ForgetSavedPasswords(const std::string& server, const std::string& user);

}  // namespace desktop::keyring
