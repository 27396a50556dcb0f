#pragma once
// A lock between copies of the program on a folder: an exclusive flock(2) on the folder itself,
// held while the object lives and given up by the system when the process ends.  Within one
// process a folder that is locked already is granted again at once (the holders are counted), so
// nested holders never wait for themselves.
//
// Where the file system takes no flock on a folder (NFS emulates flock by record locks, which need
// a file open for writing), a record lock of the open file (F_OFD_SETLK) on the file LockFileName
// in the folder takes its place; every copy meets the same refusal there and takes the same one.

#include <string>

class TFolderLock {
public:
    enum class TWait { Wait, DontWait };

    // Locks Folder; with Wait it waits while another process holds it, with DontWait it is then
    // Busy.  A lock that can be taken in neither way (a folder that cannot be opened, a file system
    // without either lock, a lock file that cannot be made) raises EInOutError "De map <Folder> kan
    // niet worden vergrendeld (foutcode <errno>)": no caller goes on unlocked.
    TFolderLock(const std::string& Folder, TWait Wait);
    ~TFolderLock();
    TFolderLock(const TFolderLock&) = delete;
    TFolderLock& operator=(const TFolderLock&) = delete;

    bool Held() const { return held_; }
    // Whether another process holds the folder (only with DontWait).
    bool Busy() const { return !held_; }

    static constexpr const char* LockFileName = ".zorvandel.lock";

private:
    bool held_ = false;
    unsigned long long device_ = 0, inode_ = 0;
};
