#include "Volumes.h"

#include "TrailingSlash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <algorithm>

namespace {

bool FlagSet(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) && file.readAll().trimmed() == "1";
}

TVolume ToVolume(const QStorageInfo& storage)
{
    return TVolume{storage.rootPath(), storage.displayName(),
                   IsRemovableMount(QString::fromLocal8Bit(storage.device()), storage.rootPath())};
}

} // namespace

bool IsRemovableMount(const QString& device, const QString& rootPath, const QString& sysBlock)
{
    const QString root = QDir::cleanPath(rootPath);
    if (root.startsWith("/media/") || root.startsWith("/run/media/"))
        return true;
    if (!device.startsWith("/dev/"))
        return false;
    // /dev/disk/by-label/X and the like are links to the device node itself.
    const QString node = QFileInfo(device).exists() ? QFileInfo(device).canonicalFilePath() : device;
    const QString entry = QFileInfo(sysBlock + "/" + QFileInfo(node).fileName()).canonicalFilePath();
    if (entry.isEmpty())
        return false;
    // A partition's entry lies inside the entry of its disk, which carries the flag.
    return FlagSet(entry + "/removable") || (QFile::exists(entry + "/partition") && FlagSet(entry + "/../removable"));
}

std::vector<TVolume> MountedVolumes()
{
    std::vector<TVolume> volumes;
    for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
        if (!storage.isValid() || !storage.isReady() || !QFileInfo(storage.rootPath()).isDir())
            continue;
        const bool blockDevice = storage.device().startsWith("/dev/") && storage.fileSystemType() != "squashfs";
        if (storage.isRoot() || blockDevice)
            volumes.push_back(ToVolume(storage));
    }
    std::sort(volumes.begin(), volumes.end(), [](const TVolume& a, const TVolume& b) { return a.RootPath < b.RootPath; });
    return volumes;
}

TVolume VolumeOfPath(const QString& path)
{
    QFileInfo existing(QDir::cleanPath(QDir(path).absolutePath()));
    while (!existing.exists() && !existing.isRoot())
        existing.setFile(existing.path());
    return ToVolume(QStorageInfo(existing.absoluteFilePath()));
}

bool VolumeReady(const QString& rootPath)
{
    if (rootPath.isEmpty() || !QFileInfo(rootPath).isDir())
        return false;
    const QStorageInfo storage(rootPath);
    return storage.isValid() && storage.isReady() && storage.rootPath() == QFileInfo(rootPath).canonicalFilePath();
}

bool PathUnder(const QString& path, const QString& root)
{
    const QString cleanRoot = QDir::cleanPath(root);
    const QString cleanPath = QDir::cleanPath(path);
    return cleanPath == cleanRoot || cleanPath.startsWith(WithTrailingSlash(cleanRoot));
}

QString HomeFolder() { return QDir::homePath(); }

QString DefaultExportFolder(const std::vector<TVolume>& volumes)
{
    const auto removable = std::find_if(volumes.begin(), volumes.end(), [](const TVolume& v) { return v.Removable; });
    return removable != volumes.end() ? removable->RootPath : HomeFolder();
}

QString DefaultExportFolder() { return DefaultExportFolder(MountedVolumes()); }
