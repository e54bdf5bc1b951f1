// SPDX-License-Identifier: GPL-3.0-or-later
// A received e-invoice as its page: every section on it, a long invoice over
// several pages, and the document of type E printing it like any other
// document, with the README pictures of the page and the preview
// (scripts/screenshots; 1920 x 1080 for looking at).
#include "printfixture.h"

#include "einvoice/incomingstore.h"
#include "printing/tbeingang.h"
#include "printing/tprevform.h"
#include "tests/einvoice/incomingfiles.h"
#include "tests/screenshot.h"

#include "platform/platform.h"

#include <QApplication>
#include <QPrinter>
#include <QProcess>

namespace {

// The texts of one page, or of every page, as one line.
QString pageText(const PageSet &pages, int number = 0)
{
    QStringList texts;
    for (int n = 1; n <= pages.pagesAvailable(); ++n)
        if (number == 0 || n == number)
            for (const PageItem &item : pages.page(n).items)
                if (item.kind == PageItem::Kind::Text) texts << item.text;
    return texts.join(QLatin1Char(' '));
}

std::unique_ptr<PageSet> pagesOf(const IncomingInvoice &inv)
{
    return IncomingInvoicePages(inv, CheckIncomingInvoice(inv), QStringLiteral("Eingelesen am 17.03.2025"));
}

} // namespace

TEST(IncomingPage, EverySectionIsOnThePage)
{
    const auto pages = pagesOf(ReadIncoming("rechnung-cii.xml"));
    ASSERT_EQ(pages->pagesAvailable(), 1);
    EXPECT_EQ(pages->title(), QStringLiteral("Eingangsrechnung HK-2025-0815"));
    const QString text = pageText(*pages, 1);
    for (const char *expected : {"Rechnung HK-2025-0815",
                                 "vom 14.03.2025 · E-Rechnung UN/CEFACT CII · XRechnung",
                                 "Holzbau Krämer GmbH",
                                 "USt-IdNr.: DE301234567",
                                 "E-Rechnungen an: rechnung@holzbau-kraemer.de",
                                 "Tavirel Haustechnik GmbH",
                                 "Leistungsdatum: 11.03.2025",
                                 "Bestellnummer: B-2025-117",
                                 "Montage Carport",
                                 "Nachlass (Stammkundenrabatt, Code 95) 5 % von 377,00: 18,85",
                                 "358,15",
                                 "S 19 % Normalsatz",
                                 "589,95",
                                 "112,09",
                                 "Zahlbetrag",
                                 "595,50 EUR",
                                 "SEPA-Überweisung",
                                 "Konto DE02120300000000202051",
                                 "Zuschlag (Fracht, Code FC): 15,00, USt. S 19 %",
                                 "Steuerfrei nach § 4 Nr. 12 UStG",
                                 "Prüfung: Rechenwerk und Pflichtangaben ohne Beanstandung",
                                 "Eingelesen am 17.03.2025"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();

    const QString wrong = pageText(*pagesOf(ReadIncoming("falsche-summen-cii.xml")));
    for (const char *expected : {"Prüfung: 6 Beanstandungen", "BT-106", "(BR-CO-10)"})
        EXPECT_TRUE(wrong.contains(QString::fromUtf8(expected))) << expected;
}

TEST(IncomingPage, ALongInvoiceGoesOnWithItsColumnTitles)
{
    // The book line 150 times: the sums no longer add up, which the last page says.
    QByteArray xml = IncomingFile("rechnung-cii.xml");
    const QByteArray endTag = "</ram:IncludedSupplyChainTradeLineItem>";
    const qsizetype at = xml.indexOf("<ram:LineID>3<");
    const qsizetype begin = xml.lastIndexOf("<ram:IncludedSupplyChainTradeLineItem>", at);
    const qsizetype end = xml.indexOf(endTag, at) + endTag.size();
    const QByteArray line = xml.mid(begin, end - begin);
    QByteArray lines;
    for (int i = 0; i < 150; ++i)
        lines +=
            QByteArray(line).replace("<ram:LineID>3<", "<ram:LineID>" + QByteArray::number(100 + i) + "<");
    xml.insert(end, lines);
    const auto pages = pagesOf(IncomingInvoice::read(xml, QStringLiteral("lang.xml")));
    ASSERT_GE(pages->pagesAvailable(), 4);
    const QString second = pageText(*pages, 2);
    for (const char *expected :
         {"Rechnung HK-2025-0815 – Holzbau Krämer GmbH", "Seite 2", "Bezeichnung", "Betrag"})
        EXPECT_TRUE(second.contains(QString::fromUtf8(expected))) << expected << "\n" << second.toStdString();
    EXPECT_TRUE(pageText(*pages, pages->pagesAvailable()).contains(QStringLiteral("Beanstandung")));
}

// However long the notes make the page, the line of the checks never
// stands alone on a page of its own.
TEST(IncomingPage, TheChecksLineKeepsWithWhatStandsBeforeIt)
{
    const QByteArray xml = IncomingFile("rechnung-cii.xml");
    const qsizetype at = xml.indexOf("<ram:IncludedNote>");
    bool spilled = false;
    for (int notes = 0; notes <= 40; ++notes) {
        QByteArray more;
        for (int i = 0; i < notes; ++i)
            more += "<ram:IncludedNote><ram:Content>Hinweis " + QByteArray::number(i) +
                    " zur Lieferung</ram:Content></ram:IncludedNote>";
        const auto pages =
            pagesOf(IncomingInvoice::read(QByteArray(xml).insert(at, more), QStringLiteral("n.xml")));
        const int last = pages->pagesAvailable();
        spilled = spilled || last > 1;
        QStringList body;
        for (const PageItem &item : pages->page(last).items)
            if (item.kind == PageItem::Kind::Text && !item.text.trimmed().isEmpty() &&
                !item.text.startsWith(QStringLiteral("Rechnung HK-2025-0815 – ")) &&
                !item.text.startsWith(QStringLiteral("Seite ")) &&
                !item.text.startsWith(QStringLiteral("Eingelesen")))
                body << item.text;
        ASSERT_TRUE(body.contains(QStringLiteral("Prüfung: Rechenwerk und Pflichtangaben ohne Beanstandung")))
            << notes;
        EXPECT_GT(body.size(), 1) << notes << " notes: page " << last << " holds only the checks";
    }
    EXPECT_TRUE(spilled) << "the notes reach a second page";
}

namespace {

class IncomingPrint : public PrintFixture
{
};

} // namespace

TEST_F(IncomingPrint, TheDocumentPrintsAsItsPageScreenshots)
{
    const IncomingImport r = IncomingStore::import(
        *dataa, IncomingFile("rechnung-cii.xml"), QStringLiteral("rechnung.xml"),
        [](const IncomingInvoice &) { return true; }, QDateTime(QDate(2025, 3, 17), QTime(9, 30)));
    const QString pdf = out.filePath(QStringLiteral("eingang.pdf"));
    WriteVorgangPdf(&dataa->Datenbank, QString::number(r.vorgangId), pdf);
    const QString text = PdfTools::text(pdf);
    for (const char *expected :
         {"Rechnung HK-2025-0815", "Holzbau Krämer GmbH", "595,50 EUR",
          "Eingelesen am 17.03.2025 09:30:00 aus rechnung.xml (Eingang Nr. 1)", "SHA-256 des Originals: "})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();

    // The README's pictures: the page, and the preview as it opens.
    QProcess ppm;
    ppm.start(QStringLiteral("pdftoppm"),
              {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("80"),
               QStringLiteral("-singlefile"), pdf, out.filePath(QStringLiteral("seite"))});
    ASSERT_TRUE(ppm.waitForFinished(60000));
    const QImage page(out.filePath(QStringLiteral("seite.png")));
    ExpectNotBlank(page);
    SavePng(page, ReadmePictures(), QStringLiteral("eingangsrechnung.png"));
    QApplication::setFont(QFont(QStringLiteral("Liberation Sans"), 9));
    Platform::setPrintersForTests({QStringLiteral("Büro Laserdrucker")}, QStringLiteral("Büro Laserdrucker"),
                                  [](QPrinter &, const QString &) {});
    for (const QSize size : {QSize(1280, 800), QSize(1920, 1080)}) {
        auto *preview =
            new TPrevForm(IncomingInvoiceForm(dataa->Datenbank, r.vorgangId)->Bericht.build().release());
        preview->resize(size);
        preview->show();
        EXPECT_EQ(preview->windowTitle(), QStringLiteral("Eingangsrechnung HK-2025-0815"));
        const QImage image = preview->grab().toImage();
        ExpectNotBlank(image);
        if (size.width() == 1280)
            SavePng(image, ReadmePictures(), QStringLiteral("eingangsvorschau.png"));
        else
            SavePng(image, MorePictures(), QStringLiteral("eingangsvorschau-1920.png"));
        delete preview;
    }
    Platform::clearPrintersForTests();
    QApplication::setFont(QFont());
}
