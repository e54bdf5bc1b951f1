// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QStringList>

class TVexDaoTable;

// The document list's query: the lines of vliste.sql in the program folder
// followed by the order line. Fails with the file's message when it is missing.
QStringList
DocumentListSql(const QString &orderLine = QStringLiteral("order by datum desc,vorgangnr desc,kunde"));

// Declares the fields the list binds by name (a select in vliste.sql that
// lacks one of them fails at Open with the layer's message for a missing
// field), the calculated gross amount vkbr and the money formats.
void SetUpDocumentListFields(TVexDaoTable &list);

// What a click on a column title orders by: the field's name, with the two
// names the join needs qualified; empty for the gross amount, which is
// computed and cannot be ordered by.
QString DocumentListOrderExpression(const QString &fieldName);
