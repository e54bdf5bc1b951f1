// SPDX-License-Identifier: GPL-3.0-or-later
// The print preview: paging, zoom rules, the remembered printer, printing
// directly and after the printer dialog, help and closing.
#include "previewfixture.h"

#include "base/apperror.h"
#include "printing/pageview.h"
#include "printing/reporthelp.h"
#include "tests/dbfixture.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSpinBox>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

TEST_F(PreviewFixture, PagingStopsAtTheFirstAndTheLastPage)
{
    TPrevForm *w = open(3);
    EXPECT_EQ(w->Seite->text(), QStringLiteral("1 / 3"));
    w->T2->click();
    EXPECT_EQ(w->Seite->text(), QStringLiteral("1 / 3"));
    w->T3->click();
    EXPECT_EQ(w->Seite->text(), QStringLiteral("2 / 3"));
    w->T3->click();
    w->T3->click();
    EXPECT_EQ(w->Seite->text(), QStringLiteral("3 / 3"));
    EXPECT_EQ(w->Preview->pageNumber(), 3);
    w->T1->click();
    EXPECT_EQ(w->Seite->text(), QStringLiteral("1 / 3"));
    w->T4->click();
    EXPECT_EQ(w->Seite->text(), QStringLiteral("3 / 3"));
    delete w;

    TPrevForm *single = open(1);
    single->T3->click();
    single->T4->click();
    EXPECT_EQ(single->Seite->text(), QStringLiteral("1 / 1"));
}

TEST_F(PreviewFixture, FinishedPagesGiveTheTitleAndThePageWidth)
{
    auto *pages = new PageSet;
    window = new TPrevForm(pages);
    window->resize(1280, 800);
    window->show();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Bericht"));
    EXPECT_EQ(window->Seite->text(), QStringLiteral("Seite"));
    EXPECT_EQ(window->Preview->zoom(), 150);
    std::vector<int> seen;
    QObject::connect(pages, &PageSet::progressChanged,
                     [&](int) { seen.push_back(window->Progressbar->value()); });
    Report report;
    report.title = QStringLiteral("Vorgang R-10005");
    report.addBand(ReportBand::Kind::Summary, QStringLiteral("s"), 10)
        ->addLabel(QStringLiteral("l"), 0, 0, QStringLiteral("x"));
    report.build(*pages);
    EXPECT_FALSE(seen.empty());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Vorgang R-10005"));
    EXPECT_TRUE(window->Progressbar->isHidden());
    EXPECT_EQ(window->Seite->text(), QStringLiteral("1 / 1"));
    EXPECT_EQ(window->Preview->zoom(), window->Preview->pageWidthZoom());
    EXPECT_EQ(window->zoom->value(), window->Preview->zoom());
    // The page's width fills the view.
    const int free = window->Preview->viewport()->width() - window->Preview->pageSizeInPixels().width();
    EXPECT_GE(free, 0);
    EXPECT_LT(free, 60);
}

TEST_F(PreviewFixture, ZoomFollowsItsRules)
{
    TPrevForm *w = open(2);
    w->Zoom100->trigger();
    EXPECT_EQ(w->Preview->zoom(), 100);
    EXPECT_EQ(w->zoom->value(), 100);
    w->T5->click();
    EXPECT_EQ(w->Preview->zoom(), 110);
    EXPECT_EQ(w->zoom->text(), QStringLiteral("110"));
    w->T7->click();
    w->T7->click();
    EXPECT_EQ(w->Preview->zoom(), 90);

    // A typed zoom is taken whole when entered, above 300 as 300; below 5 as 5;
    // an emptied box gives 100.
    QLineEdit *edit = w->zoom->findChild<QLineEdit *>();
    ASSERT_TRUE(edit);
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("350"));
    EXPECT_EQ(w->Preview->zoom(), 90) << "not while typing";
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(w->zoom->value(), 300);
    EXPECT_EQ(w->Preview->zoom(), 300);
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("250"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(w->Preview->zoom(), 250);
    for (const char *small : {"0", "2"}) {
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromLatin1(small));
        QTest::keyClick(edit, Qt::Key_Return);
        EXPECT_EQ(w->zoom->value(), 5) << small;
        EXPECT_EQ(w->Preview->zoom(), 5) << small;
        w->T7Click();
        EXPECT_EQ(w->Preview->zoom(), 5) << "smaller than 5 % it never gets";
        w->Preview->setZoom(90);
    }
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(w->zoom->text(), QStringLiteral("100"));
    EXPECT_EQ(w->Preview->zoom(), 100);

    // The engine takes 2 to 2000 only.
    w->Preview->setZoom(1);
    w->Preview->setZoom(2001);
    EXPECT_EQ(w->Preview->zoom(), 100);

    // The box holds 300 at most: a wider page is brought back to 300 unless
    // the box already showed 300.
    w->resize(4000, 800);
    w->BreitederSeite1->trigger();
    EXPECT_EQ(w->zoom->value(), 300);
    EXPECT_EQ(w->Preview->zoom(), 300);
    w->BreitederSeite1->trigger();
    EXPECT_GT(w->Preview->zoom(), 300);
    EXPECT_EQ(w->zoom->value(), 300);

    w->resize(1280, 800);
    w->GesamteSeite1->trigger();
    const QSize page = w->Preview->pageSizeInPixels();
    EXPECT_LE(page.height(), w->Preview->viewport()->height());
    EXPECT_GT(page.height(), w->Preview->viewport()->height() - 60);
}

TEST_F(PreviewFixture, PrinterChoiceIsRememberedForTheUser)
{
    TPrevForm *w = open();
    ASSERT_EQ(w->PrinterBox->count(), 3);
    EXPECT_EQ(w->PrinterBox->currentIndex(), 0) << "first use: the first printer";
    w->PrinterBox->setCurrentIndex(2);
    Q_EMIT w->PrinterBox->activated(2);
    delete w;
    EXPECT_EQ(QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("quenar"),
                        QStringLiteral("report"))
                  .value(TPrevForm::settingsValue())
                  .toInt(),
              2);

    w = open();
    EXPECT_EQ(w->PrinterBox->currentText(), QStringLiteral("Empfang"));
    w->T8->click();
    ASSERT_EQ(printed.size(), 1);
    EXPECT_EQ(printed.at(0).printer, QStringLiteral("Empfang"));
    EXPECT_EQ(PdfTools::pageCount(printed.at(0).file), 3);
    EXPECT_EQ(w->status->text(), QStringLiteral("3 Seiten an den Drucker gesendet."));
    delete w;

    // Printers removed since: nothing selected, the job goes to the default printer.
    installPrinters({QStringLiteral("Büro")}, QStringLiteral("Büro"));
    w = open();
    EXPECT_EQ(w->PrinterBox->currentIndex(), -1);
    w->Standarddruck1->trigger();
    ASSERT_EQ(printed.size(), 2);
    EXPECT_EQ(printed.at(1).printer, QStringLiteral("Büro"));
}

TEST_F(PreviewFixture, DialogBeforePrintingChoosesThePagesOrPrintsNothing)
{
    ScriptedDialogsScope dialogs;
    TPrevForm *w = open(3);
    dialogs->answerPrinter(false);
    w->AuswahlvorAusdruck1->trigger();
    EXPECT_TRUE(printed.isEmpty());

    // The dialog starts from the report's paper; what is chosen there applies.
    dialogs->choosePrinter([](QPrinter &printer) {
        EXPECT_EQ(printer.pageLayout().pageSize().id(), QPageSize::A4);
        EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Portrait);
        printer.setPrintRange(QPrinter::PageRange);
        printer.setPageRanges(QPageRanges::fromString(QStringLiteral("2-3")));
        printer.setPageOrientation(QPageLayout::Landscape);
        return true;
    });
    w->AuswahlvorAusdruck1->trigger();
    ASSERT_EQ(printed.size(), 1);
    EXPECT_EQ(PdfTools::pageCount(printed.at(0).file), 2);
    EXPECT_TRUE(PdfTools::run(QStringLiteral("pdfinfo"), {printed.at(0).file})
                    .contains(QStringLiteral("842 x 595 pts")))
        << "landscape as chosen";
    EXPECT_TRUE(PdfTools::text(printed.at(0).file, 1).contains(QStringLiteral("Seite 2")));
    EXPECT_TRUE(PdfTools::text(printed.at(0).file, 2).contains(QStringLiteral("Seite 3")));
    EXPECT_EQ(w->PrinterBox->currentIndex(), 0) << "the printer box is not used";
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(PreviewFixture, WithoutPrintersPrintingSaysSo)
{
    ScriptedDialogsScope dialogs;
    installPrinters({}, QString());
    TPrevForm *w = open(1);
    EXPECT_EQ(w->PrinterBox->count(), 0);
    dialogs->answerMessage(Dialogs::Ok);
    w->T8->click();
    EXPECT_TRUE(printed.isEmpty());
    EXPECT_EQ(
        dialogs->messages(),
        QStringList{QStringLiteral("Tavirelsverwaltung|Es ist kein Drucker eingerichtet. Bitte richten Sie "
                                   "einen Drucker ein, um den Bericht zu drucken.")});
}

TEST_F(PreviewFixture, EscClosesTheWindowAndFreesItsPages)
{
    TPrevForm *w = open(1);
    QPointer<PageSet> pages = w->pageSet();
    ASSERT_TRUE(pages);
    QApplication::setActiveWindow(w);
    QTest::keyClick(w, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window);
    EXPECT_FALSE(pages);
}

TEST_F(PreviewFixture, CaptionsHelpAndStatusTexts)
{
    TPrevForm *w = open(1);
    EXPECT_EQ(w->T1->toolButtonStyle(), Qt::ToolButtonIconOnly);
    EXPECT_TRUE(w->Symbolunterschriften1->isChecked());
    w->Symbolunterschriften1->trigger();
    EXPECT_EQ(w->T1->toolButtonStyle(), Qt::ToolButtonIconOnly) << "the first choice only lowers the buttons";
    EXPECT_EQ(w->T1->height(), 20);
    w->Symbolunterschriften1->trigger();
    EXPECT_EQ(w->T1->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);

    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(w->T3, &enter);
    EXPECT_EQ(w->status->text(), QStringLiteral("Nächste Seite anzeigen."));
    QApplication::sendEvent(w->zoom, &enter);
    EXPECT_EQ(w->status->text(), QStringLiteral("Verändert den Vergrößerungsfaktor der Seitenanzeige."));
    QApplication::sendEvent(w->Preview, &enter);
    EXPECT_EQ(w->status->text(), QString());

    w->T11->click();
    ReportHelp *help = ReportHelp::current();
    ASSERT_TRUE(help);
    EXPECT_EQ(help->topic(), 2000);
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(help->toPlainText().contains(QStringLiteral("Auswahl vor Ausdruck")));
    help->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(ReportHelp::current());
}

TEST_F(PreviewFixture, FailingBuildClosesThePreviewAndTheErrorReachesTheCaller)
{
    Report report;
    ReportBand *summary = report.addBand(ReportBand::Kind::Summary, QStringLiteral("s"), 10);
    summary->beforePrint = [](ReportBand &, bool &) { throw AppError(QStringLiteral("Datensatz fehlt")); };
    QPointer<TPrevForm> shown;
    EXPECT_EQ(ERROR_OF(report.preview([&](PageSet *pages) {
                  shown = new TPrevForm(pages);
                  shown->show();
              })),
              QStringLiteral("Datensatz fehlt"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(shown);
}
