// SPDX-License-Identifier: GPL-3.0-or-later
// The changeover runs without their window: the figures they store, and that
// a run is all or nothing, whatever part of it fails.
#include "articles/core/articlechangeover.h"
#include "data/settings.h"
#include "tests/modulesfixture.h"

#include <QDir>
#include <QFile>

namespace {

class ArticleRun : public ModulesFixture
{
  protected:
    void article(const QString &nr, double ek, double vk, const QString &waehrung = QStringLiteral("DM"))
    {
        db->exec(QStringLiteral("insert into Artikel (\"art-nr\", EK, VK, Waehrung, Preisdatum) "
                                "values ('%1', %2, %3, '%4', '2001-06-01')")
                     .arg(nr)
                     .arg(ek, 0, 'g', 17)
                     .arg(vk, 0, 'g', 17)
                     .arg(waehrung));
    }
    // Each article as "Art-Nr Waehrung EK VK Preisdatum", EK and VK to 10 places.
    QStringList storedArticles()
    {
        QStringList out;
        auto st =
            db->raw().prepare(QStringLiteral("select \"art-nr\", Waehrung, EK, VK, Preisdatum from Artikel "
                                             "order by 1"));
        while (st->step()) {
            QStringList cells;
            for (int i = 0; i < 5; ++i)
                cells << (i == 2 || i == 3 ? QString::number(st->columnDynamic(i).toDouble(), 'f', 10)
                                           : st->columnDynamic(i).rawText());
            out << cells.join(QLatin1Char(' '));
        }
        return out;
    }
    TVexDaoTable &artikel() { return documents->Artikel; }
    QString ini() const { return ProgramFolder::iniPath(); }
};

TEST_F(ArticleRun, EuroDividesEveryPriceUnroundedStampsTheDateAndSetsTheFlag)
{
    article(QStringLiteral("A1"), 100, 195.583);
    article(QStringLiteral("A2"), 0, 1, QStringLiteral("€"));
    artikel().Refresh();
    QList<int> progress;
    ArticleChangeover::ConvertToEuro(artikel(), 1.95583L, ini(), [&](int n) { progress << n; });

    EXPECT_EQ(progress, QList<int>({2}));
    EXPECT_DOUBLE_EQ(db->scalar(QStringLiteral("select EK from Artikel where \"art-nr\" = 'A1'")).toDouble(),
                     double(100 / 1.95583L));
    EXPECT_EQ(storedArticles(), QStringList({QStringLiteral("A1 € 51.1291881196 100.0000000000 2005-03-15"),
                                             QStringLiteral("A2 € 0.0000000000 0.5112918812 2005-03-15")}));
    EXPECT_TRUE(ArticleChangeover::EuroDone(ini()));
    // The window shows the catalogue as stored.
    ASSERT_TRUE(artikel().Locate(QStringLiteral("Art-Nr"), Value(QStringLiteral("A1")), 0));
    EXPECT_EQ(artikel().FieldByName(QStringLiteral("Waehrung"))->AsString(), QStringLiteral("€"));
    EXPECT_DOUBLE_EQ(artikel().FieldByName(QStringLiteral("VK"))->AsFloat(), 100.0);
}

TEST_F(ArticleRun, AFailingSaveUndoesTheWholeRunAndKeepsThePendingChangeSavedBefore)
{
    SKIP_ON_SERVER("Trigger in der Sprache von SQLite");
    for (const char *nr : {"A1", "A2", "A3"})
        article(QString::fromLatin1(nr), 10, 20);
    db->exec(
        QStringLiteral("create trigger gesperrt before update of EK on Artikel when new.\"Art-Nr\" = 'A3' "
                       "begin select raise(abort, 'gesperrt'); end"));
    artikel().Refresh();
    artikel().Last();
    artikel().Edit();
    artikel().FieldByName(QStringLiteral("Notizen"))->SetAsString(QStringLiteral("Restposten"));
    const QStringList before = [&] {
        artikel().CheckBrowseMode();
        return storedArticles();
    }();
    artikel().Edit();
    artikel().FieldByName(QStringLiteral("Notizen"))->SetAsString(QStringLiteral("Restposten!"));

    const QString error = ERROR_OF(ArticleChangeover::ConvertToEuro(artikel(), 1.95583L, ini()));
    EXPECT_TRUE(error.contains(QStringLiteral("gesperrt"))) << error.toStdString();
    EXPECT_EQ(db->scalar(QStringLiteral("select Notizen from Artikel where \"art-nr\" = 'A3'")).rawText(),
              QStringLiteral("Restposten!"));
    EXPECT_EQ(storedArticles(), before);
    EXPECT_FALSE(QFile::exists(ini()));
    // The dataset shows the catalogue as stored, not what the run had begun.
    EXPECT_EQ(artikel().State(), DataSetState::Browse);
    for (artikel().First(); !artikel().Eof(); artikel().Next())
        EXPECT_EQ(artikel().FieldByName(QStringLiteral("Waehrung"))->AsString(), QStringLiteral("DM"));

    db->exec(QStringLiteral("drop trigger gesperrt"));
    db->exec(QStringLiteral("update Artikel set Waehrung = ''"));
    db->exec(QStringLiteral(
        "create trigger gesperrt before update of Waehrung on Artikel when new.\"Art-Nr\" = 'A2' "
        "begin select raise(abort, 'gesperrt'); end"));
    artikel().Refresh();
    EXPECT_FALSE(ERROR_OF(ArticleChangeover::LabelAllDM(artikel())).isEmpty());
    EXPECT_EQ(db->scalar(QStringLiteral("select count(*) from Artikel where Waehrung = 'DM'")).rawInt(), 0);
}

TEST_F(ArticleRun, AnEmptyCatalogueStillGetsTheFlag)
{
    ArticleChangeover::ConvertToEuro(artikel(), 1.95583L, ini());
    EXPECT_TRUE(ArticleChangeover::EuroDone(ini()));
}

TEST_F(ArticleRun, ASettingsFileThatCannotBeWrittenUndoesTheConversion)
{
    article(QStringLiteral("A1"), 100, 195.583);
    artikel().Refresh();
    ASSERT_TRUE(QDir().mkpath(ini()));
    EXPECT_FALSE(ERROR_OF(ArticleChangeover::ConvertToEuro(artikel(), 1.95583L, ini())).isEmpty());
    EXPECT_EQ(storedArticles(),
              QStringList(QStringLiteral("A1 DM 100.0000000000 195.5830000000 2001-06-01")));
}

TEST_F(ArticleRun, ACommitThatFailsLeavesTheFlagAsItWas)
{
    SKIP_ON_SERVER("die Sperre einer lesenden SQLite-Verbindung");
    article(QStringLiteral("A1"), 100, 195.583);
    artikel().Refresh();
    IniFile(ini()).writeString(QStringLiteral("Euro"), QStringLiteral("Artikel"), QStringLiteral("0"));
    // Another program reads the file and holds its shared lock: the commit
    // cannot get the file for itself.
    addresses->Datenbank.engine().setBusyTimeout(0);
    db->raw().exec(QStringLiteral("begin"));
    auto reader = db->raw().prepare(QStringLiteral("select * from Artikel"));
    ASSERT_TRUE(reader->step());

    const QString error = ERROR_OF(ArticleChangeover::ConvertToEuro(artikel(), 1.95583L, ini()));
    reader.reset();
    db->raw().exec(QStringLiteral("commit"));
    EXPECT_TRUE(error.contains(QStringLiteral("gesperrt"))) << error.toStdString();
    EXPECT_EQ(IniFile(ini()).readString(QStringLiteral("Euro"), QStringLiteral("Artikel")),
              QStringLiteral("0"));
    EXPECT_EQ(storedArticles(),
              QStringList(QStringLiteral("A1 DM 100.0000000000 195.5830000000 2001-06-01")));
}

} // namespace
