#pragma once
// Replacing a file without ever leaving it half-written.

#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>

// Writes a new file beside the target and renames it over the target on Commit; until then, and
// after any failure, the target stays as it was and the new file is removed.  A symbolic link keeps
// pointing where it did: the file it names is replaced.  The new file takes the permissions of the
// one it replaces.  Only a regular file that may be written is replaced; anything else (a directory,
// a read-only file) raises EInOutError in the constructor.  Failures raise EInOutError.
class TSafeFileWriter {
public:
    explicit TSafeFileWriter(std::filesystem::path fileName);
    ~TSafeFileWriter();
    TSafeFileWriter(const TSafeFileWriter&) = delete;
    TSafeFileWriter& operator=(const TSafeFileWriter&) = delete;

    void Write(const void* data, std::size_t size);
    // Renames the new file over the target; with durable, after flushing it to the disk (and the
    // rename after it), so that not even a power cut leaves a half-written file.
    void Commit(bool durable = true);

private:
    static constexpr std::size_t BufferSize = 1 << 16;

    std::filesystem::path Folder() const;
    std::optional<mode_t> ExistingMode() const;
    void CreateTemporary(std::optional<mode_t> mode);
    void Flush();
    void SyncFolder() const;

    std::filesystem::path FTarget;
    std::filesystem::path FTemporary;
    int FHandle = -1;
    std::string FBuffer;
};
