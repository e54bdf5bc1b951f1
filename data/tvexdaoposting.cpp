// SPDX-License-Identifier: GPL-3.0-or-later
// The dataset (tvexdaotable.h): editing, inserting, posting and deleting rows,
// with the checks against what another workstation changed meanwhile.
#include "tvexdaotable.h"

#include "base/apperror.h"
#include "engine.h"
#include "tvexdaodatabase.h"

#include <QScopeGuard>
#include <algorithm>
#include <optional>

namespace {

const QString kEmpty = QStringLiteral("Operation bei leerer Datenmenge nicht ausführbar");

const QString kDeletedElsewhere =
    QStringLiteral("Der Datensatz wurde inzwischen von einem anderen Benutzer gelöscht");

const QString kDeletedNotSaved =
    kDeletedElsewhere + QStringLiteral(". Ihre Änderungen wurden nicht gespeichert");

const QString kChangedBeforeEdit =
    QStringLiteral("Der Datensatz wurde inzwischen von einem anderen Benutzer geändert oder gelöscht. "
                   "Die Daten wurden neu eingelesen; bitte prüfen Sie den Datensatz, "
                   "bevor Sie ihn bearbeiten");

const QString kChangedBeforeDelete =
    QStringLiteral("Der Datensatz wurde inzwischen von einem anderen Benutzer geändert oder gelöscht "
                   "und wurde nicht gelöscht. Die Daten wurden neu eingelesen");

const QString kDeletedBeforeDelete =
    QStringLiteral("Der Datensatz wurde inzwischen von einem anderen Benutzer gelöscht. "
                   "Die Daten wurden neu eingelesen");

} // namespace

// ---------------------------------------------------------------------------
// editing

void TVexDaoTable::CheckBrowseMode()
{
    if (m_state != DataSetState::Edit && m_state != DataSetState::Insert) return;
    if (m_calcRow >= 0) return;
    for (TDataSource *s : std::as_const(m_sources))
        for (RecordUpdater *u : std::as_const(s->m_updaters))
            u->updateRecord();
    if (m_modified)
        Post();
    else
        Cancel();
}

void TVexDaoTable::Edit()
{
    checkActive();
    postBatched();
    if (m_state == DataSetState::Edit || m_state == DataSetState::Insert) return;
    if (m_rows.empty()) {
        Insert();
        return;
    }
    // Read inside the transaction that still keeps everyone else from
    // writing, and not written by this program since, the row is as stored
    // (a run that reads its rows first and then saves them one by one).
    const quint64 locked = m_db->lockedTransaction();
    if (Row &r = m_rows[size_t(m_cur)]; locked != 0 && r.readIn == locked && m_tableCount == 1 &&
                                        !m_db->wroteRowSince(m_tables.value(0), r.rowid[0], r.readAt)) {
        m_editTransaction = locked;
        m_editReadAt = r.readAt;
        m_snapshot = r;
        m_state = DataSetState::Edit;
        m_modified = m_touched = false;
        notify(Notify::State);
        return;
    }
    // Begin from what is stored now, so that a save later checks against it.
    Row fresh;
    if (!readSingleRow(0, m_rows[size_t(m_cur)].rowid[0], fresh))
        throw AppError(kDeletedElsewhere, AppError::Kind::Conflict);
    Row &r = m_rows[size_t(m_cur)];
    // Where a table may give a deleted row's id to a new row, the stored row
    // is only known to be this one while it still holds what was read;
    // otherwise editing would carry on with someone else's row.
    for (int t = 0; t < m_tableCount; ++t)
        if (!m_keepsRowIds[t] && !sameRow(r, fresh, t)) rereadAndRaise(kChangedBeforeEdit);
    m_editTransaction = m_db->lockedTransaction();
    m_editReadAt = fresh.readAt;
    bool changed = false, elsewhere = false;
    for (const auto &f : m_fields)
        if (f->m_kind == FieldKind::Data && f->m_column >= 0 &&
            r.values[size_t(f->m_index)] != fresh.values[size_t(f->m_index)]) {
            r.values[size_t(f->m_index)] = fresh.values[size_t(f->m_index)];
            changed = true;
            // This program's own other datasets may change the row; another
            // program or workstation changes what the user was shown.
            const int t = f->m_tableIndex;
            if (!m_db->wroteRowSince(m_tables.value(t), r.rowid[t], r.readAt)) elsewhere = true;
        }
    if (changed) {
        r.calcValid = false;
        r.readAt = fresh.readAt; // seen as stored now
    }
    if (elsewhere) {
        // The user's action must not land on values he never saw: he sees
        // the stored ones now, and acts again if he still wants to.
        notify(Notify::Record);
        raiseToUser(kChangedBeforeEdit);
    }
    m_snapshot = r;
    m_state = DataSetState::Edit;
    m_modified = m_touched = false;
    if (changed) notify(Notify::Record);
    notify(Notify::State);
}

void TVexDaoTable::Insert()
{
    checkActive();
    CheckBrowseMode();
    Row r;
    r.values.resize(size_t(m_valueSlots));
    m_insertFrom = m_cur;
    m_rows.push_back(std::move(r));
    m_cur = int(m_rows.size()) - 1;
    m_state = DataSetState::Insert;
    m_modified = m_touched = false;
    m_eof = m_bof = false;
    m_snapshot = m_rows.back();
    notify(Notify::RowInserted, nullptr, m_cur);
    // The link fields take the master's values; that is no assignment.
    {
        m_linkAssigning = true;
        auto restore = qScopeGuard([&] { m_linkAssigning = false; });
        for (auto &[detail, master] : linkPairs())
            detail->setValue(master->value());
    }
    notify(Notify::State);
    notify(Notify::Current);
    if (AfterInsert) AfterInsert(*this);
    m_touched = false;
}

void TVexDaoTable::insertParams(const Row &row, std::vector<const TField *> &used,
                                std::vector<Value> &params) const
{
    for (const auto &f : m_fields) {
        if (f->m_kind != FieldKind::Data || f->m_column < 0 || f->m_tableIndex != 0 ||
            f->m_baseColumn.isEmpty() || f->m_counter)
            continue;
        Value v = row.values[size_t(f->m_index)];
        if (v.isNull() && f->m_type == FieldType::Bool) v = Value(false);
        if (v.isNull()) continue;
        used.push_back(f.get());
        params.push_back(v);
    }
}

Statement &TVexDaoTable::insertStatement(const std::vector<const TField *> &used, const QString &returning,
                                         bool handsBack)
{
    Engine &engine = m_db->engine();
    // Rows of one dataset mostly fill the same columns: the text is made
    // again only when they differ from the last insert's.
    InsertText &it = m_insertText;
    if (it.generation != m_db->generation() || it.table != m_tables.value(0) || it.fields != used ||
        it.returning != returning || it.handsBack != handsBack) {
        it.statement.reset();
        QStringList cols, marks;
        for (const TField *f : used) {
            cols << engine.quote(f->m_baseColumn);
            marks << QStringLiteral("?");
        }
        const QString table =
            engine.quote(m_tables.value(0)) + (returning.isEmpty() ? QString() : QStringLiteral(" AS t0"));
        it.sql = cols.isEmpty()
                     ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table)
                     : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                           .arg(table, cols.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
        if (handsBack) it.sql += returning.isEmpty() ? engine.insertReturning(m_rowIdSql[0]) : returning;
        it.returning = returning;
        it.handsBack = handsBack;
        it.fields = used;
        it.table = m_tables.value(0);
        it.generation = m_db->generation();
    }
    if (!it.statement) it.statement = engine.prepare(it.sql);
    return *it.statement;
}

// A row just inserted, as the connection notes it.
void TVexDaoTable::noteInserted(Row &row)
{
    m_db->noteWrite(m_tables.value(0));
    m_db->noteRowWrite(m_tables.value(0), row.rowid[0]);
}

void TVexDaoTable::ReserveCounters(int count)
{
    checkActive();
    m_reservedCounters.clear();
    if (m_tableCount != 1 || m_db->transactionDepth() == 0) return;
    for (qint64 v : m_db->engine().reserveCounterValues(m_tables.value(0), count))
        m_reservedCounters.push_back(v);
}

const TField *TVexDaoTable::counterField() const
{
    for (const auto &f : m_fields)
        if (f->m_kind == FieldKind::Data && f->m_counter && f->m_tableIndex == 0 && f->m_column >= 0 &&
            !f->m_baseColumn.isEmpty())
            return f.get();
    return nullptr;
}

bool TVexDaoTable::insertsLater(size_t rows) const
{
    return m_reservedCounters.size() >= rows && m_db->transactionDepth() > 0 && counterField();
}

void TVexDaoTable::laterInsertParams(Row &row, std::vector<const TField *> &used, std::vector<Value> &params)
{
    const TField *counter = counterField();
    const qint64 id = m_reservedCounters.front();
    m_reservedCounters.pop_front();
    row.values[size_t(counter->m_index)] = Value(id);
    row.rowid[0] = id;
    used.push_back(counter);
    params.push_back(Value(id));
    insertParams(row, used, params);
}

// A row inserted later is, once stored, the row as sent: the program's
// tables compute nothing.
void TVexDaoTable::storedAsSent(Row &row, Row &stored)
{
    noteInserted(row);
    stored = row;
    for (const auto &f : m_fields)
        if (f->m_kind == FieldKind::Data && f->m_type == FieldType::Bool &&
            stored.values[size_t(f->m_index)].isNull())
            stored.values[size_t(f->m_index)] = Value(false);
    stored.readAt = m_db->writeSerial();
    stored.readIn = m_db->lockedTransaction();
}

bool TVexDaoTable::writeInsert(Row &row, Row &stored)
{
    // A counter taken ahead lets the insert wait for the next round trip.
    if (insertsLater(1)) {
        std::vector<const TField *> used;
        std::vector<Value> params;
        laterInsertParams(row, used, params);
        Statement *st = &insertStatement(used, QString(), false);
        auto done = qScopeGuard([st] { st->reset(); });
        for (size_t i = 0; i < params.size(); ++i)
            st->bind(int(i) + 1, params[i]);
        st->runLater();
        storedAsSent(row, stored);
        return true;
    }
    const QString returning = singleRowQuery().returning;
    std::vector<const TField *> used;
    std::vector<Value> params;
    insertParams(row, used, params);
    Statement *st = &insertStatement(used, returning);
    auto done = qScopeGuard([st] { st->reset(); });
    for (size_t i = 0; i < params.size(); ++i)
        st->bind(int(i) + 1, params[i]);
    const bool returned = st->step() && !returning.isEmpty();
    if (returned) rowFromStatement(*st, m_singleRowQuery, stored);
    row.rowid[0] = returned ? stored.rowid[0] : m_db->engine().lastInsertId();
    noteInserted(row);
    stored.readAt = m_db->writeSerial();
    return returned;
}

TVexDaoTable::InsertBatch::InsertBatch(TVexDaoTable &table) : m_table(table)
{
    m_table.m_batching = true;
}

TVexDaoTable::InsertBatch::~InsertBatch()
{
    m_table.m_batching = false;
    m_table.dropBatched();
}

void TVexDaoTable::InsertBatch::post()
{
    m_table.postBatched();
}

void TVexDaoTable::dropBatched()
{
    std::vector<int> rows = std::exchange(m_batched, {});
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int r : rows) {
        if (r < 0 || r >= int(m_rows.size())) continue;
        m_rows.erase(m_rows.begin() + r);
        if (m_cur >= r) --m_cur;
    }
    if (rows.empty()) return;
    m_rowIndexValid = false;
    if (m_cur < 0 && !m_rows.empty()) m_cur = 0;
    m_eof = m_rows.empty();
    notify(Notify::DataSet);
}

void TVexDaoTable::postBatched()
{
    if (m_batched.empty()) return;
    const std::vector<int> rows = m_batched;
    const QString returning = singleRowQuery().returning;
    // The rows in groups of those that fill the same columns: each group one
    // statement, run for all of its rows at once.
    std::vector<std::vector<const TField *>> used(rows.size());
    std::vector<std::vector<Value>> params(rows.size());
    // With counters taken ahead the rows wait for the next round trip.
    const bool later = insertsLater(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        Row &row = m_rows[size_t(rows[i])];
        if (later)
            laterInsertParams(row, used[i], params[i]);
        else
            insertParams(row, used[i], params[i]);
    }
    std::vector<Row> stored(rows.size());
    std::vector<bool> returned(rows.size(), false);
    TVexDaoDatabase::WriteScope scope(*m_db);
    // A failure below leaves the table for the rollback to read again.
    m_db->noteWrite(m_tables.value(0));
    for (size_t from = 0; from < rows.size();) {
        size_t to = from + 1;
        while (to < rows.size() && used[to] == used[from])
            ++to;
        Statement &st = insertStatement(used[from], returning, !later);
        const std::vector<std::vector<Value>> sets(params.begin() + qsizetype(from),
                                                   params.begin() + qsizetype(to));
        if (later) {
            st.runEachLater(sets);
            st.reset();
            for (size_t k = from; k < to; ++k) {
                storedAsSent(m_rows[size_t(rows[k])], stored[k]);
                returned[k] = true;
            }
            from = to;
            continue;
        }
        size_t k = from;
        st.runEach(sets, [&](Statement &run, bool hasRow) {
            Row &row = m_rows[size_t(rows[k])];
            returned[k] = hasRow && !returning.isEmpty();
            if (returned[k]) rowFromStatement(run, m_singleRowQuery, stored[k]);
            row.rowid[0] = returned[k] ? stored[k].rowid[0] : m_db->engine().lastInsertId();
            noteInserted(row);
            stored[k].readAt = m_db->writeSerial();
            ++k;
        });
        from = to;
    }
    m_batched.clear();
    const int cur = m_cur;
    for (size_t i = 0; i < rows.size(); ++i) {
        const int at = rows[i];
        Row &row = m_rows[size_t(at)];
        if (returned[i] || readSingleRow(0, row.rowid[0], stored[i])) row = std::move(stored[i]);
        row.calcValid = false;
        row.insertedIn = m_db->lockedTransaction();
        row.insertedAt = m_db->writeSerial();
        if (m_rowIndexValid) m_rowIndex.insert(row.rowid[0], at);
    }
    if (AfterPost)
        for (int at : rows) {
            m_cur = at;
            AfterPost(*this);
        }
    m_cur = cur;
    scope.commit();
    notify(Notify::DataSet);
}

bool TVexDaoTable::sameRow(const Row &a, const Row &b, int tableIndex) const
{
    if (a.rowid[tableIndex] != b.rowid[tableIndex]) return false;
    for (const auto &f : m_fields)
        if (f->m_kind == FieldKind::Data && f->m_column >= 0 && f->m_tableIndex == tableIndex &&
            !f->m_baseColumn.isEmpty() && a.values[size_t(f->m_index)] != b.values[size_t(f->m_index)])
            return false;
    return true;
}

// Compares the stored row of one table of the query with the values the
// dataset holds for it, over every column of that table it reads.
TVexDaoTable::UpdateTexts &TVexDaoTable::updateTexts()
{
    UpdateTexts &u = m_updateTexts;
    if (u.generation == m_db->generation()) return u;
    Engine &engine = m_db->engine();
    for (int t = 0; t < 2; ++t) {
        u.checked[t].clear();
        u.update[t].clear();
        if (t >= m_tableCount) {
            u.check[t].clear();
            continue;
        }
        QStringList cols;
        for (const auto &f : m_fields) {
            if (f->m_kind != FieldKind::Data || f->m_column < 0 || f->m_tableIndex != t ||
                f->m_baseColumn.isEmpty())
                continue;
            cols << engine.quote(f->m_baseColumn);
            u.checked[t].push_back(f.get());
        }
        if (cols.isEmpty()) cols << m_rowIdSql[t];
        // On a server the row stays locked until the write is done.
        u.check[t] = QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?%4")
                         .arg(cols.join(QStringLiteral(", ")), engine.quote(m_tables.value(t)), m_rowIdSql[t],
                              engine.lockRow());
    }
    u.generation = m_db->generation();
    return u;
}

TVexDaoTable::Stored TVexDaoTable::storedRow(int tableIndex, qint64 rowid, const Row &against)
{
    Engine &engine = m_db->engine();
    const UpdateTexts &u = updateTexts();
    const std::vector<const TField *> &checked = u.checked[tableIndex];
    auto check = engine.prepare(u.check[tableIndex]);
    check->bind(1, Value(rowid));
    if (!check->step()) return Stored::Missing;
    for (size_t i = 0; i < checked.size(); ++i) {
        const TField *f = checked[i];
        if (check->column(int(i), f->m_type) != against.values[size_t(f->m_index)]) return Stored::Changed;
    }
    return Stored::Same;
}

void TVexDaoTable::rereadAndRaise(const QString &message)
{
    // Show what is stored now; the row the user saw may be gone or another.
    const qint64 keep = m_cur >= 0 ? m_rows[size_t(m_cur)].rowid[0] : 0;
    m_state = DataSetState::Browse;
    m_modified = false;
    try {
        openRows(keep, true);
    } catch (const AppError &) {
        // The message below is the one that matters.
    }
    notify(Notify::State);
    notify(Notify::DataSet);
    raiseToUser(message);
}

bool TVexDaoTable::writeUpdate(Row &row, Row &stored)
{
    Engine &engine = m_db->engine();
    const QString returning = singleRowQuery().returning;
    UpdateTexts &u = updateTexts();
    bool returned = false, anyChanged = false;
    for (int t = 0; t < m_tableCount; ++t) {
        QList<int> changed;
        QList<Value> params;
        for (int k = 0; k < int(u.checked[t].size()); ++k) {
            const TField *f = u.checked[t][size_t(k)];
            if (f->m_counter) continue;
            const Value &now = row.values[size_t(f->m_index)];
            if (now != m_snapshot.values[size_t(f->m_index)]) {
                changed << k;
                params << (now.isNull() && f->m_type == FieldType::Bool ? Value(false) : now);
            }
        }
        if (changed.isEmpty()) continue;
        anyChanged = true;
        // Optimistic locking: write only over the row as it was when editing
        // began; that also confirms it is still the same row.
        switch (heldAsStored(row) ? Stored::Same : storedRow(t, row.rowid[t], m_snapshot)) {
        case Stored::Missing:
            throw AppError(kDeletedNotSaved, AppError::Kind::Conflict);
        case Stored::Changed:
            throw AppError(QStringLiteral("Der Datensatz wurde inzwischen von einem anderen Benutzer "
                                          "geändert. Ihre Änderungen wurden nicht gespeichert; brechen Sie "
                                          "die Bearbeitung ab, um den neuen Stand zu sehen"),
                           AppError::Kind::Conflict);
        case Stored::Same:
            break;
        }
        auto known = u.update[t].constFind(changed);
        if (known == u.update[t].constEnd()) {
            if (u.update[t].size() >= 64) // many different edits: start afresh
                u.update[t].clear();
            QStringList sets;
            for (int k : std::as_const(changed))
                sets << engine.quote(u.checked[t][size_t(k)]->m_baseColumn) + QStringLiteral(" = ?");
            const QString table = engine.quote(m_tables.value(t)) +
                                  (returning.isEmpty() ? QString() : QStringLiteral(" AS t0"));
            known = u.update[t].insert(
                changed, QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?%4")
                             .arg(table, sets.join(QStringLiteral(", ")), m_rowIdSql[t], returning));
        }
        auto st = engine.prepare(known.value());
        for (int i = 0; i < params.size(); ++i)
            st->bind(i + 1, params[i]);
        st->bind(params.size() + 1, Value(row.rowid[t]));
        if (st->step() && !returning.isEmpty()) {
            rowFromStatement(*st, m_singleRowQuery, stored);
            returned = true;
        }
        // Gone however it went (a statement of the program's own outside its
        // datasets): nothing was written, and that is no success.
        if (engine.changes() == 0 && row.rowid[t] != 0)
            throw AppError(kDeletedNotSaved, AppError::Kind::Conflict);
        m_db->noteWrite(m_tables.value(t));
        m_db->noteRowWrite(m_tables.value(t), row.rowid[t]);
    }
    // A save that changes nothing still finds its row: what is saved with it
    // (a position with its document) must not outlive it. A row held as
    // stored is there as held, and needs no second read either.
    if (!anyChanged) {
        if (heldAsStored(row)) {
            stored = row;
            returned = true;
        } else if (storedRow(0, row.rowid[0], m_snapshot) == Stored::Missing) {
            throw AppError(kDeletedNotSaved, AppError::Kind::Conflict);
        }
    }
    stored.readAt = m_db->writeSerial();
    return returned;
}

// Read inside the still open transaction that no one else can write in, and
// neither written nor deleted by this program since, the row being edited is
// known to be as read.
bool TVexDaoTable::heldAsStored(const Row &row) const
{
    return m_tableCount == 1 && m_editTransaction != 0 && m_db->lockedTransaction() == m_editTransaction &&
           !m_db->wroteRowSince(m_tables.value(0), row.rowid[0], m_editReadAt);
}

void TVexDaoTable::Post()
{
    checkActive();
    if (m_state != DataSetState::Edit && m_state != DataSetState::Insert) return;
    for (TDataSource *s : std::as_const(m_sources))
        for (RecordUpdater *u : std::as_const(s->m_updaters))
            u->updateRecord();
    if (BeforePost) BeforePost(*this);
    if (m_state != DataSetState::Edit && m_state != DataSetState::Insert)
        return; // BeforePost settled the row itself
    const DataSetState state = m_state;
    const bool inserting = state == DataSetState::Insert;
    if (inserting && m_batching) {
        // Counted as written: a rollback meanwhile drops the kept rows with
        // the rest of what is pending.
        m_db->noteWrite(m_tables.value(0));
        m_batched.push_back(m_cur);
        m_state = DataSetState::Browse;
        m_modified = false;
        m_rows[size_t(m_cur)].calcValid = false;
        notify(Notify::State);
        notify(Notify::Record);
        return;
    }
    // The user's values, should what AfterPost does refuse the save.
    std::optional<Row> typed;
    if (AfterPost) typed = m_rows[size_t(m_cur)];
    qint64 written = 0;
    try {
        // The row and what AfterPost changes because of it (a document's
        // totals) are saved together, or neither is.
        TVexDaoDatabase::WriteScope scope(*m_db, !AfterPost && (inserting || m_tableCount == 1));
        Row &row = m_rows[size_t(m_cur)];
        Row fresh;
        // The write may hand back the row as stored, which then needs no second read.
        const bool stored = inserting ? writeInsert(row, fresh) : writeUpdate(row, fresh);
        written = row.rowid[0];
        if (!AfterPost) scope.commit();
        m_state = DataSetState::Browse;
        m_modified = false;
        if (inserting && m_rowIndexValid) m_rowIndex.insert(row.rowid[0], m_cur);
        if (stored || readSingleRow(0, written, fresh)) m_rows[size_t(m_cur)] = std::move(fresh);
        m_rows[size_t(m_cur)].calcValid = false;
        if (inserting) {
            m_rows[size_t(m_cur)].insertedIn = m_db->lockedTransaction();
            m_rows[size_t(m_cur)].insertedAt = m_db->writeSerial();
        }
        notify(Notify::State);
        notify(Notify::Record);
        // Details follow a saved master row.
        if (m_disableCount == 0 && m_keepDetails == 0)
            for (TDataSource *s : std::as_const(m_sources))
                for (const auto &d : std::as_const(s->m_details))
                    if (d) d->masterChanged(true);
        if (AfterPost) {
            AfterPost(*this);
            scope.commit();
        }
    } catch (...) {
        if (typed && m_state == DataSetState::Browse) restoreRefusedRow(std::move(*typed), state, written);
        throw;
    }
}

void TVexDaoTable::restoreRefusedRow(Row typed, DataSetState state, qint64 written)
{
    // Nothing of the save is stored: the row is in the state it was in, with
    // the user's values, wherever AfterPost left the cursor.
    int at = -1;
    for (int i = 0; written != 0 && i < int(m_rows.size()); ++i)
        if (m_rows[size_t(i)].rowid[0] == written) at = i;
    if (state == DataSetState::Insert) {
        typed.rowid[0] = 0;
        if (at < 0) {
            m_rows.push_back(Row());
            at = int(m_rows.size()) - 1;
        }
    } else if (at < 0) {
        at = qBound(0, m_cur, int(m_rows.size()) - 1);
    }
    if (at < 0 || at >= int(m_rows.size())) return;
    typed.calcValid = false;
    m_rows[size_t(at)] = std::move(typed);
    m_rowIndexValid = false;
    const bool moved = at != m_cur;
    m_cur = at;
    m_eof = m_bof = false;
    m_state = state;
    m_modified = m_touched = true;
    notify(Notify::State);
    if (moved) notify(Notify::Current);
    notify(Notify::Record);
}

Value TVexDaoTable::ValueBeforeEdit(const TField *field) const
{
    if (m_state == DataSetState::Browse || !field || field->DataSet() != this || field->index() < 0 ||
        size_t(field->index()) >= m_snapshot.values.size())
        return field ? field->value() : Value();
    return m_snapshot.values[size_t(field->index())];
}

void TVexDaoTable::PostKeepingDetails()
{
    ++m_keepDetails;
    auto restore = qScopeGuard([this] { --m_keepDetails; });
    Post();
}

void TVexDaoTable::Cancel()
{
    checkActive();
    if (m_state == DataSetState::Insert) {
        const int removed = m_cur;
        m_rows.erase(m_rows.begin() + m_cur);
        m_state = DataSetState::Browse;
        m_modified = false;
        int back = m_insertFrom;
        if (back >= int(m_rows.size())) back = int(m_rows.size()) - 1;
        m_cur = back;
        m_eof = m_rows.empty();
        m_bof = m_rows.empty() || m_cur == 0;
        notify(Notify::RowRemoved, nullptr, removed);
        notify(Notify::State);
        notify(Notify::Current);
        return;
    }
    if (m_state == DataSetState::Edit) {
        m_rows[size_t(m_cur)] = m_snapshot;
        m_rows[size_t(m_cur)].calcValid = false;
        m_state = DataSetState::Browse;
        m_modified = false;
        notify(Notify::Record);
        notify(Notify::State);
    }
}

void TVexDaoTable::Delete()
{
    checkActive();
    postBatched();
    if (m_state == DataSetState::Insert) {
        Cancel();
        return;
    }
    if (m_rows.empty()) raise(kEmpty);
    CheckBrowseMode();
    if (m_rows.empty()) raise(kEmpty);
    singleRowQuery(); // a row of a grouped query stands for no stored row: refused as its edit is
    // The delete with everything its rules delete first is one transaction:
    // either all of it is stored or nothing.
    TVexDaoDatabase::Transaction transaction(*m_db);
    // Optimistic, as a save: only the row as it was read is deleted. A change
    // this program made through another of its datasets is its own; a row id
    // that a table may hand out again is only trusted with unchanged columns.
    Stored stored = Stored::Same;
    {
        const Row &r = m_rows[size_t(m_cur)];
        stored = storedRow(0, r.rowid[0], r);
        if (stored == Stored::Changed && m_keepsRowIds[0] &&
            m_db->wroteRowSince(m_tables.value(0), r.rowid[0], r.readAt))
            stored = Stored::Same;
    }
    if (stored != Stored::Same) {
        transaction.commit(); // nothing was written
        rereadAndRaise(stored == Stored::Missing ? kDeletedBeforeDelete : kChangedBeforeDelete);
    }
    {
        if (BeforeDelete) BeforeDelete(*this);
        if (m_cur < 0) raise(kEmpty);
        Engine &engine = m_db->engine();
        auto st = engine.prepare(QStringLiteral("DELETE FROM %1 WHERE %2 = ?")
                                     .arg(engine.quote(m_tables.value(0)), m_rowIdSql[0]));
        st->bind(1, Value(m_rows[size_t(m_cur)].rowid[0]));
        st->step();
        m_db->noteWrite(m_tables.value(0));
        m_db->noteRowWrite(m_tables.value(0), m_rows[size_t(m_cur)].rowid[0]);
        const int removed = m_cur;
        m_rows.erase(m_rows.begin() + m_cur);
        m_rowIndexValid = false;
        if (m_cur >= int(m_rows.size())) m_cur = int(m_rows.size()) - 1;
        m_state = DataSetState::Browse;
        m_modified = false;
        m_eof = m_bof = m_rows.empty();
        notify(Notify::RowRemoved, nullptr, removed);
        notify(Notify::State);
        notify(Notify::Current);
        if (AfterDelete) AfterDelete(*this);
        transaction.commit();
    }
}

void TVexDaoTable::Refresh()
{
    checkActive();
    CheckBrowseMode();
    const qint64 keep = m_cur >= 0 ? m_rows[size_t(m_cur)].rowid[0] : 0;
    openRows(keep, true);
    notify(Notify::DataSet);
}

void TVexDaoTable::discardPending()
{
    m_batched.clear(); // their rows go with the re-read
    if (m_state == DataSetState::Insert) {
        m_rows.erase(m_rows.begin() + m_cur);
        m_cur = m_rows.empty() ? -1 : qBound(0, m_insertFrom, int(m_rows.size()) - 1);
    } else if (m_state == DataSetState::Edit) {
        m_rows[size_t(m_cur)] = m_snapshot;
    }
    if (m_state == DataSetState::Insert || m_state == DataSetState::Edit) m_state = DataSetState::Browse;
    m_modified = false;
}

void TVexDaoTable::reloadAfterRollback()
{
    if (!Active()) return;
    discardPending();
    const qint64 keep = m_cur >= 0 && m_cur < int(m_rows.size()) ? m_rows[size_t(m_cur)].rowid[0] : 0;
    m_rowsQuery.valid = false;
    m_lastStmt.reset();
    m_lastSql.clear();
    try {
        openRows(keep, true);
    } catch (...) {
        m_rows.clear();
        m_cur = -1;
        m_eof = m_bof = true;
    }
    notify(Notify::State);
    notify(Notify::DataSet);
}
