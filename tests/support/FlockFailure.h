#pragma once
// Makes flock(2) fail as on a file system that takes no flock (NFS answers EBADF for a folder,
// which cannot be opened for writing; one without a lock manager ENOLCK): while it lives, every
// flock of this process fails with the given errno.  A program that uses it gets this file's
// flock in place of the C library's.

class FlockFailure {
public:
    explicit FlockFailure(int error);
    ~FlockFailure();
    FlockFailure(const FlockFailure&) = delete;
    FlockFailure& operator=(const FlockFailure&) = delete;
};
