// SPDX-License-Identifier: GPL-3.0-or-later
// The splash window: the date of the program's file, its place on the screen
// and its end by a click.
#include "app/tfinfo.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

TEST(Splash, RevisionIsTheFilesModificationTimeAsShortDateAndLongTime)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tavirel"));
    const auto stamp = [&path](const QDateTime &when) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.setFileTime(when, QFileDevice::FileModificationTime);
    };
    ASSERT_TRUE(stamp(QDateTime(QDate(1999, 1, 1), QTime(8, 0, 0))));
    EXPECT_EQ(TFinfo::revisionText(path), QStringLiteral("01.01.1999 08:00:00"));
    ASSERT_TRUE(stamp(QDateTime(QDate(2005, 12, 31), QTime(23, 59, 7))));
    EXPECT_EQ(TFinfo::revisionText(path), QStringLiteral("31.12.2005 23:59:07"));
    EXPECT_TRUE(TFinfo::revisionText(dir.filePath(QStringLiteral("fehlt"))).isEmpty());
}

TEST(Splash, StandsAboveTheBottomRightCornerOfTheScreen)
{
    EXPECT_EQ(TFinfo::placement(QRect(0, 0, 1024, 768)), QPoint(754, 618));
    // A task bar at the top or left moves the available area, not the rule.
    EXPECT_EQ(TFinfo::placement(QRect(60, 30, 1860, 1010)), QPoint(1650, 890));

    auto *splash = new TFinfo;
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(splash->pos(), TFinfo::placement(screen));
    EXPECT_EQ(splash->size(), QSize(254, 87));
    // The whole window is on the screen.
    EXPECT_TRUE(screen.contains(QRect(splash->pos(), splash->size())));
    EXPECT_EQ(splash->revision->text(), TFinfo::revisionText(QCoreApplication::applicationFilePath()));
    EXPECT_FALSE(splash->revision->text().isEmpty());
    EXPECT_EQ(splash->Progress->minimum(), 0);
    EXPECT_EQ(splash->Progress->maximum(), 11);
    delete splash;
    EXPECT_TRUE(Finfo.isNull());
}

TEST(Splash, AClickClosesAndFreesIt)
{
    auto *splash = new TFinfo;
    splash->show();
    EXPECT_EQ(Finfo.data(), splash);
    QTest::mouseClick(splash->Label4, Qt::LeftButton);
    EXPECT_FALSE(splash->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(Finfo.isNull());
}
