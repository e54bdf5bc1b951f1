// SPDX-License-Identifier: GPL-3.0-or-later
#include "dbgrid.h"

#include "dbgriddelegate.h"
#include "dbgridmodel.h"
#include "dialogescape.h"
#include "dialogs.h"
#include "pendingedits.h"

#include "base/apperror.h"
#include "data/tvexdaotable.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScopeGuard>
#include <QToolTip>
#include <utility>

namespace {

bool editingOrInserting(const TVexDaoTable *ds)
{
    return ds && (ds->State() == DataSetState::Edit || ds->State() == DataSetState::Insert);
}

} // namespace

DBGrid::DBGrid(QWidget *parent)
    : QTableView(parent), m_model(new DBGridModel(this)), m_delegate(new DBGridDelegate(m_model, this))
{
    setModel(m_model);
    setItemDelegate(m_delegate);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setAlternatingRowColors(false);
    setWordWrap(false);
    setSortingEnabled(false);
    // Fixed row heights keep scrolling over many rows independent of their contents.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->hide();
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { Q_EMIT titleClicked(column, fieldNameAt(column)); });
    connect(m_model, &DBGridModel::currentRowChanged, this, &DBGrid::followDataSet);
    connect(m_model, &QAbstractItemModel::modelReset, this, &DBGrid::applyColumnWidths);
    // A value cut in view makes its column as wide as it needs (after the
    // paint, so that the view lays out anew).
    connect(
        m_delegate, &DBGridDelegate::widthNeeded, this,
        [this](int column, int width) {
            if (column == m_fillColumn || column >= m_model->columnCount() || columnWidth(column) >= width)
                return;
            setColumnWidth(column, width);
            fitFillColumn();
        },
        Qt::QueuedConnection);
    connect(qApp, &QApplication::focusChanged, this, &DBGrid::onFocusChanged);
    updateEditTriggers();
}

DBGrid::~DBGrid()
{
    // The focus moves as the window is taken down; that is no leaving of the grid.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
    // Text typed into an open cell stays with the row the window leaves pending.
    m_delegate->flush();
    if (m_source) m_source->removeUpdater(this);
}

void DBGrid::setDataSource(TDataSource *source)
{
    if (m_source) {
        m_source->removeUpdater(this);
        disconnect(m_source, nullptr, this, nullptr);
    }
    m_source = source;
    if (m_source) {
        m_source->addUpdater(this);
        // After a cancel the typed text is gone from the row; so is its editor.
        connect(m_source, &TDataSource::stateChanged, this, [this] {
            if (!editingOrInserting(m_model->dataSet())) m_delegate->discardEditor();
        });
    }
    m_model->setDataSource(source);
}

void DBGrid::updateRecord()
{
    m_delegate->updateRecord();
}

bool DBGrid::writeEditor()
{
    return m_delegate->commitEditor();
}

QWidget *DBGrid::cellEditor() const
{
    return m_delegate->editor();
}

bool DBGrid::cellRefused() const
{
    return m_delegate->refused();
}

TDataSource *DBGrid::dataSource() const
{
    return m_model->dataSource();
}

void DBGrid::setColumns(const QList<DBGridColumn> &columns)
{
    m_model->setColumns(columns);
    followDataSet(m_model->dataSet() && m_model->dataSet()->Active() ? m_model->dataSet()->RecNo() : -1);
}

void DBGrid::addColumn(const DBGridColumn &column)
{
    QList<DBGridColumn> all = m_model->columns();
    all << column;
    setColumns(all);
}

void DBGrid::addColumn(const QString &fieldName, const QString &title, int width)
{
    DBGridColumn c;
    c.fieldName = fieldName;
    c.title = title;
    c.width = width;
    addColumn(c);
}

void DBGrid::clearColumns()
{
    setColumns({});
}

QList<DBGridColumn> DBGrid::columns() const
{
    return m_model->columns();
}

QString DBGrid::fieldNameAt(int column) const
{
    return m_model->columnAt(column).fieldName;
}

void DBGrid::setRowSelect(bool on)
{
    setSelectionBehavior(on ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
}

bool DBGrid::rowSelect() const
{
    return selectionBehavior() == QAbstractItemView::SelectRows;
}

void DBGrid::setReadOnly(bool on)
{
    m_model->setReadOnly(on);
    updateEditTriggers();
}

bool DBGrid::isReadOnly() const
{
    return m_model->isReadOnly();
}

void DBGrid::updateEditTriggers()
{
    setEditTriggers(m_model->isReadOnly()
                        ? QAbstractItemView::NoEditTriggers
                        : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                              QAbstractItemView::AnyKeyPressed);
}

void DBGrid::applyColumnWidths()
{
    for (int c = 0; c < m_model->columnCount(); ++c) {
        const int width = m_model->columnAt(c).width;
        if (width > 0) setColumnWidth(c, width);
    }
    fitFillColumn();
}

void DBGrid::setFillColumn(int column, int minWidth, int maxWidth)
{
    m_fillColumn = column;
    m_fillMin = minWidth;
    m_fillMax = qMax(minWidth, maxWidth);
    fitFillColumn();
}

void DBGrid::fitFillColumn()
{
    if (m_fillColumn < 0 || m_fillColumn >= m_model->columnCount()) return;
    int others = 0;
    for (int c = 0; c < m_model->columnCount(); ++c)
        if (c != m_fillColumn) others += columnWidth(c);
    setColumnWidth(m_fillColumn, qBound(m_fillMin, viewport()->width() - others, m_fillMax));
}

bool DBGrid::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::Resize) fitFillColumn();
    return QTableView::viewportEvent(event);
}

void DBGrid::followDataSet(int row)
{
    // An editor still open here belongs to a row the dataset has left or dropped.
    if (state() == QAbstractItemView::EditingState && currentIndex().row() != row)
        m_delegate->discardEditor();
    m_syncing = true;
    if (row < 0 || row >= m_model->rowCount()) {
        selectionModel()->clear();
    } else {
        const int column = qMax(currentIndex().column(), 0);
        const QModelIndex index = m_model->index(row, qMin(column, qMax(m_model->columnCount() - 1, 0)));
        if (index.isValid()) {
            const auto flags = QItemSelectionModel::ClearAndSelect |
                               (rowSelect() ? QItemSelectionModel::Rows : QItemSelectionModel::NoUpdate);
            selectionModel()->setCurrentIndex(index, flags);
            scrollTo(index);
        }
    }
    m_syncing = false;
}

void DBGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    // While rows come and go the view moves its current cell by itself; that
    // must not move the dataset, which is in the middle of the change.
    if (m_syncing || m_model->isReshaping() || !current.isValid() || !m_model->isFollowing()) return;
    TVexDaoTable *ds = m_model->dataSet();
    int row = current.row();
    if (row == ds->RecNo()) return;
    try {
        const int dropped = dropUntouchedRow();
        if (dropped >= 0 && row > dropped) --row;
        ds->MoveTo(row);
    } catch (const AppError &e) {
        // Inside a click or a key the view goes on marking the row it was
        // sent to: the refusal is told once the view is done with the event.
        if (m_inInput)
            m_refusal = e.message();
        else
            ShowErrorBox(e.message(), this);
    }
    // The dataset may have refused to leave its row, or dropped a new one.
    if (currentIndex().row() != ds->RecNo()) followDataSet(ds->RecNo());
}

int DBGrid::dropUntouchedRow()
{
    // A read-only grid is where rows are chosen, not typed: the new row is
    // filled in other controls then.
    TVexDaoTable *ds = m_model->dataSet();
    if (isReadOnly() || !m_model->isFollowing() || ds->State() != DataSetState::Insert || ds->Touched() ||
        m_delegate->editor())
        return -1;
    const int row = ds->RecNo();
    ds->Cancel();
    return row;
}

void DBGrid::onFocusChanged(QWidget *old, QWidget *now)
{
    // Leaving for another control of the same window; a message box or a
    // popup taking the focus for a moment is no leaving.
    if (!old || !now || now->window() != window()) return;
    const bool wasHere = old == this || isAncestorOf(old);
    const bool isHere = now == this || isAncestorOf(now);
    if (!wasHere || isHere) return;
    try {
        dropUntouchedRow();
    } catch (const AppError &e) {
        ShowErrorBox(e.message(), this);
    }
}

bool DBGrid::focusRefused() const
{
    // Asked of the controls, not of the focus: after a real message box no
    // window may be active yet, and the focus is nowhere.
    return (focusPolicy() & Qt::ClickFocus) && PendingEdits::refusedControl(PendingEdits::formOf(this));
}

bool DBGrid::event(QEvent *event)
{
    // Esc drops the row's changes before any Esc shortcut of the window acts.
    if (event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape &&
        static_cast<QKeyEvent *>(event)->modifiers() == Qt::NoModifier && m_model->isFollowing() &&
        !isReadOnly() && editingOrInserting(m_model->dataSet()) && !DialogEscape::claims(this)) {
        event->accept();
        return true;
    }
    return QTableView::event(event);
}

void DBGrid::keyPressEvent(QKeyEvent *event)
{
    TVexDaoTable *ds = m_model->dataSet();
    // A dialog's own Esc action wins over dropping the row's changes.
    if (event->key() == Qt::Key_Escape && DialogEscape::claims(this)) {
        event->ignore();
        return;
    }
    if (state() != QAbstractItemView::EditingState && m_model->isFollowing() && !isReadOnly()) {
        try {
            if (event->modifiers() == Qt::NoModifier && event->key() == Qt::Key_Escape &&
                editingOrInserting(ds)) {
                ds->Cancel();
                event->accept();
                return;
            }
            if (event->modifiers() == Qt::NoModifier && event->key() == Qt::Key_Insert) {
                ds->Insert();
                event->accept();
                return;
            }
            if (event->modifiers() == Qt::ControlModifier && event->key() == Qt::Key_Delete) {
                event->accept();
                confirmDelete();
                return;
            }
        } catch (const AppError &e) {
            ShowErrorBox(e.message(), this);
            event->accept();
            return;
        }
    }
    handleInput([&] { QTableView::keyPressEvent(event); });
}

void DBGrid::confirmDelete()
{
    TVexDaoTable *ds = m_model->dataSet();
    if (ds->IsEmpty()) return;
    if (Dialogs::instance().message(this, QStringLiteral("Bestätigung"), QStringLiteral("Datensatz löschen?"),
                                    Dialogs::Question, Dialogs::Yes | Dialogs::No,
                                    Dialogs::No) != Dialogs::Yes)
        return;
    ds->Delete();
}

void DBGrid::mousePressEvent(QMouseEvent *event)
{
    if (focusRefused()) {
        // The row stays where it is, and the user sees why (the message was
        // said once already): the refused value takes the focus with a hint.
        event->accept();
        if (QWidget *control = PendingEdits::refusedControl(PendingEdits::formOf(this))) {
            control->setFocus(Qt::OtherFocusReason);
            QToolTip::showText(
                control->mapToGlobal(QPoint(0, control->height())),
                QStringLiteral("Erst diesen Wert korrigieren; bis dahin bleibt die Zeile, wo sie ist."),
                control);
        }
        return;
    }
    handleInput([&] { QTableView::mousePressEvent(event); });
}

void DBGrid::handleInput(const std::function<void()> &handler)
{
    const bool outer = !m_inInput;
    m_inInput = true;
    auto done = qScopeGuard([&] {
        if (outer) m_inInput = false;
    });
    handler();
    if (!outer || m_refusal.isEmpty()) return;
    m_inInput = false;
    const QString message = std::exchange(m_refusal, QString());
    // The row marked is the dataset's current row, and the keys go to the
    // grid again once the message is read.
    TVexDaoTable *ds = m_model->dataSet();
    setState(QAbstractItemView::NoState);
    if (ds && ds->Active()) followDataSet(ds->RecNo());
    ShowErrorBox(message, this);
    if (ds && ds->Active()) followDataSet(ds->RecNo());
    setFocus(Qt::OtherFocusReason);
}

void DBGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (focusRefused()) {
        event->accept();
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && m_model->isFollowing() && m_model->dataSet()->RecNo() == index.row())
        Q_EMIT recordDoubleClicked();
}
