#pragma once
// Replacing a file without ever leaving it half-written, and writing files that are the user's alone.
//
// The new content goes into a new file beside the target, which is renamed over it once complete:
// whoever reads the target, and a process killed at any moment, finds the old file or the whole new
// one.  Where the file system has them, the new file is unnamed (O_TMPFILE) while it is written and
// gets a temporary name ("." + the target's name + ".tmp" + process number + "-" + a number) only
// when complete, just before the rename; elsewhere (no O_TMPFILE, or no /proc to name it through) it
// has that name from the start.  A process killed
// while such a name stands leaves the file behind; the next replacement of that target removes what
// ended processes left under its temporary names (regular files of this user only, no link
// followed).  A failure removes the new file and leaves the target as it was.

#include "Exceptions.h"

#include <filesystem>
#include <string_view>

// The failure of ReplaceFile: the input/output error, whether the folder took no new file (so the
// file was to be overwritten in place), and what became of the file that stood there.
class EReplaceError : public EInOutError {
public:
    enum class TOldFile {
        None,      // there was none (or the name names no file that could be replaced)
        Unchanged, // it holds its old content
        Damaged,   // overwritten in place, and its old content could not be put back
    };
    EReplaceError(const EInOutError& error, bool folderTakesNoNewFile, TOldFile oldFile)
        : EInOutError(error), FolderTakesNoNewFile(folderTakesNoNewFile), OldFile(oldFile)
    {
    }
    bool FolderTakesNoNewFile;
    TOldFile OldFile;
};

// Replaces the content of the file fileName names (through its symbolic links, which stay), or
// creates it, as above.  The replaced file keeps its permissions; when they cannot be given to the
// new file, that is a failure.  Only a regular file that may be written is replaced; a directory,
// a device, a read-only file or a link loop raises, as does every other failure.  With durable, the
// content and the rename are flushed to the disk before it returns; a failed close after that is
// no failure.  Every input/output failure raises EReplaceError.
//
// Only where the folder refuses a new file (no permission) is an existing target overwritten in
// place instead, never on a full disk or an input/output error.  In place, the file is locked
// (flock) while it is written, so that readers that lock it (the list file's) wait for the whole
// content; the part past the old end is written first, so a full disk stops it before any old byte
// is touched; the content is flushed to the disk; on any failure the old content, kept in memory,
// is written back.  A process killed while writing in place leaves a mix of both.
void ReplaceFile(const std::filesystem::path& fileName, std::string_view content, bool durable = true);

// The same for a file of the user's private folder, which no one else may read: no symbolic link
// is followed, only a regular file (or none) stands at fileName, and the new content is a new file
// of mode 0600 whatever the umask, so whoever held the old file open never sees it.  A link, FIFO,
// device or directory at fileName raises EInOutError, as does every other failure (a folder that
// takes no new file too: nothing is written in place); nothing blocks.
void ReplacePrivateFile(const std::filesystem::path& fileName, std::string_view content, bool durable = false);

// Creates fileName as a new, empty file of mode 0600 (whatever the umask) and returns its descriptor,
// open for writing.  An old regular file of that name is removed first, so whoever held it open
// never sees what is written now.  No symbolic link is followed and nothing blocks: a link, FIFO,
// device or directory at fileName raises EInOutError "File access denied"; other failures the file
// layer's texts (a missing folder "Invalid filename").
int CreatePrivateFile(const std::filesystem::path& fileName);
