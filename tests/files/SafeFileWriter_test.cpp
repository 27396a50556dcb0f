#include "SafeFileWriter.h"

#include "FolderListing.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

void WriteBytes(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// The number of a process that has ended.
pid_t EndedProcess()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

} // namespace

// A save removes what ended saves of the same file left beside it: regular files of this user
// named exactly as its temporaries, nothing else, and no link is followed.
TEST(ReplaceFile, RemovesOnlyTheLeftoversOfEndedSavesOfThatFile)
{
    QTemporaryDir dir;
    const fs::path folder = dir.path().toStdString();
    const std::string ended = std::to_string(EndedProcess()), running = std::to_string(::getpid());
    const std::string longName = std::string(240, 'x') + ".lst";
    const std::vector<std::string> removed{
        ".lijst.lst.tmp" + ended + "-0",
        ".lijst.lst.tmp" + ended + "-17",
        "." + longName.substr(0, 200) + ".tmp" + ended + "-3",
    };
    std::vector<std::string> kept{
        ".lijst.lst.tmp" + running + "-0", // its process may still be writing it
        ".lijst.lst.tmp" + ended + "-",
        ".lijst.lst.tmp" + ended + "-1x",
        ".lijst.lst.tmp" + ended,
        ".lijst.lst.tmp-1",
        ".lijst.lst.tmp0-1",
        ".lijst.lst.tmp+" + ended + "-1",
        "lijst.lst.tmp" + ended + "-1",
        ".ander.lst.tmp" + ended + "-1",
        ".lijst.lst.tmp" + ended + "-1.lst",
        "doel",
        "lijst.lst",
        longName,
    };
    for (const std::string& name : removed)
        WriteBytes(folder / name, "persoonsgegevens");
    for (const std::string& name : kept)
        WriteBytes(folder / name, "iets anders");
    // Not regular files: a link (to a file that must stay), a folder, a FIFO.
    const std::string link = ".lijst.lst.tmp" + ended + "-5", sub = ".lijst.lst.tmp" + ended + "-6",
                      fifo = ".lijst.lst.tmp" + ended + "-7";
    fs::create_symlink("doel", folder / link);
    fs::create_directory(folder / sub);
    WriteBytes(folder / sub / "binnen", "x");
    ASSERT_EQ(::mkfifo((folder / fifo).c_str(), 0600), 0);
    kept.insert(kept.end(), {link, sub, fifo});
    if (::geteuid() == 0) { // another user's file of that name
        const std::string foreign = ".lijst.lst.tmp" + ended + "-8";
        WriteBytes(folder / foreign, "van een ander");
        ASSERT_EQ(::chown((folder / foreign).c_str(), 65534, 65534), 0);
        kept.push_back(foreign);
    }

    ReplaceFile(folder / "lijst.lst", "nieuw");
    ReplaceFile(folder / longName, "nieuw");
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(Entries(folder), kept);
    EXPECT_TRUE(fs::exists(folder / sub / "binnen"));
    EXPECT_EQ(fs::file_size(folder / "doel"), 11u);

    // The private writer removes its own too.
    WriteBytes(folder / removed[0], "persoonsgegevens");
    ReplacePrivateFile(folder / "lijst.lst", "privé");
    EXPECT_EQ(Entries(folder), kept);
    EXPECT_EQ(fs::status(folder / "lijst.lst").permissions(), fs::perms::owner_read | fs::perms::owner_write);
}
