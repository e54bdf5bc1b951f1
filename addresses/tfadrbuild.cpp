// SPDX-License-Identifier: GPL-3.0-or-later
// The address window's controls, menus and pages, as they are built.
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

// A grid column for dates, wide enough for the date and for its title.
DBGridColumn dateColumn(const DBGrid *grid, const QString &field, const QString &title)
{
    const QFontMetrics header = grid->horizontalHeader()->fontMetrics();
    DBGridColumn c;
    c.fieldName = field;
    c.title = title;
    c.width = std::max(dateWidth(grid), header.horizontalAdvance(title.isEmpty() ? field : title) + 16);
    return c;
}

DBGridColumn column(const QString &field, const QString &title, int width)
{
    DBGridColumn c;
    c.fieldName = field;
    c.title = title;
    c.width = width;
    return c;
}

template <class C> C *bound(C *control, const char *name, const QString &field)
{
    control->setObjectName(QString::fromLatin1(name));
    control->setDataSource(&dataa->DSAdress);
    control->setDataField(field);
    return control;
}

} // namespace

// ---------------------------------------------------------------------------
// building the window

void TFAdr::buildActions()
{
    Sortmenu1 = new QMenu(this);
    Sortmenu1->setObjectName(QStringLiteral("Sortmenu1"));
    SortGroup = new QActionGroup(this);
    SortGroup->setExclusive(true);
    Vorname1 = menuItem(Sortmenu1, "Vorname1", QStringLiteral("Vorname"));
    Nachname1 = menuItem(Sortmenu1, "Nachname1", QStringLiteral("Nachname"));
    Ort1 = menuItem(Sortmenu1, "Ort1", QStringLiteral("Ort"));
    for (QAction *a : {Vorname1, Nachname1, Ort1}) {
        a->setCheckable(true);
        SortGroup->addAction(a);
    }
    Nachname1->setChecked(true);
    connect(Vorname1, &QAction::triggered, this, &TFAdr::Vorname1Click);
    connect(Nachname1, &QAction::triggered, this, &TFAdr::Nachname1Click);
    connect(Ort1, &QAction::triggered, this, &TFAdr::Ort1Click);

    NamenKontext = new QMenu(this);
    NamenKontext->setObjectName(QStringLiteral("NamenKontext"));
    NeuerAnsprechpartner1 =
        menuItem(NamenKontext, "NeuerAnsprechpartner1", QStringLiteral("&Neuer Ansprechpartner"));
    Ansprechpartnerspeichern2 =
        menuItem(NamenKontext, "Ansprechpartnerspeichern2", QStringLiteral("Ansprechpartner &speichern"));
    Ansprechpartnerlschen1 =
        menuItem(NamenKontext, "Ansprechpartnerlschen1", QStringLiteral("Ansprechpartner &löschen"));
    NamenKontext->addSeparator();
    emailschreiben1 = menuItem(NamenKontext, "emailschreiben1", QStringLiteral("&e-mail"));
    connect(NeuerAnsprechpartner1, &QAction::triggered, this, &TFAdr::NeuerAnsprechpartner1Click);
    connect(Ansprechpartnerspeichern2, &QAction::triggered, this, &TFAdr::Ansprechpartnerspeichern2Click);
    connect(Ansprechpartnerlschen1, &QAction::triggered, this, &TFAdr::Ansprechpartnerlschen1Click);
    connect(emailschreiben1, &QAction::triggered, this, &TFAdr::emailschreiben1Click);
    connect(NamenKontext, &QMenu::aboutToShow, this, &TFAdr::NamenKontextPopup);

    PopupM = new QMenu(this);
    PopupM->setObjectName(QStringLiteral("PopupM"));
    Herr1 = menuItem(PopupM, "Herr1", QStringLiteral("Herr"));
    Frau1 = menuItem(PopupM, "Frau1", QStringLiteral("Frau"));
    Firma1 = menuItem(PopupM, "Firma1", QStringLiteral("Firma"));
    ApoHerr1 = menuItem(PopupM, "ApoHerr1", QStringLiteral("2. Zeile Herr"));
    ApoFrau1 = menuItem(PopupM, "ApoFrau1", QStringLiteral("2. Zeile Frau"));
    connect(Herr1, &QAction::triggered, this, &TFAdr::Herr1Click);
    connect(Frau1, &QAction::triggered, this, &TFAdr::Frau1Click);
    connect(Firma1, &QAction::triggered, this, &TFAdr::Firma1Click);
    connect(ApoHerr1, &QAction::triggered, this, &TFAdr::ApoHerr1Click);
    connect(ApoFrau1, &QAction::triggered, this, &TFAdr::ApoFrau1Click);

    ExportMenu = new QMenu(this);
    ExportMenu->setObjectName(QStringLiteral("ExportMenu"));
    Adresseexportieren1 = menuItem(ExportMenu, "Adresseexportieren1", QStringLiteral("&Adresse exportieren"));
    Faxnummerexportieren1 =
        menuItem(ExportMenu, "Faxnummerexportieren1", QStringLiteral("&Faxnummer exportieren"));
    connect(Adresseexportieren1, &QAction::triggered, this, &TFAdr::btExportClick);
    connect(Faxnummerexportieren1, &QAction::triggered, this, &TFAdr::Faxnummerexportieren1Click);

    VorgangM = new QMenu(this);
    VorgangM->setObjectName(QStringLiteral("VorgangM"));
    NeueRechnung1 = menuItem(VorgangM, "NeueRechnung1", QStringLiteral("&Rechnung anlegen"));
    NeuesAngebot1 = menuItem(VorgangM, "NeuesAngebot1", QStringLiteral("&Angebot anlegen"));
    VorgangM->addSeparator();
    Lieferscheinanlegen1 =
        menuItem(VorgangM, "Lieferscheinanlegen1", QStringLiteral("&Lieferschein anlegen"));
    Bestellunganlegen1 = menuItem(VorgangM, "Bestellunganlegen1", QStringLiteral("&Bestellung anlegen"));
    VorgangM->addSeparator();
    VertragMonatlich1 = menuItem(VorgangM, "VertragMonatlich1", QStringLiteral("&Vertrag anlegen"));
    connect(NeueRechnung1, &QAction::triggered, this, &TFAdr::NeueRechnung1Click);
    connect(NeuesAngebot1, &QAction::triggered, this, &TFAdr::NeuesAngebot1Click);
    connect(Lieferscheinanlegen1, &QAction::triggered, this, &TFAdr::Lieferscheinanlegen1Click);
    connect(Bestellunganlegen1, &QAction::triggered, this, &TFAdr::Bestellunganlegen1Click);
    connect(VertragMonatlich1, &QAction::triggered, this, &TFAdr::VertragMonatlich1Click);
}

void TFAdr::buildMenus()
{
    Adresse1 = new QMenu(QStringLiteral("&Adresse"), this);
    Adresse1->setObjectName(QStringLiteral("Adresse1"));
    NeueAdresse1 = menuItem(Adresse1, "NeueAdresse1", QStringLiteral("&Neue Adresse"));
    Adresselschen1 = menuItem(Adresse1, "Adresselschen1", QStringLiteral("Adresse &löschen"));
    Speichern1 = menuItem(Adresse1, "Speichern1", QStringLiteral("&Speichern"));
    ERechnung1 = menuItem(Adresse1, "ERechnung1", QStringLiteral("&E-Rechnung..."));
    Datenauskunft1 = menuItem(Adresse1, "Datenauskunft1", QStringLiteral("&Datenauskunft …"));
    N3 = separator(Adresse1, "N3");
    Bearbeitenerlauben1 = menuItem(Adresse1, "Bearbeitenerlauben1", QStringLiteral("Bearbeiten erlauben"));
    Bearbeitenerlauben1->setCheckable(true);
    connect(NeueAdresse1, &QAction::triggered, this, &TFAdr::adrinsClick);
    connect(Adresselschen1, &QAction::triggered, this, &TFAdr::adrdelClick);
    connect(Speichern1, &QAction::triggered, this, &TFAdr::Speichern1Click);
    connect(ERechnung1, &QAction::triggered, this, &TFAdr::ERechnung1Click);
    connect(Datenauskunft1, &QAction::triggered, this, &TFAdr::Datenauskunft1Click);
    connect(Bearbeitenerlauben1, &QAction::triggered, this, &TFAdr::eingabeClick);

    Ansprechpartner1 = new QMenu(QStringLiteral("&Ansprechpartner"), this);
    Ansprechpartner1->setObjectName(QStringLiteral("Ansprechpartner1"));
    NeuerAnsprechpartner2 =
        menuItem(Ansprechpartner1, "NeuerAnsprechpartner2", QStringLiteral("&Neuer Ansprechpartner"));
    Ansprechpartnerspeichern1 =
        menuItem(Ansprechpartner1, "Ansprechpartnerspeichern1", QStringLiteral("Ansprechpartner &speichern"));
    Ansprechpartnerlschen2 =
        menuItem(Ansprechpartner1, "Ansprechpartnerlschen2", QStringLiteral("Ansprechpartner &löschen"));
    N5 = separator(Ansprechpartner1, "N5");
    EMailanAnsprechpartner1 =
        menuItem(Ansprechpartner1, "EMailanAnsprechpartner1", QStringLiteral("E-&Mail an Ansprechpartner"));
    connect(NeuerAnsprechpartner2, &QAction::triggered, this, &TFAdr::NeuerAnsprechpartner1Click);
    connect(Ansprechpartnerspeichern1, &QAction::triggered, this, &TFAdr::Ansprechpartnerspeichern2Click);
    connect(Ansprechpartnerlschen2, &QAction::triggered, this, &TFAdr::Ansprechpartnerlschen1Click);
    connect(EMailanAnsprechpartner1, &QAction::triggered, this, &TFAdr::emailschreiben1Click);

    Vorgang1 = new QMenu(QStringLiteral("&Vorgang"), this);
    Vorgang1->setObjectName(QStringLiteral("Vorgang1"));
    alleVorgngean1 = menuItem(Vorgang1, "alleVorgngean1", QStringLiteral("alle &Vorgänge anzeigen"));
    N4 = separator(Vorgang1, "N4");
    NeueRechnung2 = menuItem(Vorgang1, "NeueRechnung2", QStringLiteral("&Rechnung anlegen"));
    NeuesAngebot2 = menuItem(Vorgang1, "NeuesAngebot2", QStringLiteral("&Angebot anlegen"));
    NeuerLieferschein1 = menuItem(Vorgang1, "NeuerLieferschein1", QStringLiteral("&Lieferschein anlegen"));
    Bestellung1 = menuItem(Vorgang1, "Bestellung1", QStringLiteral("&Bestellung anlegen"));
    connect(alleVorgngean1, &QAction::triggered, this, &TFAdr::VorganglisteClick);
    connect(NeueRechnung2, &QAction::triggered, this, &TFAdr::NeueRechnung1Click);
    connect(NeuesAngebot2, &QAction::triggered, this, &TFAdr::NeuesAngebot1Click);
    connect(NeuerLieferschein1, &QAction::triggered, this, &TFAdr::Lieferscheinanlegen1Click);
    connect(Bestellung1, &QAction::triggered, this, &TFAdr::Bestellunganlegen1Click);

    for (QMenu *m : mergedMenus())
        MainMenu1->addMenu(m);
}

void TFAdr::buildTopBar()
{
    ControlBar1 = new QWidget(this);
    ControlBar1->setObjectName(QStringLiteral("ControlBar1"));
    auto *row = new QHBoxLayout(ControlBar1);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(6);

    ToolBar1 = new QToolBar(ControlBar1);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setIconSize(QSize(20, 20));
    ToolButton5 =
        toolButton(ToolBar1, "ToolButton5", QStringLiteral("Sortierung ändern"), AppIcons::sortOrder());
    ToolButton5->setText(QStringLiteral("Sortieren"));
    ToolButton5->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ToolButton5->setMenu(Sortmenu1);
    ToolButton5->setPopupMode(QToolButton::MenuButtonPopup);
    ToolButton5->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ToolButton5, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { Sortmenu1->popup(ToolButton5->mapToGlobal(at)); });
    Vorgangliste =
        toolButton(ToolBar1, "Vorgangliste", QStringLiteral("Vorgänge anzeigen"), AppIcons::documentList());
    connect(Vorgangliste, &QToolButton::clicked, this, &TFAdr::VorganglisteClick);
    ToolButton3 =
        toolButton(ToolBar1, "ToolButton3", QStringLiteral("Neuer Vorgang"), AppIcons::newDocument());
    ToolButton3->setText(QStringLiteral("Neuer Vorgang"));
    ToolButton3->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ToolButton3->setMenu(VorgangM);
    ToolButton3->setPopupMode(QToolButton::MenuButtonPopup);
    connect(ToolButton3, &QToolButton::clicked, this, &TFAdr::NeueRechnung1Click);
    btExport = toolButton(ToolBar1, "btExport", QStringLiteral("Adresse in Zwischenablage"),
                          AppIcons::addressToClipboard());
    btExport->setMenu(ExportMenu);
    btExport->setPopupMode(QToolButton::MenuButtonPopup);
    connect(btExport, &QToolButton::clicked, this, &TFAdr::btExportClick);
    ToolButton4 = toolButton(ToolBar1, "ToolButton4", QStringLiteral("Alle Serienbriefmarker löschen"),
                             AppIcons::clearMailMergeMarks());
    connect(ToolButton4, &QToolButton::clicked, this, &TFAdr::ToolButton4Click);
    row->addWidget(ToolBar1);

    ToolBar2 = new QToolBar(ControlBar1);
    ToolBar2->setObjectName(QStringLiteral("ToolBar2"));
    ToolBar2->setIconSize(QSize(20, 20));
    eingabe =
        toolButton(ToolBar2, "eingabe", QStringLiteral("Bearbeiten ein/ausschalten"), AppIcons::editSwitch());
    eingabe->setCheckable(true);
    connect(eingabe, &QToolButton::clicked, this, &TFAdr::eingabeClick);
    adrins = toolButton(ToolBar2, "adrins", QStringLiteral("Adresse anlegen"), AppIcons::newAddress());
    connect(adrins, &QToolButton::clicked, this, &TFAdr::adrinsClick);
    adrdel = toolButton(ToolBar2, "adrdel", QStringLiteral("Adresse löschen"), AppIcons::deleteAddress());
    connect(adrdel, &QToolButton::clicked, this, &TFAdr::adrdelClick);
    row->addWidget(ToolBar2);

    DBNavigator1 = new DBNavigator(ControlBar1, DBNavigator::First | DBNavigator::Prior | DBNavigator::Next |
                                                    DBNavigator::Last | DBNavigator::Post);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    DBNavigator1->setDataSource(&dataa->DSAdress);
    row->addWidget(DBNavigator1);
    row->addSpacing(12);

    fastfind = new QLineEdit(ControlBar1);
    fastfind->setObjectName(QStringLiteral("fastfind"));
    fastfind->setFixedWidth(chars(this, 24));
    fastfind->setClearButtonEnabled(true);
    row->addWidget(label(QStringLiteral("Suche:"), fastfind));
    row->addWidget(fastfind);
    connect(fastfind, &QLineEdit::textChanged, this, &TFAdr::fastfindChange);

    kdpanel = new QFrame(ControlBar1);
    kdpanel->setObjectName(QStringLiteral("kdpanel"));
    kdpanel->setFrameShape(QFrame::StyledPanel);
    auto *kdrow = new QHBoxLayout(kdpanel);
    kdrow->setContentsMargins(6, 1, 2, 1);
    kdsuch = new QLineEdit(kdpanel);
    kdsuch->setObjectName(QStringLiteral("kdsuch"));
    kdsuch->setFixedWidth(chars(this, 9));
    kdrow->addWidget(label(QStringLiteral("KD-Nr:"), kdsuch));
    kdrow->addWidget(kdsuch);
    connect(kdsuch, &QLineEdit::textChanged, this, &TFAdr::kdsuchChange);
    connect(kdsuch, &QLineEdit::returnPressed, this, &TFAdr::kdsuchReturn);
    kdsuch->installEventFilter(this);
    row->addWidget(kdpanel);
    row->addStretch(1);
}

void TFAdr::buildTopStrip()
{
    SAdrTop = new QFrame(this);
    SAdrTop->setObjectName(QStringLiteral("SAdrTop"));
    SAdrTop->setFrameShape(QFrame::StyledPanel);
    auto *row = new QHBoxLayout(SAdrTop);
    row->setContentsMargins(8, 3, 8, 3);
    row->setSpacing(6);
    auto text = [this](const char *name, const QString &field, int width) {
        auto *t = bound(new DBText(SAdrTop), name, field);
        t->setMinimumWidth(chars(this, width));
        return t;
    };
    sKDNr = text("sKDNr", QStringLiteral("KDNR"), 6);
    QFont bold = sKDNr->font();
    bold.setBold(true);
    sKDNr->setFont(bold);
    row->addWidget(sKDNr);
    sName = text("sName", QStringLiteral("NAME1"), 30);
    sName->setFont(bold);
    row->addWidget(label(QStringLiteral("Name:")));
    row->addWidget(sName, 1);
    eKontakt = bound(new DBEdit(SAdrTop), "eKontakt", QStringLiteral("KONTAKT"));
    eKontakt->setFixedWidth(dateWidth(this));
    eKontakt->setToolTip(QStringLiteral("Doppelklick: heute"));
    eKontakt->installEventFilter(this);
    row->addWidget(label(QStringLiteral("letzter Kontakt:"), eKontakt));
    row->addWidget(eKontakt);
    row->addSpacing(8);
    sAngelegt = text("sAngelegt", QStringLiteral("ANGELEGT"), 10);
    row->addWidget(label(QStringLiteral("angelegt:")));
    row->addWidget(sAngelegt);
    sGeaendert = text("sGeaendert", QStringLiteral("GEAENDERT"), 10);
    row->addWidget(label(QStringLiteral("geändert:")));
    row->addWidget(sGeaendert);
    DBText1 = text("DBText1", QStringLiteral("MA"), 4);
    row->addWidget(label(QStringLiteral("MA")));
    row->addWidget(DBText1);
}

void TFAdr::buildAddressPage()
{
    SAdr = new QWidget;
    SAdr->setObjectName(QStringLiteral("SAdr"));
    auto *page = new QVBoxLayout(SAdr);
    page->setContentsMargins(8, 8, 8, 8);
    page->setSpacing(8);

    EditKDNR = bound(new DBEdit, "EditKDNR", QStringLiteral("KDNR"));
    EditKDNR->setReadOnly(true);
    EditKDNR->setFocusPolicy(Qt::ClickFocus);
    eLKDNR = bound(new DBEdit, "eLKDNR", QStringLiteral("LKDNR"));
    EditVORNAME = bound(new DBEdit, "EditVORNAME", QStringLiteral("VORNAME"));
    EditNAME = bound(new DBEdit, "EditNAME", QStringLiteral("NAME1"));
    mNamen = bound(new DBMemo, "mNamen", QStringLiteral("NAMEN"));
    mNamen->setTabChangesFocus(true);
    mNamen->setFixedHeight(fontMetrics().lineSpacing() * 3 + 12);
    eStrasse = bound(new DBEdit, "eStrasse", QStringLiteral("STRASSE"));
    ePLZ = bound(new DBEdit, "ePLZ", QStringLiteral("PLZ"));
    eOrt = bound(new DBEdit, "eOrt", QStringLiteral("ORT"));
    eLand = bound(new DBEdit, "eLand", QStringLiteral("LAND"));
    eLand->setMaxLength(2);
    eLand->setToolTip(QStringLiteral("Ländercode nach ISO 3166, z. B. AT, CH, FR; leer: Deutschland"));
    eUstId = bound(new DBEdit, "eUstId", QStringLiteral("USTID"));
    eUstId->setMaxLength(20);
    eUstId->setToolTip(QStringLiteral("Umsatzsteuer-Identifikationsnummer des Kunden, z. B. ATU12345678"));
    cVorwahl = bound(new DBComboBox, "cVorwahl", QStringLiteral("Vorwahl"));
    cVorwahl->setEditable(true);
    // The firm's own region: Kassel and the places around it in North Hesse.
    cVorwahl->setItems({QStringLiteral("0561"), QStringLiteral("05601"), QStringLiteral("05605"),
                        QStringLiteral("05606"), QStringLiteral("05609")});
    eTelefon1 = bound(new DBEdit, "eTelefon1", QStringLiteral("Telefon1"));
    eTelefax = bound(new DBEdit, "eTelefax", QStringLiteral("TELEFAX"));
    eAnrede = bound(new DBEdit, "eAnrede", QStringLiteral("Anrede"));
    eAnrede->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(eAnrede, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { PopupM->popup(eAnrede->mapToGlobal(at)); });
    eWWW = bound(new DBEdit, "eWWW", QStringLiteral("WWW"));
    eEmail = bound(new DBEdit, "eEmail", QStringLiteral("Email"));
    auto speedButton = [this](const char *name, const QString &hint, const QIcon &image) {
        auto *b = new QToolButton;
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(hint);
        b->setIcon(image);
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    SpeedButton1 =
        speedButton("SpeedButton1", QStringLiteral("Anrede auswählen (auch Rechtsklick auf Eingabefeld)"),
                    AppIcons::pickFromList());
    connect(SpeedButton1, &QToolButton::clicked, this, &TFAdr::SpeedButton1Click);
    SpeedButton3 = speedButton("SpeedButton3", QStringLiteral("Internetseite öffnen"), AppIcons::webPage());
    connect(SpeedButton3, &QToolButton::clicked, this, &TFAdr::SpeedButton3Click);
    SpeedButton2 = speedButton("SpeedButton2", QStringLiteral("e-mail"), AppIcons::eMail());
    connect(SpeedButton2, &QToolButton::clicked, this, &TFAdr::SpeedButton2Click);
    DBCheckBox2 = bound(new DBCheckBox(QStringLiteral("Kunde")), "DBCheckBox2", QStringLiteral("kunde"));
    DBCheckBox1 =
        bound(new DBCheckBox(QStringLiteral("Lieferant")), "DBCheckBox1", QStringLiteral("Lieferant"));
    DBCheckBox3 =
        bound(new DBCheckBox(QStringLiteral("Serienbrief")), "DBCheckBox3", QStringLiteral("Serienbrief"));
    cbVerbraucher = bound(new DBCheckBox(QStringLiteral("Privatkunde (Verbraucher)")), "cbVerbraucher",
                          QStringLiteral("VERBRAUCHER"));
    cbVerbraucher->setToolTip(
        QStringLiteral("Ein Verbraucher zahlt Verzugszinsen von 5 statt 9 Prozentpunkten "
                       "über dem Basiszinssatz und keine Pauschale"));
    eZieltage = bound(new DBEdit, "eZieltage", QStringLiteral("ZIELTAGE"));
    eZieltage->setToolTip(QStringLiteral("Zahlungsziel neuer Vorgänge für diese Adresse; leer: das der "
                                         "Einstellungen"));

    // Two columns of fields, each with its own rows: name and postal address
    // on the left, the ways to reach the address and its marks on the right.
    auto pair = [](QWidget *a, int aStretch, QWidget *b, int bStretch) {
        auto *h = new QHBoxLayout;
        h->setSpacing(4);
        h->addWidget(a, aStretch);
        h->addWidget(b, bStretch);
        return h;
    };
    auto grid = [] {
        auto *g = new QGridLayout;
        g->setHorizontalSpacing(8);
        g->setVerticalSpacing(5);
        g->setColumnStretch(1, 1);
        return g;
    };
    QGridLayout *left = grid();
    int r = 0;
    left->addWidget(label(QStringLiteral("&Kd-Nr"), EditKDNR), r, 0);
    EditKDNR->setMaximumWidth(chars(this, 10));
    left->addWidget(EditKDNR, r++, 1, Qt::AlignLeft);
    left->addWidget(label(QStringLiteral("&Vor-, Name"), EditVORNAME), r, 0);
    left->addLayout(pair(EditVORNAME, 2, EditNAME, 3), r++, 1);
    left->addWidget(mNamen, r++, 1);
    left->addWidget(label(QStringLiteral("&Straße"), eStrasse), r, 0);
    left->addWidget(eStrasse, r++, 1);
    left->addWidget(label(QStringLiteral("&PLZ / Ort"), ePLZ), r, 0);
    ePLZ->setMaximumWidth(chars(this, 8));
    left->addLayout(pair(ePLZ, 0, eOrt, 1), r++, 1);
    left->addWidget(label(QStringLiteral("&Land / USt-IdNr"), eLand), r, 0);
    eLand->setMaximumWidth(chars(this, 5));
    left->addLayout(pair(eLand, 0, eUstId, 1), r++, 1);
    left->addWidget(label(QStringLiteral("&Zahlungsziel"), eZieltage), r, 0);
    eZieltage->setMaximumWidth(chars(this, 5));
    auto *days = new QLabel(QStringLiteral("Tage (leer: wie in den Einstellungen)"));
    left->addLayout(pair(eZieltage, 0, days, 1), r++, 1);
    left->setRowStretch(r, 1);

    QGridLayout *right = grid();
    r = 0;
    right->addWidget(label(QStringLiteral("Kd-Nr beim Lieferant"), eLKDNR), r, 0);
    eLKDNR->setMaximumWidth(chars(this, 12));
    right->addWidget(eLKDNR, r++, 1, Qt::AlignLeft);
    right->addWidget(label(QStringLiteral("&Telefon"), cVorwahl), r, 0);
    cVorwahl->setFixedWidth(chars(this, 9));
    right->addLayout(pair(cVorwahl, 0, eTelefon1, 1), r++, 1);
    right->addWidget(label(QStringLiteral("Telefax"), eTelefax), r, 0);
    right->addWidget(eTelefax, r++, 1);
    right->addWidget(label(QStringLiteral("Anrede"), eAnrede), r, 0);
    right->addLayout(pair(eAnrede, 1, SpeedButton1, 0), r++, 1);
    right->addWidget(label(QStringLiteral("http://www."), eWWW), r, 0);
    right->addLayout(pair(eWWW, 1, SpeedButton3, 0), r++, 1);
    right->addWidget(label(QStringLiteral("E-mail"), eEmail), r, 0);
    btERechnung = new QPushButton(QStringLiteral("E-Rechnung …"));
    btERechnung->setObjectName(QStringLiteral("btERechnung"));
    btERechnung->setToolTip(QStringLiteral("E-Mail für E-Rechnungen und Leitweg-ID einer Behörde"));
    btERechnung->setFocusPolicy(Qt::NoFocus);
    connect(btERechnung, &QPushButton::clicked, this, &TFAdr::ERechnung1Click);
    auto *mail = pair(eEmail, 1, SpeedButton2, 0);
    mail->addWidget(btERechnung);
    right->addLayout(mail, r++, 1);
    auto *marks = new QHBoxLayout;
    marks->setSpacing(16);
    marks->addWidget(DBCheckBox2);
    marks->addWidget(DBCheckBox1);
    marks->addWidget(DBCheckBox3);
    marks->addStretch(1);
    right->addLayout(marks, r++, 1);
    right->addWidget(cbVerbraucher, r++, 1);
    right->setRowStretch(r, 1);

    // On wide screens the fields keep a readable length; the grid below
    // takes the whole width.
    auto *formArea = new QWidget;
    formArea->setMaximumWidth(chars(this, 190));
    auto *form = new QHBoxLayout(formArea);
    form->setContentsMargins(0, 0, 0, 0);
    form->setSpacing(32);
    form->addLayout(left, 1);
    form->addLayout(right, 1);
    auto *formRow = new QHBoxLayout;
    formRow->addWidget(formArea, 1);
    formRow->addStretch(0);
    page->addLayout(formRow);

    exportmemo = new QPlainTextEdit(SAdr);
    exportmemo->setObjectName(QStringLiteral("exportmemo"));
    exportmemo->hide();

    auto *contacts = new QLabel(QStringLiteral("Ansprechpartner"));
    QFont bold = contacts->font();
    bold.setBold(true);
    contacts->setFont(bold);
    page->addWidget(contacts);
    DBGrid2 = new DBGrid;
    DBGrid2->setObjectName(QStringLiteral("DBGrid2"));
    DBGrid2->setToolTip(QStringLiteral("Ansprechpartner"));
    DBGrid2->setDataSource(&dataa->DSuPersonen);
    DBGrid2->setColumns({column(QStringLiteral("FUNKTION"), QString(), chars(this, 16)),
                         column(QStringLiteral("NAME"), QString(), chars(this, 26)),
                         column(QStringLiteral("VORNAME"), QString(), chars(this, 18)),
                         column(QStringLiteral("DURCHWAHL"), QString(), chars(this, 14)),
                         column(QStringLiteral("EMAIL"), QString(), chars(this, 30))});
    DBGrid2->horizontalHeader()->setStretchLastSection(true);
    DBGrid2->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(DBGrid2, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { NamenKontext->popup(DBGrid2->viewport()->mapToGlobal(at)); });
    page->addWidget(DBGrid2, 1);

    setTabOrder(EditVORNAME, EditNAME);
    setTabOrder(EditNAME, mNamen);
    setTabOrder(mNamen, eStrasse);
    setTabOrder(eStrasse, ePLZ);
    setTabOrder(ePLZ, eOrt);
    setTabOrder(eOrt, eLand);
    setTabOrder(eLand, eUstId);
    setTabOrder(eUstId, eZieltage);
    setTabOrder(eZieltage, cVorwahl);
    setTabOrder(cVorwahl, eTelefon1);
    setTabOrder(eTelefon1, eTelefax);
    setTabOrder(eTelefax, eAnrede);
    setTabOrder(eAnrede, eWWW);
    setTabOrder(eWWW, eEmail);
    setTabOrder(eEmail, DBCheckBox2);
    setTabOrder(DBCheckBox2, DBCheckBox1);
    setTabOrder(DBCheckBox1, DBCheckBox3);
    setTabOrder(DBCheckBox3, cbVerbraucher);
    setTabOrder(cbVerbraucher, eLKDNR);
    setTabOrder(eLKDNR, DBGrid2);

    PControl->addTab(SAdr, QStringLiteral("Adresse"));
}

void TFAdr::buildNotesPage()
{
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));

    // The notes of the current address, newest first; a new note belongs to
    // the current address through the master link and is dated today.
    Notizen = new TVexDaoTable(this, QStringLiteral("Notizen"));
    Notizen->setDatabase(&dataa->Datenbank);
    Notizen->SQL() << QStringLiteral("select * from Notizen")
                   << QStringLiteral("order by Datum desc, id desc");
    Notizen->setMasterSource(&dataa->DSAdress);
    Notizen->setMasterFields({QStringLiteral("KDNR -> KDNR")});
    Notizen->AfterInsert = [](TVexDaoTable &ds) {
        ds.FieldByName(QStringLiteral("Datum"))->SetAsDate(Today());
    };
    // A saved note takes its place by date.
    Notizen->AfterPost = [](TVexDaoTable &ds) { ds.Refresh(); };
    DSNotizen = new TDataSource(this, Notizen);

    auto *page = new QHBoxLayout(TabSheet2);
    page->setContentsMargins(8, 8, 8, 8);
    page->setSpacing(8);

    Eingabe1 = new QGroupBox(QStringLiteral("Eingabe"));
    Eingabe1->setObjectName(QStringLiteral("Eingabe1"));
    Eingabe1->setFixedWidth(chars(this, 42));
    auto *form = new QGridLayout(Eingabe1);
    form->setVerticalSpacing(5);
    DBEdit1 = new DBEdit;
    DBEdit1->setObjectName(QStringLiteral("DBEdit1"));
    DBEdit1->setDataSource(DSNotizen);
    DBEdit1->setDataField(QStringLiteral("Datum"));
    DBEdit1->setMaximumWidth(dateWidth(this));
    Vtypbox = new DBComboBox;
    Vtypbox->setObjectName(QStringLiteral("Vtypbox"));
    Vtypbox->setEditable(true);
    Vtypbox->setDataSource(DSNotizen);
    Vtypbox->setDataField(QStringLiteral("Typ"));
    SpeedButton6 = new QToolButton;
    SpeedButton6->setObjectName(QStringLiteral("SpeedButton6"));
    SpeedButton6->setText(QStringLiteral("..."));
    SpeedButton6->setToolTip(QStringLiteral("Notiztypen bearbeiten"));
    connect(SpeedButton6, &QToolButton::clicked, this, &TFAdr::SpeedButton6Click);
    DBMemo1 = new DBMemo;
    DBMemo1->setObjectName(QStringLiteral("DBMemo1"));
    DBMemo1->setDataSource(DSNotizen);
    DBMemo1->setDataField(QStringLiteral("Text"));
    form->addWidget(label(QStringLiteral("Datum"), DBEdit1), 0, 0);
    form->addWidget(DBEdit1, 0, 1, Qt::AlignLeft);
    form->addWidget(label(QStringLiteral("Typ"), Vtypbox), 1, 0);
    auto *typRow = new QHBoxLayout;
    typRow->setSpacing(4);
    typRow->addWidget(Vtypbox, 1);
    typRow->addWidget(SpeedButton6);
    form->addLayout(typRow, 1, 1);
    form->addWidget(label(QStringLiteral("Stichworte"), DBMemo1), 2, 0, Qt::AlignTop);
    form->addWidget(DBMemo1, 2, 1);
    form->setRowStretch(2, 1);
    page->addWidget(Eingabe1);

    auto *list = new QVBoxLayout;
    list->setSpacing(4);
    DBNavigator2 = new DBNavigator(
        TabSheet2, DBNavigator::First | DBNavigator::Prior | DBNavigator::Next | DBNavigator::Last |
                       DBNavigator::Insert | DBNavigator::Delete | DBNavigator::Post | DBNavigator::Cancel);
    DBNavigator2->setObjectName(QStringLiteral("DBNavigator2"));
    DBNavigator2->setDataSource(DSNotizen);
    // Changing notes follows the editing switch like the input group does,
    // and a note goes only after a question.
    DBNavigator2->BeforeAction = [this](DBNavigator::Button which) {
        if (which == DBNavigator::Insert || which == DBNavigator::Delete || which == DBNavigator::Post) {
            if (!m_editing) {
                Dialogs::instance().message(this, kTitle, QStringLiteral("Bearbeitung ist gesperrt!"),
                                            Dialogs::Information, Dialogs::Ok);
                return false;
            }
        }
        if (which != DBNavigator::Delete) return true;
        if (Dialogs::instance().message(
                this, kTitle,
                QStringLiteral("Wollen Sie die Notiz vom %1 wirklich löschen?")
                    .arg(Notizen->FieldByName(QStringLiteral("Datum"))->DisplayText()),
                Dialogs::Question, Dialogs::Yes | Dialogs::No, Dialogs::No) == Dialogs::Yes)
            Notizen->Delete(); // the navigator shows a failure in the error box
        return false;
    };
    auto *navRow = new QHBoxLayout;
    navRow->addWidget(DBNavigator2);
    navRow->addStretch(1);
    list->addLayout(navRow);
    DBGrid3 = new DBGrid;
    DBGrid3->setObjectName(QStringLiteral("DBGrid3"));
    DBGrid3->setReadOnly(true);
    DBGrid3->setRowSelect(true);
    DBGrid3->setDataSource(DSNotizen);
    DBGrid3->setColumns({dateColumn(DBGrid3, QStringLiteral("Datum"), QString()),
                         column(QStringLiteral("Typ"), QString(), chars(this, 16)),
                         column(QStringLiteral("Text"), QString(), chars(this, 60))});
    DBGrid3->horizontalHeader()->setStretchLastSection(true);
    list->addWidget(DBGrid3, 1);
    page->addLayout(list, 1);

    PControl->addTab(TabSheet2, QStringLiteral("Kontakt-Notizen"));
}

void TFAdr::buildRemarksPage()
{
    TabSheet3 = new QWidget;
    TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
    auto *page = new QVBoxLayout(TabSheet3);
    page->setContentsMargins(8, 8, 8, 8);
    Eingabe3 = bound(new DBMemo, "Eingabe3", QStringLiteral("BEMERKUNG"));
    Eingabe3->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    page->addWidget(Eingabe3);
    PControl->addTab(TabSheet3, QStringLiteral("Bemerkungen"));
}

void TFAdr::buildListPage()
{
    TabSheet4 = new QWidget;
    TabSheet4->setObjectName(QStringLiteral("TabSheet4"));
    auto *page = new QVBoxLayout(TabSheet4);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);
    StatusBar1 = new QLabel(QStringLiteral("Doppelklick wechselt auf Detail-Ansicht!"));
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setContentsMargins(6, 3, 6, 3);
    page->addWidget(StatusBar1);
    DBGrid1 = new DBGrid;
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setReadOnly(true);
    DBGrid1->setRowSelect(true);
    DBGrid1->setDataSource(&dataa->DSAdress);
    DBGrid1->setColumns(
        {column(QStringLiteral("KDNR"), QStringLiteral("Kd-Nr"), chars(this, 6)),
         column(QStringLiteral("NAME1"), QString(), chars(this, 31)),
         column(QStringLiteral("VORNAME"), QString(), chars(this, 13)),
         column(QStringLiteral("STRASSE"), QStringLiteral("Straße"), chars(this, 24)),
         column(QStringLiteral("PLZ"), QString(), chars(this, 6)),
         column(QStringLiteral("ORT"), QString(), chars(this, 16)),
         column(QStringLiteral("VORWAHL"), QString(), chars(this, 8)),
         column(QStringLiteral("TELEFON1"), QString(), chars(this, 11)),
         column(QStringLiteral("TELEFAX"), QString(), chars(this, 11)),
         dateColumn(DBGrid1, QStringLiteral("KONTAKT"), QString()),
         dateColumn(DBGrid1, QStringLiteral("ANGELEGT"), QStringLiteral("angelegt")),
         dateColumn(DBGrid1, QStringLiteral("GEAENDERT"), QStringLiteral("letzte Änderung"))});
    DBGrid1->horizontalHeader()->setStretchLastSection(true);
    connect(DBGrid1, &DBGrid::recordDoubleClicked, this, &TFAdr::DBGrid1DblClick);
    page->addWidget(DBGrid1, 1);
    PControl->addTab(TabSheet4, QStringLiteral("Liste"));
}
