// SPDX-License-Identifier: GPL-3.0-or-later
#include "tfadrins.h"

#include "base/apperror.h"
#include "data/programvalues.h"
#include "data/tax.h"
#include "data/tdataa.h"
#include "widgets/dialogs.h"
#include "widgets/windowparts.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

Tfadrins::Tfadrins(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fadrins"));
    setWindowTitle(QStringLiteral("Adresse anlegen"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose, false); // made on the stack per use

    auto edit = [this](const char *name, int maxLength) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setMaxLength(maxLength);
        return e;
    };
    v = edit("v", 25);
    n = edit("n", 60);
    nn = new QPlainTextEdit(this);
    nn->setObjectName(QStringLiteral("nn"));
    nn->setTabChangesFocus(true);
    nn->setFixedHeight(fontMetrics().lineSpacing() * 2 + 12);
    s = edit("s", 30);
    p = edit("p", 8);
    o = edit("o", 40);
    vo = edit("vo", 7);
    t = edit("t", 20);
    te = edit("te", 20);
    eEmail = edit("eEmail", 60);
    eLand = edit("eLand", 2);
    eLand->setToolTip(QStringLiteral("Ländercode nach ISO 3166, z. B. AT, CH, FR; leer: Deutschland"));
    const auto check = [this](const char *name, const QString &caption, bool on) {
        auto *c = new QCheckBox(caption, this);
        c->setObjectName(QString::fromLatin1(name));
        c->setChecked(on);
        return c;
    };
    cKunde = check("cKunde", QStringLiteral("&Kunde"), true);
    cLieferant = check("cLieferant", QStringLiteral("Lie&ferant"), false);
    cVerbraucher = check("cVerbraucher", QStringLiteral("P&rivatkunde (Verbraucher)"), false);
    Button1 = new QPushButton(QStringLiteral("&Anlegen"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("Abbruch"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);

    auto *form = new QGridLayout;
    form->setContentsMargins(10, 10, 10, 6);
    form->setVerticalSpacing(5);
    auto label = [](const QString &caption, QWidget *buddy) {
        auto *l = new QLabel(caption);
        l->setBuddy(buddy);
        return l;
    };
    auto pair = [](QWidget *a, int aStretch, QWidget *b, int bStretch) {
        auto *h = new QHBoxLayout;
        h->setSpacing(4);
        h->addWidget(a, aStretch);
        h->addWidget(b, bStretch);
        return h;
    };
    const int digit = fontMetrics().averageCharWidth();
    p->setFixedWidth(digit * 8 + 12);
    vo->setFixedWidth(digit * 8 + 12);
    form->addWidget(label(QStringLiteral("&Vor-, Name"), v), 0, 0);
    form->addLayout(pair(v, 2, n, 3), 0, 1);
    form->addWidget(nn, 1, 1);
    form->addWidget(label(QStringLiteral("&Straße"), s), 2, 0);
    form->addWidget(s, 2, 1);
    form->addWidget(label(QStringLiteral("&PLZ / Ort"), p), 3, 0);
    form->addLayout(pair(p, 0, o, 1), 3, 1);
    form->addWidget(label(QStringLiteral("&Telefon"), vo), 4, 0);
    form->addLayout(pair(vo, 0, t, 1), 4, 1);
    form->addWidget(label(QStringLiteral("Telefax"), te), 5, 0);
    form->addWidget(te, 5, 1);
    form->addWidget(label(QStringLiteral("&E-Mail"), eEmail), 6, 0);
    form->addWidget(eEmail, 6, 1);
    eLand->setFixedWidth(digit * 4 + 12);
    form->addWidget(label(QStringLiteral("&Land"), eLand), 7, 0);
    auto *marks = new QHBoxLayout;
    marks->setSpacing(12);
    marks->addWidget(eLand);
    marks->addWidget(cKunde);
    marks->addWidget(cLieferant);
    marks->addWidget(cVerbraucher);
    marks->addStretch(1);
    form->addLayout(marks, 7, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    form->addLayout(buttons, 8, 0, 1, 2);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addLayout(form);
    outer->addWidget(StatusBar1);

    setTabOrder(v, n);
    setTabOrder(n, nn);
    setTabOrder(nn, s);
    setTabOrder(s, p);
    setTabOrder(p, o);
    setTabOrder(o, vo);
    setTabOrder(vo, t);
    setTabOrder(t, te);
    setTabOrder(te, eEmail);
    setTabOrder(eEmail, eLand);
    setTabOrder(eLand, cKunde);
    setTabOrder(cKunde, cLieferant);
    setTabOrder(cLieferant, cVerbraucher);
    setTabOrder(cVerbraucher, Button1);
    setTabOrder(Button1, Button2);

    connect(Button1, &QPushButton::clicked, this, [this] {
        if (Button1Click()) accept();
    });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    setMinimumSize(411, 205);
    resize(qMax(411, sizeHint().width()), qMax(205, sizeHint().height()));
    v->setFocus();
}

bool Tfadrins::Button1Click()
{
    using WindowParts::editingOrInserting;
    if (n->text().isEmpty()) {
        // The dialog stays open with everything typed, so that only the name
        // has to be added.
        Dialogs::instance().message(
            this, QStringLiteral("Tavirelsverwaltung"),
            QStringLiteral("Sie haben keinen Namen eingegeben. Speichern nicht möglich!"), Dialogs::Warning,
            Dialogs::Ok);
        n->setFocus();
        return false;
    }
    // Checked before the address is made: it is numbered and saved at once.
    const QString land = eLand->text().trimmed().toUpper();
    if (!land.isEmpty() && !Tax::isCountryCode(land)) {
        Dialogs::instance().message(
            this, QStringLiteral("Tavirelsverwaltung"),
            QStringLiteral("\"%1\" ist kein Ländercode nach ISO 3166 (zwei Buchstaben, z. B. "
                           "AT, CH; leer für Deutschland).")
                .arg(eLand->text().trimmed()),
            Dialogs::Warning, Dialogs::Ok);
        eLand->setFocus();
        return false;
    }
    try {
        TVexDaoTable &adress = dataa->Adress;
        // The data module numbers, dates and saves the new address at once
        // and leaves it in editing.
        adress.Insert();
        dataa->AdressTYP->SetAsInteger(2);
        dataa->AdressNAME1->SetAsString(n->text());
        dataa->AdressVORNAME->SetAsString(v->text());
        QString lines = nn->toPlainText();
        lines.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        dataa->AdressNAMEN->SetAsString(lines);
        dataa->AdressPLZ->SetAsString(p->text());
        dataa->AdressORT->SetAsString(o->text());
        dataa->AdressSTRASSE->SetAsString(s->text());
        dataa->AdressVORWAHL->SetAsString(vo->text());
        dataa->AdressTELEFON1->SetAsString(t->text());
        dataa->AdressTELEFAX->SetAsString(te->text());
        dataa->AdressMA->SetAsString(ProgramValues::instance().MaKuerzel);
        adress.FieldByName(QStringLiteral("EMAIL"))->SetAsString(eEmail->text().trimmed());
        adress.FieldByName(QStringLiteral("kunde"))->SetAsBoolean(cKunde->isChecked());
        adress.FieldByName(QStringLiteral("Lieferant"))->SetAsBoolean(cLieferant->isChecked());
        if (TField *country = adress.FindField(QStringLiteral("LAND")))
            country->SetAsString(eLand->text().trimmed().toUpper());
        if (TField *consumer = adress.FindField(QStringLiteral("VERBRAUCHER")))
            consumer->SetAsBoolean(cVerbraucher->isChecked());
        adress.Post();
        adress.Edit();
    } catch (const AppError &e) {
        // The address is numbered and saved as soon as it is made; what could
        // not be saved with it stays typed here, with the message, to be corrected.
        ShowErrorBox(e.message(), this);
        if (editingOrInserting(dataa->Adress)) dataa->Adress.Cancel();
        return false;
    }
    return true;
}
