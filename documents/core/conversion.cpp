// SPDX-License-Identifier: GPL-3.0-or-later
#include "conversion.h"

#include "tfumw.h"

#include "base/apperror.h"
#include "base/germanformat.h"
#include "data/dates.h"
#include "data/tax.h"
#include "data/tdata.h"
#include "data/tvexdaodatabase.h"

#include <QScopeGuard>

namespace Conversion {

namespace {

const QString kNewline = QStringLiteral("\r\n");

// The position columns a delivery note adds to the invoice of its first
// one; the number is given anew, after those already there.
const char *const kPositionColumns[] = {"Artikel", "Bezeichnung", "Titel",    "Anzahl", "Einheit",
                                        "Preis",   "EK",          "MwstSatz", "MwstKat"};

Source sourceOfRow(const TVexDaoTable &t)
{
    Source s;
    s.id = t.FieldByName(QStringLiteral("id"))->AsInteger();
    s.typ = t.FieldByName(QStringLiteral("typ"))->AsString().trimmed().toUpper();
    s.number = t.FieldByName(QStringLiteral("vorgangnr"))->AsString().trimmed();
    const TField *datum = t.FieldByName(QStringLiteral("datum"));
    s.date = datum->IsNull() ? QString() : German::formatDate(datum->AsDate());
    const TField *kdnr = t.FieldByName(QStringLiteral("kdnr"));
    s.kdnr = kdnr->IsNull() ? 0 : qRound64(kdnr->AsFloat());
    s.done = t.FieldByName(QStringLiteral("erledigt"))->AsBoolean();
    s.cancelled = t.FieldByName(QStringLiteral("storniert"))->AsBoolean();
    s.typeName = Data ? Data->TypeName(s.typ) : s.typ;
    return s;
}

QList<Source> sourcesWhere(const QString &condition)
{
    TVexDaoTable t(nullptr, QStringLiteral("umwQuelle"));
    t.setDatabase(Data->vorgang.Database());
    t.SQL() << QStringLiteral("select id, typ, vorgangnr, datum, kdnr, erledigt, storniert from vorgang1")
            << QStringLiteral("where ") + condition << QStringLiteral("order by datum, id");
    t.Open();
    QList<Source> out;
    for (t.First(); !t.Eof(); t.Next())
        out << sourceOfRow(t);
    return out;
}

QString caption(const Source &s)
{
    return QStringLiteral("%1 %2-%3").arg(s.typeName, s.typ, s.number);
}

// Why the sources cannot become the type; empty when they can.
QString refusal(const QList<Source> &sources, const QString &typ)
{
    if (sources.isEmpty()) return QStringLiteral("Es ist kein Vorgang zum Umwandeln gewählt.");
    for (const Source &s : sources) {
        if (s.cancelled)
            return QStringLiteral("%1 ist storniert und wird nicht umgewandelt.").arg(caption(s));
        if (!targetsOf(s.typ).contains(typ))
            return QStringLiteral("%1 kann nicht in %2 umgewandelt werden.")
                .arg(caption(s), Data->TypeName(typ));
    }
    if (sources.size() > 1) {
        for (const Source &s : sources) {
            if (s.typ != QLatin1String("L") || typ != QLatin1String("R"))
                return QStringLiteral("Mehrere Vorgänge werden nur als Lieferscheine eines Kunden zu einer "
                                      "Rechnung zusammengefasst.");
            if (s.kdnr != sources.first().kdnr)
                return QStringLiteral(
                           "Die Lieferscheine %1 und %2 gehören zu verschiedenen Kunden; eine Rechnung "
                           "geht an einen Kunden.")
                    .arg(caption(sources.first()), caption(s));
        }
    }
    return QString();
}

// The positions of another source appended to the current document, at
// the rates the copy of the first source gave its own.
void appendPositions(qint64 sourceId)
{
    TVexDaoTable &target = Data->vorgangdata;
    const TField *caseField = Data->vorgang.FindField(QStringLiteral("Steuerfall"));
    const Tax::Case taxCase = Tax::caseOfCode(caseField ? caseField->AsString() : QString());
    TVexDaoTable from(nullptr, QStringLiteral("umwPositionen"));
    from.setDatabase(Data->vorgang.Database());
    from.SQL()
        << QStringLiteral("select * from vorgang2 where vorgangid = %1 order by pos, id").arg(sourceId);
    from.Open();
    TField *rateField = target.FindField(QStringLiteral("MwstSatz"));
    TField *katField = target.FindField(QStringLiteral("MwstKat"));
    const bool withRates = rateField && katField && from.FindField(QStringLiteral("MwstSatz"));
    for (from.First(); !from.Eof(); from.Next()) {
        target.Insert();
        for (const char *column : kPositionColumns) {
            const QString name = QString::fromLatin1(column);
            TField *source = from.FindField(name);
            TField *field = target.FindField(name);
            if (source && field) field->setValue(source->value());
        }
        if (withRates) {
            const auto [rate, kat] =
                TFumw::CopiedRate(Tax::positionRate(from), Tax::positionCategory(from), taxCase);
            rateField->SetAsFloat(rate);
            katField->SetAsString(kat);
        }
        target.Post();
    }
}

// Marks a source done, through a dataset of its own so that a change made
// elsewhere meanwhile is refused rather than overwritten.
void markDone(qint64 id)
{
    TVexDaoTable t(nullptr, QStringLiteral("umwErledigt"));
    t.setDatabase(Data->vorgang.Database());
    t.setTableName(QStringLiteral("Vorgang1"));
    t.setFilter(QStringLiteral("id = %1").arg(id));
    t.setFiltered(true);
    t.Open();
    if (t.IsEmpty()) return;
    t.Edit();
    t.FieldByName(QStringLiteral("erledigt"))->SetAsBoolean(true);
    t.Post();
}

} // namespace

QStringList targetsOf(const QString &typ)
{
    const QString t = typ.trimmed().toUpper();
    if (t == QLatin1String("A")) return {QStringLiteral("C"), QStringLiteral("L"), QStringLiteral("R")};
    if (t == QLatin1String("C")) return {QStringLiteral("L"), QStringLiteral("R")};
    if (t == QLatin1String("L")) return {QStringLiteral("R")};
    return {};
}

Source read(qint64 id)
{
    const QList<Source> found = sourcesWhere(QStringLiteral("id = %1").arg(id));
    return found.isEmpty() ? Source() : found.first();
}

QList<Source> openDeliveryNotes(qint64 kdnr, qint64 except)
{
    QList<Source> out;
    for (const Source &s :
         sourcesWhere(QStringLiteral("typ = 'L' and kdnr = %1 and id <> %2").arg(kdnr).arg(except)))
        if (!s.done && !s.cancelled) out << s;
    return out;
}

QString referenceLine(const Source &source)
{
    QString line = QStringLiteral("zu %1 %2-%3").arg(source.typeName, source.typ, source.number);
    if (!source.date.isEmpty()) line += QStringLiteral(" vom ") + source.date;
    return line;
}

qint64 Convert(TFumw &fumw, const QList<qint64> &sourceIds, const QString &typ)
{
    QList<Source> sources;
    for (qint64 id : sourceIds) {
        const Source s = read(id);
        if (s.id == 0) throw AppError(QStringLiteral("Es gibt keinen Vorgang mit der ID %1.").arg(id));
        sources << s;
    }
    const QString why = refusal(sources, typ);
    if (!why.isEmpty()) throw AppError(why);

    TVexDaoTable &vorgang = Data->vorgang;
    TVexDaoDatabase *db = vorgang.Database();
    if (!db) throw AppError(QStringLiteral("Die Datenbank ist nicht geöffnet"));
    try {
        // Undone as the first thing when an error ends it.
        TVexDaoDatabase::Transaction transaction(*db);
        QString number;
        if (!fumw.CopyVorgangFrom(sources.first().id, typ, German::formatDate(Today()), number))
            throw AppError(QStringLiteral("%1 hat keine Positionen; es gibt nichts umzuwandeln.")
                               .arg(caption(sources.first())));
        {
            TData::TotalsDeferred deferred(*Data);
            for (qsizetype i = 1; i < sources.size(); ++i)
                appendPositions(sources.at(i).id);
        }
        if (sources.size() > 1) Data->RecalcTotals();
        vorgang.Edit();
        QStringList references;
        for (const Source &s : std::as_const(sources))
            references << referenceLine(s);
        TField *kopf = vorgang.FieldByName(QStringLiteral("Kopftext"));
        const QString header = kopf->AsString();
        kopf->SetAsString(references.join(kNewline) +
                          (header.trimmed().isEmpty() ? QString() : kNewline + header));
        vorgang.PostKeepingDetails();
        const qint64 id = vorgang.FieldByName(QStringLiteral("id"))->AsInteger();
        for (const Source &s : std::as_const(sources))
            markDone(s.id);
        transaction.commit();
        return id;
    } catch (...) {
        Data->ForgetNumbers();
        try {
            if (Data->vorgangdata.State() == DataSetState::Insert) Data->vorgangdata.Cancel();
            if (vorgang.State() != DataSetState::Browse) vorgang.Cancel();
        } catch (...) {
            // The error that stopped the conversion is the one to report.
        }
        throw;
    }
}

} // namespace Conversion
