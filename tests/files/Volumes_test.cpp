#include "Volumes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void WriteFile(const QString& fileName, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(fileName).path());
    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A small copy of the kernel's block device tree: sdb is a removable disk with partition sdb1,
// sda a fixed disk with partition sda1, sr0 a removable disk without partitions.
class FakeSysBlock : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        const QString devices = dir.path() + "/devices";
        WriteFile(devices + "/sdb/removable", "1\n");
        WriteFile(devices + "/sdb/sdb1/partition", "1\n");
        WriteFile(devices + "/sda/removable", "0\n");
        WriteFile(devices + "/sda/sda1/partition", "1\n");
        WriteFile(devices + "/sr0/removable", "1\n");
        QDir().mkpath(Block());
        for (const char* link : {"sdb/sdb1", "sdb", "sda/sda1", "sda", "sr0"})
            QFile::link(devices + "/" + link, Block() + "/" + QFileInfo(link).fileName());
    }
    QString Block() const { return dir.path() + "/class/block"; }
    QTemporaryDir dir;
};

TEST_F(FakeSysBlock, RemovableFlagOfTheDiskOrItsPartition)
{
    EXPECT_TRUE(IsRemovableMount("/dev/sdb1", "/mnt/stick", Block()));
    EXPECT_TRUE(IsRemovableMount("/dev/sdb", "/mnt/stick", Block()));
    EXPECT_TRUE(IsRemovableMount("/dev/sr0", "/mnt/cdrom", Block()));
    EXPECT_FALSE(IsRemovableMount("/dev/sda1", "/", Block()));
    EXPECT_FALSE(IsRemovableMount("/dev/sda", "/data", Block()));
    EXPECT_FALSE(IsRemovableMount("/dev/unknown9", "/data", Block()));
    EXPECT_FALSE(IsRemovableMount("tmpfs", "/tmp", Block()));
}

TEST_F(FakeSysBlock, DesktopMediaFoldersCountAsRemovable)
{
    EXPECT_TRUE(IsRemovableMount("/dev/sda1", "/media/jan/STICK", Block()));
    EXPECT_TRUE(IsRemovableMount("/dev/sda1", "/run/media/jan/STICK/", Block()));
    EXPECT_FALSE(IsRemovableMount("/dev/sda1", "/mediadata", Block()));
}

TEST(Volumes, ExportDefaultIsTheFirstRemovableVolumeElseHome)
{
    const TVolume root{"/", "/", false};
    const TVolume stick{"/media/jan/STICK", "STICK", true};
    const TVolume card{"/media/jan/CARD", "CARD", true};
    EXPECT_EQ(DefaultExportFolder({root, stick, card}), "/media/jan/STICK");
    EXPECT_EQ(DefaultExportFolder({root}), QDir::homePath());
    EXPECT_EQ(DefaultExportFolder({}), HomeFolder());
}

TEST(Volumes, TheRootIsListedAndReadyAndHoldsEveryPath)
{
    const std::vector<TVolume> volumes = MountedVolumes();
    ASSERT_FALSE(volumes.empty());
    EXPECT_EQ(volumes.front().RootPath, "/");
    for (const TVolume& v : volumes)
        EXPECT_TRUE(VolumeReady(v.RootPath)) << v.RootPath.toStdString();
    EXPECT_EQ(VolumeOfPath("/").RootPath, "/");
    // A path that does not exist yet belongs to the volume of its nearest existing parent.
    const TVolume ofTemp = VolumeOfPath(QDir::tempPath());
    EXPECT_EQ(VolumeOfPath(QDir::tempPath() + "/not/yet/made"), ofTemp);
}

TEST(Volumes, OnlyMountPointsAreReady)
{
    EXPECT_TRUE(VolumeReady("/"));
    QTemporaryDir plain;
    ASSERT_TRUE(plain.isValid());
    // An ordinary folder, like an empty mount point whose medium was taken out, is not a volume.
    if (VolumeOfPath(plain.path()).RootPath != plain.path()) {
        EXPECT_FALSE(VolumeReady(plain.path()));
    }
    EXPECT_FALSE(VolumeReady(plain.path() + "/missing"));
    EXPECT_FALSE(VolumeReady(""));
}

} // namespace
