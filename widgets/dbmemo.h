#pragma once
// A multi-line text bound to a memo (or text) field.
#include "fieldlink.h"

#include <QPlainTextEdit>

class DBMemo : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit DBMemo(QWidget *parent = nullptr);

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
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void showField(TField *field);

    FieldLink m_link;
    bool m_readOnly = false;
    bool m_showing = false;
};
