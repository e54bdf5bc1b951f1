// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Umwandeln in …" of the document editor and the document list: the menu of
// the types a document can become, and the conversion with its questions
// (a document already done; the customer's other open delivery notes).
#include <QString>

class QMenu;
class QWidget;

namespace ConversionMenu {

// Fills the menu with the types a document of the type can become; each
// entry carries its type letter as data. Empty (and disabled) for others.
void fill(QMenu &menu, const QString &typ);

// Converts the document with the id into a new document of the type after
// the questions; the new document is the current record of the documents
// then. Its id, or 0 when the user said no or the conversion failed (the
// message said why).
qint64 run(QWidget *parent, qint64 sourceId, const QString &typ);

} // namespace ConversionMenu
