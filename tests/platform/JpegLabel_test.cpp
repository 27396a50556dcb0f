#include "Exceptions.h"
#include "JpegLabel.h"

#include <gtest/gtest.h>

TEST(JpegLabel, ShowsTheDecodedPictureAndClears)
{
    JpegLabel label;
    label.setJpegFile(":/images/logo_main.jpg");
    EXPECT_EQ(label.jpegFile(), ":/images/logo_main.jpg");
    EXPECT_EQ(label.pixmap().size(), QSize(120, 26));
    EXPECT_FALSE(label.autoFillBackground());

    label.setJpegFile("");
    EXPECT_TRUE(label.pixmap().isNull());
    EXPECT_TRUE(label.jpegFile().isEmpty());
}

TEST(JpegLabel, ABadPictureRaisesAndKeepsTheOldOne)
{
    JpegLabel label;
    label.setProperty("jpegFile", ":/images/logo_about.jpg"); // as a window layout sets it
    ASSERT_EQ(label.pixmap().size(), QSize(130, 28));
    EXPECT_THROW(label.setJpegFile(":/images/zorvandel.png"), Exception); // a PNG, not a JPEG
    EXPECT_THROW(label.setJpegFile(":/images/none.jpg"), Exception);
    EXPECT_EQ(label.pixmap().size(), QSize(130, 28));
    EXPECT_EQ(label.jpegFile(), ":/images/logo_about.jpg");
}
