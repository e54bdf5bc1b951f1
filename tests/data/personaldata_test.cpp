// SPDX-License-Identifier: GPL-3.0-or-later
// A person's data beside the duty to keep records: an address its documents
// name is blocked rather than deleted, made anonymous once nothing must be
// kept, listed by check-db when that time has come, and given out whole.
#include "base/safefile.h"
#include "data/databasecheck.h"
#include "data/personaldata.h"
#include "tests/commandrun.h"
#include "tests/modulesfixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

class PersonalDataTest : public ModulesBase
{
  protected:
    void SetUp() override
    {
        startDatabase(false, QDate(2025, 6, 30));
        db->exec(QStringLiteral(
            "insert into Adress (KDNR, ID, NAME1, VORNAME, STRASSE, PLZ, ORT, TELEFON1, EMAIL, KontoNr, "
            "KontoInhaber, BEMERKUNG, Serienbrief) values (24, 24, 'Weber', 'Anna', 'Lindenweg 3', '34117', "
            "'Kassel', '0561 12345', 'anna@weber.de', 'DE44500105175407324931', 'Anna Weber', 'mag Tee', "
            "true)"));
        db->exec(QStringLiteral(
            "insert into Personen (ID, FIRMAID, NAME, VORNAME) values (1, 24, 'Weber', 'Jan')"));
        db->exec(
            QStringLiteral("insert into Notizen (KDNR, Datum, Typ, Text) values (24, '2019-04-01', 'Anruf', "
                           "'will Angebot')"));
        db->exec(QStringLiteral("insert into ERechnung (KDNR, Email) values (24, 'rechnung@weber.de')"));
        db->exec(QStringLiteral(
            "insert into Vorgang1 (typ, vorgangnr, kdnr, datum, anschrift, Notiz, vk, mwst, "
            "Waehrung, bezahlt, storniert) values ('R', '10005', 24, '2019-04-03', "
            "'Anna Weber\nLindenweg 3\n34117 Kassel', 'bar bezahlt', 100, 19, '€', true, false), "
            "('A', '5001', 24, '2017-01-10', 'Anna Weber', '', 50, 9.5, '€', false, false)"));
        openModules();
    }
    QString text(const char *sql) { return db->scalar(QString::fromUtf8(sql)).rawText(); }
    QStringList checkDb()
    {
        QStringList titles;
        // The documents here have no positions: their sums are not the point.
        for (const DatabaseCheck::Finding &f : DatabaseCheck::run(db->raw()))
            if (!f.title.contains(QStringLiteral("Summe")))
                titles << f.title + QStringLiteral(": ") + f.rows.join(u';');
        return titles;
    }
};

} // namespace

TEST(Retention, TenYearsForInvoicesSixForOtherLettersFromTheEndOfTheYear)
{
    const struct
    {
        const char *type;
        QDate date, until;
    } cases[] = {
        {"R", QDate(2019, 4, 3), QDate(2029, 12, 31)}, {"G", QDate(2019, 12, 31), QDate(2029, 12, 31)},
        {"E", QDate(2020, 1, 1), QDate(2030, 12, 31)}, {"A", QDate(2019, 4, 3), QDate(2025, 12, 31)},
        {"M", QDate(2019, 4, 3), QDate(2025, 12, 31)}, {"R", QDate(), QDate()}};
    for (const auto &c : cases)
        EXPECT_EQ(PersonalData::keptUntil(QString::fromLatin1(c.type), c.date), c.until) << c.type;
}

TEST_F(PersonalDataTest, AnAddressWithDocumentsToKeepIsBlockedNotDeleted)
{
    TVexDaoTable &adress = addresses->Adress;
    ASSERT_TRUE(adress.Locate(QStringLiteral("KDNR"), Value(24.0), 0));
    EXPECT_EQ(ERROR_OF(adress.Delete()),
              QStringLiteral(
                  "Die Adresse Weber kann nicht gelöscht werden: ihre Vorgänge müssen aufbewahrt werden, "
                  "zuletzt Rechnung 10005 vom 03.04.2019 (aufzubewahren bis 31.12.2029). Sie kann "
                  "gesperrt werden."));
    EXPECT_EQ(count(QStringLiteral("select count(*) from Adress where KDNR = 24")), 1);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Personen where FIRMAID = 24")), 1);
    EXPECT_TRUE(
        ERROR_OF(PersonalData::anonymise(addresses->Datenbank, 24, Today()))
            .startsWith(QStringLiteral("Die Adresse mit der Kundennummer 24 kann noch nicht anonymisiert "
                                       "werden: Rechnung 10005")));

    PersonalData::block(addresses->Datenbank, 24, Today());
    // What the documents need stays; everything else personal is gone.
    EXPECT_EQ(text("select NAME1 || '/' || STRASSE || '/' || ORT from Adress where KDNR = 24"),
              QStringLiteral("Weber/Lindenweg 3/Kassel"));
    for (const char *gone :
         {"select count(*) from Personen where FIRMAID = 24", "select count(*) from Notizen where KDNR = 24",
          "select count(*) from ERechnung where KDNR = 24",
          "select count(*) from Adress where KDNR = 24 and (TELEFON1 <> '' or EMAIL <> '' or "
          "KontoNr <> '' or KontoInhaber <> '' or Serienbrief)"})
        EXPECT_EQ(count(QString::fromUtf8(gone)), 0) << gone;
    EXPECT_EQ(
        text("select BEMERKUNG from Adress where KDNR = 24"),
        QStringLiteral("Gesperrt am 30.06.2025: die Adresse dient nur noch den aufzubewahrenden Vorgängen, "
                       "zuletzt Rechnung 10005 vom 03.04.2019 (aufzubewahren bis 31.12.2029)."));
    EXPECT_EQ(PersonalData::stateOf(addresses->Datenbank, 24).blocked, QDate(2025, 6, 30));
    EXPECT_EQ(text("select anschrift from Vorgang1 where vorgangnr = '10005'"),
              QStringLiteral("Anna Weber\nLindenweg 3\n34117 Kassel"));
    EXPECT_EQ(checkDb(), QStringList()) << "no invoice without its customer";

    // Once the invoice need no longer be kept, check-db names the address and
    // it is made anonymous, with its documents' address copies.
    SetTodayForTests(QDate(2030, 1, 2));
    EXPECT_EQ(
        checkDb(),
        QStringList{QStringLiteral(
            "Adressen, deren Vorgänge nicht mehr aufbewahrt werden müssen: Kd-Nr 24 Weber: zuletzt Rechnung "
            "10005 vom 03.04.2019 (aufzubewahren bis 31.12.2029); anonymisieren mit tavirel anonymize 24")});
    const CommandRun r =
        tavirel({QStringLiteral("anonymize"), QStringLiteral("24"), QStringLiteral("--db"), db->path()});
    // The command runs on the real day, before 2030: still refused there.
    EXPECT_EQ(r.status, 1);
    PersonalData::anonymise(addresses->Datenbank, 24, Today());
    EXPECT_EQ(
        text("select NAME1 || '/' || coalesce(STRASSE, '') || '/' || coalesce(ORT, '') from Adress where "
             "KDNR = 24"),
        QStringLiteral("Anonymisiert//"));
    EXPECT_EQ(
        count(QStringLiteral("select count(*) from Vorgang1 where kdnr = 24 and anschrift = 'Anonymisiert' "
                             "and coalesce(Notiz, '') = ''")),
        2);
    EXPECT_EQ(db->scalar(QStringLiteral("select vk from Vorgang1 where vorgangnr = '10005'")).toDouble(),
              100.0);
    EXPECT_EQ(checkDb(), QStringList());
}

TEST_F(PersonalDataTest, EverythingStoredIsGivenOutAsJsonPdfAndTheDocuments)
{
    SKIP_ON_SERVER("the command on the file");
    QTemporaryDir out;
    const QString folder = out.filePath(QStringLiteral("auskunft"));
    const QStringList args = {QStringLiteral("person-export"), QStringLiteral("24"), folder,
                              QStringLiteral("--db"), db->path()};
    const CommandRun r = tavirel(args);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QString json = folder + QStringLiteral("/Datenauskunft-24.json");
    QFile f(json);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QJsonObject o = QJsonDocument::fromJson(f.readAll()).object();
    EXPECT_EQ(o.value(QStringLiteral("Adresse")).toObject().value(QStringLiteral("NAME1")).toString(),
              QStringLiteral("Weber"));
    EXPECT_EQ(o.value(QStringLiteral("Bankdaten")).toObject().value(QStringLiteral("KontoNr")).toString(),
              QStringLiteral("DE44500105175407324931"));
    EXPECT_EQ(o.value(QStringLiteral("Ansprechpartner"))
                  .toArray()
                  .first()
                  .toObject()
                  .value(QStringLiteral("VORNAME")),
              QStringLiteral("Jan"));
    EXPECT_EQ(o.value(QStringLiteral("Notizen")).toArray().first().toObject().value(QStringLiteral("Text")),
              QStringLiteral("will Angebot"));
    EXPECT_EQ(o.value(QStringLiteral("E-Rechnung")).toArray().size(), 1);
    EXPECT_EQ(o.value(QStringLiteral("Vorgänge")).toArray().size(), 2);
    const QStringList pdfs =
        QDir(folder + QStringLiteral("/Datenauskunft-24-Vorgaenge")).entryList(QDir::Files);
    EXPECT_EQ(pdfs.size(), 2) << pdfs.join(u' ').toStdString();
    for (const QString &file : QStringList{json, folder + QStringLiteral("/Datenauskunft-24.pdf")} + pdfs) {
        const QString path = QFileInfo(file).isAbsolute()
                                 ? file
                                 : folder + QStringLiteral("/Datenauskunft-24-Vorgaenge/") + file;
#ifdef Q_OS_UNIX
        EXPECT_EQ(SafeFile::modeText(path), QStringLiteral("0600")) << path.toStdString();
#endif
    }
    QFile pdf(folder + QStringLiteral("/Datenauskunft-24.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");

    // Given out again into the same folder: nothing is overwritten.
    const CommandRun again = tavirel(args);
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(again.err.contains(QStringLiteral("besteht bereits; sie wird nicht überschrieben")));
}
