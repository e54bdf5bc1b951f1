// SPDX-License-Identifier: GPL-3.0-or-later
#include "tvexdaotable.h"

#include "base/apperror.h"
#include "engine.h"
#include "sqlshape.h"
#include "tdatasource.h"
#include "textcompare.h"
#include "tvexdaodatabase.h"

#include <QScopeGuard>
#include <algorithm>
#include <optional>

namespace {

const QString kFieldNotFound = QStringLiteral("Das Feld '%1' wurde nicht gefunden");
const QString kClosed = QStringLiteral("Operation bei geschlossener Datenmenge nicht ausführbar");
const QString kEmpty = QStringLiteral("Operation bei leerer Datenmenge nicht ausführbar");
const QString kNotEditing = QStringLiteral("Datenmenge weder im Editier- noch im Einfügemodus");
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

// The query a dataset runs: its tables, its result columns and the SQL.
struct Source
{
    const TableSchema *schema = nullptr;
    QString userAlias;
    QString sqlAlias; // t0, t1
};

struct ResultColumn
{
    QString name;   // alias, or the column's own name
    int table = -1; // -1 for an expression
    QString column; // stored spelling
    FieldType type = FieldType::Text;
    int size = 0;
    bool counter = false;
    QString sql;
};

} // namespace

struct TVexDaoTable::Query
{
    Sql::Select select;
    std::vector<Source> sources;
    std::vector<ResultColumn> columns;
    QString sql;
    QList<Value> params;
    QList<int> masterParams; // where in params the master's link values go
};

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
    m_hasDeclaredData = true;
    return m_fields.back().get();
}

TField *TVexDaoTable::addCalcField(const QString &name, FieldType type, int size)
{
    auto f = std::make_unique<TField>(this, name, FieldKind::Calculated, type, size);
    f->m_index = int(m_fields.size());
    m_fields.push_back(std::move(f));
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
    return m_fields.back().get();
}

TField *TVexDaoTable::FindField(const QString &name) const
{
    for (const auto &f : m_fields) {
        if (!f->m_persistent && f->m_column < 0) continue; // a column of an earlier query
        // Names equal without regard to case have equal lengths: most are ruled out cheaply.
        if (f->m_name.size() == name.size() && f->m_name.compare(name, Qt::CaseInsensitive) == 0)
            return f.get();
    }
    return nullptr;
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
// the query

QString TVexDaoTable::tableOf(int tableIndex) const
{
    return m_tables.value(tableIndex);
}

bool TVexDaoTable::readsAnyOf(const QSet<QString> &lowerTableNames) const
{
    for (const QString &t : m_tables)
        if (lowerTableNames.contains(t.toLower())) return true;
    return false;
}

std::vector<std::pair<TField *, TField *>> TVexDaoTable::linkPairs() const
{
    std::vector<std::pair<TField *, TField *>> pairs;
    TVexDaoTable *master = m_masterSource ? m_masterSource->DataSet() : nullptr;
    if (!master) return pairs;
    for (const QString &line : m_masterFields) {
        const int arrow = line.indexOf(QLatin1String("->"));
        if (arrow < 0) continue;
        const QString detail = line.left(arrow).trimmed();
        const QString mfield = line.mid(arrow + 2).trimmed();
        pairs.emplace_back(FieldByName(detail), master->FieldByName(mfield));
    }
    return pairs;
}

void TVexDaoTable::buildQuery(Query &q, bool forSingleRow)
{
    Engine &engine = m_db->engine();
    const QString source = m_tableName.isEmpty() ? m_sql.join(QLatin1Char('\n')) : QString();
    if (!m_tableName.isEmpty()) {
        q.select.from.name = m_tableName;
        Sql::SelectItem star;
        star.star = true;
        q.select.items.push_back(std::move(star));
    } else {
        q.select = Sql::parseSelect(source);
    }
    const QString text = m_tableName.isEmpty() ? source : QStringLiteral("select * from ") + m_tableName;

    auto addSource = [&](const Sql::TableRef &ref) {
        const TableSchema *schema = m_db->table(ref.name);
        if (!schema)
            throw AppError(
                QStringLiteral("Die Tabelle oder Abfrage '%1' wurde nicht gefunden").arg(ref.name));
        Source s;
        s.schema = schema;
        s.userAlias = ref.alias;
        s.sqlAlias = QStringLiteral("t%1").arg(q.sources.size());
        q.sources.push_back(s);
    };
    addSource(q.select.from);
    if (q.select.hasJoin) addSource(q.select.join);
    m_tables.clear();
    for (size_t i = 0; i < q.sources.size(); ++i) {
        m_tables << q.sources[i].schema->name;
        m_keepsRowIds[i] = q.sources[i].schema->keepsRowIds;
        m_rowIdSql[i] = q.sources[i].schema->rowId;
    }
    m_tableCount = int(q.sources.size());
    m_updateTexts.generation = -1; // the tables or fields may be others now

    // Names of the tables: by qualifier (table name or alias), else the first that has it.
    auto baseResolve = [&](const QString &table, const QString &name, int *tableIndex) -> const ColumnInfo * {
        for (size_t i = 0; i < q.sources.size(); ++i) {
            const Source &s = q.sources[i];
            if (!table.isEmpty() && s.schema->name.compare(table, Qt::CaseInsensitive) != 0 &&
                s.userAlias.compare(table, Qt::CaseInsensitive) != 0)
                continue;
            if (const ColumnInfo *c = s.schema->column(name)) {
                *tableIndex = int(i);
                return c;
            }
        }
        return nullptr;
    };
    auto columnSql = [&](int t, const ColumnInfo &c) {
        return q.sources[size_t(t)].sqlAlias + QLatin1Char('.') + engine.quote(c.name);
    };
    Sql::Resolver base = [&](const QString &table, const QString &name) {
        Sql::ColumnBinding b;
        int t = -1;
        if (const ColumnInfo *c = baseResolve(table, name, &t)) {
            b.sql = columnSql(t, *c);
            b.type = c->type;
            b.valid = true;
        }
        return b;
    };

    // The result columns.
    for (Sql::SelectItem &item : q.select.items) {
        if (item.star) {
            for (size_t i = 0; i < q.sources.size(); ++i) {
                const Source &s = q.sources[i];
                if (!item.starTable.isEmpty() &&
                    s.schema->name.compare(item.starTable, Qt::CaseInsensitive) != 0 &&
                    s.userAlias.compare(item.starTable, Qt::CaseInsensitive) != 0)
                    continue;
                for (const ColumnInfo &c : s.schema->columns) {
                    // A table dataset with declared fields reads only those.
                    if (!m_tableName.isEmpty() && m_hasDeclaredData) {
                        bool wanted = false;
                        for (const auto &f : m_fields)
                            if (f->m_kind == FieldKind::Data &&
                                f->m_name.compare(c.name, Qt::CaseInsensitive) == 0)
                                wanted = true;
                        if (!wanted) continue;
                    }
                    ResultColumn rc;
                    rc.name = c.name;
                    rc.table = int(i);
                    rc.column = c.name;
                    rc.type = c.type;
                    rc.size = c.size;
                    rc.counter = c.counter;
                    rc.sql = columnSql(int(i), c);
                    q.columns.push_back(rc);
                }
            }
            continue;
        }
        ResultColumn rc;
        Sql::Expr &e = *item.expr;
        if (e.kind == Sql::Expr::Val) {
            Sql::resolve(e, base, text);
            rc.name = item.alias.isEmpty() ? QStringLiteral("Expr%1").arg(q.columns.size()) : item.alias;
            rc.type = FieldType::Number;
            rc.sql = engine.valCall(e.left->binding.sql, e.left->binding.type);
        } else {
            int t = -1;
            const ColumnInfo *c = baseResolve(e.table, e.name, &t);
            if (!c) {
                // A column that a file of an older version lacks reads as empty
                // where the dataset declares its field optional.
                const QString name = item.alias.isEmpty() ? e.name : item.alias;
                const auto optional = std::find_if(m_fields.begin(), m_fields.end(), [&](const auto &f) {
                    return f->m_kind == FieldKind::Data && f->Optional &&
                           f->m_name.compare(name, Qt::CaseInsensitive) == 0;
                });
                if (optional != m_fields.end()) {
                    rc.name = name;
                    rc.type = (*optional)->m_type;
                    rc.sql = QStringLiteral("NULL");
                    q.columns.push_back(rc);
                    continue;
                }
            }
            if (!c)
                throw AppError(QStringLiteral("Unbekannter Feldname '%1' in '%2'")
                                   .arg(e.table.isEmpty() ? e.name : e.table + QLatin1Char('.') + e.name,
                                        text.simplified()));
            rc.name = item.alias.isEmpty() ? c->name : item.alias;
            rc.table = t;
            rc.column = c->name;
            rc.type = c->type;
            rc.size = c->size;
            rc.counter = c->counter;
            rc.sql = columnSql(t, *c);
        }
        q.columns.push_back(rc);
    }

    // Names of the result: an alias or column of the result first, then the tables.
    Sql::Resolver result = [&](const QString &table, const QString &name) {
        if (table.isEmpty()) {
            for (const ResultColumn &rc : q.columns) {
                if (rc.name.compare(name, Qt::CaseInsensitive) == 0) {
                    Sql::ColumnBinding b;
                    b.sql = rc.sql;
                    b.type = rc.type;
                    b.valid = true;
                    return b;
                }
            }
        }
        return base(table, name);
    };

    QStringList where;
    QList<Value> params;
    if (q.select.hasJoin) {
        Sql::resolve(*q.select.joinOn, base, text);
    }
    QList<Value> joinParams;
    const QString joinSql = q.select.hasJoin ? Sql::emitSql(*q.select.joinOn, engine, joinParams) : QString();
    params << joinParams;
    // A row read again by its identity is read whatever the select's own
    // condition says: a new or changed row outside it is still that row.
    if (q.select.where && !forSingleRow) {
        Sql::resolve(*q.select.where, base, text);
        where << Sql::emitSql(*q.select.where, engine, params);
    }
    if (forSingleRow) {
        where << QStringLiteral("t0.%1 = ?").arg(q.sources[0].schema->rowId);
    } else {
        QString restriction;
        TVexDaoTable *master = m_masterSource ? m_masterSource->DataSet() : nullptr;
        if (master) {
            QStringList parts;
            for (const QString &line : m_masterFields) {
                const int arrow = line.indexOf(QLatin1String("->"));
                if (arrow < 0) continue;
                const QString detail = line.left(arrow).trimmed();
                const QString mfield = line.mid(arrow + 2).trimmed();
                const Sql::ColumnBinding b = result(QString(), detail);
                if (!b.valid) raise(kFieldNotFound.arg(detail));
                const Value mv = master->FieldByName(mfield)->value();
                if (mv.isNull()) {
                    parts << QStringLiteral("%1 IS NULL").arg(b.sql);
                } else {
                    parts << QStringLiteral("%1 = ?").arg(b.sql);
                    q.masterParams << int(params.size());
                    params << mv;
                }
            }
            restriction = parts.join(QStringLiteral(" AND "));
        }
        QString filterSql;
        if (m_filtered && !m_filter.trimmed().isEmpty()) {
            Sql::ExprPtr cond = Sql::parseCondition(m_filter);
            Sql::resolve(*cond, result, m_filter);
            filterSql = Sql::emitSql(*cond, engine, params);
        }
        if (!restriction.isEmpty() && !filterSql.isEmpty())
            where << QStringLiteral("(%1) AND (%2)").arg(restriction, filterSql);
        else if (!restriction.isEmpty())
            where << restriction;
        else if (!filterSql.isEmpty())
            where << filterSql;
    }

    QStringList order;
    auto orderTerm = [&](const Sql::ColumnBinding &b, bool desc) {
        return engine.orderTerm(b.sql, isTextType(b.type), desc);
    };
    if (!forSingleRow) {
        if (!m_orderField.isEmpty()) {
            const Sql::ColumnBinding b = result(QString(), m_orderField);
            if (!b.valid) raise(kFieldNotFound.arg(m_orderField));
            order << orderTerm(b, false);
        } else {
            for (Sql::OrderItem &o : q.select.orderBy) {
                Sql::resolve(*o.expr, result, text);
                Sql::ColumnBinding b = o.expr->binding;
                if (o.expr->kind == Sql::Expr::Val) {
                    b.sql = engine.valCall(o.expr->left->binding.sql, o.expr->left->binding.type);
                    b.type = FieldType::Number;
                }
                order << orderTerm(b, o.desc);
            }
        }
        // Rows without an order come in the order they were added, as a
        // file gives them.
        if (order.isEmpty() && engine.ordersByRowId())
            for (const Source &s : q.sources)
                order << s.sqlAlias + QLatin1Char('.') + s.schema->rowId;
    }

    QStringList cols;
    for (const ResultColumn &rc : q.columns)
        cols << rc.sql;
    for (const Source &s : q.sources)
        cols << s.sqlAlias + QLatin1Char('.') + s.schema->rowId;
    QString sql = QStringLiteral("SELECT ") + cols.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") +
                  engine.quote(q.sources[0].schema->name) + QStringLiteral(" t0");
    if (q.select.hasJoin)
        sql += (q.select.leftJoin ? QStringLiteral(" LEFT JOIN ") : QStringLiteral(" INNER JOIN ")) +
               engine.quote(q.sources[1].schema->name) + QStringLiteral(" t1 ON ") + joinSql;
    if (!where.isEmpty()) sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    if (!order.isEmpty()) sql += QStringLiteral(" ORDER BY ") + order.join(QStringLiteral(", "));
    if (q.select.top >= 0 && !forSingleRow) sql += QStringLiteral(" LIMIT %1").arg(q.select.top);
    q.sql = sql;
    q.params = params;
}

void TVexDaoTable::prepareFields(const Query &q)
{
    // Data fields map to result columns by name.
    auto findColumn = [&](const QString &name) {
        for (size_t i = 0; i < q.columns.size(); ++i)
            if (q.columns[i].name.size() == name.size() &&
                q.columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
                return int(i);
        return -1;
    };
    if (m_hasDeclaredData) {
        for (const auto &f : m_fields) {
            if (f->m_kind != FieldKind::Data) continue;
            const int c = findColumn(f->m_name);
            if (c < 0 && !f->Optional) raise(kFieldNotFound.arg(f->m_name));
        }
    } else {
        // Fields made from the columns; objects of earlier opens are kept so
        // that nobody holds a dangling field.
        for (auto &f : m_fields)
            if (!f->m_persistent) f->m_column = -1;
        for (const ResultColumn &rc : q.columns) {
            TField *existing = nullptr;
            for (auto &f : m_fields)
                if (!f->m_persistent && f->m_column < 0 && f->m_name.size() == rc.name.size() &&
                    f->m_name.compare(rc.name, Qt::CaseInsensitive) == 0)
                    existing = f.get();
            if (!existing || existing->m_type != rc.type) {
                auto f = std::make_unique<TField>(this, rc.name, FieldKind::Data, rc.type, rc.size);
                f->m_persistent = false;
                f->m_index = int(m_fields.size());
                m_fields.push_back(std::move(f));
                existing = m_fields.back().get();
            }
            existing->m_column = 0; // set below
        }
    }
    for (auto &f : m_fields) {
        if (f->m_kind != FieldKind::Data || (!f->m_persistent && f->m_column < 0)) continue;
        const int c = findColumn(f->m_name);
        f->m_column = c;
        if (c >= 0) {
            const ResultColumn &rc = q.columns[size_t(c)];
            f->m_tableIndex = rc.table;
            f->m_baseColumn = rc.table >= 0 ? rc.column : QString();
            f->m_counter = rc.counter;
            if (f->m_size == 0) f->m_size = rc.size;
        }
    }
    m_valueSlots = int(m_fields.size());
    m_insertText = InsertText(); // the fields may stand for other columns now
}

void TVexDaoTable::readRows(Query &q, std::vector<Row> &out)
{
    Engine &engine = m_db->engine();
    if (q.sql != m_lastSql || !m_lastStmt) {
        m_lastStmt.reset();
        m_lastStmt = engine.prepare(q.sql);
        m_lastSql = q.sql;
    } else {
        m_lastStmt->reset();
    }
    Statement &st = *m_lastStmt;
    for (int i = 0; i < q.params.size(); ++i)
        st.bind(i + 1, q.params[i]);
    static const bool trace = qEnvironmentVariableIsSet("TAVIREL_SQL_TRACE");
    if (trace) {
        QStringList p;
        for (const Value &v : q.params)
            p << (v.kind() == Value::Text ? v.rawText() : QString::number(v.toDouble()));
        qDebug("%s: %s [%s]", qPrintable(objectName()), qPrintable(q.sql),
               qPrintable(p.join(QLatin1Char('|'))));
    }

    // Where each slot of a row comes from: a result column, or nothing
    // (calculated and lookup fields).
    const int slotCount = m_valueSlots;
    std::vector<int> columnOf(size_t(slotCount), -1);
    std::vector<FieldType> typeOf(size_t(slotCount), FieldType::Text);
    for (const auto &f : m_fields)
        if (f->m_kind == FieldKind::Data && f->m_column >= 0) {
            columnOf[size_t(f->m_index)] = f->m_column;
            typeOf[size_t(f->m_index)] = f->m_type;
        }
    const int rowidColumn = int(q.columns.size());
    const int tables = int(q.sources.size());
    const quint64 readAt = m_db->writeSerial();
    const quint64 readIn = m_db->lockedTransaction();
    try {
        while (st.step()) {
            Row r;
            r.readAt = readAt;
            r.readIn = readIn;
            r.values.reserve(size_t(slotCount));
            for (int slot = 0; slot < slotCount; ++slot) {
                const int c = columnOf[size_t(slot)];
                if (c >= 0)
                    r.values.push_back(st.column(c, typeOf[size_t(slot)]));
                else
                    r.values.emplace_back();
            }
            for (int t = 0; t < tables; ++t)
                r.rowid[t] = st.column(rowidColumn + t, FieldType::Integer).rawInt();
            out.push_back(std::move(r));
        }
    } catch (...) {
        st.reset();
        throw;
    }
    st.reset();
}

TVexDaoTable::RowsQuery::Key TVexDaoTable::rowsQueryKey(QList<Value> *masterValues) const
{
    RowsQuery::Key key;
    key.tableName = m_tableName;
    key.sql = m_sql;
    if (m_filtered) key.filter = m_filter;
    key.orderField = m_orderField;
    key.fields = int(m_fields.size());
    key.generation = m_db->generation();
    TVexDaoTable *master = m_masterSource ? m_masterSource->DataSet() : nullptr;
    if (master) {
        key.links += 'm';
        for (const QString &line : m_masterFields) {
            const int arrow = line.indexOf(QLatin1String("->"));
            if (arrow < 0) continue;
            const TField *mf = master->FindField(line.mid(arrow + 2).trimmed());
            const Value mv = mf ? mf->value() : Value();
            key.links += mf ? (mv.isNull() ? '0' : '1') : '?';
            if (!mv.isNull()) *masterValues << mv;
        }
    }
    return key;
}

QList<int> TVexDaoTable::numberParams(const Query &q, const QString &shape, const QStringList &numbers)
{
    // Each number must have become a parameter of its own, and nothing else
    // may depend on it: the query is built once more with other numbers in
    // their places and compared.
    QStringList probe;
    for (int i = 0; i < numbers.size(); ++i)
        probe << (numbers[i].contains(QLatin1Char('.')) ? QStringLiteral("%1.25").arg(900000001 + i)
                                                        : QString::number(900000001 + i));
    const QStringList sql = m_sql;
    const QStringList tables = m_tables;
    const int tableCount = m_tableCount;
    Query p;
    bool built = true;
    m_sql = QStringList{SqlShape::numbersIn(shape, probe)};
    try {
        buildQuery(p, false);
    } catch (...) {
        built = false;
    }
    m_sql = sql;
    m_tables = tables;
    m_tableCount = tableCount;
    if (!built || p.sql != q.sql || p.params.size() != q.params.size() || p.masterParams != q.masterParams)
        return {};
    QList<int> at(numbers.size(), -1);
    for (int k = 0; k < p.params.size(); ++k) {
        const Value &v = p.params[k];
        int which = -1;
        if (v.kind() == Value::Int || v.kind() == Value::Double)
            for (int i = 0; i < probe.size() && which < 0; ++i)
                if (SqlShape::sameValue(v, SqlShape::numberValue(probe[i], v.kind()))) which = i;
        if (which < 0) {
            if (!SqlShape::sameValue(v, q.params[k])) return {};
            continue;
        }
        if (at[which] >= 0 || q.masterParams.contains(k) ||
            !SqlShape::sameValue(q.params[k], SqlShape::numberValue(numbers[which], q.params[k].kind())))
            return {};
        at[which] = k;
    }
    return at.contains(-1) ? QList<int>() : at;
}

void TVexDaoTable::openRows(qint64 keepRowid, bool keepPosition)
{
    postBatched();
    // Re-reads with the same query text and only other link values of the
    // master (a detail following its master) reuse the query built before;
    // so does a query read again with only other numbers in its text.
    Query q;
    QList<Value> masterValues;
    RowsQuery::Key key = rowsQueryKey(&masterValues);
    RowsQuery &rq = m_rowsQuery;
    QString shape;
    QStringList numbers;
    const bool shaped = m_tableName.isEmpty() &&
                        SqlShape::numbersOut(m_sql.join(QLatin1Char('\n')), &shape, &numbers) &&
                        !numbers.isEmpty();
    RowsQuery::Key shapeKey;
    if (shaped) {
        shapeKey = key;
        shapeKey.sql = QStringList{shape};
    }
    const bool hit = rq.valid && rq.masterParams.size() == masterValues.size() &&
                     (rq.numberParams.isEmpty()
                          ? rq.key == key
                          : shaped && rq.numberParams.size() == numbers.size() && rq.key == shapeKey);
    if (hit) {
        q.sql = rq.sql;
        q.params = rq.params;
        for (int i = 0; i < rq.numberParams.size(); ++i) {
            Value &p = q.params[rq.numberParams[i]];
            p = SqlShape::numberValue(numbers[i], p.kind());
        }
        for (int i = 0; i < rq.masterParams.size(); ++i)
            q.params[rq.masterParams[i]] = masterValues[i];
        q.columns.resize(size_t(rq.columns));
        q.sources.resize(size_t(rq.tables));
    } else {
        rq.valid = false;
        buildQuery(q, false);
        prepareFields(q);
        rq.numberParams = shaped ? numberParams(q, shape, numbers) : QList<int>();
        rq.key = rq.numberParams.isEmpty() ? std::move(key) : std::move(shapeKey);
        rq.sql = q.sql;
        rq.params = q.params;
        rq.masterParams = q.masterParams;
        rq.columns = int(q.columns.size());
        rq.tables = int(q.sources.size());
        rq.valid = true;
    }
    std::vector<Row> rows;
    if (!masterLinkMissing() && !masterRowIsNew()) readRows(q, rows);
    m_rows.swap(rows);
    m_rowIndexValid = false;
    m_state = DataSetState::Browse;
    m_modified = false;
    m_detailStale = false;
    m_cur = m_rows.empty() ? -1 : 0;
    if (keepPosition && keepRowid) {
        for (size_t i = 0; i < m_rows.size(); ++i)
            if (m_rows[i].rowid[0] == keepRowid) {
                m_cur = int(i);
                break;
            }
    }
    m_bof = m_cur <= 0;
    m_eof = m_rows.empty();
}

// A detail holds no rows while its master has no current row or a link value
// of the master is empty: a null link would otherwise match every orphaned
// row (a contact person without an address, a position without a document).
bool TVexDaoTable::masterLinkMissing() const
{
    TVexDaoTable *master = m_masterSource ? m_masterSource->DataSet() : nullptr;
    if (!master) return false;
    if (!master->Active() || master->RecNo() < 0) return true;
    for (const QString &line : m_masterFields) {
        const int arrow = line.indexOf(QLatin1String("->"));
        if (arrow >= 0 && master->FieldByName(line.mid(arrow + 2).trimmed())->value().isNull()) return true;
    }
    return false;
}

// A master row this connection inserted in the transaction still running,
// linked by its counter, has no details but those written since: nobody else
// can write meanwhile, and nothing could name its counter before.
bool TVexDaoTable::masterRowIsNew() const
{
    TVexDaoTable *master = m_masterSource ? m_masterSource->DataSet() : nullptr;
    if (!master || master->m_db != m_db || master->m_cur < 0 || master->m_cur >= int(master->m_rows.size()))
        return false;
    const Row &row = master->m_rows[size_t(master->m_cur)];
    if (row.insertedIn == 0 || row.insertedIn != m_db->lockedTransaction() ||
        m_db->wroteTableSince(m_tables.value(0), row.insertedAt))
        return false;
    for (const auto &[detail, key] : linkPairs())
        if (key->m_counter && key->m_tableIndex == 0 && detail->m_tableIndex == 0 && !detail->m_baseColumn.isEmpty())
            return true;
    return false;
}

TVexDaoTable::SingleRowQuery &TVexDaoTable::singleRowQuery()
{
    // Every save and every edit re-reads a row: its query is built once for
    // the dataset's source, not each time.
    const QString source =
        m_tableName.isEmpty() ? m_sql.join(QLatin1Char('\n')) : QLatin1Char('\t') + m_tableName;
    SingleRowQuery &sq = m_singleRowQuery;
    if (!sq.valid || sq.source != source || sq.generation != m_db->generation()) {
        sq = SingleRowQuery();
        Query q;
        buildQuery(q, true);
        sq.sql = q.sql;
        sq.params = q.params;
        sq.columns = int(q.columns.size());
        sq.tables = int(q.sources.size());
        // Where the engine hands back the row a write stored, a dataset over
        // one table takes it from there instead of reading it again.
        if (m_db->engine().returnsWrittenRows() && sq.tables == 1 && sq.params.isEmpty()) {
            QStringList cols;
            for (const ResultColumn &rc : q.columns)
                cols << rc.sql;
            cols << QStringLiteral("t0.") + q.sources[0].schema->rowId;
            sq.returning = QStringLiteral(" RETURNING ") + cols.join(QStringLiteral(", "));
        }
        sq.source = source;
        sq.generation = m_db->generation();
        sq.valid = true;
    }
    return sq;
}

void TVexDaoTable::rowFromStatement(const Statement &st, const SingleRowQuery &sq, Row &out) const
{
    out.readAt = m_db->writeSerial();
    out.readIn = m_db->lockedTransaction();
    out.values.assign(size_t(m_valueSlots), Value());
    for (const auto &f : m_fields)
        if (f->m_kind == FieldKind::Data && f->m_column >= 0)
            out.values[size_t(f->m_index)] = st.column(f->m_column, f->m_type);
    for (int t = 0; t < sq.tables; ++t)
        out.rowid[t] = st.column(sq.columns + t, FieldType::Integer).rawInt();
}

bool TVexDaoTable::readSingleRow(int tableIndex, qint64 rowid, Row &out)
{
    Q_UNUSED(tableIndex);
    SingleRowQuery &sq = singleRowQuery();
    // The single-row statement is its own, not the cached one of the rows;
    // it is reset after each read so that it holds no lock.
    if (!sq.statement) sq.statement = m_db->engine().prepare(sq.sql);
    Statement *st = sq.statement.get();
    auto done = qScopeGuard([st] { st->reset(); });
    for (int i = 0; i < sq.params.size(); ++i)
        st->bind(i + 1, sq.params[i]);
    st->bind(int(sq.params.size()) + 1, Value(rowid));
    if (!st->step()) return false;
    rowFromStatement(*st, sq, out);
    return true;
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
    if (!readSingleRow(0, m_rows[size_t(m_cur)].rowid[0], fresh)) throw AppError(kDeletedElsewhere);
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
        raise(kChangedBeforeEdit);
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

Statement &TVexDaoTable::insertStatement(const std::vector<const TField *> &used, const QString &returning)
{
    Engine &engine = m_db->engine();
    // Rows of one dataset mostly fill the same columns: the text is made
    // again only when they differ from the last insert's.
    InsertText &it = m_insertText;
    if (it.generation != m_db->generation() || it.table != m_tables.value(0) || it.fields != used ||
        it.returning != returning) {
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
        it.sql += returning.isEmpty() ? engine.insertReturning(m_rowIdSql[0]) : returning;
        it.returning = returning;
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

bool TVexDaoTable::writeInsert(Row &row, Row &stored)
{
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
    for (size_t i = 0; i < rows.size(); ++i)
        insertParams(m_rows[size_t(rows[i])], used[i], params[i]);
    std::vector<Row> stored(rows.size());
    std::vector<bool> returned(rows.size(), false);
    TVexDaoDatabase::WriteScope scope(*m_db);
    // A failure below leaves the table for the rollback to read again.
    m_db->noteWrite(m_tables.value(0));
    for (size_t from = 0; from < rows.size();) {
        size_t to = from + 1;
        while (to < rows.size() && used[to] == used[from])
            ++to;
        Statement &st = insertStatement(used[from], returning);
        const std::vector<std::vector<Value>> sets(params.begin() + qsizetype(from), params.begin() + qsizetype(to));
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
    raise(message);
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
            throw AppError(kDeletedNotSaved);
        case Stored::Changed:
            throw AppError(QStringLiteral("Der Datensatz wurde inzwischen von einem anderen Benutzer "
                                          "geändert. Ihre Änderungen wurden nicht gespeichert; brechen Sie "
                                          "die Bearbeitung ab, um den neuen Stand zu sehen"));
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
        if (engine.changes() == 0 && row.rowid[t] != 0) throw AppError(kDeletedNotSaved);
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
            throw AppError(kDeletedNotSaved);
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
    // The delete with everything its rules delete first is one transaction:
    // either all of it is stored or nothing.
    m_db->StartTransaction();
    // Optimistic, as a save: only the row as it was read is deleted. A change
    // this program made through another of its datasets is its own; a row id
    // that a table may hand out again is only trusted with unchanged columns.
    Stored stored = Stored::Same;
    try {
        const Row &r = m_rows[size_t(m_cur)];
        stored = storedRow(0, r.rowid[0], r);
        if (stored == Stored::Changed && m_keepsRowIds[0] &&
            m_db->wroteRowSince(m_tables.value(0), r.rowid[0], r.readAt))
            stored = Stored::Same;
    } catch (...) {
        m_db->Rollback();
        throw;
    }
    if (stored != Stored::Same) {
        m_db->Commit(); // nothing was written
        rereadAndRaise(stored == Stored::Missing ? kDeletedBeforeDelete : kChangedBeforeDelete);
    }
    try {
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
        m_db->Commit();
    } catch (...) {
        if (m_db && m_db->Connected()) m_db->Rollback();
        throw;
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

// ---------------------------------------------------------------------------
// finding

bool TVexDaoTable::rowMatches(const Sql::Expr &cond, int row) const
{
    return Sql::evaluate(cond,
                         [&](int fieldIndex) { return fieldValue(m_fields[size_t(fieldIndex)].get(), row); });
}

bool TVexDaoTable::FindFirst()
{
    checkActive();
    Sql::ExprPtr cond;
    if (!m_filter.trimmed().isEmpty()) {
        cond = Sql::parseCondition(m_filter);
        Sql::resolve(
            *cond,
            [&](const QString &, const QString &name) {
                Sql::ColumnBinding b;
                if (const TField *f = FindField(name)) {
                    b.type = f->DataType();
                    b.fieldIndex = f->m_index;
                    b.valid = true;
                }
                return b;
            },
            m_filter);
    }
    CheckBrowseMode();
    // "id = n" on the counter is answered from the row index, not by a scan.
    if (cond && cond->kind == Sql::Expr::Compare && cond->op == Sql::Op::Eq &&
        cond->left->kind == Sql::Expr::Column && cond->right->kind == Sql::Expr::Literal &&
        cond->right->value.kind() == Value::Int) {
        const TField *f = m_fields[size_t(cond->left->binding.fieldIndex)].get();
        if (f->m_kind == FieldKind::Data && f->m_counter && f->m_tableIndex == 0) {
            const int i = findByRowId(cond->right->value.rawInt());
            if (i < 0) return false;
            m_bof = i == 0;
            m_eof = false;
            setCurrent(i);
            return true;
        }
    }
    for (int i = 0; i < int(m_rows.size()); ++i) {
        if (!cond || rowMatches(*cond, i)) {
            m_bof = i == 0;
            m_eof = false;
            setCurrent(i);
            return true;
        }
    }
    return false;
}

int TVexDaoTable::findByRowId(qint64 rowid)
{
    if (!m_rowIndexValid) {
        m_rowIndex.clear();
        m_rowIndex.reserve(qsizetype(m_rows.size()));
        for (size_t i = 0; i < m_rows.size(); ++i)
            if (m_rows[i].rowid[0]) m_rowIndex.insert(m_rows[i].rowid[0], int(i));
        m_rowIndexValid = true;
    }
    return m_rowIndex.value(rowid, -1);
}

bool TVexDaoTable::Locate(const QString &fieldName, const Value &value, int options)
{
    checkActive();
    const TField *f = FieldByName(fieldName);
    CheckBrowseMode();
    const bool caseless = options & LoCaseInsensitive;
    const bool partial = options & LoPartialKey;
    const bool textual = isTextType(f->DataType()) || f->Kind() == FieldKind::Lookup;
    Value wanted = value;
    if (!textual && value.kind() == Value::Text) wanted = f->convertText(value.rawText());
    const QString wantedText = value.kind() == Value::Text ? value.rawText() : f->formatValue(value, true);
    for (int i = 0; i < int(m_rows.size()); ++i) {
        const Value v = fieldValue(f, i);
        bool hit;
        if (textual) {
            const QString t = v.kind() == Value::Text ? v.rawText() : f->formatValue(v, true);
            if (partial)
                hit = caseless ? TextCompare::startsWith(t, wantedText) : t.startsWith(wantedText);
            else
                hit = caseless ? TextCompare::equals(t, wantedText) : t == wantedText;
        } else if (partial) {
            hit = f->formatValue(v, true).startsWith(wantedText);
        } else {
            hit = !v.isNull() && !wanted.isNull() &&
                  (v == wanted || (v.kind() != Value::Text && v.toDouble() == wanted.toDouble()));
        }
        if (hit) {
            m_bof = i == 0;
            m_eof = false;
            setCurrent(i);
            return true;
        }
    }
    return false;
}

void TVexDaoTable::OrderByField(const QString &fieldName)
{
    m_orderField = fieldName;
    if (!Active()) return;
    CheckBrowseMode();
    const qint64 keep = m_cur >= 0 ? m_rows[size_t(m_cur)].rowid[0] : 0;
    openRows(keep, true);
    notify(Notify::DataSet);
}

bool TVexDaoTable::SeekAtOrAfter(const Value &value)
{
    checkActive();
    if (m_orderField.isEmpty()) raise(QStringLiteral("Für die Suche ist keine Sortierung gesetzt"));
    const TField *f = FieldByName(m_orderField);
    CheckBrowseMode();
    const bool textual = isTextType(f->DataType());
    Value wanted = value;
    if (!textual && value.kind() == Value::Text) wanted = f->convertText(value.rawText());
    auto atOrAfter = [&](int row) {
        const Value v = fieldValue(f, row);
        if (textual) {
            const QString t = v.kind() == Value::Text ? v.rawText() : QString();
            return TextCompare::compare(t, wanted.kind() == Value::Text ? wanted.rawText() : QString()) >= 0;
        }
        if (v.isNull()) return wanted.isNull();
        if (v.kind() == Value::DateTime && wanted.kind() == Value::DateTime)
            return v.stamp() >= wanted.stamp();
        return v.toDouble() >= wanted.toDouble();
    };
    // Rows edited or added since the read need not be in order any more, so
    // the rows are gone through from the first rather than halved.
    int lo = 0;
    while (lo < int(m_rows.size()) && !atOrAfter(lo))
        ++lo;
    if (lo >= int(m_rows.size())) return false;
    m_bof = lo == 0;
    m_eof = false;
    setCurrent(lo);
    return true;
}

// ---------------------------------------------------------------------------
// controls and details

void TVexDaoTable::DisableControls()
{
    ++m_disableCount;
}

void TVexDaoTable::EnableControls()
{
    if (m_disableCount == 0) return;
    if (--m_disableCount == 0) notify(Notify::DataSet);
}

void TVexDaoTable::addSource(TDataSource *s)
{
    if (!m_sources.contains(s)) m_sources.append(s);
}

void TVexDaoTable::removeSource(TDataSource *s)
{
    m_sources.removeAll(s);
}

void TVexDaoTable::notify(Notify what, TField *field, int row)
{
    if (m_disableCount > 0) return;
    const QList<TDataSource *> sources = m_sources;
    for (TDataSource *s : sources) {
        switch (what) {
        case Notify::DataSet:
            Q_EMIT s->dataSetChanged();
            break;
        case Notify::Current:
            Q_EMIT s->currentChanged();
            break;
        case Notify::Record:
            Q_EMIT s->recordChanged(field);
            break;
        case Notify::State:
            Q_EMIT s->stateChanged();
            break;
        case Notify::RowInserted:
            Q_EMIT s->rowInserted(row);
            break;
        case Notify::RowRemoved:
            Q_EMIT s->rowRemoved(row);
            break;
        }
    }
    if (what == Notify::DataSet || what == Notify::Current) {
        for (TDataSource *s : sources) {
            const auto details = s->m_details;
            for (const auto &d : details)
                if (d) d->masterChanged(false);
        }
    }
}

void TVexDaoTable::masterChanged(bool force)
{
    Q_UNUSED(force);
    if (!Active()) return;
    TVexDaoTable *master = m_masterSource ? m_masterSource->DataSet() : nullptr;
    if (!master) return;
    if (master->ControlsDisabled() || ControlsDisabled() || master->State() == DataSetState::Edit) {
        m_detailStale = true;
        return;
    }
    CheckBrowseMode();
    if (!master->Active()) {
        m_rowIndexValid = false;
        m_rows.clear();
        m_cur = -1;
        m_eof = m_bof = true;
    } else {
        openRows();
    }
    notify(Notify::DataSet);
}
