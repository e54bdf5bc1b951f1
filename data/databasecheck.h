// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a firm's data can get wrong over the years, found without changing
// anything: the file's own integrity, positions without their document,
// stored totals that differ from the positions, numbers given twice within a
// type, invoices without a customer and due dates before the document date.
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
};

// Reads only. Opens nothing: the caller hands in an open engine.
QList<Finding> run(Engine &engine);

// Opens the location without the schema upgrade that a program start makes,
// so that a check never changes the file.
QList<Finding> runOn(const QString &location);

// Every finding with its rows, and a closing line.
QString report(const QString &location, const QList<Finding> &findings);

} // namespace DatabaseCheck
