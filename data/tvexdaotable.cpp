// SPDX-License-Identifier: GPL-3.0-or-later
// The dataset (tvexdaotable.h): construction, its fields, opening, closing and moving.
// The query, editing and posting, finding and the bound controls and details
// have files of their own beside it.
#include "tvexdaotable.h"

#include "base/apperror.h"
#include "engine.h"
#include "sqlshape.h"
#include "tdatasource.h"
#include "textcompare.h"
#include "tvexdaodatabase.h"

#include <QScopeGuard>

namespace {

const QString kFieldNotFound = QStringLiteral("Das Feld '%1' wurde nicht gefunden");

const QString kClosed = QStringLiteral("Operation bei geschlossener Datenmenge nicht ausführbar");

const QString kNotEditing = QStringLiteral("Datenmenge weder im Editier- noch im Einfügemodus");

} // namespace

// ---------------------------------------------------------------------------
// construction, properties

TVexDaoTable::TVexDaoTable(QObject *parent, const QString &name) : QObject(parent)
{
    setObjectName(name);
}

TVexDaoTable::~TVexDaoTable()
{
    if (m_db) m_db->unregisterDataset(this);
    if (m_masterSource) m_masterSource->m_details.removeAll(this);
    const QList<TDataSource *> sources = m_sources;
    for (TDataSource *s : sources)
        if (s->m_dataset == this) s->setDataSet(nullptr);
}

void TVexDaoTable::setDatabase(TVexDaoDatabase *db)
{
    if (m_db == db) return;
    if (Active()) Close();
    if (m_db) m_db->unregisterDataset(this);
    m_db = db;
    m_singleRowQuery = SingleRowQuery();
    m_rowsQuery.valid = false;
    m_insertText = InsertText();
    if (m_db) m_db->registerDataset(this);
}

void TVexDaoTable::setDatabaseName(const QString &alias)
{
    setDatabase(TVexDaoDatabase::byAlias(alias));
}

void TVexDaoTable::setTableName(const QString &name)
{
    m_tableName = name;
}

void TVexDaoTable::setFilter(const QString &filter)
{
    const QString previous = m_filter;
    m_filter = filter;
    if (Active() && m_filtered) {
        // A text the engine rejects must not stay: every later re-read would fail on it.
        try {
            CheckBrowseMode();
            openRows();
        } catch (...) {
            m_filter = previous;
            throw;
        }
        notify(Notify::DataSet);
    }
}

void TVexDaoTable::setFiltered(bool on)
{
    if (m_filtered == on) return;
    m_filtered = on;
    if (Active()) {
        try {
            CheckBrowseMode();
            openRows();
        } catch (...) {
            m_filtered = !on;
            throw;
        }
        notify(Notify::DataSet);
    }
}

void TVexDaoTable::setMasterSource(TDataSource *source)
{
    if (m_masterSource == source) return;
    if (m_masterSource) m_masterSource->m_details.removeAll(this);
    m_masterSource = source;
    if (m_masterSource) m_masterSource->m_details.append(this);
}

void TVexDaoTable::setMasterFields(const QStringList &lines)
{
    m_masterFields = lines;
}

void TVexDaoTable::setActive(bool on)
{
    if (on)
        Open();
    else
        Close();
}

void TVexDaoTable::raise(const QString &message) const
{
    if (objectName().isEmpty()) throw AppError(message);
    throw AppError(objectName() + QStringLiteral(": ") + message);
}

void TVexDaoTable::raiseToUser(const QString &message) const
{
    throw AppError(message);
}

void TVexDaoTable::checkActive() const
{
    if (!Active()) raise(kClosed);
}

// ---------------------------------------------------------------------------
// fields

TField *TVexDaoTable::addField(const QString &name, FieldType type, int size)
{
    auto f = std::make_unique<TField>(this, name, FieldKind::Data, type, size);
    f->m_index = int(m_fields.size());
    m_fields.push_back(std::move(f));
    m_fieldLookup.clear();
    m_hasDeclaredData = true;
    return m_fields.back().get();
}

TField *TVexDaoTable::addCalcField(const QString &name, FieldType type, int size)
{
    auto f = std::make_unique<TField>(this, name, FieldKind::Calculated, type, size);
    f->m_index = int(m_fields.size());
    m_fields.push_back(std::move(f));
    m_fieldLookup.clear();
    return m_fields.back().get();
}

TField *TVexDaoTable::addLookupField(const QString &name, FieldType type, int size, const QString &keyFields,
                                     TVexDaoTable *lookupDataSet, const QString &lookupKeyFields,
                                     const QString &lookupResultField)
{
    auto f = std::make_unique<TField>(this, name, FieldKind::Lookup, type, size);
    f->m_index = int(m_fields.size());
    f->KeyFields = keyFields;
    f->LookupDataSet = lookupDataSet;
    f->LookupKeyFields = lookupKeyFields;
    f->LookupResultField = lookupResultField;
    m_fields.push_back(std::move(f));
    m_fieldLookup.clear();
    return m_fields.back().get();
}

TField *TVexDaoTable::FindField(const QString &name) const
{
    // Callers ask for the same few names again and again, spelt the same way.
    const auto known = m_fieldLookup.constFind(name);
    if (known != m_fieldLookup.constEnd()) return known.value();
    TField *found = nullptr;
    for (const auto &f : m_fields) {
        if (!f->m_persistent && f->m_column < 0) continue; // a column of an earlier query
        // Names equal without regard to case have equal lengths: most are ruled out cheaply.
        if (f->m_name.size() == name.size() && f->m_name.compare(name, Qt::CaseInsensitive) == 0) {
            found = f.get();
            break;
        }
    }
    if (m_fieldLookup.size() < 256) m_fieldLookup.insert(name, found);
    return found;
}

TField *TVexDaoTable::FieldByName(const QString &name) const
{
    TField *f = FindField(name);
    if (!f) raise(kFieldNotFound.arg(name));
    return f;
}

Value TVexDaoTable::fieldValue(const TField *f, int row) const
{
    if (row < 0) row = m_calcRow >= 0 ? m_calcRow : m_cur;
    if (m_state == DataSetState::Inactive || row < 0 || row >= int(m_rows.size())) return Value();
    switch (f->m_kind) {
    case FieldKind::Data:
        return m_rows[size_t(row)].values[size_t(f->m_index)];
    case FieldKind::Calculated:
        ensureCalc(row);
        return m_rows[size_t(row)].values[size_t(f->m_index)];
    case FieldKind::Lookup:
        return lookupValue(f, row);
    }
    return Value();
}

void TVexDaoTable::ensureCalc(int row) const
{
    Row &r = const_cast<Row &>(m_rows[size_t(row)]);
    if (r.calcValid || !OnCalcFields) return;
    r.calcValid = true;
    const int saved = m_calcRow;
    m_calcRow = row;
    auto restore = qScopeGuard([&] { m_calcRow = saved; });
    OnCalcFields(const_cast<TVexDaoTable &>(*this));
}

Value TVexDaoTable::lookupValue(const TField *f, int row) const
{
    TVexDaoTable *l = f->LookupDataSet;
    if (!l || !l->Active()) return Value();
    const TField *key = FindField(f->KeyFields);
    const TField *lkey = l->FindField(f->LookupKeyFields);
    const TField *lres = l->FindField(f->LookupResultField);
    if (!key || !lkey || !lres) return Value();
    const Value k = fieldValue(key, row);
    if (k.isNull()) return Value();
    for (int i = 0; i < l->RowCount(); ++i) {
        const Value lk = l->fieldValue(lkey, i);
        const bool same = (k.kind() == Value::Text && lk.kind() == Value::Text)
                              ? TextCompare::equals(k.rawText(), lk.rawText())
                              : k == lk || (!lk.isNull() && k.toDouble() == lk.toDouble() &&
                                            k.kind() != Value::Text && lk.kind() != Value::Text);
        if (same) return l->fieldValue(lres, i);
    }
    return Value();
}

void TVexDaoTable::setFieldValue(TField *f, const Value &v)
{
    if (m_calcRow >= 0) {
        if (f->m_kind != FieldKind::Calculated) raise(kNotEditing);
        m_rows[size_t(m_calcRow)].values[size_t(f->m_index)] = v;
        return;
    }
    checkActive();
    if (m_state == DataSetState::Browse) raise(kNotEditing);
    if (f->m_kind == FieldKind::Calculated || f->ReadOnly || f->m_counter)
        raise(QStringLiteral("Feld '%1' kann nicht geändert werden").arg(f->m_name));
    if (f->m_kind == FieldKind::Lookup) {
        // Choosing a lookup value writes the matching key.
        TVexDaoTable *l = f->LookupDataSet;
        TField *key = FieldByName(f->KeyFields);
        if (v.isNull() || (v.kind() == Value::Text && v.rawText().isEmpty())) {
            key->Clear();
            return;
        }
        if (l && l->Active()) {
            const TField *lkey = l->FieldByName(f->LookupKeyFields);
            const TField *lres = l->FieldByName(f->LookupResultField);
            for (int i = 0; i < l->RowCount(); ++i) {
                const Value r = l->fieldValue(lres, i);
                if (r.kind() == Value::Text && v.kind() == Value::Text
                        ? TextCompare::equals(r.rawText(), v.rawText())
                        : r == v) {
                    key->setValue(l->fieldValue(lkey, i));
                    return;
                }
            }
        }
        raise(QStringLiteral("'%1' ist kein gültiger Wert für Feld '%2'")
                  .arg(v.kind() == Value::Text ? v.rawText() : QString(), f->m_name));
    }
    Row &r = m_rows[size_t(m_cur)];
    r.values[size_t(f->m_index)] = v;
    r.calcValid = false;
    if (!m_linkAssigning) m_modified = m_touched = true;
    notify(Notify::Record, f);
}

// ---------------------------------------------------------------------------
// opening, closing, moving

void TVexDaoTable::Open()
{
    if (Active()) return;
    if (!m_db || !m_db->Connected())
        throw AppError(QStringLiteral("TVexDaoTable.OpenDaoRecordset: Database is NOT connected"));
    if (m_tableName.isEmpty() && m_sql.join(QString()).trimmed().isEmpty())
        throw AppError(QStringLiteral(
            "TVexDaoTable.OpenDaoRecordset: Missing TableName or QueryDefName, or SQL is empty!"));
    if (m_masterSource && m_masterSource->DataSet() && !m_masterSource->DataSet()->Active())
        m_masterSource->DataSet()->Open();
    m_lastStmt.reset();
    m_lastSql.clear();
    openRows();
    m_db->registerDataset(this);
    notify(Notify::State);
    notify(Notify::DataSet);
}

void TVexDaoTable::Close()
{
    if (!Active()) return;
    if (BeforeClose) BeforeClose(*this);
    m_batched.clear();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_rowIndexValid = false;
    m_cur = -1;
    m_eof = m_bof = true;
    m_state = DataSetState::Inactive;
    m_modified = false;
    m_lastStmt.reset();
    m_lastSql.clear();
    notify(Notify::State);
    notify(Notify::DataSet);
}

void TVexDaoTable::connectionClosing()
{
    m_singleRowQuery = SingleRowQuery();
    m_rowsQuery.valid = false;
    m_insertText = InsertText();
    m_lastStmt.reset();
    m_lastSql.clear();
    m_db = nullptr;
    m_rows.clear();
    m_cur = -1;
    m_state = DataSetState::Inactive;
}

void TVexDaoTable::setCurrent(int row)
{
    const bool changed = row != m_cur;
    m_cur = row;
    if (changed) notify(Notify::Current);
}

void TVexDaoTable::First()
{
    checkActive();
    CheckBrowseMode();
    m_bof = true;
    m_eof = m_rows.empty();
    setCurrent(m_rows.empty() ? -1 : 0);
}

void TVexDaoTable::Last()
{
    checkActive();
    CheckBrowseMode();
    m_eof = true;
    m_bof = m_rows.empty();
    setCurrent(int(m_rows.size()) - 1);
}

void TVexDaoTable::Next()
{
    checkActive();
    CheckBrowseMode();
    const bool wasBof = m_bof;
    m_bof = false;
    if (m_cur + 1 < int(m_rows.size())) {
        m_eof = false;
        setCurrent(m_cur + 1);
    } else if (!m_eof || wasBof) {
        m_eof = true;
        notify(Notify::State); // the end flags changed: navigators follow
    }
}

void TVexDaoTable::Prior()
{
    checkActive();
    CheckBrowseMode();
    const bool wasEof = m_eof;
    m_eof = false;
    if (m_cur > 0) {
        m_bof = false;
        setCurrent(m_cur - 1);
    } else if (!m_bof || wasEof) {
        m_bof = true;
        notify(Notify::State);
    }
}

void TVexDaoTable::MoveTo(int row)
{
    checkActive();
    if (row < 0 || row >= int(m_rows.size()) || row == m_cur) return;
    CheckBrowseMode();
    if (row >= int(m_rows.size())) row = int(m_rows.size()) - 1;
    m_bof = row == 0;
    m_eof = false;
    setCurrent(row);
}

int TVexDaoTable::RecordCount() const
{
    checkActive();
    return int(m_rows.size()) - (m_state == DataSetState::Insert ? 1 : 0);
}
