// Keeping a file's current text beside it before a save replaces it.
#pragma once

#include <string>

namespace kvr {

enum class BackupResult {
    Kept,     // the text is now in the backup file
    Nothing,  // nothing to keep: no file there, or one that is not a regular file
    Failed,   // the reason says why; the original is untouched
};

// Copies the bytes of the regular file at path (through a symbolic link) to backupPath with the
// care of a save (temporary file, sync, rename); the copy gets the original's permissions.
BackupResult keepCopy(const std::string& path, const std::string& backupPath, std::string& reason);

}  // namespace kvr
