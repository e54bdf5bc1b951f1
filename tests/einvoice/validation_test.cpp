// SPDX-License-Identifier: GPL-3.0-or-later
// Every e-invoice the program writes passes the validator of the German public
// administration (schema, EN 16931 and XRechnung rules): all invoices and credit
// notes of the demo data, written by the command, and the hard cases, all
// checked in one run of the validator.
#include "einvoicefixture.h"
#include "tests/commandrun.h"
#include "validation.h"

#include "base/apperror.h"
#include "data/tax.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <string_view>

namespace {

using Validation = EInvoiceFixture;

void save(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST_F(Validation, DemoDocumentsAndHardCasesPassTheValidator)
{
    QTemporaryDir out;
    QStringList files;

    // The demo's invoices and credit notes, through the command with the sample firm's settings.
    TestDb demo(true);
    auto ids = demo.raw().prepare(QStringLiteral(
        "select id, typ from Vorgang1 where typ in ('R', 'G') and storniert = false order by id"));
    int credits = 0;
    while (ids->step()) {
        const QString id = QString::number(ids->columnDynamic(0).rawInt());
        credits += ids->columnDynamic(1).rawText() == QLatin1String("G");
        const QString file = out.filePath(QStringLiteral("demo-%1.xml").arg(id));
        const CommandRun p =
            tavirel({QStringLiteral("xrechnung"), id, file, QStringLiteral("--db"), demo.path()});
        EXPECT_EQ(p.status, 0) << id.toStdString() << ": " << p.err.toStdString();
        files << file;
    }
    EXPECT_GE(files.size(), 25);
    EXPECT_GE(credits, 3);

    // The hard cases.
    address(1, "Größe & Partner \"Steuer\" <mbB>", "34119", "Kassel", "info@groesse-partner.de");
    db->raw().exec(QStringLiteral("update Adress set NAMEN = 'Büro ''Süd''' where KDNR = 1"));
    address(2, "Müller");
    db->raw().exec(
        QStringLiteral("update Adress set KontoNr = 'DE08 5201 2345 0098 7842 01' where KDNR = 2"));
    insert("ERechnung", {{"KDNR", Value(2.0)}, {"Referenz", t("06633004-0001-87")}});

    const qint64 rounding = document("R", 2, "10001");
    position(rounding, 1, 0.333, 1.00);
    position(rounding, 2, 0.333, 1.00);
    const qint64 textOnly = document("R", 2, "10002");
    position(textOnly, 1, 0, 0, "", "Hinweis", "Nur Text & \"Zeichen\"");
    position(textOnly, 2, 1.5, 62, "h", "Arbeitsstunde");
    const qint64 umlauts = document("R", 1, "10003");
    position(umlauts, 1, 1, 19.9, "Stk", "Thermostatkopf \"M30\" & Fühler");
    position(umlauts, 2, 1, -5, "Psch", "Nachlass");
    const qint64 debit = document("R", 2, "10004");
    db->raw().exec(
        QStringLiteral("update Vorgang1 set Fusstext = 'Der Betrag wird per Lastschrift eingezogen.', "
                       "Zahlungsart = '59' where id = %1")
            .arg(debit));
    position(debit, 1, 1, 24.9, "Mon");
    const qint64 credit = document("G", 1, "4000");
    position(credit, 1, 2, 12.345, "kg");
    const qint64 large = document("R", 2, "10005");
    db->raw().begin();
    for (int i = 1; i <= 1000; ++i)
        position(large, i, (i % 7) * 0.5 + 0.25, 0.01 * (i % 997) + 0.333, i % 3 ? "Stk" : "h");
    db->raw().commit();
    for (const qint64 id : {rounding, textOnly, umlauts, debit, credit, large}) {
        const QString file = out.filePath(QStringLiteral("case-%1.xml").arg(id));
        save(file, xml(id));
        files << file;
    }
    const EInvoice big = load(large);
    EXPECT_EQ(big.lines.size(), 1000);
    qint64 sum = 0;
    for (const EInvoiceLine &l : big.lines)
        sum += l.netCents;
    EXPECT_EQ(big.lineTotalCents, sum);
    EXPECT_EQ(big.grandTotalCents, sum + EInvoice::vatOf(sum, 19));

    const ValidationRun v = ValidateEInvoices(files);
    EXPECT_EQ(v.exitCode, 0) << v.output.toStdString();
    EXPECT_EQ(v.output.count(QStringLiteral("valid: CII D16B schema")), files.size())
        << v.output.toStdString();
}

TEST_F(Validation, TaxCasesGiveTheirBreakdownReasonsAndParties)
{
    const struct
    {
        const char *name, *land, *ustid, *anschrift;
        std::initializer_list<std::pair<double, const char *>> positions; // rate and category
        const char *from, *to;                                            // date of supply or period
        const char *breakdown, *reasons, *buyerVatId, *shipTo;
    } cases[] = {
        {"Bäckerei", "", "", "", {{7, "S"}, {19, "S"}, {7, "S"}}, "2026-02-27", "", "S 7, S 19", "", "", ""},
        {"§ 19", "", "", "", {{19, "E"}}, "", "", "E 0", "", "", ""},
        {"§ 13b", "", "DE 136 695 976", "", {{19, "AE"}}, "", "", "AE 0", "VATEX-EU-AE", "DE136695976", ""},
        {"EU",
         "AT",
         "ATU12345678",
         "Alpen Haustechnik GmbH\r\nEinkauf\r\nHauptplatz 1\r\n\r\n6020 Innsbruck\r\nÖSTERREICH",
         {{19, "K"}},
         "",
         "",
         "K 0",
         "VATEX-EU-IC",
         "ATU12345678",
         "AT"},
        // The block as the program writes it now, without the empty line before the town.
        {"EU ohne Leerzeile",
         "AT",
         "ATU12345678",
         "Alpen Haustechnik GmbH\rEinkauf\rHauptplatz 1\r6020 Innsbruck\rÖSTERREICH",
         {{19, "K"}},
         "",
         "",
         "K 0",
         "VATEX-EU-IC",
         "ATU12345678",
         "AT"},
        {"Ausfuhr", "CH", "", "", {{19, "G"}, {19, "G"}}, "", "", "G 0", "VATEX-EU-G", "", ""},
        {"Vertrag", "", "", "", {{19, "S"}}, "2026-03-01", "2026-03-31", "S 19", "", "", ""},
        // Fees of a reminder: no VAT id of either party, no rate (BR-O-*).
        {"Mahnung", "", "DE 136 695 976", "", {{0, "O"}, {0, "O"}}, "", "", "O 0", "VATEX-EU-O", "", ""},
    };
    // Without its VAT id an invoice not subject to VAT names the seller by its register entry.
    SellerData seller = EInvoiceFixture::seller();
    seller.Handelsregister = QStringLiteral("HRB 4711, Amtsgericht Kassel");
    QTemporaryDir out;
    QStringList xrechnung, zugferd;
    qint64 kdnr = 0, bakery = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        address(++kdnr, c.name);
        db->raw().exec(QStringLiteral("update Adress set LAND = '%1', USTID = '%2' where KDNR = %3")
                           .arg(QLatin1String(c.land), QLatin1String(c.ustid))
                           .arg(kdnr));
        const qint64 id = document("R", kdnr, QByteArray::number(20000 + kdnr).constData());
        if (!bakery) bakery = id;
        db->raw().exec(
            QStringLiteral("update Vorgang1 set anschrift = '%1', leistungsdatum = %2, "
                           "leistungbis = %3 where id = %4")
                .arg(QString::fromUtf8(c.anschrift),
                     *c.from ? QStringLiteral("'%1'").arg(QLatin1String(c.from)) : QStringLiteral("null"),
                     *c.to ? QStringLiteral("'%1'").arg(QLatin1String(c.to)) : QStringLiteral("null"))
                .arg(id));
        int pos = 0;
        for (const auto &[rate, category] : c.positions) {
            ++pos;
            position(id, pos, 3, 4.15 + pos);
            db->raw().exec(QStringLiteral("update Vorgang2 set MwstSatz = %1, MwstKat = '%2' "
                                          "where vorgangID = %3 and Pos = %4")
                               .arg(rate)
                               .arg(QLatin1String(category))
                               .arg(id)
                               .arg(pos));
        }
        const bool notSubject = c.positions.begin()->second == std::string_view("O");
        if (notSubject) {
            EXPECT_TRUE(ERROR_OF(load(id)).contains(QStringLiteral("(Handelsregister, Kennung)")));
        }
        const QByteArray x = CiiWriter::write(load(id, seller), CiiWriter::Profile::XRechnung);
        EXPECT_EQ(text(x, "SellerTradeParty/SpecifiedTaxRegistration/ID").isEmpty(), notSubject);
        EXPECT_EQ(texts(x, "SpecifiedLineTradeSettlement/ApplicableTradeTax/RateApplicablePercent").size(),
                  notSubject ? 0 : qsizetype(c.positions.size()));
        QStringList breakdown;
        const QStringList rates =
            texts(x, "ApplicableHeaderTradeSettlement/ApplicableTradeTax/RateApplicablePercent");
        const QStringList categories =
            texts(x, "ApplicableHeaderTradeSettlement/ApplicableTradeTax/CategoryCode");
        for (int i = 0; i < categories.size(); ++i)
            breakdown << categories.at(i) + u' ' + rates.value(i);
        EXPECT_EQ(breakdown.join(QStringLiteral(", ")), QString::fromUtf8(c.breakdown));
        EXPECT_EQ(texts(x, "ExemptionReasonCode").join(u','), QString::fromUtf8(c.reasons));
        QStringList notes; // the reason the print gives, for each tax-free category
        for (const QString &category : categories)
            if (Tax::isTaxFreeCategory(category)) notes << Tax::legalNote(category);
        EXPECT_EQ(texts(x, "ExemptionReason"), notes);
        EXPECT_EQ(text(x, "BuyerTradeParty/SpecifiedTaxRegistration/ID"), QString::fromUtf8(c.buyerVatId));
        EXPECT_EQ(text(x, "ShipToTradeParty/PostalTradeAddress/CountryID"), QString::fromUtf8(c.shipTo));
        const QDate from = QDate::fromString(QString::fromLatin1(c.from), Qt::ISODate);
        EXPECT_EQ(text(x, "ActualDeliverySupplyChainEvent/OccurrenceDateTime/DateTimeString"),
                  *c.to ? QString() : (from.isValid() ? from : QDate(2026, 3, 2)).toString(u"yyyyMMdd"));
        EXPECT_EQ(text(x, "BillingSpecifiedPeriod/EndDateTime/DateTimeString"),
                  QString::fromLatin1(c.to).remove(u'-'));
        if (*c.anschrift) {
            EXPECT_EQ(text(x, "BuyerTradeParty/Name"), QStringLiteral("Alpen Haustechnik GmbH"));
            EXPECT_EQ(text(x, "BuyerTradeParty/PostalTradeAddress/LineTwo"), QStringLiteral("Einkauf"));
            EXPECT_EQ(text(x, "BuyerTradeParty/PostalTradeAddress/CityName"), QStringLiteral("Innsbruck"));
            EXPECT_EQ(text(x, "BuyerTradeParty/PostalTradeAddress/CountryID"), QStringLiteral("AT"));
        }
        const QString file = out.filePath(QStringLiteral("%1.xml").arg(id));
        save(file, x);
        xrechnung << file;
        save(file + QStringLiteral(".zugferd"),
             CiiWriter::write(load(id, seller), CiiWriter::Profile::EN16931));
        zugferd << file + QStringLiteral(".zugferd");
    }
    // A fee not subject to VAT beside taxable positions cannot be expressed.
    position(bakery, 4, 1, 5);
    db->raw().exec(
        QStringLiteral("update Vorgang2 set MwstSatz = 0, MwstKat = 'O' where vorgangID = %1 and Pos = 4")
            .arg(bakery));
    EXPECT_TRUE(
        ERROR_OF(load(bakery))
            .endsWith(QStringLiteral("\nPosition 4 ist nicht steuerbar (Kategorie O), die übrigen sind "
                                     "es; eine E-Rechnung darf nicht steuerbare Positionen nur ohne "
                                     "andere enthalten. Bitte sie in eine eigene Rechnung stellen.")));
    for (const bool en16931 : {false, true}) {
        const QStringList &files = en16931 ? zugferd : xrechnung;
        const ValidationRun v = ValidateEInvoices(files, en16931);
        EXPECT_EQ(v.exitCode, 0) << v.output.toStdString();
        EXPECT_EQ(v.output.count(QStringLiteral("valid: CII D16B schema")), files.size())
            << v.output.toStdString();
    }
}

} // namespace
