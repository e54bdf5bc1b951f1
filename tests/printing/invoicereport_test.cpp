// SPDX-License-Identifier: GPL-3.0-or-later
// The invoice list: which invoices each report entry lists, its titles, the
// sums per currency, and the pages as the preview and the PDF show them.
#include "printfixture.h"

#include "platform/platform.h"
#include "printing/tberechnung.h"
#include "printing/tprevform.h"

#include <QApplication>

namespace {

using Kind = InvoiceReportKind;

class InvoiceReport : public PrintFixture
{
  protected:
    void SetUp() override
    {
        PrintFixture::SetUp();
        customer(1005, QStringLiteral("Müller"));
        customer(1006, QStringLiteral("Schmidt"));
    }

    void customer(qint64 kdnr, const QString &name)
    {
        db->exec(QStringLiteral("insert into Adress (KDNR, NAME1) values (%1, '%2')").arg(kdnr).arg(name));
    }
    struct Doc
    {
        QString nr;
        QString datum = QStringLiteral("2005-05-10");
        double vk = 100;
        qint64 kdnr = 1005;
        QString waehrung = QStringLiteral("€");
        bool bezahlt = false;
        bool storniert = false;
        QString typ = QStringLiteral("R");
        QString mwst = QStringLiteral("null"); // none stored: listed as an older version listed it
    };
    void add(const Doc &d)
    {
        db->exec(
            QStringLiteral(
                "insert into Vorgang1 (typ, vorgangnr, kdnr, datum, vk, Waehrung, bezahlt, "
                "bezahltdatum, storniert, mwst) values ('%1', '%2', %3, '%4', %5, '%6', %7, %8, %9, %10)")
                .arg(d.typ, d.nr)
                .arg(d.kdnr)
                .arg(d.datum)
                .arg(d.vk, 0, 'g', 17)
                .arg(d.waehrung)
                .arg(d.bezahlt ? 1 : 0)
                .arg(d.bezahlt ? QStringLiteral("'2005-06-01'") : QStringLiteral("null"))
                .arg(d.storniert ? 1 : 0)
                .arg(d.mwst));
    }

    InvoiceReportRequest request(Kind kind, qint64 kdnr = 0, const QString &kunde = QString())
    {
        InvoiceReportRequest r;
        r.kind = kind;
        r.kdnr = kdnr;
        r.kunde = kunde;
        return r;
    }
    // The report's PDF as text, blanks folded.
    QString report(const InvoiceReportRequest &r, int page = 0)
    {
        const QString pdf = out.filePath(QStringLiteral("liste%1.pdf").arg(++m_files));
        WriteInvoiceReportPdf(&addresses->Datenbank, r, pdf);
        m_lastPdf = pdf;
        return PdfTools::text(pdf, page).simplified();
    }
    std::unique_ptr<PageSet> pages(const InvoiceReportRequest &r)
    {
        TBeRechnung form(&addresses->Datenbank);
        form.Select(r);
        return form.bericht.build();
    }

    int m_files = 0;
    QString m_lastPdf;
};

} // namespace

TEST_F(InvoiceReport, PeriodConditionOnlyWhereTheEntryTakesOneAndOnlyWhenAPeriodIsSet)
{
    InvoiceReportRequest r = request(Kind::Offen);
    r.periodSet = true;
    r.periodStart = QDate(2005, 4, 1);
    r.periodEnd = QDate(2005, 6, 30);
    EXPECT_EQ(InvoiceReportSelectionOf(r).filter,
              QStringLiteral("Typ = 'R' and not bezahlt and not storniert and datum >= '01.04.2005' and "
                             "datum <='30.06.2005'"));
    r.kind = Kind::OffenKunde;
    r.kdnr = 1005;
    r.kunde = QStringLiteral("Müller");
    EXPECT_EQ(InvoiceReportSelectionOf(r).filter,
              QStringLiteral("Typ = 'R' and not bezahlt and not storniert and kdnr =1005 and datum >= "
                             "'01.04.2005' and datum <='30.06.2005'"));
    EXPECT_EQ(InvoiceReportSelectionOf(r).title, QStringLiteral("Offene Rechnungen Müller"));
    r.kind = Kind::EingangOffen; // received invoices, of every supplier
    EXPECT_EQ(InvoiceReportSelectionOf(r).filter,
              QStringLiteral("Typ = 'E' and not bezahlt and not storniert and datum >= '01.04.2005' and "
                             "datum <='30.06.2005'"));
    EXPECT_TRUE(InvoiceReportSelectionOf(r).suppliers);
    r.kind = Kind::BezahltKunde;
    EXPECT_EQ(InvoiceReportSelectionOf(r).filter, QStringLiteral("Typ = 'R' and bezahlt and kdnr =1005"));
    r.kind = Kind::AlleKunde;
    EXPECT_EQ(InvoiceReportSelectionOf(r).filter, QStringLiteral("Typ = 'R' and kdnr =1005"));

    // No period set: all dates. A period set applies, also from 01.01.1999.
    r = request(Kind::Alle);
    EXPECT_EQ(InvoiceReportSelectionOf(r).filter, QStringLiteral("Typ = 'R'"));
    EXPECT_EQ(InvoiceReportSelectionOf(r).title, QStringLiteral("Bericht über Rechnungen"));
    r.periodSet = true;
    r.periodStart = QDate(1999, 1, 1);
    r.periodEnd = QDate(2019, 12, 31);
    EXPECT_EQ(InvoiceReportSelectionOf(r).filter,
              QStringLiteral("Typ = 'R' and datum >= '01.01.1999' and datum <='31.12.2019'"));
}

TEST_F(InvoiceReport, OpenLeavesOutCancelledAndPaidListsCancelledOnes)
{
    add({QStringLiteral("10001"), QStringLiteral("2005-05-10"), 100});
    add({QStringLiteral("10002"), QStringLiteral("2005-05-11"), 200, 1005, QStringLiteral("€"), false, true});
    add({QStringLiteral("10003"), QStringLiteral("2005-05-12"), 300, 1006, QStringLiteral("€"), true, true});
    add({QStringLiteral("10004"), QStringLiteral("2005-05-13"), 400, 1006, QStringLiteral("€"), true});
    add({QStringLiteral("1"), QStringLiteral("2005-05-13"), 999, 1005, QStringLiteral("€"), false, false,
         QStringLiteral("A")});

    db->exec(QStringLiteral("update Vorgang1 set mahnstufe = 2 where vorgangnr = '10001'"));
    const QString open = report(request(Kind::Offen));
    EXPECT_TRUE(open.startsWith(
        QStringLiteral("Bericht über offene Rechnungen Datum Rech.-Nr. Kunde Netto MwSt. Brutto "
                       "Mahnstufe 10.05.2005 10001 Müller 100,00 € 19,00 € 119,00 € 1. Mahnung")))
        << open.toStdString();
    EXPECT_FALSE(open.contains(QStringLiteral("10002")));
    EXPECT_FALSE(open.contains(QStringLiteral("bezahlt am")));
    EXPECT_FALSE(open.contains(QStringLiteral("999")));

    const QString paid = report(request(Kind::Bezahlt));
    EXPECT_TRUE(paid.contains(QStringLiteral("Netto MwSt. Brutto bezahlt am")));
    EXPECT_TRUE(
        paid.contains(QStringLiteral("12.05.2005 10003 Schmidt 300,00 € 57,00 € 357,00 € 01.06.2005")))
        << paid.toStdString();
    EXPECT_TRUE(paid.contains(QStringLiteral("10004")));
    EXPECT_FALSE(paid.contains(QStringLiteral("10001")));

    const QString all = report(request(Kind::Alle));
    for (const char *nr : {"10001", "10002", "10003", "10004"})
        EXPECT_TRUE(all.contains(QString::fromLatin1(nr))) << nr;
    EXPECT_TRUE(all.endsWith(QStringLiteral("1.000,00 € 190,00 € 1.190,00 €"))) << all.toStdString();
}

TEST_F(InvoiceReport, QuarterLimitsTheGeneralEntriesButNotTheCustomersPaidAndAll)
{
    add({QStringLiteral("10001"), QStringLiteral("2005-03-31"), 10});
    add({QStringLiteral("10002"), QStringLiteral("2005-04-01"), 20});
    add({QStringLiteral("10003"), QStringLiteral("2005-06-30"), 30, 1006});
    add({QStringLiteral("10004"), QStringLiteral("2005-07-01"), 40});
    add({QStringLiteral("10005"), QStringLiteral("2004-11-02"), 50, 1005, QStringLiteral("€"), true});
    const auto quarter = [](InvoiceReportRequest r) {
        r.periodSet = true;
        r.periodStart = QDate(2005, 4, 1);
        r.periodEnd = QDate(2005, 6, 30);
        return r;
    };

    const QString all = report(quarter(request(Kind::Alle)));
    EXPECT_TRUE(all.contains(QStringLiteral("10002")) && all.contains(QStringLiteral("10003")))
        << all.toStdString();
    for (const char *nr : {"10001", "10004", "10005"})
        EXPECT_FALSE(all.contains(QString::fromLatin1(nr))) << nr;

    const QString customersAll = report(quarter(request(Kind::AlleKunde, 1005, QStringLiteral("Müller"))));
    EXPECT_TRUE(customersAll.startsWith(QStringLiteral("Alle Rechnungen Müller")))
        << customersAll.toStdString();
    for (const char *nr : {"10001", "10002", "10004", "10005"})
        EXPECT_TRUE(customersAll.contains(QString::fromLatin1(nr))) << nr;
    EXPECT_FALSE(customersAll.contains(QStringLiteral("10003")));

    const QString customersPaid =
        report(quarter(request(Kind::BezahltKunde, 1005, QStringLiteral("Müller"))));
    EXPECT_TRUE(customersPaid.startsWith(QStringLiteral("Bezahlte Rechnungen Müller")))
        << customersPaid.toStdString();
    EXPECT_TRUE(customersPaid.contains(QStringLiteral("02.11.2004 10005")));

    const QString customersOpen = report(quarter(request(Kind::OffenKunde, 1005, QStringLiteral("Müller"))));
    EXPECT_TRUE(customersOpen.contains(QStringLiteral("10002")));
    for (const char *nr : {"10001", "10003", "10004", "10005"})
        EXPECT_FALSE(customersOpen.contains(QString::fromLatin1(nr))) << nr;
}

TEST_F(InvoiceReport, SumsRoundEachAmountAndShowHalfUp)
{
    add({QStringLiteral("10001"), QStringLiteral("2005-05-10"), 100});
    add({QStringLiteral("10002"), QStringLiteral("2005-05-11"), 200});
    add({QStringLiteral("10003"), QStringLiteral("2005-05-12"), 50.5});
    // The VAT a document stores counts as it is: here 7 % of a baker's invoice.
    add({QStringLiteral("10004"), QStringLiteral("2005-05-13"), 20.1, 1005, QStringLiteral("€"), false, false,
         QStringLiteral("R"), QStringLiteral("1.41")});
    const QString text = report(request(Kind::Alle));
    EXPECT_TRUE(text.contains(QStringLiteral("12.05.2005 10003 Müller 50,50 € 9,60 € 60,10 €")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("13.05.2005 10004 Müller 20,10 € 1,41 € 21,51 €")))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("370,60 € 68,01 € 438,61 €"))) << text.toStdString();
}

TEST_F(InvoiceReport, DmAndEuroAreSummedApartAndTheProgramSymbolStays)
{
    ProgramValues::instance().Currency = QStringLiteral("€");
    add({QStringLiteral("10001"), QStringLiteral("2001-05-10"), 25000, 1005, QStringLiteral("DM")});
    add({QStringLiteral("10002"), QStringLiteral("2002-05-11"), 200});
    add({QStringLiteral("10003"), QStringLiteral("2001-12-12"), 500, 1005, QStringLiteral("DM")});
    add({QStringLiteral("10004"), QStringLiteral("2002-12-12"), 50});
    const QString text = report(request(Kind::Alle));
    EXPECT_TRUE(
        text.contains(QStringLiteral("10.05.2001 10001 Müller 25.000,00 DM 4.750,00 DM 29.750,00 DM")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("11.05.2002 10002 Müller 200,00 € 38,00 € 238,00 €")))
        << text.toStdString();
    // One sum line per currency, in the order the currencies first appear.
    EXPECT_TRUE(
        text.endsWith(QStringLiteral("25.500,00 DM 4.845,00 DM 30.345,00 DM 250,00 € 47,50 € 297,50 €")))
        << text.toStdString();
    EXPECT_EQ(ProgramValues::instance().Currency, QStringLiteral("€"));

    // Each sum sits under its own column, right edges in line with the amounts.
    const auto set = pages(request(Kind::Alle));
    const Page &page = set->page(1);
    const auto rectOf = [&](const QString &t) {
        for (const PageItem &it : page.items)
            if (it.text == t) return it.rect;
        return QRectF();
    };
    const auto rightOf = [&](const QString &t) { return rectOf(t).right(); };
    EXPECT_NEAR(rightOf(QStringLiteral("25.500,00 DM")), rightOf(QStringLiteral("Netto")), 0.05);
    EXPECT_NEAR(rightOf(QStringLiteral("25.000,00 DM")), rightOf(QStringLiteral("Netto")), 0.05);
    EXPECT_NEAR(rightOf(QStringLiteral("250,00 €")), rightOf(QStringLiteral("Netto")), 0.05);
    EXPECT_NEAR(rightOf(QStringLiteral("297,50 €")), rightOf(QStringLiteral("Brutto")), 0.05);
    EXPECT_NEAR(rightOf(QStringLiteral("47,50 €")), rightOf(QStringLiteral("MwSt.")), 0.05);
    EXPECT_NEAR(rightOf(QStringLiteral("29.750,00 DM")), rightOf(QStringLiteral("Brutto")), 0.05);
    // Bold sums of five figures keep to their columns, set smaller where needed.
    for (const auto &[left, right] :
         {std::pair{"25.500,00 DM", "4.845,00 DM"}, {"4.845,00 DM", "30.345,00 DM"}}) {
        const QRectF a = rectOf(QString::fromUtf8(left)), b = rectOf(QString::fromUtf8(right));
        ASSERT_FALSE(a.isNull() || b.isNull()) << left << " " << right;
        EXPECT_LE(a.right(), b.left()) << left << " " << right;
    }
    // The bold sum lines are as far apart as the rows of the list.
    EXPECT_NEAR(topOf(*set, 1, QStringLiteral("250,00 €")) - topOf(*set, 1, QStringLiteral("25.500,00 DM")),
                topOf(*set, 1, QStringLiteral("10002")) - topOf(*set, 1, QStringLiteral("10001")), 0.05);
}

TEST_F(InvoiceReport, LongNamesStayInTheirColumnAndEmptySelectionsWriteNoFile)
{
    customer(1007, QStringLiteral("Gemeinnützige Wohnungsbaugesellschaft Nordhessen mbH"));
    add({QStringLiteral("10001"), QStringLiteral("2005-05-10"), 100, 1007});
    add({QStringLiteral("10002"), QStringLiteral("2005-05-10"), 100, 4711}); // no such address
    const auto set = pages(request(Kind::Alle));
    ASSERT_EQ(set->pagesAvailable(), 1);
    bool named = false;
    for (const PageItem &it : set->page(1).items)
        if (it.text.startsWith(QStringLiteral("Gemeinnützige"))) {
            named = true;
            EXPECT_LT(it.text.size(), 50) << it.text.toStdString();
            EXPECT_LE(it.rect.right(), 20 + 33.1 + 47.9 + 0.01);
        }
    EXPECT_TRUE(named);
    EXPECT_TRUE(report(request(Kind::Alle)).contains(QStringLiteral("10.05.2005 10002 100,00 €")));
    // The longest level name keeps to the right margin, whole.
    db->exec(QStringLiteral("update Vorgang1 set mahnstufe = 1"));
    EXPECT_TRUE(report(request(Kind::Offen)).contains(QStringLiteral("Zahlungserinnerung")));
    for (const PdfTools::Word &w : PdfTools::words(m_lastPdf, 1))
        EXPECT_LE(w.box.right(), 190 + 0.2) << w.text.toStdString();

    const QString none = out.filePath(QStringLiteral("leer.pdf"));
    const QString message =
        ERROR_OF(WriteInvoiceReportPdf(&addresses->Datenbank, request(Kind::Bezahlt), none));
    EXPECT_TRUE(
        message.startsWith(QStringLiteral("Der Bericht \"Bericht über bezahlte Rechnungen\" enthält keine "
                                          "Rechnungen")))
        << message.toStdString();
    EXPECT_FALSE(QFile::exists(none));
}

TEST_F(InvoiceReport, ColumnTitlesOnEveryPageTitleAndSumsOnceOnly)
{
    for (int i = 0; i < 70; ++i)
        add({QString::number(20000 + i), QStringLiteral("2005-05-10"), 10});
    report(request(Kind::Alle));
    ASSERT_EQ(PdfTools::pageCount(m_lastPdf), 2);
    const QString first = PdfTools::text(m_lastPdf, 1).simplified();
    const QString second = PdfTools::text(m_lastPdf, 2).simplified();
    EXPECT_TRUE(
        first.startsWith(QStringLiteral("Bericht über Rechnungen Datum Rech.-Nr. Kunde Netto MwSt. Brutto")))
        << first.toStdString();
    EXPECT_TRUE(second.startsWith(QStringLiteral("Datum Rech.-Nr. Kunde Netto MwSt. Brutto bezahlt am")))
        << second.toStdString();
    EXPECT_FALSE(first.contains(QStringLiteral("700,00 €")));
    EXPECT_TRUE(second.endsWith(QStringLiteral("700,00 € 133,00 € 833,00 €"))) << second.toStdString();
}

TEST_F(InvoiceReport, PreviewShowsTheTitleAndReturnsWhenItCloses)
{
    add({QStringLiteral("10001"), QStringLiteral("2005-05-10"), 100});
    bool seen = false;
    QMetaObject::invokeMethod(
        qApp,
        [&] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *p = qobject_cast<TPrevForm *>(w); p && p->isVisible()) {
                    seen = true;
                    EXPECT_EQ(p->windowTitle(), QStringLiteral("Offene Rechnungen Müller"));
                    EXPECT_EQ(p->pageSet()->pagesAvailable(), 1);
                    p->close();
                }
        },
        Qt::QueuedConnection);
    PreviewInvoiceReport(request(Kind::OffenKunde, 1005, QStringLiteral("Müller")));
    EXPECT_TRUE(seen) << "returned before the preview closed";
}
