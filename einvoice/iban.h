// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The IBAN's own check (ISO 13616), for the firm's account and for the
// accounts received invoices ask to be paid to, and the ISO 7064 MOD 97-10
// rest that the SEPA creditor identifier shares with it.
#include <QString>

// True for a well-formed IBAN with correct check digits (blanks allowed).
bool IsValidIban(const QString &iban);
// The number the digits and capital letters (A = 10 … Z = 35) spell, modulo
// 97; -1 for a character of another kind.
int Mod97Rest(const QString &digitsAndLetters);
// Two letters and two digits, as an IBAN and a creditor identifier start.
bool StartsLikeIban(const QString &s);
