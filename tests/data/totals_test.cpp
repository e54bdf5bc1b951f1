// Totals kept in step with the positions, position numbering, and what is
// deleted together with an address or a document.
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
    EXPECT_NEAR(doc("vkbr")->AsFloat(), 55.93, 1e-9);
    EXPECT_DOUBLE_EQ(doc("gewinn")->AsFloat(), 15.75);
    EXPECT_DOUBLE_EQ(pos("gesamtpreis")->AsFloat(), 2.0);
    EXPECT_NEAR(pos("preisbr")->AsFloat(), 2.38, 1e-9);
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
    EXPECT_TRUE(ERROR_OF(pos("anzahl")->SetAsString(QStringLiteral("3"))).contains(QStringLiteral("Anzahl × Preis")))
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

TEST_F(Totals, EachAmountIsRoundedToFourDecimals)
{
    newDocument(QStringLiteral("R"));
    addPosition(0, 0.33333, 1);
    EXPECT_DOUBLE_EQ(doc("vk")->AsFloat(), 0.3333);
    addPosition(0, 0.33333, 1);
    EXPECT_DOUBLE_EQ(doc("vk")->AsFloat(), 0.6666) << "rounded per position, not once at the end";
    addPosition(0, 19.99, 3);
    EXPECT_DOUBLE_EQ(doc("vk")->AsFloat(), 60.6366);
}

TEST_F(Totals, HalvesRoundToTheEvenTenThousandth)
{
    // 0.03125 is 312.5 ten-thousandths: a half, exactly, in binary too.
    newDocument(QStringLiteral("R"));
    addPosition(0.03125, 0.03125, 1);
    EXPECT_DOUBLE_EQ(doc("vk")->AsFloat(), 0.0312) << "312.5 goes to 312, not 313";
    addPosition(0.03125, 0.03125, 1);
    EXPECT_DOUBLE_EQ(doc("vk")->AsFloat(), 0.0624) << "312 + 312.5 is 624.5, which goes to 624";
    EXPECT_DOUBLE_EQ(doc("ek")->AsFloat(), 0.0624);
    addPosition(0, 0.03125, 3); // 624 + 937.5 = 1561.5 goes up to the even 1562
    EXPECT_DOUBLE_EQ(doc("vk")->AsFloat(), 0.1562);
    addPosition(0, -0.03125, 1); // 1562 - 312.5 = 1249.5 goes to 1250
    EXPECT_DOUBLE_EQ(doc("vk")->AsFloat(), 0.125);
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
    db->exec(QStringLiteral("with recursive n(i) as (select 1 union all select i+1 from n where i < 1000) "
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
    EXPECT_DOUBLE_EQ(art.FieldByName(QStringLiteral("vkbrutto"))->AsFloat(), 119.0);
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
    db->exec(QStringLiteral("insert into Personen (FIRMAID, NAME) values (1, 'x'), (1, 'y'), (1, 'z'), (2, 'andere')"));
    db->exec(QStringLiteral("insert into Vorgang1 (typ, vorgangnr, kdnr) values ('R', '10000', 1)"));
    db->exec(QStringLiteral("insert into Notizen (KDNR, Typ) values (1, 'Anruf'), (2, 'Besuch')"));
    addresses->Adress.Refresh();
    addresses->Adress.First();
    EXPECT_EQ(addresses->uPersonen.RecordCount(), 3);
    addresses->Adress.Delete();
    EXPECT_EQ(count(QStringLiteral("select count(*) from personen")), 1);
    EXPECT_EQ(count(QStringLiteral("select count(*) from adress")), 1);
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang1")), 1) << "documents stay";
    EXPECT_EQ(count(QStringLiteral("select count(*) from notizen")), 1) << "the notes of the address go with it";
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
