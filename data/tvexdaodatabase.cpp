// SPDX-License-Identifier: GPL-3.0-or-later
#include "tvexdaodatabase.h"

#include "base/apperror.h"
#include "engine.h"
#include "programfolder.h"
#include "schema.h"
#include "tvexdaotable.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QPointer>

namespace {
QHash<QString, QPointer<TVexDaoDatabase>> &aliases()
{
    static QHash<QString, QPointer<TVexDaoDatabase>> a;
    return a;
}
} // namespace

const ColumnInfo *TableSchema::column(const QString &n) const
{
    for (const ColumnInfo &c : columns)
        if (c.name.size() == n.size() && c.name.compare(n, Qt::CaseInsensitive) == 0) return &c;
    return nullptr;
}

TVexDaoDatabase::TVexDaoDatabase(QObject *parent) : QObject(parent) {}

TVexDaoDatabase::~TVexDaoDatabase()
{
    try {
        Close();
    } catch (...) {
        // Nothing can be shown any more; the engine closes the file regardless.
    }
    for (TVexDaoTable *ds : std::as_const(m_datasets))
        ds->connectionClosing();
    if (!m_alias.isEmpty() && aliases().value(m_alias) == this) aliases().remove(m_alias);
}

void TVexDaoDatabase::setDatabase(const QString &path)
{
    if (Connected())
        throw AppError(QStringLiteral(
            "TVexDaoDatabase.F_Set_Database: Cannot set Database while Database is connected!"));
    m_database = path;
}

bool TVexDaoDatabase::Connected() const
{
    return m_engine && m_engine->isOpen();
}

void TVexDaoDatabase::Open()
{
    if (Connected()) return;
    if (m_database.isEmpty())
        throw AppError(QStringLiteral("TVexDaoDatabase.F_Set_Active: Database property is not defined!"));
    if (DatabaseType.isEmpty())
        throw AppError(QStringLiteral("TVexDaoDatabase.F_Set_Active: DatabaseType property is not defined!"));
    const bool server = Engine::isServerLocation(m_database);
    auto engine = Engine::required(Engine::kindOf(m_database));
    QString path = m_database;
    if (!server) {
        if (!QFileInfo::exists(path) && SmartOpen) path = ProgramFolder::file(QFileInfo(path).fileName());
        // Named as it was asked for, not as the fallback beside the settings.
        if (!QFileInfo::exists(path)) throw AppError(Engine::missingMessage(m_database));
    }
    engine->open(path);
    m_engine = std::move(engine);
    m_tables.clear();
    m_rowWrites.clear();
    m_tableWrites.clear();
    ++m_generation;
    m_depth = 0;
    try {
        Schema::upgrade(*m_engine);
    } catch (const AppError &) {
        // A file we may not change (read-only, locked) still opens; only the
        // additions of this version are missing then.
    }
}

void TVexDaoDatabase::Close()
{
    if (!m_engine) return;
    // Datasets close first: their BeforeClose may still save a pending row.
    const QList<TVexDaoTable *> open = m_datasets;
    for (TVexDaoTable *ds : open)
        if (ds->Active()) ds->Close();
    if (m_depth > 0) m_engine->rollback();
    m_depth = 0;
    m_engine->close();
    m_engine.reset();
    m_tables.clear();
}

bool TVexDaoDatabase::canWrite() const
{
    return m_engine && m_engine->canWrite();
}

void TVexDaoDatabase::setAlias(const QString &alias)
{
    if (!m_alias.isEmpty()) aliases().remove(m_alias.toLower());
    m_alias = alias.toLower();
    if (!m_alias.isEmpty()) aliases().insert(m_alias, this);
}

TVexDaoDatabase *TVexDaoDatabase::byAlias(const QString &alias)
{
    return aliases().value(alias.toLower());
}

Engine &TVexDaoDatabase::engine() const
{
    if (!Connected())
        throw AppError(QStringLiteral("TVexDaoTable.OpenDaoRecordset: Database is NOT connected"));
    return *m_engine;
}

const TableSchema *TVexDaoDatabase::table(const QString &name)
{
    const QString key = name.toLower();
    auto it = m_tables.constFind(key);
    if (it != m_tables.constEnd()) return &it.value();
    Engine &e = engine();
    for (const QString &t : e.tables()) {
        if (t.compare(name, Qt::CaseInsensitive) == 0) {
            TableSchema s;
            s.name = t;
            s.columns = e.columns(t);
            s.keepsRowIds = e.keepsRowIds(t);
            s.rowId = e.rowIdColumn(t);
            return &m_tables.insert(key, s).value();
        }
    }
    return nullptr;
}

void TVexDaoDatabase::registerDataset(TVexDaoTable *ds)
{
    if (!m_datasets.contains(ds)) m_datasets.append(ds);
}

void TVexDaoDatabase::unregisterDataset(TVexDaoTable *ds)
{
    m_datasets.removeAll(ds);
}

void TVexDaoDatabase::StartTransaction()
{
    Engine &e = engine();
    if (m_depth == 0) {
        e.begin();
        m_touched.clear();
        ++m_transactionSerial;
    } else {
        e.savepoint(QStringLiteral("tv%1").arg(m_depth));
    }
    ++m_depth;
}

void TVexDaoDatabase::Commit()
{
    if (m_depth == 0) return;
    Engine &e = engine();
    if (m_depth == 1)
        e.commit();
    else
        e.release(QStringLiteral("tv%1").arg(m_depth - 1));
    --m_depth;
}

void TVexDaoDatabase::Rollback()
{
    if (m_depth == 0) return;
    Engine &e = engine();
    --m_depth;
    ++m_transactionSerial;
    if (m_depth == 0)
        e.rollback();
    else
        e.rollbackTo(QStringLiteral("tv%1").arg(m_depth));
    // Show only what is stored: re-read the datasets over the tables the
    // transaction wrote to.
    // Pending rows go first, all of them, so that no re-read settles one of
    // them into the file again.
    const QSet<QString> touched = m_touched;
    QList<QPointer<TVexDaoTable>> affected;
    for (TVexDaoTable *ds : std::as_const(m_datasets))
        if (ds->Active() && ds->readsAnyOf(touched)) {
            ds->discardPending();
            affected << ds;
        }
    for (const auto &ds : std::as_const(affected))
        if (ds) ds->reloadAfterRollback();
}

void TVexDaoDatabase::noteWrite(const QString &table)
{
    if (m_depth > 0) m_touched.insert(table.toLower());
}

void TVexDaoDatabase::noteRowWrite(const QString &table, qint64 rowid)
{
    const QString key = table.toLower();
    m_rowWrites[key].insert(rowid, ++m_writeSerial);
    m_tableWrites.insert(key, m_writeSerial);
}

quint64 TVexDaoDatabase::lockedTransaction() const
{
    return m_depth > 0 && m_engine && m_engine->transactionLocksWrites() ? m_transactionSerial : 0;
}

bool TVexDaoDatabase::wroteTableSince(const QString &table, quint64 serial) const
{
    return m_tableWrites.value(table.toLower(), 0) > serial;
}

bool TVexDaoDatabase::wroteRowSince(const QString &table, qint64 rowid, quint64 serial) const
{
    const auto t = m_rowWrites.constFind(table.toLower());
    return t != m_rowWrites.constEnd() && t->value(rowid, 0) > serial;
}

TVexDaoDatabase::Transaction::Transaction(TVexDaoDatabase &db) : m_db(db)
{
    db.StartTransaction();
}

void TVexDaoDatabase::Transaction::commit()
{
    m_db.Commit();
    m_done = true;
}

TVexDaoDatabase::Transaction::~Transaction()
{
    if (m_done || !m_db.Connected()) return;
    try {
        m_db.Rollback();
    } catch (...) {
        // The write failed already; its error is the one the user sees.
    }
}

TVexDaoDatabase::WriteScope::WriteScope(TVexDaoDatabase &db, bool oneStatement) : m_db(db)
{
    Engine &e = db.engine();
    if (db.m_depth == 0) {
        e.begin();
        db.m_touched.clear();
        ++db.m_transactionSerial;
    } else if (oneStatement && e.failedStatementKeepsTransaction()) {
        m_nested = true;
    } else {
        // Named by depth: scopes nest strictly, and the same names each time
        // let the engine keep their statements.
        m_savepoint = QStringLiteral("tvw%1").arg(db.m_depth);
        e.savepoint(m_savepoint);
    }
    ++db.m_depth;
}

void TVexDaoDatabase::WriteScope::commit()
{
    // Nested without a savepoint, the surrounding transaction decides.
    if (!m_nested) {
        Engine &e = m_db.engine();
        if (m_savepoint.isEmpty())
            e.commit();
        else
            e.release(m_savepoint);
    }
    m_done = true;
    --m_db.m_depth;
}

TVexDaoDatabase::WriteScope::~WriteScope()
{
    if (m_done) return;
    --m_db.m_depth;
    if (!m_db.Connected() || m_nested) return;
    ++m_db.m_transactionSerial;
    try {
        if (m_savepoint.isEmpty())
            m_db.engine().rollback();
        else
            m_db.engine().rollbackTo(m_savepoint);
    } catch (...) {
        // The write failed already; its error is the one the user sees.
    }
}

void TVexDaoDatabase::Flush()
{
    if (m_engine && m_engine->isOpen()) m_engine->flush();
}

void TVexDaoDatabase::SendAhead()
{
    if (m_engine && m_engine->isOpen()) m_engine->sendAhead();
}
