// SPDX-License-Identifier: GPL-3.0-or-later
// The document editor around its document: the caption and the marks that
// follow the document shown, a new document, the dates, deleting, the text
// panel, the bank data, printing, and closing.
#include "editorfixture.h"

#include "documents/tfvadr.h"
#include "documents/tkalenderform.h"
#include "printing/tprevform.h"

#include <QCalendarWidget>
#include <QGroupBox>
#include <QMenu>
#include <QSplitter>

namespace {

class Editor : public EditorFixture
{
  protected:
    // The chooser closes without an address having been taken.
    void closeChooserUntouched()
    {
        dialogs->answerExec([](QDialog &) { return int(QDialog::Rejected); });
    }
};

TEST_F(Editor, CaptionAndMarksFollowTheDocumentShown)
{
    openModules();
    EXPECT_TRUE(vorgang().IsEmpty());
    openEditor();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Vorgangsbearbeitung"));
    EXPECT_FALSE(window->ToolButton5->isEnabled()) << "positions need a document";
    EXPECT_FALSE(window->tbDruck->isEnabled());
    EXPECT_TRUE(window->tbNeu->isEnabled());
    delete window.data();
    documents.reset();
    addresses.reset();

    const qint64 invoice = document(QStringLiteral("R"), QStringLiteral("10001"));
    const qint64 contract = document(QStringLiteral("V"), QStringLiteral("30000"));
    const qint64 note = document(QStringLiteral("L"), QStringLiteral("10001"), 0, true);
    openEditor(invoice);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Vorgang: Rechnung R-10001"));
    EXPECT_FALSE(window->typbox->isVisible());
    EXPECT_FALSE(window->storno->isVisible());
    EXPECT_TRUE(window->ToolButton5->isEnabled());

    showDocument(contract);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Vorgang: Vertrag V-30000"));
    EXPECT_TRUE(window->typbox->isVisible()) << "contract period only for contracts";
    EXPECT_FALSE(window->storno->isVisible());

    // The same number as the invoice: the caption must not keep the invoice's.
    showDocument(note);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Vorgang: Lieferschein L-10001"));
    EXPECT_FALSE(window->typbox->isVisible());
    EXPECT_TRUE(window->storno->isVisible());
    EXPECT_EQ(window->storno->text(), QStringLiteral("STORNIERT"));

    // Cancelling the document shown shows the mark at once.
    showDocument(invoice);
    vorgang().Edit();
    doc("storniert")->SetAsBoolean(true);
    EXPECT_TRUE(window->storno->isVisible());
}

TEST_F(Editor, NewDocumentAsksThenIsNumberedDatedAndDueWithoutAnAddress)
{
    openEditor();
    dialogs->answerMessage(Dialogs::No);
    window->tbNeu->click();
    EXPECT_EQ(dialogs->interactions().first().text, QStringLiteral("Neuen Vorgang anlegen?"));
    EXPECT_EQ(dialogs->interactions().first().icon, Dialogs::Question);
    EXPECT_TRUE(vorgang().IsEmpty()) << "No inserts nothing";

    TFVadr *shown = nullptr;
    bool typeGroupShown = false;
    QString caption;
    dialogs->answerMessage(Dialogs::Yes);
    dialogs->answerExec([&](QDialog &d) {
        shown = qobject_cast<TFVadr *>(&d);
        if (shown) {
            typeGroupShown = shown->typpanel->isVisibleTo(shown);
            caption = shown->windowTitle();
        }
        return int(QDialog::Rejected);
    });
    window->tbNeuClick();
    ASSERT_TRUE(dialogs->allAnswered()) << dialogs->unexpected().join(QLatin1Char('\n')).toStdString();
    ASSERT_NE(shown, nullptr) << "the address chooser is shown";
    EXPECT_TRUE(typeGroupShown);
    EXPECT_EQ(caption, QStringLiteral("Neuen Vorgang anlegen"));

    const qint64 id = doc("id")->AsInteger();
    ASSERT_GT(id, 0) << "numbered and saved although no address was taken";
    EXPECT_EQ(stored(id, "typ"), QStringLiteral("R"));
    EXPECT_EQ(stored(id, "vorgangnr"), QStringLiteral("10000"));
    EXPECT_EQ(stored(id, "datum"), QStringLiteral("2005-03-15"));
    EXPECT_EQ(stored(id, "Waehrung"), QStringLiteral("€"));
    EXPECT_EQ(stored(id, "kdnr"), QString());
    EXPECT_EQ(stored(id, "anschrift"), QString());
    EXPECT_EQ(vorgang().State(), DataSetState::Edit) << "left in editing with its due date";
    EXPECT_EQ(doc("zieldatum")->AsDate(), QDate(2005, 3, 22)) << "today plus 7 days";
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Vorgang: Rechnung R-10000"));
    EXPECT_TRUE(window->ToolButton5->isEnabled());

    // The navigator's post button stores the due date.
    window->DBNavigator1->click(DBNavigator::Post);
    EXPECT_EQ(stored(id, "zieldatum"), QStringLiteral("2005-03-22"));
}

TEST_F(Editor, ChooserListsSuppliersOnlyForOrders)
{
    address(1, QStringLiteral("Kunde"), QString(), true, false);
    address(2, QStringLiteral("Lieferant"), QString(), false, true);
    const qint64 order = document(QStringLiteral("B"), QStringLiteral("1000"));
    const qint64 offer = document(QStringLiteral("A"), QStringLiteral("5000"));
    openEditor(order);

    QStringList listed;
    const auto listOnce = [&] {
        dialogs->answerExec([&](QDialog &d) {
            auto &chooser = static_cast<TFVadr &>(d);
            EXPECT_FALSE(chooser.typpanel->isVisibleTo(&chooser)) << "no type group for a shown document";
            for (chooser.adr->First(); !chooser.adr->Eof(); chooser.adr->Next())
                listed << chooser.adr->FieldByName(QStringLiteral("name1"))->AsString();
            return int(QDialog::Rejected);
        });
    };
    listOnce();
    window->tbAdresse->click();
    EXPECT_EQ(listed, QStringList{QStringLiteral("Lieferant")});

    listed.clear();
    showDocument(offer);
    listOnce();
    window->AdressShowClick();
    EXPECT_EQ(listed, QStringList{QStringLiteral("Kunde")});
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(Editor, LeavingTheDateOrThePaymentDaysSetsTheDueDateButTheCalendarDoesNot)
{
    const qint64 id = document(QStringLiteral("R"), QStringLiteral("10001"));
    openEditor(id);
    EXPECT_EQ(window->EditDatum->text(), QStringLiteral("01.03.2005"));

    window->EditDatum->setFocus();
    window->EditDatum->selectAll();
    QTest::keyClicks(window->EditDatum, QStringLiteral("10.04.2005"));
    window->sZieldatum->setFocus();
    EXPECT_EQ(doc("datum")->AsDate(), QDate(2005, 4, 10));
    EXPECT_EQ(doc("zieldatum")->AsDate(), QDate(2005, 4, 24)) << "14 payment days";

    // Picking 30 in the payment days box.
    window->DBComboBox1->setCurrentIndex(3);
    Q_EMIT window->DBComboBox1->activated(3);
    EXPECT_EQ(doc("zieltage")->AsInteger(), 30);
    EXPECT_EQ(doc("zieldatum")->AsDate(), QDate(2005, 5, 10));

    // Typing payment days and leaving the box.
    window->DBComboBox1->setFocus();
    window->DBComboBox1->lineEdit()->selectAll();
    QTest::keyClicks(window->DBComboBox1, QStringLiteral("10"));
    window->EditDatum->setFocus();
    EXPECT_EQ(doc("zieldatum")->AsDate(), QDate(2005, 4, 20));

    // Payment days no due date can follow are refused where they are typed,
    // and no save stores them beside the old due date.
    window->DBComboBox1->setFocus();
    window->DBComboBox1->lineEdit()->selectAll();
    QTest::keyClicks(window->DBComboBox1, QStringLiteral("-5"));
    dialogs->answerMessage(Dialogs::Ok).answerMessage(Dialogs::Ok);
    window->EditDatum->setFocus();
    EXPECT_EQ(lastMessage(),
              QStringLiteral("Tavirelsverwaltung|Die Zahl der Zahlungstage muss zwischen 0 und 32767 "
                             "liegen."));
    window->DBNavigator1->click(DBNavigator::Post);
    EXPECT_EQ(stored(id, "zieltage"), QStringLiteral("14"));
    EXPECT_EQ(doc("zieltage")->AsInteger(), 10);
    QTest::keyClick(window->DBComboBox1, Qt::Key_Escape);
    // The same for a date whose due date would pass the year 9999.
    window->EditDatum->setFocus();
    window->EditDatum->selectAll();
    QTest::keyClicks(window->EditDatum, QStringLiteral("28.12.9999"));
    dialogs->answerMessage(Dialogs::Ok);
    window->sZieldatum->setFocus();
    EXPECT_EQ(
        lastMessage(),
        QStringLiteral("Tavirelsverwaltung|Das Datum 28.12.9999 plus 10 Tage liegt nach dem Jahr 9999."));
    EXPECT_EQ(doc("datum")->AsDate(), QDate(2005, 4, 10));
    window->EditDatum->selectAll();
    QTest::keyClicks(window->EditDatum, QStringLiteral("10.04.2005"));
    window->sZieldatum->setFocus();
    EXPECT_TRUE(dialogs->allAnswered());
    window->EditDatum->setFocus();

    // A date that is no date: the field's message, the due date stays.
    window->EditDatum->selectAll();
    QTest::keyClicks(window->EditDatum, QStringLiteral("31.02.2005"));
    dialogs->answerMessage(Dialogs::Ok);
    window->sZieldatum->setFocus();
    EXPECT_EQ(dialogs->interactions().last().icon, Dialogs::Error);
    EXPECT_EQ(doc("zieldatum")->AsDate(), QDate(2005, 4, 20));
    window->EditDatum->selectAll();
    QTest::keyClicks(window->EditDatum, QStringLiteral("10.04.2005"));
    window->sZieldatum->setFocus();

    // The calendar sets the date only.
    dialogs->answerExec([](QDialog &d) {
        auto &calendar = static_cast<TKalenderform &>(d);
        EXPECT_EQ(calendar.Kalender->selectedDate(), QDate(2005, 3, 15)) << "starts on today";
        calendar.Kalender->setSelectedDate(QDate(2005, 6, 1));
        calendar.BTOKClick();
        return calendar.result();
    });
    window->btDatum->click();
    EXPECT_EQ(doc("datum")->AsDate(), QDate(2005, 6, 1));
    EXPECT_EQ(doc("zieldatum")->AsDate(), QDate(2005, 4, 20)) << "not recomputed";

    dialogs->answerExec([](QDialog &d) {
        auto &calendar = static_cast<TKalenderform &>(d);
        calendar.Kalender->setSelectedDate(QDate(2005, 7, 1));
        calendar.BTAbbruchClick();
        return calendar.result();
    });
    window->btZieldatum->click();
    EXPECT_EQ(doc("zieldatum")->AsDate(), QDate(2005, 4, 20)) << "Abbruch changes nothing";
    dialogs->answerExec([](QDialog &d) {
        auto &calendar = static_cast<TKalenderform &>(d);
        calendar.Kalender->setSelectedDate(QDate(2005, 7, 1));
        calendar.BTOKClick();
        return calendar.result();
    });
    window->btZieldatum->click();
    EXPECT_EQ(doc("zieldatum")->AsDate(), QDate(2005, 7, 1));
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(Editor, DeletingTheDocumentAsksAndTakesItsPositionsAllOrNothing)
{
    const qint64 keep = document(QStringLiteral("R"), QStringLiteral("10001"));
    position(keep, 1, QStringLiteral("Bleibt"));
    const qint64 id = document(QStringLiteral("R"), QStringLiteral("10002"));
    for (int i = 1; i <= 5; ++i)
        position(id, i, QStringLiteral("P%1").arg(i));
    // Another program refuses the document's deletion after its positions
    // were deleted.
    db->exec(QStringLiteral("create trigger refuse before delete on Vorgang1 when old.id = %1 "
                            "begin select raise(abort, 'gesperrt'); end")
                 .arg(id));
    openEditor(id);

    dialogs->answerMessage(Dialogs::No);
    window->ToolButton2->click();
    EXPECT_EQ(dialogs->interactions().last().text,
              QStringLiteral("Wollen Sie diesen Vorgang wirklich löschen?"));
    EXPECT_EQ(dialogs->interactions().last().icon, Dialogs::Question);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Vorgang2 where vorgangID = %1").arg(id)), 5);

    dialogs->answerMessage(Dialogs::Yes);
    dialogs->answerMessage(Dialogs::Ok); // the error
    window->ToolButton2Click();
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("gesperrt"))) << lastMessage().toStdString();
    EXPECT_EQ(count(QStringLiteral("select count(*) from Vorgang2 where vorgangID = %1").arg(id)), 5)
        << "no position lost when the document stays";
    EXPECT_EQ(stored(id, "vorgangnr"), QStringLiteral("10002"));

    db->exec(QStringLiteral("drop trigger refuse"));
    // Shown as the document list shows it: the documents filtered to this one.
    vorgang().setFilter(QStringLiteral("id = %1").arg(id));
    vorgang().setFiltered(true);
    dialogs->answerMessage(Dialogs::Yes);
    window->ToolButton2Click();
    EXPECT_EQ(stored(id, "vorgangnr"), QStringLiteral("<kein Vorgang>"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Vorgangsbearbeitung"))
        << "the deleted one is named no more";
    EXPECT_EQ(count(QStringLiteral("select count(*) from Vorgang2 where vorgangID = %1").arg(id)), 0);
    EXPECT_EQ(storedPositions(keep), QStringList{QStringLiteral("1:Bleibt")});
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(Editor, TextPanelTogglesAndShowsTheChosenText)
{
    const qint64 id = document(QStringLiteral("R"), QStringLiteral("10001"));
    position(id, 1, QStringLiteral("Wartung"));
    db->exec(
        QStringLiteral("update Vorgang1 set Kopftext = 'Sehr geehrte Frau Muster,' where id = %1").arg(id));
    openEditor(id);
    EXPECT_TRUE(window->BMemo->isVisible()) << "starts visible";
    EXPECT_TRUE(window->TbBeschreibung->isChecked());
    EXPECT_EQ(window->BMemoL->text(), QStringLiteral("Beschreibung"));
    EXPECT_EQ(window->BMemo1->toPlainText(), QStringLiteral("Wartung lang"));

    window->TbBeschreibung->click();
    EXPECT_FALSE(window->BMemo->isVisible());
    EXPECT_FALSE(window->TbBeschreibung->isChecked());

    window->Kopf1->trigger();
    EXPECT_TRUE(window->BMemo->isVisible());
    EXPECT_FALSE(window->TbBeschreibung->isChecked()) << "the menu leaves the button as it was";
    EXPECT_TRUE(window->Kopf1->isChecked());
    EXPECT_FALSE(window->Beschreibung1->isChecked());
    EXPECT_EQ(window->BMemoL->text(), QStringLiteral("Kopf"));
    EXPECT_EQ(window->BMemo1->toPlainText(), QStringLiteral("Sehr geehrte Frau Muster,"));

    window->Fuss1Click();
    EXPECT_EQ(window->BMemoL->text(), QStringLiteral("Fuss"));
    EXPECT_EQ(window->BMemo1->toPlainText(), QStringLiteral("Vielen Dank."));
    window->BMemo1->setFocus();
    window->BMemo1->moveCursor(QTextCursor::End);
    QTest::keyClicks(window->BMemo1, QStringLiteral(" Gruß"));
    // Switching writes what was typed into the footer, not into the position.
    window->Beschreibung1Click();
    EXPECT_EQ(doc("Fusstext")->AsString(), QStringLiteral("Vielen Dank. Gruß"));
    EXPECT_EQ(pos("Bezeichnung")->AsString(), QStringLiteral("Wartung lang"));
}

TEST_F(Editor, BankDataOfTheAddressGoBelowTheFooterText)
{
    address(7, QStringLiteral("Muster"), QStringLiteral("Eva"));
    db->exec(
        QStringLiteral("update Adress set KontoInhaber = 'Eva Muster', KontoBank = 'Kasseler Sparkasse', "
                       "KontoBLZ = 'HELADEF1KAS', KontoNr = 'DE12520503530001234567' where kdnr = 7"));
    address(8, QStringLiteral("Ohne"));
    const qint64 with = document(QStringLiteral("R"), QStringLiteral("10001"), 7);
    const qint64 without = document(QStringLiteral("R"), QStringLiteral("10002"), 8);
    const qint64 none = document(QStringLiteral("R"), QStringLiteral("10003"));
    openEditor(with);

    window->MenuItem4->trigger();
    EXPECT_EQ(doc("Fusstext")->AsString(),
              QStringLiteral("Vielen Dank.\r\n\r\nKontoinhaber: Eva Muster\r\nBank: Kasseler Sparkasse\r\n"
                             "BIC: HELADEF1KAS\r\nIBAN: DE12520503530001234567"));
    EXPECT_EQ(vorgang().State(), DataSetState::Edit) << "saved with the document";

    showDocument(without);
    dialogs->answerMessage(Dialogs::Ok);
    window->MenuItem4Click();
    EXPECT_EQ(lastMessage(), QStringLiteral("Tavirelsverwaltung|Zur Adresse dieses Vorgangs (Kd.-Nr. 8) sind "
                                            "keine Kontodaten gespeichert."));
    EXPECT_EQ(doc("Fusstext")->AsString(), QStringLiteral("Vielen Dank."));

    showDocument(none);
    dialogs->answerMessage(Dialogs::Ok);
    window->MenuItem4Click();
    EXPECT_EQ(lastMessage(),
              QStringLiteral(
                  "Tavirelsverwaltung|Der Vorgang hat keine Adresse; es gibt keine Kontodaten einzusetzen."));
    EXPECT_EQ(stored(with, "Fusstext").count(QStringLiteral("IBAN")), 1)
        << "saved when another document came";

    // An older address with bank code and account number.
    db->exec(QStringLiteral("update Adress set KontoBLZ = '52050353', KontoNr = '1234567', KontoInhaber = '' "
                            "where kdnr = 7"));
    showDocument(with);
    vorgang().Edit();
    doc("Fusstext")->Clear();
    window->MenuItem4Click();
    EXPECT_EQ(doc("Fusstext")->AsString(),
              QStringLiteral("Bank: Kasseler Sparkasse\r\nBLZ: 52050353\r\nKonto-Nr.: 1234567"));
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(Editor, TaxCaseDateOfSupplyAndVatPerRate)
{
    address(7, QStringLiteral("Bäckerei"));
    const qint64 id = document(QStringLiteral("R"), QStringLiteral("10001"), 7);
    position(id, 1, QStringLiteral("Brot"), 1, 5);
    position(id, 2, QStringLiteral("Kaffee"), 1, 8);
    db->exec(QStringLiteral("update Vorgang2 set MwstSatz = 7, MwstKat = 'S' where Pos = 1"));
    db->exec(QStringLiteral("update Vorgang2 set MwstSatz = 16, MwstKat = 'S' where Pos = 2"));
    openEditor(id);
    EXPECT_EQ(window->cbSteuerfall->currentText(), QStringLiteral("Regelbesteuerung"));
    EXPECT_EQ(window->sMwst->text(), QStringLiteral("MwSt. 7 %: 0,35  16 %: 1,28"));

    // § 13b needs the customer's VAT id; § 19 takes the VAT off every position.
    dialogs->answerMessage(Dialogs::Ok);
    window->cbSteuerfall->setCurrentIndex(window->cbSteuerfall->findData(QStringLiteral("AE")));
    Q_EMIT window->cbSteuerfall->activated(window->cbSteuerfall->currentIndex());
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("USt-IdNr."))) << lastMessage().toStdString();
    EXPECT_EQ(window->cbSteuerfall->currentText(), QStringLiteral("Regelbesteuerung"));
    window->cbSteuerfall->setCurrentIndex(window->cbSteuerfall->findData(QStringLiteral("E")));
    Q_EMIT window->cbSteuerfall->activated(window->cbSteuerfall->currentIndex());
    EXPECT_EQ(doc("Steuerfall")->AsString(), QStringLiteral("E"));
    EXPECT_EQ(count(QStringLiteral("select count(*) from Vorgang2 where MwstKat = 'E' and MwstSatz = 0")), 2);
    EXPECT_EQ(window->sMwst->text(), QString());
    EXPECT_NEAR(doc("mwst")->AsFloat(), 0, 1e-9);

    // A rate in a case without VAT, or a period ending before it begins, is refused.
    positions().First();
    positions().Edit();
    pos("MwstSatz")->SetAsFloat(19);
    EXPECT_TRUE(ERROR_OF(positions().Post()).contains(QStringLiteral("keine Umsatzsteuer")));
    positions().Cancel();

    // The grid offers the rates and categories of the case; another case's category is
    // refused, and choosing one sets the rate it implies (16 % at the document's date).
    const auto choices = [this](const char *field) {
        for (const DBGridColumn &c : window->Tab->columns())
            if (c.fieldName == QLatin1String(field)) return c.pickList.join(u' ');
        return QString();
    };
    EXPECT_EQ(choices("MwstKat") + u'|' + choices("MwstSatz"), QStringLiteral("E O|0"));
    positions().Edit();
    EXPECT_EQ(
        ERROR_OF(pos("MwstKat")->SetAsString(QStringLiteral("S"))),
        QStringLiteral("Die Kategorie \"S\" passt nicht zum Steuerfall \"Kleinunternehmer (§ 19 UStG)\" "
                       "des Vorgangs; möglich sind E, O."));
    positions().Cancel();
    window->cbSteuerfall->setCurrentIndex(window->cbSteuerfall->findData(QStringLiteral("S")));
    Q_EMIT window->cbSteuerfall->activated(window->cbSteuerfall->currentIndex());
    EXPECT_EQ(choices("MwstKat") + u'|' + choices("MwstSatz"), QStringLiteral("S Z O|16 7 0"));
    const struct
    {
        const char *field, *value, *kat;
        double rate;
    } picks[] = {{"MwstKat", "z", "Z", 0},
                 {"MwstKat", "S", "S", 16},
                 {"MwstKat", "O", "O", 0},
                 {"MwstSatz", "7", "S", 7}};
    positions().First();
    for (const auto &p : picks) {
        positions().Edit();
        pos(p.field)->SetAsString(QString::fromLatin1(p.value));
        positions().Post();
        EXPECT_EQ(pos("MwstKat")->AsString() + u' ' + pos("MwstSatz")->AsString(),
                  QStringLiteral("%1 %2").arg(QLatin1String(p.kat)).arg(p.rate))
            << p.field << " " << p.value;
    }
    window->cbSteuerfall->setCurrentIndex(window->cbSteuerfall->findData(QStringLiteral("E")));
    Q_EMIT window->cbSteuerfall->activated(window->cbSteuerfall->currentIndex());
    vorgang().Edit();
    doc("leistungsdatum")->SetAsDate(QDate(2005, 3, 10));
    doc("leistungbis")->SetAsDate(QDate(2005, 3, 1));
    EXPECT_TRUE(ERROR_OF(vorgang().Post()).contains(QStringLiteral("vor seinem Anfang")));
    doc("leistungbis")->SetAsDate(QDate(2005, 3, 31));
    vorgang().Post();
    EXPECT_EQ(window->eLeistungbis->text(), QStringLiteral("31.03.2005"));

    window->cbZahlungsart->setCurrentIndex(1);
    Q_EMIT window->cbZahlungsart->activated(1);
    EXPECT_EQ(doc("Zahlungsart")->AsString(), QStringLiteral("59"));
}

// The tax case and the positions it changes are saved together, so that a
// cancel afterwards leaves header and positions agreeing; a position being
// typed is saved first, in the case it was typed in, with its text.
TEST_F(Editor, ATaxCaseIsSavedWithThePositionsItChanges)
{
    address(7, QStringLiteral("Bäckerei"));
    const qint64 id = document(QStringLiteral("R"), QStringLiteral("10001"), 7);
    position(id, 1, QStringLiteral("Brot"), 1, 5);
    db->exec(QStringLiteral("update Vorgang2 set MwstSatz = 16, MwstKat = 'S'"));
    openEditor(id);
    // As the user types: the first key opens the cell, the others follow it.
    const auto typeInto = [this](int row, const QString &field, const QString &text) {
        int column = -1;
        for (int c = 0; c < window->Tab->columns().size(); ++c)
            if (window->Tab->fieldNameAt(c) == field) column = c;
        ASSERT_GE(column, 0) << qPrintable(field);
        window->Tab->setFocus();
        window->Tab->setCurrentIndex(window->Tab->model()->index(row, column));
        QTest::keyClicks(window->Tab, text.left(1));
        QTest::keyClicks(QApplication::focusWidget(), text.mid(1));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    };
    window->LeerposClick();
    typeInto(positions().RecNo(), QStringLiteral("Titel"), QStringLiteral("Kuchen"));
    typeInto(positions().RecNo(), QStringLiteral("anzahl"), QStringLiteral("2"));
    typeInto(positions().RecNo(), QStringLiteral("Preis"), QStringLiteral("3"));
    const auto choose = [this](const char *code) {
        window->cbSteuerfall->setCurrentIndex(window->cbSteuerfall->findData(QString::fromLatin1(code)));
        Q_EMIT window->cbSteuerfall->activated(window->cbSteuerfall->currentIndex());
    };
    choose("E");
    EXPECT_EQ(positions().State(), DataSetState::Browse);
    EXPECT_EQ(storedPositions(id), (QStringList{QStringLiteral("1:Brot"), QStringLiteral("2:Kuchen")}));
    EXPECT_EQ(stored(id, "Steuerfall"), QStringLiteral("E"));
    EXPECT_EQ(count(QStringLiteral("select count(*) from Vorgang2 where MwstKat = 'E' and MwstSatz = 0")), 2);
    window->DBNavigator1->click(DBNavigator::Cancel);
    EXPECT_EQ(stored(id, "Steuerfall"), QStringLiteral("E"));
    EXPECT_DOUBLE_EQ(storedNumber(id, "mwst"), 0);

    // Typing into the rate cell replaces its text; a rate the law does not
    // know at the date of supply is refused.
    choose("S");
    positions().First();
    EXPECT_EQ(pos("MwstSatz")->AsString(), QStringLiteral("16"));
    typeInto(0, QStringLiteral("MwstSatz"), QStringLiteral("7"));
    window->tbposSaveClick();
    EXPECT_DOUBLE_EQ(
        db->scalar(QStringLiteral("select MwstSatz from Vorgang2 where vorgangID = %1 and Pos = 1").arg(id))
            .toDouble(),
        7);
    dialogs->answerMessage(Dialogs::Ok);
    typeInto(0, QStringLiteral("MwstSatz"), QStringLiteral("5"));
    window->tbposSaveClick();
    EXPECT_EQ(
        lastMessage(),
        QStringLiteral("Tavirelsverwaltung|Den Steuersatz 5 % gibt es am 01.03.2005 nicht; möglich sind "
                       "16 %, 7 %, 0 %."));
    EXPECT_TRUE(dialogs->allAnswered());
}

// Moving the date of supply into another rate period: the positions at the
// old period's rates get the new ones after a question, saved with the date;
// declined, the save is refused with a message.
TEST_F(Editor, ADateOfSupplyInAnotherRatePeriodRerates)
{
    const qint64 id = document(QStringLiteral("R"), QStringLiteral("10001"));
    position(id, 1, QStringLiteral("Brot"), 1, 5);
    position(id, 2, QStringLiteral("Kaffee"), 1, 8);
    db->exec(QStringLiteral("update Vorgang2 set MwstSatz = 7, MwstKat = 'S' where Pos = 1"));
    db->exec(QStringLiteral("update Vorgang2 set MwstSatz = 16, MwstKat = 'S' where Pos = 2"));
    openEditor(id);
    const auto typeDate = [this](const QString &text) {
        window->eLeistungsdatum->setFocus();
        window->eLeistungsdatum->selectAll();
        QTest::keyClicks(window->eLeistungsdatum, text);
        if (text.isEmpty()) QTest::keyClick(window->eLeistungsdatum, Qt::Key_Delete);
        window->sKunde->setFocus();
        QCoreApplication::processEvents();
    };
    dialogs->answerMessage(Dialogs::Yes);
    typeDate(QStringLiteral("10.12.2026"));
    EXPECT_EQ(lastMessage(),
              QStringLiteral("Tavirelsverwaltung|Am 10.12.2026 gelten andere Steuersätze als bei "
                             "Position 2 (16 %, jetzt 19 %).\n\nSollen diese Positionen die "
                             "Sätze ihrer Art erhalten, die am 10.12.2026 gelten?"));
    EXPECT_EQ(storedPositionRates(id), QStringLiteral("7 19"));
    EXPECT_EQ(stored(id, "leistungsdatum"), QStringLiteral("2026-12-10"));
    EXPECT_DOUBLE_EQ(storedNumber(id, "mwst"), 1.87); // 0,35 + 1,52

    // Back to the document's date in 2005, declined: the save is refused.
    dialogs->answerMessage(Dialogs::No);
    typeDate(QString());
    dialogs->answerMessage(Dialogs::Ok);
    window->DBNavigator1->click(DBNavigator::Post);
    EXPECT_TRUE(
        lastMessage().contains(QStringLiteral("Am 01.03.2005 gelten andere Steuersätze als bei Position 2 "
                                              "(19 %, jetzt 16 %)")))
        << lastMessage().toStdString();
    EXPECT_EQ(stored(id, "leistungsdatum"), QStringLiteral("2026-12-10"));
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(Editor, PreviewShowsTheSavedDocument)
{
    const qint64 id = document(QStringLiteral("R"), QStringLiteral("10001"));
    position(id, 1, QStringLiteral("Wartung"), 1, 50);
    openEditor(id);
    positions().Edit();
    pos("Preis")->SetAsFloat(60);

    QString caption;
    QMetaObject::invokeMethod(
        qApp,
        [&] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *p = qobject_cast<TPrevForm *>(w); p && p->isVisible()) {
                    caption = p->windowTitle();
                    p->close();
                }
        },
        Qt::QueuedConnection);
    window->tbDruck->click();
    EXPECT_EQ(caption, QStringLiteral("Vorgang R-10001"));
    EXPECT_DOUBLE_EQ(
        db->scalar(QStringLiteral("select Preis from Vorgang2 where vorgangID = %1").arg(id)).toDouble(), 60);
    EXPECT_DOUBLE_EQ(storedNumber(id, "vk"), 60) << "saved with its totals before printing";
}

TEST_F(Editor, ClosingSavesTheDocumentAndItsPositions)
{
    const qint64 id = document(QStringLiteral("R"), QStringLiteral("10001"));
    position(id, 1, QStringLiteral("Wartung"), 1, 50);
    openEditor(id);
    window->LeerposClick();
    ASSERT_EQ(positions().State(), DataSetState::Insert);
    pos("Titel")->SetAsString(QStringLiteral("Anfahrt"));
    pos("anzahl")->SetAsFloat(1);
    pos("Preis")->SetAsFloat(35);
    window->sKunde->setFocus();
    window->sKunde->moveCursor(QTextCursor::End);
    QTest::keyClicks(window->sKunde, QStringLiteral(" GmbH"));

    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(storedPositions(id), (QStringList{QStringLiteral("1:Wartung"), QStringLiteral("2:Anfahrt")}));
    EXPECT_EQ(stored(id, "anschrift"), QStringLiteral("Eva Muster GmbH"));
    EXPECT_DOUBLE_EQ(storedNumber(id, "vk"), 85) << "the totals of the new position are stored too";
    EXPECT_EQ(vorgang().State(), DataSetState::Browse);
}

} // namespace
