// SPDX-License-Identifier: GPL-3.0-or-later
#include "tfvpostext.h"

#include "base/apperror.h"
#include "base/germanformat.h"
#include "data/tdata.h"
#include "widgets/dbedit.h"
#include "widgets/dbmemo.h"
#include "widgets/dbtext.h"
#include "widgets/dialogescape.h"
#include "widgets/dialogs.h"
#include "widgets/pendingedits.h"

#include <QFocusEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

int chars(const QWidget *w, int n)
{
    return w->fontMetrics().averageCharWidth() * n + 12;
}

template <class C> C *bound(C *control, const char *name, const QString &field)
{
    control->setObjectName(QString::fromLatin1(name));
    control->setDataSource(&Data->VorgangDQ);
    control->setDataField(field);
    return control;
}

QLabel *label(QWidget *parent, const QString &caption, QWidget *buddy)
{
    auto *l = new QLabel(caption, parent);
    l->setBuddy(buddy);
    return l;
}

} // namespace

TFVPostext::TFVPostext(QWidget *owner) : QDialog(owner)
{
    if (!Data) throw AppError(QStringLiteral("Das Dokumentmodul ist nicht geladen"));
    setObjectName(QStringLiteral("FVPostext"));
    setWindowTitle(QStringLiteral("Position bearbeiten"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);

    auto *outer = new QVBoxLayout(this);
    auto *panel = new QGridLayout;
    panel->setHorizontalSpacing(6);

    // First row: quantity, prices, unit and the net line total.
    eAnzahl = bound(new DBEdit(this), "eAnzahl", QStringLiteral("Anzahl"));
    DBEdit1 = bound(new DBEdit(this), "DBEdit1", QStringLiteral("EK"));
    ePreis = bound(new DBEdit(this), "ePreis", QStringLiteral("Preis"));
    eEinheit = bound(new DBEdit(this), "eEinheit", QStringLiteral("Einheit"));
    sGesamt = bound(new DBText(this), "sGesamt", QStringLiteral("Gesamtpreis"));
    const int number = chars(this, 11);
    for (DBEdit *e : {eAnzahl, DBEdit1, ePreis}) {
        e->setFixedWidth(number);
        e->setAlignment(Qt::AlignRight);
    }
    eEinheit->setFixedWidth(chars(this, 7));
    panel->addWidget(label(this, QStringLiteral("Menge:"), eAnzahl), 0, 0);
    panel->addWidget(eAnzahl, 0, 1);
    panel->addWidget(label(this, QStringLiteral("EK"), DBEdit1), 0, 2);
    panel->addWidget(DBEdit1, 0, 3);
    panel->addWidget(label(this, QStringLiteral("VK netto"), ePreis), 0, 4);
    panel->addWidget(ePreis, 0, 5);
    panel->addWidget(label(this, QStringLiteral("Einheit"), eEinheit), 0, 6);
    panel->addWidget(eEinheit, 0, 7);
    panel->addWidget(sGesamt, 0, 9);

    // Second row: title, the gross price, OK and the gross line total.
    eTitel = bound(new DBEdit(this), "eTitel", QStringLiteral("Titel"));
    vkbr = new QLineEdit(this);
    vkbr->setObjectName(QStringLiteral("vkbr"));
    vkbr->setToolTip(QStringLiteral("Bruttobetrag eingeben und Feld mit Tab verlassen!"));
    vkbr->setFixedWidth(number);
    vkbr->setAlignment(Qt::AlignRight);
    vkbr->installEventFilter(this);
    connect(vkbr, &QLineEdit::textEdited, this, [this] { m_grossTyped = true; });
    connect(vkbr, &QLineEdit::returnPressed, this, [this] { vkbrExit(); });
    Button1 = new QPushButton(QStringLiteral("&OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setFocusPolicy(Qt::ClickFocus); // the tab key passes it by
    Button1->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, &TFVPostext::accept);
    sPreisbr = bound(new DBText(this), "sPreisbr", QStringLiteral("PreisBR"));
    for (DBText *t : {sGesamt, sPreisbr}) {
        t->setMinimumWidth(chars(this, 12));
        t->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        QFont bold = t->font();
        bold.setBold(true);
        t->setFont(bold);
    }
    panel->addWidget(label(this, QStringLiteral("Titel"), eTitel), 1, 0);
    panel->addWidget(eTitel, 1, 1, 1, 3);
    panel->addWidget(label(this, QStringLiteral("VK brutto"), vkbr), 1, 4);
    panel->addWidget(vkbr, 1, 5);
    panel->addWidget(Button1, 1, 6, 1, 2);
    panel->addWidget(sPreisbr, 1, 9);
    panel->setColumnStretch(8, 1);
    outer->addLayout(panel);

    sBezeichnung = bound(new DBMemo(this), "sBezeichnung", QStringLiteral("Bezeichnung"));
    outer->addWidget(sBezeichnung, 1);

    setTabOrder(eAnzahl, DBEdit1);
    setTabOrder(DBEdit1, ePreis);
    setTabOrder(ePreis, eEinheit);
    setTabOrder(eEinheit, eTitel);
    setTabOrder(eTitel, vkbr);
    setTabOrder(vkbr, sBezeichnung);

    // Esc closes as OK does, keeping what was typed.
    DialogEscape::acceptOnEscape(this);
    resize(760, 420);
}

bool TFVPostext::eventFilter(QObject *watched, QEvent *event)
{
    // Leaving the gross edit for another control of this dialog turns it
    // into Preis; a message box or another window taking the focus does not.
    if (watched == vkbr && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) vkbrExit();
    }
    return QDialog::eventFilter(watched, event);
}

bool TFVPostext::vkbrExit()
{
    const QString text = vkbr->text();
    if (text.isEmpty()) return true;
    try {
        const double gross = German::readFloat(text, QStringLiteral("VK brutto"));
        TVexDaoTable &positions = Data->vorgangdata;
        // At the position's own rate (none where no VAT is charged).
        const double net = double(gross / (1.0L + Tax::positionVatRate(positions) / 100.0L));
        if (positions.State() != DataSetState::Edit && positions.State() != DataSetState::Insert)
            positions.Edit();
        positions.FieldByName(QStringLiteral("Preis"))->SetAsFloat(net);
        m_grossTyped = false;
        return true;
    } catch (const AppError &e) {
        ShowErrorBox(e.message(), this);
        return false;
    }
}

void TFVPostext::accept()
{
    if (!PendingEdits::writeAll(this)) return;
    if (m_grossTyped && !vkbrExit()) {
        vkbr->setFocus();
        vkbr->selectAll();
        return;
    }
    QDialog::accept();
}
