#include "LazyIcon.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

// A 16 x 16 picture: red, and a grey one for disabled buttons.
QIcon Picture()
{
    QPixmap normal(16, 16);
    normal.fill(Qt::red);
    QPixmap disabled(16, 16);
    disabled.fill(Qt::gray);
    QIcon icon(normal);
    icon.addPixmap(disabled, QIcon::Disabled);
    return icon;
}

} // namespace

TEST(LazyIcon, MadeOnceWhenFirstNeededAndThenTheSameAsTheIconItself)
{
    int made = 0;
    const QIcon lazy = LazyIcon([&] {
        ++made;
        return Picture();
    });
    const QIcon copy = lazy;
    EXPECT_FALSE(lazy.isNull());
    EXPECT_EQ(made, 0);

    const QIcon eager = Picture();
    for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled, QIcon::Active, QIcon::Selected}) {
        SCOPED_TRACE(int(mode));
        EXPECT_EQ(copy.pixmap(QSize(16, 16), mode).toImage(), eager.pixmap(QSize(16, 16), mode).toImage());
        EXPECT_EQ(copy.actualSize(QSize(32, 32), mode), eager.actualSize(QSize(32, 32), mode));
    }
    EXPECT_EQ(copy.availableSizes(), eager.availableSizes());

    QImage painted(16, 16, QImage::Format_ARGB32);
    painted.fill(Qt::white);
    QPainter painter(&painted);
    lazy.paint(&painter, QRect(0, 0, 16, 16), Qt::AlignCenter, QIcon::Disabled);
    painter.end();
    EXPECT_EQ(painted.pixelColor(8, 8), QColor(Qt::gray));
    EXPECT_EQ(made, 1);
}
