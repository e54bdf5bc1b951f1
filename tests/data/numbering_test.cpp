// SPDX-License-Identifier: GPL-3.0-or-later
// Numbers: customer numbers and document numbers per type, their start
// values, gaps, growing digits and two programs numbering at once.
#include "data/settings.h"
#include "tests/modulesfixture.h"

namespace {

using Numbering = ModulesFixture;

TEST_F(Numbering, FirstNumberOfEveryType)
{
    const struct
    {
        const char *typ, *first;
    } expected[] = {{"A", "5000"},  {"B", "1000"},  {"C", "6000"}, {"G", "4000"}, {"L", "10000"},
                    {"M", "20000"}, {"R", "10000"}, {"U", "1000"}, {"V", "30000"}};
    for (const auto &e : expected) {
        newDocument(QString::fromLatin1(e.typ));
        EXPECT_EQ(doc("vorgangnr")->AsString(), QString::fromLatin1(e.first)) << e.typ;
        vorgang().Post();
    }
    newDocument(QStringLiteral("X"));
    EXPECT_EQ(doc("vorgangnr")->AsString(), QString()) << "a letter without a range gets no number";
}

// The firm starts a type's numbers where it wants ([Nummernkreise]); what is
// no number there leaves the program's start.
TEST_F(Numbering, TheSettingsChooseTheFirstNumber)
{
    IniFile ini(db->folder() + QStringLiteral("/tavirel.ini"));
    ini.writeString(QStringLiteral("Nummernkreise"), QStringLiteral("R"), QStringLiteral("2026001"));
    ini.writeString(QStringLiteral("Nummernkreise"), QStringLiteral("A"), QStringLiteral("erste"));
    newDocument(QStringLiteral("R"));
    EXPECT_EQ(doc("vorgangnr")->AsString(), QStringLiteral("2026001"));
    vorgang().Post();
    newDocument(QStringLiteral("R"));
    EXPECT_EQ(doc("vorgangnr")->AsString(), QStringLiteral("2026002"));
    vorgang().Post();
    newDocument(QStringLiteral("A"));
    EXPECT_EQ(doc("vorgangnr")->AsString(), QStringLiteral("5000"));
}

TEST_F(Numbering, NextNumberRespectsGapsAndCountsPerType)
{
    db->exec(QStringLiteral(
        "insert into Vorgang1 (typ, vorgangnr) values ('R', '10041'), ('R', '10005'), ('L', '10003')"));
    newDocument(QStringLiteral("R"));
    EXPECT_EQ(doc("vorgangnr")->AsString(), QStringLiteral("10042"));
    vorgang().Post();
    newDocument(QStringLiteral("L"));
    EXPECT_EQ(doc("vorgangnr")->AsString(), QStringLiteral("10004"));
}

TEST_F(Numbering, DigitGrowthKeepsCountingUp)
{
    db->exec(QStringLiteral("insert into Vorgang1 (typ, vorgangnr) values ('B', '9998'), ('B', '998')"));
    QStringList got;
    for (int i = 0; i < 3; ++i) {
        newDocument(QStringLiteral("B"));
        got << doc("vorgangnr")->AsString();
        vorgang().Post();
    }
    EXPECT_EQ(got, (QStringList{QStringLiteral("9999"), QStringLiteral("10000"), QStringLiteral("10001")}));
}

TEST_F(Numbering, NumbersThatAreNoNumbersAreSkipped)
{
    db->exec(QStringLiteral("insert into Vorgang1 (typ, vorgangnr) values ('A', 'Entwurf'), ('A', '5007')"));
    newDocument(QStringLiteral("A"));
    EXPECT_EQ(doc("vorgangnr")->AsString(), QStringLiteral("5008"));
    db->exec(QStringLiteral("insert into Vorgang1 (typ, vorgangnr) values ('G', 'alt')"));
    vorgang().Post();
    newDocument(QStringLiteral("G"));
    EXPECT_EQ(doc("vorgangnr")->AsString(), QStringLiteral("4000"));
}

// The number field holds 15 characters: the last number that fits is given,
// the one after it is refused by name of the type and nothing is saved, never
// cut to fit (which gave one number to several documents).
TEST_F(Numbering, NumbersAtTheFieldLimit)
{
    db->exec(QStringLiteral("insert into Vorgang1 (typ, vorgangnr) values ('R', '999999999999998')"));
    newDocument(QStringLiteral("R"));
    EXPECT_EQ(doc("vorgangnr")->AsString(), QStringLiteral("999999999999999"));
    vorgang().Post();
    const qint64 before = count(QStringLiteral("select count(*) from vorgang1"));

    vorgang().Insert();
    doc("typ")->SetAsString(QStringLiteral("R"));
    const QString message = ERROR_OF(documents->AssignVorgangNr(QStringLiteral("R")));
    EXPECT_TRUE(message.contains(QStringLiteral("'Rechnung'"))) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("999999999999999"))) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("15 Zeichen"))) << message.toStdString();
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang1")), before) << "nothing is saved";
    EXPECT_NE(vorgang().State(), DataSetState::Insert) << "no unnumbered document is left to be saved later";
    vorgang().First(); // a move saves nothing either
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang1")), before);

    // Other types count on as before.
    newDocument(QStringLiteral("L"));
    EXPECT_EQ(doc("vorgangnr")->AsString(), QStringLiteral("10000"));
}

TEST_F(Numbering, StoredNumbersBeyondTheFieldAreRefusedToo)
{
    SKIP_ON_SERVER("eine Nummer länger als ihr Feld lässt sich dort gar nicht speichern");
    // Written by another tool past the field's size, and past what a number can count.
    db->exec(QStringLiteral("insert into Vorgang1 (typ, vorgangnr) values ('A', '99999999999999999999')"));
    vorgang().Insert();
    doc("typ")->SetAsString(QStringLiteral("A"));
    const QString message = ERROR_OF(documents->AssignVorgangNr(QStringLiteral("A")));
    EXPECT_TRUE(message.contains(QStringLiteral("'Angebot'"))) << message.toStdString();
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang1")), 1);

    EXPECT_EQ(documents->NextNumberAfter(QStringLiteral("B"), 9007199254740991.0, 0),
              QStringLiteral("9007199254740992"));
    const QString tooLarge = ERROR_OF(documents->NextNumberAfter(QStringLiteral("B"), 9007199254740992.0, 0));
    EXPECT_TRUE(tooLarge.contains(QStringLiteral("'Bestellung'")) &&
                tooLarge.contains(QStringLiteral("zu groß")))
        << tooLarge.toStdString();
    EXPECT_TRUE(
        ERROR_OF(documents->NextNumberAfter(QStringLiteral("Q"), 99.0, 2)).contains(QStringLiteral("'Q'")))
        << "a letter without a type name is named by itself";
}

TEST_F(Numbering, NewDocumentIsDatedSavedAndEditing)
{
    newDocument(QStringLiteral("R"));
    EXPECT_EQ(vorgang().State(), DataSetState::Edit);
    EXPECT_EQ(doc("zieltage")->AsInteger(), 7);
    EXPECT_EQ(doc("datum")->AsDate(), QDate(2005, 3, 15));
    EXPECT_GT(doc("id")->AsInteger(), 0);
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang1 where vorgangnr = '10000'")), 1);
}

// A new document gets the firm's payment days, or its customer's own when
// the address has them; a document that exists keeps its days.
TEST_F(Numbering, PaymentDaysOfTheFirmAndOfTheCustomer)
{
    db->exec(QStringLiteral("insert into Adress (ID, KDNR, NAME1, ZIELTAGE) values (1, 1, 'Eigen', 30), "
                            "(2, 2, 'Ohne', null)"));
    const struct
    {
        const char *firm;
        int kdnr, days;
    } cases[] = {{"", 2, 7}, {"14", 2, 14}, {"14", 1, 30}, {"viele", 2, 7}};
    IniFile ini(db->folder() + QStringLiteral("/tavirel.ini"));
    for (const auto &c : cases) {
        ini.writeString(QStringLiteral("Vorgaenge"), QStringLiteral("Zahlungsziel"),
                        QString::fromLatin1(c.firm));
        vorgang().Insert();
        doc("typ")->SetAsString(QStringLiteral("R"));
        doc("kdnr")->SetAsInteger(c.kdnr);
        documents->CustomerChanged();
        documents->AssignVorgangNr(QStringLiteral("R"));
        EXPECT_EQ(doc("zieltage")->AsInteger(), c.days) << c.firm << " " << c.kdnr;
        vorgang().Post();
    }
    vorgang().Edit();
    doc("kdnr")->SetAsInteger(1);
    documents->CustomerChanged();
    EXPECT_EQ(doc("zieltage")->AsInteger(), 7) << "a saved document keeps its days";
}

TEST_F(Numbering, CurrencyOfTheDay)
{
    SetTodayForTests(QDate(2001, 12, 31));
    newDocument(QStringLiteral("R"));
    EXPECT_EQ(doc("Waehrung")->AsString(), QStringLiteral("DM"));
    vorgang().Post();
    SetTodayForTests(QDate(2002, 1, 1));
    newDocument(QStringLiteral("R"));
    EXPECT_EQ(doc("Waehrung")->AsString(), QStringLiteral("€"));
}

TEST_F(Numbering, CustomerNumbersFollowTheHighest)
{
    TVexDaoTable &adr = addresses->Adress;
    adr.Insert();
    EXPECT_EQ(addresses->AdressKDNR->AsInteger(), 1);
    EXPECT_EQ(addresses->AdressID->AsInteger(), 1);
    EXPECT_EQ(adr.State(), DataSetState::Edit);
    adr.Cancel();
    EXPECT_EQ(count(QStringLiteral(
                  "select count(*) from adress where kdnr = 1 and typ = 1 and angelegt = '2005-03-15' "
                  "and geaendert = '2005-03-15' and name1 is null")),
              1)
        << "the new address is stored at once, numbered and dated";
    db->exec(QStringLiteral("insert into Adress (KDNR) values (5), (100)"));
    adr.Insert();
    EXPECT_EQ(addresses->AdressKDNR->AsInteger(), 101);
    adr.Insert();
    EXPECT_EQ(addresses->AdressKDNR->AsInteger(), 102);
}

TEST_F(Numbering, ChangeDateOnEverySaveCreationDateKept)
{
    TVexDaoTable &adr = addresses->Adress;
    adr.Insert();
    adr.Post();
    SetTodayForTests(QDate(2005, 4, 2));
    adr.Edit();
    addresses->AdressNAME1->SetAsString(QStringLiteral("Später"));
    adr.Post();
    EXPECT_EQ(addresses->AdressANGELEGT->AsDate(), QDate(2005, 3, 15));
    EXPECT_EQ(addresses->AdressGEAENDERT->AsDate(), QDate(2005, 4, 2));
}

TEST_F(Numbering, TwoProgramsNeverGiveOneCustomerNumberTwice)
{
    Tdataa second;
    second.DataModuleCreate(db->path());
    for (int i = 0; i < 5; ++i) {
        addresses->Adress.Insert();
        addresses->Adress.Post();
        second.Adress.Insert(); // the other program has not re-read the table
        second.Adress.Post();
    }
    EXPECT_EQ(count(QStringLiteral("select count(distinct kdnr) from adress")), 10);
    EXPECT_EQ(db->scalar(QStringLiteral("select max(kdnr) from adress")).toDouble(), 10.0);
}

} // namespace
