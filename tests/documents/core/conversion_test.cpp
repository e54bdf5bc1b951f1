// SPDX-License-Identifier: GPL-3.0-or-later
// Copying a document into a new one of another type, the due date and the
// placeholders of the header and footer texts.
#include "documents/core/tfumw.h"
#include "tests/modulesfixture.h"

namespace {

class Conversion : public ModulesFixture
{
  protected:
    void SetUp() override
    {
        ModulesFixture::SetUp();
        db->exec(QStringLiteral(
            "insert into Adress (KDNR, NAME1, KontoNr, KontoBank, KontoBLZ, KontoInhaber) values "
            "(7, 'Kunde', 'DE02 1234', 'Kasseler Bank', 'KSBKDE', 'Erika Muster')"));
        umw = std::make_unique<TFumw>(nullptr);
    }
    void TearDown() override
    {
        umw.reset();
        ModulesFixture::TearDown();
    }
    // A contract with positions, current in vorgang.
    qint64 contract(int positionCount, const QString &kopf = QString(), qint64 kdnr = 7)
    {
        newDocument(QStringLiteral("V"));
        doc("kdnr")->SetAsInteger(kdnr);
        doc("zieltage")->SetAsInteger(30);
        doc("anschrift")->SetAsString(QStringLiteral("Kunde\r\nWeg 1\r\n34117 Kassel"));
        doc("Kopftext")->SetAsString(kopf);
        doc("VertragT")->SetAsString(QStringLiteral("M"));
        for (int i = 1; i <= positionCount; ++i)
            addPosition(i, 10 * i, i, QStringLiteral("Leistung %1").arg(i));
        vorgang().Post();
        return doc("id")->AsInteger();
    }
    std::unique_ptr<TFumw> umw;
};

TEST_F(Conversion, ContractBecomesInvoiceWithItsPositions)
{
    const qint64 source = contract(3);
    const double ek = doc("ek")->AsFloat(), vk = doc("vk")->AsFloat();
    SetTodayForTests(QDate(2005, 4, 1));
    QString number = QStringLiteral("unverändert");
    umw->CopyVorgang(QStringLiteral("R"), QStringLiteral("15.01.2005"), number);
    EXPECT_EQ(number, QStringLiteral("10000"));
    EXPECT_EQ(doc("typ")->AsString(), QStringLiteral("R"));
    EXPECT_EQ(doc("kdnr")->AsInteger(), 7);
    EXPECT_EQ(doc("datum")->AsDate(), QDate(2005, 4, 1));
    EXPECT_EQ(doc("zieltage")->AsInteger(), 30);
    EXPECT_EQ(doc("zieldatum")->AsDate(), QDate(2005, 2, 14));
    EXPECT_EQ(doc("anschrift")->AsString(), QStringLiteral("Kunde\r\nWeg 1\r\n34117 Kassel"));
    EXPECT_DOUBLE_EQ(doc("ek")->AsFloat(), ek);
    EXPECT_DOUBLE_EQ(doc("vk")->AsFloat(), vk);
    EXPECT_TRUE(doc("VertragT")->IsNull());
    EXPECT_EQ(vorgang().State(), DataSetState::Browse);
    EXPECT_EQ(positions().RecordCount(), 3);
    // Each row shown is the one stored under its id (the rows come back from one save of all).
    for (positions().First(); !positions().Eof(); positions().Next())
        EXPECT_EQ(db->scalar(QStringLiteral("select Titel from vorgang2 where id = %1")
                                 .arg(positions().FieldByName(QStringLiteral("id"))->AsInteger()))
                      .rawText(),
                  positions().FieldByName(QStringLiteral("Titel"))->AsString());
    EXPECT_EQ(count(QStringLiteral(
                  "select count(*) from vorgang2 v join vorgang1 d on d.id = v.vorgangID "
                  "where d.typ = 'R' and v.Titel = 'Leistung ' || v.Pos and v.Preis = 10 * v.Pos")),
              3);
    EXPECT_DOUBLE_EQ(db->scalar(QStringLiteral("select vk from vorgang1 where typ = 'R'")).rawDouble(), vk);
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang2 where vorgangID = %1").arg(source)), 3)
        << "the source stays as it was";
}

TEST_F(Conversion, DocumentWithoutPositionsMakesNothing)
{
    contract(0);
    QString number = QStringLiteral("10004");
    umw->CopyVorgang(QStringLiteral("R"), QStringLiteral("15.01.2005"), number);
    EXPECT_EQ(number, QStringLiteral("10004"));
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang1")), 1);
}

TEST_F(Conversion, MonthPlaceholderFirstOccurrenceOnly)
{
    contract(1, QStringLiteral("Abrechnung %Monat, wie %MONAT"));
    QString number;
    umw->CopyVorgang(QStringLiteral("R"), QStringLiteral("15.03.2005"), number);
    EXPECT_EQ(doc("Kopftext")->AsString(), QStringLiteral("Abrechnung März 2005, wie %MONAT"));
}

TEST_F(Conversion, BankPlaceholdersFromTheDocumentsAddress)
{
    contract(1);
    EXPECT_EQ(umw->ReplacePlaceholders(
                  QStringLiteral("Konto %kontonr bei %KontoBank (%KONTOBLZ), Inhaber %Kontoinhaber; "
                                 "noch einmal %KONTONR")),
              QStringLiteral(
                  "Konto DE02 1234 bei Kasseler Bank (KSBKDE), Inhaber Erika Muster; noch einmal %KONTONR"));
    // The bank data is read for any bank placeholder, not only with the account number.
    EXPECT_EQ(umw->ReplacePlaceholders(QStringLiteral("Bank: %KONTOBANK")),
              QStringLiteral("Bank: Kasseler Bank"));
    EXPECT_EQ(umw->ReplacePlaceholders(QStringLiteral("kein Platzhalter: 100 %")),
              QStringLiteral("kein Platzhalter: 100 %"));
}

TEST_F(Conversion, MissingAddressGivesEmptyBankData)
{
    contract(1, QString(), 999);
    EXPECT_EQ(umw->ReplacePlaceholders(QStringLiteral("[%KONTONR|%KONTOBANK|%KONTOBLZ|%KONTOINHABER]")),
              QStringLiteral("[|||]"));
}

TEST_F(Conversion, DueDateUsesTheFullCountOfDays)
{
    contract(1);
    vorgang().Edit();
    doc("zieltage")->SetAsInteger(30);
    TFumw::SetZieldatum(QStringLiteral("15.01.2005"));
    EXPECT_EQ(doc("zieldatum")->AsDate(), QDate(2005, 2, 14));
    doc("zieltage")->SetAsInteger(300);
    TFumw::SetZieldatum(QStringLiteral("15.01.2005"));
    EXPECT_EQ(doc("zieldatum")->AsDate(), QDate(2005, 11, 11)) << "300 days, not 300 modulo 256";
    EXPECT_EQ(vorgang().State(), DataSetState::Edit);
}

TEST_F(Conversion, CurrencyFollowsToday)
{
    SetTodayForTests(QDate(2001, 6, 1));
    contract(1);
    EXPECT_EQ(doc("Waehrung")->AsString(), QStringLiteral("DM"));
    SetTodayForTests(QDate(2005, 6, 1));
    QString number;
    umw->CopyVorgang(QStringLiteral("R"), QStringLiteral("01.06.2005"), number);
    EXPECT_EQ(doc("Waehrung")->AsString(), QStringLiteral("€"));
}

TEST_F(Conversion, ErrorInTheMiddleLeavesNothingOfTheNewDocument)
{
    SKIP_ON_SERVER("ein Positionszähler außerhalb seines Bereichs lässt sich dort gar nicht speichern");
    const qint64 source = contract(3);
    // A position number the positions' short field cannot take breaks the copy at its third position.
    db->exec(QStringLiteral("update vorgang2 set Pos = 40000 where vorgangID = %1 and Pos = 3").arg(source));
    QString number = QStringLiteral("vorher");
    const QString message =
        ERROR_OF(umw->CopyVorgang(QStringLiteral("R"), QStringLiteral("15.03.2005"), number));
    EXPECT_TRUE(message.contains(QStringLiteral("40000"))) << message.toStdString();
    EXPECT_EQ(number, QStringLiteral("vorher"));
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang1 where typ = 'R'")), 0);
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang2")), 3);
    EXPECT_EQ(vorgang().State(), DataSetState::Browse);
    vorgang().setFilter(QStringLiteral("typ = 'R'"));
    EXPECT_FALSE(vorgang().FindFirst()) << "the dataset shows only what is stored";
}

TEST_F(Conversion, ErrorBeforeNumberingLeavesNothingPending)
{
    const qint64 source = contract(2);
    db->exec(QStringLiteral("update vorgang1 set zieltage = -1 where id = %1").arg(source));
    QString number;
    EXPECT_FALSE(
        ERROR_OF(umw->CopyVorgang(QStringLiteral("R"), QStringLiteral("15.03.2005"), number)).isEmpty());
    EXPECT_NE(vorgang().State(), DataSetState::Insert);
    vorgang().First(); // a move saves nothing
    vorgang().Last();
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang1")), 1);
}

TEST_F(Conversion, SaysWhetherItMadeADocument)
{
    contract(0);
    QString number = QStringLiteral("10007");
    EXPECT_FALSE(umw->CopyVorgang(QStringLiteral("R"), QStringLiteral("15.03.2005"), number));
    EXPECT_EQ(number, QStringLiteral("10007"));
    contract(1);
    EXPECT_TRUE(umw->CopyVorgang(QStringLiteral("R"), QStringLiteral("15.03.2005"), number));
    EXPECT_EQ(number, QStringLiteral("10000"));
}

TEST_F(Conversion, NoNumberLeftMakesNothing)
{
    const qint64 source = contract(2);
    db->exec(QStringLiteral("insert into Vorgang1 (typ, vorgangnr) values ('R', '999999999999999')"));
    QString number = QStringLiteral("vorher");
    const QString message =
        ERROR_OF(umw->CopyVorgang(QStringLiteral("R"), QStringLiteral("15.03.2005"), number));
    EXPECT_TRUE(message.contains(QStringLiteral("'Rechnung'"))) << message.toStdString();
    EXPECT_EQ(number, QStringLiteral("vorher"));
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang1 where typ = 'R'")), 1);
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang2")), 2);
    EXPECT_EQ(vorgang().State(), DataSetState::Browse);
    vorgang().setFilter(QStringLiteral("id = %1").arg(source));
    EXPECT_TRUE(vorgang().FindFirst()) << "the contract is still there to be found";
    EXPECT_EQ(positions().RecordCount(), 2);
}

// The copy saves its positions one by one but computes the totals once; what
// is stored must be what a computation after every position gave.
TEST_F(Conversion, TotalsOfTheCopyAreThoseOfAllItsPositions)
{
    newDocument(QStringLiteral("V"));
    doc("kdnr")->SetAsInteger(7);
    addPosition(10, 15, 3);
    addPosition(2.5, 4, 0.5);
    addPosition(0.33333, 0.33333, 1);
    vorgang().Post();
    QString number;
    ASSERT_TRUE(umw->CopyVorgang(QStringLiteral("R"), QStringLiteral("15.03.2005"), number));
    EXPECT_DOUBLE_EQ(doc("ek")->AsFloat(), 31.5833);
    EXPECT_DOUBLE_EQ(doc("vk")->AsFloat(), 47.33);
    EXPECT_DOUBLE_EQ(db->scalar(QStringLiteral("select vk from vorgang1 where typ = 'R'")).toDouble(), 47.33);
    EXPECT_DOUBLE_EQ(doc("mwst")->AsFloat(), 7.57);
    // Positions saved afterwards recompute the totals again.
    addPosition(1, 1, 1);
    EXPECT_DOUBLE_EQ(doc("vk")->AsFloat(), 48.33);
}

TEST_F(Conversion, ReferenceEmptiesWithItsOwner)
{
    auto owner = std::make_unique<QObject>();
    Fumw = new TFumw(owner.get());
    EXPECT_FALSE(Fumw.isNull());
    owner.reset();
    EXPECT_TRUE(Fumw.isNull());
}

} // namespace
