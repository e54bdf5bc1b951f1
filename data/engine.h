#pragma once
// Everything that depends on the database engine sits behind this interface:
// connecting, statements, the schema's DDL, identifier quoting, the German
// text collation, the pattern test, counters, locking and busy handling.
// SQLite is the engine today; a database server would be a second file.
#include "fieldtype.h"
#include "value.h"

#include <QList>
#include <QStringList>
#include <memory>

class Statement
{
public:
    virtual ~Statement() = default;
    virtual void bind(int index, const Value &value) = 0; // 1-based
    virtual bool step() = 0;                              // true while a row is ready
    virtual void reset() = 0;
    virtual int columnCount() const = 0;
    // Reads a column in the form of its field type (dates from their ISO text).
    virtual Value column(int index, FieldType type) const = 0;
    // Reads a column as the engine holds it (for selects of expressions).
    virtual Value columnDynamic(int index) const = 0;
};

class Engine
{
public:
    virtual ~Engine() = default;

    // The engine of the given kind, or none when it cannot be loaded.
    static std::unique_ptr<Engine> create(const QString &kind = QStringLiteral("sqlite"));
    // For tests: make create() fail as if the engine library were missing.
    static void simulateMissingEngine(bool missing);
    // For tests: open every file as if it were write-protected.
    static void simulateWriteProtection(bool on);

    virtual void open(const QString &path, bool createNew = false) = 0;
    // How long a write waits for another program's lock before it fails.
    virtual void setBusyTimeout(int milliseconds) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Whether a change can be saved in the open file: false for a
    // write-protected file or one whose folder takes no journal.
    virtual bool canWrite() = 0;
    virtual QString path() const = 0;

    virtual std::unique_ptr<Statement> prepare(const QString &sql) = 0;
    virtual void exec(const QString &sql) = 0;
    virtual qint64 lastInsertId() const = 0;
    virtual int changes() const = 0;

    // Schema as stored: the tables and the columns of one table (exact spelling).
    virtual QStringList tables() = 0;
    virtual QList<ColumnInfo> columns(const QString &table) = 0;
    virtual QString columnDdl(const ColumnInfo &column) const = 0;
    // Whether the table never hands out the id of a deleted row again; where it
    // may, a row id alone does not say that a row is still the one that was read.
    virtual bool keepsRowIds(const QString &table) = 0;

    // Write transactions. begin() takes the write lock at once, waiting a few
    // seconds for another program to finish; savepoints nest inside it.
    virtual void begin() = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;
    virtual void savepoint(const QString &name) = 0;
    virtual void release(const QString &name) = 0;
    virtual void rollbackTo(const QString &name) = 0;

    // SQL pieces the dialect translator asks for.
    virtual QString quote(const QString &identifier) const = 0;
    virtual QString rowIdName() const = 0;
    virtual QString textCollate() const = 0;     // German collation, appended to a text operand
    virtual QString asciiNoCaseCollate() const = 0; // ASCII case folding, which indexes can serve
    virtual QString likeCall(const QString &value, const QString &pattern) const = 0;
};
