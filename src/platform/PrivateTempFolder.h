#pragma once
// The user's own temporary folder: "zorvandel-<uid>" under the system temporary folder, mode 0700
// and owned by the user, so that files written there are private as they were on the original
// platform.  A shared /tmp is not.

#include <QString>

// The folder's path (no trailing separator).  A missing folder is made; one of ours with a wider
// mode is narrowed to 0700.  Throws EInOutError when it cannot be made, or when something that is
// not our own directory (another user's folder, a symbolic link, a file) stands at its place.
QString PrivateTempFolder();
