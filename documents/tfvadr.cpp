// SPDX-License-Identifier: GPL-3.0-or-later
#include "tfvadr.h"

#include "base/apperror.h"
#include "data/tdata.h"
#include "data/tdataa.h"
#include "data/tvexdaotable.h"
#include "platform/appicons.h"
#include "widgets/dbcombobox.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"
#include "widgets/dblookupcombobox.h"
#include "widgets/dbmemo.h"
#include "widgets/dbnavigator.h"
#include "widgets/dialogs.h"
#include "widgets/pendingedits.h"
#include "widgets/shell.h"
#include "widgets/windowparts.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using namespace WindowParts;

namespace {

const QString kSelect = QStringLiteral("select id,Kdnr,name1,Strasse,Vorname,Namen,PLZ,Ort,typ from adress");
// The type list writes the same select with the column spelled as the table has it.
const QString kSelectAfterTypeChange =
    QStringLiteral("select id,Kdnr,Name1,Strasse,Vorname,Namen,PLZ,Ort,typ from adress");
const QString kSuppliers = QStringLiteral("lieferant = true");
const QString kCustomers = QStringLiteral("kunde = true");
const QChar kCR(13);

} // namespace

QPointer<TFVadr> &FVadrRef()
{
    static QPointer<TFVadr> ref;
    return ref;
}

TFVadr::TFVadr(QWidget *parent) : QDialog(parent)
{
    if (!dataa || !Data) throw AppError(QStringLiteral("Das Dokumentmodul ist nicht geladen"));
    setObjectName(QStringLiteral("FVadr"));
    setWindowTitle(QStringLiteral("Kundendaten zum Vorgang"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setSizeGripEnabled(true);

    // Application-owned, the chooser may outlive a use; it must not outlive
    // the data modules its list and controls are bound to.
    for (QObject *module : {static_cast<QObject *>(dataa), static_cast<QObject *>(Data)})
        connect(module, &QObject::destroyed, this, [this] { delete this; });

    adr = new TVexDaoTable(this, QStringLiteral("adr"));
    adr->setDatabase(&dataa->Datenbank);
    adrQ = new TDataSource(this, adr);
    adrQ->setObjectName(QStringLiteral("adrQ"));

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 6);
    outer->setSpacing(4);

    // ---- tool bar
    auto *bar = new QWidget(this);
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(4);
    ToolBar1 = new QToolBar(bar);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setIconSize(QSize(20, 20));
    ToolButton1 =
        toolButton(ToolBar1, "ToolButton1", QStringLiteral("Kontakte bearbeiten"), AppIcons::addresses());
    connect(ToolButton1, &QToolButton::clicked, this, &TFVadr::ToolButton1Click);
    row->addWidget(ToolBar1);
    DBNavigator1 =
        new DBNavigator(bar, DBNavigator::First | DBNavigator::Prior | DBNavigator::Next | DBNavigator::Last);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    DBNavigator1->setDataSource(adrQ);
    row->addWidget(DBNavigator1);
    auto *takeBar = new QToolBar(bar);
    takeBar->setIconSize(QSize(20, 20));
    uebernahme = toolButton(takeBar, "uebernahme", QStringLiteral("Anschrift übernehmen"),
                            AppIcons::bundled(QStringLiteral("address-take")));
    uebernahme->setText(QStringLiteral("Übernehmen"));
    uebernahme->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    connect(uebernahme, &QToolButton::clicked, this, &TFVadr::uebernahmeClick);
    row->addWidget(takeBar);
    row->addSpacing(12);
    findfast = new QLineEdit(bar);
    findfast->setObjectName(QStringLiteral("findfast"));
    findfast->setFixedWidth(chars(this, 24));
    findfast->setClearButtonEnabled(true);
    findfast->installEventFilter(this);
    Label1 = new QLabel(QStringLiteral("&Suche:"), bar);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setBuddy(findfast);
    row->addWidget(Label1);
    row->addWidget(findfast);
    connect(findfast, &QLineEdit::textChanged, this, &TFVadr::findfastChange);
    row->addStretch(1);
    outer->addWidget(bar);

    auto *body = new QHBoxLayout;
    body->setContentsMargins(6, 0, 6, 0);
    body->setSpacing(8);

    // ---- left panel
    auto *left = new QVBoxLayout;
    left->setSpacing(6);
    typpanel = new QGroupBox(QStringLiteral("Art des Vorgangs"), this);
    typpanel->setObjectName(QStringLiteral("typpanel"));
    auto *types = new QGridLayout(typpanel);
    types->setColumnStretch(1, 1);
    vorgangbox = new DBLookupComboBox(typpanel);
    vorgangbox->setObjectName(QStringLiteral("vorgangbox"));
    vorgangbox->setMaxVisibleItems(8);
    vorgangbox->setDataSource(&Data->VorgangQ);
    vorgangbox->setDataField(QStringLiteral("Typname"));
    connect(vorgangbox, &QComboBox::activated, this, &TFVadr::vorgangboxClick);
    auto *typeLabel = new QLabel(QStringLiteral("Art des Vorgangs:"), typpanel);
    typeLabel->setBuddy(vorgangbox);
    types->addWidget(typeLabel, 0, 0);
    types->addWidget(vorgangbox, 0, 1, 1, 2);
    DBEdit1 = new DBEdit(typpanel);
    DBEdit1->setObjectName(QStringLiteral("DBEdit1"));
    DBEdit1->setDataSource(&Data->VorgangQ);
    DBEdit1->setDataField(QStringLiteral("VertragT"));
    DBEdit1->setFixedWidth(chars(this, 3));
    DBComboBox1 = new DBComboBox(typpanel);
    DBComboBox1->setObjectName(QStringLiteral("DBComboBox1"));
    DBComboBox1->setItems(DBComboBox::periodLetters(), DBComboBox::periodCaptions());
    DBComboBox1->setDataSource(&Data->VorgangQ);
    DBComboBox1->setDataField(QStringLiteral("VertragT"));
    auto *contractLabel = new QLabel(QStringLiteral("Vertragstyp:"), typpanel);
    contractLabel->setBuddy(DBComboBox1);
    types->addWidget(contractLabel, 1, 0);
    types->addWidget(DBEdit1, 1, 1);
    types->addWidget(DBComboBox1, 1, 2);
    typpanel->hide(); // the editor shows it for a new document
    left->addWidget(typpanel);

    AnschriftBox = new QGroupBox(QStringLiteral("Anschrift zum Vorgang"), this);
    AnschriftBox->setObjectName(QStringLiteral("AnschriftBox"));
    auto *block = new QVBoxLayout(AnschriftBox);
    mAnschrift = new DBMemo(AnschriftBox);
    mAnschrift->setObjectName(QStringLiteral("mAnschrift"));
    mAnschrift->setDataSource(&Data->VorgangQ);
    mAnschrift->setDataField(QStringLiteral("Anschrift"));
    mAnschrift->setTabChangesFocus(true);
    block->addWidget(mAnschrift);
    left->addWidget(AnschriftBox, 1);

    Button1 = new QPushButton(QStringLiteral("&OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    // Enter belongs to the search field (it takes the address), not to a button.
    Button1->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    left->addLayout(buttons);

    auto *leftPanel = new QWidget(this);
    leftPanel->setLayout(left);
    left->setContentsMargins(0, 0, 0, 0);
    // As wide as its labels and boxes need in the font in use, at least 40 characters.
    leftPanel->setFixedWidth(
        qMax(qMax(chars(this, 40), leftPanel->sizeHint().width()), typpanel->sizeHint().width() + 12));
    body->addWidget(leftPanel);

    // ---- right part: the letter tabs around the list
    auto *right = new QVBoxLayout;
    right->setSpacing(0);
    nameTab = new QTabBar(this);
    nameTab->setObjectName(QStringLiteral("nameTab"));
    nameTab->setExpanding(true);
    nameTab->setUsesScrollButtons(true);
    nameTab->setDrawBase(true);
    nameTab->setStyleSheet(QStringLiteral("QTabBar::tab { min-width: 13px; padding: 3px 2px; }"));
    nameTab->addTab(QStringLiteral("*"));
    for (char c = 'A'; c <= 'Z'; ++c)
        nameTab->addTab(QString(QLatin1Char(c)));
    nameTab->setCurrentIndex(0);
    connect(nameTab, &QTabBar::currentChanged, this, &TFVadr::nameTabChange);
    right->addWidget(nameTab);
    Liste = new DBGrid(this);
    Liste->setObjectName(QStringLiteral("Liste"));
    Liste->setReadOnly(true);
    Liste->setRowSelect(true);
    Liste->setDataSource(adrQ);
    Liste->setColumns({DBGridColumn(QStringLiteral("KDNR"), QString(), chars(this, 8)),
                       DBGridColumn(QStringLiteral("Name1"), QStringLiteral("Name"), chars(this, 30)),
                       DBGridColumn(QStringLiteral("PLZ"), QString(), chars(this, 7)),
                       DBGridColumn(QStringLiteral("Ort"), QString(), chars(this, 26))});
    // The name takes the room the window gives the list, whenever the list is
    // read again too; the other columns keep theirs.
    Liste->setFillColumn(1, chars(this, 30));
    connect(Liste, &DBGrid::recordDoubleClicked, this, &TFVadr::uebernahmeClick);
    right->addWidget(Liste, 1);
    body->addLayout(right, 1);
    outer->addLayout(body, 1);

    resize(860, 540);
}

TFVadr::~TFVadr()
{
    deleteChildren(this);
    if (FVadrRef() == this) FVadrRef() = nullptr;
}

void TFVadr::done(int result)
{
    // What is still typed into the address memo belongs to the document; a
    // value its field refuses keeps the chooser open with the message.
    if (!PendingEdits::writeAll(this)) return;
    QDialog::done(result);
    if (FVadrRef() == this) FVadrRef() = nullptr;
    // Under QDialog::exec the window is freed at once; run in any other way
    // (a test's dialog seam) it goes with the next turn of the event loop.
    deleteLater();
}

void TFVadr::closeEvent(QCloseEvent *event)
{
    QDialog::closeEvent(event);
    // Closed while hidden (borrowed for its address block only) it is gone
    // for the next user at once, not only when the event loop frees it.
    if (event->isAccepted() && FVadrRef() == this) FVadrRef() = nullptr;
}

void TFVadr::guarded(const std::function<void()> &work)
{
    ShowErrorsOf(this, work);
}

// ---------------------------------------------------------------------------
// the list

void TFVadr::openList(const QString &selectLine, const QString &condition)
{
    adr->Close();
    adr->SQL().clear();
    adr->SQL() << selectLine << QStringLiteral("where ") + condition << QStringLiteral("order by name1");
    adr->Open();
}

void TFVadr::OpenAddressList(const QString &condition)
{
    openList(kSelect, condition);
}

void TFVadr::vorgangboxClick()
{
    guarded([this] {
        const bool supplier =
            Data->vorgang.FieldByName(QStringLiteral("typ"))->AsString() == QLatin1String("B");
        setWindowTitle(supplier ? QStringLiteral("Lieferant auswählen") : QStringLiteral("Kunde auswählen"));
        openList(kSelectAfterTypeChange, supplier ? kSuppliers : kCustomers);
    });
}

void TFVadr::nameTabChange(int index)
{
    const QString letter = nameTab->tabText(index);
    guarded([&] {
        if (!adr->Active()) return;
        if (letter == QLatin1String("*")) {
            if (adr->Filtered())
                adr->setFiltered(false);
            else
                adr->Refresh();
        } else {
            // Letters only: the tab's text can never carry a quote into the filter.
            adr->setFilter(QStringLiteral("name1 like '%1*'").arg(letter));
            if (adr->Filtered())
                adr->Refresh();
            else
                adr->setFiltered(true);
        }
        adr->First();
    });
}

void TFVadr::findfastChange(const QString &text)
{
    guarded([&] {
        if (!adr->Active()) return;
        adr->Locate(QStringLiteral("Name1"), Value(text),
                    TVexDaoTable::LoCaseInsensitive | TVexDaoTable::LoPartialKey);
    });
}

bool TFVadr::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == findfast && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            uebernahmeClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// taking the address

void TFVadr::uebernahmeClick()
{
    guarded([this] {
        // An empty list has no address to take: the document keeps its own
        // rather than getting a block of empty lines and customer number 0.
        if (!adr->Active() || adr->IsEmpty()) return;
        auto text = [this](const char *name) {
            return adr->FieldByName(QString::fromLatin1(name))->AsString();
        };
        TVexDaoTable &vorgang = Data->vorgang;
        vorgang.Edit();
        TField *kdnr = vorgang.FieldByName(QStringLiteral("kdnr"));
        const qint64 chosen = qRound64(adr->FieldByName(QStringLiteral("Kdnr"))->AsFloat());
        const bool otherCustomer = kdnr->IsNull() || qRound64(kdnr->AsFloat()) != chosen;
        kdnr->SetAsInteger(chosen);
        QStringList lines;
        lines << (text("vorname") + QLatin1Char(' ') + text("name1")).trimmed();
        const QString namen = text("namen").trimmed();
        if (!namen.isEmpty()) lines << namen;
        lines << text("strasse") << text("plz") + QLatin1Char(' ') + text("Ort");
        // An address abroad ends with its country, as the post wants it.
        const QString country = Tax::countryLine(Data->customerTax().land);
        if (!country.isEmpty()) lines << country;
        vorgang.FieldByName(QStringLiteral("anschrift"))->SetAsString(lines.join(kCR));
        // Another customer may be taxed otherwise (abroad, a VAT id); taking
        // the same one again keeps a case chosen by hand.
        if (otherCustomer) Data->CustomerChanged();
    });
}

void TFVadr::ToolButton1Click()
{
    if (shell()) shell()->Kontakte1Click();
    close();
}
