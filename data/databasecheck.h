// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a firm's data can get wrong over the years, found without changing
// anything: the file's own integrity, positions without their document,
// stored totals that differ from the positions, numbers given twice within a
// type, invoices without a customer and due dates before the document date;
// and, as a notice, addresses whose documents no longer must be kept (to be
// made anonymous).
// Works on both engines; the file check is SQLite's own.
#include <QList>
#include <QString>
#include <QStringList>

class Engine;

namespace DatabaseCheck {

struct Finding
{
    QString title;    // what is wrong, German
    QStringList rows; // the rows concerned, one line each
    // Nothing wrong, but something to do (personal data kept past its
    // time): reported after the findings, not counted among them.
    bool notice = false;
};
// Whether any of them is a finding rather than a notice.
bool anyFault(const QList<Finding> &findings);

// Reads only. Opens nothing: the caller hands in an open engine.
QList<Finding> run(Engine &engine);

// Opens the location without the schema upgrade that a program start makes,
// so that a check never changes the file.
QList<Finding> runOn(const QString &location);

// Every finding with its rows, and a closing line.
QString report(const QString &location, const QList<Finding> &findings);

} // namespace DatabaseCheck
