// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A preview window on a page set of a few numbered pages, with pretended
// printers whose jobs land in PDF files, and the printer choice kept in a
// settings folder of the test's own.
#include "tests/report/pdftools.h"

#include "platform/platform.h"
#include "printing/tprevform.h"
#include "report/report.h"
#include "widgets/scripteddialogs.h"

#include <QApplication>
#include <QPrinter>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

struct PrintJob
{
    QString printer;
    QString file;
};

class PreviewFixture : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
        installPrinters({QStringLiteral("Büro"), QStringLiteral("Lager"), QStringLiteral("Empfang")},
                        QStringLiteral("Lager"));
    }
    void TearDown() override
    {
        if (window) delete window.data();
        Platform::clearPrintersForTests();
    }

    void installPrinters(const QStringList &names, const QString &defaultName)
    {
        Platform::setPrintersForTests(names, defaultName, [this](QPrinter &printer, const QString &name) {
            PrintJob job{name, jobs.filePath(QStringLiteral("job%1.pdf").arg(printed.size()))};
            printer.setOutputFileName(job.file);
            printed << job;
        });
    }

    // A report of `count` pages, "Seite n" in the footer of each.
    static std::unique_ptr<PageSet> numberedPages(int count)
    {
        Report report;
        report.title = QStringLiteral("Testbericht");
        ReportBand *summary = report.addBand(ReportBand::Kind::Summary, QStringLiteral("s"), 5);
        // 247 mm of body hold 50 lines of 12 point.
        summary
            ->addMemo(QStringLiteral("m"), 0, 0, 170, 0, QStringList(50 * count - 10, QStringLiteral("Text")))
            .fit = ReportElement::Fit::Grow;
        ReportBand *footer = report.addBand(ReportBand::Kind::PageFooter, QStringLiteral("f"), 10);
        footer->addPageNumber(QStringLiteral("n"), 0, 0, QStringLiteral("Seite "));
        auto pages = report.build();
        EXPECT_EQ(pages->pagesAvailable(), count);
        return pages;
    }

    TPrevForm *open(int pageCount = 3)
    {
        window = new TPrevForm(numberedPages(pageCount).release());
        window->resize(1280, 800);
        window->show();
        return window;
    }

    QTemporaryDir settingsDir, jobs;
    QList<PrintJob> printed;
    QPointer<TPrevForm> window;
};
