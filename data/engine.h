// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Everything that depends on the database engine sits behind this interface:
// connecting, statements, the schema's DDL, identifier quoting, the German
// text collation, the pattern test, counters, locking and busy handling.
// Two engines stand behind it: SQLite on a file (the default, one
// workstation) and PostgreSQL on a server (several workstations).
#include "fieldtype.h"
#include "value.h"

#include <QList>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

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
    // Reads a column as the engine holds it (for selects of expressions);
    // yes/no as 0 or 1 and dates in their ISO text on both engines.
    virtual Value columnDynamic(int index) const = 0;
    // Runs the statement once for each set of parameters, in order, and hands
    // each run to `each`, the statement standing on its first row when there
    // is one (hasRow). A server gets all runs in one round trip; the first
    // failure is raised and the runs after it are not made.
    virtual void runEach(const std::vector<std::vector<Value>> &sets,
                         const std::function<void(Statement &, bool hasRow)> &each);
    // Runs a write that hands nothing back with the bound values. A server
    // gets it in the same round trip as the connection's next command, and
    // its failure is raised there; a file runs it at once.
    virtual void runLater() { step(); }
    // The same for a run of the statement per set of parameters, in order.
    virtual void runEachLater(const std::vector<std::vector<Value>> &sets);
};

// An index of the program's tables, described once for both engines.
struct IndexDef
{
    enum Kind { Plain, Text, Number }; // Text: German letter case ignored; Number: Val() of a text
    struct Part
    {
        QString column;
        Kind kind = Plain;
    };
    QString name, table;
    QList<Part> parts;
    bool unique = false;
};

class Engine
{
  public:
    virtual ~Engine() = default;

    // The engine of the given kind, or none when it cannot be loaded.
    static std::unique_ptr<Engine> create(const QString &kind = QStringLiteral("sqlite"));
    // The same, refused with a German message naming what is missing.
    static std::unique_ptr<Engine> required(const QString &kind = QStringLiteral("sqlite"));
    // A database location names a server ("postgresql://user@host:port/db")
    // or a file; the kind of engine that opens it.
    static bool isServerLocation(const QString &location);
    static QString kindOf(const QString &location);
    // A location as messages show it: a file in the system's own form, and a
    // password masked wherever one was written into it.
    static QString shownLocation(const QString &location);
    // "Die Datenbank … gibt es nicht" with how one is made, for the location
    // that was asked for.
    static QString missingMessage(const QString &location);
    // A server location with its password left out, for a command the user
    // may copy (libpq then finds the password in the password file).
    static QString withoutPassword(const QString &location);
    // Any text that may repeat a location (libpq's own messages do) with
    // every password masked: those written in the form of a URI or of
    // keyword=value, and those the given location holds wherever they occur.
    static QString maskPasswords(const QString &text, const QString &location = QString());
    // A text holding a NUL character is refused on both engines alike: the
    // server would cut it there without a word, and a file keeping it could
    // not move to a server.
    static bool holdsNul(const Value &value);
    static QString nulMessage(const QString &text);
    // For tests: make create() fail as if the engine library were missing.
    static void simulateMissingEngine(bool missing);
    // For tests: open every file as if it were write-protected.
    static void simulateWriteProtection(bool on);

    // A file path, or a server's connection text. createNew: a file may be
    // made (a server's database must exist already).
    virtual void open(const QString &location, bool createNew = false) = 0;
    // How long a write waits for another program's lock before it fails.
    virtual void setBusyTimeout(int milliseconds) = 0;
    // How long a server keeps an open transaction that waits for this
    // program (stalled, or cut off from the network) before it ends the
    // session and frees the write lock; a minute unless set. A file's lock
    // ends with the program that holds it.
    virtual void setStallTimeout(int milliseconds) { Q_UNUSED(milliseconds); }
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Whether a change can be saved in the open database: false for a
    // write-protected file or one whose folder takes no journal, or a server
    // that only reads.
    virtual bool canWrite() = 0;
    // The location as the user may see it (a server's without password).
    virtual QString path() const = 0;
    virtual bool isServer() const { return false; }

    virtual std::unique_ptr<Statement> prepare(const QString &sql) = 0;
    virtual void exec(const QString &sql) = 0;
    virtual qint64 lastInsertId() const = 0;
    virtual int changes() const = 0;

    // Schema as stored: the tables and the columns of one table (the
    // program's spelling), and the column that identifies a row.
    virtual QStringList tables() = 0;
    virtual QList<ColumnInfo> columns(const QString &table) = 0;
    virtual QString columnDdl(const ColumnInfo &column) const = 0;
    virtual QString rowIdColumn(const QString &table) = 0; // SQL, ready to use
    // Whether the table never hands out the id of a deleted row again; where it
    // may, a row id alone does not say that a row is still the one that was read.
    virtual bool keepsRowIds(const QString &table) = 0;
    // The schema's DDL: a table of these columns, an index (made anew where
    // one of its name is there), and what the engine needs beside the tables
    // (functions on a server). Names of the indexes present in the form
    // createIndex makes them.
    virtual void createTable(const QString &name, const QList<ColumnInfo> &columns) = 0;
    virtual void createIndex(const IndexDef &index) = 0;
    virtual QStringList indexes() = 0;
    virtual void createSupport() {}
    virtual bool hasSupport() { return true; }
    virtual void dropSupport() {}
    // The last value a table's counter gave (0 when none), and setting it,
    // so that a copy of a database goes on counting where the original was.
    virtual qint64 counterValue(const QString &table) = 0;
    virtual void setCounterValue(const QString &table, qint64 value) = 0;
    // Counter values taken ahead for rows about to be inserted in the open
    // transaction, so that each insert can go to a server without waiting
    // for its answer; none where the engine has no use for that (rows then
    // take theirs as they are written). A value not used stays unused.
    virtual std::vector<qint64> reserveCounterValues(const QString &table, int count)
    {
        Q_UNUSED(table);
        Q_UNUSED(count);
        return {};
    }

    // Write transactions. begin() takes the write lock at once, waiting a few
    // seconds for another program to finish; savepoints nest inside it.
    // Sends the writes that wait for the next round trip and raises their
    // failure (nothing to do on a file).
    virtual void flush() {}
    // Sends them without waiting for the answer, so that the program goes on
    // while the server works; the next command that waits (a flush, a read,
    // the commit) raises their failure.
    virtual void sendAhead() {}
    virtual void begin() = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;
    virtual void savepoint(const QString &name) = 0;
    virtual void release(const QString &name) = 0;
    virtual void rollbackTo(const QString &name) = 0;
    // SQLite undoes a failed statement by itself and the transaction goes on;
    // a server aborts the whole transaction, so each write inside one needs a
    // savepoint of its own there.
    virtual bool failedStatementKeepsTransaction() const { return true; }
    // True where an open transaction keeps every other connection from
    // writing (SQLite's BEGIN IMMEDIATE, the server's lock of the program's
    // tables): a row read inside it stays as read until this connection
    // writes it.
    virtual bool transactionLocksWrites() const { return false; }

    // SQL pieces the dialect translator asks for.
    virtual QString quote(const QString &identifier) const = 0;
    // A comparison of two text operands with German letter case ignored.
    // asciiEquality: an equality with a literal of plain ASCII, which a
    // case-insensitive index may serve.
    virtual QString compareText(const QString &left, const QString &op, const QString &right,
                                bool asciiEquality) const = 0;
    // One term of an order list (NULL sorts first, ascending).
    virtual QString orderTerm(const QString &operand, bool text, bool desc) const = 0;
    // A non-text column used as a text operand.
    virtual QString asText(const QString &operand) const { return operand; }
    // A number column as the text the program shows for it in general form
    // (up to 15 significant digits, decimal comma), for the pattern test:
    // the same text a find on the rows in memory tests.
    virtual QString numberText(const QString &operand, FieldType type) const = 0;
    // The pattern test (the pattern is bound as a parameter made by likePattern).
    virtual QString likeCall(const QString &value, const QString &pattern) const = 0;
    virtual Value likePattern(const QString &jetPattern) const { return Value(jetPattern); }
    // Val(): the leading whole number of a text, 0 when there is none.
    virtual QString valCall(const QString &operand, FieldType type) const = 0;
    // A yes/no column as a condition, and as an operand compared with others.
    virtual QString boolCondition(const QString &operand) const = 0;
    virtual QString boolOperand(const QString &operand) const = 0;
    // Appended to an insert so that the new row's id comes back with it.
    virtual QString insertReturning(const QString &rowIdSql) const
    {
        Q_UNUSED(rowIdSql);
        return QString();
    }
    // Whether an insert or update can hand back the stored row in the same
    // round trip (RETURNING with the columns a dataset reads), so that a save
    // needs no second read of it.
    virtual bool returnsWrittenRows() const { return false; }
    // Appended to the read that checks a row before it is written over.
    virtual QString lockRow() const { return QString(); }
    // Order given to a select without one, so that rows come in the order
    // they were added on both engines (empty: the engine's own order).
    virtual bool ordersByRowId() const { return false; }
};
