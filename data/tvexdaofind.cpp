// SPDX-License-Identifier: GPL-3.0-or-later
// The dataset (tvexdaotable.h): finding rows by the filter, a field value or the order.
#include "tvexdaotable.h"

#include "textcompare.h"

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
