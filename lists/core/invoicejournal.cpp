// SPDX-License-Identifier: GPL-3.0-or-later
#include "invoicejournal.h"

#include "documentlistexport.h"

#include "base/germanformat.h"
#include "base/money.h"
#include "base/textfiles.h"
#include "data/dates.h"
#include "data/tax.h"
#include "data/tvexdaotable.h"

#include <QHash>
#include <map>
#include <vector>

namespace InvoiceJournal {

namespace {

struct Invoice
{
    qint64 id = 0;
    QString typ, number, date, customer, kdnr, state, taxCase;
    Tax::Totals totals;
};

// Two decimals, a decimal comma, no thousands separator: what a spreadsheet reads as a number.
QString amount(qint64 tenThousandths, bool negative)
{
    const qint64 cents = (tenThousandths >= 0 ? tenThousandths + 50 : tenThousandths - 50) / 100;
    const qint64 v = negative ? -cents : cents;
    const qint64 a = v < 0 ? -v : v;
    return QStringLiteral("%1%2,%3")
        .arg(v < 0 ? QStringLiteral("-") : QString())
        .arg(a / 100)
        .arg(a % 100, 2, 10, QLatin1Char('0'));
}

QString condition(const QDate &from, const QDate &to)
{
    QString c = QStringLiteral("(vorgang1.typ = 'R' or vorgang1.typ = 'G')");
    if (from.isValid()) c += QStringLiteral(" and vorgang1.datum >= ") + DateToSqlLiteral(from);
    if (to.isValid()) c += QStringLiteral(" and vorgang1.datum <= ") + DateToSqlLiteral(to);
    return c;
}

} // namespace

QByteArray encode(TVexDaoDatabase &db, const QDate &from, const QDate &to)
{
    TVexDaoTable docs(nullptr, QStringLiteral("journal"));
    docs.setDatabase(&db);
    docs.SQL() << QStringLiteral(
                      "select vorgang1.*, adress.NAME1 as kundenname, adress.VORNAME as kundenvorname "
                      "from vorgang1 left join adress on vorgang1.kdnr = adress.kdnr")
               << QStringLiteral("where ") + condition(from, to)
               << QStringLiteral("order by vorgang1.datum, vorgang1.vorgangnr");
    docs.Open();
    std::vector<Invoice> invoices;
    QHash<qint64, size_t> byId;
    for (docs.First(); !docs.Eof(); docs.Next()) {
        Invoice inv;
        inv.totals = Tax::Totals(!Tax::isLegacyDocument(docs));
        inv.id = docs.FieldByName(QStringLiteral("id"))->AsInteger();
        if (byId.contains(inv.id)) continue; // an address twice under one number lists it once
        inv.typ = docs.FieldByName(QStringLiteral("typ"))->AsString().trimmed().toUpper();
        inv.number = docs.FieldByName(QStringLiteral("vorgangnr"))->AsString().trimmed();
        const TField *datum = docs.FieldByName(QStringLiteral("datum"));
        inv.date = datum->IsNull() ? QString() : German::formatDate(datum->AsDate());
        inv.customer = (docs.FieldByName(QStringLiteral("kundenvorname"))->AsString() + QLatin1Char(' ') +
                        docs.FieldByName(QStringLiteral("kundenname"))->AsString())
                           .trimmed();
        const TField *kdnr = docs.FieldByName(QStringLiteral("kdnr"));
        inv.kdnr = kdnr->IsNull() ? QString() : QString::number(qRound64(kdnr->AsFloat()));
        inv.state = docs.FieldByName(QStringLiteral("storniert"))->AsBoolean() ? QStringLiteral("storniert")
                    : docs.FieldByName(QStringLiteral("bezahlt"))->AsBoolean() ? QStringLiteral("bezahlt")
                                                                               : QStringLiteral("offen");
        const TField *fall = docs.FindField(QStringLiteral("Steuerfall"));
        inv.taxCase = Tax::caseName(Tax::caseOfCode(fall ? fall->AsString() : QString()));
        byId.insert(inv.id, invoices.size());
        invoices.push_back(std::move(inv));
    }
    docs.Close();

    TVexDaoTable positions(nullptr, QStringLiteral("journalPositionen"));
    positions.setDatabase(&db);
    positions.SQL() << QStringLiteral(
                           "select vorgang2.* from vorgang2 inner join vorgang1 on vorgang2.vorgangid = "
                           "vorgang1.id")
                    << QStringLiteral("where ") + condition(from, to)
                    << QStringLiteral("order by vorgang2.vorgangid, vorgang2.pos, vorgang2.id");
    positions.Open();
    const TField *of = positions.FieldByName(QStringLiteral("vorgangid"));
    const TField *anzahl = positions.FieldByName(QStringLiteral("anzahl"));
    const TField *preis = positions.FieldByName(QStringLiteral("preis"));
    const TField *rate = positions.FindField(QStringLiteral("MwstSatz"));
    const TField *category = positions.FindField(QStringLiteral("MwstKat"));
    for (positions.First(); !positions.Eof(); positions.Next()) {
        const auto it = byId.constFind(of->AsInteger());
        if (it == byId.constEnd()) continue;
        invoices[it.value()].totals.add(anzahl->AsFloat(), preis->AsFloat(), Tax::rateOfField(rate),
                                        Tax::categoryOfField(category));
    }

    // A pair of columns for every rate and category that occurs in the period.
    std::map<std::pair<double, QString>, int> columns;
    for (const Invoice &inv : invoices)
        for (const Tax::Group &g : inv.totals.groups())
            columns.emplace(std::make_pair(g.rate, g.category), 0);
    QStringList header{QStringLiteral("Rechnungsnr"), QStringLiteral("Art"),   QStringLiteral("Datum"),
                       QStringLiteral("Kunde"),       QStringLiteral("Kd-Nr"), QStringLiteral("Status"),
                       QStringLiteral("Steuerfall")};
    int index = 0;
    for (auto &[key, column] : columns) {
        column = index++;
        const QString name = QStringLiteral("%1 % %2").arg(Tax::rateText(key.first), key.second);
        header << QStringLiteral("Netto ") + name << QStringLiteral("USt ") + name;
    }
    header << QStringLiteral("Netto") << QStringLiteral("USt") << QStringLiteral("Brutto");

    QString out = header.join(QLatin1Char(';')) + QStringLiteral("\r\n");
    for (const Invoice &inv : invoices) {
        const bool credit = inv.typ == QLatin1String("G");
        QStringList fields{DocumentListExport::quoteField(inv.number),
                           credit ? QStringLiteral("Gutschrift") : QStringLiteral("Rechnung"),
                           inv.date,
                           DocumentListExport::quoteField(inv.customer),
                           inv.kdnr,
                           inv.state,
                           inv.taxCase};
        QStringList perRate(int(columns.size()) * 2);
        for (const Tax::Group &g : inv.totals.groups()) {
            const int c = columns.at(std::make_pair(g.rate, g.category));
            perRate[2 * c] = amount(g.net, credit);
            perRate[2 * c + 1] = amount(g.vat, credit);
        }
        fields << perRate << amount(inv.totals.net(), credit) << amount(inv.totals.vat(), credit)
               << amount(inv.totals.gross(), credit);
        out += fields.join(QLatin1Char(';')) + QStringLiteral("\r\n");
    }
    return TextFiles::encodeCp1252(out);
}

void write(TVexDaoDatabase &db, const QDate &from, const QDate &to, const QString &path)
{
    TextFiles::writeWhole(path, encode(db, from, to));
}

} // namespace InvoiceJournal
