// SPDX-License-Identifier: GPL-3.0-or-later
#include "tfadr.h"

#include "lettertabs.h"
#include "tfadrins.h"
#include "tferechnung.h"
#include "tftextshow.h"

#include "base/apperror.h"
#include "base/textfiles.h"
#include "data/dates.h"
#include "data/programfolder.h"
#include "data/tdata.h"
#include "data/tdataa.h"
#include "data/textcompare.h"
#include "documents/tfvadr.h"
#include "platform/appicons.h"
#include "widgets/dbcheckbox.h"
#include "widgets/dbcombobox.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"
#include "widgets/dbmemo.h"
#include "widgets/dbnavigator.h"
#include "widgets/dbtext.h"
#include "widgets/dialogs.h"
#include "widgets/pendingedits.h"
#include "widgets/shell.h"
#include "widgets/vorgangwindows.h"
#include "widgets/windowparts.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using namespace WindowParts;

namespace {

const QString kTitle = QStringLiteral("Tavirelsverwaltung");

} // namespace

TFAdr::TFAdr(QWidget *parent) : QWidget(parent)
{
    if (!dataa) throw AppError(QStringLiteral("Das Adressmodul ist nicht geladen"));
    setObjectName(QStringLiteral("FAdr"));
    setWindowTitle(QStringLiteral("Adressverwaltung"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(windowFlags() | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowContextHelpButtonHint);

    buildActions();
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    outer->setMenuBar(MainMenu1);
    buildMenus();

    buildTopBar();
    outer->addWidget(ControlBar1);

    // The letter tabs frame everything below the top bar.
    auto *body = new QHBoxLayout;
    body->setContentsMargins(4, 2, 2, 4);
    body->setSpacing(2);
    auto *inner = new QVBoxLayout;
    inner->setSpacing(2);
    buildTopStrip();
    inner->addWidget(SAdrTop);
    PControl = new QTabWidget(this);
    PControl->setObjectName(QStringLiteral("PControl"));
    PControl->setTabPosition(QTabWidget::South);
    PControl->setDocumentMode(false);
    buildAddressPage();
    buildNotesPage();
    buildRemarksPage();
    buildListPage();
    inner->addWidget(PControl, 1);
    body->addLayout(inner, 1);
    control = new LetterTabs(this);
    control->setObjectName(QStringLiteral("control"));
    control->setToolTip(QStringLiteral("Adresse nach Anfangsbuchstabe suchen"));
    connect(control, &LetterTabs::currentChanged, this, &TFAdr::controlChange);
    body->addWidget(control);
    outer->addLayout(body, 1);

    resize(1000, 640);
    FormCreate();
}

TFAdr::~TFAdr()
{
    deleteChildren(this);
}

// ---------------------------------------------------------------------------
// creation and closing

void TFAdr::FormCreate()
{
    setEditing(false);
    PControl->setCurrentWidget(SAdr);
    control->setCurrentIndex(0);
    // The window shows Nachname as its sort choice, so the shared dataset
    // gets that order; it stays on its current address.
    if (dataa->Adress.Active() &&
        dataa->Adress.OrderField().compare(QLatin1String("NAME1"), Qt::CaseInsensitive))
        guarded([] { dataa->Adress.OrderByField(QStringLiteral("NAME1")); });
    openNotes();
    try {
        QStringList types = TextFiles::loadLines(ProgramFolder::file(QStringLiteral("notiz/typ.txt")));
        types.removeAll(QString());
        std::sort(types.begin(), types.end(),
                  [](const QString &a, const QString &b) { return TextCompare::compare(a, b) < 0; });
        m_noteTypes = types;
    } catch (const AppError &e) {
        ShowErrorBox(e.message(), this);
    }
    Vtypbox->setItems(m_noteTypes);
    NamenKontextPopup();
    updateDocumentCommands();
}

void TFAdr::openNotes()
{
    if (!dataa->Datenbank.Connected() || !dataa->Adress.Active()) return;
    guarded([this] { Notizen->Open(); });
}

void TFAdr::closeEvent(QCloseEvent *event)
{
    // Text still in a control belongs to the change the questions are about:
    // it is written first, and a value its field refuses keeps the window.
    if (!PendingEdits::writeAll(this)) {
        event->ignore();
        return;
    }
    // FormCloseQuery: both questions are asked whatever the first answer was.
    bool canClose = true;
    if (!askToSave(dataa->Adress, QStringLiteral("Der aktuelle Datensatz ist noch nicht gespeichert. "
                                                 "Wollen Sie jetzt speichern?")))
        canClose = false;
    if (!askToSave(dataa->uPersonen,
                   QStringLiteral("Der aktuelle Ansprechpartner ist noch nicht gespeichert. "
                                  "Wollen Sie jetzt speichern?")))
        canClose = false;
    // A note being typed belongs to this window alone and would go with it:
    // it is saved as leaving the row would save it.
    if (canClose && Notizen->Active() && editingOrInserting(*Notizen)) {
        try {
            Notizen->CheckBrowseMode();
        } catch (const AppError &e) {
            ShowErrorBox(e.message(), this);
            canClose = false;
        }
    }
    if (!canClose) {
        event->ignore();
        return;
    }
    event->accept();
    FormClose();
}

bool TFAdr::askToSave(TVexDaoTable &ds, const QString &question)
{
    if (!ds.Active() || !editingOrInserting(ds)) return true;
    switch (Dialogs::instance().message(this, kTitle, question, Dialogs::Question,
                                        Dialogs::Yes | Dialogs::No | Dialogs::Cancel, Dialogs::Yes)) {
    case Dialogs::Yes:
        try {
            ds.Post();
        } catch (const AppError &e) {
            // Not saved: the window stays so that nothing typed is lost unseen.
            ShowErrorBox(e.message(), this);
            return false;
        }
        return true;
    case Dialogs::No:
        return true;
    default:
        return false;
    }
}

void TFAdr::FormClose()
{
    // The main window's frame empties the reference as well; a window that
    // closes on its own must not leave it behind either.
    forgetWindow(WindowKind::Adressen, this);
}

void TFAdr::showEvent(QShowEvent *event)
{
    // Standing alone the window carries its menus itself; inside the main
    // window they are merged into the main menu.
    MainMenu1->setVisible(isWindow());
    updateDocumentCommands();
    QWidget::showEvent(event);
}

QList<QMenu *> TFAdr::mergedMenus() const
{
    return {Adresse1, Ansprechpartner1, Vorgang1};
}

bool TFAdr::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == kdsuch &&
        (event->type() == QEvent::FocusIn || event->type() == QEvent::MouseButtonRelease)) {
        const bool result = QWidget::eventFilter(watched, event);
        kdsuchEnter();
        return result;
    }
    // Filters see events of disabled controls too: a locked box puts no date.
    if (watched == eKontakt && event->type() == QEvent::MouseButtonDblClick && eKontakt->isEnabled()) {
        eKontaktDblClick();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TFAdr::guarded(const std::function<void()> &work)
{
    ShowErrorsOf(this, work);
}

QStringList TFAdr::noteTypes() const
{
    return m_noteTypes;
}

// ---------------------------------------------------------------------------
// editing switch

void TFAdr::setEditing(bool on)
{
    m_editing = on;
    eingabe->setChecked(on);
    Bearbeitenerlauben1->setChecked(on);
    // Locked rather than disabled: the address must stay readable, and the
    // remarks and contact persons scrollable.
    m_lock.setLocked({SAdrTop, SAdr, Eingabe1, Eingabe3}, !on);
    // The e-invoice data have a dialog of their own with OK and Abbrechen.
    btERechnung->setEnabled(true);
}

void TFAdr::eingabeClick()
{
    setEditing(!m_editing);
}

// ---------------------------------------------------------------------------
// searches and order

void TFAdr::fastfindChange(const QString &text)
{
    guarded([&] {
        dataa->Adress.Locate(QStringLiteral("NAME1"), Value(text),
                             TVexDaoTable::LoCaseInsensitive | TVexDaoTable::LoPartialKey);
    });
}

bool TFAdr::findCustomerNumber(const QString &text)
{
    // Only a whole number becomes the condition; any other text finds nothing,
    // so what is typed can never turn into a condition of its own.
    static const QRegularExpression wholeNumber(QStringLiteral("^\\s*[+-]?[0-9]+\\s*$"));
    bool ok = false;
    const qint64 number = wholeNumber.match(text).hasMatch() ? text.trimmed().toLongLong(&ok) : 0;
    if (!ok) return false;
    try {
        dataa->Adress.setFilter(QStringLiteral("kdnr=%1").arg(number));
        return dataa->Adress.FindFirst();
    } catch (const AppError &e) {
        ShowErrorBox(e.message(), this);
        return true; // said already
    }
}

void TFAdr::kdsuchChange(const QString &text)
{
    // Every number is looked for as it is typed (a new firm's customers are
    // 1, 2, 3); a miss is said only when Enter asks for that number.
    if (!text.trimmed().isEmpty()) findCustomerNumber(text);
}

void TFAdr::kdsuchReturn()
{
    const QString text = kdsuch->text();
    if (text.trimmed().isEmpty() || findCustomerNumber(text)) return;
    Dialogs::instance().message(this, kTitle,
                                QStringLiteral("Kdnr %1 konnte nicht lokalisiert werden").arg(text),
                                Dialogs::Information, Dialogs::Ok);
}

void TFAdr::kdsuchEnter()
{
    kdsuch->selectAll();
}

void TFAdr::controlChange(int index)
{
    const QString letter = control->tabText(index);
    guarded([&] { dataa->Adress.SeekAtOrAfter(Value(letter)); });
}

void TFAdr::sortBy(QAction *item, const QString &field)
{
    item->setChecked(true);
    guarded([&] {
        dataa->Adress.OrderByField(field);
        dataa->Adress.First();
    });
}

void TFAdr::Vorname1Click()
{
    sortBy(Vorname1, QStringLiteral("VORNAME"));
}

void TFAdr::Nachname1Click()
{
    sortBy(Nachname1, QStringLiteral("NAME1"));
}

void TFAdr::Ort1Click()
{
    sortBy(Ort1, QStringLiteral("ORT"));
}

// ---------------------------------------------------------------------------
// addresses

void TFAdr::adrinsClick()
{
    {
        Tfadrins dialog(this);
        Dialogs::instance().exec(dialog);
    }
    setEditing(true);
}

// E-invoice mailbox and buyer reference of the current address, in a dialog of
// their own, also while editing is off.
void TFAdr::ERechnung1Click()
{
    // A dialog of its own with OK and Abbrechen: no lock is needed to keep
    // the address from a change made by accident.
    guarded([this] {
        if (dataa->Adress.IsEmpty()) return;
        dataa->Adress.CheckBrowseMode(); // a new address is saved before data is kept under its number
        TFERechnung dialog(this);
        Dialogs::instance().exec(dialog);
    });
}

void TFAdr::adrdelClick()
{
    if (!m_editing) {
        Dialogs::instance().message(this, kTitle, QStringLiteral("Bearbeitung ist gesperrt!"),
                                    Dialogs::Information, Dialogs::Ok);
        return;
    }
    TVexDaoTable &adress = dataa->Adress;
    if (!adress.Active() || adress.IsEmpty()) return;
    if (offerBlockingInsteadOfDeleting()) return;
    const QString question =
        QStringLiteral("Wollen Sie wirklich die Adresse %1 löschen?").arg(dataa->AdressNAME1->AsString());
    if (Dialogs::instance().message(this, kTitle, question, Dialogs::Question, Dialogs::Yes | Dialogs::No,
                                    Dialogs::No) != Dialogs::Yes)
        return;
    // The address goes with its contact persons and its notes, all or nothing:
    // notes left behind would turn up at the next address given the same number.
    TVexDaoDatabase &db = dataa->Datenbank;
    const Value kdnr = dataa->AdressKDNR->value();
    try {
        TVexDaoDatabase::Transaction transaction(db);
        TVexDaoTable &persons = dataa->uPersonen;
        persons.First();
        while (!persons.IsEmpty())
            persons.Delete();
        adress.Delete(); // the address data module removes its notes as well
        transaction.commit();
    } catch (const AppError &e) {
        // Back on the address that stays, with its contacts and notes.
        try {
            adress.Locate(QStringLiteral("KDNR"), kdnr, 0);
        } catch (const AppError &) {
        }
        ShowErrorBox(e.message(), this);
    }
}

void TFAdr::Speichern1Click()
{
    guarded([] {
        if (editingOrInserting(dataa->Adress)) dataa->Adress.Post();
    });
}

void TFAdr::eKontaktDblClick()
{
    guarded([] {
        dataa->Adress.Edit();
        dataa->AdressKONTAKT->SetAsDate(Today());
    });
}

void TFAdr::DBGrid1DblClick()
{
    PControl->setCurrentWidget(SAdr);
}

// ---------------------------------------------------------------------------
// contact persons

void TFAdr::NeuerAnsprechpartner1Click()
{
    // A person needs an address to belong to.
    if (!dataa->Adress.Active() || dataa->Adress.IsEmpty()) return;
    guarded([this] {
        dataa->uPersonen.Insert();
        const QModelIndex cell = DBGrid2->model()->index(dataa->uPersonen.RecNo(), 0);
        if (cell.isValid()) {
            DBGrid2->setCurrentIndex(cell);
            DBGrid2->setFocus();
        }
    });
}

void TFAdr::Ansprechpartnerspeichern2Click()
{
    guarded([] {
        if (editingOrInserting(dataa->uPersonen)) dataa->uPersonen.Post();
    });
}

void TFAdr::Ansprechpartnerlschen1Click()
{
    TVexDaoTable &persons = dataa->uPersonen;
    if (!persons.Active() || persons.IsEmpty()) return;
    const QString question = QStringLiteral("Wollen Sie den Ansprechpartner %1 wirklich löschen?")
                                 .arg(dataa->uPersonenNAME->AsString());
    if (Dialogs::instance().message(this, kTitle, question, Dialogs::Question, Dialogs::Yes | Dialogs::No,
                                    Dialogs::No) != Dialogs::Yes)
        return;
    guarded([&] { persons.Delete(); });
}

// ---------------------------------------------------------------------------
// note types

void TFAdr::SpeedButton6Click()
{
    TFTextshow viewer(this);
    viewer.setWindowTitle(QStringLiteral("Notiztypen bearbeiten"));
    try {
        viewer.LoadText(ProgramFolder::file(QStringLiteral("notiz/typ.txt")));
    } catch (const AppError &e) {
        // A file that exists but cannot be read must not be overwritten by
        // an empty editor on close.
        ShowErrorBox(e.message(), this);
        return;
    }
    Dialogs::instance().exec(viewer);
    // The box keeps its items: the edited list counts from the next window on.
}

// ---------------------------------------------------------------------------
// documents

void TFAdr::updateDocumentCommands()
{
    const bool list = shell() && shell()->isRegistered(WindowKind::Vorgangsliste);
    const bool editor = shell() && shell()->isRegistered(WindowKind::Vorgang);
    Vorgangliste->setEnabled(list);
    alleVorgngean1->setEnabled(list);
    const bool newDocuments = editor;
    ToolButton3->setEnabled(newDocuments);
    for (QAction *a : {NeueRechnung1, NeuesAngebot1, Lieferscheinanlegen1, Bestellunganlegen1,
                       VertragMonatlich1, NeueRechnung2, NeuesAngebot2, NeuerLieferschein1, Bestellung1})
        a->setEnabled(newDocuments);
}

void TFAdr::VorganglisteClick()
{
    updateDocumentCommands();
    if (!Vorgangliste->isEnabled()) return;
    guarded([] { shell()->ShowVorgaengeOfAddress(); });
}

void TFAdr::NewVorgangForAddress(QChar typ)
{
    updateDocumentCommands();
    if (!ToolButton3->isEnabled()) return;
    QString title;
    switch (typ.unicode()) {
    case 'R':
        title = QStringLiteral("Neue Rechnung");
        break;
    case 'A':
        title = QStringLiteral("Neues Angebot");
        break;
    case 'L':
        title = QStringLiteral("Neuen Lieferschein");
        break;
    case 'B':
        title = QStringLiteral("Neue Bestellung");
        break;
    case 'V':
        title = QStringLiteral("Neuer Vertrag");
        break;
    default:
        return;
    }
    if (!PendingEdits::writeAll(this)) return;
    TVexDaoTable &adress = dataa->Adress;
    if (!adress.Active() || adress.IsEmpty()) {
        // There is no customer number to look for.
        Dialogs::instance().message(this, kTitle, QStringLiteral("Es ist keine Adresse ausgewählt."),
                                    Dialogs::Information, Dialogs::Ok);
        return;
    }
    const auto current = [&adress](const char *field) {
        return adress.FieldByName(QString::fromLatin1(field))->AsString();
    };
    const QString name = (current("VORNAME") + QLatin1Char(' ') + current("NAME1")).trimmed();
    if (Dialogs::instance().message(this, kTitle, QStringLiteral("%1 für %2 anlegen?").arg(title, name),
                                    Dialogs::Question, Dialogs::Yes | Dialogs::No,
                                    Dialogs::Yes) != Dialogs::Yes)
        return;
    // The document takes the address as it is stored: a change being typed
    // is saved first, so that the document does not get the old one.
    if (editingOrInserting(adress)) {
        bool saved = false;
        guarded([&] {
            adress.Post();
            saved = true;
        });
        if (!saved) return;
    }

    guarded([&] {
        if (!Data) throw AppError(QStringLiteral("Das Dokumentmodul ist nicht geladen"));
        if (!FVadrRef()) FVadrRef() = new TFVadr;
        QPointer<TFVadr> chooser = FVadrRef();
        // The chooser is only borrowed for its address block: it goes again
        // however this ends.
        auto closeChooser = qScopeGuard([&] {
            if (chooser) chooser->close();
        });
        TVexDaoTable *adr = chooser->adr;
        adr->Close();
        adr->SQL().clear();
        adr->SQL() << QStringLiteral("select id,Kdnr,name1,Strasse,Vorname,Namen,PLZ,Ort,typ from adress")
                   << QStringLiteral("where ") + QStringLiteral("kdnr = ") + current("kdnr");
        adr->Open();
        if (adr->IsEmpty()) {
            Dialogs::instance().message(this, kTitle, QStringLiteral("Adresse nicht gefunden"),
                                        Dialogs::Warning, Dialogs::Ok);
            return;
        }
        shell()->ShowVorgangEditor();
        QWidget *editorWindow = shell()->reference(WindowKind::Vorgang);
        auto *editor = dynamic_cast<VorgangEditorWindow *>(editorWindow);
        // A document being typed in the editor is finished before the new one.
        if (!editor || !PendingEdits::writeAll(editorWindow)) return;
        TVexDaoTable &vorgang = Data->vorgang;
        vorgang.Insert();
        try {
            vorgang.FieldByName(QStringLiteral("typ"))->SetAsString(QString(typ));
            chooser->uebernahmeClick();
            closeChooser.dismiss();
            chooser->close();
            Data->AssignVorgangNr(vorgang.FieldByName(QStringLiteral("Typ"))->AsString());
        } catch (...) {
            // Never numbered: no later move may save it without a number.
            if (vorgang.State() == DataSetState::Insert) vorgang.Cancel();
            throw;
        }
        editor->EditDatumExit();
    });
}

void TFAdr::NeueRechnung1Click()
{
    NewVorgangForAddress(QLatin1Char('R'));
}

void TFAdr::NeuesAngebot1Click()
{
    NewVorgangForAddress(QLatin1Char('A'));
}

void TFAdr::Lieferscheinanlegen1Click()
{
    NewVorgangForAddress(QLatin1Char('L'));
}

void TFAdr::Bestellunganlegen1Click()
{
    NewVorgangForAddress(QLatin1Char('B'));
}

void TFAdr::VertragMonatlich1Click()
{
    NewVorgangForAddress(QLatin1Char('V'));
}
