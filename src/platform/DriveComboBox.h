#pragma once
// The drive box: lists mounted volumes in place of drive letters.

#include "Volumes.h"

#include <QComboBox>
#include <vector>

class TDriveComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TDriveComboBox(QWidget* parent = nullptr); // lists MountedVolumes()

    void SetVolumes(const std::vector<TVolume>& volumes);
    const std::vector<TVolume>& Volumes() const { return volumes_; }

    // The selected volume (an empty one when the box is empty).
    TVolume Drive() const;
    // Selects the listed volume mounted at rootPath; a volume not listed raises Exception.
    void SetDrive(const QString& rootPath);
    // The listed volume that holds path (the deepest mount point above it); none raises Exception.
    TVolume VolumeOf(const QString& path) const;

private:
    std::vector<TVolume> volumes_;
};
