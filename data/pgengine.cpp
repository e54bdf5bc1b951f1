// SPDX-License-Identifier: GPL-3.0-or-later
// The database server engine: PostgreSQL through libpq. The program's tables
// live in the connection's current schema, their names folded to lower case
// (so that the program's names in any letter case, and a person at psql
// without quotes, all reach them). What SQLite gets from functions the
// program registers on its connection (the German collation, the pattern
// test, Val()) the server gets from SQL functions that the program creates
// beside its tables; they give the same order and matches as the SQLite side.
#include "base/apperror.h"
#include "base/germanformat.h"
#include "engine.h"
#include "notices.h"
#include "schema.h"
#include "textcompare.h"

#include <QElapsedTimer>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <libpq-fe.h>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace {

// Type ids of the server's built-in types.
enum : Oid {
    kBool = 16,
    kBytea = 17,
    kInt8 = 20,
    kInt2 = 21,
    kInt4 = 23,
    kText = 25,
    kOid = 26,
    kFloat4 = 700,
    kFloat8 = 701,
    kBpchar = 1042,
    kVarchar = 1043,
    kDate = 1082,
    kTimestamp = 1114,
    kTimestamptz = 1184,
    kNumeric = 1700,
};

// Raised, with the version, into tvsupport(): functions of an older version
// are made anew when a database is opened.
constexpr int kSupportVersion = 4;

// How long the server keeps a transaction that waits for this program (a
// laptop closed in the middle of a run, a hung program, a dropped network)
// before it ends the session, and with it the write lock the others wait for.
constexpr int kStallTimeout = 60000;

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

// The storage form of a date as SQLite holds it: the day alone at midnight.
QString isoText(const char *p, int n)
{
    qint64 stamp = 0;
    if (German::parseIso(p, n, &stamp)) return German::isoOfStamp(stamp);
    return QString::fromUtf8(p, n);
}

// "?" marks become "$1", "$2", … outside quoted texts and names.
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

// The text of a value as the server reads it, and the type it is sent as:
// numbers and dates typed, so that a number compares as a number with any
// numeric column; texts and yes/no untyped, so that the column decides
// ("1" is a yes for a yes/no column and 1 for a number).
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

// bytea comes as "\x" and two hex digits a byte (the server's default output).
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

// Each round trip to the server, what went in it, on stderr: the costly
// part of a save on a network.
bool traceRoundTrips()
{
    static const bool trace = qEnvironmentVariableIsSet("TAVIREL_SQL_TRACE");
    return trace;
}

// The connection and what its statements share.
struct Session
{
    PGconn *conn = nullptr;
    bool inTransaction = false;
    int busyTimeout = 5000;
    qint64 lastInsertId = 0;
    bool lastInsertReturned = false;
    int changes = 0;
    int stallTimeout = kStallTimeout;
    // When the server last answered: a connection lost inside a transaction
    // that waited longer than the stall timeout was ended by the server.
    QElapsedTimer lastAnswer;
    QString schema; // the program's schema, quoted
    // Prepared statements by text and parameter types; cleared when the
    // connection is made anew (and the generation counted on, so that a
    // statement's own note of its name is known to be stale).
    QHash<QString, QByteArray> prepared;
    int nextName = 0;
    int generation = 0;
    // One run of a prepared statement: its name, and its text where it must
    // be prepared first.
    struct Run
    {
        QByteArray name, prepareText;
        std::vector<Oid> types;
        std::vector<QByteArray> texts;
        std::vector<const char *> values; // null for a NULL
    };
    // Commands that need no answer of their own (savepoints, their release,
    // the return to one, writes run later) wait here and go to the server in
    // the same round trip as the next statement; a savepoint released before
    // anything was sent inside it is never sent at all. Round trips, not the
    // server's work, are what a save costs on a network.
    struct Deferred
    {
        QByteArray text; // a command without parameters, or the run's statement
        std::shared_ptr<Run> run;
        bool operator==(const QByteArray &command) const { return !run && text == command; }
    };
    QList<Deferred> deferred;
    // Savepoints sent after a command that failed in the same round: the
    // server skipped them, so there is nothing to return to or release.
    QSet<QByteArray> unmade;

    void defer(const QByteArray &command) { deferred.append(Deferred{command, nullptr}); }

    QByteArray deferredText() const
    {
        QByteArray text;
        for (const Deferred &d : deferred)
            text += (text.isEmpty() ? "" : "; ") + d.text;
        return text;
    }

    bool deferredRuns() const
    {
        return std::any_of(deferred.begin(), deferred.end(), [](const Deferred &d) { return bool(d.run); });
    }

    // Drops what waits from the given place on. A statement whose preparation
    // is dropped with it is prepared anew: each statement checks its name
    // once the generation changes.
    void dropDeferred(qsizetype from = 0)
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
    // Savepoints made right after another with nothing between: they are
    // that one (going back to either undoes the same), and cost no command.
    QHash<QByteArray, QByteArray> sameAs;
    // How the server plans the next run of a kept statement, as far as known
    // (a rollback may have taken back the last change).
    enum class Plan { Unknown, Custom, Generic } plan = Plan::Custom;

    void planFor(bool generic)
    {
        const Plan wanted = generic ? Plan::Generic : Plan::Custom;
        if (plan == wanted) return;
        defer(generic ? QByteArrayLiteral("SET plan_cache_mode = force_generic_plan")
                      : QByteArrayLiteral("SET plan_cache_mode = force_custom_plan"));
        plan = wanted;
    }

    [[noreturn]] void fail(PGresult *res, const QString &context = QString())
    {
        const bool lost = PQstatus(conn) == CONNECTION_BAD;
        const QString state =
            res ? QString::fromLatin1(PQresultErrorField(res, PG_DIAG_SQLSTATE)) : QString();
        QString primary =
            res ? QString::fromUtf8(PQresultErrorField(res, PG_DIAG_MESSAGE_PRIMARY)) : QString();
        const QString detail =
            res ? QString::fromUtf8(PQresultErrorField(res, PG_DIAG_MESSAGE_DETAIL)) : QString();
        if (primary.isEmpty()) primary = QString::fromUtf8(PQerrorMessage(conn)).trimmed();
        if (res) PQclear(res);
        QString msg;
        AppError::Kind kind = AppError::Kind::General;
        const bool stalled =
            state == QLatin1String("25P03") || (lost && inTransaction && stallTimeout > 0 &&
                                                lastAnswer.isValid() && lastAnswer.elapsed() >= stallTimeout);
        if (stalled || lost || state.startsWith(QLatin1String("08")) ||
            state.startsWith(QLatin1String("57P"))) {
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

    void setup()
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
        PGresult *res =
            PQexec(conn, "SELECT current_setting('server_encoding'), quote_ident(current_schema())");
        if (PQresultStatus(res) != PGRES_TUPLES_OK) fail(res);
        const QString encoding = QString::fromUtf8(PQgetvalue(res, 0, 0));
        const bool noSchema = PQgetisnull(res, 0, 1);
        schema = QString::fromUtf8(PQgetvalue(res, 0, 1));
        PQclear(res);
        if (encoding.compare(QLatin1String("UTF8"), Qt::CaseInsensitive) != 0)
            throw AppError(QStringLiteral("Die Datenbank verwendet die Zeichenkodierung %1; "
                                          "Tavirelsverwaltung braucht eine Datenbank in UTF8")
                               .arg(encoding));
        if (noSchema)
            throw AppError(
                QStringLiteral("In der Datenbank gibt es kein Schema für die Tabellen des Programms "
                               "(der Suchpfad search_path nennt keines, das besteht)"));
        prepared.clear();
        ++generation;
        deferred.clear();
        inFlight.reset();
        unmade.clear();
        sameAs.clear();
        plan = Plan::Custom;
    }

    void answered()
    {
        if (PQstatus(conn) == CONNECTION_OK) lastAnswer.restart();
    }

    // The connection, made anew when the server went away outside a
    // transaction (it restarted, or dropped an idle connection).
    PGconn *live()
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

    // A command in simple form, after the deferred ones in the same text.
    PGresult *simple(const QByteArray &sql)
    {
        collectInFlight();
        // Runs with values need the extended protocol: all in one pipeline.
        if (deferredRuns()) {
            defer(sql);
            if (traceRoundTrips()) qDebug("pg round trip: %s", deferredText().constData());
            return execute({}).front();
        }
        PGconn *c = live();
        QByteArray text = deferredText();
        deferred.clear();
        if (!text.isEmpty()) text += "; ";
        text += sql;
        if (traceRoundTrips()) qDebug("pg round trip: %s", text.constData());
        PGresult *res = PQexec(c, text.constData());
        answered();
        return res;
    }

    void run(const QString &sql)
    {
        PGresult *res = simple(sql.toUtf8());
        const ExecStatusType st = PQresultStatus(res);
        if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) fail(res);
        changes = std::atoi(PQcmdTuples(res));
        PQclear(res);
    }

    // The server's name of the prepared statement for this text and these
    // parameter types; prepareText is set when it must be prepared first.
    QByteArray statementName(const QString &sql, const QString &typesKey, QByteArray *prepareText)
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

    // A round sent as one pipeline: what was sent, and for each command sent
    // which result its answer is (-1: none kept) and which deferred command
    // it belongs to (-1: one of the runs).
    struct Round
    {
        QList<Deferred> before;
        std::vector<Run> runs;
        size_t slots = 0;
        std::vector<int> runOf;
        std::vector<qsizetype> entryOf;
        bool sent = false;
    };
    // A round sent ahead whose answer is not read yet (see sendAhead).
    std::optional<Round> inFlight;

    Round send(QList<Deferred> before, const std::vector<Run> &runs)
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
            sent =
                sent && PQsendQueryPrepared(c, r.name.constData(), count, values.data(), nullptr, nullptr, 0);
            round.runOf.push_back(slot);
            round.entryOf.push_back(entry);
        };
        for (entry = 0; entry < round.before.size(); ++entry) {
            const Deferred &d = round.before[entry];
            const int slot = keepLast && entry == round.before.size() - 1 ? 0 : -1;
            if (d.run) {
                sendRun(*d.run, slot);
            } else {
                sent = sent &&
                       PQsendQueryParams(c, d.text.constData(), 0, nullptr, nullptr, nullptr, nullptr, 0);
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

    // The answers of a round, in order of its slots; the first failure among
    // its commands is raised.
    std::vector<PGresult *> collect(Round &round)
    {
        PGconn *c = conn;
        // Each command's result is followed by a null; the sync ends the round.
        std::vector<PGresult *> results(round.slots, nullptr);
        PGresult *failure = nullptr;
        qsizetype failedEntry = -1;
        size_t done = 0;
        while (round.sent) {
            PGresult *r = PQgetResult(c);
            if (!r) {
                if (PQstatus(c) != CONNECTION_OK || ++done > round.runOf.size()) break;
                continue;
            }
            const ExecStatusType st = PQresultStatus(r);
            if (st == PGRES_PIPELINE_SYNC) {
                PQclear(r);
                break;
            }
            const int run = done < round.runOf.size() ? round.runOf[done] : -1;
            if (st == PGRES_FATAL_ERROR && !failure) {
                failure = r;
                failedEntry = done < round.entryOf.size() ? round.entryOf[done] : -1;
            } else if (run >= 0 && !results[size_t(run)]) {
                results[size_t(run)] = r;
            } else {
                PQclear(r);
            }
        }
        answered();
        if (PQstatus(c) == CONNECTION_OK) PQexitPipelineMode(c);
        bool complete = !failure && round.sent;
        for (PGresult *r : results)
            complete = complete && r && PQresultStatus(r) != PGRES_PIPELINE_ABORTED;
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
            for (PGresult *r : results)
                if (r) PQclear(r);
            fail(failure);
        }
        return results;
    }

    // Reads the answer of a round sent ahead; its failure is raised here.
    void collectInFlight()
    {
        if (!inFlight) return;
        Round round = std::move(*inFlight);
        inFlight.reset();
        for (PGresult *r : collect(round))
            PQclear(r);
    }

    // Sends what waits without waiting for the answer: the program goes on
    // while the server works. The next command that waits reads it first.
    void sendAhead()
    {
        if (!deferredRuns()) return;
        collectInFlight();
        live();
        if (traceRoundTrips()) qDebug("pg round trip (ahead): %s", deferredText().constData());
        inFlight = send(std::exchange(deferred, {}), {});
    }

    // Prepared statements run, with the deferred commands (and their
    // preparation where needed) before them in the same round trip. Returns
    // their results in order (without runs, the last deferred command's);
    // the first failure among the commands is raised.
    std::vector<PGresult *> execute(const std::vector<Run> &runs)
    {
        collectInFlight();
        PGconn *c = live();
        if (deferred.isEmpty() && runs.size() == 1 && runs[0].prepareText.isEmpty()) {
            const Run &r = runs[0];
            PGresult *res = PQexecPrepared(c, r.name.constData(), int(r.values.size()), r.values.data(),
                                           nullptr, nullptr, 0);
            answered();
            return {res};
        }
        Round round = send(std::exchange(deferred, {}), runs);
        return collect(round);
    }
};

class PgStatement : public Statement
{
  public:
    PgStatement(std::shared_ptr<Session> session, QString sql, int count, bool insert, bool returning,
                bool generic)
        : m_session(std::move(session)), m_sql(std::move(sql)), m_params(size_t(count)), m_insert(insert),
          m_returning(returning), m_generic(generic)
    {}
    ~PgStatement() override { clearResult(); }

    void bind(int index, const Value &value) override
    {
        if (index < 1 || index > int(m_params.size()))
            throw AppError(QStringLiteral("Parameter %1 gibt es in der Abfrage nicht").arg(index));
        if (Engine::holdsNul(value)) throw AppError(Engine::nulMessage(value.rawText()));
        m_params[size_t(index - 1)] = value;
    }

    bool step() override
    {
        if (!m_result) execute();
        if (m_row + 1 < m_rows) {
            ++m_row;
            return true;
        }
        m_row = m_rows;
        return false;
    }

    void reset() override
    {
        clearResult();
        for (Value &v : m_params)
            v = Value();
    }

    int columnCount() const override
    {
        // As with SQLite, the columns are known before the first row is read.
        if (!m_result) const_cast<PgStatement *>(this)->execute();
        return PQnfields(m_result);
    }

    Value column(int i, FieldType type) const override
    {
        if (!m_result || m_row < 0 || m_row >= m_rows || PQgetisnull(m_result, m_row, i)) return Value();
        const char *p = PQgetvalue(m_result, m_row, i);
        const int n = PQgetlength(m_result, m_row, i);
        const Oid t = PQftype(m_result, i);
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

    Value columnDynamic(int i) const override
    {
        if (!m_result || m_row < 0 || m_row >= m_rows || PQgetisnull(m_result, m_row, i)) return Value();
        const char *p = PQgetvalue(m_result, m_row, i);
        const int n = PQgetlength(m_result, m_row, i);
        const Oid t = PQftype(m_result, i);
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

    void runLater() override
    {
        clearResult();
        Session &s = *m_session;
        auto run = std::make_shared<Session::Run>(nextRun());
        s.planFor(m_generic);
        s.deferred.append(Session::Deferred{m_sql.toUtf8(), std::move(run)});
        s.changes = 1;
    }

    void runEachLater(const std::vector<std::vector<Value>> &sets) override
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

    void runEach(const std::vector<std::vector<Value>> &sets,
                 const std::function<void(Statement &, bool)> &each) override
    {
        if (sets.empty()) return;
        clearResult();
        if (m_insert && m_returning && sets.size() > 1 && insertRows(sets, each)) return;
        std::vector<Session::Run> runs;
        runs.reserve(sets.size());
        for (const std::vector<Value> &set : sets) {
            for (Value &v : m_params)
                v = Value();
            for (size_t k = 0; k < set.size(); ++k)
                bind(int(k) + 1, set[k]);
            runs.push_back(nextRun());
        }
        std::vector<PGresult *> results = send(runs);
        auto freeRest = qScopeGuard([&] {
            for (PGresult *r : results)
                if (r) PQclear(r);
        });
        for (PGresult *&res : results) {
            clearResult();
            take(std::exchange(res, nullptr));
            each(*this, step());
        }
        reset();
    }

  private:
    // Rows of an insert go as one statement of many rows: the server starts
    // one insert instead of one per row, and hands the rows back (where the
    // insert does) in the order of the values, as it inserts them. False
    // when the text is not of that form (the rows then go one by one).
    bool insertRows(const std::vector<std::vector<Value>> &sets,
                    const std::function<void(Statement &, bool)> &each)
    {
        static const QLatin1String kValues(" VALUES (");
        const qsizetype open = m_sql.indexOf(kValues, 0, Qt::CaseInsensitive);
        const qsizetype close = open < 0 ? -1 : m_sql.indexOf(QLatin1Char(')'), open);
        if (close < 0 || m_params.empty()) return false;
        Session &s = *m_session;
        const size_t width = m_params.size();
        constexpr size_t kRowsPerInsert = 200;
        for (size_t from = 0; from < sets.size(); from += kRowsPerInsert) {
            const size_t n = std::min(kRowsPerInsert, sets.size() - from);
            auto run = std::make_shared<Session::Run>();
            std::vector<bool> null;
            for (size_t r = 0; r < n; ++r) {
                reset();
                const std::vector<Value> &set = sets[from + r];
                for (size_t k = 0; k < set.size(); ++k)
                    bind(int(k) + 1, set[k]);
                for (size_t k = 0; k < width; ++k) {
                    run->types.push_back(parameterType(m_params[k]));
                    run->texts.push_back(parameterText(m_params[k]));
                    null.push_back(m_params[k].isNull());
                }
            }
            for (size_t k = 0; k < run->texts.size(); ++k)
                run->values.push_back(null[k] ? nullptr : run->texts[k].constData());
            QString &sql = m_rowsSql[n];
            if (sql.isEmpty()) {
                QString tuples;
                for (size_t r = 0; r < n; ++r) {
                    tuples += r ? QStringLiteral(", (") : QStringLiteral("(");
                    for (size_t k = 0; k < width; ++k)
                        tuples += (k ? QStringLiteral(", $") : QStringLiteral("$")) +
                                  QString::number(r * width + k + 1);
                    tuples += QLatin1Char(')');
                }
                sql = m_sql.left(open + kValues.size() - 1) + tuples + m_sql.mid(close + 1);
            }
            const QString typesKey =
                QString::fromLatin1(QByteArray::fromRawData(reinterpret_cast<const char *>(run->types.data()),
                                                            qsizetype(run->types.size() * sizeof(Oid)))
                                        .toHex());
            run->name = s.statementName(sql, typesKey, &run->prepareText);
            s.planFor(m_generic);
            clearResult();
            if (!each) {
                s.deferred.append(Session::Deferred{sql.toUtf8(), std::move(run)});
                continue;
            }
            if (traceRoundTrips())
                qDebug("pg round trip: %s %d rows× %s", s.deferredText().constData(), int(n),
                       qPrintable(m_sql));
            take(s.execute({*run}).front());
            for (size_t r = 0; r < n; ++r)
                each(*this, step());
        }
        reset();
        return true;
    }

    // The next run with the bound values: its statement prepared once per
    // text and parameter types on this connection.
    Session::Run nextRun()
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

    std::vector<PGresult *> send(const std::vector<Session::Run> &runs)
    {
        Session &s = *m_session;
        s.planFor(m_generic);
        if (traceRoundTrips())
            qDebug("pg round trip: %s%s %d× %s", s.deferredText().constData(),
                   runs.front().prepareText.isEmpty() ? "" : " +prepare", int(runs.size()),
                   qPrintable(m_sql));
        try {
            return s.execute(runs);
        } catch (...) {
            m_generation = -1; // a preparation in the round may not have been made
            throw;
        }
    }

    void execute()
    {
        std::vector<Session::Run> runs{nextRun()};
        take(send(runs).front());
    }

    // A run's result as the statement's.
    void take(PGresult *res)
    {
        Session &s = *m_session;
        const ExecStatusType st = PQresultStatus(res);
        if (st != PGRES_TUPLES_OK && st != PGRES_COMMAND_OK) s.fail(res);
        s.changes = std::atoi(PQcmdTuples(res));
        m_result = res;
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

    void clearResult()
    {
        if (m_result) PQclear(m_result);
        m_result = nullptr;
        m_rows = 0;
        m_row = -1;
    }

    static Value textAsNumber(const char *p, int n)
    {
        double d = 0;
        if (German::parseFloat(QString::fromUtf8(p, n), &d)) return Value(d);
        return Value();
    }

    std::shared_ptr<Session> m_session;
    QString m_sql;
    // The server's name of the statement, for these parameter types, in
    // this generation of the session.
    QByteArray m_name;
    std::vector<Oid> m_types;
    int m_generation = -1;
    std::vector<Value> m_params;
    std::map<size_t, QString> m_rowsSql; // the insert of so many rows at once
    bool m_insert = false, m_returning = false, m_generic = false;
    PGresult *m_result = nullptr;
    int m_rows = 0;
    int m_row = -1;
};

// The program's own columns keep their spelling, whatever case the server
// keeps them in.
QString programTableName(const QString &stored)
{
    const Schema::TableDef *t = Schema::table(stored);
    return t ? t->name : stored;
}

QString programColumnName(const QString &table, const QString &stored)
{
    if (const Schema::TableDef *t = Schema::table(table))
        for (const ColumnInfo &c : t->columns)
            if (c.name.compare(stored, Qt::CaseInsensitive) == 0) return c.name;
    return stored;
}

const char *const kHiddenRowId = "tv_rowid";

// SQL text of a literal, for the functions' bodies only (never for values).
QString literal(const QString &text)
{
    QString s = text;
    s.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + s + QLatin1Char('\'');
}

// Why libpq could not connect, in German: the database missing, the login
// refused, the server not reached; libpq's own text only where it is none
// of these.
AppError connectFailure(const QString &location, const QString &why, const QString &db, const QString &user,
                        const QString &host, const QString &port)
{
    const auto says = [&](const char *text) {
        return why.contains(QLatin1String(text), Qt::CaseInsensitive);
    };
    const QString server = host.isEmpty()   ? QStringLiteral("(lokal)")
                           : port.isEmpty() ? host
                                            : QStringLiteral("%1:%2").arg(host, port);
    QString text;
    AppError::Kind kind = AppError::Kind::General;
    if (says("database \"") && says("does not exist")) {
        text = QStringLiteral("Die Datenbank „%1“ gibt es auf dem Server %2 nicht. Bitte den Namen in der "
                              "Angabe prüfen oder die Datenbank anlegen (siehe README).")
                   .arg(db, server);
    } else if (says("password authentication failed") || says("no password supplied") ||
               says("authentication failed") || says("pg_hba.conf") ||
               (says("role \"") && says("does not exist")) || says("permission denied for database")) {
        text =
            QStringLiteral("Der Server %1 hat die Anmeldung als „%2“ abgelehnt. Bitte Benutzer und Kennwort "
                           "(Kennwortdatei .pgpass bzw. PGPASSWORD) prüfen und ob der Server diesen "
                           "Arbeitsplatz zulässt (pg_hba.conf).")
                .arg(server, user);
        kind = AppError::Kind::Refused;
    } else if (says("could not connect") || says("connection refused") || says("could not translate host") ||
               says("timeout expired") || says("no route to host") || says("network is unreachable") ||
               says("server closed the connection")) {
        text = QStringLiteral("Der Datenbankserver %1 ist nicht erreichbar. Bitte prüfen, ob er läuft und "
                              "ob Name und Port stimmen.")
                   .arg(server);
        kind = AppError::Kind::ConnectionLost;
    } else {
        text = Engine::maskPasswords(why, location);
    }
    return AppError(
        QStringLiteral("Die Verbindung zum Datenbankserver %1 ist nicht möglich: %2").arg(location, text),
        kind);
}

class PgEngine : public Engine
{
  public:
    ~PgEngine() override { close(); }

    // Names, addresses and bank data cross the network in clear unless the
    // connection uses TLS: said once per run. A connection on this machine
    // (a socket, localhost) crosses none.
    static void warnWhenUnencrypted(PGconn *conn)
    {
        static bool told = false;
        const QString host = QString::fromUtf8(PQhost(conn));
        const bool local = host.isEmpty() || host.startsWith(QLatin1Char('/')) ||
                           host == QLatin1String("localhost") || host == QLatin1String("127.0.0.1") ||
                           host == QLatin1String("::1");
        if (told || local || PQsslInUse(conn)) return;
        told = true;
        Notices::tell(
            QStringLiteral("Die Verbindung zum Datenbankserver %1 ist nicht verschlüsselt: Namen, "
                           "Anschriften und Bankdaten gehen lesbar über das Netz. Der Server sollte "
                           "TLS anbieten (hostssl in pg_hba.conf) und die Verbindung sslmode=verify-full "
                           "mit der Zertifikatsdatei der Zertifizierungsstelle nennen (siehe README).")
                .arg(host));
    }

    void open(const QString &location, bool) override
    {
        close();
        // libpq knows the scheme in small letters only; the program takes it in any.
        QString given = location.trimmed();
        const qsizetype scheme = given.indexOf(QLatin1String("://"));
        if (scheme > 0) given.replace(0, scheme, given.left(scheme).toLower());
        const QByteArray loc = given.toUtf8();
        // The password comes from the password file or the environment, as
        // libpq finds them; written into the location it would stand in
        // the settings file and the process list in clear text.
        char *error = nullptr;
        PQconninfoOption *options = PQconninfoParse(loc.constData(), &error);
        if (!options) {
            const QString why = error ? QString::fromUtf8(error).trimmed() : QString();
            PQfreemem(error);
            throw AppError(Engine::maskPasswords(
                QStringLiteral("Die Angabe des Datenbankservers '%1' ist ungültig: %2").arg(given, why),
                given));
        }
        bool password = false;
        for (PQconninfoOption *o = options; o->keyword; ++o)
            if (qstrcmp(o->keyword, "password") == 0 && o->val && *o->val) password = true;
        PQconninfoFree(options);
        if (password)
            throw AppError(
                QStringLiteral("Die Angabe des Datenbankservers enthält ein Kennwort. Das Kennwort gehört "
                               "nicht dorthin, sondern in die Kennwortdatei des Benutzers (.pgpass, unter "
                               "Windows %APPDATA%\\postgresql\\pgpass.conf) oder in die "
                               "Umgebungsvariable PGPASSWORD"));
        // A server that stops answering (a dropped network) is noticed within
        // about a minute rather than the system's two hours; the location may
        // say otherwise.
        const char *keywords[] = {
            "connect_timeout",  "application_name", "keepalives", "keepalives_idle", "keepalives_interval",
            "keepalives_count", "tcp_user_timeout", "dbname",     "client_encoding", nullptr};
        const char *values[] = {"10",    "Tavirelsverwaltung", "1",    "20",   "10", "4",
                                "60000", loc.constData(),      "UTF8", nullptr};
        PGconn *conn = PQconnectdbParams(keywords, values, 1);
        if (PQstatus(conn) != CONNECTION_OK) {
            const QString why = QString::fromUtf8(PQerrorMessage(conn)).trimmed();
            const QString db = QString::fromUtf8(PQdb(conn)), user = QString::fromUtf8(PQuser(conn));
            const QString host = QString::fromUtf8(PQhost(conn)), port = QString::fromUtf8(PQport(conn));
            PQfinish(conn);
            // The server's own words go to the log; the user reads what went wrong.
            qWarning("%s", qPrintable(Engine::maskPasswords(why, given)));
            throw connectFailure(Engine::shownLocation(given), why, db, user, host, port);
        }
        warnWhenUnencrypted(conn);
        m_session = std::make_shared<Session>();
        m_session->conn = conn;
        m_session->busyTimeout = m_busyTimeout;
        m_session->stallTimeout = m_stallTimeout;
        m_location = given;
        try {
            m_session->setup();
        } catch (...) {
            close();
            throw;
        }
    }

    void setStallTimeout(int ms) override
    {
        m_stallTimeout = ms;
        if (m_session) {
            m_session->stallTimeout = ms;
            m_session->run(QStringLiteral("SET idle_in_transaction_session_timeout = %1").arg(ms));
        }
    }

    void setBusyTimeout(int ms) override
    {
        m_busyTimeout = ms;
        if (m_session) {
            m_session->busyTimeout = ms;
            m_session->run(QStringLiteral("SET lock_timeout = %1").arg(ms));
        }
    }

    void close() override
    {
        if (m_session) {
            PQfinish(m_session->conn);
            m_session->conn = nullptr;
            m_session.reset();
        }
        m_writeLock.reset();
    }
    bool isOpen() const override { return m_session != nullptr; }
    bool isServer() const override { return true; }

    bool canWrite() override
    {
        auto st = prepare(QStringLiteral(
            "SELECT NOT pg_is_in_recovery() AND current_setting('transaction_read_only') = 'off' AND "
            "COALESCE((SELECT bool_and(has_table_privilege(c.oid, 'INSERT,UPDATE,DELETE')) FROM pg_class c "
            "WHERE c.relnamespace = (SELECT oid FROM pg_namespace WHERE nspname = current_schema()) "
            "AND c.relkind = 'r'), true)"));
        return st->step() && st->columnDynamic(0).rawInt() != 0;
    }
    QString path() const override { return m_location; }

    std::unique_ptr<Statement> prepare(const QString &sql) override
    {
        Session &s = session();
        s.live();
        int count = 0;
        const QString numbered = numberedParameters(sql, &count);
        const bool insert = sql.trimmed().startsWith(QLatin1String("INSERT"), Qt::CaseInsensitive);
        const bool returning = insert && sql.contains(QLatin1String(" RETURNING "), Qt::CaseInsensitive);
        // A write, or a read of rows by one key, is planned once and the plan
        // kept: its best plan is the same for every value, and planning
        // costs more than running it. So is the first row by one text key
        // in an order (the highest number of a document type: one step back
        // in the key's index). Any other read is planned for its values (see
        // setup).
        static const QRegularExpression byKey(
            QStringLiteral(
                "^\\s*(INSERT|UPDATE|DELETE)\\b|"
                "^SELECT [^?]* WHERE \\(?(t0\\.)?\"[^\"]+\" = \\?\\)?( ORDER BY [^?]*| FOR UPDATE)?$|"
                "^SELECT [^?]* WHERE \\(tvkey\\((t0\\.)?\"[^\"]+\"\\) = tvkey\\(\\?\\) COLLATE \"C\"\\) "
                "ORDER BY [^?]* LIMIT 1$"),
            QRegularExpression::CaseInsensitiveOption);
        const bool generic = byKey.match(sql).hasMatch();
        return std::make_unique<PgStatement>(m_session, numbered, count, insert, returning, generic);
    }

    void exec(const QString &sql) override
    {
        static const bool trace = qEnvironmentVariableIsSet("TAVIREL_SQL_TRACE");
        if (trace) qDebug("exec: %s", qPrintable(sql));
        if (sql.trimmed().startsWith(QLatin1String("DROP"), Qt::CaseInsensitive)) m_writeLock.reset();
        session().run(sql);
    }

    qint64 lastInsertId() const override
    {
        Session &s = const_cast<PgEngine *>(this)->session();
        if (s.lastInsertReturned) return s.lastInsertId;
        // An insert without RETURNING: the counter it drew last.
        PGresult *res = s.simple(QByteArrayLiteral("SELECT lastval()"));
        qint64 id = 0;
        if (PQresultStatus(res) == PGRES_TUPLES_OK && PQntuples(res) == 1)
            id = std::strtoll(PQgetvalue(res, 0, 0), nullptr, 10);
        PQclear(res);
        return id;
    }
    int changes() const override { return m_session ? m_session->changes : 0; }

    QStringList tables() override
    {
        QStringList out;
        auto st = prepare(QStringLiteral("SELECT c.relname FROM pg_class c WHERE c.relnamespace = "
                                         "(SELECT oid FROM pg_namespace WHERE nspname = current_schema()) "
                                         "AND c.relkind IN ('r', 'v', 'p') ORDER BY c.oid"));
        while (st->step())
            out << programTableName(st->columnDynamic(0).rawText());
        return out;
    }

    QList<ColumnInfo> columns(const QString &table) override
    {
        QList<ColumnInfo> out;
        auto st = prepare(QStringLiteral(
            "SELECT a.attname, a.atttypid::int, a.atttypmod, a.attidentity <> '' FROM pg_attribute a "
            "WHERE a.attrelid = (SELECT c.oid FROM pg_class c WHERE c.relname = ? AND c.relnamespace = "
            "(SELECT oid FROM pg_namespace WHERE nspname = current_schema())) "
            "AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum"));
        st->bind(1, Value(table.toLower()));
        while (st->step()) {
            const QString name = st->columnDynamic(0).rawText();
            if (name == QLatin1String(kHiddenRowId)) continue;
            const Oid type = Oid(st->columnDynamic(1).rawInt());
            const int mod = int(st->columnDynamic(2).rawInt());
            const bool identity = st->columnDynamic(3).rawInt() != 0;
            ColumnInfo c;
            c.name = programColumnName(table, name);
            if ((type == kVarchar || type == kBpchar) && mod > 4) {
                c.type = FieldType::Text;
                c.size = mod - 4;
            } else if (identity && (type == kInt4 || type == kInt8)) {
                c.type = FieldType::Counter;
                c.counter = true;
            } else if (type == kInt2) {
                c.type = FieldType::Short;
            } else if (type == kInt4 || type == kInt8) {
                c.type = FieldType::Integer;
            } else if (type == kBool) {
                c.type = FieldType::Bool;
            } else if (isDateOid(type)) {
                c.type = FieldType::Date;
            } else if (isFloatOid(type) || type == kNumeric) {
                c.type = FieldType::Number;
            } else if (type == kBytea) {
                c.type = FieldType::Blob;
            } else {
                c.type = FieldType::Memo;
            }
            out << c;
        }
        return out;
    }

    QString columnDdl(const ColumnInfo &c) const override
    {
        QString type;
        switch (c.type) {
        case FieldType::Text:
            type = QStringLiteral("varchar(%1)").arg(qMax(1, c.size));
            break;
        case FieldType::Memo:
            type = QStringLiteral("text");
            break;
        case FieldType::Number:
            type = QStringLiteral("double precision");
            break;
        case FieldType::Integer:
            type = QStringLiteral("integer");
            break;
        case FieldType::Short:
            type = QStringLiteral("smallint");
            break;
        case FieldType::Counter:
            type = QStringLiteral("integer GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY");
            break;
        case FieldType::Bool:
            type = QStringLiteral("boolean NOT NULL DEFAULT false");
            break;
        case FieldType::Date:
            type = QStringLiteral("timestamp(0) without time zone");
            break;
        case FieldType::Blob:
            type = QStringLiteral("bytea");
            break;
        }
        return quote(c.name) + QLatin1Char(' ') + type;
    }

    // The counter where a table has one; otherwise a hidden counter column
    // that the program adds to its tables, never shown as a field.
    QString rowIdColumn(const QString &table) override
    {
        const Identity id = identityOf(table);
        if (id.column.isEmpty())
            return QStringLiteral("ctid"); // a table not made by the program: rows can be read, not written
        return quote(id.column);
    }

    bool keepsRowIds(const QString &table) override { return !identityOf(table).column.isEmpty(); }

    void createTable(const QString &name, const QList<ColumnInfo> &columns) override
    {
        m_writeLock.reset();
        QStringList cols;
        bool counter = false;
        for (const ColumnInfo &c : columns) {
            cols << columnDdl(c);
            counter = counter || c.type == FieldType::Counter;
        }
        if (!counter)
            cols << quote(QString::fromLatin1(kHiddenRowId)) +
                        QStringLiteral(" bigint GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY");
        exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(quote(name), cols.join(QStringLiteral(", "))));
    }

    void createIndex(const IndexDef &index) override
    {
        QStringList parts;
        for (const IndexDef::Part &p : index.parts) {
            switch (p.kind) {
            case IndexDef::Plain:
                parts << quote(p.column);
                break;
            case IndexDef::Text:
                parts << QStringLiteral("(tvkey(%1) COLLATE \"C\")").arg(quote(p.column));
                break;
            case IndexDef::Number:
                parts << QStringLiteral("(tvval(%1))").arg(quote(p.column));
                break;
            }
            // NULL first, as the program orders: read forwards the index
            // gives the ascending order, read backwards the descending one
            // (the highest number of a type is then one step).
            parts.last() += QStringLiteral(" NULLS FIRST");
        }
        // An index of an older form is made anew.
        const QString name = session().schema + QLatin1Char('.') + quote(index.name);
        exec(QStringLiteral("DROP INDEX IF EXISTS %1").arg(name));
        exec(QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                 .arg(index.unique ? QStringLiteral("UNIQUE ") : QString(), quote(index.name),
                      quote(index.table), parts.join(QStringLiteral(", "))));
    }

    // Only those in the form createIndex makes them, so that an upgrade
    // makes the others anew.
    QStringList indexes() override
    {
        QStringList out;
        auto st =
            prepare(QStringLiteral("SELECT indexname FROM pg_indexes WHERE schemaname = current_schema() "
                                   "AND indexdef LIKE '%NULLS FIRST%'"));
        while (st->step())
            out << st->columnDynamic(0).rawText();
        return out;
    }

    void createSupport() override;
    bool hasSupport() override
    {
        auto st = prepare(
            QStringLiteral("SELECT count(*) FROM pg_proc WHERE proname = 'tvsupport' AND pronamespace = "
                           "(SELECT oid FROM pg_namespace WHERE nspname = current_schema())"));
        if (!st->step() || st->columnDynamic(0).rawInt() == 0) return false;
        auto v = prepare(QStringLiteral("SELECT tvsupport()"));
        return v->step() && v->columnDynamic(0).rawInt() >= kSupportVersion;
    }
    void dropSupport() override
    {
        exec(QStringLiteral(
            "DROP FUNCTION IF EXISTS tvkey(text), tvbase(text), tvfold(text), tvfoldall(text), "
            "tvval(text), "
            "tvsupport()"));
    }

    qint64 counterValue(const QString &table) override
    {
        const Identity id = identityOf(table);
        if (!id.visible) return 0;
        auto st = prepare(QStringLiteral("SELECT pg_get_serial_sequence(?, ?)"));
        st->bind(1, Value(quote(table)));
        st->bind(2, Value(id.column));
        if (!st->step() || st->columnDynamic(0).isNull()) return 0;
        const QString sequence = st->columnDynamic(0).rawText();
        auto seq = prepare(
            QStringLiteral("SELECT CASE WHEN is_called THEN last_value ELSE 0 END FROM %1").arg(sequence));
        qint64 last = seq->step() ? seq->columnDynamic(0).rawInt() : 0;
        auto mx = prepare(QStringLiteral("SELECT max(%1) FROM %2").arg(quote(id.column), quote(table)));
        if (mx->step()) last = qMax(last, mx->columnDynamic(0).rawInt());
        return last;
    }

    void setCounterValue(const QString &table, qint64 value) override
    {
        const Identity id = identityOf(table);
        if (!id.visible) return;
        auto st =
            prepare(QStringLiteral("SELECT setval(CAST(pg_get_serial_sequence(?, ?) AS regclass), ?, ?)"));
        st->bind(1, Value(quote(table)));
        st->bind(2, Value(id.column));
        st->bind(3, Value(qMax<qint64>(1, value)));
        st->bind(4, Value(value > 0));
        st->step();
    }

    std::vector<qint64> reserveCounterValues(const QString &table, int count) override
    {
        const Identity id = identityOf(table);
        if (!id.visible || count <= 0) return {};
        auto st = prepare(QStringLiteral("SELECT nextval(CAST(pg_get_serial_sequence(?, ?) AS regclass)) "
                                         "FROM generate_series(1, ?)"));
        st->bind(1, Value(quote(table)));
        st->bind(2, Value(id.column));
        st->bind(3, Value(qint64(count)));
        std::vector<qint64> values;
        while (st->step())
            values.push_back(st->columnDynamic(0).rawInt());
        std::sort(values.begin(), values.end());
        return values;
    }

    void begin() override
    {
        Session &s = session();
        // One writer at a time, as on a file: the program's tables are locked
        // against every other writer until the transaction ends (readers go
        // on), and the lock is waited for as long as a row lock. Only a login
        // that may change the tables can take it, so one that may merely read
        // never holds up the others.
        const QByteArray lock = writeLock();
        PGresult *res = s.simple(lock.isEmpty() ? QByteArrayLiteral("BEGIN") : "BEGIN; " + lock);
        s.inTransaction = true;
        if (PQresultStatus(res) != PGRES_COMMAND_OK) {
            const QByteArray state(PQresultErrorField(res, PG_DIAG_SQLSTATE));
            if (state == "42P01") m_writeLock.reset(); // a table went: ask again next time
            try {
                if (state == "42501") {
                    PQclear(res);
                    throw AppError(
                        QStringLiteral("Die Anmeldung am Datenbankserver darf die Tabellen des "
                                       "Programms nicht ändern; die Änderung wurde nicht gespeichert"));
                }
                s.fail(res);
            } catch (...) {
                rollback();
                throw;
            }
        }
        PQclear(res);
    }

    void commit() override
    {
        Session &s = session();
        PGresult *res = s.simple(QByteArrayLiteral("COMMIT"));
        s.inTransaction = false;
        s.unmade.clear();
        const ExecStatusType st = PQresultStatus(res);
        if (st != PGRES_COMMAND_OK) s.fail(res);
        // The server answers a COMMIT of a transaction that an error broke
        // off with a ROLLBACK: nothing was saved then.
        const bool rolledBack = qstrcmp(PQcmdStatus(res), "ROLLBACK") == 0;
        PQclear(res);
        if (rolledBack)
            throw AppError(QStringLiteral("Die Änderungen wurden nicht gespeichert, weil ein Fehler die "
                                          "Übertragung an den Datenbankserver abgebrochen hat"));
    }

    void flush() override
    {
        Session &s = session();
        if (!s.deferredRuns()) {
            s.collectInFlight();
            return;
        }
        if (traceRoundTrips()) qDebug("pg round trip: %s", s.deferredText().constData());
        PQclear(s.execute({}).front());
    }

    void sendAhead() override { session().sendAhead(); }

    void rollback() override
    {
        if (!m_session) return;
        Session &s = *m_session;
        try {
            s.collectInFlight(); // what failed there is undone with the rest
        } catch (const AppError &) {
        }
        s.inTransaction = false;
        s.dropDeferred();
        s.unmade.clear();
        s.sameAs.clear();
        s.plan = Session::Plan::Unknown;
        if (!s.conn || PQstatus(s.conn) != CONNECTION_OK)
            return; // the server dropped the transaction with the connection
        PGresult *res = PQexec(s.conn, "ROLLBACK");
        PQclear(res);
    }
    // Savepoints go to the server with the next statement (see Session).
    void savepoint(const QString &name) override
    {
        Session &s = session();
        const QByteArray id = quote(name).toUtf8();
        static const QByteArray kSet = QByteArrayLiteral("SAVEPOINT ");
        if (!s.deferred.isEmpty() && !s.deferred.last().run && s.deferred.last().text.startsWith(kSet)) {
            s.sameAs.insert(id, s.deferred.last().text.mid(kSet.size()));
            return;
        }
        s.defer(kSet + id);
    }
    void release(const QString &name) override
    {
        Session &s = session();
        const QByteArray id = quote(name).toUtf8();
        if (s.sameAs.remove(id)) return;
        const QByteArray set = "SAVEPOINT " + id;
        if (s.unmade.remove(set)) return;
        if (!s.deferred.isEmpty() && s.deferred.last() == set)
            s.deferred.removeLast(); // nothing was done inside it
        else
            s.defer("RELEASE " + set);
    }
    void rollbackTo(const QString &name) override
    {
        Session &s = session();
        if (!s.conn || PQstatus(s.conn) != CONNECTION_OK)
            return; // the whole transaction went with the connection
        QByteArray id = quote(name).toUtf8();
        const auto same = s.sameAs.constFind(id);
        const bool outerStays = same != s.sameAs.constEnd();
        if (outerStays) {
            id = same.value();
            s.sameAs.erase(same);
        }
        const QByteArray set = "SAVEPOINT " + id;
        s.plan = Session::Plan::Unknown;
        // Never made: the return to an outer one undoes what went before it.
        if (outerStays ? s.unmade.contains(set) : s.unmade.remove(set)) return;
        qsizetype unsent = s.deferred.size() - 1;
        while (unsent >= 0 && !(s.deferred[unsent] == set))
            --unsent;
        if (unsent >= 0) {
            // The server never saw it, nor anything after it.
            s.dropDeferred(outerStays ? unsent + 1 : unsent);
            return;
        }
        s.defer("ROLLBACK TO " + set);
        if (!outerStays) s.defer("RELEASE " + set);
    }
    bool failedStatementKeepsTransaction() const override { return false; }
    bool transactionLocksWrites() const override { return true; }

    QString quote(const QString &identifier) const override
    {
        QString s = identifier.toLower();
        s.replace(QLatin1Char('"'), QLatin1String("\"\""));
        return QLatin1Char('"') + s + QLatin1Char('"');
    }
    QString compareText(const QString &left, const QString &op, const QString &right, bool) const override
    {
        return QStringLiteral("(tvkey(%1)%2tvkey(%3) COLLATE \"C\")").arg(left, op, right);
    }
    QString orderTerm(const QString &operand, bool text, bool desc) const override
    {
        // NULL first as SQLite orders it.
        const QString term = text ? QStringLiteral("tvkey(%1) COLLATE \"C\"").arg(operand) : operand;
        return term + (desc ? QStringLiteral(" DESC NULLS LAST") : QStringLiteral(" NULLS FIRST"));
    }
    QString asText(const QString &operand) const override
    {
        return QStringLiteral("CAST(%1 AS TEXT)").arg(operand);
    }
    QString numberText(const QString &operand, FieldType type) const override
    {
        // A float becomes a numeric of 15 significant digits, as %.15g gives them.
        if (type != FieldType::Number) return QStringLiteral("CAST(%1 AS TEXT)").arg(operand);
        return QStringLiteral("replace(CAST(CAST(%1 AS numeric) AS TEXT), '.', ',')").arg(operand);
    }
    QString likeCall(const QString &value, const QString &pattern) const override
    {
        return QStringLiteral("(tvfold(%1) COLLATE \"C\" ~ %2)").arg(value, pattern);
    }
    Value likePattern(const QString &jetPattern) const override;
    QString valCall(const QString &operand, FieldType type) const override
    {
        switch (type) {
        case FieldType::Integer:
        case FieldType::Short:
        case FieldType::Counter:
            return operand;
        case FieldType::Number:
            // Truncated toward zero and held within 64 bits, as SQLite casts.
            return QStringLiteral("CAST(trunc(LEAST(GREATEST(%1, -9.2e18), 9.2e18)) AS bigint)").arg(operand);
        case FieldType::Bool:
            return QStringLiteral("CAST(%1 AS integer)").arg(operand);
        default:
            return QStringLiteral("tvval(CAST(%1 AS TEXT))").arg(operand);
        }
    }
    QString boolCondition(const QString &operand) const override
    {
        return QStringLiteral("COALESCE(%1, false)").arg(operand);
    }
    QString boolOperand(const QString &operand) const override
    {
        return QStringLiteral("COALESCE(CAST(%1 AS integer), 0)").arg(operand);
    }
    QString insertReturning(const QString &rowIdSql) const override
    {
        return QStringLiteral(" RETURNING ") + rowIdSql;
    }
    QString lockRow() const override { return QStringLiteral(" FOR UPDATE"); }
    bool returnsWrittenRows() const override { return true; }
    bool ordersByRowId() const override { return true; }

  private:
    struct Identity
    {
        QString column; // as stored
        bool visible = false;
    };

    Identity identityOf(const QString &table)
    {
        auto it = m_identities.constFind(table.toLower());
        if (it != m_identities.constEnd()) return it.value();
        auto st = prepare(QStringLiteral(
            "SELECT a.attname FROM pg_attribute a WHERE a.attrelid = (SELECT c.oid FROM pg_class c WHERE "
            "c.relname = ? AND c.relnamespace = (SELECT oid FROM pg_namespace WHERE nspname = "
            "current_schema())) "
            "AND a.attnum > 0 AND NOT a.attisdropped AND a.attidentity <> '' ORDER BY a.attname = ? DESC"));
        st->bind(1, Value(table.toLower()));
        st->bind(2, Value(QString::fromLatin1(kHiddenRowId)));
        Identity id;
        if (st->step()) {
            id.column = st->columnDynamic(0).rawText();
            id.visible = id.column != QLatin1String(kHiddenRowId);
        }
        // Only a table that exists is remembered: it may be made later.
        if (!id.column.isEmpty()) m_identities.insert(table.toLower(), id);
        return id;
    }

    Session &session() const
    {
        if (!m_session)
            throw AppError(QStringLiteral("TVexDaoTable.OpenDaoRecordset: Database is NOT connected"));
        return *m_session;
    }

    // The statement that takes the write lock, made on first use: the
    // program's tables present in its schema.
    QByteArray writeLock()
    {
        if (!m_writeLock) {
            QStringList names;
            const QStringList present = tables();
            for (const Schema::TableDef &t : Schema::tables())
                if (present.contains(t.name, Qt::CaseInsensitive))
                    names << session().schema + QLatin1Char('.') + quote(t.name);
            m_writeLock = names.isEmpty() ? QByteArray()
                                          : QStringLiteral("LOCK TABLE %1 IN SHARE ROW EXCLUSIVE MODE")
                                                .arg(names.join(QStringLiteral(", ")))
                                                .toUtf8();
        }
        return *m_writeLock;
    }

    std::shared_ptr<Session> m_session;
    std::optional<QByteArray> m_writeLock;
    QString m_location;
    int m_busyTimeout = 5000;
    int m_stallTimeout = kStallTimeout;
    QHash<QString, Identity> m_identities;
};

// The folding and sort key of TextCompare, as SQL functions (not STRICT, so
// that the planner writes them into the query instead of calling them row by
// row; a NULL gives NULL all the same). Letter case is
// folded by Qt's own case folding, written out into translate() lists when
// the functions are made: the server's lower() would follow its locale. A
// text of ASCII alone (most of them) takes the short way.
void PgEngine::createSupport()
{
    QString latinFrom, latinTo, allFrom, allTo;
    for (char16_t c = 0x80; c < 0xFFFF; ++c) {
        if (QChar::isSurrogate(c)) continue;
        const char16_t f = QChar(c).toCaseFolded().unicode();
        if (f == c) continue;
        allFrom += QChar(c);
        allTo += QChar(f);
        if (c <= 0xFF) {
            latinFrom += QChar(c);
            latinTo += QChar(f);
        }
    }
    // The base letters of the folded text (TextCompare's primary order).
    const QString baseFrom = QStringLiteral("àáâãäåçèéêëìíîïñòóôõöøùúûüýÿ");
    const QString baseTo = QStringLiteral("aaaaaaceeeeiiiinoooooouuuuyy");
    // The functions call each other named with their schema: the server's
    // own jobs (statistics, vacuumdb, pg_dump and pg_restore) run with an
    // empty search path, and would not find them otherwise.
    const QString schema = session().schema;
    // Texts beyond Latin-1 are rare: their folding, with the lists of all
    // letters, is called rather than written into every query, which would
    // make planning each one cost more than running it.
    exec(
        QStringLiteral("CREATE OR REPLACE FUNCTION tvfoldall(s text) RETURNS text LANGUAGE plpgsql IMMUTABLE "
                       "STRICT PARALLEL SAFE AS $f$ BEGIN RETURN translate(lower(s COLLATE \"C\"), %1, %2); "
                       "END $f$")
            .arg(literal(allFrom), literal(allTo)));
    exec(QStringLiteral(
             "CREATE OR REPLACE FUNCTION tvfold(s text) RETURNS text LANGUAGE sql IMMUTABLE PARALLEL SAFE AS "
             "$f$ SELECT CASE WHEN octet_length(s) = length(s) THEN lower(s COLLATE \"C\") "
             "WHEN s COLLATE \"C\" !~ '[^\\x01-\\u00ff]' THEN translate(lower(s COLLATE \"C\"), %1, %2) "
             "ELSE %3.tvfoldall(s) END $f$")
             .arg(literal(latinFrom), literal(latinTo), schema));
    exec(
        QStringLiteral(
            "CREATE OR REPLACE FUNCTION tvbase(f text) RETURNS text LANGUAGE sql IMMUTABLE PARALLEL SAFE AS "
            "$f$ SELECT replace(replace(replace(translate(f, %1, %2), 'ß', 'ss'), 'æ', 'ae'), 'œ', 'oe') $f$")
            .arg(literal(baseFrom), literal(baseTo)));
    // The primary key, a character below every other, the folded text: so
    // texts order by their base letters first and by their folded letters
    // where those are equal. ASCII texts are their own key.
    exec(QStringLiteral(
             "CREATE OR REPLACE FUNCTION tvkey(s text) RETURNS text LANGUAGE sql IMMUTABLE PARALLEL SAFE AS "
             "$f$ SELECT CASE WHEN octet_length(s) = length(s) THEN lower(s COLLATE \"C\") "
             "ELSE %1.tvbase(%1.tvfold(s)) || chr(1) || %1.tvfold(s) END $f$")
             .arg(schema));
    // Val(): the leading whole number (with its sign) after blanks, 0 when
    // none, held within 64 bits as SQLite's cast to INTEGER does.
    exec(QStringLiteral(
        "CREATE OR REPLACE FUNCTION tvval(s text) RETURNS bigint LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE "
        "AS "
        "$f$ SELECT LEAST(GREATEST(COALESCE(substring(s FROM '^\\s*([+-]?[0-9]+)')::numeric, 0), "
        "-9223372036854775808), 9223372036854775807)::bigint $f$"));
    exec(QStringLiteral("CREATE OR REPLACE FUNCTION tvsupport() RETURNS integer LANGUAGE sql IMMUTABLE AS "
                        "$f$ SELECT %1 $f$")
             .arg(kSupportVersion));
}

// The pattern test of TextCompare::like as a regular expression over the
// folded text: * any run, ? one character, # one digit, [abc], [a-z] and
// [!abc] lists; everything else stands for itself.
Value PgEngine::likePattern(const QString &jetPattern) const
{
    auto escaped = [](QChar c) {
        const QString f = TextCompare::fold(QStringView(&c, 1));
        QString out;
        for (QChar x : f) {
            if (x.unicode() < 0x80 && !x.isLetterOrNumber()) out += QLatin1Char('\\');
            out += x;
        }
        return out;
    };
    QString re = QStringLiteral("^");
    const QString &p = jetPattern;
    for (qsizetype i = 0; i < p.size(); ++i) {
        const QChar c = p.at(i);
        if (c == QLatin1Char('*')) {
            re += QStringLiteral(".*");
        } else if (c == QLatin1Char('?')) {
            re += QLatin1Char('.');
        } else if (c == QLatin1Char('#')) {
            re += QStringLiteral("[0-9]");
        } else if (c == QLatin1Char('[')) {
            const qsizetype close = p.indexOf(QLatin1Char(']'), i + 1);
            if (close < 0) {
                re += QStringLiteral("\\[");
                continue;
            }
            qsizetype k = i + 1;
            bool negate = false;
            if (k < close && p.at(k) == QLatin1Char('!')) {
                negate = true;
                ++k;
            }
            QString list;
            for (; k < close; ++k) {
                if (k + 2 < close && p.at(k + 1) == QLatin1Char('-')) {
                    // A range backwards ([z-a]) holds no character, as on the
                    // file; the server would refuse it as an invalid pattern.
                    const QString lo = escaped(p.at(k)), hi = escaped(p.at(k + 2));
                    if (TextCompare::fold(QStringView(p).mid(k, 1)) <=
                        TextCompare::fold(QStringView(p).mid(k + 2, 1)))
                        list += lo + QLatin1Char('-') + hi;
                    k += 2;
                } else {
                    list += escaped(p.at(k));
                }
            }
            if (list.isEmpty())
                re += negate ? QStringLiteral("(?:.)") : QStringLiteral("(?!)");
            else
                re += (negate ? QStringLiteral("[^") : QStringLiteral("[")) + list + QLatin1Char(']');
            i = close;
        } else {
            re += escaped(c);
        }
    }
    re += QLatin1Char('$');
    return Value(re);
}

} // namespace

std::unique_ptr<Engine> createPgEngine()
{
    return std::make_unique<PgEngine>();
}
