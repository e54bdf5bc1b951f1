// SPDX-License-Identifier: GPL-3.0-or-later
#include "tdatasource.h"

#include "base/apperror.h"
#include "tvexdaotable.h"

TDataSource::TDataSource(QObject *parent, TVexDaoTable *dataset) : QObject(parent)
{
    if (dataset) setDataSet(dataset);
}

TDataSource::~TDataSource()
{
    // Controls still holding typed text write it before their source goes,
    // so that the dataset's pending row keeps it; a refused text stays unwritten.
    const auto updaters = m_updaters;
    for (RecordUpdater *u : updaters) {
        try {
            u->updateRecord();
        } catch (const AppError &) {
        }
    }
    if (m_dataset) m_dataset->removeSource(this);
    const auto details = m_details; // unlinking edits the list
    for (const auto &d : details)
        if (d) d->setMasterSource(nullptr);
}

TVexDaoTable *TDataSource::DataSet() const
{
    return m_dataset;
}

void TDataSource::setDataSet(TVexDaoTable *dataset)
{
    if (m_dataset == dataset) return;
    if (m_dataset) m_dataset->removeSource(this);
    m_dataset = dataset;
    if (m_dataset) m_dataset->addSource(this);
    Q_EMIT dataSetChanged();
}

void TDataSource::addUpdater(RecordUpdater *u)
{
    if (!m_updaters.contains(u)) m_updaters.append(u);
}

void TDataSource::removeUpdater(RecordUpdater *u)
{
    m_updaters.removeAll(u);
}
