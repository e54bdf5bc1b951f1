// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A read-only label showing a field's display text.
#include "fieldlink.h"

#include <QLabel>

class DBText : public QLabel
{
    Q_OBJECT
  public:
    explicit DBText(QWidget *parent = nullptr);

    void setDataSource(TDataSource *source) { m_link.setDataSource(source); }
    TDataSource *dataSource() const { return m_link.dataSource(); }
    void setDataField(const QString &name) { m_link.setDataField(name); }
    QString dataField() const { return m_link.dataField(); }
    TField *field() const { return m_link.field(); }
    // Shows the field's value again (after the window showed another text).
    void refresh() { m_link.refresh(); }

  private:
    FieldLink m_link;
};
