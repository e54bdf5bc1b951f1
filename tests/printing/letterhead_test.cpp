// SPDX-License-Identifier: GPL-3.0-or-later
// The letterhead print of a document, read back from the PDF it becomes:
// what each document type prints, the sums and their rounding, the tax
// number line, the page header of later pages and the letterhead files.
#include "printfixture.h"

#include "base/apperror.h"
#include "data/programfolder.h"
#include "data/settings.h"
#include "lists/core/dunningrun.h"

#include <QRegularExpression>

TEST_F(PrintFixture, InvoiceAndOfferPrintTheirLinesSumsAndTerms)
{
    const qint64 invoice = document(QStringLiteral("R"), QStringLiteral("10005"));
    position(invoice, 1, QStringLiteral("Kupferrohr 15 x 1 mm"), 1.5, 11.8, QStringLiteral("m"));
    position(invoice, 2, QStringLiteral("Thermostatkopf"), 2, 1234.5);
    const QString text = printed(invoice);
    EXPECT_TRUE(text.contains(QStringLiteral("Rechnung R - 10005"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Gemeinde Fuldabrück Am Rathaus 2")));
    EXPECT_TRUE(text.contains(QStringLiteral("Kd.-Nr.: 1005")));
    EXPECT_TRUE(text.contains(QStringLiteral("USt-IdNr.: DE284716392")));
    EXPECT_TRUE(text.contains(QStringLiteral("Datum: 10.01.2005")));
    EXPECT_TRUE(text.contains(QStringLiteral("Pos Bezeichnung Menge Preis Gesamt")));
    EXPECT_TRUE(text.contains(QStringLiteral("1 Kupferrohr 15 x 1 mm 1,5 m 11,80 € 17,70 €")));
    EXPECT_TRUE(text.contains(QStringLiteral("2 Thermostatkopf 2 Stk 1.234,50 € 2.469,00 €")));
    // 2.486,70 net, 472,473 VAT, 2.959,173 gross.
    EXPECT_TRUE(text.contains(
        QStringLiteral("Nettobetrag 2.486,70 € + 19 % MWSt. 472,47 € Rechnungsbetrag 2.959,17 €")));
    EXPECT_TRUE(text.contains(QStringLiteral("Zahlung fällig bis 14.01.2005.")));
    EXPECT_TRUE(text.contains(QStringLiteral("Vielen Dank für Ihren Auftrag.")));
    EXPECT_TRUE(text.contains(QStringLiteral("Finanzamt Kassel"))) << "footer columns";
    EXPECT_TRUE(text.contains(QStringLiteral("DE38 5201 2345 0004 7118 00"))) << "the IBAN on one line";

    const qint64 offer = document(QStringLiteral("A"), QStringLiteral("5001"), QStringLiteral("01.03.2005"),
                                  QStringLiteral("31.03.2005"));
    position(offer, 1, QStringLiteral("Wartung"), 1, 100);
    const QString offerText = printed(offer);
    EXPECT_TRUE(offerText.contains(QStringLiteral("Angebot A - 5001")));
    EXPECT_TRUE(offerText.contains(QStringLiteral("Dieses Angebot ist bis zum 31.03.2005 gültig.")));
    EXPECT_FALSE(offerText.contains(QStringLiteral("Zahlung fällig")));

    // An invoice without a due date has no date to name: its payment line stays empty.
    const qint64 undated =
        document(QStringLiteral("R"), QStringLiteral("10011"), QStringLiteral("01.03.2005"), QString());
    EXPECT_FALSE(printed(undated).contains(QStringLiteral("fällig")));
}

TEST_F(PrintFixture, DeliveryNoteHasNoPricesNoSumsAndAnEmptyPaymentLine)
{
    const qint64 id = document(QStringLiteral("L"), QStringLiteral("10001"), QStringLiteral("10.01.2005"),
                               QStringLiteral("14.01.2005"), QStringLiteral("€"), QString(),
                               QStringLiteral("Ware erhalten: Datum, Unterschrift"));
    position(id, 1, QStringLiteral("Umwälzpumpe"), 8, 120);
    const QString text = printed(id);
    EXPECT_TRUE(text.contains(QStringLiteral("Lieferschein L - 10001"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Pos Bezeichnung Menge")));
    EXPECT_TRUE(text.contains(QStringLiteral("1 Umwälzpumpe 8 Stk")));
    EXPECT_FALSE(text.contains(QStringLiteral("Preis")));
    EXPECT_FALSE(text.contains(QStringLiteral("Gesamt")));
    EXPECT_FALSE(text.contains(QStringLiteral("€")));
    EXPECT_FALSE(text.contains(QStringLiteral("MWSt.")));
    EXPECT_FALSE(text.contains(QStringLiteral("fällig")));
    EXPECT_TRUE(text.contains(QStringLiteral("Ware erhalten: Datum, Unterschrift")));
}

TEST_F(PrintFixture, TypeGPrintsSumsWithoutPaymentLineButWithFooterText)
{
    const qint64 id = document(QStringLiteral("G"), QStringLiteral("4000"));
    position(id, 1, QStringLiteral("Gutschrift Rücksendung"), 1, 50);
    const auto pages = pagesOf(id);
    const QString text = printed(id);
    EXPECT_TRUE(
        text.contains(QStringLiteral("Nettobetrag 50,00 € + 19 % MWSt. 9,50 € Gutschriftsbetrag 59,50 €")))
        << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("fällig")));
    EXPECT_FALSE(text.contains(QStringLiteral("gültig")));
    // The footer text moves up into the payment line's place.
    const qreal gross = topOf(*pages, 1, QStringLiteral("59,50 €"));
    EXPECT_NEAR(topOf(*pages, 1, QStringLiteral("Vielen Dank für Ihren Auftrag.")), gross - 12.4 + 25.9 + 0.5,
                0.05);
}

TEST_F(PrintFixture, TextOnlyPositionsPrintNoPriceAndSumToZero)
{
    const qint64 id = document(QStringLiteral("R"), QStringLiteral("10002"));
    position(id, 1, QStringLiteral("Arbeiten laut Aufmaß"), 0, 25);
    position(id, 2, QStringLiteral("Hinweis zur Entsorgung"), 0, 0);
    // Typed only into the editor's grid: a title and no description.
    db->exec(QStringLiteral("insert into Vorgang2 (vorgangID, Pos, Titel, anzahl) values (%1, 3, "
                            "'Nur der Titel', 0)")
                 .arg(id));
    const QString text = printed(id);
    EXPECT_TRUE(text.contains(QStringLiteral("1 Arbeiten laut Aufmaß 0 Stk 2 Hinweis")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("3 Nur der Titel"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("25,00")));
    EXPECT_TRUE(
        text.contains(QStringLiteral("Nettobetrag 0,00 € + 19 % MWSt. 0,00 € Rechnungsbetrag 0,00 €")));
}

TEST_F(PrintFixture, SumsAreKeptInTenThousandthsAndShownHalfUp)
{
    const qint64 id = document(QStringLiteral("R"), QStringLiteral("10003"));
    position(id, 1, QStringLiteral("Kleinteil"), 0.333, 1);
    position(id, 2, QStringLiteral("Kleinteil"), 0.333, 1);
    TBvorgang form(&addresses->Datenbank);
    form.FormCreate(QString::number(id));
    const auto pages = form.Bericht.build();
    EXPECT_EQ(form.NetSum, 6660);
    EXPECT_EQ(form.TaxSum, 1265);
    EXPECT_EQ(form.GrossSum, 7925);
    EXPECT_TRUE(
        printed(id).contains(QStringLiteral("Nettobetrag 0,67 € + 19 % MWSt. 0,13 € Rechnungsbetrag 0,79 €")))
        << "net and VAT shown do not add up to the gross shown";
    // A second build starts its sums anew.
    form.Bericht.build();
    EXPECT_EQ(form.NetSum, 6660);
}

TEST_F(PrintFixture, VatLineNamesTheRateInUseAndAmountsTheirCurrency)
{
    ProgramValues::instance().MwstSatz = 16;
    const qint64 id = document(QStringLiteral("R"), QStringLiteral("10004"), QStringLiteral("10.01.2001"),
                               QStringLiteral("20.01.2001"), QStringLiteral("DM"));
    position(id, 1, QStringLiteral("Heizkörper"), 1, 1234.5);
    const QString text = printed(id);
    EXPECT_TRUE(text.contains(QStringLiteral("1 Heizkörper 1 Stk 1.234,50 DM 1.234,50 DM")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(
        QStringLiteral("Nettobetrag 1.234,50 DM + 16 % MWSt. 197,52 DM Rechnungsbetrag 1.432,02 DM")));
}

TEST_F(PrintFixture, EachTaxCasePrintsItsVatLinesNoteAndDateOfSupply)
{
    db->exec(QStringLiteral("delete from Adress where KDNR = 1005"));
    db->exec(QStringLiteral("insert into Adress (KDNR, NAME1, LAND, USTID) values (1005, 'Wien', 'AT', "
                            "'ATU12345678')"));
    const struct
    {
        const char *fall, *kat1, *kat2, *von, *bis;
        double rate1, rate2;
        const char *expected;
    } cases[] = {
        // A bakery: 7 % and 19 % on one invoice, each line's VAT apart.
        {"S", "S", "S", "'2026-03-02'", "null", 7, 19,
         "Nettobetrag 13,00 € + 7 % MWSt. auf 5,00 € 0,35 € + 19 % MWSt. auf 8,00 € 1,52 € Rechnungsbetrag "
         "14,87 € Leistungsdatum: "
         "02.03.2026"},
        {"S", "S", "S", "'2026-03-01'", "'2026-03-31'", 19, 19, "Leistungszeitraum: 01.03.2026 – 31.03.2026"},
        {"E", "E", "E", "null", "null", 0, 0,
         "Nettobetrag 13,00 € Rechnungsbetrag 13,00 € Leistungsdatum entspricht Rechnungsdatum Gemäß § 19 "
         "UStG wird keine Umsatzsteuer"},
        {"AE", "AE", "AE", "null", "null", 0, 0,
         "Steuerschuldnerschaft des Leistungsempfängers (§ 13b UStG) USt-IdNr. des Leistungsempfängers: "
         "ATU12345678"},
        {"K", "K", "K", "null", "null", 0, 0,
         "Steuerfreie innergemeinschaftliche Lieferung (§ 4 Nr. 1b UStG) USt-IdNr. des Leistungsempfängers: "
         "ATU12345678"},
        {"G", "G", "O", "null", "null", 0, 0,
         "Steuerfreie Ausfuhrlieferung (§ 4 Nr. 1a UStG) Zahlung fällig"},
    };
    int nr = 10100;
    for (const auto &c : cases) {
        const qint64 id = document(QStringLiteral("R"), QString::number(++nr));
        position(id, 1, QStringLiteral("Brot"), 1, 5);
        position(id, 2, QStringLiteral("Kaffee"), 1, 8);
        db->exec(QStringLiteral("update Vorgang1 set Steuerfall = '%1', Rundung = 1, leistungsdatum = %2, "
                                "leistungbis = %3 where id = %4")
                     .arg(QLatin1String(c.fall), QLatin1String(c.von), QLatin1String(c.bis))
                     .arg(id));
        for (int pos : {1, 2})
            db->exec(QStringLiteral("update Vorgang2 set MwstSatz = %1, MwstKat = '%2' where vorgangID = %3 "
                                    "and Pos = %4")
                         .arg(pos == 1 ? c.rate1 : c.rate2)
                         .arg(QLatin1String(pos == 1 ? c.kat1 : c.kat2))
                         .arg(id)
                         .arg(pos));
        const QString text = printed(id);
        EXPECT_TRUE(text.contains(QString::fromUtf8(c.expected))) << c.fall << "\n" << text.toStdString();
        EXPECT_EQ(text.contains(QStringLiteral("MWSt.")), *c.fall == 'S') << c.fall;
    }
    // The gross stays below the last VAT line.
    const auto pages = pagesOf(
        db->scalar(QStringLiteral("select min(id) from Vorgang1 where vorgangnr = '10101'")).rawInt());
    EXPECT_GT(topOf(*pages, 1, QStringLiteral("14,87 €")), topOf(*pages, 1, QStringLiteral("1,52 €")) + 4);
    EXPECT_EQ(topOf(*pages, 1, QStringLiteral("+ 19 % MWSt. auf 8,00 €")),
              topOf(*pages, 1, QStringLiteral("1,52 €")));
}

// What a mixed invoice must say (§ 14 Abs. 4 UStG): the net of every rate,
// 0 % included, each position's rate, unit prices that multiply out, each
// of the firm's numbers under its own name, and the payment sentence of the
// document's payment means.
TEST_F(PrintFixture, AMixedInvoiceStatesEveryPartAndHowItIsPaid)
{
    writeLetterhead(QStringLiteral("tavirel.ini"),
                    "[ERechnung]\nSteuernummer=026 123 45678\nGlaeubigerID=DE98ZZZ09999999999\n");
    const qint64 id = document(QStringLiteral("R"), QStringLiteral("10028"));
    position(id, 1, QStringLiteral("Brot"), 120, 7.333);
    position(id, 2, QStringLiteral("Kaffee"), 1, 8);
    position(id, 3, QStringLiteral("Pfand"), 1, 5);
    db->exec(QStringLiteral("update Vorgang1 set Rundung = 1, Zahlungsart = 59 where id = %1").arg(id));
    const struct
    {
        int pos;
        const char *kat;
        double rate;
    } rates[] = {{1, "S", 7}, {2, "S", 16}, {3, "Z", 0}};
    for (const auto &r : rates)
        db->exec(QStringLiteral(
                     "update Vorgang2 set MwstSatz = %1, MwstKat = '%2' where vorgangID = %3 and Pos = %4")
                     .arg(r.rate)
                     .arg(QLatin1String(r.kat))
                     .arg(id)
                     .arg(r.pos));
    // The text as read back may or may not keep the blank before a narrow "%".
    const QString text = printed(id).replace(QStringLiteral(" %"), QStringLiteral("%"));
    for (const char *expected :
         {"USt-IdNr.: DE284716392 Steuernummer: 026 123 45678", "Pos Bezeichnung Menge Preis USt. Gesamt",
          "1 Brot 120 Stk 7,333 € 7 % 879,96 €", "2 Kaffee 1 Stk 8,00 € 16 % 8,00 €",
          "3 Pfand 1 Stk 5,00 € 0 % 5,00 €",
          "+ 0 % MWSt. auf 5,00 € 0,00 € + 7 % MWSt. auf 879,96 € 61,60 € + 16 % MWSt. auf 8,00 € 1,28 €",
          "Der Rechnungsbetrag wird am 14.01.2005 per SEPA-Lastschrift von Ihrem Konto eingezogen "
          "(Mandatsreferenz 1005, Gläubiger-ID DE98ZZZ09999999999)."})
        EXPECT_TRUE(
            text.contains(QString::fromUtf8(expected).replace(QStringLiteral(" %"), QStringLiteral("%"))))
            << expected << "\n"
            << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Zahlung fällig bis")));
}

TEST_F(PrintFixture, WithoutTaxNumberTheCustomerNumberTakesItsLine)
{
    // The firm's number is the settings' [UST] ID alone.
    IniFile ini(letterheadFile(QStringLiteral("tavirel.ini")));
    ini.writeString(QStringLiteral("ERechnung"), QStringLiteral("Steuernummer"), QString());
    ini.writeString(QStringLiteral("ERechnung"), QStringLiteral("UStIdNr"), QString());
    const qint64 id = document(QStringLiteral("R"), QStringLiteral("10006"));
    const auto withNumber = pagesOf(id);
    EXPECT_NEAR(topOf(*withNumber, 1, QStringLiteral("Kd.-Nr.: ")), 15 + 66.1, 0.01);
    EXPECT_NEAR(topOf(*withNumber, 1, QStringLiteral("DE284716392")), 15 + 71.4, 0.01);

    ProgramValues::instance().UstId.clear();
    const auto without = pagesOf(id);
    EXPECT_NEAR(topOf(*without, 1, QStringLiteral("Kd.-Nr.: ")), 15 + 71.4, 0.01);
    EXPECT_NEAR(topOf(*without, 1, QStringLiteral("1005")), 15 + 71.4, 0.01);
    EXPECT_NEAR(topOf(*without, 1, QStringLiteral("Datum:")), 15 + 76.7, 0.01);
    EXPECT_LT(topOf(*without, 1, QStringLiteral("USt-IdNr.:")), 0);
    EXPECT_FALSE(printed(id).contains(QStringLiteral("Steuer")));

    // A document without an address has no customer number to print.
    for (const char *none : {"null", "0"}) {
        db->exec(QStringLiteral("update Vorgang1 set kdnr = %1, anschrift = null where id = %2")
                     .arg(QLatin1String(none))
                     .arg(id));
        EXPECT_FALSE(printed(id).contains(QStringLiteral("Kd.-Nr."))) << none;
    }
}

TEST_F(PrintFixture, LongDocumentsRepeatHeaderAndFooterOnEveryPage)
{
    const qint64 id = document(QStringLiteral("R"), QStringLiteral("10007"));
    for (int p = 1; p <= 45; ++p)
        position(id, p,
                 QStringLiteral("Position %1 mit einer Beschreibung über zwei Zeilen, damit sie wächst und "
                                "die Seiten füllt")
                     .arg(p),
                 1, 10);
    const auto pages = pagesOf(id);
    ASSERT_GE(pages->pagesAvailable(), 2);
    const QString pdf = out.filePath(QStringLiteral("lang.pdf"));
    WriteVorgangPdf(&addresses->Datenbank, QString::number(id), pdf);
    EXPECT_EQ(PdfTools::pageCount(pdf), pages->pagesAvailable());
    const QString first = PdfTools::text(pdf, 1).simplified();
    const QString second = PdfTools::text(pdf, 2).simplified();
    EXPECT_FALSE(first.contains(QStringLiteral("Seite:")));
    EXPECT_TRUE(second.contains(QStringLiteral("Seite: 2"))) << second.toStdString();
    EXPECT_TRUE(second.contains(QStringLiteral("Tavirel")));
    EXPECT_FALSE(second.contains(QStringLiteral("Rechnung R - 10007")));
    EXPECT_TRUE(second.contains(QStringLiteral("Pos Bezeichnung Menge Preis Gesamt")))
        << "column titles again";
    for (const QString &page : {first, second})
        EXPECT_TRUE(page.contains(QStringLiteral("Geschäftsführer: Jana Albers")));
    // Every position once, the sum of all of them at the end.
    const QString all = PdfTools::text(pdf).simplified();
    for (int p = 1; p <= 45; ++p)
        EXPECT_EQ(all.count(QStringLiteral("Position %1 mit").arg(p)), 1) << p;
    EXPECT_TRUE(
        all.contains(QStringLiteral("Nettobetrag 450,00 € + 19 % MWSt. 85,50 € Rechnungsbetrag 535,50 €")));
}

TEST_F(PrintFixture, UnreadableLetterheadPrintsWithBuiltInTextsAndSaysSo)
{
    const qint64 id = document(QStringLiteral("R"), QStringLiteral("10008"));
    // Eight lines: the sender line is missing, so nothing of the file is used.
    writeLetterhead(QStringLiteral("vorgang.txt"),
                    "Anders\r\nArial\r\n0\r\n4\r\nZusatz\r\nArial\r\n4\r\n60\r\n");
    QFile::remove(letterheadFile(QStringLiteral("Fuss2.txt")));
    QStringList problems;
    auto pages = pagesOf(id, &problems);
    ASSERT_EQ(problems.size(), 2) << problems.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(problems.at(0), QStringLiteral("vorgang.txt: nur 8 von 9 Zeilen"));
    EXPECT_TRUE(problems.at(1).startsWith(QStringLiteral("Fuss2.txt: Datei ")))
        << problems.at(1).toStdString();
    EXPECT_LT(topOf(*pages, 1, QStringLiteral("Anders")), 0) << "half a letterhead";
    EXPECT_GT(topOf(*pages, 1, QStringLiteral("Firmenname")), 0);
    EXPECT_GT(topOf(*pages, 1, QStringLiteral("Kasseler Beispielbank")), 0) << "the other files still count";

    writeLetterhead(QStringLiteral("vorgang.txt"),
                    "Anders\r\nArial\r\nlinks\r\n4\r\nZusatz\r\nArial\r\n4\r\n60\r\nAbsender\r\n");
    pages = pagesOf(id, &problems);
    EXPECT_EQ(problems.value(0), QStringLiteral("vorgang.txt: Zeile 3: \"links\" ist keine ganze Zahl"));
    EXPECT_LT(topOf(*pages, 1, QStringLiteral("Anders")), 0);

    writeLetterhead(QStringLiteral("vorgang.txt"),
                    "Anders\r\nArial\r\n0\r\n4\r\nZusatz\r\nArial\r\n20\r\n60\r\nAbsender\r\n");
    pages = pagesOf(id, &problems);
    EXPECT_NEAR(topOf(*pages, 1, QStringLiteral("Anders")), 15 + 4 * 25.4 / 96, 0.01);
    EXPECT_NEAR(topOf(*pages, 1, QStringLiteral("Zusatz")), 15 + 60 * 25.4 / 96, 0.01);
}

TEST_F(PrintFixture, PdfNeedsAnExistingDocumentAndAWritableFile)
{
    const QString pdf = out.filePath(QStringLiteral("x.pdf"));
    EXPECT_EQ(ERROR_OF(WriteVorgangPdf(&addresses->Datenbank, QStringLiteral("999"), pdf)),
              QStringLiteral("Es gibt keinen Vorgang mit der ID 999"));
    EXPECT_EQ(ERROR_OF(WriteVorgangPdf(&addresses->Datenbank, QStringLiteral("1 or 1=1"), pdf)),
              QStringLiteral("Ungültige Vorgangs-ID \"1 or 1=1\": erwartet wird eine ganze Zahl"));
    EXPECT_FALSE(QFile::exists(pdf));
    const qint64 id = document(QStringLiteral("R"), QStringLiteral("10009"));
    const QString blocked = out.filePath(QStringLiteral("fehlt/x.pdf"));
    EXPECT_TRUE(ERROR_OF(WriteVorgangPdf(&addresses->Datenbank, QString::number(id), blocked))
                    .startsWith(QStringLiteral("Die Datei ")));
    EXPECT_FALSE(QFile::exists(blocked));
}

TEST_F(PrintFixture, PositionsPrintInTheOrderOfTheirNumbers)
{
    // Saved in another order than numbered, as after moving a position up.
    const qint64 id = document(QStringLiteral("R"), QStringLiteral("10017"));
    position(id, 1, QStringLiteral("Anfahrt"), 1, 35);
    position(id, 3, QStringLiteral("Thermostatkopf"), 6, 19.9);
    position(id, 2, QStringLiteral("HT-Abflussrohr"), 25, 7.2);
    const QString text = printed(id);
    const qsizetype first = text.indexOf(QStringLiteral("1 Anfahrt")),
                    second = text.indexOf(QStringLiteral("2 HT-Abflussrohr")),
                    third = text.indexOf(QStringLiteral("3 Thermostatkopf"));
    EXPECT_GE(first, 0) << text.toStdString();
    EXPECT_LT(first, second);
    EXPECT_LT(second, third);
}

TEST_F(PrintFixture, NothingOverprintsAnotherFieldOrTheFooterWhateverItsLength)
{
    // Eight lines of sender block on later pages, positions running over
    // several pages, and amounts wider than their columns.
    writeLetterhead(
        QStringLiteral("vorgang2.txt"),
        "Zeile 1\r\nZeile 2\r\nZeile 3\r\nZeile 4\r\nZeile 5\r\nZeile 6\r\nZeile 7\r\nZeile 8\r\n");
    const qint64 id = document(QStringLiteral("R"), QStringLiteral("10018"));
    const QString longText = QStringLiteral("Demontage und fachgerechte Entsorgung der alten Anlage, Spülen "
                                            "der Leitungen und Einregulierung aller Heizkreise. ")
                                 .repeated(5);
    for (int p = 1; p <= 30; ++p)
        position(id, p, p % 4 == 0 ? longText : QStringLiteral("Position %1").arg(p), 1, 10);
    position(id, 31, QStringLiteral("Großauftrag"), 1, 123454999876.55);
    const QString pdf = out.filePath(QStringLiteral("lang.pdf"));
    QStringList warnings;
    WriteVorgangPdf(&addresses->Datenbank, QString::number(id), pdf, &warnings);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join(QLatin1Char('|')).toStdString();
    const int pageCount = PdfTools::pageCount(pdf);
    ASSERT_GE(pageCount, 3);
    const qreal footerTop = 297 - 10 - 18;
    int amounts = 0;
    for (int page = 1; page <= pageCount; ++page) {
        const QList<PdfTools::Word> words = PdfTools::words(pdf, page);
        EXPECT_EQ(overprints(words), QStringList()) << "page " << page;
        for (const PdfTools::Word &w : words) {
            // The numbers beside the address and the footer columns included.
            EXPECT_GE(w.box.left(), 20 - 0.2) << w.text.toStdString() << " on page " << page;
            EXPECT_LE(w.box.right(), 190 + 0.2) << w.text.toStdString() << " on page " << page;
            if (w.box.top() < footerTop) {
                EXPECT_LE(w.box.bottom(), footerTop + 0.2) << w.text.toStdString() << " on page " << page;
            }
            if (w.text == QLatin1String("123.454.999.876,55")) {
                EXPECT_LE(w.box.right(), 190.2 - 2) << "its currency follows it";
                ++amounts;
            }
        }
        if (page > 1) {
            EXPECT_GT(PdfTools::boxOf(words, QStringLiteral("Seite:")).top(),
                      PdfTools::boxOf(words, QStringLiteral("8")).bottom() - 0.2);
        }
    }
    EXPECT_EQ(amounts, 2) << "price and line total, each whole in its column";
    EXPECT_TRUE(PdfTools::text(pdf, 1).simplified().contains(QStringLiteral("USt-IdNr.: DE284716392")));
}

TEST_F(PrintFixture, AnAddressTooLongForTheWindowIsShortenedVisiblyAndReported)
{
    const qint64 id = document(QStringLiteral("R"), QStringLiteral("10019"));
    db->exec(
        QStringLiteral("update Vorgang1 set anschrift = 'Anschrift 1' || char(13,10) || 'Anschrift 2' || "
                       "char(13,10) || 'Anschrift 3' || char(13,10) || 'Anschrift 4' || char(13,10) || "
                       "'Anschrift 5' || char(13,10) || 'Anschrift 6' || char(13,10) || 'Anschrift 7' || "
                       "char(13,10) || '34277 Fuldabrück' where id = %1")
            .arg(id));
    const QString pdf = out.filePath(QStringLiteral("anschrift.pdf"));
    QStringList warnings;
    WriteVorgangPdf(&addresses->Datenbank, QString::number(id), pdf, &warnings);
    EXPECT_EQ(warnings,
              QStringList{QStringLiteral("Die Anschrift hat mehr Zeilen, als das Anschriftfeld fasst; die "
                                         "letzten fehlen im Druck.")});
    const QString text = PdfTools::text(pdf).simplified();
    EXPECT_TRUE(text.contains(QStringLiteral("Anschrift 7…"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("34277")));
}

TEST_F(PrintFixture, FoldAndPunchMarksStandAtThePapersEdgeUnlessSwitchedOff)
{
    const qint64 id = document(QStringLiteral("R"), QStringLiteral("10020"));
    const auto darkAt = [&](qreal yMm) {
        const QString pdf = out.filePath(QStringLiteral("marken.pdf"));
        WriteVorgangPdf(&addresses->Datenbank, QString::number(id), pdf);
        const QImage page = PdfTools::picture(pdf, 1, 100);
        const auto px = [](qreal mm) { return qRound(mm * 100 / 25.4); };
        int dark = 0;
        for (int y = px(yMm) - 1; y <= px(yMm) + 1; ++y)
            dark += qGray(page.pixel(px(7.5), y)) < 160;
        return dark > 0;
    };
    EXPECT_TRUE(darkAt(105));
    EXPECT_TRUE(darkAt(148.5));
    EXPECT_TRUE(darkAt(210));
    EXPECT_FALSE(darkAt(180));
    IniFile(ProgramFolder::iniPath()).writeBool(QStringLiteral("Druck"), QStringLiteral("Falzmarken"), false);
    EXPECT_FALSE(darkAt(105));
    EXPECT_FALSE(darkAt(148.5));
}

TEST_F(PrintFixture, CancelledDocumentsSayItOnEveryPageAndAskForNoPayment)
{
    const qint64 id = document(QStringLiteral("R"), QStringLiteral("10021"));
    for (int p = 1; p <= 45; ++p)
        position(id, p, QStringLiteral("Position %1").arg(p), 1, 10);
    const QString before = printed(id);
    EXPECT_FALSE(before.contains(QStringLiteral("STORNIERT")));
    db->exec(QStringLiteral("update Vorgang1 set storniert = 1 where id = %1").arg(id));
    const QString pdf = out.filePath(QStringLiteral("storno.pdf"));
    WriteVorgangPdf(&addresses->Datenbank, QString::number(id), pdf);
    const int pageCount = PdfTools::pageCount(pdf);
    ASSERT_GE(pageCount, 2);
    for (int page = 1; page <= pageCount; ++page) {
        const QRectF mark = PdfTools::boxOf(PdfTools::words(pdf, page), QStringLiteral("STORNIERT"));
        EXPECT_FALSE(mark.isEmpty()) << "page " << page;
        EXPECT_LT(mark.bottom(), 15) << "in the top margin, over nothing else";
    }
    const QString text = PdfTools::text(pdf).simplified();
    EXPECT_TRUE(text.contains(QStringLiteral("Diese Rechnung ist storniert und nicht zu bezahlen.")));
    EXPECT_FALSE(text.contains(QStringLiteral("fällig")));
}

TEST_F(PrintFixture, CharactersTheFontsLackPrintThroughTheFallbackOrAReplacement)
{
    const qint64 id = document(QStringLiteral("R"), QStringLiteral("10022"));
    position(id, 1, QStringLiteral("Rohrbogen ✓ erledigt 😀 Glocke\a 中"), 1, 10);
    const QString pdf = out.filePath(QStringLiteral("zeichen.pdf"));
    WriteVorgangPdf(&addresses->Datenbank, QString::number(id), pdf);
    const QString text = PdfTools::text(pdf).simplified();
    EXPECT_TRUE(text.contains(QStringLiteral("Rohrbogen ✓ erledigt"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Glocke ") + QChar(QChar::ReplacementCharacter)));
    const QString fonts = PdfTools::fonts(pdf);
    EXPECT_TRUE(fonts.contains(QLatin1String("DejaVuSans"))) << fonts.toStdString();
    EXPECT_FALSE(fonts.contains(
        QRegularExpression(QStringLiteral("\\sno\\s+(yes|no)\\s+(yes|no)\\s+\\d+\\s+\\d+\\s*$"),
                           QRegularExpression::MultilineOption)))
        << "a font not embedded: " << fonts.toStdString();
}

// A reminder of a ten-year-old invoice, its interest in nine stretches: every
// page it prints on carries some of it, none only the letterhead.
TEST_F(PrintFixture, ALongReminderPrintsNoPageWithoutContent)
{
    SetTodayForTests(QDate(2026, 3, 1));
    db->exec(QStringLiteral("insert into Adress (KDNR, NAME1) values (1005, 'Gemeinde Fuldabrück')"));
    db->exec(QStringLiteral("insert into Vorgang1 (typ, vorgangnr, kdnr, datum, zieldatum, bezahlt, "
                            "storniert, vk, mwst, Waehrung, "
                            "anschrift, mahnstufe, mahndatum) values ('R', '10001', 1005, '2016-03-01', "
                            "'2016-03-15', false, false, "
                            "1000, 190, '€', 'Gemeinde Fuldabrück', 2, '2016-05-01')"));
    Dunning::Settings settings;
    settings.zinsen = true;
    const DunningList list = OverdueInvoices(addresses->Datenbank, settings, Today());
    const DunningRunResult run =
        CreateReminders(addresses->Datenbank, settings, list, {}, {}, {list.items.value(0).invoiceId});
    ASSERT_EQ(run.made.size(), 1) << run.error.toStdString();
    const auto pages = pagesOf(run.made.first().id);
    for (int page = 1; page <= pages->pagesAvailable(); ++page) {
        QStringList texts;
        for (const PageItem &it : pages->page(page).items)
            texts << it.text;
        const QString all = texts.join(u'|');
        EXPECT_TRUE(all.contains(QStringLiteral("Prozentpunkte")) ||
                    all.contains(QStringLiteral("Gesamtbetrag")))
            << "page " << page << " of " << pages->pagesAvailable() << ": " << all.toStdString();
        // The payment line goes with the sum it asks for.
        if (all.contains(QStringLiteral("Zahlung fällig bis 15.03.2026."))) {
            EXPECT_TRUE(all.contains(QStringLiteral("Gesamtbetrag"))) << all.toStdString();
        }
    }
}
