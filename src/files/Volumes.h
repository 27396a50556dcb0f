#pragma once
// Mounted volumes standing in for drive letters.  The drive box lists MountedVolumes(); the rules
// the program had for the floppy drives A: and B: apply to removable volumes; "C:\" is the
// user's home folder; the export default "A:\" is the first removable volume, else the home folder.

#include <QString>
#include <vector>

struct TVolume {
    QString RootPath;      // where it is mounted ("/", "/media/jan/STICK")
    QString Name;          // its label, else its mount point
    bool Removable = false;

    bool operator==(const TVolume&) const = default;
};

// Removable: the block device (or the disk it is a partition of) says so in sysBlock, or the
// volume is mounted where the desktop mounts plugged-in media (/media, /run/media).
bool IsRemovableMount(const QString& device, const QString& rootPath, const QString& sysBlock = "/sys/class/block");

// Mounted, ready volumes a user can choose: the root and the file systems on block devices,
// ordered by mount point.
std::vector<TVolume> MountedVolumes();

// The volume that holds path (or its nearest existing parent).
TVolume VolumeOfPath(const QString& path);

// True when rootPath is where a volume is mounted and that volume answers; never throws.
bool VolumeReady(const QString& rootPath);

// True when path is root itself or lies inside it.
bool PathUnder(const QString& path, const QString& root);

// Stands in for "C:\".
QString HomeFolder();

// The first removable volume of volumes, else the home folder.
QString DefaultExportFolder(const std::vector<TVolume>& volumes);
QString DefaultExportFolder();
