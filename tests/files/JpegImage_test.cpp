#include "JpegImage.h"

#include "ErrorOf.h"
#include "Resources.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QTemporaryDir>
#include <turbojpeg.h>
#include <vector>

namespace {

// A width x height picture, left half red and right half blue, encoded by libjpeg-turbo.
QByteArray MakeJpeg(int width, int height, int subsampling = TJSAMP_444)
{
    std::vector<unsigned char> rgb(size_t(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            unsigned char* p = &rgb[(size_t(y) * width + x) * 3];
            const bool left = x < width / 2;
            p[0] = left ? 220 : 20;
            p[1] = 30;
            p[2] = left ? 20 : 210;
        }
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long jpegSize = 0;
    const int rc = tjCompress2(handle, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &jpegSize, subsampling, 95, 0);
    QByteArray result = rc == 0 ? QByteArray(reinterpret_cast<const char*>(jpeg), qsizetype(jpegSize)) : QByteArray();
    tjFree(jpeg);
    tjDestroy(handle);
    return result;
}

bool Near(QRgb pixel, int r, int g, int b, int tolerance = 12)
{
    return std::abs(qRed(pixel) - r) <= tolerance && std::abs(qGreen(pixel) - g) <= tolerance
        && std::abs(qBlue(pixel) - b) <= tolerance;
}

std::string FailureText(const QByteArray& data)
{
    return ErrorOf([&] { DecodeJpeg(data); });
}

} // namespace

TEST(DecodeJpeg, DecodesSizeAndColours)
{
    const QByteArray jpeg = MakeJpeg(16, 8);
    ASSERT_FALSE(jpeg.isEmpty());
    const QImage image = DecodeJpeg(jpeg);
    ASSERT_EQ(image.size(), QSize(16, 8));
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
    EXPECT_TRUE(Near(image.pixel(2, 4), 220, 30, 20)) << std::hex << image.pixel(2, 4);
    EXPECT_TRUE(Near(image.pixel(13, 4), 20, 30, 210)) << std::hex << image.pixel(13, 4);
}

TEST(DecodeJpeg, OddSizesSubsampledAndGreyPictures)
{
    const QImage odd = DecodeJpeg(MakeJpeg(37, 11, TJSAMP_420));
    EXPECT_EQ(odd.size(), QSize(37, 11));
    EXPECT_TRUE(Near(odd.pixel(3, 5), 220, 30, 20, 25));
    EXPECT_TRUE(Near(odd.pixel(33, 5), 20, 30, 210, 25));

    const QImage grey = DecodeJpeg(MakeJpeg(8, 8, TJSAMP_GRAY));
    ASSERT_EQ(grey.size(), QSize(8, 8));
    EXPECT_EQ(qRed(grey.pixel(1, 1)), qGreen(grey.pixel(1, 1)));
    EXPECT_EQ(qGreen(grey.pixel(1, 1)), qBlue(grey.pixel(1, 1)));
}

TEST(DecodeJpeg, TheProgramsLogos)
{
    EnsureResources();
    const QImage about = LoadJpeg(":/images/logo_about.jpg");
    EXPECT_EQ(about.size(), QSize(130, 28));
    EXPECT_TRUE(Near(about.pixel(129, 0), 224, 232, 240, 6)) << std::hex << about.pixel(129, 0);
    EXPECT_EQ(LoadJpeg(":/images/logo_main.jpg").size(), QSize(120, 26));
}

TEST(DecodeJpeg, EmptyAndForeignDataRaise)
{
    EXPECT_EQ(FailureText(QByteArray()), "DecodeJpeg: geen afbeeldingsgegevens");
    EXPECT_THROW(DecodeJpeg(nullptr, 10), Exception);
    EXPECT_EQ(FailureText("not a picture at all").rfind("DecodeJpeg: ", 0), 0u);
}

TEST(DecodeJpeg, EveryTruncationRaises)
{
    const QByteArray jpeg = MakeJpeg(24, 16);
    ASSERT_FALSE(jpeg.isEmpty());
    for (qsizetype length = 0; length < jpeg.size(); ++length) {
        const std::string text = FailureText(jpeg.left(length));
        ASSERT_EQ(text.rfind("DecodeJpeg: ", 0), 0u) << "length " << length << ": " << text;
    }
}

TEST(DecodeJpeg, DamagedBytesRaiseOrDecodeButNeverCrash)
{
    const QByteArray jpeg = MakeJpeg(24, 16);
    int raised = 0;
    for (qsizetype i = 0; i < jpeg.size(); ++i) {
        QByteArray damaged = jpeg;
        damaged[i] = char(damaged[i] ^ 0x5A);
        try {
            const QImage image = DecodeJpeg(damaged);
            EXPECT_FALSE(image.isNull());
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message.rfind("DecodeJpeg: ", 0), 0u) << e.Message;
            ++raised;
        }
    }
    EXPECT_GT(raised, 0);
}

TEST(DecodeJpeg, AHeaderClaimingAHugePictureIsRefused)
{
    QByteArray jpeg = MakeJpeg(16, 16);
    const qsizetype sof = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(sof, 0);
    // Frame header: marker, length (2), precision (1), height (2), width (2).
    // 60000 = 0xEA60, within what the library accepts.
    for (int i : {5, 7}) {
        jpeg[sof + i] = char(0xEA);
        jpeg[sof + i + 1] = char(0x60);
    }
    EXPECT_EQ(FailureText(jpeg), "DecodeJpeg: een afbeelding van 60000 x 60000 pixels is te groot");
}

TEST(LoadJpeg, UnreadableFileRaises)
{
    QTemporaryDir dir;
    const std::string error = ErrorOf([&] { LoadJpeg(dir.filePath("missing.jpg")); });
    EXPECT_EQ(error.rfind("LoadJpeg: kan " + dir.filePath("missing.jpg").toStdString() + " niet lezen: ", 0), 0u) << error;
}
