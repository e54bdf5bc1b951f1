// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Received e-invoices in the document list: taking one in from a file (the
// supplier offered as a new address when none is found) and saving the
// kept original again.
#include <QtGlobal>

class QWidget;

namespace IncomingInvoices {

// Asks for the file and keeps the invoice; what went wrong, or what was
// kept, is said in a message box. The id of the new document (type E), 0
// when nothing was kept.
qint64 ImportFromFile(QWidget *parent);

// Saves the original of the received invoice behind the document, byte for
// byte, under a name the user chooses. AppError when it cannot be written.
void SaveOriginal(QWidget *parent, qint64 vorgangId);

} // namespace IncomingInvoices
