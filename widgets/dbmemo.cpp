// SPDX-License-Identifier: GPL-3.0-or-later
#include "dbmemo.h"

#include "data/tfield.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QTextCursor>

namespace {

// Stored memos count a line break as two characters ("\r\n").
int storedLength(const QString &text)
{
    return int(text.size() + text.count(QLatin1Char('\n')));
}

} // namespace

DBMemo::DBMemo(QWidget *parent) : QPlainTextEdit(parent), m_link(this)
{
    m_link.show = [this](TField *f) { showField(f); };
    m_link.write = [this](TField &f) {
        // Stored memos keep the line breaks of the Windows program.
        QString t = toPlainText();
        t.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        f.SetAsString(t);
    };
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (m_showing) return;
        if (!m_link.beginChange()) {
            m_link.reset();
            return;
        }
        keepWithinLimit();
    });
    showField(nullptr);
}

DBMemo::~DBMemo()
{
    m_link.flush();
}

void DBMemo::keepWithinLimit()
{
    const int limit = m_link.maxLength();
    if (limit <= 0) return;
    const int excess = storedLength(toPlainText()) - limit;
    if (excess <= 0) return;
    // The excess is what was just typed or pasted: the text before the cursor.
    m_showing = true;
    QTextCursor c = textCursor();
    const int end = c.position();
    c.setPosition(qMax(0, end - excess));
    c.setPosition(end, QTextCursor::KeepAnchor);
    c.removeSelectedText();
    // Line breaks count twice, and an excess not before the cursor goes from the end.
    while (storedLength(toPlainText()) > limit) {
        if (c.atStart()) c.movePosition(QTextCursor::End);
        c.deletePreviousChar();
    }
    setTextCursor(c);
    m_showing = false;
}

bool DBMemo::event(QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride && m_link.wantsKey(static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return QPlainTextEdit::event(event);
}

void DBMemo::setReadOnly(bool on)
{
    m_readOnly = on;
    m_link.refresh();
}

void DBMemo::showField(TField *)
{
    QPlainTextEdit::setReadOnly(m_readOnly || !m_link.canModify());
    QString shown = m_link.text(true);
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (shown == toPlainText()) return;
    m_showing = true;
    setPlainText(shown);
    m_showing = false;
}

void DBMemo::focusInEvent(QFocusEvent *event)
{
    m_link.focusEntered();
    QPlainTextEdit::focusInEvent(event);
}

void DBMemo::focusOutEvent(QFocusEvent *event)
{
    QPlainTextEdit::focusOutEvent(event);
    m_link.focusLeft(event->reason());
}

void DBMemo::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && m_link.escapeKey(event)) return;
    QPlainTextEdit::keyPressEvent(event);
}
