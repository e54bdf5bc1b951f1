// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A combo box bound to a field, with a fixed pick list given by the window.
// Editable (setEditable(true)): the user may type any text, written when he
// leaves the control; otherwise a drop-down list whose chosen entry is
// written at once. A value that is not in the list shows as an empty choice.
#include "fieldlink.h"

#include <QComboBox>

class DBComboBox : public QComboBox
{
    Q_OBJECT
  public:
    explicit DBComboBox(QWidget *parent = nullptr);
    ~DBComboBox() override;

    void setDataSource(TDataSource *source) { m_link.setDataSource(source); }
    TDataSource *dataSource() const { return m_link.dataSource(); }
    void setDataField(const QString &name) { m_link.setDataField(name); }
    QString dataField() const { return m_link.dataField(); }
    TField *field() const { return m_link.field(); }
    // The pick list.
    void setItems(const QStringList &items);
    // A pick list whose entries show a caption each and write their value
    // ("J – jährlich" writes "J"); a drop-down list only.
    void setItems(const QStringList &values, const QStringList &captions);
    // The contract periods with their words: M, Q, H, J.
    static QStringList periodLetters();
    static QStringList periodCaptions();
    // The values of the pick list.
    QStringList items() const;
    // Hides QComboBox::setEditable: the pick list stays fixed either way.
    void setEditable(bool on);
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
    void chosen();

    FieldLink m_link;
    bool m_readOnly = false;
    bool m_showing = false;
};
