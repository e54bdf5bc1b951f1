// SPDX-License-Identifier: GPL-3.0-or-later
#include "tferechnung.h"

#include "base/apperror.h"
#include "data/tdataa.h"
#include "data/tvexdaotable.h"
#include "einvoice/einvoice.h"
#include "widgets/dialogs.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kTitle = QStringLiteral("E-Rechnung");

// The e-invoice row of one address, or an empty dataset when it has none.
void openRow(TVexDaoTable &t, double kdnr)
{
    t.setDatabase(&dataa->Datenbank);
    t.SQL() << QStringLiteral("select * from ERechnung where KDNR = %1").arg(QString::number(kdnr, 'g', 17));
    t.Open();
}

} // namespace

TFERechnung::TFERechnung(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FERechnung"));
    setWindowTitle(kTitle);
    setAttribute(Qt::WA_DeleteOnClose, false); // made on the stack per use

    QString name, email;
    if (dataa && dataa->Adress.Active() && !dataa->Adress.IsEmpty()) {
        m_kdnr = dataa->AdressKDNR->AsFloat();
        name =
            (dataa->AdressVORNAME->AsString() + QLatin1Char(' ') + dataa->AdressNAME1->AsString()).trimmed();
        email = dataa->AdressEMAIL->AsString().trimmed();
    }
    lAdresse = new QLabel(
        QStringLiteral("E-Rechnungen an %1 (Kd-Nr %2)").arg(name, QString::number(m_kdnr, 'g', 17)), this);
    lAdresse->setObjectName(QStringLiteral("lAdresse"));
    lAdresse->setTextFormat(Qt::PlainText);
    eEmail = new QLineEdit(this);
    eEmail->setObjectName(QStringLiteral("eEmail"));
    eEmail->setMaxLength(80);
    eEmail->setPlaceholderText(email.isEmpty() ? QStringLiteral("(die Adresse hat keine E-mail)")
                                               : QStringLiteral("wie E-mail: %1").arg(email));
    eReferenz = new QLineEdit(this);
    eReferenz->setObjectName(QStringLiteral("eReferenz"));
    eReferenz->setMaxLength(60);
    eReferenz->setPlaceholderText(QStringLiteral("wie Kd-Nr: %1").arg(QString::number(m_kdnr, 'g', 17)));
    eEmail->setMinimumWidth(fontMetrics().averageCharWidth() * 44);

    TVexDaoTable row(nullptr, QStringLiteral("ERechnung"));
    openRow(row, m_kdnr);
    if (!row.IsEmpty()) {
        eEmail->setText(row.FieldByName(QStringLiteral("Email"))->AsString());
        eReferenz->setText(row.FieldByName(QStringLiteral("Referenz"))->AsString());
    }

    auto *form = new QGridLayout;
    form->setVerticalSpacing(5);
    auto label = [](const QString &caption, QWidget *buddy) {
        auto *l = new QLabel(caption);
        l->setBuddy(buddy);
        return l;
    };
    form->addWidget(lAdresse, 0, 0, 1, 2);
    form->addWidget(label(QStringLiteral("E-&Mail für E-Rechnungen"), eEmail), 1, 0);
    form->addWidget(eEmail, 1, 1);
    form->addWidget(label(QStringLiteral("&Leitweg-ID / Käuferreferenz"), eReferenz), 2, 0);
    form->addWidget(eReferenz, 2, 1);

    auto *buttons = new QDialogButtonBox(this);
    btOk = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    btOk->setObjectName(QStringLiteral("btOk"));
    btOk->setDefault(true);
    btAbbrechen = buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    btAbbrechen->setObjectName(QStringLiteral("btAbbrechen"));
    connect(btOk, &QPushButton::clicked, this, [this] {
        if (btOkClick()) accept();
    });
    connect(btAbbrechen, &QPushButton::clicked, this, &QDialog::reject);

    auto *outer = new QVBoxLayout(this);
    outer->addLayout(form);
    outer->addWidget(buttons);
}

bool TFERechnung::btOkClick()
{
    const QString email = eEmail->text().trimmed();
    const QString referenz = eReferenz->text().trimmed();
    if (!email.isEmpty() && (!email.contains(QLatin1Char('@')) || email.contains(QLatin1Char(' ')))) {
        Dialogs::instance().message(this, kTitle,
                                    QStringLiteral("Die E-Mail-Adresse \"%1\" ist ungültig.").arg(email),
                                    Dialogs::Warning, Dialogs::Ok);
        eEmail->setFocus();
        return false;
    }
    // A public authority's Leitweg-ID is checked where it is typed, not only
    // when the first e-invoice is refused.
    if (EInvoice::isBadLeitwegId(referenz)) {
        Dialogs::instance().message(
            this, kTitle,
            QStringLiteral("Die Leitweg-ID \"%1\" ist ungültig: ihre Prüfziffer (die letzten "
                           "zwei Ziffern) stimmt nicht. Bitte mit der Angabe des "
                           "Auftraggebers vergleichen.")
                .arg(referenz),
            Dialogs::Warning, Dialogs::Ok);
        eReferenz->setFocus();
        return false;
    }
    try {
        TVexDaoTable row(nullptr, QStringLiteral("ERechnung"));
        openRow(row, m_kdnr);
        if (email.isEmpty() && referenz.isEmpty()) {
            // Nothing of its own: the defaults apply, no row is kept.
            while (!row.IsEmpty())
                row.Delete();
            return true;
        }
        if (row.IsEmpty()) {
            row.Insert();
            row.FieldByName(QStringLiteral("KDNR"))->SetAsFloat(m_kdnr);
        } else {
            row.Edit();
        }
        row.FieldByName(QStringLiteral("Email"))->SetAsString(email);
        row.FieldByName(QStringLiteral("Referenz"))->SetAsString(referenz);
        row.Post();
    } catch (const AppError &e) {
        ShowErrorBox(e.message(), this);
        return false;
    }
    return true;
}
