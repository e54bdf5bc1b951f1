// SPDX-License-Identifier: GPL-3.0-or-later
#include "dbedit.h"

#include "data/tfield.h"

#include <QFocusEvent>
#include <QKeyEvent>

DBEdit::DBEdit(QWidget *parent) : QLineEdit(parent), m_link(this)
{
    m_link.show = [this](TField *f) { showField(f); };
    m_link.write = [this](TField &f) { f.SetAsString(text()); };
    // A text longer than the box shows its beginning: a new text leaves the
    // cursor, and so the view, at its end.
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!hasFocus()) setCursorPosition(0);
    });
    connect(this, &QLineEdit::textEdited, this, [this] {
        if (!m_link.beginChange()) m_link.reset();
    });
    showField(nullptr);
}

DBEdit::~DBEdit()
{
    m_link.flush();
}

void DBEdit::setReadOnly(bool on)
{
    m_readOnly = on;
    m_link.refresh();
}

void DBEdit::showField(TField *)
{
    QLineEdit::setReadOnly(m_readOnly || !m_link.canModify());
    const QString shown = m_link.text(hasFocus() && m_link.canModify());
    // The field's size limits typing, so that nothing is cut off silently; a
    // longer text stored by other means is still shown whole.
    const int limit = m_link.maxLength();
    setMaxLength(limit > 0 ? qMax(limit, int(shown.size())) : 32767);
    if (shown != text()) setText(shown);
}

bool DBEdit::event(QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride && m_link.wantsKey(static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void DBEdit::focusInEvent(QFocusEvent *event)
{
    m_link.focusEntered();
    QLineEdit::focusInEvent(event);
}

void DBEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    m_link.focusLeft(event->reason());
}

void DBEdit::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        if (m_link.escapeKey(event)) {
            if (event->isAccepted()) selectAll();
            return;
        }
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!m_link.commit()) {
            event->accept(); // a dialog's default button must not act on a rejected value
            return;
        }
        break;
    default:
        break;
    }
    QLineEdit::keyPressEvent(event);
}
