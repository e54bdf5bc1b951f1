// SPDX-License-Identifier: GPL-3.0-or-later
// The invoice journal for the tax advisor: every invoice and credit note of
// the period with its state, tax case, net and VAT per rate, two decimals.
#include "lists/core/invoicejournal.h"

#include "base/apperror.h"
#include "base/textfiles.h"
#include "tests/dbfixture.h"
#include "tests/modulesfixture.h"

namespace {

class Journal : public ModulesFixture
{
  protected:
    // A document with its positions (quantity, price, rate, category).
    void document(const char *typ, const char *nr, const char *datum, const char *state,
                  std::initializer_list<std::tuple<double, double, double, const char *>> lines,
                  const char *fall = "S")
    {
        db->exec(QStringLiteral(
                     "insert into Vorgang1 (typ, vorgangnr, kdnr, datum, bezahlt, storniert, "
                     "Steuerfall, Rundung, Waehrung) values ('%1', '%2', 7, '%3', %4, %5, '%6', 1, '€')")
                     .arg(QString::fromLatin1(typ), QString::fromLatin1(nr), QString::fromLatin1(datum))
                     .arg(QByteArray(state) == "bezahlt" ? QStringLiteral("true") : QStringLiteral("false"))
                     .arg(QByteArray(state) == "storniert" ? QStringLiteral("true") : QStringLiteral("false"))
                     .arg(QString::fromLatin1(fall)));
        const qint64 id = db->scalar(QStringLiteral("select max(id) from Vorgang1")).rawInt();
        int pos = 0;
        for (const auto &[anzahl, preis, rate, kat] : lines)
            db->exec(QStringLiteral("insert into Vorgang2 (vorgangID, Pos, anzahl, Preis, MwstSatz, MwstKat) "
                                    "values (%1, %2, %3, %4, %5, '%6')")
                         .arg(id)
                         .arg(++pos)
                         .arg(anzahl)
                         .arg(preis)
                         .arg(rate)
                         .arg(QString::fromLatin1(kat)));
    }
};

} // namespace

TEST_F(Journal, EveryInvoiceAndCreditNoteOfThePeriodWithItsStateAndRates)
{
    db->exec(QStringLiteral("insert into Adress (KDNR, NAME1, VORNAME) values (7, 'Müller; Söhne', '')"));
    document("R", "10000", "2026-01-05", "bezahlt", {{2, 60, 19, "S"}, {1, 10, 7, "S"}});
    document("R", "10001", "2026-02-10", "offen", {{1, 120, 19, "S"}});
    document("R", "10002", "2026-02-11", "storniert", {{1, 142.8, 19, "S"}});
    document("G", "4000", "2026-03-01", "offen", {{1, 50, 19, "S"}});
    document("R", "10003", "2026-03-02", "offen", {{3, 33.33, 0, "E"}}, "E");
    document("A", "5000", "2026-02-01", "offen", {{1, 99, 19, "S"}});
    document("R", "9999", "2025-12-31", "offen", {{1, 1, 19, "S"}});
    const QByteArray bytes =
        InvoiceJournal::encode(addresses->Datenbank, QDate(2026, 1, 1), QDate(2026, 3, 31));
    const QStringList lines = TextFiles::decode(bytes).split(QStringLiteral("\r\n"));
    EXPECT_EQ(
        lines,
        (QStringList{
            QStringLiteral("Rechnungsnr;Art;Datum;Kunde;Kd-Nr;Status;Steuerfall;Netto 0 % E;USt 0 % E;"
                           "Netto 7 % S;USt 7 % S;Netto 19 % S;USt 19 % S;Netto;USt;Brutto"),
            QStringLiteral(
                "10000;Rechnung;05.01.2026;\"Müller; Söhne\";7;bezahlt;Regelbesteuerung;;;10,00;0,70;120,00;"
                "22,80;130,00;23,50;153,50"),
            QStringLiteral(
                "10001;Rechnung;10.02.2026;\"Müller; Söhne\";7;offen;Regelbesteuerung;;;;;120,00;22,80;"
                "120,00;22,80;142,80"),
            QStringLiteral(
                "10002;Rechnung;11.02.2026;\"Müller; Söhne\";7;storniert;Regelbesteuerung;;;;;142,80;27,13;"
                "142,80;27,13;169,93"),
            QStringLiteral(
                "4000;Gutschrift;01.03.2026;\"Müller; Söhne\";7;offen;Regelbesteuerung;;;;;-50,00;-9,50;"
                "-50,00;-9,50;-59,50"),
            QStringLiteral("10003;Rechnung;02.03.2026;\"Müller; Söhne\";7;offen;Kleinunternehmer (§ 19 "
                           "UStG);99,99;0,00;;;;;99,99;"
                           "0,00;99,99"),
            QString()}))
        << bytes.toStdString();
    EXPECT_TRUE(bytes.contains("M\xfcller")) << "Windows-1252 as the list's export";
}
