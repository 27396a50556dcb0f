#include "JpegImage.h"

#include "AnsiText.h"
#include "Exceptions.h"

#include <QFile>
#include <limits>
#include <memory>
#include <turbojpeg.h>

namespace {

// Larger pictures are refused before any memory is taken for them (a damaged header could
// otherwise ask for gigabytes).
constexpr long long MaxPixels = 64LL * 1024 * 1024;

struct HandleCloser {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using DecompressHandle = std::unique_ptr<void, HandleCloser>;

[[noreturn]] void Fail(const std::string& text)
{
    throw Exception("DecodeJpeg: " + text);
}

[[noreturn]] void FailFrom(tjhandle handle)
{
    Fail(tjGetErrorStr2(handle));
}

} // namespace

QImage DecodeJpeg(const unsigned char* data, std::size_t size)
{
    if (data == nullptr || size == 0)
        Fail("geen afbeeldingsgegevens");
    if (size > std::numeric_limits<unsigned long>::max())
        Fail("de afbeeldingsgegevens zijn te groot");

    DecompressHandle handle(tjInitDecompress());
    if (!handle)
        Fail(tjGetErrorStr2(nullptr));

    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(handle.get(), data, static_cast<unsigned long>(size), &width, &height,
                            &subsampling, &colorspace) != 0)
        FailFrom(handle.get());
    if (width <= 0 || height <= 0)
        Fail("de afbeelding heeft geen pixels");
    if (static_cast<long long>(width) * height > MaxPixels)
        Fail("een afbeelding van " + std::to_string(width) + " x " + std::to_string(height) + " pixels is te groot");

    QImage image(width, height, QImage::Format_RGB888);
    if (image.isNull())
        Fail("onvoldoende geheugen voor de afbeelding");
    // A warning (such as data that ends early) counts as a failure: a partly decoded logo is wrong.
    if (tjDecompress2(handle.get(), data, static_cast<unsigned long>(size), image.bits(), width,
                      static_cast<int>(image.bytesPerLine()), height, TJPF_RGB,
                      TJFLAG_ACCURATEDCT | TJFLAG_STOPONWARNING) != 0)
        FailFrom(handle.get());
    return image.convertToFormat(QImage::Format_RGB32);
}

QImage DecodeJpeg(const QByteArray& data)
{
    return DecodeJpeg(reinterpret_cast<const unsigned char*>(data.constData()),
                      static_cast<std::size_t>(data.size()));
}

QImage LoadJpeg(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception("LoadJpeg: kan " + PathInMessage(fileName) + " niet lezen: " + QStringToAnsi(file.errorString()));
    return DecodeJpeg(file.readAll());
}
