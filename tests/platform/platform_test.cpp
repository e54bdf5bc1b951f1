// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/platform.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

class ShellOpenTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        Platform::setOpenHookForTests([this](const QString &what) { opened << what; });
    }
    void TearDown() override
    {
        Platform::setOpenHookForTests({});
        qputenv("PATH", m_path);
    }
    QStringList opened;
    const QByteArray m_path = qgetenv("PATH");
};

} // namespace

TEST_F(ShellOpenTest, EmptyTextOpensNothing)
{
    Platform::ShellOpen(QString());
    Platform::ShellOpen(QStringLiteral("   "));
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(ShellOpenTest, MailAndWebAddressesGoOutAsUrls)
{
    Platform::ShellOpen(QStringLiteral("mailto:info@tavirel.de"));
    Platform::ShellOpen(QStringLiteral("http://www.tavirel.de"));
    Platform::ShellOpen(QStringLiteral("www.tavirel.de"));
    EXPECT_EQ(opened,
              (QStringList{QStringLiteral("mailto:info@tavirel.de"), QStringLiteral("http://www.tavirel.de"),
                           QStringLiteral("http://www.tavirel.de")}));
}

TEST_F(ShellOpenTest, AnythingElseIsALocalFile)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Brief an Müller.txt"));
    Platform::ShellOpen(file);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(QUrl(opened.first()).toLocalFile(), file);
}

#ifndef Q_OS_WIN
TEST_F(ShellOpenTest, CalcStartsThisSystemsCalculatorIfThereIsOne)
{
    QTemporaryDir bin;
    qputenv("PATH", QFile::encodeName(bin.path()));
    Platform::ShellOpen(QStringLiteral("calc.exe"));
    EXPECT_TRUE(opened.isEmpty()); // no calculator installed: nothing happens

    const QString kcalc = bin.filePath(QStringLiteral("kcalc"));
    QFile f(kcalc);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    Platform::ShellOpen(QStringLiteral("CALC.EXE"));
    EXPECT_EQ(opened, QStringList{kcalc});
}
#endif
