// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The connection: one database file opened shared, the engine behind it, the
// table descriptions it reads from the file, the write transactions, and the
// list of open datasets that a rollback must re-read.
#include "fieldtype.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <memory>

class Engine;
class TVexDaoTable;

struct TableSchema
{
    QString name; // as stored
    QList<ColumnInfo> columns;
    bool keepsRowIds = false;                            // a deleted row's id is never given to another row
    QString rowId;                                       // SQL of the column that identifies a row
    const ColumnInfo *column(const QString &name) const; // letter case ignored
};

class TVexDaoDatabase : public QObject
{
    Q_OBJECT
  public:
    explicit TVexDaoDatabase(QObject *parent = nullptr);
    ~TVexDaoDatabase() override;

    // ---- properties (the values the program sets)
    QString DatabaseType = QStringLiteral("Access");
    bool ReadOnly = false;
    bool SmartOpen = true;

    QString Database() const { return m_database; }
    void setDatabase(const QString &path);
    bool Connected() const;
    void Open();
    void Close();
    // Whether changes can be saved in the open file (it may be write-protected).
    bool canWrite() const;

    // Other datasets may name this connection by an alias ("Tavirelmdb").
    void setAlias(const QString &alias);
    static TVexDaoDatabase *byAlias(const QString &alias);

    // Runs that must be saved whole or not at all. Nestable; a Rollback
    // re-reads every open dataset so that it shows only what is stored.
    void StartTransaction();
    void Commit();
    void Rollback();
    // Sends the writes a server holds back for the next round trip and
    // raises their failure; the caller rolls back then.
    void Flush();
    // Sends them without waiting: the next command that waits raises their failure.
    void SendAhead();
    int transactionDepth() const { return m_depth; }
    // Counts the opens: what a dataset built from the file's tables holds
    // good only while this stays the same.
    int generation() const { return m_generation; }

    // ---- used by the dataset layer and the data modules
    Engine &engine() const;
    const TableSchema *table(const QString &name); // null when the file has no such table
    void registerDataset(TVexDaoTable *ds);
    void unregisterDataset(TVexDaoTable *ds);
    // Remembers a table written inside a transaction, for a later Rollback.
    void noteWrite(const QString &table);
    // Rows this connection wrote, so that a dataset holding an older copy of
    // such a row can tell the program's own change from another program's.
    quint64 writeSerial() const { return m_writeSerial; }
    void noteRowWrite(const QString &table, qint64 rowid);
    bool wroteRowSince(const QString &table, qint64 rowid, quint64 serial) const;
    bool wroteTableSince(const QString &table, quint64 serial) const;
    // Names the open transaction while it keeps other programs from writing,
    // 0 otherwise. A rollback, even to a savepoint, ends what the name vouches for.
    quint64 lockedTransaction() const;

    // A transaction (or a savepoint inside one) undone by its scope unless
    // committed: ended by an exception, it rolls back as Rollback() does,
    // datasets re-read, and the exception that ended it is the one passed on.
    class Transaction
    {
      public:
        explicit Transaction(TVexDaoDatabase &db);
        ~Transaction();
        Transaction(const Transaction &) = delete;
        Transaction &operator=(const Transaction &) = delete;
        void commit();

      private:
        TVexDaoDatabase &m_db;
        bool m_done = false;
    };

    // One write: begins a transaction or a savepoint, and commits or rolls
    // back only that part. Datasets are not re-read on failure. A write of
    // one statement inside a transaction needs no savepoint: the engine
    // undoes a failed statement by itself.
    class WriteScope
    {
      public:
        explicit WriteScope(TVexDaoDatabase &db, bool oneStatement = false);
        ~WriteScope();
        void commit();

      private:
        TVexDaoDatabase &m_db;
        QString m_savepoint;
        bool m_nested = false; // inside a transaction, without a savepoint of its own
        bool m_done = false;
    };

  private:
    QString m_database;
    std::unique_ptr<Engine> m_engine;
    QHash<QString, TableSchema> m_tables; // key: lower-case name
    QList<TVexDaoTable *> m_datasets;
    QString m_alias;
    int m_depth = 0;
    int m_generation = 0;
    QSet<QString> m_touched;
    quint64 m_writeSerial = 0;
    quint64 m_transactionSerial = 0;
    QHash<QString, QHash<qint64, quint64>> m_rowWrites; // key: lower-case table
    QHash<QString, quint64> m_tableWrites;              // the last write serial by lower-case table
};
