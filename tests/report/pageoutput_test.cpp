// SPDX-License-Identifier: GPL-3.0-or-later
// The outputs of a page set: PDF with embedded fonts, printers with their
// page range and copies, pictures.
#include "pdftools.h"

#include "base/apperror.h"
#include "report/pageset.h"
#include "report/report.h"
#include "report/reportfonts.h"

#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Three pages: "Seite n" on each, in a serif and a sans font with umlauts.
std::unique_ptr<PageSet> threePages()
{
    Report report;
    report.title = QStringLiteral("Prüfbericht");
    ReportBand *title = report.addBand(ReportBand::Kind::Title, QStringLiteral("t"), 10);
    title->addLabel(QStringLiteral("l"), 0, 0, QStringLiteral("Größenprüfung"))
        .withFont(ReportFonts::font(QStringLiteral("Arial"), 14, true));
    // Characters the letterhead fonts lack come from the fallback font.
    title->addLabel(QStringLiteral("z"), 100, 0, QStringLiteral("Haken ✓ Stern ★"));
    ReportBand *summary = report.addBand(ReportBand::Kind::Summary, QStringLiteral("s"), 10);
    summary->addMemo(QStringLiteral("m"), 0, 0, 170, 0, QStringList(150, QStringLiteral("Zeile mit Text")))
        .fit = ReportElement::Fit::Grow;
    ReportBand *footer = report.addBand(ReportBand::Kind::PageFooter, QStringLiteral("f"), 10);
    footer->addPageNumber(QStringLiteral("n"), 0, 0, QStringLiteral("Seite "));
    auto pages = report.build();
    EXPECT_EQ(pages->pagesAvailable(), 3);
    return pages;
}

} // namespace

TEST(PageOutput, PdfHoldsEveryPageWithItsFontsEmbedded)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("bericht.pdf"));
    threePages()->writePdf(pdf);
    EXPECT_EQ(PdfTools::pageCount(pdf), 3);
    const QString text = PdfTools::text(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("Größenprüfung")));
    for (int p = 1; p <= 3; ++p)
        EXPECT_TRUE(PdfTools::text(pdf, p).contains(QStringLiteral("Seite %1").arg(p)));
    const QString fonts = PdfTools::fonts(pdf);
    EXPECT_TRUE(fonts.contains(QLatin1String("LiberationSerif"))) << fonts.toStdString();
    EXPECT_TRUE(fonts.contains(QLatin1String("LiberationSans-Bold"))) << fonts.toStdString();
    EXPECT_TRUE(fonts.contains(QLatin1String("DejaVuSans"))) << fonts.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Haken ✓ Stern ★")));
    // Every font line of pdffonts ends in "emb sub uni object ID"; "no" in the emb column means missing.
    for (const QString &line : fonts.split(QLatin1Char('\n')).mid(2)) {
        if (line.trimmed().isEmpty()) continue;
        const QStringList cols = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        ASSERT_GE(cols.size(), 6);
        EXPECT_EQ(cols.at(cols.size() - 5), QStringLiteral("yes")) << "not embedded: " << line.toStdString();
    }
}

TEST(PageOutput, PdfThatCannotBeWrittenLeavesNothingBehind)
{
    QTemporaryDir dir;
    auto pages = threePages();
    const QString missingFolder = dir.filePath(QStringLiteral("fehlt/bericht.pdf"));
    try {
        pages->writePdf(missingFolder);
        ADD_FAILURE() << "no error";
    } catch (const AppError &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Die Datei "))) << e.message().toStdString();
    }
    EXPECT_FALSE(QFile::exists(missingFolder));

    // An empty page set writes no file, and an older file stays as it was.
    const QString old = dir.filePath(QStringLiteral("alt.pdf"));
    {
        QFile f(old);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("alt");
    }
    PageSet empty;
    EXPECT_THROW(empty.writePdf(old), AppError);
    QFile f(old);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("alt"));
}

TEST(PageOutput, PrinterGetsItsPageRangeAndCopies)
{
    QTemporaryDir dir;
    auto pages = threePages();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFileName(dir.filePath(QStringLiteral("druck.pdf")));
    printer.setPrintRange(QPrinter::PageRange);
    printer.setPageRanges(QPageRanges::fromString(QStringLiteral("2-3")));
    EXPECT_EQ(pages->print(printer), 2);
    EXPECT_EQ(printer.docName(), QStringLiteral("Prüfbericht"));
    const QString printed = dir.filePath(QStringLiteral("druck.pdf"));
    EXPECT_EQ(PdfTools::pageCount(printed), 2);
    EXPECT_TRUE(PdfTools::text(printed, 1).contains(QStringLiteral("Seite 2")));
    EXPECT_TRUE(PdfTools::text(printed, 2).contains(QStringLiteral("Seite 3")));

    // Paper and orientation are the printer's: a landscape sheet gets the
    // portrait page scaled to fit, centred.
    QPrinter landscape(QPrinter::HighResolution);
    pages->setUpPrinter(landscape);
    EXPECT_EQ(landscape.pageLayout().orientation(), QPageLayout::Portrait);
    EXPECT_EQ(landscape.pageLayout().pageSize().id(), QPageSize::A4);
    landscape.setOutputFileName(dir.filePath(QStringLiteral("quer.pdf")));
    landscape.setPageOrientation(QPageLayout::Landscape);
    pages->print(landscape);
    const QString quer = dir.filePath(QStringLiteral("quer.pdf"));
    const QString info = PdfTools::run(QStringLiteral("pdfinfo"), {quer});
    EXPECT_TRUE(info.contains(QStringLiteral("842 x 595 pts"))) << info.toStdString();
    const QRectF title = PdfTools::boxOf(PdfTools::words(quer, 1), QStringLiteral("Größenprüfung"));
    EXPECT_GT(title.left(), (297 - 210 * 210 / 297.0) / 2 + 20 * 210 / 297.0 - 1) << "centred, scaled";
    EXPECT_LT(title.bottom(), 210);

    // A range beyond the report prints nothing.
    QPrinter beyond(QPrinter::HighResolution);
    beyond.setOutputFileName(dir.filePath(QStringLiteral("leer.pdf")));
    beyond.setPrintRange(QPrinter::PageRange);
    beyond.setPageRanges(QPageRanges::fromString(QStringLiteral("5-7")));
    EXPECT_EQ(pages->print(beyond), 0);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("leer.pdf"))));

    // Two copies of all pages, collated, where the printer does not copy itself.
    QPrinter copies(QPrinter::HighResolution);
    copies.setOutputFileName(dir.filePath(QStringLiteral("kopien.pdf")));
    copies.setCopyCount(2);
    copies.setCollateCopies(true);
    pages->print(copies);
    const int sheets = PdfTools::pageCount(dir.filePath(QStringLiteral("kopien.pdf")));
    EXPECT_EQ(sheets, copies.supportsMultipleCopies() ? 3 : 6);
}

TEST(PageOutput, PictureShowsThePageAtItsSize)
{
    auto pages = threePages();
    const QImage image = pages->renderPage(1, 50);
    EXPECT_EQ(image.size(), QSize(qRound(210 * 50 / 25.4), qRound(297 * 50 / 25.4)));
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) ++dark;
    EXPECT_GT(dark, 100);
}
