// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A dataset as the rows of a report: the report moves the dataset's cursor
// and reads fields of its current row by name. Detail datasets follow their
// master through the dataset layer's own link, so a sub-detail over one of
// them always shows the positions of the master's current row.
#include "report/rowsource.h"

class TVexDaoTable;

class DatasetRowSource : public RowSource
{
  public:
    explicit DatasetRowSource(TVexDaoTable &dataset) : m_dataset(dataset) {}

    bool first() override;
    bool next() override;
    QVariant value(const QString &field) const override;
    int rowCount() const override;

  private:
    TVexDaoTable &m_dataset;
};
