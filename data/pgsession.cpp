// SPDX-License-Identifier: GPL-3.0-or-later
#include "pgsession.h"

#include "base/apperror.h"
#include "base/germanformat.h"

#include <QScopeGuard>
#include <algorithm>
#include <cstdlib>

namespace Pg {

QString busyMessage()
{
    return QStringLiteral("Die Datenbank wird gerade von einem anderen Programm bearbeitet und ist gesperrt. "
                          "Bitte versuchen Sie es in einigen Sekunden noch einmal");
}

QString connectionLostMessage()
{
    return QStringLiteral("Die Verbindung zum Datenbankserver ist unterbrochen. Die Änderung wurde nicht "
                          "gespeichert; bitte versuchen Sie es noch einmal, sobald der Server wieder "
                          "erreichbar ist");
}

QString stalledMessage(int milliseconds)
{
    return QStringLiteral(
               "Die Verbindung zum Datenbankserver wurde getrennt, weil dieses Programm länger als "
               "%1 Sekunden nicht weitergearbeitet hat, während es die Datenbank für die anderen "
               "Arbeitsplätze gesperrt hielt. Die Änderung wurde nicht gespeichert; bitte versuchen "
               "Sie es noch einmal")
        .arg(qMax(1, (milliseconds + 999) / 1000));
}

bool isIntegerOid(Oid t)
{
    return t == kInt2 || t == kInt4 || t == kInt8 || t == kOid;
}

bool isFloatOid(Oid t)
{
    return t == kFloat4 || t == kFloat8;
}

bool isDateOid(Oid t)
{
    return t == kTimestamp || t == kTimestamptz || t == kDate;
}

QString isoText(const char *p, int n)
{
    qint64 stamp = 0;
    if (German::parseIso(p, n, &stamp)) return German::isoOfStamp(stamp);
    return QString::fromUtf8(p, n);
}

QString numberedParameters(const QString &sql, int *count)
{
    QString out;
    out.reserve(sql.size() + 16);
    int n = 0;
    QChar quote;
    for (const QChar c : sql) {
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
            out += c;
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
            out += c;
        } else if (c == QLatin1Char('?')) {
            out += QLatin1Char('$') + QString::number(++n);
        } else {
            out += c;
        }
    }
    *count = n;
    return out;
}

Oid parameterType(const Value &v)
{
    switch (v.kind()) {
    case Value::Int:
        return kInt8;
    case Value::Double:
        return kFloat8;
    case Value::DateTime:
        return kTimestamp;
    case Value::Bytes:
        return kBytea;
    default:
        return 0;
    }
}

QByteArray byteaValue(const char *p, int n)
{
    if (n >= 2 && p[0] == '\\' && p[1] == 'x')
        return QByteArray::fromHex(QByteArray::fromRawData(p + 2, n - 2));
    return QByteArray(p, n);
}

QByteArray parameterText(const Value &v)
{
    switch (v.kind()) {
    case Value::Null:
        return QByteArray();
    case Value::Bool:
        return v.rawInt() ? QByteArrayLiteral("1") : QByteArrayLiteral("0");
    case Value::Int:
        return QByteArray::number(v.rawInt());
    case Value::Double: {
        const double d = v.rawDouble();
        if (std::isnan(d)) return QByteArrayLiteral("NaN");
        if (std::isinf(d)) return d > 0 ? QByteArrayLiteral("Infinity") : QByteArrayLiteral("-Infinity");
        return QByteArray::number(d, 'g', QLocale::FloatingPointShortest);
    }
    case Value::Text:
        return v.rawText().toUtf8();
    case Value::DateTime:
        return German::isoOfStamp(v.stamp()).toLatin1();
    case Value::Bytes:
        return "\\x" + v.rawBytes().toHex();
    }
    return QByteArray();
}

bool traceRoundTrips()
{
    static const bool trace = qEnvironmentVariableIsSet("TAVIREL_SQL_TRACE");
    return trace;
}

QByteArray Session::deferredText() const
{
    QByteArray text;
    for (const Deferred &d : deferred)
        text += (text.isEmpty() ? "" : "; ") + d.text;
    return text;
}

void Session::dropDeferred(qsizetype from)
{
    bool unprepared = false;
    for (qsizetype i = from; i < deferred.size(); ++i)
        if (deferred[i].run && !deferred[i].run->prepareText.isEmpty()) {
            prepared.remove(prepared.key(deferred[i].run->name));
            unprepared = true;
        }
    deferred.resize(qMin(from, deferred.size()));
    if (unprepared) ++generation;
}

void Session::planFor(bool generic)
{
    const Plan wanted = generic ? Plan::Generic : Plan::Custom;
    if (plan == wanted) return;
    defer(generic ? QByteArrayLiteral("SET plan_cache_mode = force_generic_plan")
                  : QByteArrayLiteral("SET plan_cache_mode = force_custom_plan"));
    plan = wanted;
}

void Session::fail(PgResult owned, const QString &context)
{
    PGresult *res = owned.get();
    const bool lost = PQstatus(conn) == CONNECTION_BAD;
    const QString state = res ? QString::fromLatin1(PQresultErrorField(res, PG_DIAG_SQLSTATE)) : QString();
    QString primary = res ? QString::fromUtf8(PQresultErrorField(res, PG_DIAG_MESSAGE_PRIMARY)) : QString();
    const QString detail =
        res ? QString::fromUtf8(PQresultErrorField(res, PG_DIAG_MESSAGE_DETAIL)) : QString();
    if (primary.isEmpty()) primary = QString::fromUtf8(PQerrorMessage(conn)).trimmed();
    owned.reset();
    QString msg;
    AppError::Kind kind = AppError::Kind::General;
    const bool stalled =
        state == QLatin1String("25P03") || (lost && inTransaction && stallTimeout > 0 &&
                                            lastAnswer.isValid() && lastAnswer.elapsed() >= stallTimeout);
    if (stalled || lost || state.startsWith(QLatin1String("08")) || state.startsWith(QLatin1String("57P"))) {
        msg = stalled ? stalledMessage(stallTimeout) : connectionLostMessage();
        kind = AppError::Kind::ConnectionLost;
    } else if (state == QLatin1String("53100"))
        msg = QStringLiteral("Der Datenträger des Datenbankservers ist voll; die Änderung wurde nicht "
                             "gespeichert. Bitte sorgen Sie auf dem Server für freien Platz");
    else if (state == QLatin1String("55P03") || state == QLatin1String("40P01") ||
             state == QLatin1String("40001")) {
        msg = busyMessage();
        kind = AppError::Kind::Busy;
    } else if (state == QLatin1String("22001"))
        msg = QStringLiteral("Der Text ist für das Feld zu lang; die Änderung wurde nicht gespeichert");
    else if (state == QLatin1String("22003"))
        msg = QStringLiteral("Die Zahl ist für das Feld zu groß; die Änderung wurde nicht gespeichert");
    else if (state == QLatin1String("23505"))
        msg = QStringLiteral("Der Wert ist bereits vergeben; die Änderung wurde nicht gespeichert") +
              (detail.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(detail));
    else if (state == QLatin1String("25006"))
        msg = QStringLiteral("Die Datenbank ist schreibgeschützt");
    else if (state == QLatin1String("42501"))
        msg = QStringLiteral("Keine Berechtigung auf dem Datenbankserver: %1").arg(primary);
    else
        msg = primary;
    throw AppError(context.isEmpty() ? msg : context + QStringLiteral(": ") + msg, kind);
}

void Session::setup()
{
    PQsetNoticeProcessor(
        conn, [](void *, const char *) {}, nullptr);
    // Each run of a kept statement is planned for its own values: a plan
    // made once for any customer and any period reads a whole index where
    // the one for this customer reads ten rows.
    run(QStringLiteral("SET DateStyle = 'ISO, YMD'; SET extra_float_digits = 1; "
                       "SET standard_conforming_strings = on; SET plan_cache_mode = force_custom_plan; "
                       "SET bytea_output = 'hex'; SET lock_timeout = %1; "
                       "SET idle_in_transaction_session_timeout = %2")
            .arg(busyTimeout)
            .arg(stallTimeout));
    PgResult owned(PQexec(conn, "SELECT current_setting('server_encoding'), quote_ident(current_schema())"));
    PGresult *res = owned.get();
    if (PQresultStatus(res) != PGRES_TUPLES_OK) fail(std::move(owned));
    const QString encoding = QString::fromUtf8(PQgetvalue(res, 0, 0));
    const bool noSchema = PQgetisnull(res, 0, 1);
    schema = QString::fromUtf8(PQgetvalue(res, 0, 1));
    owned.reset();
    if (encoding.compare(QLatin1String("UTF8"), Qt::CaseInsensitive) != 0)
        throw AppError(QStringLiteral("Die Datenbank verwendet die Zeichenkodierung %1; "
                                      "Tavirelsverwaltung braucht eine Datenbank in UTF8")
                           .arg(encoding));
    if (noSchema)
        throw AppError(QStringLiteral("In der Datenbank gibt es kein Schema für die Tabellen des Programms "
                                      "(der Suchpfad search_path nennt keines, das besteht)"));
    prepared.clear();
    ++generation;
    deferred.clear();
    inFlight.reset();
    unmade.clear();
    sameAs.clear();
    plan = Plan::Custom;
}

PGconn *Session::live()
{
    if (!conn) throw AppError(QStringLiteral("TVexDaoTable.OpenDaoRecordset: Database is NOT connected"));
    // An idle connection learns that the server closed it only by reading:
    // pick up what is waiting so that a restarted server costs the user
    // no failed first step.
    if (!inTransaction && PQstatus(conn) == CONNECTION_OK && !PQisBusy(conn)) PQconsumeInput(conn);
    if (PQstatus(conn) != CONNECTION_OK) {
        if (inTransaction) fail(nullptr); // the transaction went with the connection
        PQreset(conn);
        if (PQstatus(conn) != CONNECTION_OK)
            throw AppError(connectionLostMessage(), AppError::Kind::ConnectionLost);
        setup();
    }
    return conn;
}

PgResult Session::simple(const QByteArray &sql)
{
    collectInFlight();
    // Runs with values need the extended protocol: all in one pipeline.
    if (deferredRuns()) {
        defer(sql);
        if (traceRoundTrips()) qDebug("pg round trip: %s", deferredText().constData());
        return std::move(execute({}).front());
    }
    PGconn *c = live();
    QByteArray text = deferredText();
    deferred.clear();
    if (!text.isEmpty()) text += "; ";
    text += sql;
    if (traceRoundTrips()) qDebug("pg round trip: %s", text.constData());
    PgResult res(PQexec(c, text.constData()));
    answered();
    return res;
}

void Session::run(const QString &sql)
{
    PgResult res = simple(sql.toUtf8());
    const ExecStatusType st = PQresultStatus(res.get());
    if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) fail(std::move(res));
    changes = std::atoi(PQcmdTuples(res.get()));
}

QByteArray Session::statementName(const QString &sql, const QString &typesKey, QByteArray *prepareText)
{
    const QString key = sql + QLatin1Char('\x01') + typesKey;
    auto it = prepared.constFind(key);
    if (it != prepared.constEnd()) return it.value();
    // Many one-off texts (filters typed by the user) start afresh.
    if (prepared.size() >= 500) {
        defer(QByteArrayLiteral("DEALLOCATE ALL"));
        prepared.clear();
        ++generation;
    }
    const QByteArray name = "tv" + QByteArray::number(++nextName);
    *prepareText = sql.toUtf8();
    prepared.insert(key, name);
    return name;
}

Session::Round Session::send(QList<Deferred> before, const std::vector<Run> &runs)
{
    PGconn *c = conn;
    Round round;
    round.before = std::move(before);
    const bool keepLast = runs.empty();
    round.slots = keepLast ? (round.before.isEmpty() ? 0 : 1) : runs.size();
    bool sent = PQenterPipelineMode(c) == 1;
    qsizetype entry = -1;
    auto sendRun = [&](const Run &r, int slot) {
        const int count = int(r.values.size());
        if (!r.prepareText.isEmpty()) {
            sent = sent &&
                   PQsendPrepare(c, r.name.constData(), r.prepareText.constData(), count, r.types.data());
            round.runOf.push_back(-1);
            round.entryOf.push_back(entry);
        }
        std::vector<const char *> values(size_t(count), nullptr);
        for (size_t k = 0; k < values.size(); ++k)
            if (r.values[k]) values[k] = r.texts[k].constData();
        sent = sent && PQsendQueryPrepared(c, r.name.constData(), count, values.data(), nullptr, nullptr, 0);
        round.runOf.push_back(slot);
        round.entryOf.push_back(entry);
    };
    for (entry = 0; entry < round.before.size(); ++entry) {
        const Deferred &d = round.before[entry];
        const int slot = keepLast && entry == round.before.size() - 1 ? 0 : -1;
        if (d.run) {
            sendRun(*d.run, slot);
        } else {
            sent = sent && PQsendQueryParams(c, d.text.constData(), 0, nullptr, nullptr, nullptr, nullptr, 0);
            round.runOf.push_back(slot);
            round.entryOf.push_back(entry);
        }
    }
    entry = -1;
    for (size_t i = 0; i < runs.size(); ++i)
        sendRun(runs[i], int(i));
    round.runs = runs;
    round.sent = sent && PQpipelineSync(c);
    return round;
}

std::vector<PgResult> Session::collect(Round &round)
{
    PGconn *c = conn;
    // Each command's result is followed by a null; the sync ends the round.
    std::vector<PgResult> results(round.slots);
    PgResult failure;
    qsizetype failedEntry = -1;
    size_t done = 0;
    while (round.sent) {
        PgResult r(PQgetResult(c));
        if (!r) {
            if (PQstatus(c) != CONNECTION_OK || ++done > round.runOf.size()) break;
            continue;
        }
        const ExecStatusType st = PQresultStatus(r.get());
        if (st == PGRES_PIPELINE_SYNC) break;
        const int run = done < round.runOf.size() ? round.runOf[done] : -1;
        if (st == PGRES_FATAL_ERROR && !failure) {
            failure = std::move(r);
            failedEntry = done < round.entryOf.size() ? round.entryOf[done] : -1;
        } else if (run >= 0 && !results[size_t(run)]) {
            results[size_t(run)] = std::move(r);
        }
    }
    answered();
    if (PQstatus(c) == CONNECTION_OK) PQexitPipelineMode(c);
    bool complete = !failure && round.sent;
    for (const PgResult &r : results)
        complete = complete && r && PQresultStatus(r.get()) != PGRES_PIPELINE_ABORTED;
    if (!complete) {
        // Preparations in the round are not known to be made.
        for (const Run &r : round.runs)
            if (!r.prepareText.isEmpty()) prepared.remove(prepared.key(r.name));
        if (failedEntry >= 0)
            for (qsizetype i = failedEntry + 1; i < round.before.size(); ++i)
                if (!round.before[i].run && round.before[i].text.startsWith("SAVEPOINT "))
                    unmade.insert(round.before[i].text);
        // What waits behind the failure will not run either.
        for (const Deferred &d : std::as_const(deferred))
            if (!d.run && d.text.startsWith("SAVEPOINT ")) unmade.insert(d.text);
        deferred = round.before + deferred;
        dropDeferred();
        results.clear();
        fail(std::move(failure));
    }
    return results;
}

void Session::collectInFlight()
{
    if (!inFlight) return;
    Round round = std::move(*inFlight);
    inFlight.reset();
    collect(round);
}

void Session::sendAhead()
{
    if (!deferredRuns()) return;
    collectInFlight();
    live();
    if (traceRoundTrips()) qDebug("pg round trip (ahead): %s", deferredText().constData());
    inFlight = send(std::exchange(deferred, {}), {});
}

std::vector<PgResult> Session::execute(const std::vector<Run> &runs)
{
    collectInFlight();
    PGconn *c = live();
    if (deferred.isEmpty() && runs.size() == 1 && runs[0].prepareText.isEmpty()) {
        const Run &r = runs[0];
        std::vector<PgResult> results;
        results.emplace_back(PQexecPrepared(c, r.name.constData(), int(r.values.size()), r.values.data(),
                                            nullptr, nullptr, 0));
        answered();
        return results;
    }
    Round round = send(std::exchange(deferred, {}), runs);
    return collect(round);
}

} // namespace Pg
