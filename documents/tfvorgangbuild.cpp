// SPDX-License-Identifier: GPL-3.0-or-later
// The document editor (tfvorgang.h): building the window, its menus, tool bars,
// header, tax line, positions grid and footer.
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

} // namespace

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
    UmwandelnMenu = popupMenu(this, "UmwandelnMenu");
    tbUmwandeln =
        toolButton(ToolBar1, "tbUmwandeln", QStringLiteral("Umwandeln in …"), QIcon(), UmwandelnMenu);
    tbUmwandeln->setText(QStringLiteral("Umwandeln in …"));
    tbUmwandeln->setToolButtonStyle(Qt::ToolButtonTextOnly);
    tbUmwandeln->setPopupMode(QToolButton::InstantPopup);
    // Room for the whole caption beside the arrow of its menu.
    tbUmwandeln->setMinimumWidth(tbUmwandeln->sizeHint().width() +
                                 tbUmwandeln->fontMetrics().averageCharWidth() * 3);
    connect(UmwandelnMenu, &QMenu::aboutToShow, this, [this] {
        ConversionMenu::fill(*UmwandelnMenu,
                             hasDocument() ? Data->vorgang.FieldByName(QStringLiteral("typ"))->AsString()
                                           : QString());
    });
    connect(UmwandelnMenu, &QMenu::triggered, this,
            [this](QAction *a) { UmwandelnClick(a->data().toString()); });
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
    typbox->setItems(DBComboBox::periodLetters(), DBComboBox::periodCaptions());
    typbox->setToolTip(QStringLiteral("Vertragstyp"));
    typbox->setFixedWidth(chars(this, 20));
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
    sMwst->setText(vatText(totals));
}

QString TFVorgang::vatText(const Tax::Totals &totals)
{
    QStringList parts;
    for (const Tax::Group &g : totals.groups())
        if (!Tax::isTaxFreeCategory(g.category))
            parts << QStringLiteral("%1 %: %2")
                         .arg(Tax::rateText(g.rate), Money::format(g.vat, QStringLiteral("#,##0.00")));
    return parts.isEmpty() ? QString() : QStringLiteral("MwSt. ") + parts.join(QStringLiteral("  "));
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
        const QList<double> rates = c == Tax::Case::Normal ? Data->RateChoices() : QList<double>{0.0};
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
    DBGridColumn article = column("Artikel", QStringLiteral("Artikel"), 12);
    article.wholeValues = true;
    QList<DBGridColumn> columns{pos,
                                article,
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
    mahnung->setTextFormat(Qt::PlainText);
    mahnung->setObjectName(QStringLiteral("mahnung"));
    mahnung->setFont(bold);
    mahnung->hide();
    row->addWidget(mahnung);

    DBEdit2 = bound(new DBEdit(Panelfuss), "DBEdit2", q, QStringLiteral("VorgangNR"));
    DBEdit2->setReadOnly(true);
    DBEdit2->hide();
    row->addWidget(DBEdit2);
}
