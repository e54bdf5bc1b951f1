// SPDX-License-Identifier: GPL-3.0-or-later
#include "tfvartikel.h"

#include "base/apperror.h"
#include "data/tdata.h"
#include "widgets/dbgrid.h"
#include "widgets/dbmemo.h"
#include "widgets/dbnavigator.h"
#include "widgets/dialogs.h"
#include "widgets/windowparts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

int chars(const QWidget *w, int n)
{
    return w->fontMetrics().averageCharWidth() * n + 12;
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

QPointer<Tfvartikel> &FvartikelRef()
{
    static QPointer<Tfvartikel> ref;
    return ref;
}

Tfvartikel::Tfvartikel(QWidget *owner) : QDialog(owner)
{
    if (!Data) throw AppError(QStringLiteral("Das Dokumentmodul ist nicht geladen"));
    setObjectName(QStringLiteral("fvartikel"));
    setWindowTitle(QStringLiteral("Artikel auswählen"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    if (!FvartikelRef()) FvartikelRef() = this;

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 4, 6, 6);
    outer->setSpacing(4);

    auto *top = new QHBoxLayout;
    DBNavigator1 = new DBNavigator(this, DBNavigator::First | DBNavigator::Prior | DBNavigator::Next |
                                             DBNavigator::Last);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    DBNavigator1->setDataSource(&Data->ArtikelQ);
    top->addWidget(DBNavigator1);
    top->addStretch(1);
    VButton3 = button(this, "VButton3", QStringLiteral("OK"));
    VButton3->setDefault(true);
    connect(VButton3, &QPushButton::clicked, this, &Tfvartikel::VButton3Click);
    Vbutton1 = button(this, "Vbutton1", QStringLiteral("&Bearbeiten"));
    connect(Vbutton1, &QPushButton::clicked, this, &Tfvartikel::Vbutton1Click);
    Vbutton2 = button(this, "Vbutton2", QStringLiteral("Abbruch"));
    connect(Vbutton2, &QPushButton::clicked, this, &Tfvartikel::Vbutton2Click);
    top->addWidget(VButton3);
    top->addWidget(Vbutton1);
    top->addWidget(Vbutton2);
    outer->addLayout(top);

    DBGrid2 = new DBGrid(this);
    DBGrid2->setObjectName(QStringLiteral("DBGrid2"));
    DBGrid2->setReadOnly(true);
    DBGrid2->setRowSelect(true);
    DBGrid2->setDataSource(&Data->ArtikelQ);
    const int money = chars(this, 11);
    DBGrid2->setColumns(
        {DBGridColumn(QStringLiteral("Art-Nr"), QString(), chars(this, 12)),
         DBGridColumn(QStringLiteral("Beschreibung"), QString(), chars(this, 40)),
         DBGridColumn(QStringLiteral("Einheit"), QString(), chars(this, 6)),
         DBGridColumn(QStringLiteral("VK"), QString(), money),
         DBGridColumn(QStringLiteral("EK"), QString(), money),
         DBGridColumn(QStringLiteral("Gewinn"), QString(), money),
         DBGridColumn(QStringLiteral("Preisdatum"), QStringLiteral("Preis vom"), chars(this, 10))});
    DBGrid2->horizontalHeader()->setStretchLastSection(true);
    connect(DBGrid2, &DBGrid::recordDoubleClicked, this, &Tfvartikel::Vbutton1Click);
    outer->addWidget(DBGrid2, 3);

    MemoBezeichnung = new DBMemo(this);
    MemoBezeichnung->setObjectName(QStringLiteral("MemoBezeichnung"));
    MemoBezeichnung->setReadOnly(true);
    MemoBezeichnung->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoBezeichnung->setDataSource(&Data->ArtikelQ);
    MemoBezeichnung->setDataField(QStringLiteral("Bezeichnung"));
    outer->addWidget(MemoBezeichnung, 1);

    resize(900, 520);
}

Tfvartikel::~Tfvartikel()
{
    WindowParts::deleteChildren(this);
    if (FvartikelRef() == this) FvartikelRef() = nullptr;
}

// ---------------------------------------------------------------------------
// the catalogue

void Tfvartikel::FormActivate()
{
    try {
        TVexDaoTable &artikel = Data->Artikel;
        if (!artikel.Active()) return;
        // A re-read saves an article still being edited in the article
        // window, as moving away from it would; it is never dropped.
        artikel.Refresh();
        artikel.First();
    } catch (const AppError &e) {
        ShowErrorBox(e.message(), this);
    }
}

void Tfvartikel::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormActivate();
    m_freshlyShown = true; // the activation that follows needs no second read
}

void Tfvartikel::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    m_freshlyShown = false;
    FormActivate();
}

bool Tfvartikel::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate) {
        if (!m_freshlyShown) FormActivate();
        m_freshlyShown = false;
    } else if (event->type() == QEvent::WindowDeactivate && isVisible()) {
        m_freshlyShown = false;
        FormActivate();
    }
    return QDialog::event(event);
}

// ---------------------------------------------------------------------------
// adding

void Tfvartikel::AddArtikelPosition()
{
    TVexDaoTable &artikel = Data->Artikel;
    // An empty catalogue has no article to add: no empty position appears.
    if (!artikel.Active() || artikel.IsEmpty()) return;
    auto from = [&](const char *name) { return artikel.FieldByName(QString::fromLatin1(name)); };
    TVexDaoTable &positions = Data->vorgangdata;
    auto to = [&](const char *name) { return positions.FieldByName(QString::fromLatin1(name)); };
    positions.Insert();
    to("Artikel")->SetAsString(from("Art-Nr")->AsString());
    to("Bezeichnung")->SetAsString(from("Bezeichnung")->AsString());
    to("einheit")->SetAsString(from("Einheit")->AsString());
    to("Titel")->SetAsString(from("Beschreibung")->AsString());
    to("anzahl")->SetAsFloat(1);
    to("EK")->SetAsFloat(from("EK")->AsFloat());
    to("Preis")->SetAsFloat(from("VK")->AsFloat());
    // The article's rate of its kind at the document's date of supply; a
    // document without VAT keeps its positions at 0 %.
    const TField *rate = artikel.FindField(QStringLiteral("MwstSatz"));
    if (rate && !rate->IsNull() && Data->TaxCase() == Tax::Case::Normal)
        Data->SetPositionRate(Data->ArticleRate(rate->AsFloat()));
}

bool Tfvartikel::addPosition()
{
    try {
        AddArtikelPosition();
        return true;
    } catch (const AppError &e) {
        // Not added: the chooser stays for another try or "Abbruch".
        ShowErrorBox(e.message(), this);
        return false;
    }
}

void Tfvartikel::VButton3Click()
{
    if (addPosition()) accept();
}

void Tfvartikel::Vbutton1Click()
{
    if (!addPosition()) return;
    if (PosshowClick) PosshowClick();
    accept();
}

void Tfvartikel::Vbutton2Click()
{
    reject();
}
