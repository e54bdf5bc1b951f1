// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The dunning run without its window: the overdue invoices of a key date with
// the reminder each would get next, and the run that makes those reminders.
// The document list's run dialog and the command line both call it.
#include "data/dunning.h"

#include <QDate>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>

class TVexDaoDatabase;

struct DunningCandidate
{
    qint64 invoiceId = 0;
    QString number; // the invoice's
    qint64 kdnr = 0;
    QString customer;
    QString salutation; // the address's own, "Sehr geehrter Herr Müller,"
    QDate date, due, lastReminder;
    int level = 0;   // reached so far
    qint64 open = 0; // the invoice's gross, ten-thousandths
    QString currency;
    bool consumer = false;
    Dunning::Charges charges; // of the next reminder; none at the last level
    QDate barredSince;        // valid when the claim is time-barred on the key date

    // The level of the next reminder; 0 when the last one was sent (the
    // invoice goes to collection or court instead).
    int nextLevel() const { return level < Dunning::kLastLevel ? level + 1 : 0; }
    // "1. Mahnung", or "an Inkasso / Mahnbescheid" after the last level.
    QString nextStep() const;
    qint64 total() const { return charges.total(open); }
    bool barred() const { return barredSince.isValid(); }
    // "verjährt seit 01.01.2018"
    QString barredText() const;
};

struct DunningList
{
    QDate key;
    QList<DunningCandidate> items; // by due date
    QStringList warnings;          // about the interest figures (rates not yet known)
    // Overdue invoices whose charges cannot be computed (no base rate known
    // for their days), each named with the reason; they get no reminder.
    QStringList refused;
};

// Invoices (type R) not paid, not cancelled, with a gross above zero, whose
// due date plus the days of grace lies before the key date and whose last
// reminder lies at least the interval back; each with the charges of its next
// reminder. An invoice whose interest has a day without a known base rate is
// named in refused and left out; the others are listed.
DunningList OverdueInvoices(TVexDaoDatabase &db, const Dunning::Settings &settings, const QDate &key);

// The filter of the document list's status "überfällig": the same invoices
// as OverdueInvoices on that key date, as a condition on the list's select.
QString OverdueFilter(const Dunning::Settings &settings, const QDate &key);

struct MadeReminder
{
    qint64 id = 0;
    QString number, invoice;
    int level = 0;
    qint64 total = 0; // ten-thousandths
    QString currency;
};

struct DunningRunResult
{
    QList<MadeReminder> made;
    int skipped = 0;        // paid, cancelled or reminded elsewhere since they were listed
    QStringList passedOver; // each skipped or time-barred invoice with the reason
    QString error;          // the message that ended the run early, if any
    QStringList warnings;
    QString first() const { return made.isEmpty() ? QString() : made.first().number; }
    QString last() const { return made.isEmpty() ? QString() : made.last().number; }
};

// Makes the next reminder of every listed invoice that is not at the last
// level and not left out: a document of type "M" dated the key date, with a
// position for the open invoice, the level's fee, the flat sum and the
// interest; the invoice's level and reminder date are set with it. Each
// reminder is saved whole or not at all; an error ends the run at that
// invoice (its message names it), the reminders made before it stay.
// progress, when given, hears after each invoice how many are done. A
// time-barred claim is reminded only when its invoice is in barredConfirmed.
DunningRunResult CreateReminders(TVexDaoDatabase &db, const Dunning::Settings &settings,
                                 const DunningList &list, const QSet<qint64> &leftOut = {},
                                 const std::function<void(int done, int total)> &progress = {},
                                 const QSet<qint64> &barredConfirmed = {});

// "N Rechnungen übergangen: …" with one line per invoice passed over, or
// empty when none was.
QString PassedOverText(const DunningRunResult &r);
