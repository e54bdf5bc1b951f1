// SPDX-License-Identifier: GPL-3.0-or-later
// What a document becomes as XRechnung: EN 16931's cent arithmetic beside the
// print's four-decimal sums, lines and notes, units, the parties and their
// escaping, and how the buyer is asked to pay.
#include "einvoicefixture.h"

#include "base/apperror.h"

#include <QFile>

namespace {

using XRechnung = EInvoiceFixture;

TEST_F(XRechnung, CentArithmeticRoundsEachLineBeforeSumming)
{
    EXPECT_EQ(EInvoice::lineCents(0.333, 1.0), 33);
    EXPECT_EQ(EInvoice::lineCents(1.005, 1.0), 101) << "the binary noise of 1.005 decides no half cent";
    EXPECT_EQ(EInvoice::lineCents(2.5, 0.03), 8);
    EXPECT_EQ(EInvoice::lineCents(-0.5, 0.01), -1) << "halves away from zero";
    EXPECT_EQ(EInvoice::lineCents(3, 24.9), 7470);
    EXPECT_EQ(EInvoice::vatOf(66, 19), 13);
    EXPECT_EQ(EInvoice::vatOf(-250, 19), -48);
    EXPECT_EQ(EInvoice::amountText(-7), QStringLiteral("-0.07"));
    EXPECT_EQ(EInvoice::amountText(123450), QStringLiteral("1234.50"));
}

TEST_F(XRechnung, TwoPositionsOfAThirdGiveTheStandardsTotals)
{
    // Each line rounded first, as EN 16931 and this version's print do:
    // 0,33 + 0,33 = 0,66, VAT 0,13, gross 0,79.
    address(1, "Müller");
    const qint64 id = document("R", 1);
    position(id, 1, 0.333, 1.00);
    position(id, 2, 0.333, 1.00);
    const QByteArray x = xml(id);
    EXPECT_EQ(texts(x, "IncludedSupplyChainTradeLineItem/SpecifiedLineTradeSettlement/"
                       "SpecifiedTradeSettlementLineMonetarySummation/LineTotalAmount"),
              QStringList({QStringLiteral("0.33"), QStringLiteral("0.33")}));
    EXPECT_EQ(texts(x, "BilledQuantity"), QStringList({QStringLiteral("0.333"), QStringLiteral("0.333")}));
    const QString sums = QStringLiteral("SpecifiedTradeSettlementHeaderMonetarySummation/");
    EXPECT_EQ(text(x, sums + QStringLiteral("LineTotalAmount")), QStringLiteral("0.66"));
    EXPECT_EQ(text(x, sums + QStringLiteral("TaxBasisTotalAmount")), QStringLiteral("0.66"));
    EXPECT_EQ(text(x, sums + QStringLiteral("TaxTotalAmount")), QStringLiteral("0.13"));
    EXPECT_EQ(text(x, sums + QStringLiteral("GrandTotalAmount")), QStringLiteral("0.79"));
    EXPECT_EQ(text(x, sums + QStringLiteral("DuePayableAmount")), QStringLiteral("0.79"));
    EXPECT_EQ(text(x, "ApplicableHeaderTradeSettlement/ApplicableTradeTax/BasisAmount"),
              QStringLiteral("0.66"));
    EXPECT_EQ(text(x, "ApplicableHeaderTradeSettlement/ApplicableTradeTax/CalculatedAmount"),
              QStringLiteral("0.13"));
}

TEST_F(XRechnung, TextOnlyPositionsBecomeNotesBetweenHeaderAndFooterText)
{
    address(1, "Müller");
    const qint64 id = document("R", 1);
    // Saved in another order than numbered: the lines follow the numbers.
    position(id, 3, 1, 35.0, "Psch", "Anfahrt");
    position(id, 1, 2, 62.0, "h", "Arbeitsstunde Monteur", "Arbeitsstunde Monteur\r\nnach Aufwand");
    position(id, 2, 0, 0, "", "Hinweis", "Die Anlage wurde am 27.02. geprüft.\r\nProtokoll liegt bei.");
    const QByteArray x = xml(id);
    EXPECT_EQ(texts(x, "ExchangedDocument/IncludedNote/Content"),
              QStringList({QStringLiteral("Für die ausgeführten Arbeiten berechnen wir Ihnen:"),
                           QStringLiteral("Die Anlage wurde am 27.02. geprüft.\nProtokoll liegt bei."),
                           QStringLiteral("Vielen Dank für Ihren Auftrag.")}));
    EXPECT_EQ(texts(x, "AssociatedDocumentLineDocument/LineID"),
              QStringList({QStringLiteral("1"), QStringLiteral("3")}))
        << "lines keep their position numbers";
    EXPECT_EQ(texts(x, "SpecifiedTradeProduct/Name"),
              QStringList({QStringLiteral("Arbeitsstunde Monteur"), QStringLiteral("Anfahrt")}));
    EXPECT_EQ(texts(x, "SpecifiedTradeProduct/Description"), QStringList({QStringLiteral("nach Aufwand")}))
        << "the title is not repeated as description";
    EXPECT_EQ(text(x, "SpecifiedTradeSettlementHeaderMonetarySummation/LineTotalAmount"),
              QStringLiteral("159.00"));
}

TEST_F(XRechnung, UnitsMapToTheirCodesAndANegativePriceToANegativeQuantity)
{
    address(1, "Müller");
    const qint64 id = document("R", 1);
    position(id, 1, 1.5, 62.0, "h");
    position(id, 2, 2, 23.5, "STK");
    position(id, 3, 12.5, 11.8, "m");
    position(id, 4, 1, -10.0, "Psch", "Nachlass");
    const QByteArray x = xml(id);
    QStringList units;
    QXmlStreamReader r(x);
    while (!r.atEnd())
        if (r.readNext() == QXmlStreamReader::StartElement && r.name() == QLatin1String("BilledQuantity"))
            units << r.attributes().value(QLatin1String("unitCode")).toString();
    EXPECT_EQ(units, QStringList({QStringLiteral("HUR"), QStringLiteral("H87"), QStringLiteral("MTR"),
                                  QStringLiteral("LS")}));
    EXPECT_EQ(texts(x, "BilledQuantity").last(), QStringLiteral("-1"));
    EXPECT_EQ(texts(x, "NetPriceProductTradePrice/ChargeAmount").last(), QStringLiteral("10.00"));
    EXPECT_EQ(texts(x, "SpecifiedTradeSettlementLineMonetarySummation/LineTotalAmount").last(),
              QStringLiteral("-10.00"));
    EXPECT_EQ(text(x, "SpecifiedTradeSettlementHeaderMonetarySummation/LineTotalAmount"),
              QStringLiteral("277.50"))
        << "93,00 + 47,00 + 147,50 - 10,00";
}

TEST_F(XRechnung, NamesWithUmlautsQuotesAndAmpersandsComeBackUnchanged)
{
    const QString name = QStringLiteral("Größe & Partner \"Steuer\" <mbB> 'Kassel'");
    address(1, "x");
    db->raw().exec(QStringLiteral("update Adress set NAME1 = 'Größe & Partner \"Steuer\" <mbB> ''Kassel''', "
                                  "NAMEN = 'Büro\r\nÄußere Straße', VORNAME = NULL where KDNR = 1"));
    const qint64 id = document("R", 1);
    position(id, 1, 1, 10, "Stk", "Ventil \"Typ A\" & Zubehör",
             "Ventil \"Typ A\" & Zubehör\nmit\x01 Dichtung");
    const QByteArray x = xml(id);
    EXPECT_EQ(text(x, "BuyerTradeParty/Name"), name);
    EXPECT_EQ(text(x, "BuyerTradeParty/PostalTradeAddress/LineTwo"), QStringLiteral("Büro, Äußere Straße"));
    EXPECT_EQ(text(x, "SpecifiedTradeProduct/Name"), QStringLiteral("Ventil \"Typ A\" & Zubehör"));
    EXPECT_EQ(text(x, "SpecifiedTradeProduct/Description"), QStringLiteral("mit Dichtung"))
        << "a control character XML cannot carry is left out";
    EXPECT_TRUE(x.contains("Gr\xC3\xB6\xC3\x9F"
                           "e &amp; Partner"))
        << "UTF-8, the ampersand escaped";
}

TEST_F(XRechnung, BuyerDataOfItsOwnOverridesTheAddresssDefaults)
{
    address(7, "Gemeinde Fuldabrück", "34277", "Fuldabrück", "info@fuldabrueck.de");
    const qint64 id = document("R", 7);
    position(id, 1, 1, 100);
    QByteArray x = xml(id);
    EXPECT_EQ(text(x, "BuyerReference"), QStringLiteral("7")) << "the customer number by default";
    EXPECT_EQ(text(x, "BuyerTradeParty/URIUniversalCommunication/URIID"),
              QStringLiteral("info@fuldabrueck.de"));

    insert("ERechnung", {{"KDNR", Value(7.0)}, {"Referenz", t("06633004-0001-87")}});
    x = xml(id);
    EXPECT_EQ(text(x, "BuyerReference"), QStringLiteral("06633004-0001-87"));
    EXPECT_EQ(text(x, "BuyerTradeParty/URIUniversalCommunication/URIID"),
              QStringLiteral("info@fuldabrueck.de"))
        << "an empty e-mail of its own keeps the address's";

    db->raw().exec(QStringLiteral("update ERechnung set Referenz = '06633004-0001-78'"));
    EXPECT_TRUE(ERROR_OF(load(id)).contains(QStringLiteral("Leitweg-ID \"06633004-0001-78\"")));
    EXPECT_FALSE(EInvoice::isBadLeitwegId(QStringLiteral("991-33333TEST-33")));

    db->raw().exec(QStringLiteral("update ERechnung set Email = 'rechnung@fuldabrueck.de', "
                                  "Referenz = '06633004-0001-87'"));
    EXPECT_EQ(text(xml(id), "BuyerTradeParty/URIUniversalCommunication/URIID"),
              QStringLiteral("rechnung@fuldabrueck.de"));
}

TEST_F(XRechnung, PaymentByTransferDirectDebitOrAsAgreedForCreditNotes)
{
    address(1, "Müller");
    db->raw().exec(
        QStringLiteral("update Adress set KontoNr = 'DE08 5201 2345 0098 7842 01' where KDNR = 1"));
    const qint64 invoice = document("R", 1, "10001");
    position(invoice, 1, 1, 24.9);
    QByteArray x = xml(invoice);
    EXPECT_EQ(text(x, "SpecifiedTradeSettlementPaymentMeans/TypeCode"), QStringLiteral("58"));
    EXPECT_EQ(text(x, "PayeePartyCreditorFinancialAccount/IBANID"), QStringLiteral("DE38520123450004711800"));
    EXPECT_EQ(text(x, "SpecifiedTradePaymentTerms/Description"),
              QStringLiteral("Zahlung fällig bis 16.03.2026."));
    EXPECT_EQ(text(x, "SpecifiedTradePaymentTerms/DueDateDateTime/DateTimeString"),
              QStringLiteral("20260316"));

    // A footer that speaks of a direct debit changes nothing: the document's payment means decides.
    db->raw().exec(
        QStringLiteral("update Vorgang1 set Fusstext = 'Der Betrag wird per SEPA-Lastschrift eingezogen.' "
                       "where id = %1")
            .arg(invoice));
    EXPECT_EQ(text(xml(invoice), "SpecifiedTradeSettlementPaymentMeans/TypeCode"), QStringLiteral("58"));
    db->raw().exec(QStringLiteral("update Vorgang1 set Zahlungsart = '59' where id = %1").arg(invoice));
    x = xml(invoice);
    EXPECT_EQ(text(x, "SpecifiedTradeSettlementPaymentMeans/TypeCode"), QStringLiteral("59"));
    EXPECT_EQ(text(x, "PayerPartyDebtorFinancialAccount/IBANID"), QStringLiteral("DE08520123450098784201"));
    EXPECT_EQ(text(x, "CreditorReferenceID"), QStringLiteral("DE98ZZZ09999999999"));
    EXPECT_EQ(text(x, "DirectDebitMandateID"), QStringLiteral("1"));
    EXPECT_TRUE(texts(x, "PayeePartyCreditorFinancialAccount/IBANID").isEmpty());

    SellerData noCreditor = seller();
    noCreditor.GlaeubigerID.clear();
    EXPECT_TRUE(ERROR_OF(load(invoice, noCreditor)).contains(QStringLiteral("(GlaeubigerID)")));

    // Without a valid IBAN at the address there is nothing to debit: refused.
    db->raw().exec(QStringLiteral("update Adress set KontoNr = '4711' where KDNR = 1"));
    EXPECT_TRUE(ERROR_OF(load(invoice, seller())).contains(QStringLiteral("keine gültige IBAN")));
    // Nor is a cancelled invoice, one due before its date, or one with a negative total.
    db->raw().exec(QStringLiteral("update Vorgang1 set Zahlungsart = null where id = %1").arg(invoice));
    const struct
    {
        const char *table, *change, *message;
    } refused[] = {{"Vorgang1", "storniert = (1 = 1) where id = %1", "storniert"},
                   {"Vorgang1", "zieldatum = '2026-03-01' where id = %1", "vor dem Rechnungsdatum"},
                   {"Vorgang2", "Preis = -24.9 where vorgangID = %1", "Gutschrift"},
                   {"Vorgang2", "einheit = 'Fass' where vorgangID = %1", "Einheit \"Fass\""},
                   {"Vorgang2", "MwstKat = 'K' where vorgangID = %1", "USt-IdNr. des Kunden"},
                   {"Vorgang1", "anschrift = 'Müller' where id = %1", "Anschrift"},
                   {"Vorgang1", "anschrift = 'Müller\nHauptstraße 1\nKassel' where id = %1", "Anschrift"},
                   {"Vorgang1", "leistungsdatum = '2026-03-31', leistungbis = '2026-03-01' where id = %1",
                    "Leistungszeitraum"}};
    for (const auto &r : refused) {
        const auto change = [&](const char *table, const char *what) {
            db->raw().exec(QStringLiteral("update %1 set %2")
                               .arg(QLatin1String(table), QLatin1String(what))
                               .arg(invoice));
        };
        change(r.table, r.change);
        EXPECT_TRUE(ERROR_OF(load(invoice, seller())).contains(QString::fromUtf8(r.message))) << r.change;
        change("Vorgang1", "storniert = (1 = 0), zieldatum = '2026-03-16', anschrift = null, "
                           "leistungsdatum = null, leistungbis = null where id = %1");
        change("Vorgang2", "Preis = 24.9, einheit = 'Stk', MwstKat = null where vorgangID = %1");
    }

    db->raw().exec(QStringLiteral("update Vorgang1 set zieldatum = null where id = %1").arg(invoice));
    x = xml(invoice);
    EXPECT_TRUE(texts(x, "DueDateDateTime").isEmpty()) << "none is invented";
    EXPECT_EQ(text(x, "SpecifiedTradePaymentTerms/Description"),
              QStringLiteral("Zahlbar sofort ohne Abzug."));

    const qint64 credit = document("G", 1, "4000");
    position(credit, 1, 1, 50);
    SellerData noAccount = seller();
    noAccount.IBAN.clear();
    x = CiiWriter::write(load(credit, noAccount), CiiWriter::Profile::XRechnung);
    EXPECT_EQ(text(x, "ExchangedDocument/TypeCode"), QStringLiteral("381"));
    EXPECT_EQ(text(x, "SpecifiedTradeSettlementPaymentMeans/TypeCode"), QStringLiteral("1"));
    EXPECT_TRUE(texts(x, "SpecifiedTradePaymentTerms/Description").isEmpty())
        << "the print has no payment line";
    EXPECT_EQ(text(x, "SpecifiedTradePaymentTerms/DueDateDateTime/DateTimeString"),
              QStringLiteral("20260316"));
}

TEST_F(XRechnung, ProfilesDifferOnlyInTheirIdentifiers)
{
    address(1, "Müller");
    const qint64 id = document("R", 1);
    position(id, 1, 1, 10);
    const QByteArray xr = xml(id, CiiWriter::Profile::XRechnung);
    const QByteArray en = xml(id, CiiWriter::Profile::EN16931);
    EXPECT_EQ(text(xr, "GuidelineSpecifiedDocumentContextParameter/ID"),
              QStringLiteral("urn:cen.eu:en16931:2017#compliant#urn:xeinkauf.de:kosit:xrechnung_3.0"));
    EXPECT_EQ(text(en, "GuidelineSpecifiedDocumentContextParameter/ID"),
              QStringLiteral("urn:cen.eu:en16931:2017"));
    EXPECT_EQ(texts(xr, "SupplyChainTradeTransaction"), texts(en, "SupplyChainTradeTransaction"));
}

TEST_F(XRechnung, SettingsSectionIsReadAndChecked)
{
    const QString ini = db->folder() + QStringLiteral("/tavirel.ini");
    SellerData s = SellerData::read(ini);
    EXPECT_EQ(s.Land, QStringLiteral("DE")) << "a missing file reads as defaults";
    EXPECT_EQ(s.missing(true).size(), 10);

    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[erechnung]\nfirma = Tavirel Haustechnik GmbH\nStrasse=Lindenstra\xC3\x9F"
            "e 12\nPLZ=34117\nOrt=Kassel\n"
            "land=at\nSteuernummer=026 241 47118\nIBAN=DE38 5201 2345 0004 7118 01\nKontakt=Jana Albers\n"
            "Telefon=0561 471180\nEMail=info@tavirel.de\n");
    f.close();
    s = SellerData::read(ini);
    EXPECT_EQ(s.Firma, QStringLiteral("Tavirel Haustechnik GmbH"));
    EXPECT_EQ(s.Strasse, QStringLiteral("Lindenstraße 12"));
    EXPECT_EQ(s.Land, QStringLiteral("AT"));
    EXPECT_EQ(s.missing(false), QStringList({QStringLiteral(
                                    "Umsatzsteuer-Identifikationsnummer, Handelsregisternummer oder Kennung "
                                    "des Verkäufers (UStIdNr, Handelsregister, Kennung)")}))
        << "a tax number alone does not identify the seller";
    s.Handelsregister = QStringLiteral("HRB 4711, Amtsgericht Kassel");
    EXPECT_EQ(s.missing(false), QStringList());
    EXPECT_EQ(s.missing(true), QStringList({QStringLiteral("gültige IBAN (IBAN)")})) << "a wrong check digit";
    for (const auto &[land, ustid] : {std::pair("ZZ", ""), std::pair("DE", "284716392")}) {
        SellerData wrong = s;
        wrong.Land = QString::fromLatin1(land);
        wrong.UStIdNr = QString::fromLatin1(ustid);
        EXPECT_EQ(wrong.missing(false).size(), 1) << land << ustid;
    }
    EXPECT_TRUE(IsValidIban(QStringLiteral("DE38 5201 2345 0004 7118 00")));
    EXPECT_FALSE(IsValidIban(QStringLiteral("DE38 5201 2345 0004 7118 0ä")));
}

} // namespace
