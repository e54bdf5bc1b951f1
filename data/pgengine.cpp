// SPDX-License-Identifier: GPL-3.0-or-later
// The database server engine: PostgreSQL through libpq. The program's tables
// live in the connection's current schema, their names folded to lower case
// (so that the program's names in any letter case, and a person at psql
// without quotes, all reach them). What SQLite gets from functions the
// program registers on its connection (the German collation, the pattern
// test, Val()) the server gets from SQL functions that the program creates
// beside its tables; they give the same order and matches as the SQLite side.
#include "pgstatement.h"

#include "base/apperror.h"
#include "base/germanformat.h"
#include "engine.h"
#include "notices.h"
#include "schema.h"
#include "textcompare.h"

#include <QLocale>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

using namespace Pg;

namespace {
// Raised, with the version, into tvsupport(): functions of an older version
// are made anew when a database is opened.
constexpr int kSupportVersion = 4;

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
        const PgResult res = s.simple(QByteArrayLiteral("SELECT lastval()"));
        qint64 id = 0;
        if (PQresultStatus(res.get()) == PGRES_TUPLES_OK && PQntuples(res.get()) == 1)
            id = std::strtoll(PQgetvalue(res.get(), 0, 0), nullptr, 10);
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
        PgResult res = s.simple(lock.isEmpty() ? QByteArrayLiteral("BEGIN") : "BEGIN; " + lock);
        s.inTransaction = true;
        if (PQresultStatus(res.get()) != PGRES_COMMAND_OK) {
            const QByteArray state(PQresultErrorField(res.get(), PG_DIAG_SQLSTATE));
            if (state == "42P01") m_writeLock.reset(); // a table went: ask again next time
            try {
                if (state == "42501") {
                    throw AppError(
                        QStringLiteral("Die Anmeldung am Datenbankserver darf die Tabellen des "
                                       "Programms nicht ändern; die Änderung wurde nicht gespeichert"));
                }
                s.fail(std::move(res));
            } catch (...) {
                rollback();
                throw;
            }
        }
    }

    void commit() override
    {
        Session &s = session();
        PgResult res = s.simple(QByteArrayLiteral("COMMIT"));
        s.inTransaction = false;
        s.unmade.clear();
        const ExecStatusType st = PQresultStatus(res.get());
        if (st != PGRES_COMMAND_OK) s.fail(std::move(res));
        // The server answers a COMMIT of a transaction that an error broke
        // off with a ROLLBACK: nothing was saved then.
        const bool rolledBack = qstrcmp(PQcmdStatus(res.get()), "ROLLBACK") == 0;
        res.reset();
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
        s.execute({});
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
        const PgResult done(PQexec(s.conn, "ROLLBACK"));
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
