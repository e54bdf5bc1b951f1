// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The checks a firm runs on a received invoice before it pays it and claims
// its input VAT: the arithmetic of EN 16931 (line amounts, sums, VAT per
// category, amount due) and the terms German VAT law asks of an invoice
// (§ 14 Abs. 4 UStG: the seller's VAT id or tax number, the date of supply,
// the VAT per rate). Each failed check names the business term it concerns;
// the invoice can be kept either way.
#include "incominginvoice.h"

// Values the reader could not take come first, then the failed checks.
QList<InvoiceFinding> CheckIncomingInvoice(const IncomingInvoice &invoice);
