// SPDX-License-Identifier: GPL-3.0-or-later
#include "tfmahnlauf.h"

#include "base/apperror.h"
#include "base/germanformat.h"
#include "base/money.h"
#include "data/dates.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column { Mahnen, Rechnung, Kunde, Faellig, Letzte, Stufe, Offen, Kosten, Zinsen, Gesamt, ColumnCount };

QString money(qint64 amount, const QString &currency)
{
    return Money::format(amount, QStringLiteral("#,##0.00 ") + currency);
}

QTableWidgetItem *cell(const QString &text, bool right = false)
{
    auto *item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    if (right) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

} // namespace

TFMahnlauf::TFMahnlauf(TVexDaoDatabase &db, const Dunning::Settings &settings, QWidget *parent)
    : QDialog(parent), m_db(db), m_settings(settings)
{
    setObjectName(QStringLiteral("TFMahnlauf"));
    setWindowTitle(QStringLiteral("Mahnlauf"));
    auto *layout = new QVBoxLayout(this);

    auto *top = new QHBoxLayout;
    auto *caption = new QLabel(QStringLiteral("&Stichtag:"), this);
    Stichtag = new QDateEdit(Today(), this);
    Stichtag->setObjectName(QStringLiteral("Stichtag"));
    Stichtag->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    Stichtag->setCalendarPopup(true);
    // Interest and reminders for days yet to come would claim what is not owed yet.
    Stichtag->setMaximumDate(Today());
    caption->setBuddy(Stichtag);
    top->addWidget(caption);
    top->addWidget(Stichtag);
    top->addSpacing(16);
    top->addWidget(
        new QLabel(QStringLiteral("Mahnungen zu den überfälligen Rechnungen; ein Haken weniger lässt "
                                  "eine Rechnung diesmal aus."),
                   this),
        1);
    layout->addLayout(top);

    Liste = new QTableWidget(0, ColumnCount, this);
    Liste->setObjectName(QStringLiteral("Liste"));
    Liste->setHorizontalHeaderLabels({QStringLiteral("Mahnen"), QStringLiteral("Rechnung"),
                                      QStringLiteral("Kunde"), QStringLiteral("fällig am"),
                                      QStringLiteral("letzte Mahnung"), QStringLiteral("nächste Stufe"),
                                      QStringLiteral("offen"), QStringLiteral("Gebühren"),
                                      QStringLiteral("Zinsen"), QStringLiteral("Gesamt")});
    Liste->verticalHeader()->hide();
    Liste->setSelectionBehavior(QAbstractItemView::SelectRows);
    Liste->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Liste->horizontalHeader()->setSectionResizeMode(Kunde, QHeaderView::Stretch);
    layout->addWidget(Liste, 1);

    auto *bottom = new QHBoxLayout;
    Summe = new QLabel(this);
    Summe->setTextFormat(Qt::PlainText);
    Summe->setObjectName(QStringLiteral("Summe"));
    bottom->addWidget(Summe, 1);
    btok = new QPushButton(QStringLiteral("Mahnungen &erstellen"), this);
    btok->setObjectName(QStringLiteral("btok"));
    btok->setDefault(true);
    btcancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    btcancel->setObjectName(QStringLiteral("btcancel"));
    bottom->addWidget(btok);
    bottom->addWidget(btcancel);
    layout->addLayout(bottom);

    connect(btok, &QPushButton::clicked, this, &QDialog::accept);
    connect(btcancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(Stichtag, &QDateEdit::dateChanged, this, &TFMahnlauf::StichtagChange);
    connect(Liste, &QTableWidget::itemChanged, this, [this](QTableWidgetItem *item) {
        if (item->column() == Mahnen) updateSum();
    });
    resize(1000, 560);
    StichtagChange();
}

void TFMahnlauf::StichtagChange()
{
    const QSignalBlocker block(Liste);
    Liste->setRowCount(0);
    try {
        m_list = OverdueInvoices(m_db, m_settings, Stichtag->date());
    } catch (const AppError &e) {
        m_list = DunningList();
        Summe->setText(e.message());
        btok->setEnabled(false);
        return;
    }
    Liste->setRowCount(int(m_list.items.size()));
    for (int row = 0; row < m_list.items.size(); ++row) {
        const DunningCandidate &c = m_list.items.at(row);
        auto *tick = new QTableWidgetItem;
        // After the last level there is no reminder to make, only the way to
        // court; a time-barred claim gets one only when the user ticks it.
        tick->setFlags(c.nextLevel() ? Qt::ItemIsEnabled | Qt::ItemIsUserCheckable : Qt::NoItemFlags);
        tick->setCheckState(c.nextLevel() && !c.barred() ? Qt::Checked : Qt::Unchecked);
        Liste->setItem(row, Mahnen, tick);
        Liste->setItem(row, Rechnung, cell(c.number));
        Liste->setItem(row, Kunde, cell(c.customer));
        Liste->setItem(row, Faellig, cell(German::formatDate(c.due)));
        Liste->setItem(row, Letzte,
                       cell(c.lastReminder.isValid() ? German::formatDate(c.lastReminder) : QString()));
        Liste->setItem(
            row, Stufe,
            cell(c.barred() ? QStringLiteral("%1 (%2)").arg(c.nextStep(), c.barredText()) : c.nextStep()));
        Liste->setItem(row, Offen, cell(money(c.open, c.currency), true));
        if (c.nextLevel()) {
            const qint64 costs = c.charges.earlier + c.charges.fee + c.charges.flatSum;
            Liste->setItem(row, Kosten, cell(money(costs, c.currency), true));
            Liste->setItem(row, Zinsen, cell(money(c.charges.interest.amount, c.currency), true));
            Liste->setItem(row, Gesamt, cell(money(c.total(), c.currency), true));
        }
    }
    Liste->resizeColumnsToContents();
    Liste->horizontalHeader()->setSectionResizeMode(Kunde, QHeaderView::Stretch);
    updateSum();
}

QSet<qint64> TFMahnlauf::leftOut() const
{
    QSet<qint64> out;
    for (int row = 0; row < m_list.items.size() && row < Liste->rowCount(); ++row)
        if (Liste->item(row, Mahnen)->checkState() != Qt::Checked) out.insert(m_list.items.at(row).invoiceId);
    return out;
}

QSet<qint64> TFMahnlauf::barredConfirmed() const
{
    QSet<qint64> out;
    for (int row = 0; row < m_list.items.size() && row < Liste->rowCount(); ++row)
        if (m_list.items.at(row).barred() && Liste->item(row, Mahnen)->checkState() == Qt::Checked)
            out.insert(m_list.items.at(row).invoiceId);
    return out;
}

void TFMahnlauf::updateSum()
{
    int count = 0;
    QMap<QString, qint64> sums;
    for (int row = 0; row < m_list.items.size(); ++row) {
        const DunningCandidate &c = m_list.items.at(row);
        if (Liste->item(row, Mahnen)->checkState() != Qt::Checked) continue;
        ++count;
        sums[c.currency] += c.total();
    }
    QStringList texts;
    for (auto it = sums.cbegin(); it != sums.cend(); ++it)
        texts << money(it.value(), it.key());
    QString text = count ? QStringLiteral("%1 %2 über %3")
                               .arg(count)
                               .arg(count == 1 ? QStringLiteral("Mahnung") : QStringLiteral("Mahnungen"),
                                    texts.join(QStringLiteral(" und ")))
                         : QStringLiteral("Keine Mahnung zu erstellen.");
    for (const QString &w : m_list.warnings + m_list.refused)
        text += QStringLiteral("\n") + w;
    Summe->setText(text);
    Summe->setWordWrap(true);
    btok->setEnabled(count > 0);
}
