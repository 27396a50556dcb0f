#pragma once
// Replacing a file without ever leaving it half-written.

#include <filesystem>
#include <string_view>

// Replaces the content of the file fileName names (through its symbolic links, which stay), or
// creates it.  The new content goes into a file beside the target that is renamed over it, so a
// failure leaves the target as it was and removes the new file; the replaced file keeps its
// permissions.  Where the folder takes no new file, an existing target is overwritten in place:
// the part past the old end first, and on any later failure the old content goes back.  Only a
// regular file that may be written is replaced; a directory, a device, a read-only file or a link
// loop raises EInOutError, as does every other failure.  With durable, the content and the rename
// are flushed to the disk before it returns.
void ReplaceFile(const std::filesystem::path& fileName, std::string_view content, bool durable = true);
