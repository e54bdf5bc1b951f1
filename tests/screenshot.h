// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the README pictures share: a check that the window drew something,
// and saving the picture where it is wanted. A test run makes and checks
// every picture but writes none into the source tree: scripts/screenshots
// renews the README pictures on purpose by naming their folder.
#include <QDir>
#include <QImage>
#include <QSet>
#include <QString>
#include <gtest/gtest.h>

// A picture of a handful of colours is a window that drew nothing.
inline void ExpectNotBlank(const QImage &image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 7)
            colours.insert(image.pixel(x, y));
    EXPECT_GT(colours.size(), 8) << "the picture is nearly blank";
}

// The README pictures' folder (docs/screenshots when renewing them), else empty.
inline QString ReadmePictures()
{
    return qEnvironmentVariable("TAVIREL_SCREENSHOTS");
}

// A folder for further pictures to look at (1920 x 1080, dialogs), else empty.
inline QString MorePictures()
{
    return qEnvironmentVariable("TAVIREL_WIDE_SCREENSHOTS");
}

// Saves the picture as PNG into the folder; no folder, no picture.
inline void SavePng(const QImage &image, const QString &folder, const QString &name)
{
    if (folder.isEmpty()) return;
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_TRUE(image.save(folder + QLatin1Char('/') + name, "PNG"));
}
