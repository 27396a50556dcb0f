#pragma once
// JPEG pictures decoded from memory with libjpeg-turbo (the logos kept with the window layouts).

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstddef>

// Decodes a whole JPEG stream into an RGB32 image.  Empty, corrupt or truncated data, and
// pictures too large to hold, raise an Exception whose text begins with "DecodeJpeg: ".
QImage DecodeJpeg(const unsigned char* data, std::size_t size);
QImage DecodeJpeg(const QByteArray& data);

// Reads a JPEG file (also a ":/..." resource) and decodes it; an unreadable file raises an
// Exception whose text begins with "LoadJpeg: ".
QImage LoadJpeg(const QString& fileName);
