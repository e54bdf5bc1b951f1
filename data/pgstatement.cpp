// SPDX-License-Identifier: GPL-3.0-or-later
#include "pgstatement.h"

#include "base/apperror.h"
#include "base/germanformat.h"

#include <QScopeGuard>
#include <cmath>
#include <cstdlib>

namespace Pg {

void PgStatement::bind(int index, const Value &value)
{
    if (index < 1 || index > int(m_params.size()))
        throw AppError(QStringLiteral("Parameter %1 gibt es in der Abfrage nicht").arg(index));
    if (Engine::holdsNul(value)) throw AppError(Engine::nulMessage(value.rawText()));
    m_params[size_t(index - 1)] = value;
}

bool PgStatement::step()
{
    if (!m_result) execute();
    if (m_row + 1 < m_rows) {
        ++m_row;
        return true;
    }
    m_row = m_rows;
    return false;
}

Value PgStatement::column(int i, FieldType type) const
{
    if (!m_result || m_row < 0 || m_row >= m_rows || PQgetisnull(m_result.get(), m_row, i)) return Value();
    const char *p = PQgetvalue(m_result.get(), m_row, i);
    const int n = PQgetlength(m_result.get(), m_row, i);
    const Oid t = PQftype(m_result.get(), i);
    switch (type) {
    case FieldType::Text:
    case FieldType::Memo:
        if (t == kBool) return Value(QString(p[0] == 't' ? QLatin1Char('1') : QLatin1Char('0')));
        if (isFloatOid(t) || t == kNumeric) return Value(German::formatFloat(std::strtod(p, nullptr)));
        if (isDateOid(t)) return Value(isoText(p, n));
        return Value(QString::fromUtf8(p, n));
    case FieldType::Number:
        if (t == kBool) return Value(p[0] == 't' ? 1.0 : 0.0);
        if (isIntegerOid(t) || isFloatOid(t) || t == kNumeric) return Value(std::strtod(p, nullptr));
        return textAsNumber(p, n);
    case FieldType::Integer:
    case FieldType::Short:
    case FieldType::Counter:
        if (t == kBool) return Value(qint64(p[0] == 't' ? 1 : 0));
        if (isIntegerOid(t)) return Value(qint64(std::strtoll(p, nullptr, 10)));
        if (isFloatOid(t) || t == kNumeric) return Value(qint64(std::strtod(p, nullptr)));
        return textAsNumber(p, n);
    case FieldType::Bool:
        if (t == kBool) return Value(p[0] == 't');
        return Value(std::strtod(p, nullptr) != 0.0);
    case FieldType::Date: {
        qint64 stamp = 0;
        if (German::parseIso(p, n, &stamp)) return Value::fromStamp(stamp);
        if (!isDateOid(t) && German::parseDateText(QString::fromUtf8(p, n), &stamp))
            return Value::fromStamp(stamp);
        return Value();
    }
    case FieldType::Blob:
        return Value(t == kBytea ? byteaValue(p, n) : QByteArray(p, n));
    }
    return Value();
}

Value PgStatement::columnDynamic(int i) const
{
    if (!m_result || m_row < 0 || m_row >= m_rows || PQgetisnull(m_result.get(), m_row, i)) return Value();
    const char *p = PQgetvalue(m_result.get(), m_row, i);
    const int n = PQgetlength(m_result.get(), m_row, i);
    const Oid t = PQftype(m_result.get(), i);
    if (isIntegerOid(t)) return Value(qint64(std::strtoll(p, nullptr, 10)));
    if (t == kBool) return Value(qint64(p[0] == 't' ? 1 : 0));
    if (isFloatOid(t)) return Value(std::strtod(p, nullptr));
    if (t == kNumeric) {
        const QByteArray b(p, n);
        if (!b.contains('.') && !b.contains('e') && b.size() < 19) return Value(qint64(b.toLongLong()));
        return Value(b.toDouble());
    }
    if (isDateOid(t)) return Value(isoText(p, n));
    if (t == kBytea) return Value(byteaValue(p, n));
    return Value(QString::fromUtf8(p, n));
}

void PgStatement::runLater()
{
    clearResult();
    Session &s = *m_session;
    auto run = std::make_shared<Session::Run>(nextRun());
    s.planFor(m_generic);
    s.deferred.append(Session::Deferred{m_sql.toUtf8(), std::move(run)});
    s.changes = 1;
}

void PgStatement::runEachLater(const std::vector<std::vector<Value>> &sets)
{
    if (sets.empty()) return;
    clearResult();
    if (m_insert && sets.size() > 1 && insertRows(sets, {})) return;
    for (const std::vector<Value> &set : sets) {
        reset();
        for (size_t k = 0; k < set.size(); ++k)
            bind(int(k) + 1, set[k]);
        runLater();
    }
    reset();
}

Session::Run PgStatement::nextRun()
{
    Session &s = *m_session;
    Session::Run run;
    run.types.resize(m_params.size());
    run.texts.resize(m_params.size());
    run.values.resize(m_params.size());
    for (size_t k = 0; k < m_params.size(); ++k) {
        run.types[k] = parameterType(m_params[k]);
        run.texts[k] = parameterText(m_params[k]);
        run.values[k] = m_params[k].isNull() ? nullptr : run.texts[k].constData();
    }
    // A kept statement may outlive the connection it was made on: its
    // name is taken afresh once the session starts a new generation.
    s.live();
    if (m_generation != s.generation || run.types != m_types) {
        QString typesKey;
        for (Oid t : run.types)
            typesKey += QString::number(t) + QLatin1Char(',');
        m_name = s.statementName(m_sql, typesKey, &run.prepareText);
        m_types = run.types;
        m_generation = s.generation;
    }
    run.name = m_name;
    return run;
}

std::vector<PgResult> PgStatement::send(const std::vector<Session::Run> &runs)
{
    Session &s = *m_session;
    s.planFor(m_generic);
    if (traceRoundTrips())
        qDebug("pg round trip: %s%s %d× %s", s.deferredText().constData(),
               runs.front().prepareText.isEmpty() ? "" : " +prepare", int(runs.size()), qPrintable(m_sql));
    try {
        return s.execute(runs);
    } catch (...) {
        m_generation = -1; // a preparation in the round may not have been made
        throw;
    }
}

void PgStatement::take(PgResult owned)
{
    Session &s = *m_session;
    PGresult *res = owned.get();
    const ExecStatusType st = PQresultStatus(res);
    if (st != PGRES_TUPLES_OK && st != PGRES_COMMAND_OK) s.fail(std::move(owned));
    s.changes = std::atoi(PQcmdTuples(res));
    m_result = std::move(owned);
    m_rows = st == PGRES_TUPLES_OK ? PQntuples(res) : 0;
    m_row = -1;
    if (m_insert) {
        // The new row's id comes back with the insert.
        s.lastInsertReturned = m_returning && m_rows > 0;
        // The row id comes last where the whole row comes back.
        if (s.lastInsertReturned)
            s.lastInsertId = std::strtoll(PQgetvalue(res, 0, PQnfields(res) - 1), nullptr, 10);
    }
}

Value PgStatement::textAsNumber(const char *p, int n)
{
    double d = 0;
    if (German::parseFloat(QString::fromUtf8(p, n), &d)) return Value(d);
    return Value();
}

} // namespace Pg
