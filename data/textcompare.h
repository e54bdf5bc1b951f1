// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// German text comparison without regard to letter case: "müller" equals
// "Müller"; "Müller" sorts beside "Muller" (umlauts sort with their base
// letter, and after it when the words are otherwise equal). The database's
// collation and every in-memory comparison use these functions, so a find in
// memory agrees with the order the database delivers.
#include <QString>
#include <QStringView>

namespace TextCompare {

int compare(QStringView a, QStringView b);
inline bool equals(QStringView a, QStringView b)
{
    return compare(a, b) == 0;
}
// Letter case folded, umlauts kept (ä stays ä): the form equality works on.
QString fold(QStringView s);
// Does the text start with the prefix, letter case ignored?
bool startsWith(QStringView text, QStringView prefix);
// The Jet pattern test: * any run, ? one character, # one digit, [abc] and
// [!abc] character lists; letter case ignored.
bool like(QStringView text, QStringView pattern);

// UTF-8 entry points for the database engine's collation.
int compareUtf8(const char *a, int alen, const char *b, int blen);

} // namespace TextCompare
