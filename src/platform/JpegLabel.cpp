#include "JpegLabel.h"

#include "JpegImage.h"

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
        setPixmap(QPixmap::fromImage(LoadJpeg(fileName)));
    }
    jpegFile_ = fileName;
}
