// SPDX-License-Identifier: GPL-3.0-or-later
#include "numbering.h"

#include "programfolder.h"
#include "settings.h"
#include "sqldialect.h"
#include "tvexdaotable.h"

namespace Numbering {

QString startNumber(const QString &typ)
{
    if (!typ.isEmpty()) {
        const QString own = IniFile(ProgramFolder::iniPath())
                                .readString(QStringLiteral("Nummernkreise"), typ.left(1).toUpper())
                                .trimmed();
        bool number = false;
        if (own.toLongLong(&number) > 0 && number) return own;
    }
    return builtInStartNumber(typ);
}

QString builtInStartNumber(const QString &typ)
{
    switch (typ.isEmpty() ? u'\0' : typ.at(0).toUpper().unicode()) {
    case 'A':
        return QStringLiteral("5000");
    case 'C':
        return QStringLiteral("6000");
    case 'B':
    case 'U':
        return QStringLiteral("1000");
    case 'G':
        return QStringLiteral("4000");
    case 'L':
    case 'R':
        return QStringLiteral("10000");
    case 'M':
        return QStringLiteral("20000");
    case 'V':
        return QStringLiteral("30000");
    default:
        return QString();
    }
}

QStringList highestSql(const QString &typ)
{
    return {QStringLiteral("select top 1 typ, val(Vorgangnr) as nummer from Vorgang1 where typ=%1")
                .arg(Sql::quoteText(typ)),
            QStringLiteral("order by val(Vorgangnr) desc")};
}

double highestDocumentNumber(TVexDaoDatabase &db, const QString &typ)
{
    TVexDaoTable highest(nullptr, QStringLiteral("vorSQL"));
    highest.setDatabase(&db);
    highest.SQL() << highestSql(typ);
    highest.Open();
    return highest.IsEmpty() ? 0 : highest.FieldByName(QStringLiteral("nummer"))->AsFloat();
}

QString numberAfter(double highest, int fieldSize)
{
    // Beyond 2^53 a stored number can no longer be counted on by one; far
    // below that it has outgrown the field anyway.
    constexpr double kLargestCountable = 9007199254740992.0;
    const QString next = highest < kLargestCountable ? QString::number(qint64(highest) + 1) : QString();
    return !next.isEmpty() && (fieldSize <= 0 || next.size() <= fieldSize) ? next : QString();
}

qint64 nextCustomerNumber(TVexDaoDatabase &db)
{
    TVexDaoTable highest(nullptr, QStringLiteral("AdressSQL"));
    highest.setDatabase(&db);
    highest.SQL() << QStringLiteral("Select top 1 ID,kdnr from Adress")
                  << QStringLiteral("order by kdnr desc");
    highest.Open();
    return (highest.IsEmpty() ? 0 : highest.FieldByName(QStringLiteral("kdnr"))->AsInteger()) + 1;
}

} // namespace Numbering
