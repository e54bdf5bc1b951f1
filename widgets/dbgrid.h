// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A table of a dataset's rows. The grid's current row is the dataset's
// current row: choosing a row moves the dataset there, and moving the dataset
// selects its row. Cells are edited through the columns' fields unless the
// grid or the column is read-only. Fast on 100,000 rows: only the rows in
// view are ever read. Keys as users of such grids know them: Insert adds a
// row, Ctrl+Del deletes the current one after a question, Esc drops the
// row's changes; a new row nobody touched is dropped again when the grid
// loses the focus or another row is chosen.
#include "dbgridcolumn.h"

#include "data/tvexdaotable.h"

#include <QPointer>
#include <QTableView>
#include <functional>

class DBGridModel;
class DBGridDelegate;
class TField;

class DBGrid : public QTableView, public RecordUpdater
{
    Q_OBJECT
  public:
    explicit DBGrid(QWidget *parent = nullptr);
    ~DBGrid() override;

    void setDataSource(TDataSource *source);
    TDataSource *dataSource() const;

    // Columns: a window sets them all at once or adds them one by one; with
    // none the grid shows every visible field of the dataset.
    void setColumns(const QList<DBGridColumn> &columns);
    void addColumn(const DBGridColumn &column);
    void addColumn(const QString &fieldName, const QString &title = QString(), int width = 0);
    void clearColumns();
    QList<DBGridColumn> columns() const;
    // The field name of a column as shown.
    QString fieldNameAt(int column) const;

    // The column that takes the room the others leave (within min and max),
    // whenever the grid changes its size or reads its rows again.
    void setFillColumn(int column, int minWidth, int maxWidth = QWIDGETSIZE_MAX);

    // Whole-row selection instead of single cells.
    void setRowSelect(bool on);
    bool rowSelect() const;
    void setReadOnly(bool on);
    bool isReadOnly() const;

    DBGridModel *gridModel() const { return m_model; }

    // Text typed into a cell is written when the dataset posts or leaves the row.
    void updateRecord() override;
    // Writes the text of an open cell editor now; false (after the message,
    // with the focus back in the editor) when the field refuses it.
    bool writeEditor();
    // The open cell editor, if any.
    QWidget *cellEditor() const;
    // The open cell editor holds a text its field refused.
    bool cellRefused() const;

  Q_SIGNALS:
    // A click on a column title.
    void titleClicked(int column, const QString &fieldName);
    // A double click on a row, after the dataset moved to it.
    void recordDoubleClicked();

  protected:
    bool event(QEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

  private:
    void followDataSet(int row);
    // Runs the view's handling of a click or a key; a move of the dataset
    // refused meanwhile is told afterwards, with the current row marked.
    void handleInput(const std::function<void()> &handler);
    // A control of the window (or a cell of this grid) refused its value as
    // the click took the focus from it: the click must not act on the rows.
    bool focusRefused() const;
    void onFocusChanged(QWidget *old, QWidget *now);
    // Drops the current row when it is new and nobody touched it; returns
    // the index the row had, or -1 when there was none to drop.
    int dropUntouchedRow();
    void confirmDelete();
    void applyColumnWidths();
    void fitFillColumn();
    void updateEditTriggers();

    DBGridModel *m_model;
    DBGridDelegate *m_delegate;
    QPointer<TDataSource> m_source;
    bool m_syncing = false;
    bool m_inInput = false;
    QString m_refusal; // of a move refused while the view handled a click or a key
    int m_fillColumn = -1, m_fillMin = 0, m_fillMax = 0;
};
