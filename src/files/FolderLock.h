#pragma once
// A lock between copies of the program on a folder: an exclusive flock(2) on the folder itself,
// held while the object lives and given up by the system when the process ends.  Within one
// process a folder that is locked already is granted again at once (the holders are counted), so
// nested holders never wait for themselves.

#include <string>

class TFolderLock {
public:
    enum class TWait { Wait, DontWait };

    // Locks Folder; with Wait it waits while another process holds it.  A folder that cannot be
    // opened is not locked: then nothing can be written into it either.
    TFolderLock(const std::string& Folder, TWait Wait);
    ~TFolderLock();
    TFolderLock(const TFolderLock&) = delete;
    TFolderLock& operator=(const TFolderLock&) = delete;

    bool Held() const { return held_; }
    // Whether another process holds the folder (only with DontWait).
    bool Busy() const { return busy_; }

private:
    bool held_ = false;
    bool busy_ = false;
    unsigned long long device_ = 0, inode_ = 0;
};
