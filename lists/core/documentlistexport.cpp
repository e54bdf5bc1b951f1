// SPDX-License-Identifier: GPL-3.0-or-later
#include "documentlistexport.h"

#include "base/apperror.h"
#include "base/germanformat.h"
#include "base/textfiles.h"
#include "data/tvexdaotable.h"

#include <QDir>
#include <QScopeGuard>

namespace DocumentListExport {

namespace {

QString dateText(const Value &v)
{
    return v.kind() == Value::DateTime ? German::formatStamp(v.stamp()) : QString();
}

QString numberText(const Value &v)
{
    if (v.isNull()) return QString();
    return German::formatFloat(v.toDouble());
}

QString text(const Value &v)
{
    switch (v.kind()) {
    case Value::Null:
        return QString();
    case Value::Text:
        return v.rawText();
    case Value::DateTime:
        return dateText(v);
    case Value::Double:
        return German::formatFloat(v.rawDouble());
    case Value::Bytes:
        return QString();
    default:
        return QString::number(v.rawInt());
    }
}

} // namespace

QString headerLine()
{
    return QStringLiteral("Datum;V-Nr;Art;Kunde;bezahlenbis;bezahltam;netto;brutto");
}

QString quoteField(const QString &text)
{
    // A spreadsheet would take a text beginning like a formula for one and
    // compute it: the apostrophe makes it text there.
    QString field = text;
    if (!field.isEmpty() && QStringView(u"=+-@\t\r").contains(field.front()))
        field.prepend(QLatin1Char('\''));
    for (const QChar c : field) {
        if (c == u';' || c == u'"' || c == u'\r' || c == u'\n') {
            QString quoted = field;
            quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
            return QLatin1Char('"') + quoted + QLatin1Char('"');
        }
    }
    return field;
}

QHash<QString, QString> typeNames(TVexDaoDatabase &connection)
{
    TVexDaoTable types(nullptr, QStringLiteral("VTyp"));
    types.setDatabase(&connection);
    types.SQL() << QStringLiteral("select id, Typbez from VTyp");
    types.Open();
    QHash<QString, QString> names;
    const TField *id = types.FieldByName(QStringLiteral("id"));
    const TField *name = types.FieldByName(QStringLiteral("Typbez"));
    for (int row = 0; row < types.RowCount(); ++row) {
        const QString key = text(id->valueAt(row)).toCaseFolded();
        if (!names.contains(key)) names.insert(key, text(name->valueAt(row)));
    }
    return names;
}

QByteArray encode(TVexDaoTable &list, const QHash<QString, QString> &typeNames)
{
    list.checkActive();
    const TField *datum = list.FieldByName(QStringLiteral("Datum"));
    const TField *nr = list.FieldByName(QStringLiteral("vorgangnr"));
    const TField *typ = list.FieldByName(QStringLiteral("Typ"));
    const TField *kunde = list.FieldByName(QStringLiteral("Kunde"));
    const TField *ziel = list.FieldByName(QStringLiteral("Zieldatum"));
    const TField *bezahlt = list.FieldByName(QStringLiteral("Bezahltdatum"));
    const TField *vk = list.FieldByName(QStringLiteral("VK"));
    const TField *vkbr = list.FieldByName(QStringLiteral("vkbr"));

    QString out;
    out.reserve(qsizetype(list.RowCount() + 1) * 96);
    const auto line = [&out](const QString &s) {
        out += s;
        out += QLatin1String("\r\n");
    };
    line(headerLine());

    list.DisableControls();
    auto enable = qScopeGuard([&list] { list.EnableControls(); });
    QString fields;
    for (list.First(); !list.Eof(); list.Next()) {
        fields.clear();
        fields += dateText(datum->value());
        fields += QLatin1Char(';');
        fields += quoteField(text(nr->value()));
        fields += QLatin1Char(';');
        fields += quoteField(typeNames.value(text(typ->value()).toCaseFolded()));
        fields += QLatin1Char(';');
        fields += quoteField(text(kunde->value()));
        fields += QLatin1Char(';');
        fields += dateText(ziel->value());
        fields += QLatin1Char(';');
        fields += dateText(bezahlt->value());
        fields += QLatin1Char(';');
        fields += numberText(vk->value());
        fields += QLatin1Char(';');
        fields += German::formatFloat(vkbr->value().toDouble());
        line(fields);
    }
    return TextFiles::encodeCp1252(out);
}

void write(TVexDaoTable &list, const QHash<QString, QString> &typeNames, const QString &path)
{
    TextFiles::writeWhole(path, encode(list, typeNames));
}

} // namespace DocumentListExport
