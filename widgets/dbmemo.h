// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A multi-line text bound to a memo (or text) field.
#include "fieldlink.h"

#include <QPlainTextEdit>

class DBMemo : public QPlainTextEdit
{
    Q_OBJECT
  public:
    explicit DBMemo(QWidget *parent = nullptr);
    ~DBMemo() override;

    void setDataSource(TDataSource *source) { m_link.setDataSource(source); }
    TDataSource *dataSource() const { return m_link.dataSource(); }
    void setDataField(const QString &name) { m_link.setDataField(name); }
    QString dataField() const { return m_link.dataField(); }
    TField *field() const { return m_link.field(); }
    // Hides QPlainTextEdit::setReadOnly, see DBEdit.
    void setReadOnly(bool on);
    bool isReadOnly() const { return m_readOnly; }
    bool isModified() const { return m_link.modified(); }

  protected:
    bool event(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

  private:
    void showField(TField *field);
    // Takes back what was typed or pasted beyond the size of a text field.
    void keepWithinLimit();

    FieldLink m_link;
    bool m_readOnly = false;
    bool m_showing = false;
};
