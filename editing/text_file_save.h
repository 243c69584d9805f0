// Saving a text file without ever leaving it half written or giving it away.
#pragma once

#include <string>

#include "editing/text_sink.h"

namespace kvr {

// Puts the text at path. It goes to a private temporary file beside the file, which gets the
// file's permissions, owner and group before the first byte, is synced and renamed over it; a
// symbolic link keeps pointing at the new text. A file the user may not write is refused. What a
// rename cannot replace faithfully is written in place: a device or pipe, a file with other hard
// links, a writable file in a directory the user may not write, a file whose owner or group the
// new file could not keep, and a file whose replacement the directory refuses (a sticky
// directory and another user's file). A pipe whose reader has gone fails the save ("Broken pipe")
// without the signal ending the program. text may be asked for the text twice. On failure reason
// says why; the old file is untouched unless it was being written in place.
bool saveTextFile(const std::string& path, const TextSource& text, std::string& reason);
bool saveTextFile(const std::string& path, const std::string& text, std::string& reason);

}  // namespace kvr
