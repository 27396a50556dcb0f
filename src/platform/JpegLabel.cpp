#include "JpegLabel.h"

#include "JpegImage.h"
#include "Resources.h"

#include <QPixmap>

JpegLabel::JpegLabel(QWidget* parent) : QLabel(parent)
{
    setAutoFillBackground(false);
}

void JpegLabel::setJpegFile(const QString& fileName)
{
    if (fileName.isEmpty()) {
        clear();
    } else {
        EnsureResources(); // the layouts name compiled-in pictures
        setPixmap(QPixmap::fromImage(LoadJpeg(fileName)));
    }
    jpegFile_ = fileName;
}
