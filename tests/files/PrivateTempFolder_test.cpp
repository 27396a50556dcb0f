#include "PrivateTempFolder.h"

#include "EnvironmentScope.h"
#include "ErrorOf.h"
#include "Exceptions.h"
#include "ModalAnswer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString Name() { return "/zorvandel-" + QString::number(geteuid()); }

// In the test program's runtime folder, which is as the desktop makes it.
QString ExpectedPath() { return qEnvironmentVariable("XDG_RUNTIME_DIR") + Name(); }

mode_t ModeOf(const QString& path)
{
    struct stat info {};
    EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &info), 0);
    return info.st_mode & 07777;
}

class PrivateTempFolderTest : public ::testing::Test {
protected:
    void SetUp() override { Remove(); }
    void TearDown() override { Remove(); }
    static void Remove()
    {
        QFile::remove(ExpectedPath()); // a link or a file
        QDir(ExpectedPath()).removeRecursively();
    }
};

TEST_F(PrivateTempFolderTest, MadeWhenMissingPrivateAndStable)
{
    const QString path = PrivateTempFolder();
    EXPECT_EQ(path, ExpectedPath());
    EXPECT_TRUE(path.startsWith(qEnvironmentVariable("XDG_RUNTIME_DIR") + "/"));
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_EQ(ModeOf(path), 0700u);
    ASSERT_TRUE(WriteFileBytes(path + "/kand.txt"));
    EXPECT_EQ(PrivateTempFolder(), path);
    EXPECT_TRUE(QFile::exists(path + "/kand.txt")) << "an existing folder keeps its files";
}

TEST_F(PrivateTempFolderTest, OurFolderWithAWiderModeIsNarrowed)
{
    ASSERT_TRUE(QDir().mkpath(ExpectedPath()));
    ASSERT_EQ(::chmod(QFile::encodeName(ExpectedPath()).constData(), 0777), 0);
    PrivateTempFolder();
    EXPECT_EQ(ModeOf(ExpectedPath()), 0700u);
}

TEST_F(PrivateTempFolderTest, AnOpenFolderIsEmptiedWithoutFollowingItsLinks)
{
    QDir elsewhere(QDir::tempPath() + "/elsewhere");
    ASSERT_TRUE(elsewhere.mkpath("."));
    ASSERT_TRUE(WriteFileBytes(elsewhere.filePath("keep.txt"), "keep"));
    const QString path = PrivateTempFolder();
    ASSERT_TRUE(QDir(path).mkpath("sub/deeper"));
    ASSERT_TRUE(WriteFileBytes(path + "/sub/deeper/kand.txt", "planted"));
    ASSERT_TRUE(QFile::link(elsewhere.path(), path + "/sub/link"));
    ASSERT_TRUE(QFile::link(elsewhere.filePath("keep.txt"), path + "/SCHEMA.INI"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path + "/kand2.txt").constData(), 0666), 0);

    PrivateTempFolder(); // private already: the user's own entries stay
    EXPECT_EQ(QDir(path).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size(), 3);

    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0777), 0);
    EXPECT_EQ(PrivateTempFolder(), path);
    EXPECT_EQ(ModeOf(path), 0700u);
    EXPECT_EQ(QDir(path).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{});
    EXPECT_EQ(ReadFileBytes(elsewhere.filePath("keep.txt")), "keep") << "what the links named is left alone";
    elsewhere.removeRecursively();
}

// A folder found private already is looked into once: another user's entry there was put in while
// it was open, and an earlier run narrowed it without emptying it.  One removed and made again
// under the same name is a new folder and is looked into again.
TEST_F(PrivateTempFolderTest, AnotherUsersEntryInAPrivateFolderEmptiesItToo)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "handing a file to another user needs root";
    const QString path = PrivateTempFolder();
    ASSERT_TRUE(QDir(path).removeRecursively());
    ASSERT_EQ(::mkdir(QFile::encodeName(path).constData(), 0700), 0);
    ASSERT_TRUE(WriteFileBytes(path + "/lijst.txt", "ours"));
    ASSERT_TRUE(WriteFileBytes(path + "/kand.txt", "theirs"));
    ASSERT_EQ(::chown(QFile::encodeName(path + "/kand.txt").constData(), 65534, 65534), 0);
    PrivateTempFolder();
    EXPECT_EQ(QDir(path).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{});
}

TEST_F(PrivateTempFolderTest, ALinkOrAFileInItsPlaceIsRefused)
{
    QDir elsewhere(QDir::tempPath() + "/elsewhere");
    ASSERT_TRUE(elsewhere.mkpath("."));
    ::chmod(QFile::encodeName(elsewhere.path()).constData(), 0755);
    ASSERT_TRUE(QFile::link(elsewhere.path(), ExpectedPath()));
    EXPECT_THROW(PrivateTempFolder(), EInOutError);
    EXPECT_EQ(ModeOf(elsewhere.path()), 0755u) << "the link's target is left alone";
    elsewhere.removeRecursively();

    QFile::remove(ExpectedPath());
    ASSERT_TRUE(WriteFileBytes(ExpectedPath()));
    EXPECT_THROW(PrivateTempFolder(), EInOutError);
}

TEST_F(PrivateTempFolderTest, AnotherUsersFolderIsRefused)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "handing a folder to another user needs root";
    ASSERT_TRUE(QDir().mkpath(ExpectedPath()));
    ASSERT_EQ(::chown(QFile::encodeName(ExpectedPath()).constData(), 65534, 65534), 0);
    EXPECT_EQ(ErrorOf<EInOutError>([&] { PrivateTempFolder(); }),
              "De tijdelijke map " + ExpectedPath().toStdString() + " is van een andere gebruiker");
}

// Where the folder stands, so that no other user can take its name first.
class PrivateTempPlace : public ::testing::Test {
protected:
    QString Folder(const QString& name, mode_t mode)
    {
        const QString path = root.filePath(name);
        EXPECT_EQ(::mkdir(QFile::encodeName(path).constData(), 0700), 0);
        EXPECT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
        return path;
    }
    static QByteArray Bytes(const QString& path) { return QFile::encodeName(path); }
    QTemporaryDir root;
};

TEST_F(PrivateTempPlace, TheRuntimeFolderOnlyWhenItIsAsTheDesktopMakesIt)
{
    const QString runtime = Folder("runtime", 0700);
    const QString tmp = Folder("tmp", 0755);
    const EnvironmentScope env{{"XDG_RUNTIME_DIR", Bytes(runtime)}, {"TMPDIR", Bytes(tmp)},
                               {"XDG_CACHE_HOME", Bytes(root.filePath("cache"))}};
    EXPECT_EQ(PrivateTempFolder(), runtime + Name());

    // Open to others, a link, a relative path or another user's: the user's TMPDIR instead.
    ASSERT_EQ(::chmod(Bytes(runtime).constData(), 0711), 0);
    EXPECT_EQ(PrivateTempFolder(), tmp + Name());
    ASSERT_EQ(::chmod(Bytes(runtime).constData(), 0700), 0);
    ASSERT_TRUE(QFile::link(runtime, root.filePath("link")));
    for (const QString& other : {root.filePath("link"), QString("runtime"), root.filePath("missing")}) {
        const EnvironmentScope elsewhere{{"XDG_RUNTIME_DIR", Bytes(other)}};
        EXPECT_EQ(PrivateTempFolder(), tmp + Name()) << other.toStdString();
    }
    if (geteuid() == 0) {
        ASSERT_EQ(::chown(Bytes(runtime).constData(), 65534, 65534), 0);
        EXPECT_EQ(PrivateTempFolder(), tmp + Name());
    }
    EXPECT_FALSE(QFileInfo::exists(root.filePath("cache")));
}

// A TMPDIR that other users can write into, such as /tmp itself, is no place of the user's own: the
// old name there may have been taken first, by another user's link or folder.  The folder then
// stands in the user's cache folder, made private where it is missing.
TEST_F(PrivateTempPlace, TheOldNameTakenInASharedTempFolderIsPassedBy)
{
    const QString shared = Folder("shared", 01777);
    const QString target = Folder("theirs", 0777);
    const QString cache = root.filePath("home/.cache");
    const EnvironmentScope env{{"XDG_RUNTIME_DIR", std::nullopt}, {"TMPDIR", Bytes(shared)},
                               {"XDG_CACHE_HOME", Bytes(cache)}};
    ASSERT_TRUE(QFile::link(target, shared + Name()));
    const QString path = PrivateTempFolder();
    EXPECT_EQ(path, cache + Name());
    EXPECT_EQ(ModeOf(path), 0700u);
    EXPECT_EQ(ModeOf(cache), 0700u);
    EXPECT_EQ(ModeOf(root.filePath("home")), 0700u);
    EXPECT_EQ(QFileInfo(shared + Name()).symLinkTarget(), target);
    EXPECT_EQ(ModeOf(target), 0777u);
    if (geteuid() == 0) {
        ASSERT_TRUE(QFile::remove(shared + Name()));
        ASSERT_EQ(::mkdir(Bytes(shared + Name()).constData(), 0777), 0);
        ASSERT_EQ(::chown(Bytes(shared + Name()).constData(), 65534, 65534), 0);
        EXPECT_EQ(PrivateTempFolder(), path);
    }
    const EnvironmentScope noTmpDir{{"TMPDIR", std::nullopt}};
    EXPECT_EQ(PrivateTempFolder(), path);
}

} // namespace
