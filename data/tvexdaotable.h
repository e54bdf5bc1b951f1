// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The dataset: a cursor over all rows of one table or over the result of one
// select, held in memory after Open, with one current row and the states
// browse, edit and insert, fields, filter, find operations, a master/detail
// link and events. Names and behaviour follow the program's established
// dataset component.
#include "sqldialect.h"
#include "tdatasource.h"
#include "tfield.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class TVexDaoDatabase;
class TDataSource;
class Statement;

enum class DataSetState { Inactive, Browse, Edit, Insert };

class TVexDaoTable : public QObject
{
    Q_OBJECT
  public:
    using Event = std::function<void(TVexDaoTable &)>;

    explicit TVexDaoTable(QObject *parent = nullptr, const QString &name = QString());
    ~TVexDaoTable() override;

    // ---- properties
    TVexDaoDatabase *Database() const { return m_db; }
    void setDatabase(TVexDaoDatabase *db);
    // Names the connection through its alias (e.g. "Tavirelmdb").
    void setDatabaseName(const QString &alias);
    QString TableName() const { return m_tableName; }
    void setTableName(const QString &name);
    QStringList &SQL() { return m_sql; } // takes effect at the next Open
    const QStringList &SQL() const { return m_sql; }
    QString Filter() const { return m_filter; }
    void setFilter(const QString &filter);
    bool Filtered() const { return m_filtered; }
    void setFiltered(bool on);
    TDataSource *MasterSource() const { return m_masterSource; }
    void setMasterSource(TDataSource *source);
    QStringList MasterFields() const { return m_masterFields; }
    void setMasterFields(const QStringList &lines);
    bool Active() const { return m_state != DataSetState::Inactive; }
    void setActive(bool on);
    DataSetState State() const { return m_state; }
    QString name() const { return objectName(); }

    // ---- events
    Event BeforeClose, AfterInsert, BeforePost, AfterPost, BeforeDelete, AfterDelete, OnCalcFields;

    // ---- fields (declared by the owner before Open; without declared data
    // fields every column of the result becomes a field at Open)
    TField *addField(const QString &name, FieldType type, int size = 0);
    TField *addCalcField(const QString &name, FieldType type, int size = 0);
    TField *addLookupField(const QString &name, FieldType type, int size, const QString &keyFields,
                           TVexDaoTable *lookupDataSet, const QString &lookupKeyFields,
                           const QString &lookupResultField);
    TField *FieldByName(const QString &name) const; // fails with the layer's message
    TField *FindField(const QString &name) const;   // null when there is none
    int FieldCount() const { return int(m_fields.size()); }
    TField *Fields(int i) const { return m_fields[size_t(i)].get(); }

    // ---- operations
    void Open();
    void Close();
    void First();
    void Next();
    void Prior();
    void Last();
    void MoveTo(int row); // make the row with this index current
    bool Eof() const { return m_eof; }
    bool Bof() const { return m_bof; }
    int RecordCount() const;                            // rows held now; a new unsaved row is not counted
    int RowCount() const { return int(m_rows.size()); } // including a new row
    int RecNo() const { return m_cur; }                 // index of the current row, -1 when empty
    bool IsEmpty() const { return m_rows.empty(); }
    void Edit();
    void Insert();
    void Post();
    // Saves the row without the detail datasets being read again, for a save
    // that changes no link value (a document's totals saved with a position).
    void PostKeepingDetails();
    // New rows saved together: while a batch is open, Post keeps each new row
    // (after BeforePost) and post() saves them all, in one round trip on a
    // server, then calls AfterPost for each in turn; all or none are saved.
    // An edit, a delete or a re-read saves them first; rows not saved when
    // the batch ends are dropped.
    // Counter values taken ahead for the next new rows of a dataset over one
    // table, inside the open transaction: such a row goes to a server in
    // the same round trip as the next command, as it was set (nothing is
    // read back). Where the engine takes none ahead, nothing changes.
    void ReserveCounters(int count);
    void ForgetReservedCounters() { m_reservedCounters.clear(); }
    bool HasReservedCounters() const { return !m_reservedCounters.empty(); }
    class InsertBatch
    {
      public:
        explicit InsertBatch(TVexDaoTable &table);
        ~InsertBatch();
        InsertBatch(const InsertBatch &) = delete;
        InsertBatch &operator=(const InsertBatch &) = delete;
        void post();

      private:
        TVexDaoTable &m_table;
    };
    void Cancel();
    void Delete();
    void Refresh(); // read again, staying on the current row where it still is
    bool FindFirst();
    enum LocateOption { LoCaseInsensitive = 1, LoPartialKey = 2 };
    bool Locate(const QString &fieldName, const Value &value, int options);
    void OrderByField(const QString &fieldName);
    QString OrderField() const { return m_orderField; }
    bool SeekAtOrAfter(const Value &value);
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return m_disableCount > 0; }
    // Saves or drops pending changes as a move does.
    void CheckBrowseMode();
    // The engine SQL of the last read, for diagnostics and benchmarks.
    QString lastQuerySql() const { return m_lastSql; }
    // Whether a field was assigned since the row entered edit or insert state.
    bool Modified() const { return m_modified; }
    // The same, leaving aside what the insert itself put into a new row (the
    // link values and AfterInsert's defaults): a grid drops a new row that
    // nobody touched.
    bool Touched() const { return m_touched && m_state != DataSetState::Browse; }
    // In edit or insert state: the value the field had when editing began
    // (null in a new row). A rule that checks only what changed asks for it.
    Value ValueBeforeEdit(const TField *field) const;

    // Checks of the layer, with its messages.
    void checkActive() const;
    [[noreturn]] void raise(const QString &message) const; // prefixed with the name
    // A message for the user about his data: without the dataset's name,
    // which says nothing to him.
    [[noreturn]] void raiseToUser(const QString &message) const;

    // ---- used by fields, sources, the connection
    Value fieldValue(const TField *f, int row) const;
    void setFieldValue(TField *f, const Value &v);
    int calcRow() const { return m_calcRow; }
    void addSource(TDataSource *s);
    void removeSource(TDataSource *s);
    void reloadAfterRollback();
    void discardPending(); // drops an edited or new row without a word
    bool readsAnyOf(const QSet<QString> &lowerTableNames) const;
    void connectionClosing();

  private:
    struct Row
    {
        std::vector<Value> values;
        qint64 rowid[2] = {0, 0};
        quint64 readAt = 0; // the connection's write serial when the row was read
        quint64 readIn = 0; // the transaction that kept everyone else from writing then, or 0
        // Where this connection inserted the row: that transaction (while it
        // kept everyone else from writing) and the write serial of the insert.
        quint64 insertedIn = 0, insertedAt = 0;
        bool calcValid = false;
    };
    enum class Stored { Same, Changed, Missing };
    struct Query;
    enum class Notify { DataSet, Current, Record, State, RowInserted, RowRemoved };

    void openRows(qint64 keepRowid = 0, bool keepPosition = false);
    void readRows(Query &q, std::vector<Row> &out);
    void buildQuery(Query &q, bool forSingleRow);
    void prepareFields(const Query &q);
    bool readSingleRow(int tableIndex, qint64 rowid, Row &out);
    // Each writes the row; true where the engine handed back the row as
    // stored, which is then in stored and needs no second read.
    bool writeInsert(Row &row, Row &stored);
    void insertParams(const Row &row, std::vector<const TField *> &used, std::vector<Value> &params) const;
    Statement &insertStatement(const std::vector<const TField *> &used, const QString &returning,
                               bool handsBack = true);
    const TField *counterField() const;
    bool insertsLater(size_t rows) const;
    void laterInsertParams(Row &row, std::vector<const TField *> &used, std::vector<Value> &params);
    void storedAsSent(Row &row, Row &stored);
    std::deque<qint64> m_reservedCounters;
    void noteInserted(Row &row);
    void postBatched();
    void dropBatched();
    bool writeUpdate(Row &row, Row &stored);
    Stored storedRow(int tableIndex, qint64 rowid, const Row &against);
    bool heldAsStored(const Row &row) const;
    bool sameRow(const Row &a, const Row &b, int tableIndex) const;
    bool masterLinkMissing() const;
    bool masterRowIsNew() const;
    [[noreturn]] void rereadAndRaise(const QString &message);
    void restoreRefusedRow(Row typed, DataSetState state, qint64 written);
    void ensureCalc(int row) const;
    Value lookupValue(const TField *f, int row) const;
    void notify(Notify what, TField *field = nullptr, int row = -1);
    void masterChanged(bool force);
    void setCurrent(int row);
    std::vector<std::pair<TField *, TField *>> linkPairs() const; // detail, master
    bool rowMatches(const Sql::Expr &cond, int row) const;
    QString tableOf(int tableIndex) const;

    TVexDaoDatabase *m_db = nullptr;
    QString m_tableName;
    QStringList m_sql;
    QString m_filter;
    bool m_filtered = false;
    QPointer<TDataSource> m_masterSource;
    QStringList m_masterFields;
    QString m_orderField;

    std::vector<std::unique_ptr<TField>> m_fields;
    mutable QHash<QString, TField *> m_fieldLookup; // FindField's answers by the name as asked
    std::vector<Row> m_rows;
    int m_cur = -1;
    bool m_eof = true, m_bof = true;
    DataSetState m_state = DataSetState::Inactive;
    bool m_modified = false;
    bool m_touched = false;
    Row m_snapshot;        // the row as it was when edit or insert began
    int m_insertFrom = -1; // current row before Insert
    int m_disableCount = 0;
    bool m_detailStale = false;
    mutable int m_calcRow = -1;
    bool m_linkAssigning = false;
    int m_keepDetails = 0;
    bool m_batching = false;
    std::vector<int> m_batched; // rows of an insert batch not yet saved
    bool m_hasDeclaredData = false;
    int m_valueSlots = 0; // data + calculated + lookup
    int m_tableCount = 1;
    bool m_keepsRowIds[2] = {false, false}; // per table of the query
    QString m_rowIdSql[2];                  // the column that identifies a row, per table
    QStringList m_tables;                   // canonical names of the query's tables
    QList<TDataSource *> m_sources;

    // Row index by the first table's row id, for finds by the counter; built
    // when first needed and dropped whenever rows shift.
    QHash<qint64, int> m_rowIndex;
    bool m_rowIndexValid = false;
    int findByRowId(qint64 rowid);

    // The query that re-reads one row, built once for the dataset's source
    // (and kept while the connection stays open on the same file).
    struct SingleRowQuery
    {
        bool valid = false;
        QString source, sql;
        QString returning; // " RETURNING" and the columns, where a write can hand back the row
        QList<Value> params;
        int columns = 0, tables = 0, generation = 0;
        std::unique_ptr<Statement> statement;
    };
    SingleRowQuery m_singleRowQuery;
    SingleRowQuery &singleRowQuery();
    void rowFromStatement(const Statement &st, const SingleRowQuery &sq, Row &out) const;
    // The query that reads the rows, kept while its text, filter, order and
    // the master's link values being empty or not stay the same.
    struct RowsQuery
    {
        struct Key
        {
            QString tableName;
            QStringList sql;
            QString filter, orderField;
            int fields = 0, generation = 0;
            QByteArray links; // per link of a master: value empty, present or field missing
            bool operator==(const Key &) const = default;
        };
        bool valid = false;
        Key key;
        QString sql;
        QList<Value> params;
        QList<int> masterParams;
        QList<int> numberParams; // where the numbers of the text go, when the key is its shape
        int columns = 0, tables = 0;
    };
    RowsQuery m_rowsQuery;
    QList<int> numberParams(const Query &q, const QString &shape, const QStringList &numbers);
    // The text of the last insert and the fields it wrote.
    struct InsertText
    {
        std::vector<const TField *> fields;
        QString table, sql, returning;
        bool handsBack = true;
        int generation = -1;
        std::unique_ptr<Statement> statement;
    };
    InsertText m_insertText;
    // The texts of the optimistic check and of the updates, per table of the query.
    struct UpdateTexts
    {
        int generation = -1;
        QString check[2];
        std::vector<const TField *> checked[2];
        QHash<QList<int>, QString> update[2]; // key: the indexes of the changed fields
    };
    UpdateTexts m_updateTexts;
    UpdateTexts &updateTexts();
    // Where Edit read the row inside a transaction that kept everyone else
    // from writing, the save needs no second look at the stored row.
    quint64 m_editTransaction = 0;
    quint64 m_editReadAt = 0;
    RowsQuery::Key rowsQueryKey(QList<Value> *masterValues) const;

    // The last statement, kept while the query text stays the same (detail re-reads).
    QString m_lastSql;
    std::unique_ptr<Statement> m_lastStmt;
};
