// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The cell editor of a DBGrid: a line edit, or an editable combo box for a
// column with a pick list. Typing puts the row into edit state; Enter, Tab,
// the arrow keys that leave the row and leaving the cell write the text
// through the field's SetAsString. A text the field does not take shows the
// layer's message once, and the editor stays open with the text so that the
// user can correct it.
#include <QPersistentModelIndex>
#include <QPointer>
#include <QStyledItemDelegate>

class DBGridModel;

class DBGridDelegate : public QStyledItemDelegate
{
    Q_OBJECT
  public:
    explicit DBGridDelegate(DBGridModel *model, QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    void destroyEditor(QWidget *editor, const QModelIndex &index) const override;

    // A cell whose value must be seen whole: one the column cuts asks for
    // the width it needs (once drawn, through widthNeeded).
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

    // The open editor, if any.
    QWidget *editor() const { return m_editor; }
    // The open editor holds a text its field refused, unchanged since.
    bool refused() const;
    // Writes the text typed into the open editor; false (after the message,
    // with the focus back in the editor) when the field refuses it.
    bool commitEditor();
    // The dataset posts or leaves the row: text typed into the open editor of
    // its current row is written now (throws AppError when the field refuses it).
    void updateRecord();
    // The grid goes away: the typed text is written where the field takes it.
    void flush();
    // Closes the open editor without writing (the row it belongs to is gone).
    void discardEditor();

  Q_SIGNALS:
    void widthNeeded(int column, int width) const;

  protected:
    bool eventFilter(QObject *object, QEvent *event) override;

  private:
    // Writes the editor's text; false (after showing the message) when the field refuses it.
    bool write(QWidget *editor) const;
    static QString textOf(const QWidget *editor);

    DBGridModel *m_model;
    mutable QPointer<QWidget> m_editor; // the open editor
};
