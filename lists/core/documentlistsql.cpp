// SPDX-License-Identifier: GPL-3.0-or-later
#include "documentlistsql.h"

#include "base/money.h"
#include "base/textfiles.h"
#include "data/programfolder.h"
#include "data/tax.h"
#include "data/tvexdaotable.h"

QStringList DocumentListSql(const QString &orderLine)
{
    QStringList lines = TextFiles::loadLines(ProgramFolder::file(QStringLiteral("vliste.sql")));
    lines << orderLine;
    return lines;
}

void SetUpDocumentListFields(TVexDaoTable &list)
{
    using T = FieldType;
    list.addField(QStringLiteral("id"), T::Counter);
    list.addField(QStringLiteral("kdnr"), T::Number);
    list.addField(QStringLiteral("Datum"), T::Date);
    list.addField(QStringLiteral("Typ"), T::Text, 1);
    list.addField(QStringLiteral("vorgangnr"), T::Text, 15);
    list.addField(QStringLiteral("Kunde"), T::Text, 60);
    list.addField(QStringLiteral("Zieldatum"), T::Date);
    list.addField(QStringLiteral("bezahlt"), T::Bool);
    list.addField(QStringLiteral("Bezahltdatum"), T::Date);
    list.addField(QStringLiteral("EK"), T::Number)->DisplayFormat = QStringLiteral("#,#0.00");
    list.addField(QStringLiteral("VK"), T::Number)->DisplayFormat = QStringLiteral("#,#0.00");
    list.addField(QStringLiteral("VertragT"), T::Text, 1);
    list.addField(QStringLiteral("storniert"), T::Bool);
    list.addField(QStringLiteral("Waehrung"), T::Text, 3);
    // The document's VAT; a select of an older version lacks it, and its
    // documents then show the gross of the one rate of that version.
    TField *mwst = list.addField(QStringLiteral("mwst"), T::Number);
    mwst->Optional = true;
    // What a received invoice leaves to pay, where part of it was paid in advance.
    TField *due = list.addField(QStringLiteral("zahlbetrag"), T::Number);
    due->Optional = true;
    TField *vkbr = list.addCalcField(QStringLiteral("vkbr"), T::Number);
    vkbr->DisplayFormat = QStringLiteral("#,#0.00");
    // Shown as the print rounds it: a net 439,50 is 523,01 gross, not 523,00.
    vkbr->Currency = true;
    const TField *vk = list.FieldByName(QStringLiteral("VK"));
    // A currency figure to the ten-thousandth: net plus VAT as stored, or
    // what a received invoice leaves to pay. No net amount, no gross one.
    list.OnCalcFields = [vk, mwst, due, vkbr](TVexDaoTable &) {
        if (vk->IsNull()) return vkbr->Clear();
        vkbr->SetAsFloat(double(Money::toAmount(due->IsNull() ? Tax::grossOf(vk->value(), mwst->value())
                                                              : Money::fromAmount(due->AsFloat()))));
    };
}

QString DocumentListOrderExpression(const QString &fieldName)
{
    // Exact case, as the titles name their fields.
    if (fieldName == QLatin1String("vkbr")) return QString();
    if (fieldName == QLatin1String("Typ")) return QStringLiteral("Vorgang1.typ");
    if (fieldName == QLatin1String("Kunde")) return QStringLiteral("Adress.Name1");
    return fieldName;
}
