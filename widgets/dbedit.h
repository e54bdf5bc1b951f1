// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A one-line edit bound to a field: shows its display text, and its edit
// text (decimal comma, dd.mm.yyyy, no grouping) while it has the focus.
#include "fieldlink.h"

#include <QLineEdit>

class DBEdit : public QLineEdit
{
    Q_OBJECT
  public:
    explicit DBEdit(QWidget *parent = nullptr);
    ~DBEdit() override;

    void setDataSource(TDataSource *source) { m_link.setDataSource(source); }
    TDataSource *dataSource() const { return m_link.dataSource(); }
    void setDataField(const QString &name) { m_link.setDataField(name); }
    QString dataField() const { return m_link.dataField(); }
    TField *field() const { return m_link.field(); }
    // The control's own read-only wish; it is read-only as well whenever the
    // field cannot be changed. (Hides QLineEdit::setReadOnly.)
    void setReadOnly(bool on);
    bool isReadOnly() const { return m_readOnly; }
    // A change typed but not yet written into the field.
    bool isModified() const { return m_link.modified(); }

  protected:
    bool event(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

  private:
    void showField(TField *field);

    FieldLink m_link;
    bool m_readOnly = false;
};
