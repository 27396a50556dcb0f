#pragma once
// The user's own temporary folder: "zorvandel-<uid>", mode 0700 and owned by the user, so that files
// written there are private as they were on the original platform.  It stands where no other user
// can take its name first, as anyone can in a shared /tmp: in the desktop's runtime folder for the
// user ($XDG_RUNTIME_DIR, when it is a directory of the user's of mode 0700), else in the TMPDIR the
// user set (when it is a folder of the user's that no one else can write), else in the user's cache
// folder ($XDG_CACHE_HOME or ~/.cache, made with mode 0700 when missing).

#include <QString>

// The folder's path (no trailing separator).  A missing folder is made.  One of ours that was open
// to others (a mode other than 0700, or an entry of another user's in it) is narrowed to 0700 and
// emptied, since anything in it may have been planted or opened by someone else; its entries are
// removed without following any link.  Throws EInOutError "De tijdelijke map <path> ..." when it
// cannot be made, narrowed or emptied, or when something that is not our own directory (another
// user's folder, a symbolic link, a file) stands at its place.
QString PrivateTempFolder();
