// SPDX-License-Identifier: GPL-3.0-or-later
// VAT rules: rates by date, the tax case from firm and customer, VAT ids,
// and the one rounding of a document's totals.
#include "base/money.h"
#include "data/tax.h"
#include "data/value.h"

#include <gtest/gtest.h>

using namespace Tax;

TEST(Tax, RatesByDateAndTheirChanges)
{
    const Rates rates = Rates::builtIn();
    const struct
    {
        QDate day;
        double normal, reduced;
    } cases[] = {{QDate(2001, 5, 1), 16, 7},  {QDate(2006, 12, 31), 16, 7}, {QDate(2007, 1, 1), 19, 7},
                 {QDate(2020, 6, 30), 19, 7}, {QDate(2020, 7, 1), 16, 5},   {QDate(2020, 12, 31), 16, 5},
                 {QDate(2021, 1, 1), 19, 7},  {QDate(2031, 1, 1), 19, 7}};
    for (const auto &c : cases) {
        EXPECT_EQ(rates.normalAt(c.day), c.normal) << c.day.toString().toStdString();
        EXPECT_EQ(rates.reducedAt(c.day), c.reduced) << c.day.toString().toStdString();
    }
    EXPECT_EQ(rates.choicesAt(QDate(2020, 8, 1)), (QList<double>{16, 5, 0}));
    // A rate keeps its kind across a change of law; an odd one stays as it is.
    EXPECT_EQ(rates.sameKindAt(16, QDate(2024, 1, 1)), 19);
    EXPECT_EQ(rates.sameKindAt(5, QDate(2024, 1, 1)), 7);
    EXPECT_EQ(rates.sameKindAt(7, QDate(2020, 9, 1)), 5);
    EXPECT_EQ(rates.sameKindAt(10.7, QDate(2020, 9, 1)), 10.7);
    EXPECT_EQ(rates.sameKindAt(0, QDate(2020, 9, 1)), 0);

    QStringList problems;
    const Rates changed =
        Rates::withChanges(QStringLiteral("01.01.2027 20/7,5; 1.7.2030 21/8 ;kaputt"), &problems);
    EXPECT_EQ(changed.normalAt(QDate(2026, 12, 31)), 19);
    EXPECT_EQ(changed.reducedAt(QDate(2027, 1, 1)), 7.5);
    EXPECT_EQ(changed.normalAt(QDate(2030, 7, 1)), 21);
    EXPECT_EQ(changed.sameKindAt(19, QDate(2028, 1, 1)), 20);
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems.first().contains(QStringLiteral("\"kaputt\""))) << problems.first().toStdString();
}

TEST(Tax, CaseFollowsFirmAndCustomer)
{
    const struct
    {
        bool smallBusiness;
        const char *land, *ustid;
        Case expected;
    } cases[] = {
        {false, "", "", Case::Normal},
        {false, "de", "DE136695976", Case::Normal},
        {false, "AT", "ATU12345678", Case::IntraEu},
        {false, "AT", "", Case::Normal}, // a private customer abroad pays German VAT
        {false, "GR", "EL123456789", Case::IntraEu},
        {false, "CH", "CHE-123.456.789 MWST", Case::Export},
        {false, "US", "", Case::Export},
        {true, "AT", "ATU12345678", Case::SmallBusiness},
        {true, "", "", Case::SmallBusiness},
    };
    for (const auto &c : cases)
        EXPECT_EQ(caseFor(c.smallBusiness, QString::fromUtf8(c.land), QString::fromUtf8(c.ustid)), c.expected)
            << c.land << " " << c.ustid;
    // What each case puts on its positions and on the invoice.
    const struct
    {
        Case c;
        const char *category0, *category19, *note;
    } categories[] = {
        {Case::Normal, "Z", "S", ""},
        {Case::SmallBusiness, "E", "E", "Gemäß § 19 UStG wird keine Umsatzsteuer berechnet."},
        {Case::ReverseCharge, "AE", "AE", "Steuerschuldnerschaft des Leistungsempfängers (§ 13b UStG)"},
        {Case::IntraEu, "K", "K", "Steuerfreie innergemeinschaftliche Lieferung (§ 4 Nr. 1b UStG)"},
        {Case::Export, "G", "G", "Steuerfreie Ausfuhrlieferung (§ 4 Nr. 1a UStG)"},
    };
    for (const auto &c : categories) {
        EXPECT_EQ(categoryOf(c.c, 0), QString::fromUtf8(c.category0));
        EXPECT_EQ(categoryOf(c.c, 19), QString::fromUtf8(c.category19));
        EXPECT_EQ(legalNote(categoryOf(c.c, 19)), QString::fromUtf8(c.note));
        EXPECT_EQ(caseOfCode(caseCode(c.c)), c.c);
    }
}

TEST(Tax, VatIdsAreCheckedForTheirForm)
{
    const struct
    {
        const char *id, *problem; // a part of the message, or "" when valid
    } cases[] = {
        {"", ""},
        {"DE136695976", ""},
        {"de 136 695 976", ""},
        {"DE136695978", "Prüfziffer"},
        {"DE13669597", "Form"},
        {"ATU12345678", ""},
        {"AT12345678", "Form"},
        {"NL123456789B01", ""},
        {"FR12345678901", ""},
        {"CHE-123.456.789 MWST", ""},
        {"136695976", "Ländercode"},
        {"XY12#", "Zeichen"},
    };
    for (const auto &c : cases) {
        const QString message = checkVatId(QString::fromUtf8(c.id));
        if (*c.problem == 0)
            EXPECT_TRUE(message.isEmpty()) << c.id << ": " << message.toStdString();
        else
            EXPECT_TRUE(message.contains(QString::fromUtf8(c.problem)))
                << c.id << ": " << message.toStdString();
    }
}

TEST(Tax, VatIdsFitTheirCountry)
{
    const struct
    {
        const char *land, *id;
        bool fits;
    } cases[] = {{"", "DE136695976", true},           {"AT", "DE136695976", false},
                 {"", "ATU12345678", false},          {"at", "ATU12345678", true},
                 {"GR", "EL123456789", true},         {"GR", "GR123456789", false},
                 {"MC", "FR12345678901", true},       {"CH", "", true},
                 {"CH", "CHE-123.456.789 MWST", true}};
    for (const auto &c : cases)
        EXPECT_EQ(checkVatIdCountry(QString::fromUtf8(c.land), QString::fromUtf8(c.id)).isEmpty(), c.fits)
            << c.land << " " << c.id;
}

TEST(Tax, OneRoundingForEveryTotal)
{
    struct Line
    {
        double anzahl, preis, rate;
        const char *category;
    };
    const struct
    {
        const char *what;
        bool cents;
        QList<Line> lines;
        qint64 net, vat;    // ten-thousandths
        QStringList groups; // "category rate net vat"
    } cases[] = {
        {"each line to the cent, VAT of the sum per rate",
         true,
         {{1, 0.333, 19, "S"}, {1, 0.333, 19, "S"}},
         6600,
         1300,
         {QStringLiteral("S 19 6600 1300")}},
        {"the same as an older version summed it",
         false,
         {{1, 0.333, 19, "S"}, {1, 0.333, 19, "S"}},
         6660,
         1265,
         {QStringLiteral("S 19 6660 1265")}},
        {"half a cent goes away from zero, without the product's noise",
         true,
         {{1, 0.005, 19, "S"}, {3, 0.335, 19, "S"}, {-1, 0.005, 19, "S"}},
         10100,
         1900,
         {QStringLiteral("S 19 10100 1900")}},
        {"the VAT of each rate rounded once, not per line",
         true,
         {{3, 0.03, 19, "S"}, {1, 0.03, 19, "S"}, {1, 0.03, 19, "S"}, {1, 10, 7, "S"}},
         101500,
         7300,
         {QStringLiteral("S 7 100000 7000"), QStringLiteral("S 19 1500 300")}},
        {"no VAT in a tax-free category whatever the rate says",
         true,
         {{2, 50, 19, "E"}, {1, 10, 0, "O"}},
         1100000,
         0,
         {QStringLiteral("E 0 1000000 0"), QStringLiteral("O 0 100000 0")}},
        {"a rate of 0 in the normal case",
         true,
         {{1, 100, 0, "Z"}, {1, 100, 19, "S"}},
         2000000,
         190000,
         {QStringLiteral("Z 0 1000000 0"), QStringLiteral("S 19 1000000 190000")}},
        {"a rate with decimals",
         true,
         {{1, 99.99, 10.7, "S"}},
         999900,
         107000,
         {QStringLiteral("S 10,7 999900 107000")}},
    };
    for (const auto &c : cases) {
        Totals t(c.cents);
        for (const Line &l : c.lines)
            t.add(l.anzahl, l.preis, l.rate, QString::fromUtf8(l.category));
        EXPECT_EQ(t.net(), c.net) << c.what;
        EXPECT_EQ(t.vat(), c.vat) << c.what;
        EXPECT_EQ(t.gross(), c.net + c.vat) << c.what;
        QStringList groups;
        for (const Group &g : t.groups())
            groups << QStringLiteral("%1 %2 %3 %4").arg(g.category, rateText(g.rate)).arg(g.net).arg(g.vat);
        EXPECT_EQ(groups, c.groups) << c.what;
    }
}

TEST(Tax, GrossOfStoredFigures)
{
    // Stored VAT counts as it is; none stored is the gross an older version listed.
    EXPECT_EQ(grossOf(Value(10.5), Value(2.0)), 125000);
    EXPECT_EQ(grossOf(Value(10.5), Value()), 124950);
    EXPECT_EQ(grossOf(Value(), Value()), 0);
    EXPECT_EQ(legacyVatOf(10.5), 19950);
    EXPECT_EQ(legacyVatOf(0.005), Money::fromAmount(0.005L * 1.19L) - 50);
}
