// SPDX-License-Identifier: GPL-3.0-or-later
#include "dbcombobox.h"

#include "data/tfield.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

DBComboBox::DBComboBox(QWidget *parent) : QComboBox(parent), m_link(this)
{
    setInsertPolicy(QComboBox::NoInsert);
    m_link.show = [this](TField *f) { showField(f); };
    m_link.write = [this](TField &f) {
        f.SetAsString(!isEditable() && currentData().isValid() ? currentData().toString() : currentText());
    };
    connect(this, &QComboBox::editTextChanged, this, [this] {
        if (m_showing) return;
        if (m_readOnly || !m_link.beginChange()) m_link.reset();
    });
    connect(this, &QComboBox::activated, this, [this] { chosen(); });
    showField(nullptr);
}

DBComboBox::~DBComboBox()
{
    m_link.flush();
}

void DBComboBox::setItems(const QStringList &list)
{
    m_showing = true;
    clear();
    addItems(list);
    m_showing = false;
    m_link.refresh();
}

QStringList DBComboBox::periodLetters()
{
    return {QStringLiteral("M"), QStringLiteral("Q"), QStringLiteral("H"), QStringLiteral("J")};
}

QStringList DBComboBox::periodCaptions()
{
    return {QStringLiteral("M – monatlich"), QStringLiteral("Q – vierteljährlich"),
            QStringLiteral("H – halbjährlich"), QStringLiteral("J – jährlich")};
}

void DBComboBox::setItems(const QStringList &values, const QStringList &captions)
{
    m_showing = true;
    clear();
    for (qsizetype i = 0; i < values.size(); ++i)
        addItem(i < captions.size() ? captions.at(i) : values.at(i), values.at(i));
    m_showing = false;
    m_link.refresh();
}

QStringList DBComboBox::items() const
{
    QStringList out;
    for (int i = 0; i < count(); ++i)
        out << (itemData(i).isValid() ? itemData(i).toString() : itemText(i));
    return out;
}

void DBComboBox::setEditable(bool on)
{
    m_showing = true;
    QComboBox::setEditable(on);
    setInsertPolicy(QComboBox::NoInsert);
    // Typed text means what was typed: "1" must not become the item "10".
    if (on) setCompleter(nullptr);
    m_showing = false;
    m_link.refresh();
}

void DBComboBox::setReadOnly(bool on)
{
    m_readOnly = on;
    m_link.refresh();
}

void DBComboBox::chosen()
{
    if (m_showing) return;
    if (m_readOnly || !m_link.beginChange()) {
        m_link.reset();
        return;
    }
    m_link.commit();
}

void DBComboBox::showField(TField *)
{
    const bool editable = isEditable();
    if (editable) lineEdit()->setReadOnly(m_readOnly || !m_link.canModify());
    const QString shown = m_link.text(editable && hasFocus() && m_link.canModify());
    m_showing = true;
    if (editable) {
        // As in DBEdit: typing stops at the field's size.
        const int limit = m_link.maxLength();
        lineEdit()->setMaxLength(limit > 0 ? qMax(limit, int(shown.size())) : 32767);
        if (currentText() != shown) setEditText(shown);
    } else {
        const int byValue = findData(shown, Qt::UserRole, Qt::MatchFixedString);
        setCurrentIndex(byValue >= 0 ? byValue : findText(shown, Qt::MatchFixedString));
    }
    m_showing = false;
}

bool DBComboBox::event(QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride && m_link.wantsKey(static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return QComboBox::event(event);
}

void DBComboBox::focusInEvent(QFocusEvent *event)
{
    m_link.focusEntered();
    QComboBox::focusInEvent(event);
}

void DBComboBox::focusOutEvent(QFocusEvent *event)
{
    QComboBox::focusOutEvent(event);
    m_link.focusLeft(event->reason());
}

void DBComboBox::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        if (m_link.escapeKey(event)) return;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!m_link.commit()) {
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QComboBox::keyPressEvent(event);
}
