// SPDX-License-Identifier: GPL-3.0-or-later
// Work started from the document list: the periodic invoicing with its
// question and closing box, the printing of a range of invoices with its log,
// the payment window and the report menu.
#include "listfixture.h"

#include <QMenu>

namespace {

class BatchWork : public ListFixture
{
  protected:
    void SetUp() override
    {
        ListFixture::SetUp();
        address(1005, QStringLiteral("Müller & Söhne"));
        address(1006, QStringLiteral("Anton"));
    }
    void contract(qint64 kdnr, const QString &period, int positionCount)
    {
        newDocument(QStringLiteral("V"));
        doc("kdnr")->SetAsInteger(kdnr);
        doc("VertragT")->SetAsString(period);
        for (int i = 0; i < positionCount; ++i)
            addPosition(1, 10, 1);
        vorgang().Post();
    }
    QStringList logLines() const { return window_->Memo1->toPlainText().split(QLatin1Char('\n')); }
    qint64 invoices() { return count(QStringLiteral("select count(*) from Vorgang1 where typ = 'R'")); }
    QString idOf(const QString &typ, const QString &nr)
    {
        return QString::number(
            db->scalar(QStringLiteral("select id from Vorgang1 where typ = '%1' and vorgangnr = '%2'")
                           .arg(typ, nr))
                .rawInt());
    }
    TFVListe *window_ = nullptr;
};

// ---- periodic invoicing

TEST_F(BatchWork, PeriodicRunAsksNamesTheRangeAndPrintsIt)
{
    contract(1005, QStringLiteral("M"), 2);
    contract(1006, QStringLiteral("M"), 1);
    contract(1005, QStringLiteral("M"), 0); // no positions: no invoice
    contract(1006, QStringLiteral("J"), 1);
    window_ = openList();
    // Filtered to one customer and a period beforehand: the run takes every contract all the same.
    ASSERT_TRUE(list().Locate(QStringLiteral("kdnr"), Value(1006.0), 0));
    window_->BTfilter()->click();
    window_->QuartalIV1->trigger();

    dialogs->answerMessage(Dialogs::Yes).answerMessage(Dialogs::Yes);
    window_->Monatsrechnungen1->trigger();
    ASSERT_EQ(messages().size(), 2);
    // The period word and the suffix joined as they stand, and the period.
    EXPECT_EQ(messages()[0],
              QStringLiteral("Tavirelsverwaltung|Wollen Sie wirklich die Monatssrechnungen erzeugen?\n\n"
                             "Abrechnungszeitraum: März 2005 (01.03.2005 – 31.03.2005)"));
    EXPECT_EQ(messages()[1],
              QStringLiteral("Tavirelsverwaltung|Es sind 2 Rechnungen (10000 - 10001) erstellt "
                             "worden! Jetzt ausdrucken"));
    EXPECT_EQ(dialogs->interactions()[1].buttons, Dialogs::Yes | Dialogs::No);
    EXPECT_EQ(invoices(), 2);
    EXPECT_EQ(printedIds(), QStringList({idOf(QStringLiteral("R"), QStringLiteral("10000")),
                                         idOf(QStringLiteral("R"), QStringLiteral("10001"))}));
    EXPECT_FALSE(prints.front().preview);
    EXPECT_FALSE(prints.front().withDialog);
    EXPECT_TRUE(window_->Memo1->isVisible());
    // The list shows every document, unfiltered; the button still looks pressed.
    EXPECT_FALSE(list().Filtered());
    EXPECT_EQ(list().RecordCount(), 6);
    EXPECT_TRUE(window_->BTfilter()->isChecked());
    EXPECT_FALSE(window_->Progress->isVisible());
    EXPECT_FALSE(list().ControlsDisabled());

    // Again in the same month: the question and the answer say what was
    // invoiced already, and nothing is invoiced twice.
    dialogs->answerMessage(Dialogs::Yes).answerMessage(Dialogs::Ok);
    window_->Monatsrechnungen1->trigger();
    ASSERT_EQ(messages().size(), 4);
    EXPECT_TRUE(messages()[2].endsWith(QStringLiteral(
        "\n2 Verträge sind für diesen Zeitraum bereits abgerechnet und werden nicht noch einmal berechnet.")))
        << messages()[2].toStdString();
    EXPECT_TRUE(messages()[3].startsWith(
        QStringLiteral("Tavirelsverwaltung|Es sind keine Rechnungen erstellt worden.\n\n2 Verträge sind für "
                       "März 2005 (01.03.2005 – 31.03.2005) bereits abgerechnet und nicht noch einmal "
                       "berechnet:\nVertrag ")))
        << messages()[3].toStdString();
    EXPECT_EQ(invoices(), 2);
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(BatchWork, PeriodicRunQuestionNamesEachPeriodAndNoChangesNothing)
{
    contract(1005, QStringLiteral("Q"), 1);
    window_ = openList();
    const std::pair<QAction *, QString> runs[] = {
        {window_->Monatsrechnungen1, QStringLiteral("Monats")},
        {window_->Quartalsrechnungen1, QStringLiteral("Quartals")},
        {window_->Halbjahresrechnungen1, QStringLiteral("Halbjahres")},
        {window_->Jahresrechnungen1, QStringLiteral("Jahres")}};
    for (const auto &[action, word] : runs) {
        dialogs->answerMessage(Dialogs::No);
        action->trigger();
        EXPECT_TRUE(messages().constLast().startsWith(
            QStringLiteral("Tavirelsverwaltung|Wollen Sie wirklich die %1srechnungen erzeugen?\n\n"
                           "Abrechnungszeitraum: ")
                .arg(word)))
            << messages().constLast().toStdString();
    }
    EXPECT_EQ(invoices(), 0);
    EXPECT_TRUE(dialogs->allAnswered());

    // Answering No at the end keeps the invoices and prints nothing.
    dialogs->answerMessage(Dialogs::Yes).answerMessage(Dialogs::No);
    window_->Quartalsrechnungen1->trigger();
    EXPECT_EQ(invoices(), 1);
    EXPECT_TRUE(prints.empty());
    EXPECT_FALSE(window_->Memo1->isVisible());
}

TEST_F(BatchWork, ARunThatMadeNoInvoiceSaysSoAndOffersNoPrint)
{
    contract(1005, QStringLiteral("H"), 0);
    window_ = openList();
    dialogs->answerMessage(Dialogs::Yes).answerMessage(Dialogs::Ok);
    window_->Halbjahresrechnungen1->trigger();
    ASSERT_EQ(messages().size(), 2);
    EXPECT_EQ(messages()[1],
              QStringLiteral("Tavirelsverwaltung|Es sind keine Rechnungen erstellt worden: Es gibt "
                             "keinen Halbjahresvertrag mit Positionen."));
    EXPECT_EQ(dialogs->interactions()[1].buttons, int(Dialogs::Ok));
    EXPECT_TRUE(prints.empty());
    EXPECT_FALSE(window_->Memo1->isVisible());
    EXPECT_TRUE(dialogs->allAnswered());
}

// ---- batch printing

TEST_F(BatchWork, RangeLogSkipsNumbersWithoutAnInvoice)
{
    invoice(QStringLiteral("10012"));
    invoice(QStringLiteral("10014"));
    Doc note;
    note.typ = QStringLiteral("L");
    note.nr = QStringLiteral("10013"); // a delivery note is no invoice
    document(note);
    window_ = openList();
    dialogs->answerInput(QStringLiteral("10012")).answerInput(QStringLiteral("10014"));
    window_->Mehrfachdruck1->trigger();
    EXPECT_EQ(dialogs->interactions()[0].caption, QStringLiteral("Erste Rechnung"));
    EXPECT_EQ(dialogs->interactions()[0].text, QStringLiteral("Nr:"));
    EXPECT_EQ(dialogs->interactions()[1].caption, QStringLiteral("letzte Rechnung"));
    EXPECT_EQ(logLines(),
              QStringList({QStringLiteral("Rechnungsdruck wird gestartet..."), QString(),
                           QStringLiteral("Gedruckt wird Vorgang 10012..."), QStringLiteral("ok"),
                           QStringLiteral("Gedruckt wird Vorgang 10014..."), QStringLiteral("ok"), QString(),
                           QStringLiteral("Klicken Sie hier, um das Protokoll zu schließen")}));
    EXPECT_EQ(printedIds(), QStringList({idOf(QStringLiteral("R"), QStringLiteral("10012")),
                                         idOf(QStringLiteral("R"), QStringLiteral("10014"))}));
    EXPECT_EQ(list().Filter(), QStringLiteral("vorgangnr = 10014"));
    EXPECT_FALSE(list().Filtered()) << "the list was unfiltered and stays so";

    // A click into the log hides it, and the grid takes the whole width.
    const int narrow = window_->liste->width();
    window_->Memo1Click();
    EXPECT_FALSE(window_->Memo1->isVisible());
    window_->layout()->activate();
    EXPECT_GT(window_->liste->width(), narrow);
}

TEST_F(BatchWork, RangeOnAFilteredListPrintsTheInvoiceAmongSameNumbers)
{
    Doc note;
    note.typ = QStringLiteral("L");
    note.nr = QStringLiteral("10005");
    note.datum = QStringLiteral("2005-03-01"); // listed before the invoice
    document(note);
    const qint64 inv = invoice(QStringLiteral("10005"), 1006, QStringLiteral("2005-02-01"));
    invoice(QStringLiteral("10006"));
    window_ = openList();
    chooseStatus(2); // the list shows offers only: the run does not care
    window_->PrintInvoiceRange(QStringLiteral("10005"), QStringLiteral("10005"));
    EXPECT_EQ(printedIds(), QStringList(QString::number(inv)));
    // The list now holds the documents of the last number.
    EXPECT_EQ(list().Filter(), QStringLiteral("vorgangnr = 10005"));
    EXPECT_EQ(numbers(), QStringList({QStringLiteral("10005"), QStringLiteral("10005")}));
    EXPECT_FALSE(list().ControlsDisabled());
}

TEST_F(BatchWork, RangeBackwardsEmptyOrNoNumberPrintsNothing)
{
    invoice(QStringLiteral("10012"));
    invoice(QStringLiteral("10014"));
    window_ = openList();
    window_->PrintInvoiceRange(QStringLiteral("10014"), QStringLiteral("10012"));
    EXPECT_EQ(logLines(),
              QStringList({QStringLiteral("Rechnungsdruck wird gestartet..."), QString(), QString(),
                           QStringLiteral("Klicken Sie hier, um das Protokoll zu schließen")}));
    EXPECT_TRUE(prints.empty());
    window_->Memo1Click();

    // Either box cancelled or left empty: nothing happens, not even the log.
    dialogs->cancelInput().cancelInput();
    window_->Mehrfachdruck1Click();
    dialogs->answerInput(QStringLiteral("10012")).answerInput(QString());
    window_->Mehrfachdruck1Click();
    dialogs->cancelInput().answerInput(QStringLiteral("10014"));
    window_->Mehrfachdruck1Click();
    EXPECT_FALSE(window_->Memo1->isVisible());
    EXPECT_TRUE(prints.empty());

    // Not a whole number: the conversion error, before anything is shown.
    dialogs->answerInput(QStringLiteral("10012a"))
        .answerInput(QStringLiteral("10014"))
        .answerMessage(Dialogs::Ok);
    window_->Mehrfachdruck1Click();
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages().first().contains(QStringLiteral("'10012a' ist kein gültiger Integerwert")))
        << messages().first().toStdString();
    EXPECT_FALSE(window_->Memo1->isVisible());
    EXPECT_TRUE(prints.empty());

    // A huge range goes only through the invoices there are.
    window_->PrintInvoiceRange(QStringLiteral("1"), QStringLiteral("999999999999999"));
    EXPECT_EQ(prints.size(), 2u);
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(BatchWork, APrintingErrorEndsTheRunAndTheListComesBack)
{
    invoice(QStringLiteral("10001"));
    const qint64 second = invoice(QStringLiteral("10002"));
    invoice(QStringLiteral("10003"));
    window_ = openList();
    failPrintOf = QString::number(second);
    dialogs->answerMessage(Dialogs::Ok);
    window_->PrintInvoiceRange(QStringLiteral("10001"), QStringLiteral("10003"));
    EXPECT_EQ(prints.size(), 1u) << "the run ends at the failing invoice";
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages().first().contains(QStringLiteral("Der Drucker antwortet nicht")));
    EXPECT_TRUE(logLines().contains(QStringLiteral("Klicken Sie hier, um das Protokoll zu schließen")));
    EXPECT_FALSE(list().ControlsDisabled());
}

// ---- the current document

TEST_F(BatchWork, PaymentWindowOpensOnTheRowAndTheListComesBackToIt)
{
    invoice(QStringLiteral("10001"), 1005, QStringLiteral("2005-01-01"));
    const qint64 id = invoice(QStringLiteral("10002"), 1006, QStringLiteral("2005-02-01"));
    invoice(QStringLiteral("10003"), 1005, QStringLiteral("2005-03-01"));
    window_ = openList();
    chooseStatus(3); // all invoices
    ASSERT_TRUE(list().Locate(QStringLiteral("id"), Value(id), 0));
    dialogs->answerExec([this, id](QDialog &d) {
        EXPECT_EQ(d.parent(), window_);
        // What the payment window saves.
        db->exec(QStringLiteral("update Vorgang1 set bezahlt = 1, Bezahltdatum = '2005-03-15' where id = %1")
                     .arg(id));
        return int(QDialog::Accepted);
    });
    window_->btedit->click();
    EXPECT_EQ(list().FieldByName(QStringLiteral("id"))->AsInteger(), id) << "back on the same document";
    EXPECT_EQ(list().FieldByName(QStringLiteral("Bezahltdatum"))->DisplayText(),
              QStringLiteral("15.03.2005"));
    EXPECT_TRUE(window_->DBCheckBox3->isChecked());
    EXPECT_TRUE(list().Filtered()) << "the filter stays as it was";
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(BatchWork, OpenPreviewAndPrintTheCurrentDocument)
{
    invoice(QStringLiteral("10001"));
    const qint64 id = invoice(QStringLiteral("10002"), 1005, QStringLiteral("2005-03-01"));
    window_ = openList();
    window_->Vorschau1->trigger();
    window_->Ausdruck1->trigger();
    ASSERT_EQ(prints.size(), 2u);
    EXPECT_EQ(prints[0].id, QString::number(id));
    EXPECT_TRUE(prints[0].preview);
    EXPECT_FALSE(prints[1].preview);
    EXPECT_TRUE(prints[1].withDialog);

    window_->btdetails->click();
    EXPECT_EQ(vorgang().Filter(), QStringLiteral("id = %1").arg(id));
    EXPECT_TRUE(vorgang().Filtered());
    EXPECT_NE(dynamic_cast<EditorTestWindow *>(main->FVorgang.data()), nullptr);

    window_->Neuervorgang1->trigger();
    EXPECT_EQ(dynamic_cast<EditorTestWindow *>(main->FVorgang.data())->newDocuments, 1);

    // Nothing to show or print on an empty list.
    chooseStatus(2);
    prints.clear();
    window_->btdruck->click();
    window_->btdetailsClick();
    EXPECT_TRUE(prints.empty());
    EXPECT_EQ(vorgang().Filter(), QStringLiteral("id = %1").arg(id));
}

TEST_F(BatchWork, ReportMenuNamesTheCustomerAndPassesPeriodAndCustomer)
{
    invoice(QStringLiteral("10001"), 1005, QStringLiteral("2005-05-01"));
    window_ = openList();
    std::vector<InvoiceReportRequest> requests;
    TFVListe::setReportHandlerForTests([&](const InvoiceReportRequest &r) { requests.push_back(r); });
    window_->BerichtmenuPopup();
    EXPECT_EQ(window_->offrec->text(), QStringLiteral("Offene Rechnungen: Müller && Söhne"));
    EXPECT_EQ(window_->AllRec->text(), QStringLiteral("Alle Rechnungen: Müller && Söhne"));
    EXPECT_EQ(window_->bezRec->text(), QStringLiteral("Bezahlte Rechnungen: Müller && Söhne"));
    QStringList captions;
    for (QAction *a : window_->Berichtmenu->actions())
        captions << a->text();
    EXPECT_EQ(
        captions,
        QStringList({QStringLiteral("&Alle Rechnungen"), QStringLiteral("&bezahlte Rechnungen"),
                     QStringLiteral("&offene Rechnungen"), QString(),
                     QStringLiteral("Alle Rechnungen: Müller && Söhne"),
                     QStringLiteral("Bezahlte Rechnungen: Müller && Söhne"),
                     QStringLiteral("Offene Rechnungen: Müller && Söhne"), QString(),
                     QStringLiteral("&Eingangsrechnungen"), QStringLiteral("o&ffene Eingangsrechnungen")}));

    window_->QuartalII1->trigger();
    for (QAction *a :
         {window_->AlleRechnungen1, window_->bezahlteRechnungen1, window_->offeneRechnungen1, window_->offrec,
          window_->bezRec, window_->AllRec, window_->Eingangsrechnungen1, window_->offeneEingangsrechnungen1})
        a->trigger();
    ASSERT_EQ(requests.size(), 8u);
    const InvoiceReportKind kinds[] = {InvoiceReportKind::Alle,         InvoiceReportKind::Bezahlt,
                                       InvoiceReportKind::Offen,        InvoiceReportKind::OffenKunde,
                                       InvoiceReportKind::BezahltKunde, InvoiceReportKind::AlleKunde,
                                       InvoiceReportKind::Eingang,      InvoiceReportKind::EingangOffen};
    for (size_t i = 0; i < 8; ++i)
        EXPECT_EQ(requests[i].kind, kinds[i]) << i;
    EXPECT_EQ(requests[3].kdnr, 1005);
    EXPECT_EQ(requests[3].kunde, QStringLiteral("Müller & Söhne"));
    EXPECT_TRUE(requests[0].periodSet);
    EXPECT_EQ(requests[0].periodStart, QDate(2005, 4, 1));
    EXPECT_EQ(requests[0].periodEnd, QDate(2005, 6, 30));
}

} // namespace
