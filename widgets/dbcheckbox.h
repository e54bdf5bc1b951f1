// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A check box bound to a yes/no field. A click writes the field at once.
#include "fieldlink.h"

#include <QCheckBox>

class DBCheckBox : public QCheckBox
{
    Q_OBJECT
  public:
    explicit DBCheckBox(const QString &text = QString(), QWidget *parent = nullptr);

    void setDataSource(TDataSource *source) { m_link.setDataSource(source); }
    TDataSource *dataSource() const { return m_link.dataSource(); }
    void setDataField(const QString &name) { m_link.setDataField(name); }
    QString dataField() const { return m_link.dataField(); }
    TField *field() const { return m_link.field(); }
    void setReadOnly(bool on) { m_readOnly = on; }
    bool isReadOnly() const { return m_readOnly; }

  protected:
    void nextCheckState() override;

  private:
    FieldLink m_link;
    bool m_readOnly = false;
};
