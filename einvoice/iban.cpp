// SPDX-License-Identifier: GPL-3.0-or-later
#include "iban.h"

int Mod97Rest(const QString &digitsAndLetters)
{
    int rest = 0;
    for (const QChar c : digitsAndLetters) {
        if (c.isDigit() && c.unicode() < 128) {
            rest = (rest * 10 + c.digitValue()) % 97;
        } else if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) {
            rest = (rest * 100 + (c.unicode() - 'A' + 10)) % 97;
        } else {
            return -1;
        }
    }
    return rest;
}

bool StartsLikeIban(const QString &s)
{
    return s.size() >= 4 && s.at(0).isLetter() && s.at(1).isLetter() && s.at(2).isDigit() &&
           s.at(3).isDigit();
}

bool IsValidIban(const QString &iban)
{
    const QString s = QString(iban).remove(QLatin1Char(' ')).toUpper();
    if (s.size() < 15 || s.size() > 34 || !StartsLikeIban(s)) return false;
    // ISO 13616: country and check digits moved to the end.
    return Mod97Rest(s.mid(4) + s.left(4)) == 1;
}
