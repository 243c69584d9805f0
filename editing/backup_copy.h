// Keeping a file's current text beside it before a save replaces it.
#pragma once

#include <string>

namespace kvr {

enum class BackupResult {
    Kept,     // the text is now in the backup file
    Nothing,  // nothing to keep: no file there, or one that is not a regular file
    Failed,   // the reason says why; the original is untouched
};

// Where the text of path is kept: path with '~' appended, or, where that would pass the
// directory's limit on a name's length, its name cut short enough (never inside a UTF-8
// sequence) with '~' appended.
std::string backupPathFor(const std::string& path);

// Copies the bytes of the regular file at path (through a symbolic link) to a new file that then
// replaces whatever stands at backupPath: a link or a name of a hard-linked file there is
// replaced itself, and what it pointed to is never opened. The copy is created private and gets
// the original's permissions before the first byte goes in, and its owner and group where that
// is allowed.
BackupResult keepCopy(const std::string& path, const std::string& backupPath, std::string& reason);

}  // namespace kvr
