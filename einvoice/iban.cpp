// SPDX-License-Identifier: GPL-3.0-or-later
#include "iban.h"

bool IsValidIban(const QString &iban)
{
    const QString s = QString(iban).remove(QLatin1Char(' ')).toUpper();
    if (s.size() < 15 || s.size() > 34 || !s.at(0).isLetter() || !s.at(1).isLetter() || !s.at(2).isDigit() ||
        !s.at(3).isDigit())
        return false;
    // ISO 13616: country and check digits moved to the end, letters as 10..35,
    // the whole number modulo 97 must be 1.
    int rest = 0;
    const QString moved = s.mid(4) + s.left(4);
    for (const QChar c : moved) {
        if (c.isDigit() && c.unicode() < 128) {
            rest = (rest * 10 + c.digitValue()) % 97;
        } else if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) {
            rest = (rest * 100 + (c.unicode() - 'A' + 10)) % 97;
        } else {
            return false;
        }
    }
    return rest == 1;
}
