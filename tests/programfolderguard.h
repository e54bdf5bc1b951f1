// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Tests never write into the build's program folder: its files are the
// same after the run as before it, or the run fails naming them.
#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <gtest/gtest.h>

class ProgramFolderGuard : public ::testing::Environment
{
  public:
    void SetUp() override { m_before = snapshot(); }
    void TearDown() override
    {
        const QMap<QString, QByteArray> after = snapshot();
        QStringList changed;
        for (auto it = after.constBegin(); it != after.constEnd(); ++it)
            if (m_before.value(it.key()) != it.value()) changed << it.key();
        for (auto it = m_before.constBegin(); it != m_before.constEnd(); ++it)
            if (!after.contains(it.key())) changed << it.key();
        EXPECT_TRUE(changed.isEmpty()) << "Tests haben in den Programmordner geschrieben: "
                                       << changed.join(QStringLiteral(", ")).toStdString();
    }

  private:
    // The text files and folders beside the program (the program itself is the build's).
    static QMap<QString, QByteArray> snapshot()
    {
        QMap<QString, QByteArray> out;
        const QString root = QStringLiteral(TAVIREL_PROGRAM_DIR "/");
        QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString relative = path.mid(root.size());
            if (relative == QLatin1String("tavirel") || relative.endsWith(QLatin1String(".exe"))) continue;
            QFile f(path);
            out.insert(relative, f.open(QIODevice::ReadOnly)
                                     ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                     : QByteArray("?"));
        }
        return out;
    }
    QMap<QString, QByteArray> m_before;
};
