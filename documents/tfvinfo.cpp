// SPDX-License-Identifier: GPL-3.0-or-later
#include "tfvinfo.h"

#include "base/apperror.h"
#include "data/tdata.h"
#include "widgets/dbcheckbox.h"
#include "widgets/dbedit.h"
#include "widgets/dbmemo.h"
#include "widgets/dialogescape.h"
#include "widgets/dialogs.h"
#include "widgets/pendingedits.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

int chars(const QWidget *w, int n)
{
    return w->fontMetrics().averageCharWidth() * n + 12;
}

template <class C> C *bound(C *control, const char *name, const QString &field, bool readOnly)
{
    control->setObjectName(QString::fromLatin1(name));
    control->setDataSource(&Data->VorgangQ);
    control->setDataField(field);
    control->setReadOnly(readOnly);
    if (readOnly) control->setFocusPolicy(Qt::NoFocus);
    return control;
}

DBCheckBox *flag(QWidget *parent, const char *name, const QString &caption, const QString &field)
{
    auto *box = new DBCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setDataSource(&Data->VorgangQ);
    box->setDataField(field);
    return box;
}

} // namespace

TFvInfo::TFvInfo(QWidget *owner) : QDialog(owner)
{
    if (!Data) throw AppError(QStringLiteral("Das Dokumentmodul ist nicht geladen"));
    setObjectName(QStringLiteral("FvInfo"));
    setWindowTitle(QStringLiteral("Info's zum Vorgang"));
    // Closed with its button only: no buttons in the title bar.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    auto *outer = new QVBoxLayout(this);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    GroupBox1 = new QGroupBox(QStringLiteral("Vorgang"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto *doc = new QGridLayout(GroupBox1);
    sTypname = bound(new DBMemo(GroupBox1), "sTypname", QStringLiteral("Typname"), true);
    sTypname->setFixedHeight(sTypname->fontMetrics().lineSpacing() + 12);
    sTypname->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sAnschrift = bound(new DBMemo(GroupBox1), "sAnschrift", QStringLiteral("Anschrift"), false);
    sAnschrift->setTabChangesFocus(true);
    sAnschrift->setFixedHeight(sAnschrift->fontMetrics().lineSpacing() * 6 + 12);
    DBEdit1 = bound(new DBEdit(GroupBox1), "DBEdit1", QStringLiteral("Typ"), true);
    DBEdit1->setFixedWidth(chars(this, 3));
    sVnr = bound(new DBEdit(GroupBox1), "sVnr", QStringLiteral("VorgangNR"), true);
    EditDatum = bound(new DBEdit(GroupBox1), "EditDatum", QStringLiteral("Datum"), true);
    sZieldatum = bound(new DBEdit(GroupBox1), "sZieldatum", QStringLiteral("ZielDatum"), true);
    doc->addWidget(new QLabel(QStringLiteral("Vorgang"), GroupBox1), 0, 0);
    doc->addWidget(sTypname, 0, 1, 1, 2);
    doc->addWidget(new QLabel(QStringLiteral("Anschrift"), GroupBox1), 1, 0, Qt::AlignTop);
    doc->addWidget(sAnschrift, 1, 1, 1, 2);
    doc->addWidget(new QLabel(QStringLiteral("Nummer"), GroupBox1), 2, 0);
    doc->addWidget(DBEdit1, 2, 1);
    doc->addWidget(sVnr, 2, 2);
    doc->addWidget(new QLabel(QStringLiteral("Datum"), GroupBox1), 3, 0);
    doc->addWidget(EditDatum, 3, 1, 1, 2);
    doc->addWidget(new QLabel(QStringLiteral("Zahlungsziel:"), GroupBox1), 4, 0);
    doc->addWidget(sZieldatum, 4, 1, 1, 2);
    doc->setColumnMinimumWidth(2, chars(this, 26));
    outer->addWidget(GroupBox1);

    GroupBox2 = new QGroupBox(QStringLiteral("Status"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    auto *status = new QGridLayout(GroupBox2);
    DBCheckBox3 = flag(GroupBox2, "DBCheckBox3", QStringLiteral("gedruckt"), QStringLiteral("Gedruckt"));
    DBCheckBox1 = flag(GroupBox2, "DBCheckBox1", QStringLiteral("weitergeführt"), QStringLiteral("Weiter"));
    DBCheckBox2 = flag(GroupBox2, "DBCheckBox2", QStringLiteral("erledigt"), QStringLiteral("Erledigt"));
    DBCheckBox4 = flag(GroupBox2, "DBCheckBox4", QStringLiteral("storniert"), QStringLiteral("Storniert"));
    sEK = bound(new DBEdit(GroupBox2), "sEK", QStringLiteral("EK"), true);
    sVK = bound(new DBEdit(GroupBox2), "sVK", QStringLiteral("VK"), true);
    sVKbr = bound(new DBEdit(GroupBox2), "sVKbr", QStringLiteral("vkbr"), true);
    int r = 0;
    for (DBCheckBox *box : {DBCheckBox3, DBCheckBox1, DBCheckBox2, DBCheckBox4})
        status->addWidget(box, r++, 0);
    r = 0;
    for (auto [caption, edit] :
         {std::pair{QStringLiteral("EK netto"), sEK}, std::pair{QStringLiteral("VK netto"), sVK},
          std::pair{QStringLiteral("VK brutto"), sVKbr}}) {
        edit->setAlignment(Qt::AlignRight);
        edit->setFixedWidth(chars(this, 14));
        status->addWidget(new QLabel(caption, GroupBox2), r, 2);
        status->addWidget(edit, r++, 3);
    }
    status->setColumnMinimumWidth(1, 24);
    status->setColumnStretch(1, 1);
    outer->addWidget(GroupBox2);

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &TFvInfo::Button1Click);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    outer->addLayout(buttons);

    // Esc presses OK, recomputation included.
    DialogEscape::acceptOnEscape(this);
}

void TFvInfo::Button1Click()
{
    accept();
}

void TFvInfo::done(int)
{
    // Every way out is OK: the flags just set must show in the totals.
    if (!PendingEdits::writeAll(this)) return;
    try {
        // Without a document there is nothing to recompute; recomputing would
        // start an empty one.
        if (Data->vorgang.Active() && !Data->vorgang.IsEmpty()) Data->RecalcTotals();
    } catch (const AppError &e) {
        ShowErrorBox(e.message(), this);
    }
    QDialog::done(QDialog::Accepted);
}
