// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The IBAN's own check (ISO 13616), for the firm's account and for the
// accounts received invoices ask to be paid to.
#include <QString>

// True for a well-formed IBAN with correct check digits (blanks allowed).
bool IsValidIban(const QString &iban);
