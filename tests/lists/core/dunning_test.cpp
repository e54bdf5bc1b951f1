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
        qint64 pauschale, fee1, fee2, fee3;
        qint64 fee, flat;
        bool interest;
    } cases[] = {
        {1, false, false, 0, 0, 5, 10, 0, 0, false}, // a payment reminder: no fee, no interest
        {2, false, false, 0, 0, 5, 10, 5, 0, true},
        {3, true, false, 0, 0, 5, 10, 10, 0, true},
        // The flat sum for a firm, once; the fees count towards it.
        {2, false, false, 40, 0, 5, 10, 0, 40, true},
        {3, false, true, 40, 0, 5, 10, 0, 0, true},
        {3, false, true, 40, 0, 30, 30, 20, 0, true},
        {2, true, false, 40, 0, 5, 10, 5, 0, true}, // no flat sum from a consumer
        // The payment reminder's fee was charged in default too: 5 + 35 = 40.
        {2, false, false, 40, 5, 5, 10, 0, 35, true},
        {3, false, true, 40, 5, 5, 10, 0, 0, true},
        // 5 + 35 (flat less the fee before) + 0, then 65 - 40 beyond it: 25.
        {3, false, true, 40, 5, 30, 30, 25, 0, true},
        {2, false, false, 40, 50, 5, 10, 5, 0, true}, // fees beyond the flat sum: no flat sum left
    };
    for (const auto &c : cases) {
        s.pauschale = c.pauschale * kEuro;
        s.fees[0] = c.fee1 * kEuro;
        s.fees[1] = c.fee2 * kEuro;
        s.fees[2] = c.fee3 * kEuro;
        const Charges ch = ChargesOf(s, c.level, c.consumer, c.flatCharged, 0, 100 * kEuro, d("2025-01-01"),
                                     d("2025-03-01"), QStringLiteral("€"));
        EXPECT_EQ(ch.fee, c.fee * kEuro) << c.level << c.consumer << c.pauschale << c.fee1;
        EXPECT_EQ(ch.flatSum, c.flat * kEuro) << c.level << c.consumer << c.pauschale << c.fee1;
        EXPECT_EQ(ch.interest.amount != 0, c.interest) << c.level;
        EXPECT_EQ(ch.points, c.consumer ? 500 : 900);
    }
    s.zinsen = false;
    EXPECT_EQ(
        ChargesOf(s, 3, false, false, 0, 100 * kEuro, d("2025-01-01"), d("2025-03-01"), QStringLiteral("€"))
            .interest.amount,
        0);
}

// A debt that arose before 29.07.2014: a firm pays 8 points and no flat sum,
// a consumer 5 points as ever. 1.000 € for the 28 days from the day after
// the due date, computed by hand: 1.000 × rate × 28 / 365.
TEST(DunningCharges, TheLawOfTheDayTheDebtArose)
{
    Settings s;
    s.zinsen = true;
    s.pauschale = 40 * kEuro;
    const struct
    {
        const char *arose, *due, *key;
        bool consumer;
        int points;
        qint64 cents, flat;
    } cases[] = {
        // 03.06.-30.06.2014 at -0,63 + 8 = 7,37 %: 73,70 × 28 / 365 = 5,65 €.
        {"2014-05-19", "2014-06-02", "2014-06-30", false, 800, 565, 0},
        // The same days at -0,63 + 5 = 4,37 %: 3,35 €.
        {"2014-05-19", "2014-06-02", "2014-06-30", true, 500, 335, 0},
        // 28.07.2014 is still the old law, 29.07. the new one: 13.08.-09.09.2014 at
        // -0,73 + 8 = 7,27 % (5,58 €) and + 9 = 8,27 % (6,34 €) with the flat sum.
        {"2014-07-28", "2014-08-12", "2014-09-09", false, 800, 558, 0},
        {"2014-07-29", "2014-08-12", "2014-09-09", false, 900, 634, 40},
    };
    for (const auto &c : cases) {
        const Charges ch = ChargesOf(s, 2, c.consumer, false, 0, 1000 * kEuro, d(c.due), d(c.key),
                                     QStringLiteral("€"), d(c.arose));
        EXPECT_EQ(ch.points, c.points) << c.arose << c.consumer;
        EXPECT_EQ(ch.interest.amount, c.cents * 100) << c.arose << c.consumer;
        EXPECT_EQ(ch.flatSum, c.flat * kEuro) << c.arose << c.consumer;
    }
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
    // The usual yes and no words in either language; any other word stops the run.
    const struct
    {
        const char *text;
        bool on;
    } words[] = {{"ja", true},    {"Ja", true},     {"true", true}, {"yes", true}, {"1", true},
                 {"nein", false}, {"false", false}, {"NO", false},  {"0", false},  {"aus", false}};
    for (const auto &w : words) {
        f.writeString(Settings::section(), QStringLiteral("Zinsen"), QString::fromLatin1(w.text));
        EXPECT_EQ(Settings::read(ini).zinsen, w.on) << w.text;
    }
    f.writeString(Settings::section(), QStringLiteral("Zinsen"), QStringLiteral("vielleicht"));
    EXPECT_TRUE(ERROR_OF(Settings::read(ini)).contains(QStringLiteral("Zinsen: 'vielleicht'")));
    f.writeString(Settings::section(), QStringLiteral("Zinsen"), QStringLiteral("1"));
    f.writeString(Settings::section(), QStringLiteral("Abstand"), QStringLiteral("0"));
    f.writeString(Settings::section(), QStringLiteral("Gebuehr3"), QStringLiteral("zehn"));
    f.writeString(Settings::section(), QStringLiteral("Basiszins"), QStringLiteral("2025-13-01:1"));
    const QString message = ERROR_OF(Settings::read(ini));
    for (const char *named : {"Abstand", "Gebuehr3", "2025-13-01"})
        EXPECT_TRUE(message.contains(QString::fromLatin1(named))) << message.toStdString();
}

TEST(DunningTexts, PlaceholdersAnyCaseAndTheSalutation)
{
    Letter l{QStringLiteral("10012"),    d("2026-01-05"), d("2026-01-19"),
             QStringLiteral("119,00 €"), d("2026-03-15"), QString()};
    EXPECT_EQ(FillText(QStringLiteral("%RechnungNr/%RECHNUNGDATUM/%faelligam/%BETRAG/%ZAHLBARBIS"), l),
              QStringLiteral("10012/05.01.2026/19.01.2026/119,00 €/15.03.2026"));
    QStringList warnings;
    EXPECT_TRUE(LevelText(2, &warnings).contains(QStringLiteral("%RECHNUNGNR")));
    const QString general = QStringLiteral("Sehr geehrte Damen und Herren,");
    const struct
    {
        const char *salutation, *text, *filled;
    } cases[] = {
        {"", "%ANREDE\n\nText", "Sehr geehrte Damen und Herren,\n\nText"},
        {"Sehr geehrter Herr Müller,", "%Anrede\n\nText", "Sehr geehrter Herr Müller,\n\nText"},
        // A letter file of an older version begins with the general words.
        {"Sehr geehrte Frau Berger,", "Sehr geehrte Damen und Herren,\nText",
         "Sehr geehrte Frau Berger,\nText"},
        {"", "Sehr geehrte Damen und Herren,\nText", "Sehr geehrte Damen und Herren,\nText"},
    };
    for (const auto &c : cases) {
        l.salutation = QString::fromUtf8(c.salutation);
        EXPECT_EQ(FillText(QString::fromUtf8(c.text), l), QString::fromUtf8(c.filled)) << c.salutation;
    }
    for (int level = 1; level <= kLastLevel; ++level) {
        l.salutation.clear();
        EXPECT_TRUE(FillText(LevelText(level, &warnings), l).startsWith(general + QLatin1Char('\n')));
    }
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
    db->exec(QStringLiteral("update Adress set Anrede = 'Sehr geehrte Frau Privat,' where KDNR = 2"));
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
    EXPECT_TRUE(db->scalar(QStringLiteral("select Kopftext from vorgang1 where vorgangnr = '20042'"))
                    .rawText()
                    .startsWith(QStringLiteral("Sehr geehrte Frau Privat,\n\n")))
        << "the consumer's own salutation";
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

TEST_F(DunningRun, LeftOutAndPassedOverAreNotRemindedAndSaidWhy)
{
    invoice("1", "2026-02-01");
    invoice("2", "2026-02-01");
    invoice("3", "2026-02-01");
    invoice("4", "2026-02-01");
    const DunningList l = list();
    // Meanwhile paid, and reminded at another workstation.
    db->exec(QStringLiteral("update vorgang1 set bezahlt = true where vorgangnr = '3'"));
    db->exec(
        QStringLiteral("update vorgang1 set mahnstufe = 1, mahndatum = '2026-03-01' where vorgangnr = '4'"));
    const DunningRunResult r = CreateReminders(addresses->Datenbank, settings, l, {l.items.at(0).invoiceId});
    ASSERT_EQ(r.made.size(), 1);
    EXPECT_EQ(r.made.at(0).invoice, QStringLiteral("2"));
    EXPECT_EQ(r.skipped, 2);
    EXPECT_EQ(PassedOverText(r),
              QStringLiteral("2 Rechnungen übergangen:\nRechnung 3 (Anton GmbH): inzwischen bezahlt\n"
                             "Rechnung 4 (Anton GmbH): inzwischen an einem anderen Arbeitsplatz gemahnt"));
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang1 where typ = 'M'")), 1);
}

// A claim from 2014: time-barred since 01.01.2018, listed after the others and
// reminded only when confirmed, at the law of 2014 (8 points, no flat sum).
TEST_F(DunningRun, TimeBarredClaimsWaitForConfirmation)
{
    settings.pauschale = 40 * kEuro;
    invoice("1", "2026-02-01");
    db->exec(QStringLiteral(
        "insert into Vorgang1 (typ, vorgangnr, kdnr, datum, zieldatum, bezahlt, storniert, vk, mwst, "
        "Waehrung, "
        "anschrift, mahnstufe, mahndatum) values ('R', '2014', 1, '2014-05-19', '2014-06-02', false, false, "
        "100, 19, '€', 'Anton GmbH', 1, '2014-06-20')"));
    const DunningList l = list();
    ASSERT_EQ(l.items.size(), 2);
    EXPECT_EQ(l.items.at(1).number, QStringLiteral("2014")) << "apart, after the others";
    EXPECT_EQ(l.items.at(1).barredText(), QStringLiteral("verjährt seit 01.01.2018"));
    EXPECT_FALSE(l.items.at(0).barred());

    const DunningRunResult unconfirmed = CreateReminders(addresses->Datenbank, settings, l);
    ASSERT_EQ(unconfirmed.made.size(), 1);
    EXPECT_EQ(unconfirmed.made.at(0).invoice, QStringLiteral("1"));
    EXPECT_EQ(unconfirmed.passedOver,
              QStringList(QStringLiteral(
                  "Rechnung 2014 (Anton GmbH): verjährt seit 01.01.2018; ohne Bestätigung keine Mahnung")));

    // The interest by hand, stretch by stretch from 03.06.2014 to 01.03.2026:
    // days × (base rate + 8 points), in hundredths of a percent.
    const struct
    {
        int days, rate;
    } stretches[] = {{28, 737},   {184, 727},  {547, 717},  {2375, 712}, {181, 962}, {184, 1112},
                     {182, 1162}, {184, 1137}, {181, 1027}, {184, 927},  {60, 927}};
    qint64 rateDays = 0;
    for (const auto &st : stretches)
        rateDays += qint64(st.days) * st.rate;
    // 119 € × Σ / (100 × 100 × 365), in cents, rounded half up: 112,45 €.
    const qint64 interestCents = (11900 * rateDays * 2 + 10000 * 365) / (2 * 10000 * 365);
    ASSERT_EQ(interestCents, 11245);
    const DunningRunResult confirmed =
        CreateReminders(addresses->Datenbank, settings, list(), {}, {}, {l.items.at(1).invoiceId});
    ASSERT_EQ(confirmed.made.size(), 1) << confirmed.error.toStdString();
    // 119 € + the fee of level 2 (5 €, no flat sum to count it against) + the interest.
    EXPECT_EQ(confirmed.made.at(0).total, (11900 + 500 + interestCents) * 100);
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang2 where Artikel = 'Pauschale'")), 0);
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang2 where Artikel = 'Verzugszinsen' and "
                                   "Bezeichnung like '%+ 8 Prozentpunkte%'")),
              1);
}

// An invoice due before the first known base rate cannot get its interest:
// it is named and left out, the others are reminded.
TEST_F(DunningRun, AnInvoiceWithoutKnownRatesStopsOnlyItself)
{
    invoice("1", "2026-02-01");
    invoice("alt", "2001-06-01", 1, "2001-06-20");
    const DunningList l = list();
    ASSERT_EQ(l.items.size(), 1);
    ASSERT_EQ(l.refused.size(), 1);
    EXPECT_TRUE(
        l.refused.at(0).startsWith(QStringLiteral("Rechnung alt (Anton GmbH, fällig am 01.06.2001)")) &&
        l.refused.at(0).contains(QStringLiteral("02.06.2001")))
        << l.refused.at(0).toStdString();
    const DunningRunResult r = run();
    ASSERT_EQ(r.made.size(), 1);
    EXPECT_EQ(r.made.at(0).invoice, QStringLiteral("1"));
    EXPECT_TRUE(r.warnings.contains(l.refused.at(0)));
}

// A reminder cancelled or deleted through the document module sets its
// invoice back to the level and day of its latest reminder left.
TEST_F(DunningRun, ACancelledOrDeletedReminderSetsItsInvoiceBack)
{
    invoice("1", "2026-01-20");
    const qint64 first = run().made.value(0).id;
    SetTodayForTests(d("2026-03-15"));
    const qint64 second = run().made.value(0).id;
    ASSERT_TRUE(first && second);
    const auto invoiceState = [this] {
        const QString where = QStringLiteral(" from vorgang1 where vorgangnr = '1' and typ = 'R'");
        const Value day = db->scalar(QStringLiteral("select mahndatum") + where);
        return QStringLiteral("%1 %2")
            .arg(count(QStringLiteral("select mahnstufe") + where))
            .arg(day.isNull() ? QStringLiteral("-") : day.rawText().left(10));
    };
    EXPECT_EQ(invoiceState(), QStringLiteral("2 2026-03-15"));
    vorgang().Close();
    vorgang().Open();
    const auto on = [this](qint64 id) { ASSERT_TRUE(vorgang().Locate(QStringLiteral("id"), Value(id), 0)); };
    const auto cancel = [this](bool c) {
        vorgang().Edit();
        doc("storniert")->SetAsBoolean(c);
        vorgang().Post();
    };
    on(second);
    cancel(true);
    EXPECT_EQ(invoiceState(), QStringLiteral("1 2026-03-01"));
    cancel(false);
    EXPECT_EQ(invoiceState(), QStringLiteral("2 2026-03-15"));
    vorgang().Delete();
    EXPECT_EQ(invoiceState(), QStringLiteral("1 2026-03-01"));
    on(first);
    vorgang().Delete();
    EXPECT_EQ(invoiceState(), QStringLiteral("0 -"));
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
    // A PDF lost (the run stopped while it printed) is written again by the
    // same command for that day; nothing else is made.
    ASSERT_TRUE(QFile::remove(out.path() + QStringLiteral("/20000.pdf")));
    const CommandRun second = tavirel(args);
    EXPECT_EQ(second.status, 0);
    EXPECT_TRUE(second.out.contains(QStringLiteral("keine Mahnungen erstellt"))) << second.out.toStdString();
    EXPECT_TRUE(
        second.out.contains(QStringLiteral("Fehlende PDF der Mahnungen vom 20.02.2026 nachgeholt: 20000")))
        << second.out.toStdString();
    EXPECT_TRUE(QFile::exists(out.path() + QStringLiteral("/20000.pdf")));
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from vorgang1 where typ = 'M'")).rawInt(), 1);
}

} // namespace
