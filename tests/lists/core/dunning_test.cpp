// SPDX-License-Identifier: GPL-3.0-or-later
// Dunning: the statutory interest, the charges of each level, the settings,
// the run over the overdue invoices, and the command that runs it.
#include "base/apperror.h"
#include "data/dunning.h"
#include "data/settings.h"
#include "lists/core/dunningrun.h"
#include "tests/commandrun.h"
#include "tests/modulesfixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace Dunning;

namespace {

QDate d(const char *iso)
{
    return QDate::fromString(QString::fromLatin1(iso), Qt::ISODate);
}

constexpr qint64 kEuro = 10000;

TEST(DunningInterest, DaysRatesAndRounding)
{
    const struct
    {
        const char *what, *due, *key;
        int points;
        qint64 cents;
        int parts;
    } cases[] = {
        // 15 days at 2,27 + 9 and 15 days at 1,27 + 9 on 1.000 €.
        {"across the change of 1 July 2025", "2025-06-15", "2025-07-15", 900, 885, 2},
        {"a consumer: 5 points", "2025-06-15", "2025-07-15", 500, 556, 2},
        // 21.02.-10.03.2024: 19 days with the 29th of February, at 12,62 %.
        {"leap year", "2024-02-20", "2024-03-10", 900, 657, 1},
        {"the same days a year earlier", "2023-02-20", "2023-03-10", 900, 524, 1},
        {"a negative base rate", "2020-01-31", "2020-03-01", 900, 667, 1},
        {"key date on the due date", "2025-06-15", "2025-06-15", 900, 0, 0},
        {"one day", "2025-06-15", "2025-06-16", 900, 31, 1},
    };
    const BaseRates rates = BaseRates::builtIn();
    for (const auto &c : cases) {
        const Interest i = DefaultInterest(1000 * kEuro, d(c.due), d(c.key), c.points, rates);
        EXPECT_EQ(i.amount, c.cents * 100) << c.what;
        EXPECT_EQ(i.parts.size(), c.parts) << c.what;
    }
    const Interest split = DefaultInterest(1000 * kEuro, d("2025-06-15"), d("2025-07-15"), 900, rates);
    EXPECT_EQ(InterestPartText(split.parts.at(1), 900, 1000 * kEuro, QStringLiteral("€")),
              QStringLiteral(
                  "01.07.2025 bis 15.07.2025 (15 Tage): 10,27 % (Basiszinssatz 1,27 % + 9 Prozentpunkte) "
                  "auf 1.000,00 €"));
    EXPECT_TRUE(ERROR_OF(DefaultInterest(kEuro, d("2001-11-30"), d("2002-01-10"), 900, rates))
                    .contains(QStringLiteral("01.12.2001")));
}

TEST(DunningInterest, RatesFromTheSettings)
{
    QStringList problems;
    const BaseRates r = BaseRates::withChanges(
        QStringLiteral("2025-07-01:1,5; 2026-07-01:-0,5;unsinn;2027-01-01:x"), &problems);
    int rate = 0;
    ASSERT_TRUE(r.at(d("2025-12-31"), &rate));
    EXPECT_EQ(rate, 150) << "an entry replaces the built-in rate of its day";
    ASSERT_TRUE(r.at(d("2026-07-01"), &rate));
    EXPECT_EQ(rate, -50);
    EXPECT_EQ(problems.size(), 2);
    EXPECT_EQ(r.knownUntil(), d("2026-12-31"));
    EXPECT_FALSE(r.at(d("2001-12-31"), &rate));
}

TEST(DunningCharges, FeesFlatSumAndInterestByLevel)
{
    Settings s;
    s.zinsen = true;
    const struct
    {
        int level;
        bool consumer, flatCharged;
        qint64 pauschale, fee2, fee3;
        qint64 fee, flat;
        bool interest;
    } cases[] = {
        {1, false, false, 0, 5, 10, 0, 0, false}, // a payment reminder: no fee, no interest
        {2, false, false, 0, 5, 10, 5, 0, true},
        {3, true, false, 0, 5, 10, 10, 0, true},
        // The flat sum for a firm, once; the fees count towards it.
        {2, false, false, 40, 5, 10, 0, 40, true},
        {3, false, true, 40, 5, 10, 0, 0, true},
        {3, false, true, 40, 30, 30, 20, 0, true},
        {2, true, false, 40, 5, 10, 5, 0, true}, // no flat sum from a consumer
    };
    for (const auto &c : cases) {
        s.pauschale = c.pauschale * kEuro;
        s.fees[1] = c.fee2 * kEuro;
        s.fees[2] = c.fee3 * kEuro;
        const Charges ch = ChargesOf(s, c.level, c.consumer, c.flatCharged, 0, 100 * kEuro, d("2025-01-01"),
                                     d("2025-03-01"), QStringLiteral("€"));
        EXPECT_EQ(ch.fee, c.fee * kEuro) << c.level << c.consumer << c.pauschale;
        EXPECT_EQ(ch.flatSum, c.flat * kEuro) << c.level << c.consumer << c.pauschale;
        EXPECT_EQ(ch.interest.amount != 0, c.interest) << c.level;
        EXPECT_EQ(ch.points, c.consumer ? 500 : 900);
    }
    s.zinsen = false;
    EXPECT_EQ(
        ChargesOf(s, 3, false, false, 0, 100 * kEuro, d("2025-01-01"), d("2025-03-01"), QStringLiteral("€"))
            .interest.amount,
        0);
}

TEST(DunningSettings, DefaultsEntriesAndRefusals)
{
    QTemporaryDir dir;
    const QString ini = dir.path() + QStringLiteral("/tavirel.ini");
    const Settings defaults = Settings::read(ini);
    EXPECT_EQ(defaults.karenztage, 7);
    EXPECT_EQ(defaults.abstand, 14);
    EXPECT_EQ(defaults.fees[2], 10 * kEuro);
    EXPECT_FALSE(defaults.zinsen);
    IniFile f(ini);
    f.writeString(Settings::section(), QStringLiteral("Gebuehr2"), QStringLiteral("2,50"));
    f.writeString(Settings::section(), QStringLiteral("Pauschale"), QStringLiteral("40"));
    f.writeString(Settings::section(), QStringLiteral("Zinsen"), QStringLiteral("1"));
    const Settings s = Settings::read(ini);
    EXPECT_EQ(s.fees[1], 25000);
    EXPECT_EQ(s.pauschale, 40 * kEuro);
    EXPECT_TRUE(s.zinsen);
    f.writeString(Settings::section(), QStringLiteral("Abstand"), QStringLiteral("0"));
    f.writeString(Settings::section(), QStringLiteral("Gebuehr3"), QStringLiteral("zehn"));
    f.writeString(Settings::section(), QStringLiteral("Basiszins"), QStringLiteral("2025-13-01:1"));
    const QString message = ERROR_OF(Settings::read(ini));
    for (const char *named : {"Abstand", "Gebuehr3", "2025-13-01"})
        EXPECT_TRUE(message.contains(QString::fromLatin1(named))) << message.toStdString();
}

TEST(DunningTexts, PlaceholdersAnyCase)
{
    const Letter l{QStringLiteral("10012"), d("2026-01-05"), d("2026-01-19"), QStringLiteral("119,00 €"),
                   d("2026-03-15")};
    EXPECT_EQ(FillText(QStringLiteral("%RechnungNr/%RECHNUNGDATUM/%faelligam/%BETRAG/%ZAHLBARBIS"), l),
              QStringLiteral("10012/05.01.2026/19.01.2026/119,00 €/15.03.2026"));
    QStringList warnings;
    EXPECT_TRUE(LevelText(2, &warnings).contains(QStringLiteral("%RECHNUNGNR")));
}

// The run on a file with invoices of every kind, key date 1 March 2026.
class DunningRun : public ModulesFixture
{
  protected:
    void SetUp() override
    {
        ModulesFixture::SetUp();
        SetTodayForTests(d("2026-03-01"));
        settings.zinsen = true;
        db->exec(
            QStringLiteral("insert into Adress (KDNR, NAME1, VERBRAUCHER) values (1, 'Anton GmbH', false), "
                           "(2, 'Berta Privat', true)"));
    }
    // An invoice of 100 € net, 19 € VAT.
    void invoice(const char *nr, const char *due, int level = 0, const char *reminded = nullptr, int kdnr = 1,
                 const char *flags = "false, false", double vk = 100, const char *typ = "R")
    {
        db->exec(QStringLiteral(
                     "insert into Vorgang1 (typ, vorgangnr, kdnr, datum, zieldatum, bezahlt, storniert, "
                     "vk, mwst, Waehrung, anschrift, mahnstufe, mahndatum) values ('%1', '%2', %3, "
                     "'2026-01-01', '%4', %5, %6, %7, '€', 'Anton GmbH', %8, %9)")
                     .arg(QString::fromLatin1(typ), QString::fromLatin1(nr))
                     .arg(kdnr)
                     .arg(QString::fromLatin1(due), QString::fromLatin1(flags))
                     .arg(vk)
                     .arg(vk * 0.19)
                     .arg(level)
                     .arg(reminded ? QStringLiteral("'%1'").arg(QString::fromLatin1(reminded))
                                   : QStringLiteral("NULL")));
    }
    DunningList list() { return OverdueInvoices(addresses->Datenbank, settings, Today()); }
    DunningRunResult run(const QSet<qint64> &leftOut = {})
    {
        return CreateReminders(addresses->Datenbank, settings, list(), leftOut);
    }
    QString listed()
    {
        QStringList out;
        for (const DunningCandidate &c : list().items)
            out << c.number + QLatin1Char(':') + c.nextStep();
        return out.join(QLatin1Char(' '));
    }
    Settings settings;
};

TEST_F(DunningRun, WhichInvoicesAndTheirNextStep)
{
    invoice("1", "2026-02-01");                               // level 0, long overdue
    invoice("2", "2026-02-22");                               // due + 7 days is the key date: not yet
    invoice("3", "2026-02-21");                               // one day beyond the days of grace
    invoice("4", "2026-02-01", 0, nullptr, 1, "true, false"); // paid
    invoice("5", "2026-02-01", 0, nullptr, 1, "false, true"); // cancelled
    invoice("6", "2026-02-01", 0, nullptr, 1, "false, false", 0);
    invoice("7", "2026-01-20", 1, "2026-02-16");                          // reminded 13 days ago
    invoice("8", "2026-01-20", 1, "2026-02-15");                          // 14 days ago: next level
    invoice("9", "2026-01-10", 3, "2026-02-01");                          // the last level was reached
    invoice("10", "2026-02-01", 1, "2026-02-10", 1, "true, false");       // paid after a reminder
    invoice("11", "2026-02-01", 0, nullptr, 1, "false, false", 100, "A"); // an offer
    invoice("12", "2026-01-15", 2, "2026-02-01", 2);                      // a consumer at level 2
    invoice("13", "2026-02-01", 0, nullptr, 99);                          // no address
    EXPECT_EQ(listed(),
              QStringLiteral("9:an Inkasso / Mahnbescheid 12:2. Mahnung 8:1. Mahnung 1:Zahlungserinnerung "
                             "3:Zahlungserinnerung"));
}

TEST_F(DunningRun, RemindersWithTheirPositionsAndTheInvoicesLevel)
{
    invoice("10001", "2026-02-01");
    invoice("10002", "2026-01-15", 1, "2026-02-01", 2);
    invoice("10003", "2026-01-10", 3, "2026-02-01");
    db->exec(QStringLiteral("insert into Vorgang1 (typ, vorgangnr) values ('M', '20041')"));
    const DunningRunResult r = run();
    ASSERT_TRUE(r.error.isEmpty()) << r.error.toStdString();
    ASSERT_EQ(r.made.size(), 2);
    EXPECT_EQ(r.first(), QStringLiteral("20042"));
    EXPECT_EQ(r.made.at(0).invoice, QStringLiteral("10002")) << "by due date";
    // 10002: a consumer's 1. Mahnung: 119 € + 5 € fee + interest at 1,27 + 5
    // from 16.01. to 01.03.2026 (45 days): 119 × 6,27 % × 45 / 365 = 0,92 €.
    EXPECT_EQ(r.made.at(0).total, 12492 * 100);
    EXPECT_EQ(r.made.at(1).total, 119 * kEuro) << "a payment reminder claims only the invoice";
    EXPECT_EQ(
        count(QStringLiteral("select count(*) from vorgang1 where typ = 'M' and datum = '2026-03-01' and "
                             "zieldatum = '2026-03-15' and mwst = 0")),
        2);
    EXPECT_EQ(
        count(QStringLiteral("select count(*) from vorgang2 p join vorgang1 m on m.id = p.vorgangID where "
                             "m.vorgangnr = '20042' and p.MwstKat = 'O' and p.MwstSatz = 0")),
        3);
    EXPECT_EQ(
        count(QStringLiteral("select count(*) from vorgang1 m join vorgang1 r on r.id = m.bezug where "
                             "m.typ = 'M' and m.mahnstufe = r.mahnstufe and r.mahndatum = '2026-03-01'")),
        2);
    EXPECT_EQ(db->scalar(QStringLiteral("select Kopftext from vorgang1 where vorgangnr = '20043'"))
                  .rawText()
                  .count(QStringLiteral("10001 vom 01.01.2026 über 119,00 €, fällig am 01.02.2026")),
              1);
    EXPECT_TRUE(run().made.isEmpty()) << "a second run on the same day makes nothing";
    EXPECT_EQ(count(QStringLiteral("select mahnstufe from vorgang1 where vorgangnr = '10003'")), 3);

    // Fourteen days later the next level, with the fee of the earlier one.
    SetTodayForTests(d("2026-03-15"));
    const DunningRunResult later = run({});
    ASSERT_EQ(later.made.size(), 2);
    EXPECT_EQ(count(QStringLiteral("select mahnstufe from vorgang1 where vorgangnr = '10002'")), 3);
    EXPECT_EQ(
        count(QStringLiteral("select count(*) from vorgang2 p join vorgang1 m on m.id = p.vorgangID where "
                             "m.vorgangnr = '20044' and p.Artikel = 'Bisherige Kosten' and p.Preis = 5")),
        1);
}

TEST_F(DunningRun, LeftOutAndPaidMeanwhileAreNotReminded)
{
    invoice("1", "2026-02-01");
    invoice("2", "2026-02-01");
    invoice("3", "2026-02-01");
    const DunningList l = list();
    db->exec(QStringLiteral("update vorgang1 set bezahlt = true where vorgangnr = '3'"));
    const DunningRunResult r = CreateReminders(addresses->Datenbank, settings, l, {l.items.at(0).invoiceId});
    ASSERT_EQ(r.made.size(), 1);
    EXPECT_EQ(r.made.at(0).invoice, QStringLiteral("2"));
    EXPECT_EQ(r.skipped, 1);
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang1 where typ = 'M'")), 1);
}

TEST_F(DunningRun, AFailingReminderLeavesNothingHalfMade)
{
    SKIP_ON_SERVER("der Fehler wird mit einem SQLite-Trigger erzwungen");
    invoice("1", "2026-01-01");                  // a payment reminder first
    invoice("2", "2026-01-20", 1, "2026-02-01"); // its interest position fails
    invoice("3", "2026-02-10");
    db->exec(
        QStringLiteral("create trigger kaputt before insert on Vorgang2 when new.Artikel = 'Verzugszinsen' "
                       "begin select raise(abort, 'Platte voll'); end"));
    const DunningRunResult r = run();
    EXPECT_EQ(r.made.size(), 1);
    EXPECT_TRUE(r.error.contains(QStringLiteral("Rechnung 2")) &&
                r.error.contains(QStringLiteral("Platte voll")))
        << r.error.toStdString();
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang1 where typ = 'M'")), 1);
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang2")), 1);
    EXPECT_EQ(count(QStringLiteral("select mahnstufe from vorgang1 where vorgangnr = '2'")), 1);
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang1 where mahndatum = '2026-03-01'")), 1);
}

// The command in its own process, on the program folder's settings.
TEST(DunningCommand, RunsOncePerKeyDateAndRefusesBadInput)
{
    TestDb db;
    db.exec(QStringLiteral("insert into Adress (KDNR, NAME1) values (1, 'Anton GmbH')"));
    db.exec(QStringLiteral(
        "insert into Vorgang1 (typ, vorgangnr, kdnr, datum, zieldatum, bezahlt, storniert, vk, "
        "mwst, Waehrung, anschrift) values ('R', '10001', 1, '2026-01-01', '2026-01-15', false, "
        "false, 100, 19, '€', 'Anton GmbH'), ('R', '10002', 1, '2026-01-01', '2026-02-15', false, "
        "false, 200, 38, '€', 'Anton GmbH')"));
    QTemporaryDir out;
    const QString blocked = out.path() + QStringLiteral("/datei");
    QFile(blocked).open(QIODevice::WriteOnly);
    const struct
    {
        QStringList args;
        int status;
        const char *says;
    } refused[] = {
        {{QStringLiteral("--stichtag"), QStringLiteral("31.02.2026")}, 2, "kein gültiges Datum"},
        {{QStringLiteral("--stichtag"), QStringLiteral("01.01.2999")}, 2, "Zukunft"},
        {{QStringLiteral("--schnell")}, 2, "Unbekannte Option"},
        {{QStringLiteral("--pdf"), blocked + QStringLiteral("/mahnungen")},
         1,
         "kann nicht geschrieben werden"},
    };
    for (const auto &c : refused) {
        const CommandRun r =
            tavirel(QStringList{QStringLiteral("dunning-run"), QStringLiteral("--db"), db.path()} + c.args);
        EXPECT_EQ(r.status, c.status) << c.says;
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.says))) << r.err.toStdString();
    }
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from vorgang1 where typ = 'M'")).rawInt(), 0);

    const QStringList args{QStringLiteral("dunning-run"),
                           QStringLiteral("--stichtag"),
                           QStringLiteral("20.02.2026"),
                           QStringLiteral("--pdf"),
                           out.path(),
                           QStringLiteral("--db"),
                           db.path()};
    const CommandRun first = tavirel(args);
    ASSERT_EQ(first.status, 0) << first.err.toStdString();
    EXPECT_TRUE(first.out.startsWith(QStringLiteral("20000\tRechnung 10001\tZahlungserinnerung\t119,00 €\n")))
        << first.out.toStdString();
    EXPECT_TRUE(first.out.contains(QStringLiteral("Summe: 1 Mahnung (20000 - 20000) über 119,00 €")))
        << first.out.toStdString();
    EXPECT_TRUE(QFile::exists(out.path() + QStringLiteral("/20000.pdf")));
    const CommandRun second = tavirel(args);
    EXPECT_EQ(second.status, 0);
    EXPECT_TRUE(second.out.contains(QStringLiteral("keine Mahnungen erstellt"))) << second.out.toStdString();
}

} // namespace
