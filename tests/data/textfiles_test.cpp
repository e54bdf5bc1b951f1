// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/apperror.h"
#include "base/textfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString writeFile(const QTemporaryDir &dir, const QByteArray &bytes)
{
    const QString path = dir.filePath(QStringLiteral("t.txt"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

} // namespace

TEST(TextFilesDecode, Utf8WithAndWithoutBom)
{
    EXPECT_EQ(TextFiles::decode("Gr\xC3\xB6\xC3\x9F"
                                "e \xE2\x82\xAC"),
              QStringLiteral("Größe €"));
    EXPECT_EQ(TextFiles::decode("\xEF\xBB\xBF"
                                "\xC3\x84rger"),
              QStringLiteral("Ärger"));
    EXPECT_EQ(TextFiles::decode("\xEF\xBB\xBF"), QString());
    EXPECT_EQ(TextFiles::decode(QByteArray()), QString());
}

TEST(TextFilesDecode, Windows1252WhenNotUtf8)
{
    EXPECT_EQ(TextFiles::decode("M\xFCller \xC4\xD6\xDC\xE4\xF6\xFC\xDF"), QStringLiteral("Müller ÄÖÜäöüß"));
    EXPECT_EQ(TextFiles::decode("\x80 12,50"), QStringLiteral("€ 12,50"));
    // The 0x80..0x9F block is where Windows-1252 and Latin-1 differ.
    EXPECT_EQ(TextFiles::decode("\x84Zitat\x93 \x96 \x85 \x99 \x8A\x9A\x8E\x9E\x9F\x8C\x9C"),
              QStringLiteral("„Zitat“ – … ™ ŠšŽžŸŒœ"));
    EXPECT_EQ(TextFiles::decode("\x82\x83\x86\x87\x88\x89\x8B\x91\x92\x94\x95\x97\x98\x9B"),
              QStringLiteral("‚ƒ†‡ˆ‰‹‘’”•—˜›"));
    // Truncated UTF-8 is not UTF-8.
    EXPECT_EQ(TextFiles::decode("Stra\xC3"), QStringLiteral("StraÃ"));
}

TEST(TextFilesLines, AcceptsEveryLineEndAndDropsOnlyTheLastEmptyLine)
{
    QTemporaryDir dir;
    EXPECT_EQ(TextFiles::loadLines(writeFile(dir, "a\r\nb\nc\rd")), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(TextFiles::loadLines(writeFile(dir, "a\r\n\r\nb\r\n")), (QStringList{"a", "", "b"}));
    EXPECT_EQ(TextFiles::loadLines(writeFile(dir, "a\n\n")), (QStringList{"a", ""}));
    EXPECT_EQ(TextFiles::readLinesOrNotFound(writeFile(dir, "x\ny\n")), (QStringList{"x", "y"}));
    EXPECT_EQ(TextFiles::loadLines(writeFile(dir, "")), QStringList());
    EXPECT_EQ(TextFiles::loadLines(writeFile(dir, "\n")), QStringList{QString()});
}

TEST(TextFilesLines, MissingFileMessages)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("fehlt.txt"));
    try {
        TextFiles::loadLines(missing);
        ADD_FAILURE();
    } catch (const AppError &e) {
        EXPECT_EQ(
            e.message(),
            QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(QDir::toNativeSeparators(missing)));
    }
    try {
        TextFiles::readLinesOrNotFound(missing);
        ADD_FAILURE();
    } catch (const AppError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Datei nicht gefunden"));
    }
    EXPECT_THROW(TextFiles::loadLines(dir.path()), AppError); // a folder is no file
}

TEST(TextFilesSave, Utf8WithCrLfAndReadsBackTheSame)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("einheit.txt"));
    const QStringList lines{QStringLiteral("Stk"), QStringLiteral("m²"), QString(), QStringLiteral("€")};
    TextFiles::saveLines(path, lines);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "Stk\r\nm\xC2\xB2\r\n\r\n\xE2\x82\xAC\r\n");
    EXPECT_EQ(TextFiles::loadLines(path), lines);
    EXPECT_THROW(TextFiles::saveLines(dir.filePath(QStringLiteral("fehlt/x.txt")), lines), AppError);
}
