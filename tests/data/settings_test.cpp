// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/apperror.h"
#include "data/settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class IniFileTest : public ::testing::Test
{
  protected:
    QString path() const { return m_dir.filePath(QStringLiteral("tavirel.ini")); }
    void write(const QByteArray &bytes)
    {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray content() const
    {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(IniFileTest, MissingFileOrKeyGivesTheDefault)
{
    IniFile ini(path());
    EXPECT_EQ(ini.readString(QStringLiteral("UST"), QStringLiteral("ID")), QString());
    EXPECT_EQ(ini.readString(QStringLiteral("UST"), QStringLiteral("ID"), QStringLiteral("x")),
              QStringLiteral("x"));
    EXPECT_TRUE(ini.readBool(QStringLiteral("Euro"), QStringLiteral("Artikel"), true));
    write("[UST]\r\nID=DE1\r\n");
    EXPECT_FALSE(ini.readBool(QStringLiteral("Euro"), QStringLiteral("Artikel")));
    EXPECT_EQ(ini.readString(QStringLiteral("UST"), QStringLiteral("Name"), QStringLiteral("d")),
              QStringLiteral("d"));
}

TEST_F(IniFileTest, NamesIgnoreLetterCaseAndBlanks)
{
    write("[ust]\nid = DE 123 456 \n[EURO]\nARTIKEL=1\n");
    IniFile ini(path());
    EXPECT_EQ(ini.readString(QStringLiteral("UST"), QStringLiteral("ID")), QStringLiteral("DE 123 456"));
    EXPECT_TRUE(ini.readBool(QStringLiteral("Euro"), QStringLiteral("Artikel")));
}

TEST_F(IniFileTest, KeyBelongsToItsOwnSectionOnly)
{
    write("ID=vor jeder Sektion\n[Andere]\nID=falsch\n[UST]\nID=richtig\n");
    IniFile ini(path());
    EXPECT_EQ(ini.readString(QStringLiteral("UST"), QStringLiteral("ID")), QStringLiteral("richtig"));
    EXPECT_EQ(ini.readString(QStringLiteral("Nirgends"), QStringLiteral("ID"), QStringLiteral("-")),
              QStringLiteral("-"));
}

TEST_F(IniFileTest, BoolIsAnyWholeNumberOtherThanZero)
{
    write("[E]\na=1\nb=0\nc=-7\nd=ja\ne=\nf=2.5\n");
    IniFile ini(path());
    EXPECT_TRUE(ini.readBool(QStringLiteral("E"), QStringLiteral("a")));
    EXPECT_FALSE(ini.readBool(QStringLiteral("E"), QStringLiteral("b"), true));
    EXPECT_TRUE(ini.readBool(QStringLiteral("E"), QStringLiteral("c")));
    // Not a whole number: the default, as if the key were missing.
    for (const char *key : {"d", "e", "f"}) {
        EXPECT_TRUE(ini.readBool(QStringLiteral("E"), QString::fromLatin1(key), true)) << key;
        EXPECT_FALSE(ini.readBool(QStringLiteral("E"), QString::fromLatin1(key), false)) << key;
    }
}

TEST_F(IniFileTest, MalformedAndCommentLinesAreSkipped)
{
    write("; Kommentar\n# auch\n[UST\nunsinn ohne gleich\n=ohne Namen\n[UST]\nkaputt\nID=gut\n; "
          "ID=kommentiert\n");
    IniFile ini(path());
    EXPECT_EQ(ini.readString(QStringLiteral("UST"), QStringLiteral("ID")), QStringLiteral("gut"));
    EXPECT_EQ(ini.readString(QStringLiteral("UST"), QStringLiteral("; ID"), QStringLiteral("-")),
              QStringLiteral("-"));
}

TEST_F(IniFileTest, ReadsAfreshEveryTime)
{
    IniFile ini(path());
    write("[UST]\nID=alt\n");
    EXPECT_EQ(ini.readString(QStringLiteral("UST"), QStringLiteral("ID")), QStringLiteral("alt"));
    write("[UST]\nID=neu\n");
    EXPECT_EQ(ini.readString(QStringLiteral("UST"), QStringLiteral("ID")), QStringLiteral("neu"));
}

TEST_F(IniFileTest, ReadsWindows1252AndUtf8)
{
    write("[Firma]\nName=M\xFCller \x80\n");
    EXPECT_EQ(IniFile(path()).readString(QStringLiteral("Firma"), QStringLiteral("Name")),
              QStringLiteral("Müller €"));
    write("\xEF\xBB\xBF[Firma]\nName=M\xC3\xBCller \xE2\x82\xAC\n");
    EXPECT_EQ(IniFile(path()).readString(QStringLiteral("Firma"), QStringLiteral("Name")),
              QStringLiteral("Müller €"));
}

TEST_F(IniFileTest, WriteReplacesTheLineInPlaceAndKeepsTheRest)
{
    write("; Einstellungen\r\n[UST]\r\nid=alt\r\nName=X\r\n\r\n# Euro\r\n[Euro]\r\nArtikel=0\r\n");
    IniFile ini(path());
    ini.writeString(QStringLiteral("ust"), QStringLiteral("ID"), QStringLiteral("DE999"));
    EXPECT_EQ(content(),
              "; Einstellungen\r\n[UST]\r\nid=DE999\r\nName=X\r\n\r\n# Euro\r\n[Euro]\r\nArtikel=0\r\n");
    ini.writeBool(QStringLiteral("EURO"), QStringLiteral("artikel"), true);
    EXPECT_EQ(content(),
              "; Einstellungen\r\n[UST]\r\nid=DE999\r\nName=X\r\n\r\n# Euro\r\n[Euro]\r\nArtikel=1\r\n");
    EXPECT_TRUE(ini.readBool(QStringLiteral("Euro"), QStringLiteral("Artikel")));
}

TEST_F(IniFileTest, WriteAppendsToItsSectionOrAddsTheSection)
{
    write("[UST]\nID=DE1\n\n; Waehrung\n[Euro]\nArtikel=0\n");
    IniFile ini(path());
    ini.writeString(QStringLiteral("UST"), QStringLiteral("Name"), QStringLiteral("Tavirel"));
    ini.writeBool(QStringLiteral("Druck"), QStringLiteral("Vorschau"), false);
    EXPECT_EQ(content(), "[UST]\r\nID=DE1\r\nName=Tavirel\r\n\r\n; "
                         "Waehrung\r\n[Euro]\r\nArtikel=0\r\n\r\n[Druck]\r\nVorschau=0\r\n");
    EXPECT_EQ(ini.readString(QStringLiteral("UST"), QStringLiteral("ID")), QStringLiteral("DE1"));
    EXPECT_EQ(ini.readString(QStringLiteral("UST"), QStringLiteral("Name")), QStringLiteral("Tavirel"));
}

TEST_F(IniFileTest, WriteCreatesAMissingFile)
{
    IniFile ini(path());
    ini.writeBool(QStringLiteral("Euro"), QStringLiteral("Artikel"), true);
    EXPECT_EQ(content(), "[Euro]\r\nArtikel=1\r\n");
}

TEST_F(IniFileTest, FailedWriteThrowsAndLeavesTheFileAlone)
{
    IniFile nowhere(m_dir.filePath(QStringLiteral("fehlt/tavirel.ini")));
    EXPECT_THROW(nowhere.writeString(QStringLiteral("UST"), QStringLiteral("ID"), QStringLiteral("x")),
                 AppError);

    write("[UST]\nID=DE1\n");
    IniFile ini(path());
    // A line break in a value would break the file apart.
    EXPECT_THROW(ini.writeString(QStringLiteral("UST"), QStringLiteral("ID"), QStringLiteral("a\nb")),
                 AppError);
    EXPECT_THROW(ini.writeString(QStringLiteral(""), QStringLiteral("ID"), QStringLiteral("x")), AppError);
    EXPECT_THROW(ini.writeString(QStringLiteral("UST"), QStringLiteral("A=B"), QStringLiteral("x")),
                 AppError);
    EXPECT_EQ(content(), "[UST]\nID=DE1\n");
}
