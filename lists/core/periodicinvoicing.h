// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The periodic contract invoicing run without its window: every contract of
// one period letter in the list dataset becomes a new invoice. The document
// list window and the command line both call it.
#include <QDate>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>

class TVexDaoDatabase;
class TVexDaoTable;
class TFumw;

struct PeriodicRunResult
{
    int count = 0; // invoices made
    QString first; // number of the first invoice made, empty when none
    QString last;  // number of the last invoice made
    QString error; // the message of the error that ended the run early, if any
    // Contracts already invoiced for the period, as ContractText names them:
    // passed over, never invoiced twice.
    QStringList passedOver;
    // The server connection broke during the run: nothing of the first
    // attempt was kept, and the run was made again under a new connection.
    bool repeated = false;
};

// "M", "Q", "H" or "J".
bool IsPeriodLetter(const QString &letter);
// "Monats", "Quartals", "Halbjahres", "Jahres": the word the question and the
// messages put before "srechnungen".
QString PeriodWord(const QString &letter);

// "Vertrag 30004 des Kunden 17 (Anton Meier)": the current contract of the
// list, as messages about it name it.
QString ContractText(const TVexDaoTable &vorganglist);

// The billing period of a run on that day: its month, quarter, half-year or
// year. The invoices carry it as their service period.
struct BillingPeriod
{
    QDate from, to;
};
BillingPeriod BillingPeriodOf(const QString &letter, const QDate &day);

// "Dezember 2026 (01.12.2026 – 31.12.2026)", "4. Quartal 2026 (…)": the
// period as the questions and messages of a run name it.
QString PeriodText(const QString &letter, const BillingPeriod &period);

// The ids of the contracts of the letter that already have an invoice for
// the period: an invoice referring to the contract (Vorgang1.bezug) with
// the period as its service period. An invoice of an older version, without
// the reference, counts for the contract of its customer with its net.
QSet<qint64> InvoicedContracts(TVexDaoDatabase &db, const QString &letter, const BillingPeriod &period);

// The filter text for the contracts of a period letter; with a table name,
// its columns named with it (for a select that joins other tables).
QString ContractFilter(const QString &letter, const QString &table = QString());

// Runs over vorganglist (the list's select with its order line, open): filters
// it to the contracts of the letter, copies each with its positions into an
// invoice dated today, and finally re-opens the list unfiltered (unless
// restoreList is false: a caller that shows no list is spared reading it).
// A contract already invoiced for the run's period is passed over. An error ends
// the run at that contract, and its message names the contract; the invoices
// made before it stay. progress, when given, hears after each contract how
// many of the list's contracts are done.
PeriodicRunResult CreatePeriodicInvoicesRun(TVexDaoTable &vorganglist, TFumw &umw, const QString &letter,
                                            bool restoreList = true,
                                            const std::function<void(int done, int total)> &progress = {});
