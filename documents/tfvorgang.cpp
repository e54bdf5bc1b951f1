// SPDX-License-Identifier: GPL-3.0-or-later
// The document editor (tfvorgang.h): creation and closing, and the commands on
// the document; building the window and the position commands are beside it.
#include "tfvorgang.h"

#include "conversionmenu.h"
#include "tfvadr.h"
#include "tfvartikel.h"
#include "tfvinfo.h"
#include "tfvpostext.h"
#include "tfvtext.h"
#include "tkalenderform.h"

#include "base/apperror.h"
#include "base/germanformat.h"
#include "base/money.h"
#include "data/dates.h"
#include "data/dunning.h"
#include "data/programvalues.h"
#include "data/tdata.h"
#include "data/tdataa.h"
#include "data/tvexdaodatabase.h"
#include "documents/core/conversion.h"
#include "documents/core/tfumw.h"
#include "platform/appicons.h"
#include "printing/printvorgang.h"
#include "widgets/dbcombobox.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"
#include "widgets/dbmemo.h"
#include "widgets/dbnavigator.h"
#include "widgets/dbtext.h"
#include "widgets/dialogs.h"
#include "widgets/fieldlink.h"
#include "widgets/pendingedits.h"
#include "widgets/shell.h"
#include "widgets/windowparts.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QRegularExpression>
#include <QResizeEvent>
#include <QScopeGuard>
#include <QSplitter>
#include <QStandardPaths>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using namespace WindowParts;

namespace {

const QString kTitle = QStringLiteral("Tavirelsverwaltung");

// A file name from the document's caption, without the characters file
// systems refuse.
QString fileNameOf(const QString &caption)
{
    QString name = caption;
    name.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|]")), QStringLiteral("_"));
    return name.simplified();
}

} // namespace

TFVorgang::TFVorgang(QWidget *parent) : QWidget(parent)
{
    if (!Data) throw AppError(QStringLiteral("Das Dokumentmodul ist nicht geladen"));
    setObjectName(QStringLiteral("FVorgang"));
    setWindowTitle(QStringLiteral("Vorgangsbearbeitung"));
    setAttribute(Qt::WA_DeleteOnClose);

    vorgang2 = new TVexDaoTable(this, QStringLiteral("vorgang2"));
    vorgang2->setDatabase(Data->vorgangdata.Database());
    vorgang2->setTableName(QStringLiteral("Vorgang2"));
    vorgang2->setMasterSource(&Data->VorgangQ);
    vorgang2->setMasterFields({QStringLiteral("vorgangID -> id")});
    vorgang2->OrderByField(QStringLiteral("Pos"));

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    buildMenus();
    buildToolBars();
    outer->addWidget(ControlBar1);
    buildTitle();
    outer->addWidget(Paneltitel);
    buildTaxLine();
    outer->addWidget(Panelsteuer);
    buildPositions();
    outer->addWidget(Splitter1, 1);
    buildFooter();
    outer->addWidget(Panelfuss);

    resize(1000, 640);
    FormCreate();
}

TFVorgang::~TFVorgang()
{
    // Freed without closing (the program ends): what is pending is saved
    // quietly, as closing would have saved it.
    if (!m_closed && Data) {
        try {
            if (Data->vorgangdata.Active() && editingOrInserting(Data->vorgangdata)) Data->vorgangdata.Post();
            if (Data->vorgang.Active() && editingOrInserting(Data->vorgang)) Data->vorgang.Post();
        } catch (const AppError &e) {
            qWarning("%s", qPrintable(e.message()));
        }
    }
    deleteChildren(this);
}

// ---------------------------------------------------------------------------
// creation and closing

void TFVorgang::FormCreate()
{
    if (!FvartikelRef()) FvartikelRef() = new Tfvartikel(this);
    FvartikelRef()->PosshowClick = [this] { PosshowClick(); };

    QPalette pal = palette();
    pal.setColor(QPalette::Window, Tab->palette().color(QPalette::Base));
    setPalette(pal);
    setAutoFillBackground(true);

    TBBeschreibungClick();

    // Another document shown, or the one shown changed: the caption, the
    // contract period and the cancel mark follow. The number alone would
    // miss a document of another type with the same number.
    connect(DBEdit2, &QLineEdit::textChanged, this, &TFVorgang::DBEdit2Change);
    connect(&Data->VorgangQ, &TDataSource::currentChanged, this, &TFVorgang::DBEdit2Change);
    connect(&Data->VorgangQ, &TDataSource::dataSetChanged, this, &TFVorgang::DBEdit2Change);
    connect(&Data->VorgangQ, &TDataSource::recordChanged, this, &TFVorgang::DBEdit2Change);
    connect(&Data->VorgangQ, &TDataSource::stateChanged, this, &TFVorgang::DBEdit2Change);
    // A date that decides the rates moved: asked once the control has let go of it.
    connect(&Data->VorgangQ, &TDataSource::recordChanged, this, [this](TField *field) {
        static const QStringList dates{QStringLiteral("leistungsdatum"), QStringLiteral("leistungbis"),
                                       QStringLiteral("datum")};
        if (field && dates.contains(field->FieldName(), Qt::CaseInsensitive))
            QMetaObject::invokeMethod(this, &TFVorgang::checkRatesOfDate, Qt::QueuedConnection);
    });
    // The footer follows a position while it is typed; saved or dropped, the stored sums return.
    connect(&Data->VorgangDQ, &TDataSource::recordChanged, this, &TFVorgang::showSumsWhileTyped);
    connect(&Data->VorgangDQ, &TDataSource::stateChanged, this, &TFVorgang::showSumsWhileTyped);
    DBEdit2Change();
}

void TFVorgang::showSumsWhileTyped()
{
    const DataSetState state = Data->vorgangdata.State();
    if (state != DataSetState::Edit && state != DataSetState::Insert) {
        if (!m_sumsWhileTyped) return;
        m_sumsWhileTyped = false;
        for (DBText *t : {sEK, sVK, sVKbr, sGewinn})
            t->refresh();
        showTax();
        return;
    }
    TData::PositionSums sums;
    try {
        sums = Data->SumsWithPendingPosition();
    } catch (const AppError &) {
        return; // the stored sums stay in view
    }
    m_sumsWhileTyped = true;
    const auto show = [](DBText *t, qint64 count) {
        const QString mask = t->field() && !t->field()->DisplayFormat.isEmpty() ? t->field()->DisplayFormat
                                                                                : QStringLiteral("#,##0.00");
        t->setText(Money::format(count, mask));
    };
    show(sEK, sums.purchase());
    show(sVK, sums.sales().net());
    show(sVKbr, sums.sales().gross());
    show(sGewinn, sums.sales().net() - sums.purchase());
    sMwst->setText(vatText(sums.sales()));
}

void TFVorgang::closeEvent(QCloseEvent *event)
{
    if (!PendingEdits::writeAll(this)) {
        event->ignore();
        return;
    }
    // The positions first: each saved position puts the document's new
    // totals into it, which the document's save then stores too.
    QString error;
    try {
        if (Data->vorgangdata.Active() && editingOrInserting(Data->vorgangdata)) Data->vorgangdata.Post();
        if (Data->vorgang.Active() && editingOrInserting(Data->vorgang)) Data->vorgang.Post();
    } catch (const AppError &e) {
        error = e.message();
    }
    if (!error.isEmpty()) {
        ShowErrorBox(error, this);
        if (!ask(
                QStringLiteral("Der Vorgang konnte nicht gespeichert werden. Wollen Sie das Fenster trotzdem "
                               "schließen? Die Änderungen gehen dann verloren."),
                Dialogs::Warning)) {
            event->ignore();
            return;
        }
        if (editingOrInserting(Data->vorgangdata)) Data->vorgangdata.Cancel();
        if (editingOrInserting(Data->vorgang)) Data->vorgang.Cancel();
    }
    event->accept();
    FormClose();
}

void TFVorgang::FormClose()
{
    if (m_closed) return;
    m_closed = true;
    delete FvartikelRef().data();
    FvartikelRef() = nullptr;
    // The main window's frame empties the reference as well; a window that
    // closes on its own must not leave it behind either.
    forgetWindow(WindowKind::Vorgang, this);
}

bool TFVorgang::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == sKunde->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        AdressShowClick();
        return true;
    }
    if (watched == Tab && event->type() == QEvent::KeyPress) {
        // The grid's own delete asks its question and deletes; the totals
        // follow here, also when the last position went.
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Delete && (key->modifiers() & Qt::ControlModifier)) {
            const int before = Data->vorgangdata.Active() ? Data->vorgangdata.RecordCount() : 0;
            static_cast<QObject *>(Tab)->event(event);
            if (Data->vorgangdata.Active() && Data->vorgangdata.RecordCount() < before)
                guarded([] { Data->RecalcTotals(); });
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// helpers

bool TFVorgang::hasDocument() const
{
    const TVexDaoTable &v = Data->vorgang;
    return v.Active() && !v.IsEmpty();
}

bool TFVorgang::hasSavedDocument() const
{
    return hasDocument() && !Data->vorgang.FieldByName(QStringLiteral("id"))->IsNull();
}

bool TFVorgang::ask(const QString &question, int icon)
{
    return Dialogs::instance().message(this, kTitle, question, Dialogs::Icon(icon),
                                       Dialogs::Yes | Dialogs::No, Dialogs::Yes) == Dialogs::Yes;
}

void TFVorgang::guarded(const std::function<void()> &work)
{
    ShowErrorsOf(this, work);
}

bool TFVorgang::saveDocument()
{
    if (!PendingEdits::writeAll(this)) return false;
    try {
        if (editingOrInserting(Data->vorgangdata)) Data->vorgangdata.Post();
        if (editingOrInserting(Data->vorgang)) Data->vorgang.Post();
    } catch (const AppError &e) {
        ShowErrorBox(e.message(), this);
        return false;
    }
    return true;
}

bool TFVorgang::dropUntouchedPosition()
{
    // An empty row nobody filled in is not the one to move: it goes, and the
    // others stay where they are.
    TVexDaoTable &d = Data->vorgangdata;
    if (d.State() != DataSetState::Insert || d.Touched()) return false;
    d.Cancel();
    return true;
}

void TFVorgang::locatePosition(qint64 id)
{
    TVexDaoTable &d = Data->vorgangdata;
    d.setFilter(QStringLiteral("id = %1").arg(id));
    d.FindFirst();
    d.setFilter(QString());
}

// ---------------------------------------------------------------------------
// the document

void TFVorgang::tbNeuClick()
{
    if (!PendingEdits::writeAll(this)) return;
    // Without the documents (no database) there is nothing to ask about.
    if (!Data->vorgang.Active()) {
        guarded([] { Data->vorgang.checkActive(); });
        return;
    }
    if (!ask(QStringLiteral("Neuen Vorgang anlegen?"), Dialogs::Question)) return;
    guarded([this] {
        TVexDaoTable &v = Data->vorgang;
        v.Insert();
        try {
            v.FieldByName(QStringLiteral("typ"))->SetAsString(QStringLiteral("R"));
            ShowAddressChooser(true);
            Data->AssignVorgangNr(v.FieldByName(QStringLiteral("Typ"))->AsString());
        } catch (...) {
            // Never numbered: no later move may save it without a number.
            if (v.State() == DataSetState::Insert) v.Cancel();
            throw;
        }
        EditDatumExit();
    });
}

void TFVorgang::ShowAddressChooser(bool newDocument)
{
    const QString typ = Data->vorgang.FieldByName(QStringLiteral("typ"))->AsString();
    const QString condition =
        typ == QLatin1String("B") ? QStringLiteral("lieferant = true") : QStringLiteral("kunde = true");
    if (!FVadrRef()) FVadrRef() = new TFVadr;
    TFVadr *chooser = FVadrRef();
    chooser->typpanel->setVisible(newDocument);
    if (newDocument) chooser->setWindowTitle(QStringLiteral("Neuen Vorgang anlegen"));
    chooser->OpenAddressList(condition);
    Dialogs::instance().exec(*chooser);
}

void TFVorgang::AdressShowClick()
{
    if (!hasDocument() || !PendingEdits::writeAll(this)) return;
    guarded([this] { ShowAddressChooser(false); });
}

void TFVorgang::DBEdit2Change()
{
    const bool doc = hasDocument();
    const bool saved = hasSavedDocument();
    if (doc) {
        const TVexDaoTable &v = Data->vorgang;
        setWindowTitle(QStringLiteral("Vorgang: %1 %2-%3")
                           .arg(v.FieldByName(QStringLiteral("Typname"))->AsString(),
                                v.FieldByName(QStringLiteral("typ"))->AsString(),
                                v.FieldByName(QStringLiteral("vorgangnr"))->AsString()));
    } else {
        // A deleted document is named no more.
        setWindowTitle(QStringLiteral("Vorgangsbearbeitung"));
    }
    typbox->setVisible(doc &&
                       Data->vorgang.FieldByName(QStringLiteral("typ"))->AsString() == QLatin1String("V"));
    storno->setVisible(doc && Data->vorgang.FieldByName(QStringLiteral("storniert"))->AsBoolean());
    const TField *level = Data->vorgang.FindField(QStringLiteral("mahnstufe"));
    const TField *reminded = Data->vorgang.FindField(QStringLiteral("mahndatum"));
    const bool dunned = doc && level && reminded && !level->IsNull() && level->AsInteger() > 0 &&
                        Data->vorgang.FieldByName(QStringLiteral("typ"))->AsString() == QLatin1String("R");
    mahnung->setText(dunned
                         ? QStringLiteral("%1 vom %2")
                               .arg(Dunning::LevelTitle(int(level->AsInteger())),
                                    reminded->IsNull() ? QString() : German::formatDate(reminded->AsDate()))
                         : QString());
    mahnung->setVisible(dunned);

    // Without a document nothing may be typed (a change would make an
    // unnumbered document), and positions need a saved one to belong to.
    Paneltitel->setEnabled(doc);
    Panelsteuer->setEnabled(doc);
    showTax();
    BMemo1->setEnabled(Beschreibung1->isChecked() ? saved : doc);
    if (Tab->isReadOnly() == saved) Tab->setReadOnly(!saved);
    for (QWidget *w : std::initializer_list<QWidget *>{tbDruck, tbAdresse, tbtexte, tbinfo, ToolButton2})
        w->setEnabled(doc);
    tbUmwandeln->setEnabled(
        saved &&
        !Conversion::targetsOf(Data->vorgang.FieldByName(QStringLiteral("typ"))->AsString()).isEmpty());
    for (QWidget *w : std::initializer_list<QWidget *>{ToolButton5, ToolButton7, ToolButton6, ToolButton9,
                                                       ToolButton10, ToolButton1, ToolButton8, ToolButton11})
        w->setEnabled(saved);
    for (QAction *a : {Posnew, Posshow, Posdel, Positionspeichern1, Posnachoben1, Posnachunten1})
        a->setEnabled(saved);
}

void TFVorgang::checkRatesOfDate()
{
    if (!hasDocument() || Data->vorgang.State() != DataSetState::Edit) return;
    QStringList stale;
    guarded([&] { stale = Data->StaleRates(); });
    if (stale.isEmpty()) return;
    if (Dialogs::instance().message(
            this, kTitle,
            QStringLiteral("Am %1 gelten andere Steuersätze als bei Position %2.\n\nSollen diese Positionen "
                           "die Sätze ihrer Art erhalten, die am %1 gelten?")
                .arg(German::formatDate(Data->TaxDate()), stale.join(QStringLiteral(", "))),
            Dialogs::Question, Dialogs::Yes | Dialogs::No, Dialogs::Yes) == Dialogs::Yes)
        guarded([] { Data->RerateToTaxDate(); });
    showTax();
}

void TFVorgang::EditDatumExit()
{
    // No date, no due date: leaving an empty date field is no error.
    if (!hasDocument() || EditDatum->text().trimmed().isEmpty()) return;
    guarded([this] { TFumw::SetZieldatum(EditDatum->text()); });
}

void TFVorgang::chooseDate(const QString &field)
{
    if (!hasDocument() || !PendingEdits::writeAll(this)) return;
    TKalenderform calendar(this);
    Dialogs::instance().exec(calendar);
    if (calendar.SelectedDateText.isEmpty()) return;
    guarded([&] {
        Data->vorgang.Edit();
        Data->vorgang.FieldByName(field)->SetAsString(calendar.SelectedDateText);
    });
}

void TFVorgang::btDatumClick()
{
    chooseDate(QStringLiteral("Datum"));
}

void TFVorgang::btZieldatumClick()
{
    chooseDate(QStringLiteral("ZielDatum"));
}

void TFVorgang::ToolButton2Click()
{
    if (!hasDocument()) return;
    if (!ask(QStringLiteral("Wollen Sie diesen Vorgang wirklich löschen?"), Dialogs::Question)) return;
    // What was typed belongs to the document that goes: it is dropped, not
    // saved first.
    for (FieldLink *link : findChildren<FieldLink *>())
        if (link->modified()) link->reset();
    guarded([] {
        TVexDaoTable &v = Data->vorgang;
        if (editingOrInserting(Data->vorgangdata)) Data->vorgangdata.Cancel();
        if (v.State() == DataSetState::Insert) {
            v.Cancel();
            return;
        }
        if (v.State() == DataSetState::Edit) v.Cancel();
        v.Delete(); // its positions go in the same transaction
    });
}

void TFVorgang::printDocument(bool preview, bool withDialog)
{
    if (!hasSavedDocument() || !saveDocument()) return;
    const QString id = Data->vorgang.FieldByName(QStringLiteral("ID"))->AsString();
    guarded([&] {
        if (shell())
            shell()->PrintVorgang(id, preview, withDialog);
        else
            PrintVorgang(id, preview, withDialog);
    });
}

void TFVorgang::tbDruckClick()
{
    printDocument(true, true);
}

void TFVorgang::Ausdruck1Click()
{
    printDocument(false, true);
}

void TFVorgang::Export1Click()
{
    if (!hasSavedDocument() || !saveDocument()) return;
    const TVexDaoTable &v = Data->vorgang;
    const QString typ = v.FieldByName(QStringLiteral("typ"))->AsString().trimmed().toUpper();
    // Only invoices and credit notes can be e-invoices; every other document
    // is written as a plain PDF without a question.
    bool zugferd = false;
    if (typ == QLatin1String("R") || typ == QLatin1String("G")) {
        const QString what =
            typ == QLatin1String("R") ? QStringLiteral("die Rechnung") : QStringLiteral("die Gutschrift");
        const Dialogs::Button answer = Dialogs::instance().message(
            this, kTitle,
            QStringLiteral("Soll %1 als E-Rechnung im ZUGFeRD-Format gespeichert werden?\n\n"
                           "Ja: PDF/A-3 mit eingebetteten Rechnungsdaten (EN 16931), die der Empfänger "
                           "maschinell einlesen kann.\n"
                           "Nein: einfaches PDF zum Ansehen und Drucken.")
                .arg(what),
            Dialogs::Question, Dialogs::Yes | Dialogs::No | Dialogs::Cancel, Dialogs::Yes);
        if (answer != Dialogs::Yes && answer != Dialogs::No) return;
        zugferd = answer == Dialogs::Yes;
    }

    Dialogs::SaveFileOptions options;
    options.caption = zugferd ? QStringLiteral("E-Rechnung als ZUGFeRD-PDF speichern")
                              : QStringLiteral("Vorgang als PDF speichern");
    options.defaultSuffix = QStringLiteral("pdf");
    options.filter = zugferd ? QStringLiteral("ZUGFeRD-PDF (*.pdf);;Alle Dateien (*)")
                             : QStringLiteral("PDF-Dateien (*.pdf);;Alle Dateien (*)");
    options.directory = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    options.fileName = fileNameOf(QStringLiteral("%1 %2-%3.pdf")
                                      .arg(v.FieldByName(QStringLiteral("Typname"))->AsString(),
                                           v.FieldByName(QStringLiteral("typ"))->AsString(),
                                           v.FieldByName(QStringLiteral("vorgangnr"))->AsString()));
    const QString path = Dialogs::instance().saveFileName(this, options);
    if (path.isEmpty()) return;

    TVexDaoDatabase *db = v.Database();
    const QString id = v.FieldByName(QStringLiteral("ID"))->AsString();
    QStringList warnings;
    if (zugferd) {
        // A document the e-invoice cannot express (seller or buyer data
        // missing, DM, no positions) is refused with what is missing; the
        // file stays as it was. A plain PDF is offered instead, not made
        // unasked: it must not pass for an e-invoice.
        QString refusal;
        try {
            WriteVorgangZugferdPdf(db, id, path, &warnings);
        } catch (const AppError &e) {
            refusal = e.message();
        }
        if (!refusal.isEmpty()) {
            if (Dialogs::instance().message(
                    this, kTitle,
                    QStringLiteral("Die E-Rechnung wurde nicht gespeichert.\n\n%1\n\n"
                                   "Soll stattdessen ein einfaches PDF ohne E-Rechnung gespeichert werden?")
                        .arg(refusal),
                    Dialogs::Warning, Dialogs::Yes | Dialogs::No, Dialogs::No) != Dialogs::Yes)
                return;
            zugferd = false;
        }
    }
    if (!zugferd) {
        warnings.clear();
        try {
            WriteVorgangPdf(db, id, path, &warnings);
        } catch (const AppError &e) {
            ShowErrorBox(e.message(), this);
            return;
        }
    }
    if (!warnings.isEmpty())
        Dialogs::instance().message(this, kTitle,
                                    QStringLiteral("Die PDF-Datei ist geschrieben; bitte beachten:\n\n%1")
                                        .arg(warnings.join(QLatin1Char('\n'))),
                                    Dialogs::Warning, Dialogs::Ok);
}

void TFVorgang::tbtexteClick()
{
    if (!hasDocument() || !PendingEdits::writeAll(this)) return;
    guarded([this] {
        QPointer<TFVtext> dialog = new TFVtext(this);
        auto free = qScopeGuard([&] { delete dialog.data(); });
        Dialogs::instance().exec(*dialog);
    });
}

void TFVorgang::MenuItem4Click()
{
    if (!hasDocument() || !PendingEdits::writeAll(this)) return;
    guarded([this] {
        TVexDaoTable &v = Data->vorgang;
        const TField *kdnr = v.FieldByName(QStringLiteral("kdnr"));
        if (kdnr->IsNull()) {
            Dialogs::instance().message(
                this, kTitle,
                QStringLiteral("Der Vorgang hat keine Adresse; es gibt keine Kontodaten einzusetzen."),
                Dialogs::Information, Dialogs::Ok);
            return;
        }
        const QStringList lines = dataa->BankDataLines(kdnr->AsInteger());
        if (lines.isEmpty()) {
            Dialogs::instance().message(
                this, kTitle,
                QStringLiteral("Zur Adresse dieses Vorgangs (Kd.-Nr. %1) sind keine Kontodaten gespeichert.")
                    .arg(kdnr->AsInteger()),
                Dialogs::Information, Dialogs::Ok);
            return;
        }
        v.Edit();
        TField *fuss = v.FieldByName(QStringLiteral("Fusstext"));
        QString text = fuss->AsString();
        // Stored memos break their lines as the Windows program did.
        const QString crlf = QStringLiteral("\r\n");
        if (!text.trimmed().isEmpty()) {
            if (!text.endsWith(QLatin1Char('\n'))) text += crlf;
            text += crlf;
        }
        fuss->SetAsString(text + lines.join(crlf));
    });
}

void TFVorgang::tbinfoClick()
{
    if (!hasDocument() || !PendingEdits::writeAll(this)) return;
    guarded([this] {
        QPointer<TFvInfo> dialog = new TFvInfo(this);
        auto free = qScopeGuard([&] { delete dialog.data(); });
        Dialogs::instance().exec(*dialog);
    });
}

void TFVorgang::UmwandelnClick(const QString &typ)
{
    if (!hasSavedDocument() || !saveDocument()) return;
    const qint64 id =
        ConversionMenu::run(this, Data->vorgang.FieldByName(QStringLiteral("id"))->AsInteger(), typ);
    if (id == 0) return;
    // The new document is shown, whatever the editor was opened on.
    guarded([id] {
        Data->vorgang.setFilter(QStringLiteral("id = %1").arg(id));
        Data->vorgang.setFiltered(true);
    });
}

void TFVorgang::tbcalculateClick()
{
    if (!hasDocument() || !PendingEdits::writeAll(this)) return;
    guarded([] { Data->RecalcTotals(); });
}

// ---------------------------------------------------------------------------
// the text panel

void TFVorgang::TBBeschreibungClick()
{
    BMemo->setVisible(!BMemo->isVisibleTo(this));
    TbBeschreibung->setChecked(BMemo->isVisibleTo(this));
}

void TFVorgang::bindMemo(QAction *item, TDataSource *source, const QString &field, const QString &caption)
{
    // What was typed belongs to the field shown so far; a refused value
    // keeps the panel on it.
    if (!PendingEdits::writeAll(BMemo)) {
        const QString shown = BMemo1->dataField();
        (shown == QLatin1String("Kopftext")   ? Kopf1
         : shown == QLatin1String("Fusstext") ? Fuss1
                                              : Beschreibung1)
            ->setChecked(true);
        return;
    }
    BMemo->show();
    item->setChecked(true);
    BMemo1->setDataSource(nullptr);
    BMemo1->setDataField(QString());
    BMemo1->setDataSource(source);
    BMemo1->setDataField(field);
    BMemoL->setText(caption);
    DBEdit2Change();
}

void TFVorgang::Beschreibung1Click()
{
    bindMemo(Beschreibung1, &Data->VorgangDQ, QStringLiteral("Bezeichnung"), QStringLiteral("Beschreibung"));
}

void TFVorgang::Kopf1Click()
{
    bindMemo(Kopf1, &Data->VorgangQ, QStringLiteral("Kopftext"), QStringLiteral("Kopf"));
}

void TFVorgang::Fuss1Click()
{
    bindMemo(Fuss1, &Data->VorgangQ, QStringLiteral("Fusstext"), QStringLiteral("Fuss"));
}
