// SPDX-License-Identifier: GPL-3.0-or-later
// The dunning run from the document list: the status "überfällig", the run's
// window with its choices, the closing box and the printing of the reminders;
// the run window's README picture.
#include "data/settings.h"
#include "listfixture.h"
#include "lists/core/documentlistfilter.h"
#include "lists/tfmahnlauf.h"
#include "tests/screenshot.h"

#include <QDateEdit>
#include <QFontDatabase>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>

namespace {

class DunningWindow : public ListFixture
{
  protected:
    void SetUp() override
    {
        ListFixture::SetUp();
        SetTodayForTests(QDate(2026, 3, 1));
        IniFile(ProgramFolder::iniPath())
            .writeString(QStringLiteral("Mahnwesen"), QStringLiteral("Zinsen"), QStringLiteral("1"));
        db->exec(QStringLiteral("insert into Adress (KDNR, NAME1, VERBRAUCHER) values (1005, 'Müller & Söhne "
                                "GmbH', false), (1006, 'Anna Berger', true)"));
        const char *const rows[] = {
            "'10001', 1005, '2026-01-10', 0, NULL",         // a payment reminder
            "'10002', 1006, '2026-01-05', 1, '2026-02-10'", // the first dunning letter, with interest
            "'10003', 1005, '2026-01-02', 3, '2026-02-01'", // done with: to court
            "'10004', 1006, '2026-02-25', 0, NULL",         // not yet overdue
        };
        for (const char *r : rows)
            db->exec(
                QStringLiteral("insert into Vorgang1 (typ, vorgangnr, kdnr, zieldatum, mahnstufe, mahndatum, "
                               "datum, bezahlt, storniert, vk, mwst, Waehrung, anschrift) values ('R', %1, "
                               "'2025-12-20', false, false, 250, 47.5, '€', 'Anschrift')")
                    .arg(QString::fromLatin1(r)));
    }
    qint64 reminders() { return count(QStringLiteral("select count(*) from Vorgang1 where typ = 'M'")); }
};

TEST_F(DunningWindow, StatusRunWindowAndPrintWithScreenshot)
{
    TFVListe *w = openList();
    chooseStatus(DocumentListFilter::statusIndexOfCommandName(QStringLiteral("ueberfaellig")));
    EXPECT_EQ(w->cstatus->currentText(), QStringLiteral("überfällig"));
    EXPECT_EQ(numbers(),
              QStringList({QStringLiteral("10003"), QStringLiteral("10002"), QStringLiteral("10001")}));
    // The grid names each invoice's next step and what it claims, as the run would make it.
    const QAbstractItemModel *grid = w->liste->model();
    const int steps = grid->columnCount() - 4;
    EXPECT_EQ(grid->headerData(steps, Qt::Horizontal).toString(), QStringLiteral("Nächste Stufe"));
    const auto row = [grid, steps](int r) {
        QStringList cells;
        for (int c = steps; c < steps + 4; ++c)
            cells << grid->index(r, c).data().toString();
        return cells.join(QLatin1Char('|'));
    };
    EXPECT_EQ(row(0), QStringLiteral("an Inkasso / Mahnbescheid|||"));
    EXPECT_EQ(row(1), QStringLiteral("1. Mahnung|5,00|2,81|305,31"));
    EXPECT_EQ(row(2), QStringLiteral("Zahlungserinnerung|0,00|0,00|297,50"));
    dialogs->answerExec([](QDialog &d) {
        auto &run = dynamic_cast<TFMahnlauf &>(d);
        EXPECT_EQ(run.Liste->rowCount(), 3);
        EXPECT_EQ(run.Liste->item(0, 5)->text(), QStringLiteral("an Inkasso / Mahnbescheid"));
        EXPECT_EQ(run.Liste->item(1, 5)->text(), QStringLiteral("1. Mahnung"));
        // 297,50 € + 5 € + 6,27 % on 297,50 € for 55 days = 2,81 €.
        EXPECT_EQ(run.Liste->item(1, 9)->text(), QStringLiteral("305,31 €"));
        EXPECT_FALSE(run.Liste->item(0, 0)->flags() & Qt::ItemIsUserCheckable);
        EXPECT_EQ(run.Summe->text(), QStringLiteral("2 Mahnungen über 602,81 €"));
        if (!QFontDatabase::families().isEmpty()) {
            QApplication::setFont(QFont(QStringLiteral("Liberation Sans"), 9));
            run.show();
            for (const QSize size : {QSize(1920, 1080), QSize(1280, 800)}) {
                run.resize(size);
                QApplication::processEvents();
                const QImage image = run.grab().toImage();
                ExpectNotBlank(image);
                SavePng(image, size.width() == 1280 ? ReadmePictures() : MorePictures(),
                        size.width() == 1280 ? QStringLiteral("mahnlauf.png")
                                             : QStringLiteral("mahnlauf-1920.png"));
            }
            QApplication::setFont(QFont());
        }
        // A key date before the payment reminder was due lists only the old ones.
        run.Stichtag->setDate(QDate(2026, 1, 20));
        EXPECT_EQ(run.Liste->rowCount(), 1);
        run.Stichtag->setDate(QDate(2026, 3, 1));
        run.Liste->item(2, 0)->setCheckState(Qt::Unchecked);
        EXPECT_EQ(run.Summe->text(), QStringLiteral("1 Mahnung über 305,31 €"));
        run.btok->click();
        return run.result();
    });
    dialogs->answerMessage(Dialogs::Yes);
    w->Mahnlauf1->trigger();
    EXPECT_EQ(messages(),
              QStringList(QStringLiteral(
                  "Tavirelsverwaltung|Es ist 1 Mahnung (20000) erstellt worden.\n\nJetzt ausdrucken?")));
    EXPECT_EQ(reminders(), 1);
    EXPECT_TRUE(w->Memo1->toPlainText().startsWith(QStringLiteral("Mahnungsdruck wird gestartet...")));
    EXPECT_EQ(printedIds(),
              QStringList(QString::number(count(QStringLiteral("select id from Vorgang1 where typ = 'M'")))));
    EXPECT_EQ(numbers(), QStringList({QStringLiteral("10003"), QStringLiteral("10001")}))
        << "the reminded invoice is no longer due today";
    EXPECT_EQ(row(1), QStringLiteral("Zahlungserinnerung|0,00|0,00|297,50"));
    chooseStatus(0);
    EXPECT_EQ(w->liste->model()->columnCount(), steps) << "other lists show no dunning columns";

    // Cancelled, the window makes nothing.
    dialogs->answerExec([](QDialog &) { return int(QDialog::Rejected); });
    w->Mahnlauf1->trigger();
    EXPECT_EQ(reminders(), 1);
    EXPECT_TRUE(dialogs->allAnswered());
}

// An invoice whose interest has no known base rate is named and left out,
// a time-barred one waits unticked after the others, and one reminded at
// another workstation meanwhile is named with the reason.
TEST_F(DunningWindow, WhatIsLeftOutIsNamed)
{
    for (const char *r :
         {"'alt', 1005, '2001-06-01', 1, '2001-06-20'", "'2014', 1005, '2014-06-02', 1, '2014-06-20'"})
        db->exec(
            QStringLiteral("insert into Vorgang1 (typ, vorgangnr, kdnr, zieldatum, mahnstufe, mahndatum, "
                           "datum, bezahlt, storniert, vk, mwst, Waehrung, anschrift) values ('R', %1, "
                           "'2000-01-01', false, false, 100, 19, '€', 'Anschrift')")
                .arg(QString::fromLatin1(r)));
    TFVListe *w = openList();
    dialogs->answerExec([this](QDialog &d) {
        auto &run = dynamic_cast<TFMahnlauf &>(d);
        EXPECT_TRUE(run.Summe->text().contains(
            QStringLiteral("Rechnung alt (Müller & Söhne GmbH, fällig am 01.06.2001): Für den 02.06.2001")))
            << run.Summe->text().toStdString();
        EXPECT_TRUE(run.btok->isEnabled());
        const int last = run.Liste->rowCount() - 1;
        EXPECT_EQ(run.Liste->item(last, 1)->text(), QStringLiteral("2014"));
        EXPECT_EQ(run.Liste->item(last, 5)->text(), QStringLiteral("1. Mahnung (verjährt seit 01.01.2018)"));
        EXPECT_EQ(run.Liste->item(last, 0)->checkState(), Qt::Unchecked);
        db->exec(QStringLiteral(
            "update Vorgang1 set mahnstufe = 1, mahndatum = '2026-03-01' where vorgangnr = '10001'"));
        run.btok->click();
        return run.result();
    });
    dialogs->answerMessage(Dialogs::No);
    w->Mahnlauf1->trigger();
    EXPECT_EQ(messages(),
              QStringList(QStringLiteral(
                  "Tavirelsverwaltung|Es ist 1 Mahnung (20000) erstellt worden.\n\n1 Rechnung übergangen:\n"
                  "Rechnung 10001 (Müller & Söhne GmbH): inzwischen an einem anderen Arbeitsplatz gemahnt\n\n"
                  "Jetzt ausdrucken?")));
    EXPECT_EQ(reminders(), 1);
    EXPECT_TRUE(dialogs->allAnswered());
}

} // namespace
