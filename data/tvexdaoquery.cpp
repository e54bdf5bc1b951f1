// SPDX-License-Identifier: GPL-3.0-or-later
// The dataset (tvexdaotable.h): the query it runs, built from the table or SQL,
// its filter and master link, and reading its rows.
#include "tvexdaotable.h"

#include "base/apperror.h"
#include "engine.h"
#include "sqlshape.h"
#include "tvexdaodatabase.h"

#include <QScopeGuard>
#include <algorithm>

namespace {

const QString kFieldNotFound = QStringLiteral("Das Feld '%1' wurde nicht gefunden");

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
    const bool grouped = q.select.grouped();
    if (grouped && forSingleRow)
        throw AppError(
            QStringLiteral("Zeilen einer Abfrage mit COUNT, SUM, MIN, MAX, AVG oder GROUP BY lassen "
                           "sich nicht ändern"));

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
        if (e.kind == Sql::Expr::Val || e.kind == Sql::Expr::Aggregate) {
            Sql::resolve(e, base, text);
            rc.name = item.alias.isEmpty() ? QStringLiteral("Expr%1").arg(q.columns.size()) : item.alias;
            rc.type = Sql::valueType(e);
            rc.sql = Sql::emitValue(e, engine);
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
            rc.table = grouped ? -1 : t; // a group's value is no stored row's
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

    QStringList where, having;
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
        // On a grouped select they test the groups.
        QStringList &to = grouped ? having : where;
        if (!restriction.isEmpty() && !filterSql.isEmpty())
            to << QStringLiteral("(%1) AND (%2)").arg(restriction, filterSql);
        else if (!restriction.isEmpty())
            to << restriction;
        else if (!filterSql.isEmpty())
            to << filterSql;
    }
    QStringList groupBy;
    for (Sql::ExprPtr &g : q.select.groupBy) {
        Sql::resolve(*g, base, text);
        groupBy << g->binding.sql;
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
                Sql::ColumnBinding b;
                b.sql = Sql::emitValue(*o.expr, engine);
                b.type = Sql::valueType(*o.expr);
                order << orderTerm(b, o.desc);
            }
        }
        // Groups come in the order of their values, on every engine.
        if (order.isEmpty() && grouped)
            for (const Sql::ExprPtr &g : q.select.groupBy)
                order << orderTerm(g->binding, false);
        // Rows without an order come in the order they were added, as a
        // file gives them.
        if (order.isEmpty() && engine.ordersByRowId() && !grouped)
            for (const Source &s : q.sources)
                order << s.sqlAlias + QLatin1Char('.') + s.schema->rowId;
    }

    QStringList cols;
    for (const ResultColumn &rc : q.columns)
        cols << rc.sql;
    // A group has no row id. It gets its place in the result, negated so
    // that no write can ever find a stored row by it.
    for (const Source &s : q.sources)
        cols << (grouped ? QStringLiteral("-ROW_NUMBER() OVER ()")
                         : s.sqlAlias + QLatin1Char('.') + s.schema->rowId);
    QString sql = QStringLiteral("SELECT ") + cols.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") +
                  engine.quote(q.sources[0].schema->name) + QStringLiteral(" t0");
    if (q.select.hasJoin)
        sql += (q.select.leftJoin ? QStringLiteral(" LEFT JOIN ") : QStringLiteral(" INNER JOIN ")) +
               engine.quote(q.sources[1].schema->name) + QStringLiteral(" t1 ON ") + joinSql;
    if (!where.isEmpty()) sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    if (!groupBy.isEmpty()) sql += QStringLiteral(" GROUP BY ") + groupBy.join(QStringLiteral(", "));
    if (!having.isEmpty()) sql += QStringLiteral(" HAVING ") + having.join(QStringLiteral(" AND "));
    if (!order.isEmpty()) sql += QStringLiteral(" ORDER BY ") + order.join(QStringLiteral(", "));
    if (q.select.top >= 0 && !forSingleRow) sql += QStringLiteral(" LIMIT %1").arg(q.select.top);
    q.sql = sql;
    q.params = params;
}

void TVexDaoTable::prepareFields(const Query &q)
{
    m_fieldLookup.clear(); // which fields a name finds follows the columns
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
        if (key->m_counter && key->m_tableIndex == 0 && detail->m_tableIndex == 0 &&
            !detail->m_baseColumn.isEmpty())
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
