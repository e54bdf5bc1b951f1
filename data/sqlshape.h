// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The shape of a query text: the text with its number literals taken out.
// Queries made again and again with only another number in them (a document
// by its id, the positions of a document) share one shape, so what was built
// for one of them serves the next.
#include "value.h"

#include <QString>
#include <QStringList>

namespace SqlShape {

// The text with each number literal outside quotes replaced by a mark, and
// the literals in order. False when a number runs into a name or a letter
// (t0, 1e5): such a text is taken as it stands.
bool numbersOut(const QString &text, QString *shape, QStringList *numbers);
// The shape with the marks replaced by the numbers again.
QString numbersIn(const QString &shape, const QStringList &numbers);
// A literal as the query takes it, in the kind it was bound as.
Value numberValue(const QString &number, Value::Kind kind);
// The same value of the same kind.
bool sameValue(const Value &a, const Value &b);

} // namespace SqlShape
