// Pictures for the README, made offscreen from the demo database: a page of
// a demo invoice and of the invoice list (through their PDFs) and the print
// preview at 1280 x 800.
#include "printfixture.h"

#include "app/platform.h"
#include "printing/pageview.h"
#include "printing/tberechnung.h"
#include "printing/tprevform.h"
#include "report/report.h"

#include <QPrinter>

#include <QApplication>
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
    static QString folder() { return QStringLiteral(TAVIREL_SOURCE_DIR "/docs/screenshots"); }
    static void expectNotBlank(const QImage &image)
    {
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 7)
            for (int x = 0; x < image.width(); x += 7)
                colours.insert(image.pixel(x, y));
        EXPECT_GT(colours.size(), 8) << "the picture is nearly blank";
    }

    std::unique_ptr<TestDb> demo;
    TVexDaoDatabase demoConnection;
    qint64 invoice = 0;
};

} // namespace

TEST_F(PrintScreenshots, DemoInvoiceAndPreview)
{
    ASSERT_FALSE(QFontDatabase::families().isEmpty()) << "no fonts: install fonts-liberation";
    ASSERT_TRUE(QDir().mkpath(folder()));

    const QString pdf = out.filePath(QStringLiteral("rechnung.pdf"));
    WriteVorgangPdf(&demoConnection, QString::number(invoice), pdf);
    QProcess ppm;
    ppm.start(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("80"),
                                           QStringLiteral("-singlefile"), QStringLiteral("-f"),
                                           QStringLiteral("1"), pdf, folder() + QStringLiteral("/rechnung")});
    ASSERT_TRUE(ppm.waitForFinished(60000));
    const QImage page(folder() + QStringLiteral("/rechnung.png"));
    ASSERT_FALSE(page.isNull());
    expectNotBlank(page);

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
        expectNotBlank(image);
        // The page's width fills the view, with no part of it cut off.
        EXPECT_LE(preview->Preview->pageSizeInPixels().width(), preview->Preview->viewport()->width());
        const QString name =
            size.width() == 1280 ? QStringLiteral("vorschau.png") : QStringLiteral("vorschau-1920.png");
        EXPECT_TRUE(
            image.save((size.width() == 1280 ? folder() : out.path()) + QLatin1Char('/') + name, "PNG"));
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
    EXPECT_TRUE(PdfTools::text(pdf).simplified().contains(QStringLiteral("1.234,56 DM 1.469,13 DM")));
    QProcess ppm;
    ppm.start(QStringLiteral("pdftoppm"),
              {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("80"),
               QStringLiteral("-singlefile"), QStringLiteral("-f"), QStringLiteral("1"), pdf,
               folder() + QStringLiteral("/rechnungsliste")});
    ASSERT_TRUE(ppm.waitForFinished(60000));
    const QImage page(folder() + QStringLiteral("/rechnungsliste.png"));
    ASSERT_FALSE(page.isNull());
    expectNotBlank(page);
}
