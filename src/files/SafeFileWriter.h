#pragma once
// Replacing a file without ever leaving it half-written, and writing files that are the user's alone.

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

// The same for a file of the user's private folder, which no one else may read: no symbolic link
// is followed, only a regular file (or none) stands at fileName, and the new content is a new file
// of mode 0600 whatever the umask, so whoever held the old file open never sees it.  A link, FIFO,
// device or directory at fileName raises EInOutError, as does every other failure; nothing blocks.
void ReplacePrivateFile(const std::filesystem::path& fileName, std::string_view content, bool durable = false);

// Creates fileName as a new, empty file of mode 0600 (whatever the umask) and returns its descriptor,
// open for writing.  An old regular file of that name is removed first, so whoever held it open
// never sees what is written now.  No symbolic link is followed and nothing blocks: a link, FIFO,
// device or directory at fileName raises EInOutError "File access denied"; other failures the file
// layer's texts (a missing folder "Invalid filename").
int CreatePrivateFile(const std::filesystem::path& fileName);
