// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The server engine's connection as its statements share it: the commands
// that wait for the next round trip, the prepared statements, the rounds
// sent as one pipeline, and what the server's errors mean. Only the server
// engine's own files include it.
#include "value.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <algorithm>
#include <libpq-fe.h>
#include <memory>
#include <optional>
#include <vector>

namespace Pg {

// A result of the server, freed with its owner: no path forgets one.
struct ResultFree
{
    void operator()(PGresult *r) const { PQclear(r); }
};
using PgResult = std::unique_ptr<PGresult, ResultFree>;

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

// How long the server keeps a transaction that waits for this program (a
// laptop closed in the middle of a run, a hung program, a dropped network)
// before it ends the session, and with it the write lock the others wait for.
constexpr int kStallTimeout = 60000;

// What the user is told: another workstation holds the lock; the
// connection went away; the server ended a session that stalled.
QString busyMessage();
QString connectionLostMessage();
QString stalledMessage(int milliseconds);

bool isIntegerOid(Oid t);
bool isFloatOid(Oid t);
bool isDateOid(Oid t);

// The storage form of a date as SQLite holds it: the day alone at midnight.
QString isoText(const char *p, int n);

// "?" marks become "$1", "$2", … outside quoted texts and names.
QString numberedParameters(const QString &sql, int *count);

// The text of a value as the server reads it, and the type it is sent as:
// numbers and dates typed, so that a number compares as a number with any
// numeric column; texts and yes/no untyped, so that the column decides
// ("1" is a yes for a yes/no column and 1 for a number).
Oid parameterType(const Value &v);

// bytea comes as "\x" and two hex digits a byte (the server's default output).
QByteArray byteaValue(const char *p, int n);

QByteArray parameterText(const Value &v);

// Each round trip to the server, what went in it, on stderr: the costly
// part of a save on a network.
bool traceRoundTrips();

// The connection and what its statements share.

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

    QByteArray deferredText() const;

    bool deferredRuns() const
    {
        return std::any_of(deferred.begin(), deferred.end(), [](const Deferred &d) { return bool(d.run); });
    }

    // Drops what waits from the given place on. A statement whose preparation
    // is dropped with it is prepared anew: each statement checks its name
    // once the generation changes.
    void dropDeferred(qsizetype from = 0);
    // Savepoints made right after another with nothing between: they are
    // that one (going back to either undoes the same), and cost no command.
    QHash<QByteArray, QByteArray> sameAs;
    // How the server plans the next run of a kept statement, as far as known
    // (a rollback may have taken back the last change).
    enum class Plan { Unknown, Custom, Generic } plan = Plan::Custom;

    void planFor(bool generic);

    [[noreturn]] void fail(PgResult owned, const QString &context = QString());

    void setup();

    void answered()
    {
        if (PQstatus(conn) == CONNECTION_OK) lastAnswer.restart();
    }

    // The connection, made anew when the server went away outside a
    // transaction (it restarted, or dropped an idle connection).
    PGconn *live();

    // A command in simple form, after the deferred ones in the same text.
    PgResult simple(const QByteArray &sql);

    void run(const QString &sql);

    // The server's name of the prepared statement for this text and these
    // parameter types; prepareText is set when it must be prepared first.
    QByteArray statementName(const QString &sql, const QString &typesKey, QByteArray *prepareText);

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

    Round send(QList<Deferred> before, const std::vector<Run> &runs);

    // The answers of a round, in order of its slots; the first failure among
    // its commands is raised.
    std::vector<PgResult> collect(Round &round);

    // Reads the answer of a round sent ahead; its failure is raised here.
    void collectInFlight();

    // Sends what waits without waiting for the answer: the program goes on
    // while the server works. The next command that waits reads it first.
    void sendAhead();

    // Prepared statements run, with the deferred commands (and their
    // preparation where needed) before them in the same round trip. Returns
    // their results in order (without runs, the last deferred command's);
    // the first failure among the commands is raised.
    std::vector<PgResult> execute(const std::vector<Run> &runs);
};

} // namespace Pg
