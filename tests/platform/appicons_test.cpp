// SPDX-License-Identifier: GPL-3.0-or-later
// The bundled tool-bar pictures: each one is there, draws at the sizes tool
// bars and menus ask for, and differs from every other one.
#include "platform/appicons.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

int opaquePixels(const QImage &image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 128) ++n;
    return n;
}

} // namespace

TEST(AppIcons, EveryBundledPictureDrawsAndIsItsOwn)
{
    const QStringList names = AppIcons::bundledNames();
    ASSERT_GE(names.size(), 14) << names.join(QLatin1Char(' ')).toStdString();
    QList<QImage> seen;
    for (const QString &name : names) {
        const QIcon icon = AppIcons::bundled(name);
        ASSERT_FALSE(icon.isNull()) << name.toStdString();
        for (int size : {16, 20, 24, 32}) {
            const QImage image = icon.pixmap(size, size).toImage();
            EXPECT_EQ(image.size(), QSize(size, size)) << name.toStdString();
            // A picture, not a dot: at least a tenth of its square is covered.
            EXPECT_GT(opaquePixels(image), size * size / 10) << name.toStdString() << " at " << size;
        }
        const QImage image = icon.pixmap(24, 24).toImage();
        for (const QImage &other : seen)
            EXPECT_NE(image, other) << name.toStdString() << " looks like another picture";
        seen << image;
    }
    EXPECT_TRUE(AppIcons::bundled(QStringLiteral("no-such-picture")).isNull());
}
