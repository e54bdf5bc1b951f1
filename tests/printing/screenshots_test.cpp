// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures for the README, made offscreen from the demo database: a page of
// a demo invoice, a first dunning letter and the invoice list (through their
// PDFs) and the print preview at 1280 x 800.
#include "printfixture.h"
#include "tests/screenshot.h"

#include "data/dates.h"
#include "lists/core/dunningrun.h"

#include "platform/platform.h"
#include "printing/pageview.h"
#include "printing/tberechnung.h"
#include "printing/tprevform.h"
#include "report/report.h"

#include <QPrinter>

#include <QApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QImage>
#include <QProcess>

namespace {

class PrintScreenshots : public PrintFixture
{
  protected:
    void SetUp() override
    {
        PrintFixture::SetUp();
        // The demo firm's documents, on the database the modules opened.
        demo = std::make_unique<TestDb>(true);
        demoConnection.setDatabase(demo->path());
        demoConnection.Open();
        invoice = demo->scalar(QStringLiteral(
                                   "select min(id) from Vorgang1 where typ = 'R' and not storniert and id in "
                                   "(select vorgangID from Vorgang2 group by vorgangID "
                                   "having count(*) >= 4)"))
                      .rawInt();
        ASSERT_GT(invoice, 0);
    }
    // The first page of the PDF as a picture at 80 dpi, as the README shows it.
    QImage firstPage(const QString &pdf)
    {
        const QString base = out.filePath(QFileInfo(pdf).completeBaseName());
        QProcess ppm;
        ppm.start(QStringLiteral("pdftoppm"),
                  {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("80"),
                   QStringLiteral("-singlefile"), QStringLiteral("-f"), QStringLiteral("1"), pdf, base});
        EXPECT_TRUE(ppm.waitForFinished(60000));
        const QImage page(base + QStringLiteral(".png"));
        EXPECT_FALSE(page.isNull());
        ExpectNotBlank(page);
        return page;
    }

    std::unique_ptr<TestDb> demo;
    TVexDaoDatabase demoConnection;
    qint64 invoice = 0;
};

} // namespace

TEST_F(PrintScreenshots, DemoInvoiceAndPreview)
{
    ASSERT_FALSE(QFontDatabase::families().isEmpty()) << "no fonts: install fonts-liberation";
    const QString pdf = out.filePath(QStringLiteral("rechnung.pdf"));
    WriteVorgangPdf(&demoConnection, QString::number(invoice), pdf);
    SavePng(firstPage(pdf), ReadmePictures(), QStringLiteral("rechnung.png"));

    QApplication::setFont(QFont(QStringLiteral("Liberation Sans"), 9));
    Platform::setPrintersForTests({QStringLiteral("Büro Laserdrucker"), QStringLiteral("Lager Etiketten")},
                                  QStringLiteral("Büro Laserdrucker"), [](QPrinter &, const QString &) {});
    TBvorgang form(&demoConnection);
    form.FormCreate(QString::number(invoice));
    form.Bericht.title = form.titleText();
    for (const QSize size : {QSize(1920, 1080), QSize(1280, 800)}) {
        auto *preview = new TPrevForm(form.Bericht.build().release());
        preview->resize(size);
        preview->show();
        EXPECT_EQ(preview->windowTitle(), form.titleText());
        const QImage image = preview->grab().toImage();
        EXPECT_EQ(image.size(), size);
        ExpectNotBlank(image);
        // The page's width fills the view, with no part of it cut off.
        EXPECT_LE(preview->Preview->pageSizeInPixels().width(), preview->Preview->viewport()->width());
        if (size.width() == 1280)
            SavePng(image, ReadmePictures(), QStringLiteral("vorschau.png"));
        else
            SavePng(image, MorePictures(), QStringLiteral("vorschau-1920.png"));
        delete preview;
    }
    Platform::clearPrintersForTests();
    QApplication::setFont(QFont());
}

TEST_F(PrintScreenshots, InvoiceListPage)
{
    ASSERT_FALSE(QFontDatabase::families().isEmpty()) << "no fonts: install fonts-liberation";
    // One invoice from before the euro, so that the page shows a sum per currency.
    demo->exec(QStringLiteral("insert into Vorgang1 (typ, vorgangnr, kdnr, datum, vk, Waehrung, bezahlt, "
                              "bezahltdatum) values ('R', '9001', 12, '2001-05-05', 1234.56, 'DM', 1, "
                              "'2001-05-20')"));
    const QString pdf = out.filePath(QStringLiteral("rechnungsliste.pdf"));
    WriteInvoiceReportPdf(&demoConnection, InvoiceReportRequest(), pdf);
    EXPECT_TRUE(
        PdfTools::text(pdf).simplified().contains(QStringLiteral("1.234,56 DM 234,57 DM 1.469,13 DM")));
    SavePng(firstPage(pdf), ReadmePictures(), QStringLiteral("rechnungsliste.png"));
}

TEST_F(PrintScreenshots, ReminderPage)
{
    ASSERT_FALSE(QFontDatabase::families().isEmpty()) << "no fonts: install fonts-liberation";
    // A first dunning letter, with fee and interest, made by the run on a demo
    // invoice whose payment reminder went unanswered.
    const QDate key(2026, 12, 10);
    SetTodayForTests(key);
    demo->exec(QStringLiteral("update Vorgang1 set mahnstufe = 1, mahndatum = '2026-11-02' where typ = 'R' "
                              "and vorgangnr = '10027'"));
    Dunning::Settings settings;
    settings.zinsen = true;
    DunningList list = OverdueInvoices(demoConnection, settings, key);
    QSet<qint64> others;
    for (const DunningCandidate &c : list.items)
        if (c.number != QLatin1String("10027")) others.insert(c.invoiceId);
    const DunningRunResult run = CreateReminders(demoConnection, settings, list, others);
    SetTodayForTests(QDate());
    ASSERT_EQ(run.made.size(), 1) << run.error.toStdString();
    const QString pdf = out.filePath(QStringLiteral("mahnung.pdf"));
    WriteVorgangPdf(&demoConnection, QString::number(run.made.first().id), pdf);
    EXPECT_TRUE(PdfTools::text(pdf).simplified().contains(QStringLiteral("1. Mahnung M - ")));
    SavePng(firstPage(pdf), ReadmePictures(), QStringLiteral("mahnung.png"));
}
