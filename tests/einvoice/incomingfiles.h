// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The received e-invoices kept as test data (tests/einvoice/incoming), and a
// PDF carrying one of them as another tool would attach it.
#include "einvoice/incominginvoice.h"
#include "einvoice/invoicecheck.h"
#include "tests/dbfixture.h"

#include <QFile>

inline QString IncomingPath(const char *name)
{
    return QStringLiteral(TAVIREL_SOURCE_DIR "/tests/einvoice/incoming/") + QLatin1String(name);
}

inline QByteArray IncomingFile(const char *name)
{
    QFile f(IncomingPath(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline IncomingInvoice ReadIncoming(const char *name)
{
    return IncomingInvoice::read(IncomingFile(name), QString::fromLatin1(name));
}

// A one-page PDF with the XML attached under the given name, as ZUGFeRD 2.0
// tools wrote it ("zugferd-invoice.xml") or as Factur-X does ("factur-x.xml");
// without a name, a PDF without attachment. Deflated, the attachment is
// stored compressed (/FlateDecode) as it is, without qpdf touching it.
QByteArray PdfWithAttachment(const QByteArray &xml, const char *attachmentName, bool deflated = false);
