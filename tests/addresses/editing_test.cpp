// SPDX-License-Identifier: GPL-3.0-or-later
// Changing addresses in the window: the editing switch, the quick entry,
// deleting with its cascade, contact persons, the last contact, the list's
// double-click and the questions on closing.
#include "addressfixture.h"

#include "addresses/tfadrins.h"
#include "addresses/tferechnung.h"
#include "widgets/dbgrid.h"
#include "widgets/dbnavigator.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

namespace {

class Editing : public AddressFixture
{
  protected:
    void SetUp() override
    {
        AddressFixture::SetUp();
        address(1, QStringLiteral("Adler"));
        address(2, QStringLiteral("Bauer"));
        address(3, QStringLiteral("Conrad"));
        person(2, QStringLiteral("Eins"));
        person(2, QStringLiteral("Zwei"));
        person(2, QStringLiteral("Drei"));
        person(3, QStringLiteral("Fremd"));
        note(2, QStringLiteral("2005-01-10"), QStringLiteral("Anruf"), QStringLiteral("alt"));
        note(3, QStringLiteral("2005-01-11"), QStringLiteral("Brief"), QStringLiteral("bleibt"));
        openWindow();
    }
    void goTo(int kdnr) { ASSERT_TRUE(adress().Locate(QStringLiteral("KDNR"), Value(kdnr), 0)); }
    // Fills the quick entry as the user would and presses a button.
    static ScriptedDialogs::ExecHandler quickEntry(const QString &name, const QString &lines = QString(),
                                                   bool create = true)
    {
        return [=](QDialog &d) {
            auto &dialog = dynamic_cast<Tfadrins &>(d);
            EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Adresse anlegen"));
            dialog.n->setText(name);
            dialog.nn->setPlainText(lines);
            dialog.o->setText(QStringLiteral("Kassel"));
            (create ? dialog.Button1 : dialog.Button2)->click();
            return dialog.result();
        };
    }
};

TEST_F(Editing, SwitchLocksTheFourAreasTogether)
{
    const QList<QWidget *> areas = {window->SAdrTop, window->SAdr, window->Eingabe1, window->Eingabe3};
    auto locked = [&](bool expected) {
        for (QWidget *area : areas) {
            const QList<QWidget *> controls = AreaLock::inputControls(area);
            EXPECT_FALSE(controls.isEmpty()) << area->objectName().toStdString();
            for (QWidget *w : controls) {
                if (w == window->btERechnung) continue; // a dialog of its own, with OK and Abbrechen
                EXPECT_EQ(AreaLock::refusesInput(w), expected) << w->objectName().toStdString();
            }
        }
    };
    locked(true);
    EXPECT_TRUE(AreaLock::refusesInput(window->DBGrid2)) << "the contacts grid lies on the address page";
    for (QWidget *w : QList<QWidget *>{window->DBNavigator1, window->fastfind, window->kdsuch,
                                       window->control, window->DBGrid1})
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();

    window->eingabe->click();
    EXPECT_TRUE(window->eingabe->isChecked());
    EXPECT_TRUE(window->Bearbeitenerlauben1->isChecked());
    locked(false);
    EXPECT_FALSE(window->DBGrid2->isReadOnly());
    EXPECT_EQ(window->DBGrid2->contextMenuPolicy(), Qt::CustomContextMenu);
    EXPECT_TRUE(window->EditKDNR->isReadOnly()) << "the customer number stays read-only";
    window->Bearbeitenerlauben1->trigger();
    EXPECT_FALSE(window->eingabe->isChecked());
    locked(true);
}

TEST_F(Editing, DeleteIsRefusedWhileEditingIsOff)
{
    goTo(2);
    dialogs->answerMessage(Dialogs::Ok);
    window->adrdel->click();
    EXPECT_EQ(messages(), QStringLiteral("Tavirelsverwaltung|Bearbeitung ist gesperrt!"));
    EXPECT_EQ(count(QStringLiteral("select count(*) from Adress")), 3);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Personen")), 4);
}

TEST_F(Editing, DeleteAsksAndTakesContactsAndNotesAlong)
{
    window->eingabeClick();
    goTo(2);
    dialogs->answerMessage(Dialogs::No);
    window->Adresselschen1->trigger();
    EXPECT_EQ(messages(),
              QStringLiteral("Tavirelsverwaltung|Wollen Sie wirklich die Adresse Bauer löschen?"));
    EXPECT_EQ(count(QStringLiteral("select count(*) from Adress")), 3) << "No deletes nothing";
    EXPECT_EQ(currentKdnr(), 2);

    dialogs->answerMessage(Dialogs::Yes);
    window->adrdel->click();
    EXPECT_EQ(count(QStringLiteral("select count(*) from Adress where KDNR = 2")), 0);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Personen where FIRMAID = 2")), 0);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Notizen where KDNR = 2")), 0);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Personen")), 1) << "other addresses keep theirs";
    EXPECT_EQ(count(QStringLiteral("select count(*) from Notizen")), 1);
    EXPECT_EQ(current("NAME1"), QStringLiteral("Conrad")) << "the neighbour becomes current";
    EXPECT_EQ(persons().RecordCount(), 1);
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(Editing, AFailedDeleteKeepsAddressContactsAndNotes)
{
    window->eingabeClick();
    goTo(2);
    adress().AfterDelete = [](TVexDaoTable &) { throw AppError(QStringLiteral("Platte voll")); };
    dialogs->answerMessage(Dialogs::Yes).answerMessage(Dialogs::Ok);
    window->adrdelClick();
    EXPECT_EQ(dialogs->messages().last(), QStringLiteral("Tavirelsverwaltung|Platte voll."));
    EXPECT_EQ(count(QStringLiteral("select count(*) from Adress")), 3);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Personen where FIRMAID = 2")), 3);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Notizen where KDNR = 2")), 1);
    EXPECT_EQ(currentKdnr(), 2);
    EXPECT_EQ(persons().RecordCount(), 3);
    EXPECT_EQ(window->Notizen->RecordCount(), 1);
}

TEST_F(Editing, QuickEntryWithANameCreatesTheNextAddressAndSwitchesEditingOn)
{
    dialogs->answerExec(quickEntry(QStringLiteral("Neumann")));
    window->adrins->click();
    EXPECT_TRUE(dialogs->allAnswered());
    EXPECT_TRUE(window->editing());
    EXPECT_EQ(adress().State(), DataSetState::Edit) << "left in editing for the window";
    EXPECT_EQ(count(QStringLiteral("select count(*) from Adress")), 4);
    EXPECT_EQ(
        db
            ->scalar(QStringLiteral(
                "select NAME1 || '|' || ORT || '|' || cast(TYP as integer) || '|' || MA || '|' || ANGELEGT "
                "|| '|' || ifnull(VORNAME, '') || '|' || ifnull(NAMEN, '') from Adress "
                "where KDNR = 4"))
            .rawText(),
        QStringLiteral("Neumann|Kassel|2|TV|2005-03-15||"));
    EXPECT_EQ(current("NAME1"), QStringLiteral("Neumann"));
}

TEST_F(Editing, QuickEntryKeepsBothNameLines)
{
    dialogs->answerExec(quickEntry(QStringLiteral("Müller"), QStringLiteral("Familie\nMüller-Lüdenscheidt")));
    window->NeueAdresse1->trigger();
    EXPECT_EQ(db->scalar(QStringLiteral("select NAMEN from Adress where KDNR = 4")).rawText(),
              QStringLiteral("Familie\r\nMüller-Lüdenscheidt"));
    EXPECT_EQ(window->mNamen->toPlainText(), QStringLiteral("Familie\nMüller-Lüdenscheidt"));
}

// The quick entry asks for e-mail, country and the marks; a new address is a
// customer unless unticked, and a country that is no code makes nothing.
TEST_F(Editing, QuickEntryTakesMailCountryAndMarks)
{
    dialogs->answerExec([&](QDialog &d) {
        auto &dialog = dynamic_cast<Tfadrins &>(d);
        EXPECT_TRUE(dialog.cKunde->isChecked());
        EXPECT_FALSE(dialog.cVerbraucher->isChecked());
        dialog.n->setText(QStringLiteral("Wagner"));
        dialog.eLand->setText(QStringLiteral("Österreich"));
        dialog.Button1->click();
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        dialog.eLand->setText(QStringLiteral("at"));
        dialog.eEmail->setText(QStringLiteral("wagner@example.at"));
        dialog.cVerbraucher->setChecked(true);
        dialog.Button1->click();
        return dialog.result();
    });
    dialogs->answerMessage(Dialogs::Ok);
    window->adrinsClick();
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("kein Ländercode"))) << lastMessage().toStdString();
    EXPECT_EQ(count(QStringLiteral("select count(*) from Adress")), 4) << "one address, not two";
    EXPECT_EQ(
        db->scalar(QStringLiteral("select EMAIL || '|' || LAND || '|' || cast(kunde as integer) || '|' || "
                                  "cast(VERBRAUCHER as integer) from Adress where KDNR = 4"))
            .rawText(),
        QStringLiteral("wagner@example.at|AT|1|1"));
    EXPECT_TRUE(window->cbVerbraucher->isChecked()) << "the address window shows the consumer";
}

// The e-invoice data are reached beside the e-mail also while editing is off,
// and a Leitweg-ID is checked where it is typed.
TEST_F(Editing, TheEInvoiceDataAreReachedBesideTheMailAndTheLeitwegIdIsChecked)
{
    ASSERT_FALSE(window->editing());
    EXPECT_TRUE(window->btERechnung->isEnabled());
    dialogs->answerExec([&](QDialog &d) {
        auto &dialog = dynamic_cast<TFERechnung &>(d);
        dialog.eReferenz->setText(QStringLiteral("06633004-0001-88"));
        EXPECT_FALSE(dialog.btOkClick());
        dialog.eReferenz->setText(QStringLiteral("06633004-0001-87"));
        EXPECT_TRUE(dialog.btOkClick());
        return int(QDialog::Accepted);
    });
    dialogs->answerMessage(Dialogs::Ok);
    window->btERechnung->click();
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("Die Leitweg-ID \"06633004-0001-88\" ist ungültig")))
        << lastMessage().toStdString();
    EXPECT_EQ(db->scalar(QStringLiteral("select Referenz from ERechnung")).rawText(),
              QStringLiteral("06633004-0001-87"));
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(Editing, QuickEntryWithoutANameWarnsAndStoresNothing)
{
    dialogs->answerExec([&](QDialog &d) {
        auto &dialog = dynamic_cast<Tfadrins &>(d);
        dialog.v->setText(QStringLiteral("Hans"));
        dialog.Button1->click();
        // The entries stay for the name to be added; then the user gives up.
        EXPECT_FALSE(dialog.result() == QDialog::Accepted);
        EXPECT_EQ(dialog.v->text(), QStringLiteral("Hans"));
        QTest::keyClick(&dialog, Qt::Key_Escape);
        return dialog.result();
    });
    dialogs->answerMessage(Dialogs::Ok);
    window->adrinsClick();
    EXPECT_EQ(
        messages(),
        QStringLiteral("Tavirelsverwaltung|Sie haben keinen Namen eingegeben. Speichern nicht möglich!"));
    EXPECT_EQ(dialogs->interactions().last().icon, Dialogs::Warning);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Adress")), 3);
    EXPECT_EQ(adress().State(), DataSetState::Browse);
    EXPECT_TRUE(window->editing()) << "editing goes on whatever the outcome";
}

TEST_F(Editing, ClosingAfterQuickEntryAsksAndYesSaves)
{
    dialogs->answerExec(quickEntry(QStringLiteral("Neumann")));
    window->adrinsClick();
    dialogs->answerMessage(Dialogs::Yes);
    window->eOrt->setFocus();
    QTest::keyClicks(window->eOrt, "er");
    EXPECT_TRUE(window->close());
    EXPECT_EQ(messages(),
              QStringLiteral("Tavirelsverwaltung|Der aktuelle Datensatz ist noch nicht gespeichert. "
                             "Wollen Sie jetzt speichern?"));
    EXPECT_EQ(dialogs->interactions().last().buttons, Dialogs::Yes | Dialogs::No | Dialogs::Cancel);
    EXPECT_EQ(adress().State(), DataSetState::Browse);
    EXPECT_EQ(db->scalar(QStringLiteral("select ORT from Adress where KDNR = 4")).rawText(),
              QStringLiteral("Kasseler"))
        << "the text being typed is saved too";
}

TEST_F(Editing, ClosingAsksBothQuestionsAndCancelOnTheFirstKeepsTheWindow)
{
    goTo(2);
    adress().Edit();
    addresses->AdressORT->SetAsString(QStringLiteral("Hamm"));
    persons().Edit();
    addresses->uPersonenNAME->SetAsString(QStringLiteral("Eins-neu"));
    dialogs->answerMessage(Dialogs::Cancel).answerMessage(Dialogs::Yes);
    EXPECT_FALSE(window->close());
    EXPECT_EQ(
        dialogs->messages(),
        QStringList({QStringLiteral("Tavirelsverwaltung|Der aktuelle Datensatz ist noch nicht gespeichert. "
                                    "Wollen Sie jetzt speichern?"),
                     QStringLiteral("Tavirelsverwaltung|Der aktuelle Ansprechpartner ist noch nicht "
                                    "gespeichert. Wollen Sie jetzt speichern?")}));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(count(QStringLiteral("select count(*) from Personen where NAME = 'Eins-neu'")), 1);
    EXPECT_EQ(adress().State(), DataSetState::Edit) << "Cancel leaves the address pending";
    EXPECT_EQ(count(QStringLiteral("select count(*) from Adress where ORT = 'Hamm'")), 0);

    // No on both: the window goes, the change stays pending in the shared dataset.
    dialogs->clear();
    persons().Edit();
    addresses->uPersonenNAME->SetAsString(QStringLiteral("Eins-zwei"));
    dialogs->answerMessage(Dialogs::No).answerMessage(Dialogs::No);
    EXPECT_TRUE(window->close());
    EXPECT_EQ(dialogs->messages().size(), 2);
    EXPECT_EQ(adress().State(), DataSetState::Edit);
    EXPECT_EQ(addresses->AdressORT->AsString(), QStringLiteral("Hamm"));
}

TEST_F(Editing, ContactPersonsAreAddedSavedAndDeletedAfterAQuestion)
{
    goTo(1);
    window->NeuerAnsprechpartner2->trigger();
    EXPECT_EQ(persons().State(), DataSetState::Insert);
    EXPECT_EQ(addresses->uPersonenFIRMAID->AsInteger(), 1);
    addresses->uPersonenNAME->SetAsString(QStringLiteral("Neu"));
    window->Ansprechpartnerspeichern1->trigger();
    EXPECT_EQ(count(QStringLiteral("select count(*) from Personen where FIRMAID = 1 and NAME = 'Neu'")), 1);

    dialogs->answerMessage(Dialogs::No);
    window->Ansprechpartnerlschen1->trigger();
    EXPECT_EQ(messages(),
              QStringLiteral("Tavirelsverwaltung|Wollen Sie den Ansprechpartner Neu wirklich löschen?"));
    EXPECT_EQ(count(QStringLiteral("select count(*) from Personen where FIRMAID = 1")), 1);
    dialogs->answerMessage(Dialogs::Yes);
    window->Ansprechpartnerlschen2->trigger();
    EXPECT_EQ(count(QStringLiteral("select count(*) from Personen where FIRMAID = 1")), 0);
    EXPECT_TRUE(dialogs->allAnswered());

    // Without contacts there is nothing to ask about.
    window->Ansprechpartnerlschen1Click();
    EXPECT_EQ(dialogs->interactions().size(), 2);
}

TEST_F(Editing, DoubleClickOnLastContactPutsToday)
{
    window->eingabeClick();
    goTo(3);
    QTest::mouseDClick(window->eKontakt, Qt::LeftButton);
    EXPECT_EQ(adress().State(), DataSetState::Edit);
    EXPECT_EQ(addresses->AdressKONTAKT->AsDateTime(), QDateTime(QDate(2005, 3, 15), QTime(0, 0)));
    EXPECT_EQ(window->eKontakt->text(), QStringLiteral("15.03.2005"));
    adress().Post();
    EXPECT_EQ(db->scalar(QStringLiteral("select KONTAKT from Adress where KDNR = 3")).rawText(),
              QStringLiteral("2005-03-15"));
}

TEST_F(Editing, DoubleClickInTheListShowsThatAddress)
{
    window->PControl->setCurrentWidget(window->TabSheet4);
    DBGrid *list = window->DBGrid1;
    const QRect row = list->visualRect(list->model()->index(2, 1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(window->PControl->currentWidget(), window->SAdr);
    EXPECT_EQ(current("NAME1"), QStringLiteral("Conrad"));
    EXPECT_EQ(window->EditNAME->text(), QStringLiteral("Conrad"));
}

} // namespace

// An address an invoice to be kept names is blocked instead of deleted;
// "Datenauskunft …" then gives out what is left of it, with the invoice.
TEST_F(Editing, AnAddressWithAnInvoiceToKeepIsBlockedAndGivenOut)
{
    db->exec(
        QStringLiteral("insert into Vorgang1 (typ, vorgangnr, kdnr, datum, anschrift, vk, Waehrung, bezahlt, "
                       "storniert) values ('R', '10001', 2, '2005-01-20', 'Bauer', 100, '€', false, false)"));
    window->eingabeClick();
    goTo(2);
    dialogs->answerMessage(Dialogs::Yes);
    window->adrdelClick();
    ASSERT_TRUE(dialogs->allAnswered());
    EXPECT_TRUE(messages().startsWith(QStringLiteral(
        "Tavirelsverwaltung|Die Adresse Bauer kann nicht gelöscht werden: ihre Vorgänge müssen "
        "aufbewahrt werden, zuletzt Rechnung 10001 vom 20.01.2005 (aufzubewahren bis 31.12.2015).")))
        << messages().toStdString();
    EXPECT_EQ(count(QStringLiteral("select count(*) from Adress where KDNR = 2")), 1);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Personen where FIRMAID = 2")), 0);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Notizen where KDNR = 2")), 0);
    EXPECT_EQ(currentKdnr(), 2);
    EXPECT_TRUE(current("BEMERKUNG").startsWith(QStringLiteral("Gesperrt am 15.03.2005")));

    QTemporaryDir out;
    dialogs->clear();
    dialogs->answerSaveFile(out.filePath(QStringLiteral("Auskunft.json"))).answerMessage(Dialogs::Ok);
    window->Datenauskunft1->trigger();
    ASSERT_TRUE(dialogs->allAnswered());
    EXPECT_TRUE(messages().contains(QStringLiteral("Die Datenauskunft zu Bauer (Kd-Nr 2) ist geschrieben")))
        << messages().toStdString();
    for (const char *file : {"Auskunft.json", "Auskunft.pdf"})
        EXPECT_TRUE(QFileInfo::exists(out.filePath(QString::fromLatin1(file)))) << file;
    EXPECT_EQ(QDir(out.filePath(QStringLiteral("Auskunft-Vorgaenge"))).entryList(QDir::Files).size(), 1);
}
