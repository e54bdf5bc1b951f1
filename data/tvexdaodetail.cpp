// SPDX-License-Identifier: GPL-3.0-or-later
// The dataset (tvexdaotable.h): the bound controls it tells of changes, and the
// details that follow it as their master.
#include "tvexdaotable.h"

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
