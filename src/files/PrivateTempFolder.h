#pragma once
// The user's own temporary folder: "zorvandel-<uid>" under the system temporary folder, mode 0700
// and owned by the user, so that files written there are private as they were on the original
// platform.  A shared /tmp is not.

#include <QString>

// The folder's path (no trailing separator).  A missing folder is made.  One of ours that was open
// to others (a mode other than 0700, or an entry of another user's in it) is narrowed to 0700 and
// emptied, since anything in it may have been planted or opened by someone else; its entries are
// removed without following any link.  Throws EInOutError "De tijdelijke map <path> ..." when it
// cannot be made, narrowed or emptied, or when something that is not our own directory (another
// user's folder, a symbolic link, a file) stands at its place.
QString PrivateTempFolder();
