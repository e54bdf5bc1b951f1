// SPDX-License-Identifier: GPL-3.0-or-later
#include "dbgridmodel.h"

#include "base/apperror.h"
#include "data/tdatasource.h"
#include "data/tfield.h"
#include "data/tvexdaotable.h"

#include <QScopeGuard>

namespace {

// Enough for a full screen of rows several times over.
constexpr int kShownRowsKept = 512;

} // namespace

DBGridModel::DBGridModel(QObject *parent) : QAbstractTableModel(parent) {}

TVexDaoTable *DBGridModel::dataSet() const
{
    return m_source ? m_source->DataSet() : nullptr;
}

bool DBGridModel::isFollowing() const
{
    const TVexDaoTable *ds = dataSet();
    return ds && ds->Active() && !ds->ControlsDisabled();
}

void DBGridModel::setDataSource(TDataSource *source)
{
    if (m_source == source) return;
    if (m_source) disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (m_source) {
        connect(m_source, &TDataSource::dataSetChanged, this, &DBGridModel::onDataSetChanged);
        connect(m_source, &TDataSource::currentChanged, this, &DBGridModel::onCurrentChanged);
        connect(m_source, &TDataSource::recordChanged, this, &DBGridModel::onRecordChanged);
        connect(m_source, &TDataSource::stateChanged, this, &DBGridModel::onRecordChanged);
        connect(m_source, &TDataSource::rowInserted, this, &DBGridModel::onRowInserted);
        connect(m_source, &TDataSource::rowRemoved, this, &DBGridModel::onRowRemoved);
        connect(m_source, &QObject::destroyed, this, &DBGridModel::onDataSetChanged);
    }
    onDataSetChanged();
}

void DBGridModel::setColumns(const QList<DBGridColumn> &columns)
{
    m_defs = columns;
    reset();
}

void DBGridModel::setReadOnly(bool on)
{
    m_readOnly = on;
}

void DBGridModel::resolveColumns()
{
    m_columns.clear();
    const TVexDaoTable *ds = dataSet();
    if (!m_defs.isEmpty()) {
        for (const DBGridColumn &d : std::as_const(m_defs))
            m_columns.push_back(Column{d, ds && ds->Active() ? ds->FindField(d.fieldName) : nullptr});
    } else if (ds && ds->Active()) {
        for (int i = 0; i < ds->FieldCount(); ++i) {
            TField *f = ds->Fields(i);
            // Fields of an earlier query that this one does not have are not found by name.
            if (f->Visible && ds->FindField(f->FieldName()) == f) {
                DBGridColumn d;
                d.fieldName = f->FieldName();
                m_columns.push_back(Column{d, f});
            }
        }
    }
}

void DBGridModel::reset()
{
    ++m_reshaping;
    auto done = qScopeGuard([this] { --m_reshaping; });
    beginResetModel();
    m_shown.clear();
    resolveColumns();
    const TVexDaoTable *ds = dataSet();
    m_rows = ds && ds->Active() ? ds->RowCount() : 0;
    endResetModel();
}

void DBGridModel::onDataSetChanged()
{
    reset();
    onCurrentChanged();
}

void DBGridModel::onCurrentChanged()
{
    const TVexDaoTable *ds = dataSet();
    Q_EMIT currentRowChanged(ds && ds->Active() ? ds->RecNo() : -1);
}

void DBGridModel::onRecordChanged()
{
    const TVexDaoTable *ds = dataSet();
    if (!ds || !ds->Active()) return;
    const int row = ds->RecNo();
    if (row < 0 || row >= m_rows || m_columns.empty()) return;
    m_shown.remove(row);
    Q_EMIT dataChanged(index(row, 0), index(row, int(m_columns.size()) - 1));
}

void DBGridModel::onRowInserted(int row)
{
    if (row < 0 || row > m_rows) return reset();
    ++m_reshaping;
    auto done = qScopeGuard([this] { --m_reshaping; });
    beginInsertRows(QModelIndex(), row, row);
    m_shown.clear();
    ++m_rows;
    endInsertRows();
}

void DBGridModel::onRowRemoved(int row)
{
    if (row < 0 || row >= m_rows) return reset();
    ++m_reshaping;
    auto done = qScopeGuard([this] { --m_reshaping; });
    beginRemoveRows(QModelIndex(), row, row);
    m_shown.clear();
    --m_rows;
    endRemoveRows();
}

int DBGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int DBGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

DBGridColumn DBGridModel::columnAt(int column) const
{
    if (column < 0 || column >= int(m_columns.size())) return DBGridColumn();
    DBGridColumn d = m_columns[size_t(column)].def;
    const TField *f = m_columns[size_t(column)].field;
    if (d.title.isEmpty()) d.title = f && !f->DisplayLabel.isEmpty() ? f->DisplayLabel : d.fieldName;
    if (!d.alignment)
        d.alignment = (f && isNumericType(f->DataType()) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
    return d;
}

TField *DBGridModel::fieldAt(int column) const
{
    if (column < 0 || column >= int(m_columns.size())) return nullptr;
    return m_columns[size_t(column)].field;
}

QString DBGridModel::cellText(int row, int column, bool forEdit) const
{
    const TField *f = m_columns[size_t(column)].field;
    if (!f) return QString();
    try {
        return forEdit ? f->formatValue(f->valueAt(row), true) : f->DisplayTextAt(row);
    } catch (const AppError &) {
        return QString(); // a failing calculation shows as an empty cell, not as a box per paint
    }
}

QVariant DBGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows || index.column() >= int(m_columns.size()))
        return QVariant();
    const int row = index.row(), column = index.column();
    const DBGridColumn &d = m_columns[size_t(column)].def;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: {
        if (!isFollowing()) {
            const auto it = m_shown.constFind(row);
            return it == m_shown.cend() ? QString() : it->value(column);
        }
        if (role == Qt::EditRole) return cellText(row, column, true);
        QStringList &kept = m_shown[row];
        if (kept.isEmpty()) {
            if (m_shown.size() > kShownRowsKept) {
                m_shown.clear();
                return cellText(row, column, false);
            }
            for (int c = 0; c < int(m_columns.size()); ++c)
                kept << QString();
        }
        kept[column] = cellText(row, column, false);
        return kept[column];
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(columnAt(column).alignment);
    case Qt::BackgroundRole:
        return d.color.isValid() ? QVariant(d.color) : QVariant();
    case Qt::ForegroundRole:
        return d.fontColor.isValid() ? QVariant(d.fontColor) : QVariant();
    default:
        return QVariant();
    }
}

QVariant DBGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) return columnAt(section).title;
    if (orientation == Qt::Horizontal && role == Qt::ForegroundRole) {
        const QColor color = columnAt(section).titleColor;
        return color.isValid() ? QVariant(color) : QVariant();
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags DBGridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const TField *f = fieldAt(index.column());
    if (!m_readOnly && f && !m_columns[size_t(index.column())].def.readOnly && !f->ReadOnly &&
        f->Kind() != FieldKind::Calculated && f->DataType() != FieldType::Counter && isFollowing())
        flags |= Qt::ItemIsEditable;
    return flags;
}

void DBGridModel::beginEdit(const QModelIndex &index)
{
    TVexDaoTable *ds = dataSet();
    if (!ds || !index.isValid()) return;
    if (index.row() != ds->RecNo()) ds->MoveTo(index.row());
    ds->Edit();
}

void DBGridModel::writeCell(const QModelIndex &index, const QString &text)
{
    TField *f = fieldAt(index.column());
    if (!f || !(flags(index) & Qt::ItemIsEditable)) return;
    beginEdit(index);
    f->SetAsString(text);
}
