// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rows of a dataset as a table model. It holds nothing but the row count
// and reads each cell from the dataset when the view asks for it, so that only
// the visible rows are ever formatted. While the dataset's controls are
// disabled it reads nothing and answers from the texts it last gave out.
#include "dbgridcolumn.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QPointer>
#include <vector>

#include "data/tvexdaotable.h"

class DBGridModel : public QAbstractTableModel
{
    Q_OBJECT
  public:
    explicit DBGridModel(QObject *parent = nullptr);

    void setDataSource(TDataSource *source);
    TDataSource *dataSource() const { return m_source; }
    TVexDaoTable *dataSet() const;
    // Without columns the grid shows every visible field of the dataset.
    void setColumns(const QList<DBGridColumn> &columns);
    const QList<DBGridColumn> &columns() const { return m_defs; }
    void setReadOnly(bool on);
    bool isReadOnly() const { return m_readOnly; }

    // The column as shown (its definition with the defaults filled in) and its field.
    DBGridColumn columnAt(int column) const;
    TField *fieldAt(int column) const;
    bool isFollowing() const; // bound to an open dataset whose controls are enabled
    bool isReshaping() const { return m_reshaping > 0; } // rows are being added, removed or reset

    // Writes text typed into a cell: moves to the row, puts the dataset into
    // edit state and assigns the field. Throws AppError with the layer's message.
    void writeCell(const QModelIndex &index, const QString &text);
    // The user began to change a cell: the row becomes current and editable.
    void beginEdit(const QModelIndex &index);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

  Q_SIGNALS:
    // The dataset's current row, for the view to follow (-1 when there is none).
    void currentRowChanged(int row);

  private Q_SLOTS:
    void onDataSetChanged();
    void onCurrentChanged();
    void onRecordChanged();
    void onRowInserted(int row);
    void onRowRemoved(int row);

  private:
    struct Column
    {
        DBGridColumn def;
        TField *field = nullptr;
    };
    void resolveColumns();
    void reset();
    QString cellText(int row, int column, bool forEdit) const;

    QPointer<TDataSource> m_source;
    QList<DBGridColumn> m_defs;
    std::vector<Column> m_columns;
    int m_rows = 0;
    bool m_readOnly = false;
    int m_reshaping = 0;
    // Texts given out lately, served while the dataset's controls are disabled.
    mutable QHash<int, QStringList> m_shown;
};
