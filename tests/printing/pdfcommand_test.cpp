// SPDX-License-Identifier: GPL-3.0-or-later
// `tavirel pdf`, run as the program itself: the file it writes, and on a
// failure its German message, its exit status and no file left behind.
#include "tests/commandrun.h"
#include "tests/report/pdftools.h"
#include "tests/testdb.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(PdfCommand, WritesTheDocumentOrFailsWithoutLeavingAFile)
{
    TestDb db(true);
    QTemporaryDir dir;
    const QString id =
        QString::number(db.scalar(QStringLiteral("select min(id) from Vorgang1 where typ = 'R'")).rawInt());
    const QString pdf = dir.filePath(QStringLiteral("rechnung.pdf"));
    db.raw().close();

    CommandRun ok = tavirel({QStringLiteral("pdf"), id, pdf, QStringLiteral("--db"), db.path()});
    EXPECT_EQ(ok.status, 0) << ok.err.toStdString();
    EXPECT_TRUE(ok.out.startsWith(QStringLiteral("PDF geschrieben: ")));
    EXPECT_TRUE(PdfTools::text(pdf).contains(QStringLiteral("Rechnung R - ")));

    const QString missing = dir.filePath(QStringLiteral("fehlt.pdf"));
    CommandRun noDocument = tavirel(
        {QStringLiteral("pdf"), QStringLiteral("987654"), missing, QStringLiteral("--db"), db.path()});
    EXPECT_EQ(noDocument.status, 1);
    EXPECT_TRUE(noDocument.err.contains(QStringLiteral("Es gibt keinen Vorgang mit der ID 987654")))
        << noDocument.err.toStdString();
    EXPECT_FALSE(QFile::exists(missing));

    const QString unwritable = dir.filePath(QStringLiteral("kein/ordner.pdf"));
    CommandRun noFolder = tavirel({QStringLiteral("pdf"), id, unwritable, QStringLiteral("--db"), db.path()});
    EXPECT_EQ(noFolder.status, 1);
    EXPECT_TRUE(noFolder.err.contains(QStringLiteral("kann nicht geschrieben werden")))
        << noFolder.err.toStdString();
    EXPECT_FALSE(QFile::exists(unwritable));

    CommandRun noDatabase =
        tavirel({QStringLiteral("pdf"), id, missing, QStringLiteral("--db"), dir.filePath("x.mdb")});
    EXPECT_NE(noDatabase.status, 0);
    EXPECT_FALSE(QFile::exists(missing));

    CommandRun usage = tavirel({QStringLiteral("pdf"), id});
    EXPECT_EQ(usage.status, 2);
    EXPECT_TRUE(usage.err.contains(QStringLiteral("Bitte die ID des Vorgangs und die PDF-Datei angeben")));
}
