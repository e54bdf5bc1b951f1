#include "dbmemo.h"

#include "data/tfield.h"

#include <QFocusEvent>
#include <QKeyEvent>

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
        if (m_showing)
            return;
        if (!m_link.beginChange())
            m_link.reset();
    });
    showField(nullptr);
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
    if (shown == toPlainText())
        return;
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
    if (event->key() == Qt::Key_Escape && m_link.escape()) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}
