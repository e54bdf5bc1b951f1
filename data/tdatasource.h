// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What bound controls and detail datasets follow. The dataset passes its
// changes on through its data sources while its controls are not disabled;
// detail datasets are called directly so that their errors reach the caller.
#include <QList>
#include <QObject>
#include <QPointer>

class TVexDaoTable;
class TField;

// A control that may hold typed text not yet written into its field.
class RecordUpdater
{
  public:
    virtual ~RecordUpdater() = default;
    virtual void updateRecord() = 0; // writes it now; may throw AppError
};

class TDataSource : public QObject
{
    Q_OBJECT
  public:
    explicit TDataSource(QObject *parent = nullptr, TVexDaoTable *dataset = nullptr);
    ~TDataSource() override;

    TVexDaoTable *DataSet() const;
    void setDataSet(TVexDaoTable *dataset);

    void addUpdater(RecordUpdater *u);
    void removeUpdater(RecordUpdater *u);

  Q_SIGNALS:
    // The rows were read again (open, close, filter, refresh, controls enabled).
    void dataSetChanged();
    // Another row became current.
    void currentChanged();
    // A value of the current row changed (field is null for the whole row).
    void recordChanged(TField *field);
    // Browse, edit, insert or inactive.
    void stateChanged();
    // A row was added at or removed from the given index (grids).
    void rowInserted(int row);
    void rowRemoved(int row);

  private:
    friend class TVexDaoTable;
    QPointer<TVexDaoTable> m_dataset;
    QList<RecordUpdater *> m_updaters;
    QList<QPointer<TVexDaoTable>> m_details;
};
