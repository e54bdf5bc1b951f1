// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the reader of received e-invoices, which takes files
// from strangers: any bytes (XML or a PDF with an attachment) are read and
// checked, or refused with an AppError; nothing else may happen (no crash,
// hang, sanitizer report or memory past the reader's limits). What is read
// is also put out as JSON and text, as einvoice-show does.
#include "base/apperror.h"
#include "einvoice/incominginvoice.h"
#include "einvoice/invoicecheck.h"

#include <QByteArray>
#include <QJsonDocument>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray file(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        const IncomingInvoice inv = IncomingInvoice::read(file, QStringLiteral("fuzz"));
        const QList<InvoiceFinding> findings = CheckIncomingInvoice(inv);
        (void)QJsonDocument(inv.toJson(findings)).toJson();
        (void)inv.toText(findings);
    } catch (const AppError &) {
    }
    return 0;
}
