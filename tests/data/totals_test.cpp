// SPDX-License-Identifier: GPL-3.0-or-later
// Totals kept in step with the positions, position numbering, and what is
// deleted together with an address or a document.
#include "data/programvalues.h"
#include "tests/modulesfixture.h"

namespace {

using Totals = ModulesFixture;

TEST_F(Totals, SumsOfPositionsWithGrossAndMargin)
{
    newDocument(QStringLiteral("R"));
    addPosition(10, 15, 3);
    addPosition(2.5, 4, 0.5);
    EXPECT_DOUBLE_EQ(doc("ek")->AsFloat(), 31.25);
    EXPECT_DOUBLE_EQ(doc("vk")->AsFloat(), 47.0);
    EXPECT_NEAR(doc("vkbr")->AsFloat(), 54.52, 1e-9) << "16 %, the normal rate of 2005";
    EXPECT_DOUBLE_EQ(doc("gewinn")->AsFloat(), 15.75);
    EXPECT_DOUBLE_EQ(pos("gesamtpreis")->AsFloat(), 2.0);
    EXPECT_NEAR(pos("preisbr")->AsFloat(), 2.32, 1e-9);
    EXPECT_EQ(vorgang().State(), DataSetState::Browse) << "the totals are saved with the position";
    EXPECT_DOUBLE_EQ(db->scalar(QStringLiteral("select vk from Vorgang1")).toDouble(), 47.0);
}

// What a position changes is saved with it, or nothing is: a sum past the
// program's limit, or a document deleted at another workstation, refuses the
// position too, and it stays typed for the user. On both engines.
TEST_F(Totals, APositionAndItsTotalsAreSavedTogetherOrNotAtAll)
{
    newDocument(QStringLiteral("R"));
    const qint64 id = doc("id")->AsInteger();
    addPosition(0, 600000000000, 1);
    // A line past the limit is refused where the price or quantity is typed.
    positions().Insert();
    pos("anzahl")->SetAsFloat(1);
    EXPECT_TRUE(ERROR_OF(pos("Preis")->SetAsFloat(2e12)).contains(QStringLiteral("Anzahl × Preis")));
    pos("Preis")->SetAsFloat(500000000000);
    EXPECT_TRUE(
        ERROR_OF(pos("anzahl")->SetAsString(QStringLiteral("3"))).contains(QStringLiteral("Anzahl × Preis")))
        << "with the price already there";
    EXPECT_DOUBLE_EQ(pos("anzahl")->AsFloat(), 1);
    // The sum of two lines, each within it, is refused with the second save.
    EXPECT_TRUE(ERROR_OF(positions().Post()).contains(QStringLiteral("Die Summe des Vorgangs")));
    EXPECT_EQ(positions().State(), DataSetState::Insert) << "the typed position stays";
    EXPECT_DOUBLE_EQ(pos("Preis")->AsFloat(), 500000000000);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Vorgang2")), 1);
    EXPECT_DOUBLE_EQ(db->scalar(QStringLiteral("select vk from Vorgang1")).toDouble(), 600000000000);
    positions().Cancel();

    // The document deleted at another workstation: no position outlives it.
    OtherWorkstation(db->path(), QStringLiteral("Vorgang1")).rows.Delete();
    positions().Insert();
    pos("Preis")->SetAsFloat(5);
    pos("anzahl")->SetAsFloat(1);
    EXPECT_TRUE(ERROR_OF(positions().Post()).contains(QStringLiteral("gelöscht")));
    EXPECT_EQ(count(QStringLiteral("select count(*) from Vorgang2 where vorgangID = %1").arg(id)), 1);
    positions().Cancel();
}

TEST_F(Totals, EachLineIsRoundedToTheCent)
{
    newDocument(QStringLiteral("R"));
    addPosition(0, 0.33333, 1);
    EXPECT_DOUBLE_EQ(doc("vk")->AsFloat(), 0.33);
    EXPECT_DOUBLE_EQ(pos("gesamtpreis")->AsFloat(), 0.33) << "the line shows what the total adds";
    addPosition(0, 0.33333, 1);
    EXPECT_DOUBLE_EQ(doc("vk")->AsFloat(), 0.66) << "rounded per line, not once at the end";
    addPosition(0, 19.99, 3);
    EXPECT_DOUBLE_EQ(doc("vk")->AsFloat(), 60.63);
    EXPECT_DOUBLE_EQ(doc("mwst")->AsFloat(), 9.70) << "16 % (in 2005) of the net, rounded once";
    EXPECT_DOUBLE_EQ(doc("vkbr")->AsFloat(), 70.33);
    EXPECT_EQ(doc("Rundung")->AsInteger(), 1);
}

TEST_F(Totals, HalfCentsGoAwayFromZeroAndPurchaseSumsToTheTenThousandth)
{
    // 0.03125 is 312.5 ten-thousandths: a half, exactly, in binary too.
    newDocument(QStringLiteral("R"));
    addPosition(0.03125, 0.005, 1);
    EXPECT_DOUBLE_EQ(doc("vk")->AsFloat(), 0.01);
    EXPECT_DOUBLE_EQ(doc("ek")->AsFloat(), 0.0312) << "312.5 goes to 312, not 313";
    addPosition(0.03125, 0.335, 3); // 1.005, whatever the binary product holds
    EXPECT_DOUBLE_EQ(doc("vk")->AsFloat(), 1.02);
    EXPECT_DOUBLE_EQ(doc("ek")->AsFloat(), 0.125) << "312 + 937.5 is 1249.5, which goes to 1250";
    addPosition(0, -0.005, 1);
    EXPECT_DOUBLE_EQ(doc("vk")->AsFloat(), 1.01);
}

TEST_F(Totals, CancelledDocumentHasZeroTotals)
{
    newDocument(QStringLiteral("R"));
    addPosition(10, 15, 3);
    vorgang().Edit(); // the totals were saved with the position
    doc("storniert")->SetAsBoolean(true);
    addPosition(1, 1, 1);
    EXPECT_EQ(doc("ek")->AsFloat(), 0.0);
    EXPECT_EQ(doc("vk")->AsFloat(), 0.0);
    EXPECT_EQ(doc("mwst")->AsFloat(), 0.0);
}

TEST_F(Totals, TaxCaseOfFirmAndCustomerGoesIntoEveryPosition)
{
    db->exec(
        QStringLiteral("insert into Adress (KDNR, NAME1, LAND, USTID) values (1, 'Kassel', NULL, NULL), "
                       "(2, 'Wien', 'AT', 'ATU12345678'), (3, 'Graz', 'at', ''), (4, 'Zürich', 'CH', NULL), "
                       "(5, 'Bau', 'DE', 'DE136695976'), (6, 'Linz', 'AT', 'DE136695976')"));
    db->exec(QStringLiteral("insert into Artikel (%1, VK, MwstSatz) values ('BR-01', 10, 7)")
                 .arg(db->raw().quote(QStringLiteral("Art-Nr"))));
    const struct
    {
        bool smallBusiness;
        qint64 kdnr;
        const char *chosen;    // the case the user picks, or "" for the one that follows
        const char *positions; // category and rate of each position
        double mwst;
    } cases[] = {
        {false, 1, "", "S16 S7 S16", 32.70}, {false, 2, "", "K0 K0 K0", 0},
        {false, 3, "", "S16 S7 S16", 32.70}, {false, 4, "", "G0 G0 G0", 0},
        {false, 5, "AE", "AE0 AE0 AE0", 0},  {true, 2, "", "E0 E0 E0", 0},
    };
    for (const auto &c : cases) {
        ProgramValues::instance().Steuer.smallBusiness = false;
        newDocument(QStringLiteral("R"));
        doc("kdnr")->SetAsInteger(c.kdnr);
        // Positions of the normal case first: the case is set on a document that has some.
        documents->SetTaxCase(Tax::Case::Normal);
        addPosition(0, 100, 1);
        positions().Insert();
        pos("Artikel")->SetAsString(QStringLiteral("BR-01"));
        documents->SetPositionRate(documents->ArticleRate(7));
        pos("Preis")->SetAsFloat(10);
        pos("anzahl")->SetAsFloat(1);
        positions().Post();
        ProgramValues::instance().Steuer.smallBusiness = c.smallBusiness;
        const Tax::Case chosen =
            *c.chosen ? Tax::caseOfCode(QString::fromUtf8(c.chosen)) : documents->TaxCaseOfCustomer();
        documents->SetTaxCase(chosen);
        addPosition(0, 100, 1); // a new position in that case
        QStringList seen;
        for (positions().First(); !positions().Eof(); positions().Next())
            seen << pos("MwstKat")->AsString() + pos("MwstSatz")->AsString();
        EXPECT_EQ(seen.join(QLatin1Char(' ')), QString::fromUtf8(c.positions)) << c.kdnr << c.chosen;
        EXPECT_DOUBLE_EQ(doc("vk")->AsFloat(), 210.0);
        EXPECT_DOUBLE_EQ(doc("mwst")->AsFloat(), c.mwst) << c.kdnr << c.chosen;
        EXPECT_EQ(doc("Steuerfall")->AsString(), Tax::caseCode(chosen));
        // Back in the normal case a position gets its article's rate again;
        // a small business has no other case (§ 14c UStG).
        if (c.smallBusiness) {
            EXPECT_TRUE(ERROR_OF(documents->SetTaxCase(Tax::Case::Normal))
                            .contains(QStringLiteral("Kleinunternehmer")));
            EXPECT_EQ(doc("Steuerfall")->AsString(), QStringLiteral("E"));
            continue;
        }
        documents->SetTaxCase(Tax::Case::Normal);
        positions().First();
        positions().Next();
        EXPECT_EQ(pos("MwstSatz")->AsFloat(), 7.0) << c.kdnr << c.chosen;
        vorgang().Post();
    }
    ProgramValues::instance().Steuer.smallBusiness = false;
    // Where the buyer owes the VAT, the buyer's VAT id must be known.
    newDocument(QStringLiteral("R"));
    doc("kdnr")->SetAsInteger(1);
    EXPECT_TRUE(
        ERROR_OF(documents->SetTaxCase(Tax::Case::ReverseCharge)).contains(QStringLiteral("USt-IdNr.")));
    EXPECT_EQ(doc("Steuerfall")->AsString(), QStringLiteral("S"));
    // An intra-EU supply and an export need a customer abroad: in another
    // member state under its own VAT id, or outside the EU.
    const struct
    {
        qint64 kdnr;
        Tax::Case chosen;
        const char *refusal;
    } abroad[] = {{5, Tax::Case::IntraEu, "anderen EU-Staat"},
                  {6, Tax::Case::IntraEu, "USt-IdNr. seines Staates (AT)"},
                  {1, Tax::Case::Export, "außerhalb der EU"},
                  {2, Tax::Case::Export, "außerhalb der EU"}};
    for (const auto &a : abroad) {
        doc("kdnr")->SetAsInteger(a.kdnr);
        const QString error = ERROR_OF(documents->SetTaxCase(a.chosen));
        EXPECT_TRUE(error.contains(QString::fromUtf8(a.refusal))) << a.kdnr << qPrintable(error);
        EXPECT_EQ(doc("Steuerfall")->AsString(), QStringLiteral("S"));
    }
}

TEST_F(Totals, PositionsAreNumberedAndRenumberedAfterDelete)
{
    newDocument(QStringLiteral("A"));
    for (int i = 1; i <= 4; ++i)
        addPosition(0, i, 1, QStringLiteral("P%1").arg(i));
    EXPECT_EQ(pos("Pos")->AsInteger(), 4);
    positions().First();
    positions().Next();
    positions().Delete();
    EXPECT_EQ(pos("Titel")->AsString(), QStringLiteral("P3")) << "the former third position is current";
    QStringList numbers;
    for (positions().First(); !positions().Eof(); positions().Next())
        numbers << pos("Pos")->AsString() + pos("Titel")->AsString();
    EXPECT_EQ(numbers, (QStringList{QStringLiteral("1P1"), QStringLiteral("2P3"), QStringLiteral("3P4")}));
    EXPECT_DOUBLE_EQ(doc("vk")->AsFloat(), 8.0);
    vorgang().Post();
    EXPECT_EQ(count(QStringLiteral("select sum(Pos) from vorgang2")), 6);
    positions().Insert();
    EXPECT_EQ(pos("Pos")->AsInteger(), 4);
}

TEST_F(Totals, DeletingTheLastPositionRecomputesTheRest)
{
    newDocument(QStringLiteral("R"));
    addPosition(1, 10, 1);
    addPosition(1, 20, 1);
    positions().Last();
    positions().Delete();
    EXPECT_DOUBLE_EQ(doc("vk")->AsFloat(), 10.0);
}

TEST_F(Totals, DocumentGoesWithItsPositionsOnly)
{
    newDocument(QStringLiteral("R"));
    for (int i = 0; i < 5; ++i)
        addPosition(1, 2, 1);
    vorgang().Post();
    newDocument(QStringLiteral("R"));
    addPosition(1, 2, 1);
    vorgang().Post();
    vorgang().First();
    vorgang().Delete();
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang1")), 1);
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang2")), 1);
}

TEST_F(Totals, AReceivedInvoiceKeepsItsFiguresAndStays)
{
    newDocument(QStringLiteral("E"));
    doc("vk")->SetAsFloat(679.85);
    vorgang().Post();
    addPosition(1, 2, 1); // a position typed in by mistake sums nothing
    documents->RecalcTotals();
    EXPECT_DOUBLE_EQ(doc("vk")->AsFloat(), 679.85);
    vorgang().Post();
    EXPECT_THROW(vorgang().Delete(), AppError);
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang1")), 1);
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang2")), 1);
}

TEST_F(Totals, ThousandPositionsSumExactly)
{
    newDocument(QStringLiteral("R"));
    db->exec(QStringLiteral(
                 "with recursive n(i) as (select 1 union all select i+1 from n where i < 1000) "
                 "insert into vorgang2 (vorgangID, Pos, anzahl, Preis, EK) select %1, i, 3, 0.1, 0.05 from n")
                 .arg(doc("id")->AsInteger()));
    vorgang().Post();
    vorgang().Refresh();
    documents->RecalcTotals();
    EXPECT_EQ(doc("vk")->AsString(), QStringLiteral("300"));
    EXPECT_EQ(doc("ek")->AsString(), QStringLiteral("150"));
}

TEST_F(Totals, ArticleStampsAndCurrency)
{
    TVexDaoTable &art = documents->Artikel;
    art.Insert();
    EXPECT_EQ(art.FieldByName(QStringLiteral("Waehrung"))->AsString(), QStringLiteral("€"));
    art.FieldByName(QStringLiteral("VK"))->SetAsFloat(100);
    art.FieldByName(QStringLiteral("EK"))->SetAsFloat(60);
    art.Post();
    EXPECT_EQ(art.FieldByName(QStringLiteral("Preisdatum"))->AsDate(), QDate(2005, 3, 15));
    EXPECT_DOUBLE_EQ(art.FieldByName(QStringLiteral("Gewinn"))->AsFloat(), 40.0);
    EXPECT_DOUBLE_EQ(art.FieldByName(QStringLiteral("vkbrutto"))->AsFloat(), 116.0)
        << "at its rate, 16 % in 2005";
    EXPECT_EQ(art.FieldByName(QStringLiteral("VK"))->DisplayText(), QStringLiteral("100,00"));
    SetTodayForTests(QDate(2005, 6, 1));
    art.Edit();
    art.FieldByName(QStringLiteral("Notizen"))->SetAsString(QStringLiteral("nur eine Notiz"));
    art.Post();
    EXPECT_EQ(art.FieldByName(QStringLiteral("Preisdatum"))->AsDate(), QDate(2005, 6, 1));
}

TEST_F(Totals, AddressGoesWithItsContactPersons)
{
    db->exec(QStringLiteral("insert into Adress (KDNR, NAME1) values (1, 'A'), (2, 'B')"));
    db->exec(QStringLiteral(
        "insert into Personen (FIRMAID, NAME) values (1, 'x'), (1, 'y'), (1, 'z'), (2, 'andere')"));
    db->exec(QStringLiteral("insert into Vorgang1 (typ, vorgangnr, kdnr) values ('R', '10000', 1)"));
    db->exec(QStringLiteral("insert into Notizen (KDNR, Typ) values (1, 'Anruf'), (2, 'Besuch')"));
    addresses->Adress.Refresh();
    addresses->Adress.Last();
    EXPECT_EQ(addresses->uPersonen.RecordCount(), 1);
    addresses->Adress.Delete();
    EXPECT_EQ(count(QStringLiteral("select count(*) from personen")), 3);
    EXPECT_EQ(count(QStringLiteral("select count(*) from adress")), 1);
    EXPECT_EQ(count(QStringLiteral("select count(*) from notizen")), 1)
        << "the notes of the address go with it";
    // The address a document names stays, with all that is its own.
    addresses->Adress.First();
    EXPECT_EQ(
        ERROR_OF(addresses->Adress.Delete()),
        QStringLiteral("Die Adresse A kann nicht gelöscht werden: ihre Vorgänge müssen aufbewahrt werden, "
                       "zuletzt Rechnung 10000 ohne Datum (auf Dauer aufzubewahren). Sie kann gesperrt "
                       "werden."));
    EXPECT_EQ(count(QStringLiteral("select count(*) from personen")), 3);
    EXPECT_EQ(count(QStringLiteral("select count(*) from adress")), 1);
}

TEST_F(Totals, AddressCountryAndVatIdAreCheckedBeforeTheyAreStored)
{
    TVexDaoTable &adr = addresses->Adress;
    adr.Insert();
    addresses->AdressNAME1->SetAsString(QStringLiteral("Wien"));
    const struct
    {
        const char *land, *ustid, *problem;
    } cases[] = {{"Österreich", "", "kein Ländercode"},
                 {"ZZ", "", "kein Ländercode"},
                 {"AT", "ATU1234567", "Form"},
                 {"AT", "DE136695978", "Prüfziffer"},
                 {"at", "atu 12345678", ""}};
    for (const auto &c : cases) {
        adr.Edit();
        addresses->AdressLAND->SetAsString(QString::fromUtf8(c.land));
        addresses->AdressUSTID->SetAsString(QString::fromUtf8(c.ustid));
        const QString error = ERROR_OF(adr.Post());
        EXPECT_TRUE(*c.problem ? error.contains(QString::fromUtf8(c.problem)) : error.isEmpty())
            << c.land << " " << c.ustid << ": " << error.toStdString();
    }
    EXPECT_EQ(db->scalar(QStringLiteral("select LAND from Adress where NAME1 = 'Wien'")).rawText(),
              QStringLiteral("AT"));
}

TEST_F(Totals, PendingAddressEditIsSavedAtProgramEnd)
{
    addresses->Adress.Insert();
    addresses->AdressNAME1->SetAsString(QStringLiteral("Ungespeichert"));
    documents.reset();
    addresses.reset();
    EXPECT_EQ(count(QStringLiteral("select count(*) from adress where name1 = 'Ungespeichert'")), 1);
}

} // namespace
