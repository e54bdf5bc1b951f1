// SPDX-License-Identifier: GPL-3.0-or-later
// The document list: what it shows as it opens and after each filter action,
// the status box, the customer button, the period by calendar and quarter,
// the order by title clicks, and how the main window and the address window
// reach it.
#include "listfixture.h"

#include "documents/tfvorgang.h"
#include "lists/core/documentlistfilter.h"
#include "widgets/dbedit.h"

namespace {

class DocumentList : public ListFixture
{
  protected:
    void SetUp() override
    {
        ListFixture::SetUp();
        address(1005, QStringLiteral("Müller"));
        address(1006, QStringLiteral("Anton"));
    }
};

TEST_F(DocumentList, OpensUnfilteredThenAlwaysKeepsThePeriodCondition)
{
    invoice(QStringLiteral("10001"), 1005, QStringLiteral("1998-12-31"));
    invoice(QStringLiteral("10002"), 1005, QStringLiteral("2005-02-01"));
    invoice(QStringLiteral("10003"), 99, QStringLiteral("2005-02-02")); // no address, listed all the same
    TFVListe *w = openList();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Vorgangs-Übersicht"));
    EXPECT_EQ(w->Zeitanzeige->text(), QStringLiteral("Kein Zeitraum"));
    EXPECT_FALSE(list().Filtered());
    EXPECT_EQ(numbers(),
              QStringList({QStringLiteral("10003"), QStringLiteral("10002"), QStringLiteral("10001")}))
        << "newest first";
    EXPECT_EQ(list().FieldByName(QStringLiteral("Kunde"))->AsString(), QString());

    w->KeinZeitraum1Click();
    EXPECT_EQ(list().Filter(), QStringLiteral("datum >= #01/01/1999# and datum <=#12/31/2100#"));
    EXPECT_TRUE(list().Filtered());
    EXPECT_EQ(numbers(), QStringList({QStringLiteral("10003"), QStringLiteral("10002")}))
        << "the document of 1998 is gone";
    EXPECT_EQ(w->Zeitanzeige->text(), QStringLiteral("01.01.1999 - 31.12.2100"));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Vorgangs-Übersicht")) << "until the first status choice";
}

TEST_F(DocumentList, StatusBoxConditionsAndSeparators)
{
    Doc paidCancelled;
    paidCancelled.nr = QStringLiteral("10001");
    paidCancelled.bezahlt = paidCancelled.storniert = true;
    document(paidCancelled);
    Doc cancelled;
    cancelled.nr = QStringLiteral("10002");
    cancelled.storniert = true;
    document(cancelled);
    invoice(QStringLiteral("10003"));
    Doc offer;
    offer.typ = QStringLiteral("A");
    offer.nr = QStringLiteral("20001");
    document(offer);
    Doc monthly;
    monthly.typ = QStringLiteral("V");
    monthly.nr = QStringLiteral("30001");
    monthly.vertragT = QStringLiteral("M");
    document(monthly);
    Doc received, receivedPaid;
    received.typ = receivedPaid.typ = QStringLiteral("E");
    received.nr = QStringLiteral("HK-7");
    receivedPaid.nr = QStringLiteral("HK-6");
    receivedPaid.bezahlt = true;
    document(received);
    document(receivedPaid);
    Doc reminder;
    reminder.typ = QStringLiteral("M");
    reminder.nr = QStringLiteral("20100");
    document(reminder);
    TFVListe *w = openList();
    ASSERT_EQ(w->cstatus->count(), 20);
    EXPECT_EQ(w->cstatus->maxVisibleItems(), 12);

    chooseStatus(7); // "Offene Rechnungen"
    EXPECT_EQ(numbers(), QStringList(QStringLiteral("10003"))) << "cancelled invoices are not open";
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Vorgangs-Übersicht: Offene Rechnungen"));
    chooseStatus(6); // "Bezahlte Rechnungen"
    EXPECT_EQ(numbers(), QStringList(QStringLiteral("10001"))) << "paid and cancelled still counts as paid";
    chooseStatus(8); // "Stornierte Rechnungen"
    EXPECT_EQ(numbers(), QStringList({QStringLiteral("10002"), QStringLiteral("10001")}));

    // A separator is a line between the groups, not an entry to choose.
    for (int separator : {1, 5, 9, 14, 17}) {
        const QModelIndex i = w->cstatus->model()->index(separator, 0);
        EXPECT_FALSE(w->cstatus->model()->flags(i) & Qt::ItemIsSelectable) << separator;
        EXPECT_EQ(w->cstatus->itemText(separator), QString()) << separator;
    }

    chooseStatus(10); // "Verträge (Monat)"
    EXPECT_EQ(numbers(), QStringList(QStringLiteral("30001")));
    chooseStatus(11); // "Verträge (Jahr)"
    EXPECT_TRUE(numbers().isEmpty());
    chooseStatus(2); // "alle Angebote"
    EXPECT_EQ(numbers(), QStringList(QStringLiteral("20001")));
    chooseStatus(15); // "Eingangsrechnungen"
    EXPECT_EQ(numbers(), QStringList({QStringLiteral("HK-7"), QStringLiteral("HK-6")}));
    chooseStatus(16); // "Eingangsrechnungen (offen)"
    EXPECT_EQ(numbers(), QStringList(QStringLiteral("HK-7")));
    chooseStatus(19); // "Mahnungen"
    EXPECT_EQ(numbers(), QStringList(QStringLiteral("20100"))) << "the reminders alone";
    chooseStatus(0);
    EXPECT_EQ(numbers().size(), 8);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Vorgangs-Übersicht: (alle Vorgänge)"));
}

TEST_F(DocumentList, CustomerButtonTakesTheCurrentRowsCustomer)
{
    invoice(QStringLiteral("10001"), 1005);
    invoice(QStringLiteral("10002"), 1006);
    Doc offer;
    offer.typ = QStringLiteral("A");
    offer.nr = QStringLiteral("20001");
    document(offer);
    TFVListe *w = openList();
    ASSERT_TRUE(list().Locate(QStringLiteral("vorgangnr"), Value(QStringLiteral("10001")), 0));

    w->BTfilter()->click();
    EXPECT_TRUE(w->BTfilter()->isChecked());
    EXPECT_EQ(w->Filter.CustomerFilter, QStringLiteral("kdnr =1005"));
    chooseStatus(3); // "alle Rechnungen"
    EXPECT_EQ(list().Filter(),
              QStringLiteral("Typ = 'R' and kdnr =1005 and datum >= #01/01/1999# and datum <=#12/31/2100#"));
    EXPECT_EQ(numbers(), QStringList(QStringLiteral("10001")));

    w->BTfilter()->click();
    EXPECT_FALSE(w->BTfilter()->isChecked());
    EXPECT_EQ(numbers(), QStringList({QStringLiteral("10002"), QStringLiteral("10001")}));
}

TEST_F(DocumentList, PeriodFromTheCalendars)
{
    invoice(QStringLiteral("10001"), 1005, QStringLiteral("2005-03-31"));
    invoice(QStringLiteral("10002"), 1005, QStringLiteral("2005-06-30"));
    invoice(QStringLiteral("10003"), 1005, QStringLiteral("2005-06-30 10:00:00"));
    invoice(QStringLiteral("10004"), 1005, QStringLiteral("2005-04-01"));
    TFVListe *w = openList();

    // No period yet: both calendars open on today.
    answerCalendar(QStringLiteral("Start-Datum"), QDate(2005, 3, 15), QDate(2005, 4, 1));
    answerCalendar(QStringLiteral("End-Datum"), QDate(2005, 3, 15), QDate(2005, 6, 30));
    w->TimefilterClick();
    EXPECT_EQ(w->Zeitanzeige->text(), QStringLiteral("01.04.2005 - 30.06.2005"));
    // The last day counts whole only without a time of day.
    EXPECT_EQ(numbers(), QStringList({QStringLiteral("10002"), QStringLiteral("10004")}));

    // Both open on the period now; a cancelled start asks no end and keeps the period.
    answerCalendar(QStringLiteral("Start-Datum"), QDate(2005, 4, 1), QDate());
    w->TimefilterClick();
    EXPECT_TRUE(dialogs->allAnswered());
    EXPECT_EQ(w->Zeitanzeige->text(), QStringLiteral("01.04.2005 - 30.06.2005"));

    // An end before the start gives an empty list, without a word.
    answerCalendar(QStringLiteral("Start-Datum"), QDate(2005, 4, 1), QDate(2005, 5, 1));
    answerCalendar(QStringLiteral("End-Datum"), QDate(2005, 6, 30), QDate(2005, 4, 1));
    w->TimefilterClick();
    EXPECT_TRUE(numbers().isEmpty());
    EXPECT_TRUE(dialogs->allAnswered());
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(DocumentList, QuartersTakeTheYearOfThePeriodOrOfToday)
{
    SetTodayForTests(QDate(2005, 5, 15));
    TFVListe *w = openList();
    w->QuartalIII1->trigger();
    EXPECT_EQ(w->Zeitanzeige->text(), QStringLiteral("01.07.2005 - 30.09.2005"));
    w->QuartalI1->trigger();
    EXPECT_EQ(w->Zeitanzeige->text(), QStringLiteral("01.01.2005 - 31.03.2005"));

    answerCalendar(QStringLiteral("Start-Datum"), QDate(2005, 1, 1), QDate(2003, 2, 10));
    answerCalendar(QStringLiteral("End-Datum"), QDate(2005, 3, 31), QDate(2003, 2, 20));
    w->TimefilterClick();
    w->QuartalIV1->trigger();
    EXPECT_EQ(w->Zeitanzeige->text(), QStringLiteral("01.10.2003 - 31.12.2003"));

    // A start picked as 01.01.1999 means no period: the next start calendar
    // opens on today and a quarter takes this year again.
    answerCalendar(QStringLiteral("Start-Datum"), QDate(2003, 10, 1), QDate(1999, 1, 1));
    answerCalendar(QStringLiteral("End-Datum"), QDate(2003, 12, 31), QDate(2003, 12, 31));
    w->TimefilterClick();
    answerCalendar(QStringLiteral("Start-Datum"), QDate(2005, 5, 15), QDate());
    w->TimefilterClick();
    w->QuartalII1->trigger();
    EXPECT_EQ(w->Zeitanzeige->text(), QStringLiteral("01.04.2005 - 30.06.2005"));

    w->KeinZeitraum1->trigger();
    EXPECT_EQ(w->Zeitanzeige->text(), QStringLiteral("01.01.1999 - 31.12.2100"));
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(DocumentList, TitleClicksOrderAndToggleButNotOnTheGrossAmount)
{
    invoice(QStringLiteral("10001"), 1005, QStringLiteral("2005-01-01"));
    invoice(QStringLiteral("10002"), 1006, QStringLiteral("2005-02-01"));
    invoice(QStringLiteral("10003"), 1005, QStringLiteral("2005-03-01"));
    TFVListe *w = openList();
    const auto columnOf = [w](const QString &field) {
        for (int c = 0; c < w->liste->model()->columnCount(); ++c)
            if (w->liste->fieldNameAt(c) == field) return c;
        return -1;
    };
    chooseStatus(3);
    const QString filter = list().Filter();

    w->listeTitleClick(columnOf(QStringLiteral("Kunde")));
    EXPECT_EQ(list().SQL().constLast(), QStringLiteral("order by Adress.Name1"));
    EXPECT_EQ(column("Kunde").first(), QStringLiteral("Anton"));
    w->listeTitleClick(columnOf(QStringLiteral("Kunde")));
    EXPECT_EQ(list().SQL().constLast(), QStringLiteral("order by Adress.Name1 desc"));
    EXPECT_EQ(column("Kunde").first(), QStringLiteral("Müller"));
    EXPECT_EQ(w->sorter->text(), QStringLiteral("Sortierung: Kunde"));
    EXPECT_EQ(list().Filter(), filter) << "the filter stays";
    EXPECT_TRUE(list().Filtered());

    // The gross amount cannot be ordered by: nothing changes.
    w->listeTitleClick(columnOf(QStringLiteral("vkbr")));
    EXPECT_EQ(list().SQL().constLast(), QStringLiteral("order by Adress.Name1 desc"));
    EXPECT_EQ(w->sorter->text(), QStringLiteral("Sortierung: Kunde"));

    // Another title starts ascending, also the date that opened descending.
    w->listeTitleClick(columnOf(QStringLiteral("Datum")));
    EXPECT_EQ(numbers(),
              QStringList({QStringLiteral("10001"), QStringLiteral("10002"), QStringLiteral("10003")}));
    EXPECT_EQ(w->sorter->text(), QStringLiteral("Sortierung: Datum"));
    w->listeTitleClick(columnOf(QStringLiteral("Typ")));
    EXPECT_EQ(list().SQL().constLast(), QStringLiteral("order by Vorgang1.typ"));
    // The gross title and cells are red.
    const int vkbr = columnOf(QStringLiteral("vkbr"));
    EXPECT_EQ(w->liste->model()->headerData(vkbr, Qt::Horizontal).toString(), QStringLiteral("VK Brutto"));
    EXPECT_EQ(w->liste->model()->headerData(vkbr, Qt::Horizontal, Qt::ForegroundRole).value<QColor>(),
              QColor(Qt::red));
}

TEST_F(DocumentList, ASelectThatCannotBeReadLeavesAnEmptyListAndSaysSo)
{
    invoice(QStringLiteral("10001"));
    QFile::remove(sqlPath());
    dialogs->answerMessage(Dialogs::Ok).answerMessage(Dialogs::Ok).answerMessage(Dialogs::Ok);
    TFVListe *w = openList();
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages().first().contains(QStringLiteral("vliste.sql")))
        << messages().first().toStdString();
    EXPECT_FALSE(list().Active());
    EXPECT_EQ(w->liste->model()->rowCount(), 0);
    w->listeTitleClick(0);
    EXPECT_EQ(messages().size(), 2) << "a title click says it again";
    chooseStatus(3); // filters are stored; nothing to show
    EXPECT_EQ(messages().size(), 2);
    w->close();

    // A select without one of the bound columns names the missing field.
    QFile f(sqlPath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("SELECT Vorgang1.id, Vorgang1.kdnr, Vorgang1.Datum, Vorgang1.Typ, Vorgang1.vorgangnr, "
            "Adress.NAME1 AS Kunde FROM Vorgang1 INNER JOIN Adress ON Vorgang1.kdnr = Adress.KDNR\r\n");
    f.close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    openList();
    ASSERT_EQ(messages().size(), 3);
    EXPECT_TRUE(messages().last().contains(QStringLiteral("Zieldatum"))) << messages().last().toStdString();
}

TEST_F(DocumentList, MainWindowOpensItOnceAndTheAddressRestrictsIt)
{
    invoice(QStringLiteral("10001"), 1005);
    invoice(QStringLiteral("10002"), 1006);
    main->bersicht1->trigger();
    TFVListe *w = window();
    ASSERT_NE(w, nullptr);
    main->ToolButton4->trigger();
    EXPECT_EQ(main->childWindows().size(), 1);

    // "alle Vorgänge anzeigen" of the address window: the current address's customer.
    addresses->Adress.Refresh();
    ASSERT_TRUE(addresses->Adress.Locate(QStringLiteral("KDNR"), Value(qint64(1006)), 0));
    main->ShowVorgaengeOfAddress();
    EXPECT_EQ(main->childWindows().size(), 1);
    EXPECT_TRUE(w->BTfilter()->isChecked());
    EXPECT_EQ(w->Filter.CustomerFilter, QStringLiteral("kdnr =1006"))
        << "pressing the button is no user click";
    EXPECT_EQ(numbers(), QStringList(QStringLiteral("10002")));

    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(main->FVListe.data(), nullptr);
    main->bersicht1->trigger();
    EXPECT_FALSE(window()->BTfilter()->isChecked()) << "a new list starts unfiltered";
    EXPECT_EQ(numbers().size(), 2);
}

TEST_F(DocumentList, ShowsTheChosenDocumentInTheEditor)
{
    invoice(QStringLiteral("10001"), 1005, QStringLiteral("2005-01-01"));
    const qint64 second = invoice(QStringLiteral("10002"), 1006, QStringLiteral("2005-03-01"));
    main->registerWindow(WindowKind::Vorgang, [] { return new TFVorgang; });
    TFVListe *w = openList();
    ASSERT_TRUE(list().Locate(QStringLiteral("id"), Value(second), 0));
    w->btdetails->click();
    auto *editor = qobject_cast<TFVorgang *>(main->FVorgang.data());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->sVnr->text(), QStringLiteral("10002"));

    // Another row: the one editor follows it rather than a second one opening.
    ASSERT_TRUE(list().Locate(QStringLiteral("vorgangnr"), Value(QStringLiteral("10001")), 0));
    w->btdetailsClick();
    EXPECT_EQ(main->FVorgang.data(), editor);
    EXPECT_EQ(editor->sVnr->text(), QStringLiteral("10001"));
    EXPECT_EQ(main->childWindows().size(), 2);
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST(DocumentListFilterText, CommandNamesNameTheStatusLines)
{
    DocumentListFilter f;
    f.chooseStatus(DocumentListFilter::statusIndexOfCommandName(QStringLiteral("offen")));
    EXPECT_EQ(f.StatusFilter, QStringLiteral("not (bezahlt) and not (storniert) and Typ = 'R'"));
    f.chooseStatus(DocumentListFilter::statusIndexOfCommandName(QStringLiteral("vertraege-halbjahr")));
    EXPECT_EQ(f.StatusFilter, QStringLiteral("Typ = 'V' and VertragT = 'H'"));
    EXPECT_EQ(DocumentListFilter::statusIndexOfCommandName(QString()), -1) << "separators have no name";
    f.setQuarter(4, QDate(2008, 2, 29));
    EXPECT_EQ(f.periodText(), QStringLiteral("01.10.2008 - 31.12.2008"));
    f.setQuarter(1, QDate(2030, 1, 1));
    EXPECT_EQ(f.filterText(), QStringLiteral("Typ = 'V' and VertragT = 'H' and datum >= #01/01/2008# and "
                                             "datum <=#03/31/2008#"));
}

} // namespace
