// SPDX-License-Identifier: GPL-3.0-or-later
#include "dbgriddelegate.h"

#include "dbgridmodel.h"
#include "dialogescape.h"
#include "dialogs.h"

#include "base/apperror.h"
#include "data/tfield.h"
#include "data/tvexdaotable.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

const char *const kIndexProperty = "tavirelCell";
const char *const kTouchedProperty = "tavirelTouched";
const char *const kRefusedProperty = "tavirelRefused";

QPersistentModelIndex indexOf(const QWidget *editor)
{
    return editor->property(kIndexProperty).value<QPersistentModelIndex>();
}

} // namespace

DBGridDelegate::DBGridDelegate(DBGridModel *model, QObject *parent)
    : QStyledItemDelegate(parent), m_model(model)
{}

void DBGridDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                           const QModelIndex &index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    // Amounts (drawn right-aligned) and codes that ask for it.
    const bool amount = index.data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight;
    if (!amount && !m_model->columnAt(index.column()).wholeValues) return;
    const QString text = index.data(Qt::DisplayRole).toString();
    // The style's margins beside the text, on both sides, and a little room.
    const int needed = option.fontMetrics.horizontalAdvance(text) + 12;
    if (needed > option.rect.width()) Q_EMIT widthNeeded(index.column(), needed);
}

QWidget *DBGridDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                      const QModelIndex &index) const
{
    const DBGridColumn column = m_model->columnAt(index.column());
    QWidget *editor;
    QLineEdit *line;
    if (!column.pickList.isEmpty()) {
        auto *combo = new QComboBox(parent);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setCompleter(nullptr); // typed text means what was typed
        combo->addItems(column.pickList);
        line = combo->lineEdit();
        editor = combo;
        connect(combo, &QComboBox::activated, this, [this, combo] {
            if (!combo->property(kTouchedProperty).toBool()) {
                combo->setProperty(kTouchedProperty, true);
                try {
                    m_model->beginEdit(indexOf(combo));
                } catch (const AppError &e) {
                    ShowErrorBox(e.message(), combo);
                }
            }
        });
    } else {
        line = new QLineEdit(parent);
        editor = line;
    }
    line->setFrame(false);
    m_editor = editor;
    editor->setProperty(kIndexProperty, QVariant::fromValue(QPersistentModelIndex(index)));
    connect(line, &QLineEdit::textEdited, this, [this, editor] {
        editor->setProperty(kRefusedProperty, false);
        if (editor->property(kTouchedProperty).toBool()) return;
        editor->setProperty(kTouchedProperty, true);
        try {
            m_model->beginEdit(indexOf(editor));
        } catch (const AppError &e) {
            ShowErrorBox(e.message(), editor);
        }
    });
    return editor;
}

QString DBGridDelegate::textOf(const QWidget *editor)
{
    if (const auto *combo = qobject_cast<const QComboBox *>(editor)) return combo->currentText();
    if (const auto *line = qobject_cast<const QLineEdit *>(editor)) return line->text();
    return QString();
}

void DBGridDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    // A refresh of the row must not overwrite what the user is typing.
    if (editor->property(kTouchedProperty).toBool()) return;
    const QString text = index.data(Qt::EditRole).toString();
    auto *combo = qobject_cast<QComboBox *>(editor);
    auto *line = combo ? combo->lineEdit() : qobject_cast<QLineEdit *>(editor);
    if (!line) return;
    // Typing stops at a text field's size, so that nothing is cut off
    // silently; a longer text stored by other means is still shown whole.
    const TField *f = m_model->fieldAt(index.column());
    const bool sized = f && f->DataType() == FieldType::Text && f->Kind() == FieldKind::Data && f->Size() > 0;
    line->setMaxLength(sized ? qMax(f->Size(), int(text.size())) : 32767);
    if (combo)
        combo->setEditText(text);
    else
        line->setText(text);
    // Typing replaces the cell's text, in a pick list as in any other cell.
    line->selectAll();
}

void DBGridDelegate::destroyEditor(QWidget *editor, const QModelIndex &index) const
{
    if (m_editor == editor) m_editor = nullptr;
    QStyledItemDelegate::destroyEditor(editor, index);
}

bool DBGridDelegate::write(QWidget *editor) const
{
    if (!editor->property(kTouchedProperty).toBool()) return true; // nothing typed: nothing to write
    const QPersistentModelIndex index = indexOf(editor);
    if (!index.isValid()) return true;
    try {
        m_model->writeCell(index, textOf(editor));
    } catch (const AppError &e) {
        editor->setProperty(kRefusedProperty, true);
        ShowErrorBox(e.message(), editor);
        return false;
    }
    editor->setProperty(kTouchedProperty, false);
    return true;
}

bool DBGridDelegate::refused() const
{
    const QWidget *editor = m_editor;
    return editor && editor->property(kTouchedProperty).toBool() &&
           editor->property(kRefusedProperty).toBool();
}

bool DBGridDelegate::commitEditor()
{
    QWidget *editor = m_editor;
    if (!editor || write(editor)) return true;
    editor->setFocus(Qt::OtherFocusReason);
    return false;
}

void DBGridDelegate::flush()
{
    try {
        updateRecord();
    } catch (const AppError &) {
        // Refused: the field keeps its value, as after Escape.
    }
}

void DBGridDelegate::updateRecord()
{
    QWidget *editor = m_editor;
    if (!editor || !editor->property(kTouchedProperty).toBool()) return;
    const QPersistentModelIndex index = indexOf(editor);
    const TVexDaoTable *ds = m_model->dataSet();
    if (!index.isValid() || !ds || index.row() != ds->RecNo()) return;
    m_model->writeCell(index, textOf(editor));
    editor->setProperty(kTouchedProperty, false);
}

void DBGridDelegate::discardEditor()
{
    QWidget *editor = m_editor;
    if (!editor) return;
    editor->setProperty(kTouchedProperty, false);
    Q_EMIT closeEditor(editor, RevertModelCache);
}

void DBGridDelegate::setModelData(QWidget *editor, QAbstractItemModel *, const QModelIndex &) const
{
    // The view commits this way when the user clicks another cell.
    write(editor);
}

bool DBGridDelegate::eventFilter(QObject *object, QEvent *event)
{
    auto *editor = qobject_cast<QWidget *>(object);
    if (!editor) return QStyledItemDelegate::eventFilter(object, event);
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        QAbstractItemDelegate::EndEditHint hint;
        switch (key->key()) {
        case Qt::Key_Escape:
            // A dialog's own Esc action wins over the revert of the cell.
            if (DialogEscape::claims(editor)) return false;
            return QStyledItemDelegate::eventFilter(object, event);
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            // These leave the row through the view (a pick list keeps them for
            // its choices): a refused text holds the row.
            if (qobject_cast<QComboBox *>(editor)) return QStyledItemDelegate::eventFilter(object, event);
            return !write(editor);
        case Qt::Key_Tab:
            hint = EditNextItem;
            break;
        case Qt::Key_Backtab:
            hint = EditPreviousItem;
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            hint = NoHint;
            break;
        default:
            return QStyledItemDelegate::eventFilter(object, event);
        }
        if (write(editor)) Q_EMIT closeEditor(editor, hint);
        return true;
    }
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return false;
        // Focus moving within the editor (a combo box's own parts) is no leaving.
        for (QWidget *w = QApplication::focusWidget(); w; w = w->parentWidget())
            if (w == editor) return false;
        if (!write(editor)) {
            // Going out of sight with the grid's page: as with DBEdit, the
            // text waits in the open editor.
            if (editor->isVisible()) editor->setFocus(Qt::OtherFocusReason);
            return true;
        }
        Q_EMIT closeEditor(editor, NoHint);
        return false;
    }
    return QStyledItemDelegate::eventFilter(object, event);
}
