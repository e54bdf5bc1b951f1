// SPDX-License-Identifier: GPL-3.0-or-later
#include "tfvorgang.h"

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

QIcon icon(const char *themeName, const char *file)
{
    return QIcon::fromTheme(QString::fromLatin1(themeName), AppIcons::bundled(QString::fromLatin1(file)));
}

QMenu *popupMenu(QWidget *owner, const char *name)
{
    auto *m = new QMenu(owner);
    m->setObjectName(QString::fromLatin1(name));
    return m;
}

template <class C> C *bound(C *control, const char *name, TDataSource *source, const QString &field)
{
    control->setObjectName(QString::fromLatin1(name));
    control->setDataSource(source);
    control->setDataField(field);
    return control;
}

// Leaving the control runs the window's exit handler once the typed value is
// in its field; a value the field refused keeps the focus, and no handler runs.
// A message box or a popup taking the focus is no leaving.
bool leaves(Qt::FocusReason reason)
{
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

class ExitEdit : public DBEdit
{
  public:
    using DBEdit::DBEdit;
    std::function<void()> OnExit;

  protected:
    void focusOutEvent(QFocusEvent *event) override
    {
        DBEdit::focusOutEvent(event);
        if (OnExit && leaves(event->reason()) && !isModified()) OnExit();
    }
};

class ExitComboBox : public DBComboBox
{
  public:
    using DBComboBox::DBComboBox;
    std::function<void()> OnExit;

  protected:
    void focusOutEvent(QFocusEvent *event) override
    {
        DBComboBox::focusOutEvent(event);
        if (OnExit && leaves(event->reason()) && !isModified()) OnExit();
    }
};

// The first line of the address block in a box as high as the edits beside
// it: the view is one line high, so no part of a second line shows.
class OneLineMemo : public DBMemo
{
  public:
    using DBMemo::DBMemo;

  protected:
    void resizeEvent(QResizeEvent *event) override
    {
        const int line = fontMetrics().lineSpacing() + 2 * qRound(document()->documentMargin());
        const int spare = qMax(0, height() - 2 * frameWidth() - line);
        setViewportMargins(0, spare / 2, 0, spare - spare / 2);
        DBMemo::resizeEvent(event);
    }
};

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
// building the window

void TFVorgang::buildMenus()
{
    PosMenu = popupMenu(this, "PosMenu");
    Posnew = menuItem(PosMenu, "Posnew", QStringLiteral("&neue Position "));
    Posshow = menuItem(PosMenu, "Posshow", QStringLiteral("&Position bearbeiten"));
    Posdel = menuItem(PosMenu, "Posdel", QStringLiteral("Position &löschen"));
    Positionspeichern1 = menuItem(PosMenu, "Positionspeichern1", QStringLiteral("Position &speichern"));
    N1 = separator(PosMenu, "N1");
    Posnachoben1 = menuItem(PosMenu, "Posnachoben1", QStringLiteral("Pos. nach &oben"));
    Posnachoben1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    Posnachunten1 = menuItem(PosMenu, "Posnachunten1", QStringLiteral("Pos. nach &unten"));
    Posnachunten1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
    // The short cuts work anywhere in the window, not only in the open menu.
    for (QAction *a : {Posnachoben1, Posnachunten1}) {
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(a);
    }
    connect(Posnew, &QAction::triggered, this, &TFVorgang::PosnewClick);
    connect(Posshow, &QAction::triggered, this, &TFVorgang::PosshowClick);
    connect(Posdel, &QAction::triggered, this, &TFVorgang::PosdelClick);
    connect(Positionspeichern1, &QAction::triggered, this, &TFVorgang::Positionspeichern1Click);
    connect(Posnachoben1, &QAction::triggered, this, &TFVorgang::Posnachoben1Click);
    connect(Posnachunten1, &QAction::triggered, this, &TFVorgang::Posnachunten1Click);

    Printmenu = popupMenu(this, "Printmenu");
    Vorschau1 = menuItem(Printmenu, "Vorschau1", QStringLiteral("&Vorschau"));
    Ausdruck1 = menuItem(Printmenu, "Ausdruck1", QStringLiteral("&Ausdruck"));
    N3 = separator(Printmenu, "N3");
    Export1 = menuItem(Printmenu, "Export1", QStringLiteral("&Export"));
    connect(Vorschau1, &QAction::triggered, this, &TFVorgang::tbDruckClick);
    connect(Ausdruck1, &QAction::triggered, this, &TFVorgang::Ausdruck1Click);
    connect(Export1, &QAction::triggered, this, &TFVorgang::Export1Click);

    MemoMenu = popupMenu(this, "MemoMenu");
    MemoGroup = new QActionGroup(this);
    MemoGroup->setExclusive(true);
    Beschreibung1 = menuItem(MemoMenu, "Beschreibung1", QStringLiteral("Beschreibung"));
    Kopf1 = menuItem(MemoMenu, "Kopf1", QStringLiteral("Kopf"));
    Fuss1 = menuItem(MemoMenu, "Fuss1", QStringLiteral("Fuss"));
    for (QAction *a : {Beschreibung1, Kopf1, Fuss1}) {
        a->setCheckable(true);
        MemoGroup->addAction(a);
    }
    Beschreibung1->setChecked(true);
    connect(Beschreibung1, &QAction::triggered, this, &TFVorgang::Beschreibung1Click);
    connect(Kopf1, &QAction::triggered, this, &TFVorgang::Kopf1Click);
    connect(Fuss1, &QAction::triggered, this, &TFVorgang::Fuss1Click);

    KopfMenu = popupMenu(this, "KopfMenu");
    KopfundFussbearbeiten1 =
        menuItem(KopfMenu, "KopfundFussbearbeiten1", QStringLiteral("Kopf und &Fuss bearbeiten"));
    MenuItem4 = menuItem(KopfMenu, "MenuItem4", QStringLiteral("&Kontodaten einsetzen"));
    connect(KopfundFussbearbeiten1, &QAction::triggered, this, &TFVorgang::tbtexteClick);
    connect(MenuItem4, &QAction::triggered, this, &TFVorgang::MenuItem4Click);

    InfoMenu = popupMenu(this, "InfoMenu");
    Informationen1 = menuItem(InfoMenu, "Informationen1", QStringLiteral("Informationen"));
    Gesamtbetragberechnen1 = menuItem(InfoMenu, "Gesamtbetragberechnen1", QStringLiteral("&Neuberechnung"));
    connect(Informationen1, &QAction::triggered, this, &TFVorgang::tbinfoClick);
    connect(Gesamtbetragberechnen1, &QAction::triggered, this, &TFVorgang::tbcalculateClick);
}

void TFVorgang::buildToolBars()
{
    ControlBar1 = new QWidget(this);
    ControlBar1->setObjectName(QStringLiteral("ControlBar1"));
    auto *row = new QHBoxLayout(ControlBar1);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(6);

    const auto withMenu = [](QToolButton *b, QMenu *menu) {
        b->setMenu(menu);
        b->setPopupMode(QToolButton::MenuButtonPopup);
    };

    ToolBar1 = new QToolBar(ControlBar1);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setIconSize(QSize(20, 20));
    tbDruck =
        toolButton(ToolBar1, "tbDruck", QStringLiteral("Vorgang drucken"), icon("document-print", "print"));
    withMenu(tbDruck, Printmenu);
    connect(tbDruck, &QToolButton::clicked, this, &TFVorgang::tbDruckClick);
    ToolBar1->addSeparator();
    tbAdresse = toolButton(ToolBar1, "tbAdresse", QStringLiteral("Adressdaten"), AppIcons::addresses());
    connect(tbAdresse, &QToolButton::clicked, this, &TFVorgang::AdressShowClick);
    tbtexte = toolButton(ToolBar1, "tbtexte", QStringLiteral("Vorgangstexte"),
                         icon("x-office-document", "document-texts"));
    withMenu(tbtexte, KopfMenu);
    connect(tbtexte, &QToolButton::clicked, this, &TFVorgang::tbtexteClick);
    tbinfo = toolButton(ToolBar1, "tbinfo", QStringLiteral("Infobox anzeigen"),
                        icon("dialog-information", "info"));
    withMenu(tbinfo, InfoMenu);
    connect(tbinfo, &QToolButton::clicked, this, &TFVorgang::tbinfoClick);
    ToolBar1->addSeparator();
    tbNeu = toolButton(ToolBar1, "tbNeu", QStringLiteral("Neuer Vorgang"), AppIcons::newDocument());
    connect(tbNeu, &QToolButton::clicked, this, &TFVorgang::tbNeuClick);
    ToolButton2 = toolButton(ToolBar1, "ToolButton2", QStringLiteral("Vorgang löschen"),
                             AppIcons::bundled(QStringLiteral("document-delete")));
    connect(ToolButton2, &QToolButton::clicked, this, &TFVorgang::ToolButton2Click);
    row->addWidget(ToolBar1);

    ToolBar2 = new QToolBar(ControlBar1);
    ToolBar2->setObjectName(QStringLiteral("ToolBar2"));
    ToolBar2->setIconSize(QSize(20, 20));
    ToolButton5 = toolButton(ToolBar2, "ToolButton5", QStringLiteral("Position hinzufügen"),
                             AppIcons::bundled(QStringLiteral("position-add")));
    connect(ToolButton5, &QToolButton::clicked, this, &TFVorgang::PosnewClick);
    ToolButton7 = toolButton(ToolBar2, "ToolButton7", QStringLiteral("Leere Position hinzufügen"),
                             AppIcons::bundled(QStringLiteral("position-empty")));
    connect(ToolButton7, &QToolButton::clicked, this, &TFVorgang::LeerposClick);
    ToolButton6 = toolButton(ToolBar2, "ToolButton6", QStringLiteral("Position löschen"),
                             AppIcons::bundled(QStringLiteral("position-delete")));
    connect(ToolButton6, &QToolButton::clicked, this, &TFVorgang::PosdelClick);
    ToolButton9 = toolButton(ToolBar2, "ToolButton9", QStringLiteral("Position bearbeiten"),
                             AppIcons::bundled(QStringLiteral("edit")));
    connect(ToolButton9, &QToolButton::clicked, this, &TFVorgang::PosshowClick);
    ToolBar2->addSeparator();
    ToolButton10 =
        toolButton(ToolBar2, "ToolButton10", QStringLiteral("Speichern"), icon("document-save", "save"));
    connect(ToolButton10, &QToolButton::clicked, this, &TFVorgang::tbposSaveClick);
    TbBeschreibung = toolButton(ToolBar2, "TbBeschreibung", QStringLiteral("Texte rechts anzeigen"),
                                AppIcons::bundled(QStringLiteral("text-panel")));
    TbBeschreibung->setCheckable(true);
    withMenu(TbBeschreibung, MemoMenu);
    TbBeschreibung->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(TbBeschreibung, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { PosMenu->popup(TbBeschreibung->mapToGlobal(at)); });
    connect(TbBeschreibung, &QToolButton::clicked, this, &TFVorgang::TBBeschreibungClick);
    ToolBar2->addSeparator();
    ToolButton1 = toolButton(ToolBar2, "ToolButton1", QStringLiteral("Position nach oben verschieben"),
                             AppIcons::bundled(QStringLiteral("position-up")));
    connect(ToolButton1, &QToolButton::clicked, this, &TFVorgang::Posnachoben1Click);
    ToolButton8 = toolButton(ToolBar2, "ToolButton8", QStringLiteral("Position nach unten verschieben"),
                             AppIcons::bundled(QStringLiteral("position-down")));
    connect(ToolButton8, &QToolButton::clicked, this, &TFVorgang::Posnachunten1Click);
    // Without a hint the picture alone would have to say what the button does.
    ToolButton11 = toolButton(ToolBar2, "ToolButton11", QStringLiteral("Positionen neu nummerieren"),
                              AppIcons::bundled(QStringLiteral("renumber")));
    connect(ToolButton11, &QToolButton::clicked, this, &TFVorgang::tbPosnrClick);
    ToolBar2->addSeparator();
    row->addWidget(ToolBar2);

    DBNavigator1 =
        new DBNavigator(ControlBar1, DBNavigator::First | DBNavigator::Prior | DBNavigator::Next |
                                         DBNavigator::Last | DBNavigator::Post | DBNavigator::Cancel);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    DBNavigator1->setDataSource(&Data->VorgangQ);
    connect(DBNavigator1, &DBNavigator::clicked, this, [this](DBNavigator::Button which) {
        // A cancel after another workstation's change shows what is stored
        // now, as the message about that change promises: beginning an edit
        // reads the row afresh.
        if (which != DBNavigator::Cancel || !hasSavedDocument()) return;
        guarded([] {
            Data->vorgang.Edit();
            Data->vorgang.Cancel();
        });
    });
    row->addWidget(DBNavigator1);
    row->addStretch(1);
}

void TFVorgang::buildTitle()
{
    TDataSource *q = &Data->VorgangQ;
    Paneltitel = new QFrame(this);
    Paneltitel->setObjectName(QStringLiteral("Paneltitel"));
    Paneltitel->setFrameShape(QFrame::StyledPanel);
    auto *row = new QHBoxLayout(Paneltitel);
    row->setContentsMargins(8, 4, 8, 4);
    row->setSpacing(6);

    sVorgang = bound(new DBText(Paneltitel), "sVorgang", q, QStringLiteral("Typname"));
    QFont bold = sVorgang->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.15);
    sVorgang->setFont(bold);
    sVorgang->setMinimumWidth(QFontMetrics(bold).horizontalAdvance(QStringLiteral("Lieferschein")) + 8);
    row->addWidget(sVorgang);

    const auto readOnly = [](DBEdit *e) {
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::NoFocus);
    };
    DBEdit1 = bound(new DBEdit(Paneltitel), "DBEdit1", q, QStringLiteral("Typ"));
    readOnly(DBEdit1);
    DBEdit1->setAlignment(Qt::AlignCenter);
    DBEdit1->setFixedWidth(chars(this, 2));
    row->addWidget(DBEdit1);
    sVnr = bound(new DBEdit(Paneltitel), "sVnr", q, QStringLiteral("VorgangNR"));
    readOnly(sVnr);
    sVnr->setFixedWidth(chars(this, 9));
    row->addWidget(sVnr);

    // One line of the address block: the name, enough to know whose
    // document it is; the chooser shows and edits the whole block.
    sKunde = new OneLineMemo(Paneltitel);
    // Set before the binding: a changed margin counts as a changed text.
    sKunde->document()->setDocumentMargin(1);
    bound(sKunde, "sKunde", q, QStringLiteral("Anschrift"));
    sKunde->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sKunde->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sKunde->setLineWrapMode(QPlainTextEdit::NoWrap);
    sKunde->setTabChangesFocus(true);
    sKunde->setFixedHeight(sVnr->sizeHint().height());
    sKunde->setToolTip(QStringLiteral("Doppelklick: Adresse wählen"));
    sKunde->setMinimumWidth(chars(this, 20));
    sKunde->viewport()->installEventFilter(this);
    row->addWidget(sKunde, 1);
    row->addSpacing(8);

    auto *datum = new ExitEdit(Paneltitel);
    EditDatum = bound(static_cast<DBEdit *>(datum), "EditDatum", q, QStringLiteral("datum"));
    datum->OnExit = [this] { EditDatumExit(); };
    // A digit more than a date: the field shows its end while it is typed in.
    const int dateWidth = WindowParts::dateWidth(this) + fontMetrics().horizontalAdvance(QLatin1Char('0'));
    EditDatum->setFixedWidth(dateWidth);
    Label3 = new QLabel(QStringLiteral("Datum"), Paneltitel);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setBuddy(EditDatum);
    row->addWidget(Label3);
    row->addWidget(EditDatum);
    const auto dateButton = [this](const char *name) {
        auto *b = new QToolButton(Paneltitel);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(QStringLiteral("Datum wählen"));
        b->setIcon(icon("x-office-calendar", "calendar"));
        b->setAutoRaise(true); // flat
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    btDatum = dateButton("btDatum");
    connect(btDatum, &QToolButton::clicked, this, &TFVorgang::btDatumClick);
    row->addWidget(btDatum);
    row->addSpacing(8);

    auto *ziel = new ExitComboBox(Paneltitel);
    DBComboBox1 = bound(static_cast<DBComboBox *>(ziel), "DBComboBox1", q, QStringLiteral("ZielTage"));
    DBComboBox1->setEditable(true);
    DBComboBox1->setItems(
        {QStringLiteral("7"), QStringLiteral("10"), QStringLiteral("14"), QStringLiteral("30")});
    DBComboBox1->setFixedWidth(chars(this, 7));
    ziel->OnExit = [this] { EditDatumExit(); };
    // The box writes a picked item first; the due date follows it.
    connect(DBComboBox1, &QComboBox::activated, this, [this] { EditDatumExit(); });
    Label5 = new QLabel(QStringLiteral("Zahlungsziel"), Paneltitel);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->setBuddy(DBComboBox1);
    row->addWidget(Label5);
    row->addWidget(DBComboBox1);
    sZieldatum = bound(new DBEdit(Paneltitel), "sZieldatum", q, QStringLiteral("ZielDatum"));
    sZieldatum->setFixedWidth(dateWidth);
    row->addWidget(sZieldatum);
    btZieldatum = dateButton("btZieldatum");
    connect(btZieldatum, &QToolButton::clicked, this, &TFVorgang::btZieldatumClick);
    row->addWidget(btZieldatum);

    typbox = bound(new DBComboBox(Paneltitel), "typbox", q, QStringLiteral("VertragT"));
    typbox->setItems({QStringLiteral("M"), QStringLiteral("Q"), QStringLiteral("H"), QStringLiteral("J")});
    typbox->setToolTip(QStringLiteral("Vertragstyp"));
    typbox->setFixedWidth(chars(this, 6));
    typbox->hide();
    row->addWidget(typbox);

    DBText4 = bound(new DBText(Paneltitel), "DBText4", q, QStringLiteral("Waehrung"));
    DBText4->setMinimumWidth(chars(this, 3));
    DBText4->setAlignment(Qt::AlignCenter);
    row->addWidget(DBText4);
}

void TFVorgang::buildTaxLine()
{
    TDataSource *q = &Data->VorgangQ;
    Panelsteuer = new QFrame(this);
    Panelsteuer->setObjectName(QStringLiteral("Panelsteuer"));
    Panelsteuer->setFrameShape(QFrame::StyledPanel);
    auto *row = new QHBoxLayout(Panelsteuer);
    row->setContentsMargins(8, 2, 8, 2);
    row->setSpacing(6);
    cbSteuerfall = new QComboBox(Panelsteuer);
    cbSteuerfall->setObjectName(QStringLiteral("cbSteuerfall"));
    for (Tax::Case c : Tax::allCases())
        cbSteuerfall->addItem(Tax::caseName(c), Tax::caseCode(c));
    cbSteuerfall->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto *label = new QLabel(QStringLiteral("&Steuerfall"), Panelsteuer);
    label->setBuddy(cbSteuerfall);
    row->addWidget(label);
    row->addWidget(cbSteuerfall);
    connect(cbSteuerfall, &QComboBox::activated, this, [this](int index) {
        const Tax::Case c = Tax::caseOfCode(cbSteuerfall->itemData(index).toString());
        if (hasDocument() && c != Data->TaxCase() && PendingEdits::writeAll(this))
            guarded([c] { Data->SetTaxCase(c); });
        showTax();
    });
    row->addSpacing(12);
    const int dateWidth = fontMetrics().horizontalAdvance(QStringLiteral("00.00.00000")) + 16;
    const auto date = [&](const char *name, const QString &caption, const char *field) {
        auto *e = bound(new DBEdit(Panelsteuer), name, q, QString::fromLatin1(field));
        e->setFixedWidth(dateWidth);
        auto *l = new QLabel(caption, Panelsteuer);
        l->setBuddy(e);
        row->addWidget(l);
        row->addWidget(e);
        return e;
    };
    eLeistungsdatum = date("eLeistungsdatum", QStringLiteral("&Leistungsdatum"), "leistungsdatum");
    eLeistungsdatum->setToolTip(QStringLiteral("Tag der Lieferung oder Leistung; leer: das Rechnungsdatum"));
    eLeistungbis = date("eLeistungbis", QStringLiteral("bis"), "leistungbis");
    eLeistungbis->setToolTip(QStringLiteral("Ende des Leistungszeitraums; leer: ein einzelner Tag"));
    row->addSpacing(12);
    // The payment means the e-invoice states: transfer (58) unless a direct debit (59) is agreed.
    cbZahlungsart = new QComboBox(Panelsteuer);
    cbZahlungsart->setObjectName(QStringLiteral("cbZahlungsart"));
    cbZahlungsart->addItem(QStringLiteral("Überweisung"), QString());
    cbZahlungsart->addItem(QStringLiteral("Lastschrift"), QStringLiteral("59"));
    auto *payLabel = new QLabel(QStringLiteral("&Zahlung"), Panelsteuer);
    payLabel->setBuddy(cbZahlungsart);
    row->addWidget(payLabel);
    row->addWidget(cbZahlungsart);
    connect(cbZahlungsart, &QComboBox::activated, this, [this](int index) {
        const QString code = cbZahlungsart->itemData(index).toString();
        if (!hasDocument()) return;
        guarded([&code] {
            TField *f = Data->vorgang.FieldByName(QStringLiteral("Zahlungsart"));
            if (f->AsString().trimmed() == code) return;
            Data->vorgang.Edit();
            if (code.isEmpty())
                f->Clear();
            else
                f->SetAsString(code);
        });
        showTax();
    });
    row->addStretch(1);
    // A file that could not be brought up to date (read only) knows no tax case.
    Panelsteuer->setVisible(Data->vorgang.FindField(QStringLiteral("Steuerfall")) != nullptr);
}

void TFVorgang::showTax()
{
    if (!hasDocument() || !Data->vorgang.FindField(QStringLiteral("Steuerfall"))) {
        sMwst->clear();
        return;
    }
    const int index = cbSteuerfall->findData(Tax::caseCode(Data->TaxCase()));
    if (index != cbSteuerfall->currentIndex()) cbSteuerfall->setCurrentIndex(index);
    QList<DBGridColumn> columns = Tab->columns();
    bool changed = false;
    for (DBGridColumn &c : columns)
        changed = setTaxChoices(c) || changed;
    if (changed) Tab->setColumns(columns);
    const bool debit =
        Data->vorgang.FieldByName(QStringLiteral("Zahlungsart"))->AsString().trimmed() == QLatin1String("59");
    cbZahlungsart->setCurrentIndex(debit ? 1 : 0);
    // The VAT per rate as the print shows it, from the stored positions.
    Tax::Totals totals(!Tax::isLegacyDocument(Data->vorgang));
    const TField *id = Data->vorgang.FieldByName(QStringLiteral("id"));
    if (!id->IsNull()) {
        TVexDaoTable rows(nullptr, QStringLiteral("steuerZeilen"));
        rows.setDatabase(Data->vorgang.Database());
        rows.SQL() << QStringLiteral(
                          "select anzahl, Preis, MwstSatz, MwstKat from Vorgang2 where vorgangID = %1")
                          .arg(id->AsInteger());
        try {
            rows.Open();
            for (rows.First(); !rows.Eof(); rows.Next())
                totals.add(rows.FieldByName(QStringLiteral("anzahl"))->AsFloat(),
                           rows.FieldByName(QStringLiteral("Preis"))->AsFloat(), Tax::positionRate(rows),
                           Tax::positionCategory(rows));
        } catch (const AppError &) {
            // the footer's sums stay; only this detail is missing
        }
    }
    QStringList parts;
    for (const Tax::Group &g : totals.groups())
        if (!Tax::isTaxFreeCategory(g.category))
            parts << QStringLiteral("%1 %: %2")
                         .arg(Tax::rateText(g.rate), Money::format(g.vat, QStringLiteral("#,##0.00")));
    sMwst->setText(parts.isEmpty() ? QString() : QStringLiteral("MwSt. ") + parts.join(QStringLiteral("  ")));
}

bool TFVorgang::setTaxChoices(DBGridColumn &column)
{
    // What the document's case allows: the rates at its tax date (0 where no
    // VAT is charged) and the categories of the case.
    const Tax::Case c = Data->TaxCase();
    QStringList choices;
    if (column.fieldName == QLatin1String("MwstKat")) {
        choices = Tax::categoriesOf(c);
    } else if (column.fieldName == QLatin1String("MwstSatz")) {
        const QList<double> rates = c == Tax::Case::Normal
                                        ? ProgramValues::instance().Steuer.rates.choicesAt(Data->TaxDate())
                                        : QList<double>{0.0};
        for (double r : rates)
            choices << Tax::rateText(r);
    } else {
        return false;
    }
    if (column.pickList == choices) return false;
    column.pickList = choices;
    return true;
}

void TFVorgang::buildPositions()
{
    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setChildrenCollapsible(false);

    Tab = new DBGrid(Splitter1);
    Tab->setObjectName(QStringLiteral("Tab"));
    Tab->setDataSource(&Data->VorgangDQ);
    const auto column = [this](const char *field, const QString &title, int width) {
        return DBGridColumn(QString::fromLatin1(field), title, chars(this, width));
    };
    DBGridColumn pos = column("Pos", QStringLiteral("Pos"), 4);
    pos.readOnly = true;
    DBGridColumn einheit = column("einheit", QStringLiteral("Einheit"), 7);
    einheit.pickList = {QStringLiteral("h"), QStringLiteral("STK")};
    QList<DBGridColumn> columns{pos,
                                column("Artikel", QStringLiteral("Artikel"), 12),
                                column("Titel", QStringLiteral("Titel"), 40),
                                column("anzahl", QStringLiteral("Anzahl"), 8),
                                einheit,
                                column("EK", QStringLiteral("EK"), 11),
                                column("Preis", QStringLiteral("VK"), 11)};
    // The rate and VAT category of each position (a file that could not be
    // brought up to date has neither).
    if (Data->vorgangdata.FindField(QStringLiteral("MwstSatz"))) {
        DBGridColumn satz = column("MwstSatz", QStringLiteral("MwSt. %"), 7);
        DBGridColumn kat = column("MwstKat", QStringLiteral("Kat."), 5);
        setTaxChoices(satz);
        setTaxChoices(kat);
        kat.alignment = Qt::AlignCenter;
        columns << satz << kat;
    }
    columns << column("gesamtpreis", QStringLiteral("Gesamtpreis"), 12);
    Tab->setColumns(columns);
    Tab->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Tab, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { PosMenu->popup(Tab->viewport()->mapToGlobal(at)); });
    connect(Tab, &DBGrid::recordDoubleClicked, this, &TFVorgang::PosshowClick);
    Tab->installEventFilter(this);
    Tab->viewport()->installEventFilter(this);
    // The title takes the room there is.
    Tab->setFillColumn(2, chars(this, 30));
    // The current position stays marked while the user types in the panel.
    QPalette pal = Tab->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    Tab->setPalette(pal);

    BMemo = new QFrame(Splitter1);
    BMemo->setObjectName(QStringLiteral("BMemo"));
    auto *panel = new QVBoxLayout(BMemo);
    panel->setContentsMargins(4, 2, 2, 0);
    panel->setSpacing(2);
    BMemoL = new QLabel(QStringLiteral("Beschreibung"), BMemo);
    BMemoL->setObjectName(QStringLiteral("BMemoL"));
    QFont bold = BMemoL->font();
    bold.setBold(true);
    BMemoL->setFont(bold);
    panel->addWidget(BMemoL);
    BMemo1 = bound(new DBMemo(BMemo), "BMemo1", &Data->VorgangDQ, QStringLiteral("Bezeichnung"));
    BMemo1->setTabChangesFocus(true);
    BMemoL->setBuddy(BMemo1);
    panel->addWidget(BMemo1, 1);
    BMemo->hide(); // FormCreate shows it through its button

    // A wider window gives its room to the positions; the panel keeps its width.
    Splitter1->setStretchFactor(0, 1);
    Splitter1->setStretchFactor(1, 0);
    Splitter1->setSizes({chars(this, 120), chars(this, 44)});
}

void TFVorgang::buildFooter()
{
    TDataSource *q = &Data->VorgangQ;
    Panelfuss = new QFrame(this);
    Panelfuss->setObjectName(QStringLiteral("Panelfuss"));
    Panelfuss->setFrameShape(QFrame::StyledPanel);
    auto *row = new QHBoxLayout(Panelfuss);
    row->setContentsMargins(8, 4, 8, 4);
    row->setSpacing(6);
    const auto amount = [&](const char *name, const QString &caption, const QString &field) {
        auto *t = bound(new DBText(Panelfuss), name, q, field);
        t->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        t->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("000.000,00")) + 8);
        auto *l = new QLabel(caption, Panelfuss);
        row->addWidget(l);
        row->addWidget(t);
        return t;
    };
    sEK = amount("sEK", QStringLiteral("EK:"), QStringLiteral("EK"));
    row->addSpacing(12);
    sVK = amount("sVK", QStringLiteral("VK:"), QStringLiteral("VK"));
    row->addSpacing(12);
    sVKbr = amount("sVKbr", QStringLiteral("Brutto:"), QStringLiteral("vkbr"));
    QFont bold = sVKbr->font();
    bold.setBold(true);
    sVKbr->setFont(bold);
    sWaehrung = bound(new DBText(Panelfuss), "sWaehrung", q, QStringLiteral("Waehrung"));
    sWaehrung->setFont(bold);
    row->addWidget(sWaehrung);
    row->addSpacing(12);
    sMwst = new QLabel(Panelfuss);
    sMwst->setObjectName(QStringLiteral("sMwst"));
    row->addWidget(sMwst);
    row->addSpacing(12);
    sGewinn = amount("sGewinn", QStringLiteral("Gewinn"), QStringLiteral("Gewinn"));
    row->addStretch(1);

    storno = new QLabel(QStringLiteral("STORNIERT"), Panelfuss);
    storno->setObjectName(QStringLiteral("storno"));
    storno->setFont(bold);
    QPalette red = storno->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    storno->setPalette(red);
    storno->hide();
    row->addWidget(storno);
    mahnung = new QLabel(Panelfuss);
    mahnung->setObjectName(QStringLiteral("mahnung"));
    mahnung->setFont(bold);
    mahnung->hide();
    row->addWidget(mahnung);

    DBEdit2 = bound(new DBEdit(Panelfuss), "DBEdit2", q, QStringLiteral("VorgangNR"));
    DBEdit2->setReadOnly(true);
    DBEdit2->hide();
    row->addWidget(DBEdit2);
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
    DBEdit2Change();
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
    try {
        work();
    } catch (const AppError &e) {
        ShowErrorBox(e.message(), this);
    }
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
    for (QWidget *w : std::initializer_list<QWidget *>{ToolButton5, ToolButton7, ToolButton6, ToolButton9,
                                                       ToolButton10, ToolButton1, ToolButton8, ToolButton11})
        w->setEnabled(saved);
    for (QAction *a : {Posnew, Posshow, Posdel, Positionspeichern1, Posnachoben1, Posnachunten1})
        a->setEnabled(saved);
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
        Dialogs::instance().message(
            this, kTitle,
            QStringLiteral("Der Briefkopf konnte nicht vollständig gelesen werden:\n\n"
                           "%1\n\nDie PDF-Datei enthält die eingebauten Texte.")
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

void TFVorgang::tbcalculateClick()
{
    if (!hasDocument() || !PendingEdits::writeAll(this)) return;
    guarded([] { Data->RecalcTotals(); });
}

// ---------------------------------------------------------------------------
// positions

void TFVorgang::PosnewClick()
{
    if (!hasSavedDocument() || !PendingEdits::writeAll(this)) return;
    guarded([this] {
        if (!FvartikelRef()) {
            FvartikelRef() = new Tfvartikel(this);
            FvartikelRef()->PosshowClick = [this] { PosshowClick(); };
        }
        Dialogs::instance().exec(*FvartikelRef());
    });
}

void TFVorgang::LeerposClick()
{
    if (!hasSavedDocument() || !PendingEdits::writeAll(this)) return;
    guarded([] { Data->vorgangdata.Insert(); });
    if (Data->vorgangdata.State() == DataSetState::Insert) {
        Tab->setFocus();
        Tab->setCurrentIndex(Tab->model()->index(Data->vorgangdata.RecNo(), 1));
    }
}

void TFVorgang::PosdelClick()
{
    if (!hasSavedDocument() || Data->vorgangdata.IsEmpty()) return;
    if (Dialogs::instance().message(
            this, kTitle, QStringLiteral("Wollen Sie diese Position wirklich löschen?"), Dialogs::Information,
            Dialogs::Yes | Dialogs::No, Dialogs::Yes) != Dialogs::Yes)
        return;
    // Text typed into the position goes with it.
    for (FieldLink *link : findChildren<FieldLink *>())
        if (link->modified() && link->dataSource() == &Data->VorgangDQ) link->reset();
    guarded([] {
        Data->vorgangdata.Delete();
        Data->RecalcTotals();
    });
}

void TFVorgang::PosshowClick()
{
    if (!hasSavedDocument() || !PendingEdits::writeAll(this)) return;
    if (Data->vorgangdata.IsEmpty()) return;
    guarded([this] {
        {
            QPointer<TFVPostext> dialog = new TFVPostext(this);
            auto free = qScopeGuard([&] { delete dialog.data(); });
            Dialogs::instance().exec(*dialog);
        }
        Data->RecalcTotals();
    });
}

void TFVorgang::tbposSaveClick()
{
    if (!hasSavedDocument() || !PendingEdits::writeAll(this)) return;
    guarded([] {
        if (editingOrInserting(Data->vorgangdata)) Data->vorgangdata.Post();
    });
}

void TFVorgang::Positionspeichern1Click()
{
    tbposSaveClick();
}

void TFVorgang::Posnachoben1Click()
{
    if (!hasSavedDocument() || !PendingEdits::writeAll(this)) return;
    guarded([this] {
        TVexDaoTable &d = Data->vorgangdata;
        if (dropUntouchedPosition()) return;
        d.CheckBrowseMode(); // a new row is saved before it moves
        if (d.IsEmpty()) return;
        const qint64 id = d.FieldByName(QStringLiteral("id"))->AsInteger();
        const qint64 p = d.FieldByName(QStringLiteral("pos"))->AsInteger();
        if (p <= 1) return;
        {
            d.DisableControls();
            auto resume = qScopeGuard([&] { d.EnableControls(); });
            d.Prior();
            d.Edit();
            d.FieldByName(QStringLiteral("pos"))->SetAsInteger(p);
            d.Post();
            locatePosition(id);
            d.Edit();
            d.FieldByName(QStringLiteral("pos"))->SetAsInteger(p - 1);
            d.Post();
        }
        // Shown in the order of their numbers again, on the moved row.
        d.Refresh();
    });
}

void TFVorgang::Posnachunten1Click()
{
    if (!hasSavedDocument() || !PendingEdits::writeAll(this)) return;
    guarded([this] {
        TVexDaoTable &d = Data->vorgangdata;
        if (dropUntouchedPosition()) return;
        d.CheckBrowseMode();
        if (d.IsEmpty()) return;
        TField *id = d.FieldByName(QStringLiteral("id"));
        const qint64 remembered = id->AsInteger();
        d.DisableControls();
        d.Next();
        d.EnableControls();
        if (id->AsInteger() == remembered) return; // the last row
        {
            d.Prior();
            const qint64 b = d.FieldByName(QStringLiteral("pos"))->AsInteger();
            d.DisableControls();
            auto resume = qScopeGuard([&] { d.EnableControls(); });
            d.Next();
            d.Edit();
            d.FieldByName(QStringLiteral("pos"))->SetAsInteger(b);
            d.Post();
            locatePosition(remembered);
            d.Edit();
            d.FieldByName(QStringLiteral("pos"))->SetAsInteger(b + 1);
            d.Post();
        }
        d.Refresh();
    });
}

void TFVorgang::tbPosnrClick()
{
    if (!hasSavedDocument() || !PendingEdits::writeAll(this)) return;
    guarded([this] {
        TVexDaoTable &d = Data->vorgangdata;
        d.CheckBrowseMode();
        vorgang2->Open();
        vorgang2->First();
        vorgang2->DisableControls();
        {
            auto done = qScopeGuard([this] {
                vorgang2->EnableControls();
                vorgang2->Close();
            });
            TField *pos = vorgang2->FieldByName(QStringLiteral("pos"));
            for (int n = 1; !vorgang2->Eof(); ++n) {
                vorgang2->Edit();
                pos->SetAsInteger(n);
                vorgang2->Next(); // saves the row as it moves on
            }
        }
        // The shared positions read the new numbers.
        d.Refresh();
    });
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
