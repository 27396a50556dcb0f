#include "DriveComboBox.h"

#include "AnsiText.h"
#include "Exceptions.h"

#include <QDir>

TDriveComboBox::TDriveComboBox(QWidget* parent) : QComboBox(parent)
{
    SetVolumes(MountedVolumes());
}

void TDriveComboBox::SetVolumes(const std::vector<TVolume>& volumes)
{
    const QSignalBlocker blocker(this);
    volumes_ = volumes;
    clear();
    for (const TVolume& volume : volumes_)
        addItem(volume.Name == volume.RootPath ? volume.RootPath : volume.Name + "  [" + volume.RootPath + "]");
}

TVolume TDriveComboBox::Drive() const
{
    const int index = currentIndex();
    return index >= 0 && size_t(index) < volumes_.size() ? volumes_[size_t(index)] : TVolume{};
}

void TDriveComboBox::SetDrive(const QString& rootPath)
{
    for (size_t i = 0; i < volumes_.size(); ++i)
        if (QDir::cleanPath(volumes_[i].RootPath) == QDir::cleanPath(rootPath)) {
            setCurrentIndex(int(i));
            return;
        }
    throw Exception("Station " + PathInMessage(rootPath) + " bestaat niet");
}

TVolume TDriveComboBox::VolumeOf(const QString& path) const
{
    const TVolume* best = nullptr;
    for (const TVolume& volume : volumes_)
        if (PathUnder(path, volume.RootPath) && (!best || volume.RootPath.size() > best->RootPath.size()))
            best = &volume;
    if (!best)
        throw Exception("Geen station voor " + PathInMessage(path));
    return *best;
}
