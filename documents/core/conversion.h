// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Documents that turn into each other: an offer into an order confirmation,
// a delivery note or an invoice; an order confirmation into a delivery note
// or an invoice; one or several delivery notes of one customer into one
// invoice. The new document takes the first source's header and every
// source's positions, refers to its source (Vorgang1.bezug, and a line
// "zu Angebot A-5000 vom 01.03.2026" above its header text), and the
// sources are marked done. The window that asks is the caller's.
#include <QList>
#include <QString>
#include <QStringList>

class TFumw;

namespace Conversion {

// The type letters a document of the type can become, in the order offered.
QStringList targetsOf(const QString &typ);

struct Source
{
    qint64 id = 0;
    QString typ, number, typeName;
    QString date; // dd.mm.yyyy
    qint64 kdnr = 0;
    bool done = false, cancelled = false;
};
// The document with the id as a conversion sees it; id 0 when there is none.
Source read(qint64 id);
// The other delivery notes of the customer that are not done nor cancelled,
// oldest first, without the one given.
QList<Source> openDeliveryNotes(qint64 kdnr, qint64 except);

// "zu Angebot A-5000 vom 01.03.2026"
QString referenceLine(const Source &source);

// Makes the new document of the type from the sources, dated today, and
// leaves it the current record of the documents. All of it is saved, or
// nothing. Returns the new document's id. AppError with a German message
// when the sources cannot become that type (an unknown or cancelled
// document, one without positions, several documents that are not delivery
// notes of one customer).
qint64 Convert(TFumw &fumw, const QList<qint64> &sourceIds, const QString &typ);

} // namespace Conversion
