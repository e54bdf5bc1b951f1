// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/apperror.h"
#include "base/germanformat.h"
#include "engine.h"
#include "filerights.h"
#include "textcompare.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <memory>
#include <sqlite3.h>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

bool g_simulateMissing = false;
bool g_simulateWriteProtection = false;

struct StringHash
{
    using is_transparent = void;
    size_t operator()(std::string_view s) const
    {
        size_t h = 1469598103934665603ull; // FNV-1a: the keys are a few bytes long
        for (unsigned char c : s)
            h = (h ^ c) * 1099511628211ull;
        return h;
    }
};

QString busyMessage()
{
    return QStringLiteral("Die Datenbank wird gerade von einem anderen Programm bearbeitet und ist gesperrt. "
                          "Bitte versuchen Sie es in einigen Sekunden noch einmal");
}

[[noreturn]] void fail(sqlite3 *db, int rc, const QString &context = QString())
{
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) throw AppError(busyMessage(), AppError::Kind::Busy);
    QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    if (rc == SQLITE_NOTADB)
        msg = QStringLiteral("Die Datei ist keine Datenbank");
    else if (rc == SQLITE_READONLY)
        msg = QStringLiteral("Die Datenbank ist schreibgeschützt");
    else if (rc == SQLITE_FULL)
        msg = QStringLiteral("Der Datenträger ist voll; die Änderung wurde nicht gespeichert");
    throw AppError(context.isEmpty() ? msg : context + QStringLiteral(": ") + msg);
}

int collateGerman(void *, int alen, const void *a, int blen, const void *b)
{
    return TextCompare::compareUtf8(static_cast<const char *>(a), alen, static_cast<const char *>(b), blen);
}

void likeFunction(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (argc != 2 || sqlite3_value_type(argv[0]) == SQLITE_NULL ||
        sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto *v = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
    const int vl = sqlite3_value_bytes(argv[0]);
    const auto *p = reinterpret_cast<const char *>(sqlite3_value_text(argv[1]));
    const int pl = sqlite3_value_bytes(argv[1]);
    sqlite3_result_int(ctx, TextCompare::like(QString::fromUtf8(v, vl), QString::fromUtf8(p, pl)) ? 1 : 0);
}

// Statements done with, kept by their SQL text for the next prepare of the
// same text: a dataset re-reads one row or writes one row with the same SQL
// again and again, and preparing costs far more than running it.
struct StatementPool
{
    static constexpr size_t kMaxTexts = 64;
    sqlite3 *db = nullptr; // null once the connection is closed
    std::unordered_map<std::string, std::vector<sqlite3_stmt *>> idle;

    sqlite3_stmt *take(const std::string &sql)
    {
        auto it = idle.find(sql);
        if (it == idle.end() || it->second.empty()) return nullptr;
        sqlite3_stmt *st = it->second.back();
        it->second.pop_back();
        return st;
    }
    void give(const std::string &sql, sqlite3_stmt *st)
    {
        if (!db) {
            sqlite3_finalize(st);
            return;
        }
        // Many one-off texts (filters typed by the user) start the pool afresh.
        if (idle.size() >= kMaxTexts && !idle.count(sql)) clear();
        sqlite3_reset(st);
        sqlite3_clear_bindings(st);
        idle[sql].push_back(st);
    }
    void clear()
    {
        for (auto &[sql, list] : idle)
            for (sqlite3_stmt *st : list)
                sqlite3_finalize(st);
        idle.clear();
    }
};

class SqliteStatement : public Statement
{
  public:
    SqliteStatement(sqlite3 *db, sqlite3_stmt *stmt, std::shared_ptr<StatementPool> pool, std::string sql)
        : m_db(db), m_stmt(stmt), m_pool(std::move(pool)), m_sql(std::move(sql))
    {}
    ~SqliteStatement() override
    {
        if (m_pool)
            m_pool->give(m_sql, m_stmt);
        else
            sqlite3_finalize(m_stmt);
    }

    void bind(int index, const Value &v) override
    {
        if (Engine::holdsNul(v)) throw AppError(Engine::nulMessage(v.rawText()));
        int rc = SQLITE_OK;
        switch (v.kind()) {
        case Value::Null:
            rc = sqlite3_bind_null(m_stmt, index);
            break;
        case Value::Bool:
        case Value::Int:
            rc = sqlite3_bind_int64(m_stmt, index, v.rawInt());
            break;
        case Value::Double:
            rc = sqlite3_bind_double(m_stmt, index, v.rawDouble());
            break;
        case Value::Text: {
            const QByteArray b = v.rawText().toUtf8();
            rc = sqlite3_bind_text(m_stmt, index, b.constData(), int(b.size()), SQLITE_TRANSIENT);
            break;
        }
        case Value::DateTime: {
            const QByteArray b = German::isoOfStamp(v.stamp()).toLatin1();
            rc = sqlite3_bind_text(m_stmt, index, b.constData(), int(b.size()), SQLITE_TRANSIENT);
            break;
        }
        case Value::Bytes:
            rc = sqlite3_bind_blob64(m_stmt, index, v.rawBytes().constData(),
                                     sqlite3_uint64(v.rawBytes().size()), SQLITE_TRANSIENT);
            break;
        }
        if (rc != SQLITE_OK) fail(m_db, rc);
    }

    bool step() override
    {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW) {
            ++m_rowsRead;
            return true;
        }
        if (rc == SQLITE_DONE) return false;
        sqlite3_reset(m_stmt);
        fail(m_db, rc);
    }

    void reset() override
    {
        m_rowsRead = 0;
        m_caches.clear();
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }

    int columnCount() const override { return sqlite3_column_count(m_stmt); }

    Value column(int i, FieldType type) const override
    {
        const int st = sqlite3_column_type(m_stmt, i);
        if (st == SQLITE_NULL) return Value();
        switch (type) {
        case FieldType::Text:
        case FieldType::Memo:
            if (st == SQLITE_INTEGER) return Value(QString::number(sqlite3_column_int64(m_stmt, i)));
            if (st == SQLITE_FLOAT) return Value(German::formatFloat(sqlite3_column_double(m_stmt, i)));
            return Value(text(i));
        case FieldType::Number:
            if (st == SQLITE_TEXT) return textAsNumber(i);
            return Value(sqlite3_column_double(m_stmt, i));
        case FieldType::Integer:
        case FieldType::Short:
        case FieldType::Counter:
            if (st == SQLITE_TEXT) return textAsNumber(i);
            return Value(qint64(sqlite3_column_int64(m_stmt, i)));
        case FieldType::Bool:
            return Value(sqlite3_column_int64(m_stmt, i) != 0);
        case FieldType::Date: {
            if (st == SQLITE_TEXT) {
                qint64 stamp = 0;
                const char *t = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, i));
                if (German::parseIso(t, sqlite3_column_bytes(m_stmt, i), &stamp))
                    return Value::fromStamp(stamp);
                // A date written by hand in German form is still a date.
                if (German::parseDateText(QString::fromUtf8(t), &stamp)) return Value::fromStamp(stamp);
                return Value();
            }
            return Value();
        }
        case FieldType::Blob:
            return Value(bytes(i));
        }
        return Value();
    }

    Value columnDynamic(int i) const override
    {
        switch (sqlite3_column_type(m_stmt, i)) {
        case SQLITE_BLOB:
            return Value(bytes(i));
        case SQLITE_INTEGER:
            return Value(qint64(sqlite3_column_int64(m_stmt, i)));
        case SQLITE_FLOAT:
            return Value(sqlite3_column_double(m_stmt, i));
        case SQLITE_TEXT:
            return Value(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, i)),
                                           sqlite3_column_bytes(m_stmt, i)));
        default:
            return Value();
        }
    }

  private:
    // Many texts repeat from row to row (type letters, currencies, towns,
    // area codes); sharing one string for each saves an allocation per cell.
    // A column whose texts do not repeat stops being looked up after a while.
    struct ColumnCache
    {
        std::unordered_map<std::string, QString, StringHash, std::equal_to<>> texts;
        int lookups = 0, hits = 0;
        bool enabled = true;
    };

    QByteArray bytes(int i) const
    {
        const void *p = sqlite3_column_blob(m_stmt, i);
        return QByteArray(static_cast<const char *>(p), sqlite3_column_bytes(m_stmt, i));
    }

    QString text(int i) const
    {
        const char *p = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, i));
        const int n = sqlite3_column_bytes(m_stmt, i);
        // A handful of rows (one re-read, a document's positions) repeat too
        // little to pay for the sharing.
        if (n == 0 || n > 24 || m_rowsRead <= 8) return QString::fromUtf8(p, n);
        if (size_t(i) >= m_caches.size()) m_caches.resize(size_t(i) + 1);
        ColumnCache &c = m_caches[size_t(i)];
        if (!c.enabled) return QString::fromUtf8(p, n);
        ++c.lookups;
        const std::string_view key(p, size_t(n));
        auto it = c.texts.find(key);
        if (it != c.texts.end()) {
            ++c.hits;
            return it->second;
        }
        if (c.lookups >= 64 && c.hits * 2 < c.lookups) {
            c.enabled = false;
            c.texts.clear();
            return QString::fromUtf8(p, n);
        }
        return c.texts.emplace(std::string(key), QString::fromUtf8(p, n)).first->second;
    }

    Value textAsNumber(int i) const
    {
        double d = 0;
        const QString t = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, i)));
        if (German::parseFloat(t, &d)) return Value(d);
        return Value();
    }

    sqlite3 *m_db;
    sqlite3_stmt *m_stmt;
    std::shared_ptr<StatementPool> m_pool;
    std::string m_sql;
    int m_rowsRead = 0;
    mutable std::vector<ColumnCache> m_caches;
};

class SqliteEngine : public Engine
{
  public:
    ~SqliteEngine() override { close(); }

    void open(const QString &path, bool createNew) override
    {
        close();
        int flags =
            (g_simulateWriteProtection ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
        if (createNew) flags |= SQLITE_OPEN_CREATE;
        // Whatever opens the file (the windows, a command, a check) first
        // takes from others the rights they should not have.
        if (!createNew) FileRights::protectDatabase(path);
        sqlite3 *db = nullptr;
        const QByteArray p = path.toUtf8();
        int rc = sqlite3_open_v2(p.constData(), &db, flags, nullptr);
        if (rc != SQLITE_OK) {
            const QString msg =
                QStringLiteral("Die Datenbank %1 kann nicht geöffnet werden: %2")
                    .arg(path, QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)));
            sqlite3_close(db);
            throw AppError(msg);
        }
        sqlite3_extended_result_codes(db, 0);
        // A file may come from elsewhere: its schema (triggers, views) runs
        // no function that is not harmless, and no statement of the program
        // can damage the file's own structure.
        sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
        sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
        sqlite3_busy_timeout(db, m_busyTimeout);
        sqlite3_create_collation(db, "TVDE", SQLITE_UTF8, nullptr, collateGerman);
        sqlite3_create_function_v2(db, "tvlike", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, likeFunction,
                                   nullptr, nullptr, nullptr);
        m_db = db;
        m_path = path;
        m_pool = std::make_shared<StatementPool>();
        m_pool->db = db;
        // Touch the file's header so that a file that is no database fails here, not later.
        try {
            exec(QStringLiteral("select count(*) from sqlite_master"));
            // The undo records of savepoints stay in memory: a run with a
            // savepoint per document would otherwise write every page it
            // touches a second time to a temporary file. The journal that
            // makes a crash safe is not affected.
            exec(QStringLiteral("PRAGMA temp_store = MEMORY"));
        } catch (const AppError &e) {
            close();
            throw AppError(QStringLiteral("Die Datei %1 kann nicht als Datenbank geöffnet werden: %2")
                               .arg(path, e.message()));
        }
    }

    void setBusyTimeout(int ms) override
    {
        m_busyTimeout = ms;
        if (m_db) sqlite3_busy_timeout(m_db, ms);
    }

    void close() override
    {
        if (m_pool) {
            m_pool->clear();
            m_pool->db = nullptr; // statements still held finalize themselves
            m_pool.reset();
        }
        if (m_db) {
            sqlite3_close_v2(m_db);
            m_db = nullptr;
        }
    }
    bool isOpen() const override { return m_db != nullptr; }

    bool canWrite() override
    {
        ensureOpen();
        // SQLite opens a file it may not write read-only without a word.
        if (sqlite3_db_readonly(m_db, "main") == 1) return false;
        if (!sqlite3_get_autocommit(m_db)) return true; // a write is under way
        // A folder that takes no journal refuses every save as well: try a
        // write that changes nothing and take it back. A lock held by another
        // program means the file can be written, just not this instant.
        sqlite3_busy_timeout(m_db, 0);
        int rc = sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK) {
            sqlite3_stmt *st = nullptr;
            int version = 0;
            if (sqlite3_prepare_v2(m_db, "PRAGMA user_version", -1, &st, nullptr) == SQLITE_OK &&
                sqlite3_step(st) == SQLITE_ROW)
                version = sqlite3_column_int(st, 0);
            sqlite3_finalize(st);
            rc = sqlite3_exec(m_db,
                              QByteArray("PRAGMA user_version = " + QByteArray::number(version)).constData(),
                              nullptr, nullptr, nullptr);
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
        sqlite3_busy_timeout(m_db, m_busyTimeout);
        return rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED;
    }
    QString path() const override { return m_path; }

    std::unique_ptr<Statement> prepare(const QString &sql) override
    {
        ensureOpen();
        std::string key = sql.toStdString();
        if (sqlite3_stmt *cached = m_pool->take(key))
            return std::make_unique<SqliteStatement>(m_db, cached, m_pool, std::move(key));
        sqlite3_stmt *stmt = nullptr;
        const int rc =
            sqlite3_prepare_v3(m_db, key.data(), int(key.size()), SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
        if (rc != SQLITE_OK) fail(m_db, rc);
        return std::make_unique<SqliteStatement>(m_db, stmt, m_pool, std::move(key));
    }

    void exec(const QString &sql) override
    {
        ensureOpen();
        static const bool trace = qEnvironmentVariableIsSet("TAVIREL_SQL_TRACE");
        if (trace) qDebug("exec: %s", qPrintable(sql));
        const QByteArray b = sql.toUtf8();
        char *err = nullptr;
        const int rc = sqlite3_exec(m_db, b.constData(), nullptr, nullptr, &err);
        sqlite3_free(err);
        if (rc != SQLITE_OK) fail(m_db, rc);
    }

    qint64 lastInsertId() const override { return sqlite3_last_insert_rowid(m_db); }
    int changes() const override { return sqlite3_changes(m_db); }

    QStringList tables() override
    {
        QStringList out;
        auto st = prepare(QStringLiteral(
            "select name from sqlite_master where type in ('table','view') and name not like 'sqlite_%'"));
        while (st->step())
            out << st->columnDynamic(0).rawText();
        return out;
    }

    QList<ColumnInfo> columns(const QString &table) override
    {
        QList<ColumnInfo> out;
        auto st = prepare(QStringLiteral("pragma table_info(%1)").arg(quote(table)));
        while (st->step()) {
            ColumnInfo c;
            c.name = st->columnDynamic(1).rawText();
            const QString decl = st->columnDynamic(2).rawText().toUpper();
            const bool pk = st->columnDynamic(5).rawInt() != 0;
            static const QRegularExpression sized(QStringLiteral("^(VAR)?CHAR\\s*\\((\\d+)\\)"));
            const auto m = sized.match(decl);
            if (m.hasMatch()) {
                c.type = FieldType::Text;
                c.size = m.captured(2).toInt();
            } else if (decl.startsWith(QLatin1String("INTEGER")) && pk) {
                c.type = FieldType::Counter;
                c.counter = true;
            } else if (decl.startsWith(QLatin1String("SMALLINT"))) {
                c.type = FieldType::Short;
            } else if (decl.contains(QLatin1String("INT"))) {
                c.type = FieldType::Integer;
            } else if (decl.startsWith(QLatin1String("BOOL")) || decl == QLatin1String("BIT") ||
                       decl == QLatin1String("YESNO")) {
                c.type = FieldType::Bool;
            } else if (decl == QLatin1String("BLOB")) {
                c.type = FieldType::Blob;
            } else if (decl.startsWith(QLatin1String("DATE")) || decl.startsWith(QLatin1String("TIME"))) {
                c.type = FieldType::Date;
            } else if (decl.contains(QLatin1String("REAL")) || decl.contains(QLatin1String("DOUB")) ||
                       decl.contains(QLatin1String("FLOA")) || decl.contains(QLatin1String("NUM")) ||
                       decl.contains(QLatin1String("DEC")) || decl.contains(QLatin1String("CURRENCY"))) {
                c.type = FieldType::Number;
            } else {
                c.type = FieldType::Memo;
            }
            out << c;
        }
        return out;
    }

    bool keepsRowIds(const QString &table) override
    {
        // Only a counter declared AUTOINCREMENT is never reused; a plain rowid
        // is handed out again once the highest row is deleted.
        auto st = prepare(QStringLiteral("select sql from sqlite_master where type = 'table' and name = ?"));
        st->bind(1, Value(table));
        if (!st->step()) return false;
        return st->columnDynamic(0).rawText().contains(QLatin1String("AUTOINCREMENT"), Qt::CaseInsensitive);
    }

    QString columnDdl(const ColumnInfo &c) const override
    {
        QString type;
        switch (c.type) {
        case FieldType::Text:
            type = QStringLiteral("VARCHAR(%1)").arg(c.size);
            break;
        case FieldType::Memo:
            type = QStringLiteral("TEXT");
            break;
        case FieldType::Number:
            type = QStringLiteral("DOUBLE");
            break;
        case FieldType::Integer:
            type = QStringLiteral("INTEGER");
            break;
        case FieldType::Short:
            type = QStringLiteral("SMALLINT");
            break;
        case FieldType::Counter:
            type = QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
            break;
        case FieldType::Bool:
            type = QStringLiteral("BOOLEAN NOT NULL DEFAULT 0");
            break;
        case FieldType::Date:
            type = QStringLiteral("DATETIME");
            break;
        case FieldType::Blob:
            type = QStringLiteral("BLOB");
            break;
        }
        return quote(c.name) + QLatin1Char(' ') + type;
    }

    void begin() override { exec(QStringLiteral("BEGIN IMMEDIATE")); }
    bool transactionLocksWrites() const override { return true; }
    void commit() override { exec(QStringLiteral("COMMIT")); }
    void rollback() override
    {
        if (m_db && !sqlite3_get_autocommit(m_db)) exec(QStringLiteral("ROLLBACK"));
    }
    // Savepoints come and go with every save inside a run: prepared once, kept.
    void savepoint(const QString &name) override { run(QStringLiteral("SAVEPOINT ") + quote(name)); }
    void release(const QString &name) override { run(QStringLiteral("RELEASE ") + quote(name)); }
    void rollbackTo(const QString &name) override
    {
        run(QStringLiteral("ROLLBACK TO ") + quote(name));
        run(QStringLiteral("RELEASE ") + quote(name));
    }

    QString quote(const QString &identifier) const override
    {
        // Called for every column of every statement built: no search and
        // replace for the usual name without quotes.
        QString s;
        s.reserve(identifier.size() + 2);
        s += QLatin1Char('"');
        if (identifier.contains(QLatin1Char('"'))) {
            for (const QChar c : identifier) {
                if (c == QLatin1Char('"')) s += QLatin1Char('"');
                s += c;
            }
        } else {
            s += identifier;
        }
        s += QLatin1Char('"');
        return s;
    }
    QString compareText(const QString &left, const QString &op, const QString &right,
                        bool asciiEquality) const override
    {
        // A plain-ASCII literal needs only ASCII case folding, which lets
        // SQLite use its case-insensitive indexes; anything else takes the
        // German collation.
        return QLatin1Char('(') + left + op + right +
               (asciiEquality ? QLatin1String(" COLLATE NOCASE)") : QLatin1String(" COLLATE TVDE)"));
    }
    QString orderTerm(const QString &operand, bool text, bool desc) const override
    {
        QString term = operand;
        if (text) term += QStringLiteral(" COLLATE TVDE");
        if (desc) term += QStringLiteral(" DESC");
        return term;
    }
    QString likeCall(const QString &value, const QString &pattern) const override
    {
        return QStringLiteral("tvlike(%1, %2)").arg(value, pattern);
    }
    QString numberText(const QString &operand, FieldType type) const override
    {
        if (type != FieldType::Number) return QStringLiteral("CAST(%1 AS TEXT)").arg(operand);
        // printf would give "0" for no value.
        return QStringLiteral(
                   "(CASE WHEN %1 IS NULL THEN NULL ELSE replace(printf('%.15g', %1), '.', ',') END)")
            .arg(operand);
    }
    QString valCall(const QString &operand, FieldType) const override
    {
        return QStringLiteral("CAST(%1 AS INTEGER)").arg(operand);
    }
    QString boolCondition(const QString &operand) const override
    {
        return QStringLiteral("(COALESCE(%1,0) <> 0)").arg(operand);
    }
    QString boolOperand(const QString &operand) const override { return boolCondition(operand); }

    QString rowIdColumn(const QString &) override { return QStringLiteral("rowid"); }

    void createTable(const QString &name, const QList<ColumnInfo> &columns) override
    {
        QStringList cols;
        for (const ColumnInfo &c : columns)
            cols << columnDdl(c);
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
                parts << quote(p.column) + QStringLiteral(" COLLATE NOCASE");
                break;
            case IndexDef::Number:
                parts << valCall(quote(p.column), FieldType::Text);
                break;
            }
        }
        exec(QStringLiteral("CREATE %1INDEX IF NOT EXISTS %2 ON %3(%4)")
                 .arg(index.unique ? QStringLiteral("UNIQUE ") : QString(), quote(index.name),
                      quote(index.table), parts.join(QStringLiteral(", "))));
    }

    QStringList indexes() override
    {
        QStringList out;
        auto st = prepare(QStringLiteral("select name from sqlite_master where type = 'index'"));
        while (st->step())
            out << st->columnDynamic(0).rawText();
        return out;
    }

    qint64 counterValue(const QString &table) override
    {
        // What AUTOINCREMENT gave last; a table that never counted has no row there.
        qint64 last = 0;
        if (hasTable(QStringLiteral("sqlite_sequence"))) {
            auto st = prepare(QStringLiteral("select seq from sqlite_sequence where name = ?"));
            st->bind(1, Value(table));
            if (st->step()) last = st->columnDynamic(0).rawInt();
        }
        auto mx = prepare(QStringLiteral("select max(rowid) from %1").arg(quote(table)));
        if (mx->step()) last = qMax(last, mx->columnDynamic(0).rawInt());
        return last;
    }

    void setCounterValue(const QString &table, qint64 value) override
    {
        if (!keepsRowIds(table)) return; // no counter of its own: the row ids follow the rows
        auto del = prepare(QStringLiteral("delete from sqlite_sequence where name = ?"));
        del->bind(1, Value(table));
        del->step();
        auto ins = prepare(QStringLiteral("insert into sqlite_sequence (name, seq) values (?, ?)"));
        ins->bind(1, Value(table));
        ins->bind(2, Value(value));
        ins->step();
    }

  private:
    bool hasTable(const QString &name)
    {
        auto st = prepare(QStringLiteral("select 1 from sqlite_master where type = 'table' and name = ?"));
        st->bind(1, Value(name));
        return st->step();
    }

    void run(const QString &sql)
    {
        auto st = prepare(sql);
        st->step();
    }

    void ensureOpen() const
    {
        if (!m_db) throw AppError(QStringLiteral("TVexDaoTable.OpenDaoRecordset: Database is NOT connected"));
    }

    sqlite3 *m_db = nullptr;
    QString m_path;
    int m_busyTimeout = 5000;
    std::shared_ptr<StatementPool> m_pool;
};

} // namespace

std::unique_ptr<Engine> createSqliteEngine()
{
    if (g_simulateMissing) return nullptr;
    if (sqlite3_initialize() != SQLITE_OK || sqlite3_libversion_number() < 3031000) return nullptr;
    return std::make_unique<SqliteEngine>();
}

void Engine::simulateMissingEngine(bool missing)
{
    g_simulateMissing = missing;
}

bool engineMissingSimulated()
{
    return g_simulateMissing;
}

void Engine::simulateWriteProtection(bool on)
{
    g_simulateWriteProtection = on;
}
