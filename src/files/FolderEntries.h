#pragma once
// The entries of an open folder, and the removal of files that a killed process left in one.

#include <functional>

// Calls each with the name of every entry of the open directory dir but "." and "..", from its
// start.  Reads through a copy of the descriptor, so dir stays open.  Returns errno when the
// directory could not be read (the names before the failure were handed on), 0 otherwise.
int ForEachEntry(int dir, const std::function<void(const char* Name)>& each);

// Removes from the open directory dir the entries that leftover picks by their names, each only
// when it is a regular file of this user; no link is followed.  What cannot be removed stays.
void RemoveOwnFiles(int dir, const std::function<bool(const char* Name)>& leftover);
