// SPDX-License-Identifier: GPL-3.0-or-later
#include "tfvliste.h"

#include "base/apperror.h"
#include "base/germanformat.h"
#include "base/money.h"
#include "data/dates.h"
#include "data/programfolder.h"
#include "data/tdata.h"
#include "data/tdataa.h"
#include "data/tdatasource.h"
#include "data/tfield.h"
#include "data/tvexdaodatabase.h"
#include "data/tvexdaotable.h"
#include "documents/conversionmenu.h"
#include "documents/core/tfumw.h"
#include "documents/tkalenderform.h"
#include "einvoice/incomingstore.h"
#include "einvoice/supplieraccounts.h"
#include "lists/core/documentlistexport.h"
#include "lists/core/documentlistsql.h"
#include "lists/core/dunningrun.h"
#include "lists/core/invoicejournal.h"
#include "lists/core/periodicinvoicing.h"
#include "lists/incominginvoices.h"
#include "lists/tfmahnlauf.h"
#include "lists/tfvbezahlen.h"
#include "platform/appicons.h"
#include "printing/tberechnung.h"
#include "widgets/dbcheckbox.h"
#include "widgets/dbgrid.h"
#include "widgets/dbnavigator.h"
#include "widgets/dialogs.h"
#include "widgets/shell.h"
#include "widgets/windowparts.h"

#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScopeGuard>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <map>

using namespace WindowParts;

namespace {

const QString kCaption = QStringLiteral("Vorgangs-Übersicht");
const QString kDefaultOrder = QStringLiteral("order by datum desc,vorgangnr desc,kunde");

QIcon icon(const char *themeName, const char *bundledName)
{
    return QIcon::fromTheme(QString::fromLatin1(themeName),
                            AppIcons::bundled(QString::fromLatin1(bundledName)));
}

} // namespace

TFVListe::TFVListe(QWidget *parent) : QWidget(parent)
{
    if (!dataa) throw AppError(QStringLiteral("Die Adressdaten sind nicht geöffnet"));
    setObjectName(QStringLiteral("FVListe"));
    setWindowTitle(kCaption);
    setAttribute(Qt::WA_DeleteOnClose);

    vorganglist = new TVexDaoTable(this, QStringLiteral("vorganglist"));
    vorganglist->setDatabase(&dataa->Datenbank);
    SetUpDocumentListFields(*vorganglist);
    {
        // What the next reminder of an overdue invoice is and claims; empty
        // on every other row.
        TField *step = vorganglist->addCalcField(QStringLiteral("Mahnstufe"), FieldType::Text, 30);
        TField *fee = vorganglist->addCalcField(QStringLiteral("Mahngebuehr"), FieldType::Number);
        TField *interest = vorganglist->addCalcField(QStringLiteral("Verzugszinsen"), FieldType::Number);
        TField *claim = vorganglist->addCalcField(QStringLiteral("Forderung"), FieldType::Number);
        // A received invoice that asks for payment to a new account says so
        // on its row until the account is confirmed.
        TField *account = vorganglist->addCalcField(QStringLiteral("Konto"), FieldType::Text, 30);
        for (TField *f : {fee, interest, claim})
            f->DisplayFormat = QStringLiteral("#,#0.00");
        const TField *id = vorganglist->FieldByName(QStringLiteral("id"));
        vorganglist->OnCalcFields = [this, own = vorganglist->OnCalcFields, id, step, fee, interest, claim,
                                     account](TVexDaoTable &t) {
            if (own) own(t);
            if (m_newAccounts.contains(id->AsInteger())) account->SetAsString(QStringLiteral("NEUES KONTO"));
            const auto due = m_dues.constFind(id->AsInteger());
            if (due == m_dues.cend()) return;
            step->SetAsString(due->nextStep());
            if (!due->nextLevel()) return;
            const Dunning::Charges &c = due->charges;
            fee->SetAsFloat(double(Money::toAmount(c.fee + c.flatSum)));
            interest->SetAsFloat(double(Money::toAmount(c.interest.amount)));
            claim->SetAsFloat(double(Money::toAmount(due->total())));
        };
    }
    DSvorganglist = new TDataSource(this, vorganglist);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    buildMenus();
    buildToolBar();
    auto *strip = new QHBoxLayout;
    strip->setContentsMargins(2, 2, 4, 2);
    strip->setSpacing(6);
    strip->addWidget(ToolBar1);
    strip->addWidget(Panel1);
    strip->addWidget(Zeitanzeige);
    strip->addWidget(DBNavigator1);
    strip->addStretch(1);
    outer->addLayout(strip);

    auto *body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setFixedWidth(266);
    Memo1->viewport()->setCursor(Qt::PointingHandCursor);
    Memo1->viewport()->installEventFilter(this);
    Memo1->hide();
    body->addWidget(Memo1);
    buildGrid();
    body->addWidget(liste, 1);
    outer->addLayout(body, 1);

    auto *bottom = new QHBoxLayout;
    bottom->setContentsMargins(6, 3, 6, 3);
    bottom->setSpacing(16);
    DBCheckBox3 = new DBCheckBox(QStringLiteral("bezahlt"), this);
    DBCheckBox3->setObjectName(QStringLiteral("DBCheckBox3"));
    DBCheckBox3->setDataSource(DSvorganglist);
    DBCheckBox3->setDataField(QStringLiteral("bezahlt"));
    DBCheckBox3->setReadOnly(true);
    DBCheckBox3->setFocusPolicy(Qt::NoFocus);
    sorter = new QLabel(QStringLiteral("Sortierung: Datum, Vorgang, Kunde"), this);
    sorter->setObjectName(QStringLiteral("sorter"));
    sorter->setTextFormat(Qt::PlainText);
    Progress = new QProgressBar(this);
    Progress->setObjectName(QStringLiteral("Progress"));
    Progress->setMaximumWidth(300);
    Progress->hide();
    bottom->addWidget(DBCheckBox3);
    bottom->addWidget(sorter);
    bottom->addStretch(1);
    bottom->addWidget(Progress);
    outer->addLayout(bottom);

    resize(1000, 640);
    FormCreate();
}

TFVListe::~TFVListe()
{
    // The list goes while its controls are whole: closing it tells them.
    delete vorganglist;
    deleteChildren(this);
    forgetWindow(WindowKind::Vorgangsliste, this);
}

// ---------------------------------------------------------------------------
// building the window

void TFVListe::buildMenus()
{
    NeuMenu = new QMenu(this);
    NeuMenu->setObjectName(QStringLiteral("NeuMenu"));
    Neuervorgang1 = menuItem(NeuMenu, "Neuervorgang1", QStringLiteral("&Neuer Vorgang"));
    connect(Neuervorgang1, &QAction::triggered, this, &TFVListe::btvneuClick);
    NeuMenu->addSeparator();
    Monatsrechnungen1 = menuItem(NeuMenu, "Monatsrechnungen1", QStringLiteral("&Monatsrechnungen erzeugen"));
    Quartalsrechnungen1 =
        menuItem(NeuMenu, "Quartalsrechnungen1", QStringLiteral("&Quartalsrechnungen erzeugen"));
    Halbjahresrechnungen1 =
        menuItem(NeuMenu, "Halbjahresrechnungen1", QStringLiteral("&Halbjahr-Rechnungen erzeugen"));
    Jahresrechnungen1 = menuItem(NeuMenu, "Jahresrechnungen1", QStringLiteral("&Jahresrechnungen erzeugen"));
    NeuMenu->addSeparator();
    ERechnungEinlesen1 = menuItem(NeuMenu, "ERechnungEinlesen1", QStringLiteral("&E-Rechnung einlesen..."));
    connect(ERechnungEinlesen1, &QAction::triggered, this, &TFVListe::ERechnungEinlesen1Click);
    const std::pair<QAction *, const char *> runs[] = {{Monatsrechnungen1, "M"},
                                                       {Quartalsrechnungen1, "Q"},
                                                       {Halbjahresrechnungen1, "H"},
                                                       {Jahresrechnungen1, "J"}};
    for (const auto &[action, letter] : runs) {
        const QString l = QString::fromLatin1(letter);
        connect(action, &QAction::triggered, this, [this, l] { CreatePeriodicInvoices(l); });
    }
    NeuMenu->addSeparator();
    Mahnlauf1 = menuItem(NeuMenu, "Mahnlauf1", QStringLiteral("&Mahnlauf …"));
    connect(Mahnlauf1, &QAction::triggered, this, &TFVListe::Mahnlauf1Click);

    Printmenu = new QMenu(this);
    Printmenu->setObjectName(QStringLiteral("Printmenu"));
    Vorschau1 = menuItem(Printmenu, "Vorschau1", QStringLiteral("&Vorschau"));
    connect(Vorschau1, &QAction::triggered, this, &TFVListe::btdruckClick);
    Ausdruck1 = menuItem(Printmenu, "Ausdruck1", QStringLiteral("&Ausdruck"));
    connect(Ausdruck1, &QAction::triggered, this, &TFVListe::Ausdruck1Click);
    Printmenu->addSeparator();
    Mehrfachdruck1 = menuItem(Printmenu, "Mehrfachdruck1", QStringLiteral("Mehrfachdruck"));
    connect(Mehrfachdruck1, &QAction::triggered, this, &TFVListe::Mehrfachdruck1Click);
    Printmenu->addSeparator();
    OriginalSpeichern1 =
        menuItem(Printmenu, "OriginalSpeichern1", QStringLiteral("&Original der E-Rechnung speichern..."));
    connect(OriginalSpeichern1, &QAction::triggered, this, &TFVListe::OriginalSpeichern1Click);
    connect(Printmenu, &QMenu::aboutToShow, this, &TFVListe::PrintmenuPopup);

    UmwandelnMenu = new QMenu(this);
    UmwandelnMenu->setObjectName(QStringLiteral("UmwandelnMenu"));
    connect(UmwandelnMenu, &QMenu::aboutToShow, this, [this] {
        ConversionMenu::fill(*UmwandelnMenu, hasCurrentRow()
                                                 ? vorganglist->FieldByName(QStringLiteral("Typ"))->AsString()
                                                 : QString());
    });
    connect(UmwandelnMenu, &QMenu::triggered, this,
            [this](QAction *a) { UmwandelnClick(a->data().toString()); });

    Berichtmenu = new QMenu(this);
    Berichtmenu->setObjectName(QStringLiteral("Berichtmenu"));
    AlleRechnungen1 = menuItem(Berichtmenu, "AlleRechnungen1", QStringLiteral("&Alle Rechnungen"));
    bezahlteRechnungen1 =
        menuItem(Berichtmenu, "bezahlteRechnungen1", QStringLiteral("&bezahlte Rechnungen"));
    offeneRechnungen1 = menuItem(Berichtmenu, "offeneRechnungen1", QStringLiteral("&offene Rechnungen"));
    Berichtmenu->addSeparator();
    AllRec = menuItem(Berichtmenu, "AllRec", QStringLiteral("Alle Rechnungen"));
    bezRec = menuItem(Berichtmenu, "bezRec", QStringLiteral("bezahlteRechnungen"));
    offrec = menuItem(Berichtmenu, "offrec", QStringLiteral("&Offene Rechnungen des markierten Kunden"));
    Berichtmenu->addSeparator();
    Eingangsrechnungen1 = menuItem(Berichtmenu, "Eingangsrechnungen1", QStringLiteral("&Eingangsrechnungen"));
    offeneEingangsrechnungen1 =
        menuItem(Berichtmenu, "offeneEingangsrechnungen1", QStringLiteral("o&ffene Eingangsrechnungen"));
    const std::pair<QAction *, InvoiceReportKind> reports[] = {
        {AlleRechnungen1, InvoiceReportKind::Alle},
        {bezahlteRechnungen1, InvoiceReportKind::Bezahlt},
        {offeneRechnungen1, InvoiceReportKind::Offen},
        {offrec, InvoiceReportKind::OffenKunde},
        {bezRec, InvoiceReportKind::BezahltKunde},
        {AllRec, InvoiceReportKind::AlleKunde},
        {Eingangsrechnungen1, InvoiceReportKind::Eingang},
        {offeneEingangsrechnungen1, InvoiceReportKind::EingangOffen}};
    for (const auto &[action, kind] : reports) {
        const int k = int(kind);
        connect(action, &QAction::triggered, this, [this, k] { invoiceReport(k); });
    }
    connect(Berichtmenu, &QMenu::aboutToShow, this, &TFVListe::BerichtmenuPopup);

    TimefilterMenu = new QMenu(this);
    TimefilterMenu->setObjectName(QStringLiteral("TimefilterMenu"));
    QuartalI1 = menuItem(TimefilterMenu, "QuartalI1", QStringLiteral("Quartal I"));
    QuartalII1 = menuItem(TimefilterMenu, "QuartalII1", QStringLiteral("Quartal II"));
    QuartalIII1 = menuItem(TimefilterMenu, "QuartalIII1", QStringLiteral("Quartal III"));
    QuartalIV1 = menuItem(TimefilterMenu, "QuartalIV1", QStringLiteral("Quartal IV"));
    int quarter = 0;
    for (QAction *a : {QuartalI1, QuartalII1, QuartalIII1, QuartalIV1}) {
        const int q = ++quarter;
        connect(a, &QAction::triggered, this, [this, q] { SetQuarter(q); });
    }
    TimefilterMenu->addSeparator();
    KeinZeitraum1 = menuItem(TimefilterMenu, "KeinZeitraum1", QStringLiteral("Kein Zeitraum"));
    connect(KeinZeitraum1, &QAction::triggered, this, &TFVListe::KeinZeitraum1Click);
}

void TFVListe::buildToolBar()
{
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setIconSize(QSize(20, 20));
    ToolBar1->setMovable(false);

    btvneu =
        toolButton(ToolBar1, "btvneu", QStringLiteral("Neuen Vorgang"), AppIcons::newDocument(), NeuMenu);
    connect(btvneu, &QToolButton::clicked, this, &TFVListe::btvneuClick);
    btdetails = toolButton(ToolBar1, "btdetails", QStringLiteral("Vorgang anzeigen"),
                           icon("document-open", "document-show"));
    connect(btdetails, &QToolButton::clicked, this, &TFVListe::btdetailsClick);
    btdruck = toolButton(ToolBar1, "btdruck", QStringLiteral("Vorgang drucken"),
                         icon("document-print", "print"), Printmenu);
    connect(btdruck, &QToolButton::clicked, this, &TFVListe::btdruckClick);
    btUmwandeln =
        toolButton(ToolBar1, "btUmwandeln", QStringLiteral("Umwandeln in …"), QIcon(), UmwandelnMenu);
    btUmwandeln->setText(QStringLiteral("Umwandeln in …"));
    btUmwandeln->setToolButtonStyle(Qt::ToolButtonTextOnly);
    btUmwandeln->setPopupMode(QToolButton::InstantPopup);
    // Room for the whole caption beside the arrow of its menu.
    btUmwandeln->setMinimumWidth(btUmwandeln->sizeHint().width() +
                                 btUmwandeln->fontMetrics().averageCharWidth() * 3);
    ToolBar1->addSeparator();
    ToolButton2 = toolButton(ToolBar1, "ToolButton2", QStringLiteral("Berichte"),
                             icon("x-office-spreadsheet", "report"), Berichtmenu);
    connect(ToolButton2, &QToolButton::clicked, this, &TFVListe::ToolButton2Click);
    BTfilterButton = toolButton(ToolBar1, "BTfilter", QStringLiteral("Kunden-Filter setzen"),
                                AppIcons::bundled(QStringLiteral("customer-filter")));
    BTfilterButton->setCheckable(true);
    // Only the user's click: the main window presses it when it has set the
    // customer itself.
    connect(BTfilterButton, &QToolButton::clicked, this, &TFVListe::BTfilterClick);
    ExportMenu = new QMenu(this);
    ExportMenu->setObjectName(QStringLiteral("ExportMenu"));
    ExportListe1 = menuItem(ExportMenu, "ExportListe1", QStringLiteral("&Export dieser Liste …"));
    connect(ExportListe1, &QAction::triggered, this, &TFVListe::ToolButton4Click);
    Rechnungsausgangsbuch1 =
        menuItem(ExportMenu, "Rechnungsausgangsbuch1", QStringLiteral("&Rechnungsausgangsbuch (CSV) …"));
    connect(Rechnungsausgangsbuch1, &QAction::triggered, this, &TFVListe::Rechnungsausgangsbuch1Click);
    ToolButton4 = toolButton(ToolBar1, "ToolButton4", QStringLiteral("Export dieser Liste"),
                             icon("document-save-as", "export"), ExportMenu);
    connect(ToolButton4, &QToolButton::clicked, this, &TFVListe::ToolButton4Click);
    btedit = toolButton(ToolBar1, "btedit", QStringLiteral("Offene Posten-Liste"),
                        AppIcons::bundled(QStringLiteral("payment")));
    connect(btedit, &QToolButton::clicked, this, &TFVListe::bteditClick);
    ToolBar1->addSeparator();
    Timefilter = toolButton(ToolBar1, "Timefilter", QStringLiteral("Zeitfilter setzen"),
                            icon("x-office-calendar", "calendar"), TimefilterMenu);
    connect(Timefilter, &QToolButton::clicked, this, &TFVListe::TimefilterClick);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto *panelLayout = new QHBoxLayout(Panel1);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(4);
    panelLayout->addWidget(new QLabel(QStringLiteral("  Filter:"), Panel1));
    cstatus = new QComboBox(Panel1);
    cstatus->setObjectName(QStringLiteral("cstatus"));
    cstatus->setToolTip(QStringLiteral("Filter setzen"));
    cstatus->setMaxVisibleItems(12);
    // A separator is a line between the groups, never an entry to choose.
    for (const DocumentListFilter::StatusEntry &e : DocumentListFilter::StatusEntries()) {
        if (e.separator)
            cstatus->insertSeparator(cstatus->count());
        else
            cstatus->addItem(e.text);
    }
    cstatus->setCurrentIndex(0);
    cstatus->setMinimumContentsLength(20);
    cstatus->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(cstatus, &QComboBox::activated, this, &TFVListe::cstatusChange);
    panelLayout->addWidget(cstatus);

    Zeitanzeige = new QLabel(QStringLiteral("Kein Zeitraum"), this);
    Zeitanzeige->setObjectName(QStringLiteral("Zeitanzeige"));
    Zeitanzeige->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Zeitanzeige->setAlignment(Qt::AlignCenter);
    Zeitanzeige->setToolTip(QStringLiteral("Zeitfilter setzen"));
    Zeitanzeige->setCursor(Qt::PointingHandCursor);
    Zeitanzeige->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00.00.0000 - 00.00.0000")) +
                                 24);
    Zeitanzeige->installEventFilter(this);

    DBNavigator1 = new DBNavigator(this, DBNavigator::First | DBNavigator::Prior | DBNavigator::Next |
                                             DBNavigator::Last | DBNavigator::Post | DBNavigator::Refresh);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    DBNavigator1->setDataSource(DSvorganglist);
}

void TFVListe::buildGrid()
{
    liste = new DBGrid(this);
    liste->setObjectName(QStringLiteral("liste"));
    liste->setReadOnly(true);
    liste->setRowSelect(true);
    liste->setDataSource(DSvorganglist);

    // The widths of the original at its small font, widened where our font
    // needs more for a date or an amount.
    const QFontMetrics fm = liste->fontMetrics();
    const QFontMetrics title = liste->horizontalHeader()->fontMetrics();
    const auto width = [&](int original, const QString &sample, const QString &caption) {
        return std::max({original, fm.horizontalAdvance(sample) + 14, title.horizontalAdvance(caption) + 18});
    };
    const QString date = QStringLiteral("30.09.2005");
    const QString money = QStringLiteral("999.999,99");
    QList<DBGridColumn> columns = {
        DBGridColumn(QStringLiteral("Datum"), QStringLiteral("Datum"),
                     width(65, date, QStringLiteral("Datum"))),
        DBGridColumn(QStringLiteral("Typ"), QStringLiteral("Typ"),
                     width(40, QStringLiteral("W"), QStringLiteral("Typ"))),
        DBGridColumn(QStringLiteral("vorgangnr"), QStringLiteral("Vorgang"),
                     width(55, QStringLiteral("9999999"), QStringLiteral("Vorgang"))),
        DBGridColumn(QStringLiteral("Kunde"), QStringLiteral("Kunde"), 163),
        DBGridColumn(QStringLiteral("Zieldatum"), QStringLiteral("Zieldatum"),
                     width(65, date, QStringLiteral("Zieldatum"))),
        DBGridColumn(QStringLiteral("Bezahltdatum"), QStringLiteral("Bezahltdatum"),
                     width(65, date, QStringLiteral("Bezahltdatum"))),
        DBGridColumn(QStringLiteral("EK"), QStringLiteral("EK"), width(74, money, QStringLiteral("EK"))),
        DBGridColumn(QStringLiteral("VK"), QStringLiteral("VK netto"),
                     width(75, money, QStringLiteral("VK netto"))),
        DBGridColumn(QStringLiteral("vkbr"), QStringLiteral("VK Brutto"),
                     width(80, money, QStringLiteral("VK Brutto"))),
        DBGridColumn(QStringLiteral("Waehrung"), QStringLiteral("W"),
                     width(30, QStringLiteral("DM"), QStringLiteral("W"))),
        DBGridColumn(QStringLiteral("VertragT"), QStringLiteral("V"),
                     width(20, QStringLiteral("M"), QStringLiteral("V"))),
    };
    // The gross amount, the figure the customer pays, stands out in red.
    columns[8].fontColor = Qt::red;
    columns[8].titleColor = Qt::red;
    m_columns = columns;
    liste->setColumns(columns);
    connect(liste, &DBGrid::titleClicked, this,
            [this](int column, const QString &) { listeTitleClick(column); });
    connect(liste, &DBGrid::recordDoubleClicked, this, &TFVListe::btdetailsClick);
    // The customer's name takes the room there is, so that a wide window
    // shows no empty strip beside the list.
    liste->setFillColumn(3, 163);
}

std::function<void(int, int)> TFVListe::showProgress()
{
    return [this](int done, int total) {
        Progress->setMaximum(std::max(total, 1));
        Progress->setValue(done);
        Progress->repaint();
    };
}

void TFVListe::showComputedColumns()
{
    m_dues.clear();
    // Received invoices that name an account their supplier is not known to
    // use: a red column beside the amounts, wherever such rows are listed.
    QList<DBGridColumn> columns = m_columns;
    m_newAccounts.clear();
    guarded([this] { m_newAccounts = SupplierAccounts::unconfirmedDocuments(dataa->Datenbank); });
    if (!m_newAccounts.isEmpty() &&
        (Filter.StatusFilter.isEmpty() || Filter.StatusFilter.contains(QLatin1String("'E'")))) {
        DBGridColumn account(QStringLiteral("Konto"), QStringLiteral("Konto"),
                             liste->fontMetrics().horizontalAdvance(QStringLiteral("NEUES KONTO")) + 14);
        account.fontColor = Qt::red;
        account.titleColor = Qt::red;
        columns << account;
    }
    if (!Filter.Overdue) {
        if (liste->columns().size() != columns.size()) liste->setColumns(columns);
        return;
    }
    // The run's own figures for today. Settings the run would refuse, or
    // days without a base rate, leave the columns empty: the run says why.
    try {
        const DunningList list = OverdueInvoices(*vorganglist->Database(),
                                                 Dunning::Settings::read(ProgramFolder::iniPath()), Today());
        for (const DunningCandidate &c : list.items)
            m_dues.insert(c.invoiceId, c);
    } catch (const AppError &) {
    }
    const QFontMetrics fm = liste->fontMetrics();
    const int money = fm.horizontalAdvance(QStringLiteral("99.999,99")) + 14;
    columns << DBGridColumn(QStringLiteral("Mahnstufe"), QStringLiteral("Nächste Stufe"),
                            fm.horizontalAdvance(Dunning::FinalStepText()) + 14)
            << DBGridColumn(QStringLiteral("Mahngebuehr"), QStringLiteral("Gebühr"), money)
            << DBGridColumn(QStringLiteral("Verzugszinsen"), QStringLiteral("Zinsen"), money)
            << DBGridColumn(QStringLiteral("Forderung"), QStringLiteral("Forderung"),
                            fm.horizontalAdvance(QStringLiteral("999.999,99")) + 14);
    liste->setColumns(columns);
}

// ---------------------------------------------------------------------------
// creation

void TFVListe::FormCreate()
{
    Filter = DocumentListFilter();
    showComputedColumns();
    openList(kDefaultOrder);
    updateCommands();
}

bool TFVListe::openList(const QString &orderLine)
{
    QStringList sql;
    try {
        sql = DocumentListSql(orderLine);
    } catch (const AppError &e) {
        ShowErrorBox(e.message(), this);
        return false;
    }
    try {
        vorganglist->Close();
        vorganglist->SQL() = sql;
        vorganglist->Open();
    } catch (const AppError &e) {
        vorganglist->Close();
        ShowErrorBox(e.message(), this);
        return false;
    }
    return true;
}

void TFVListe::showEvent(QShowEvent *event)
{
    updateCommands();
    QWidget::showEvent(event);
}

void TFVListe::updateCommands()
{
    // Opening a document needs the editor, which announces itself to the
    // main window; without it the list offers no way there.
    const bool editor = shell() && shell()->isRegistered(WindowKind::Vorgang);
    btdetails->setEnabled(editor);
    Neuervorgang1->setEnabled(editor);
}

bool TFVListe::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Zeitanzeige && event->type() == QEvent::MouseButtonRelease) {
        TimefilterClick();
        return true;
    }
    if (watched == Memo1->viewport() && event->type() == QEvent::MouseButtonPress) {
        Memo1Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TFVListe::guarded(const std::function<void()> &work)
{
    ShowErrorsOf(this, work);
}

bool TFVListe::hasCurrentRow() const
{
    return vorganglist->Active() && !vorganglist->IsEmpty();
}

qint64 TFVListe::currentId() const
{
    if (!hasCurrentRow()) return 0;
    return vorganglist->FieldByName(QStringLiteral("id"))->AsInteger();
}

// ---------------------------------------------------------------------------
// filters

void TFVListe::setCustomerFilter(const QString &condition)
{
    Filter.CustomerFilter = condition;
}

QAbstractButton *TFVListe::BTfilter() const
{
    return BTfilterButton;
}

void TFVListe::ApplyFilter()
{
    // Before the rows are read again: their figures are computed as they are read.
    showComputedColumns();
    guarded([this] {
        vorganglist->setFilter(Filter.filterText());
        vorganglist->setFiltered(true);
    });
    Zeitanzeige->setText(Filter.periodText());
}

void TFVListe::cstatusChange()
{
    const int index = cstatus->currentIndex();
    Filter.chooseStatus(index);
    ApplyFilter();
    setWindowTitle(kCaption + QStringLiteral(": ") + cstatus->itemText(index));
}

void TFVListe::BTfilterClick()
{
    if (BTfilterButton->isChecked()) {
        const QString kdnr = hasCurrentRow() ? vorganglist->FieldByName(QStringLiteral("kdnr"))->AsString()
                                             : QStringLiteral("0");
        Filter.CustomerFilter = DocumentListFilter::customerCondition(kdnr);
    } else {
        Filter.CustomerFilter.clear();
    }
    ApplyFilter();
}

void TFVListe::TimefilterClick()
{
    TKalenderform start(this);
    start.setWindowTitle(QStringLiteral("Start-Datum"));
    if (Filter.PeriodStart != DocumentListFilter::NoPeriodStart()) start.setStartDate(Filter.PeriodStart);
    if (Dialogs::instance().exec(start) == QDialog::Accepted && !start.SelectedDateText.isEmpty()) {
        qint64 stamp = 0;
        if (German::parseDateText(start.SelectedDateText, &stamp))
            Filter.PeriodStart = Value::dateOfStamp(stamp);
        TKalenderform end(this);
        end.setWindowTitle(QStringLiteral("End-Datum"));
        if (Filter.PeriodEnd != DocumentListFilter::NoPeriodEnd()) end.setStartDate(Filter.PeriodEnd);
        if (Dialogs::instance().exec(end) == QDialog::Accepted && !end.SelectedDateText.isEmpty() &&
            German::parseDateText(end.SelectedDateText, &stamp))
            Filter.PeriodEnd = Value::dateOfStamp(stamp);
    }
    ApplyFilter();
}

void TFVListe::SetQuarter(int quarter)
{
    guarded([&] { Filter.setQuarter(quarter, Today()); });
    ApplyFilter();
}

void TFVListe::KeinZeitraum1Click()
{
    Filter.clearPeriod();
    ApplyFilter();
}

void TFVListe::listeTitleClick(int column)
{
    const QString fieldName = liste->fieldNameAt(column);
    QString expression = DocumentListOrderExpression(fieldName);
    if (expression.isEmpty()) return;
    if (expression == SortOrder) expression += QStringLiteral(" desc");
    SortOrder = expression;
    // The filter text and its state stay with the dataset across the re-read.
    if (openList(QStringLiteral("order by ") + expression))
        sorter->setText(QStringLiteral("Sortierung: ") + fieldName);
}

// ---------------------------------------------------------------------------
// the current document

void TFVListe::btdetailsClick()
{
    updateCommands();
    if (!hasCurrentRow()) return;
    // A received invoice shows as its own page; its document is not edited.
    if (IncomingStore::isIncomingDocument(dataa->Datenbank, currentId())) {
        btdruckClick();
        return;
    }
    if (!btdetails->isEnabled()) return;
    guarded([this] {
        TVexDaoTable &vorgang = Data->vorgang;
        vorgang.setFilter(QStringLiteral("id = %1").arg(currentId()));
        vorgang.setFiltered(true);
        shell()->ShowVorgangEditor();
    });
}

void TFVListe::btvneuClick()
{
    updateCommands();
    if (!Neuervorgang1->isEnabled()) return;
    guarded([] { shell()->vorgangneuClick(); });
}

void TFVListe::btdruckClick()
{
    if (!hasCurrentRow()) return;
    guarded([this] {
        if (!shell()) throw AppError(QStringLiteral("Das Drucken von Vorgängen ist noch nicht verfügbar"));
        shell()->PrintVorgang(QString::number(currentId()), true, false);
    });
}

void TFVListe::Ausdruck1Click()
{
    if (!hasCurrentRow()) return;
    guarded([this] {
        if (!shell()) throw AppError(QStringLiteral("Das Drucken von Vorgängen ist noch nicht verfügbar"));
        shell()->PrintVorgang(QString::number(currentId()), false, true);
    });
}

void TFVListe::bteditClick()
{
    const qint64 id = currentId();
    {
        TFVbezahlen dialog(this, id);
        Dialogs::instance().exec(dialog);
    }
    // What was recorded shows in the list, on the same document (an account
    // confirmed there no longer stands out).
    showComputedColumns();
    reopenOn(id);
}

void TFVListe::reopenOn(qint64 id)
{
    guarded([this, id] {
        if (!vorganglist->Active() && vorganglist->SQL().isEmpty()) return;
        vorganglist->Close();
        vorganglist->Open();
        vorganglist->Locate(QStringLiteral("id"), Value(id), 0);
    });
}

void TFVListe::ERechnungEinlesen1Click()
{
    // The new invoice shows in the list, as the current row when the filter lets it in.
    if (const qint64 id = IncomingInvoices::ImportFromFile(this)) reopenOn(id);
}

void TFVListe::PrintmenuPopup()
{
    // Only a received invoice has an original to save.
    bool incoming = false;
    if (hasCurrentRow() && dataa) {
        try {
            incoming = IncomingStore::isIncomingDocument(dataa->Datenbank, currentId());
        } catch (const AppError &) {
        }
    }
    OriginalSpeichern1->setVisible(incoming);
    OriginalSpeichern1->setEnabled(incoming);
}

void TFVListe::UmwandelnClick(const QString &typ)
{
    if (!hasCurrentRow() || !shell()) return;
    const qint64 id = ConversionMenu::run(this, currentId(), typ);
    if (id == 0) return;
    reopenOn(currentId());
    guarded([id] {
        TVexDaoTable &vorgang = Data->vorgang;
        vorgang.setFilter(QStringLiteral("id = %1").arg(id));
        vorgang.setFiltered(true);
        shell()->ShowVorgangEditor();
    });
}

void TFVListe::OriginalSpeichern1Click()
{
    PrintmenuPopup();
    if (!hasCurrentRow() || !OriginalSpeichern1->isEnabled()) return;
    guarded([this] { IncomingInvoices::SaveOriginal(this, currentId()); });
}

void TFVListe::Memo1Click()
{
    Memo1->hide();
}
