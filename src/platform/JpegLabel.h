#pragma once
// A picture box that shows a JPEG file or resource through DecodeJpeg.  Window layouts use it as
// a promoted QLabel and name the picture in the property "jpegFile" (":/images/....jpg").
// It paints no background of its own, so the panel behind it shows around the picture.

#include <QLabel>
#include <QString>

class JpegLabel : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QString jpegFile READ jpegFile WRITE setJpegFile)

public:
    explicit JpegLabel(QWidget* parent = nullptr);

    QString jpegFile() const { return jpegFile_; }
    // Decodes the picture and shows it; an unreadable or corrupt picture raises (see LoadJpeg)
    // and leaves the label as it was.  An empty name clears the picture.
    void setJpegFile(const QString& fileName);

private:
    QString jpegFile_;
};
