// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A drop-down list of the rows of a lookup dataset: it shows the list field
// of the row whose key equals the bound field and writes the chosen row's
// key into the bound field. Bound to a lookup field of the dataset it takes
// the lookup definition (dataset, key, result) from the field and writes the
// field's key field.
#include "fieldlink.h"

#include <QComboBox>
#include <QPointer>
#include <vector>

#include "data/value.h"

class DBLookupComboBox : public QComboBox
{
    Q_OBJECT
  public:
    explicit DBLookupComboBox(QWidget *parent = nullptr);

    void setDataSource(TDataSource *source) { m_link.setDataSource(source); }
    TDataSource *dataSource() const { return m_link.dataSource(); }
    // The key field of the bound dataset, or a lookup field of it.
    void setDataField(const QString &name) { m_link.setDataField(name); }
    QString dataField() const { return m_link.dataField(); }
    TField *field() const { return m_link.field(); }
    // The list: its dataset, its key field and the field shown.
    void setListSource(TDataSource *source);
    TDataSource *listSource() const { return m_listSource; }
    void setKeyField(const QString &name);
    QString keyField() const { return m_keyField; }
    void setListField(const QString &name);
    QString listField() const { return m_listField; }
    void setReadOnly(bool on) { m_readOnly = on; }
    bool isReadOnly() const { return m_readOnly; }

    void showPopup() override;

  private:
    // The list dataset and its fields as configured or as the lookup field defines them.
    struct List
    {
        TVexDaoTable *dataset = nullptr;
        TField *key = nullptr;
        TField *shown = nullptr;
    };
    List list() const;
    TField *targetField() const; // the field the chosen key is written into
    void followList(TVexDaoTable *dataset);
    void rebuild();
    void showField(TField *field);
    void chosen(int index);

    FieldLink m_link;
    QPointer<TDataSource> m_listSource;
    TDataSource *m_lookupSource = nullptr; // own source on a lookup field's dataset
    QString m_keyField, m_listField;
    std::vector<Value> m_keys;
    bool m_dirty = true;
    bool m_showing = false;
    bool m_readOnly = false;
};
