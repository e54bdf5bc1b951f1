// SPDX-License-Identifier: GPL-3.0-or-later
// The payment window: where it opens, recording a payment by double-click or
// calendar, OK and Abbruch, several payments in one go, the unpaid-invoices
// switch, a typed date that is no date, and amounts in their own currency.
#include "tests/modulesfixture.h"

#include "data/programvalues.h"
#include "documents/tkalenderform.h"
#include "lists/tfvbezahlen.h"
#include "widgets/dbcheckbox.h"
#include "widgets/dbedit.h"
#include "widgets/dbnavigator.h"
#include "widgets/scripteddialogs.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QGroupBox>
#include <QPushButton>
#include <QToolButton>
#include <QtTest/QTest>

namespace {

class PaymentWindow : public ModulesFixture
{
  protected:
    void SetUp() override
    {
        ModulesFixture::SetUp();
        dialogs->onUnexpected = [](const QString &what) { ADD_FAILURE() << what.toStdString(); };
        r1 = add(QStringLiteral("R"), QStringLiteral("10001"));
        a1 = add(QStringLiteral("A"), QStringLiteral("20001"));
        r2 = add(QStringLiteral("R"), QStringLiteral("10002"), true);
        r3 = add(QStringLiteral("R"), QStringLiteral("10003"), false, true);
        r4 = add(QStringLiteral("R"), QStringLiteral("10004"), false, false, QStringLiteral("DM"));
    }
    void TearDown() override
    {
        window.reset();
        ModulesFixture::TearDown();
    }

    qint64 add(const QString &typ, const QString &nr, bool paid = false, bool cancelled = false,
               const QString &currency = QStringLiteral("€"))
    {
        db->exec(
            QStringLiteral("insert into Vorgang1 (typ, vorgangnr, kdnr, datum, vk, ek, Waehrung, bezahlt, "
                           "bezahltdatum, storniert, erledigt) values ('%1', '%2', 1005, '2005-03-01', "
                           "1234.5, 800, '%3', %4, %5, %6, 0)")
                .arg(typ, nr, currency)
                .arg(paid ? 1 : 0)
                .arg(paid ? QStringLiteral("'2005-03-10'") : QStringLiteral("null"))
                .arg(cancelled ? 1 : 0));
        return db->scalar(QStringLiteral("select max(id) from Vorgang1")).rawInt();
    }
    TFVbezahlen *open(qint64 id)
    {
        window = std::make_unique<TFVbezahlen>(nullptr, id);
        window->show();
        QApplication::setActiveWindow(window.get());
        return window.get();
    }
    QString stored(qint64 id, const char *column)
    {
        return db
            ->scalar(QStringLiteral("select coalesce(cast(%1 as text), '') from Vorgang1 where id = %2")
                         .arg(QLatin1String(column))
                         .arg(id))
            .rawText();
    }
    qint64 shownId() { return window->vorgangB.FieldByName(QStringLiteral("id"))->AsInteger(); }
    void doubleClickPaymentDate() { QTest::mouseDClick(window->ebezahltDatum, Qt::LeftButton); }

    ScriptedDialogsScope dialogs;
    std::unique_ptr<TFVbezahlen> window;
    qint64 r1 = 0, a1 = 0, r2 = 0, r3 = 0, r4 = 0;
};

} // namespace

TEST_F(PaymentWindow, OpensOnTheDocumentOrTheFirstAndReachesEveryDocument)
{
    open(r3);
    EXPECT_EQ(shownId(), r3);
    EXPECT_EQ(window->sVnr->text(), QStringLiteral("10003"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Vorgangsdaten"));
    EXPECT_EQ(window->vorgangB.RecordCount(), 5) << "the window's own dataset holds every document";
    window->DBNavigator1->click(DBNavigator::First);
    EXPECT_EQ(shownId(), r1);

    // An empty list hands over id 0: the first document of the table.
    open(0);
    EXPECT_EQ(shownId(), r1);
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(PaymentWindow, DoubleClickThenOkRecordsTodayAndAbbruchKeepsItUnpaid)
{
    open(r1);
    doubleClickPaymentDate();
    EXPECT_EQ(window->ebezahltDatum->text(), QStringLiteral("15.03.2005"));
    EXPECT_TRUE(window->DBCheckBox4->isChecked());
    window->Button2->click();
    EXPECT_EQ(window->result(), QDialog::Rejected);
    EXPECT_EQ(stored(r1, "bezahlt"), QStringLiteral("0"));
    EXPECT_EQ(stored(r1, "bezahltdatum"), QString());

    open(r1);
    doubleClickPaymentDate();
    window->Button1->click();
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_EQ(stored(r1, "bezahlt"), QStringLiteral("1"));
    EXPECT_EQ(stored(r1, "erledigt"), QStringLiteral("1"));
    EXPECT_EQ(stored(r1, "bezahltdatum"), QStringLiteral("2005-03-15"));
}

TEST_F(PaymentWindow, CalendarCancelChangesNothingAndOkTakesTheChosenDay)
{
    open(r1);
    dialogs->answerExec([](QDialog &d) {
        auto &calendar = dynamic_cast<TKalenderform &>(d);
        calendar.Kalender->setSelectedDate(QDate(2005, 3, 4));
        calendar.BTAbbruchClick();
        return int(QDialog::Rejected);
    });
    window->SpeedButton1->click();
    EXPECT_EQ(window->vorgangB.State(), DataSetState::Browse);
    EXPECT_FALSE(window->DBCheckBox4->isChecked());

    dialogs->answerExec([](QDialog &d) {
        auto &calendar = dynamic_cast<TKalenderform &>(d);
        EXPECT_EQ(calendar.windowTitle(), QStringLiteral("Kalender"));
        calendar.Kalender->setSelectedDate(QDate(2005, 3, 4));
        calendar.BTOKClick();
        return int(QDialog::Accepted);
    });
    window->SpeedButton1->click();
    window->Button1->click();
    EXPECT_EQ(stored(r1, "bezahltdatum"), QStringLiteral("2005-03-04"));
    EXPECT_EQ(stored(r1, "bezahlt"), QStringLiteral("1"));
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(PaymentWindow, PaymentsOnEarlierDocumentsStayWhenTheLastIsCancelled)
{
    open(r1);
    doubleClickPaymentDate();
    window->DBNavigator1->click(DBNavigator::Next); // the move saves the payment of 10001
    EXPECT_EQ(shownId(), a1);
    doubleClickPaymentDate();
    window->close(); // the close box drops the change of the document shown last
    EXPECT_EQ(window->result(), QDialog::Rejected);
    EXPECT_EQ(stored(r1, "bezahlt"), QStringLiteral("1"));
    EXPECT_EQ(stored(a1, "bezahlt"), QStringLiteral("0"));
}

TEST_F(PaymentWindow, UnpaidInvoicesOnlyIncludeCancelledOnesInTableOrder)
{
    open(r2);
    window->SpeedButton2->click();
    EXPECT_TRUE(window->SpeedButton2->isChecked());
    QList<qint64> visited{shownId()};
    for (int i = 0; i < 5; ++i) {
        window->DBNavigator1->click(DBNavigator::Next);
        if (!visited.contains(shownId())) visited << shownId();
    }
    EXPECT_EQ(visited, (QList<qint64>{r1, r3, r4}));

    // A payment recorded here leaves the set only when the window reads again.
    window->DBNavigator1->click(DBNavigator::First);
    doubleClickPaymentDate();
    window->Button1->click();
    EXPECT_EQ(stored(r1, "bezahlt"), QStringLiteral("1"));
}

TEST_F(PaymentWindow, OpenedOnAReceivedInvoiceItPagesThroughTheUnpaidReceivedOnes)
{
    const qint64 e1 = add(QStringLiteral("E"), QStringLiteral("HK-1"));
    add(QStringLiteral("E"), QStringLiteral("HK-2"), true);
    const qint64 e3 = add(QStringLiteral("E"), QStringLiteral("HK-3"));
    open(e3);
    window->SpeedButton2->click();
    QList<qint64> visited{shownId()};
    for (int i = 0; i < 3; ++i) {
        window->DBNavigator1->click(DBNavigator::Next);
        if (!visited.contains(shownId())) visited << shownId();
    }
    EXPECT_EQ(visited, (QList<qint64>{e1, e3}));
    doubleClickPaymentDate();
    window->Button1->click();
    EXPECT_EQ(stored(e3, "bezahlt"), QStringLiteral("1"));
}

TEST_F(PaymentWindow, ClearingPaidByHandKeepsTheDate)
{
    open(r2);
    EXPECT_TRUE(window->DBCheckBox4->isChecked());
    window->DBCheckBox4->click();
    window->Button1->click();
    EXPECT_EQ(stored(r2, "bezahlt"), QStringLiteral("0"));
    EXPECT_EQ(stored(r2, "bezahltdatum"), QStringLiteral("2005-03-10"));
}

TEST_F(PaymentWindow, ATypedDateThatIsNoDateKeepsTheWindowOpenInEditing)
{
    open(r1);
    window->ebezahltDatum->setFocus(Qt::TabFocusReason);
    window->ebezahltDatum->selectAll();
    QTest::keyClicks(window->ebezahltDatum, QStringLiteral("31.02.2005"));
    dialogs->answerMessage(Dialogs::Ok);
    window->Button1->click();
    ASSERT_EQ(dialogs->messages().size(), 1);
    EXPECT_TRUE(dialogs->messages().first().contains(QStringLiteral("31.02.2005")))
        << dialogs->messages().first().toStdString();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->vorgangB.State(), DataSetState::Edit);
    EXPECT_EQ(stored(r1, "bezahltdatum"), QString());

    // Corrected, it is taken.
    window->ebezahltDatum->selectAll();
    QTest::keyClicks(window->ebezahltDatum, QStringLiteral("28.02.2005"));
    window->Button1->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(stored(r1, "bezahltdatum"), QStringLiteral("2005-02-28"));
}

TEST_F(PaymentWindow, AmountsShowTheirOwnDocumentsCurrency)
{
    ProgramValues::instance().Currency = QStringLiteral("DM"); // whatever a report may have left
    open(r1);
    EXPECT_EQ(window->sVK->text(), QStringLiteral("1.234,50 €"));
    EXPECT_EQ(window->sEK->text(), QStringLiteral("800,00 €"));
    EXPECT_EQ(window->sVKbr->text(), QStringLiteral("1.469,06 €"));
    window->DBNavigator1->click(DBNavigator::Last);
    EXPECT_EQ(shownId(), r4);
    EXPECT_EQ(window->sVK->text(), QStringLiteral("1.234,50 DM"));
    EXPECT_EQ(window->sVKbr->text(), QStringLiteral("1.469,06 DM"));
    window->DBNavigator1->click(DBNavigator::Prior);
    EXPECT_EQ(window->sVK->text(), QStringLiteral("1.234,50 €"));
    ProgramValues::instance().Currency = QStringLiteral("€");
}

// Another workstation recorded the payment while this window still showed
// the invoice unpaid: the window shows the stored payment and says so, and
// the user's payment is not laid over it.
TEST_F(PaymentWindow, APaymentRecordedElsewhereIsShownNotOverwritten)
{
    open(r1);
    OtherWorkstation other(db->path(), QStringLiteral("Vorgang1"), QStringLiteral("id = %1").arg(r1));
    TVexDaoTable &b = other.rows;
    b.Edit();
    b.FieldByName(QStringLiteral("bezahltdatum"))->SetAsString(QStringLiteral("09.03.2005"));
    b.FieldByName(QStringLiteral("bezahlt"))->SetAsBoolean(true);
    b.Post();

    dialogs->answerMessage(Dialogs::Ok);
    doubleClickPaymentDate();
    EXPECT_TRUE(dialogs->messages().last().contains(QStringLiteral("von einem anderen Benutzer geändert")))
        << dialogs->messages().last().toStdString();
    EXPECT_EQ(window->ebezahltDatum->text(), QStringLiteral("09.03.2005"));
    EXPECT_TRUE(window->DBCheckBox4->isChecked());
    window->Button1->click();
    EXPECT_EQ(stored(r1, "bezahltdatum"), QStringLiteral("2005-03-09"));
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(PaymentWindow, AnEmptyTableOffersNothingToMark)
{
    db->exec(QStringLiteral("delete from Vorgang1"));
    open(0);
    EXPECT_FALSE(window->GroupBox2->isEnabled());
    doubleClickPaymentDate();
    window->Button1->click();
    EXPECT_EQ(count(QStringLiteral("select count(*) from Vorgang1")), 0) << "no document made of a payment";
}

// A typed date means what a picked or double-clicked one means: paid and
// done. A date in the future is asked about: "Nein" saves nothing.
TEST_F(PaymentWindow, ATypedDateCountsAsPaymentAndTheFutureIsAskedAbout)
{
    const struct
    {
        const char *typed;
        Dialogs::Button answer; // Ok: no question
        const char *bezahlt, *bezahltdatum;
        bool open;
    } cases[] = {{"12.03.2005", Dialogs::Ok, "1", "2005-03-12", false},
                 {"12.12.2026", Dialogs::No, "0", "", true},
                 {"16.03.2005", Dialogs::Yes, "1", "2005-03-16", false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.typed);
        db->exec(
            QStringLiteral("update Vorgang1 set bezahlt = 0, erledigt = 0, bezahltdatum = null where id = %1")
                .arg(r1));
        dialogs->clear();
        open(r1);
        window->ebezahltDatum->setFocus(Qt::TabFocusReason);
        window->ebezahltDatum->selectAll();
        QTest::keyClicks(window->ebezahltDatum, QString::fromLatin1(c.typed));
        if (c.answer != Dialogs::Ok) dialogs->answerMessage(c.answer);
        window->Button1->click();
        EXPECT_TRUE(dialogs->allAnswered()) << dialogs->messages().join(u'\n').toStdString();
        if (c.answer != Dialogs::Ok) {
            EXPECT_TRUE(dialogs->messages().last().contains(QStringLiteral("liegt in der Zukunft")));
        }
        EXPECT_EQ(dialogs->messages().size(), c.answer == Dialogs::Ok ? 0 : 1) << "no second box after Nein";
        EXPECT_EQ(stored(r1, "bezahlt"), QString::fromLatin1(c.bezahlt));
        EXPECT_EQ(stored(r1, "erledigt"), QString::fromLatin1(c.bezahlt));
        EXPECT_EQ(stored(r1, "bezahltdatum"), QString::fromLatin1(c.bezahltdatum));
        EXPECT_EQ(window->isVisible(), c.open);
        window.reset();
    }
}

// A reminder cancelled in this window sets its invoice back to the level it
// had before it.
TEST_F(PaymentWindow, CancellingAReminderSetsItsInvoiceBack)
{
    db->exec(
        QStringLiteral("update Vorgang1 set mahnstufe = 1, mahndatum = '2005-03-12' where id = %1").arg(r1));
    const qint64 reminder = add(QStringLiteral("M"), QStringLiteral("20000"));
    db->exec(
        QStringLiteral("update Vorgang1 set bezug = %1, mahnstufe = 1 where id = %2").arg(r1).arg(reminder));
    open(reminder);
    window->DBCheckBox7->click();
    window->Button1->click();
    EXPECT_EQ(stored(reminder, "storniert"), QStringLiteral("1"));
    EXPECT_EQ(stored(r1, "mahnstufe"), QStringLiteral("0"));
    EXPECT_EQ(stored(r1, "mahndatum"), QString());
}
