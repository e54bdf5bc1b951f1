// SPDX-License-Identifier: GPL-3.0-or-later
#include "fieldlink.h"

#include "dialogescape.h"
#include "dialogs.h"

#include "base/apperror.h"
#include "data/tfield.h"
#include "data/tvexdaotable.h"

#include <QKeyEvent>
#include <QScopeGuard>
#include <QWidget>

FieldLink::FieldLink(QWidget *control) : QObject(control), m_control(control) {}

FieldLink::~FieldLink()
{
    if (m_source) m_source->removeUpdater(this);
}

void FieldLink::setDataSource(TDataSource *source)
{
    if (m_source == source) return;
    if (m_source) {
        m_source->removeUpdater(this);
        disconnect(m_source, nullptr, this, nullptr);
    }
    m_source = source;
    m_modified = false;
    if (m_source) {
        m_source->addUpdater(this);
        connect(m_source, &TDataSource::dataSetChanged, this, &FieldLink::onDataSetChanged);
        connect(m_source, &TDataSource::currentChanged, this, &FieldLink::onCurrentChanged);
        connect(m_source, &TDataSource::recordChanged, this, &FieldLink::onRecordChanged);
        connect(m_source, &TDataSource::stateChanged, this, &FieldLink::onStateChanged);
        connect(m_source, &QObject::destroyed, this, [this] {
            m_modified = false;
            doShow();
        });
    }
    refresh();
}

void FieldLink::setDataField(const QString &name)
{
    m_fieldName = name;
    m_modified = false;
    refresh();
}

TVexDaoTable *FieldLink::dataSet() const
{
    return m_source ? m_source->DataSet() : nullptr;
}

TField *FieldLink::field() const
{
    TVexDaoTable *ds = dataSet();
    if (!ds || !ds->Active() || m_fieldName.isEmpty()) return nullptr;
    return ds->FindField(m_fieldName);
}

bool FieldLink::canModify() const
{
    const TField *f = field();
    return f && !f->ReadOnly && f->Kind() != FieldKind::Calculated && f->DataType() != FieldType::Counter;
}

bool FieldLink::editing() const
{
    const TVexDaoTable *ds = dataSet();
    return ds && (ds->State() == DataSetState::Edit || ds->State() == DataSetState::Insert);
}

bool FieldLink::following() const
{
    const TVexDaoTable *ds = dataSet();
    return !ds || !ds->ControlsDisabled();
}

QString FieldLink::text(bool forEdit) const
{
    const TField *f = field();
    if (!f) return QString();
    return forEdit ? f->EditText() : f->DisplayText();
}

bool FieldLink::beginChange()
{
    m_refused = false; // a new text, not yet judged
    if (m_modified) return true;
    if (!canModify()) return false;
    if (!editing()) {
        // Edit() re-reads the row (and inserts on an empty dataset); the
        // signals it sends must not overwrite what the user just typed.
        try {
            m_quiet = true;
            auto restore = qScopeGuard([this] { m_quiet = false; });
            dataSet()->Edit();
        } catch (const AppError &e) {
            ShowErrorBox(e.message(), m_control);
            doShow();
            return false;
        }
    }
    m_modified = true;
    return true;
}

void FieldLink::updateRecord()
{
    if (!m_modified) return;
    TField *f = field();
    if (!f || !write || !editing()) {
        m_modified = false;
        return;
    }
    {
        m_quiet = true;
        auto restore = qScopeGuard([this] { m_quiet = false; });
        try {
            write(*f); // a failure leaves the change pending
        } catch (const AppError &) {
            m_refused = true; // said by whoever asked for the write
            throw;
        }
    }
    m_modified = false;
    refresh();
}

bool FieldLink::commit()
{
    if (!m_modified || m_committing) return !m_modified;
    m_committing = true;
    auto restore = qScopeGuard([this] { m_committing = false; });
    try {
        updateRecord();
        return true;
    } catch (const AppError &e) {
        m_refused = true;
        ShowErrorBox(e.message(), m_control);
        return false;
    }
}

void FieldLink::reset()
{
    m_modified = false;
    refresh();
}

void FieldLink::refresh()
{
    if (following()) doShow();
}

void FieldLink::doShow()
{
    if (!show) return;
    try {
        show(field());
    } catch (const AppError &e) {
        // A calculated field's handler may fail while the row is shown.
        ShowErrorBox(e.message(), m_control);
    }
}

void FieldLink::focusEntered()
{
    if (!m_modified) refresh();
}

void FieldLink::focusLeft(Qt::FocusReason reason)
{
    // A message box or a popup taking the focus is no leaving of the control.
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return;
    if (!commit()) {
        // A control going out of sight with its page cannot take the focus
        // back: the text waits in it for the save or the window's closing.
        if (m_control->isVisible()) m_control->setFocus(Qt::OtherFocusReason);
        return;
    }
    refresh();
}

bool FieldLink::escape()
{
    if (!m_modified) return false;
    reset();
    return true;
}

bool FieldLink::escapeKey(QKeyEvent *event)
{
    if (DialogEscape::claims(m_control)) {
        event->ignore();
        return true;
    }
    if (!escape()) return false;
    event->accept();
    return true;
}

bool FieldLink::wantsKey(QKeyEvent *event) const
{
    return event->key() == Qt::Key_Escape && m_modified && !DialogEscape::claims(m_control);
}

void FieldLink::flush()
{
    if (!m_modified) return;
    try {
        updateRecord();
    } catch (const AppError &) {
        // Refused: the field keeps its value, as it would after Escape.
    }
    m_modified = false;
}

int FieldLink::maxLength() const
{
    const TField *f = field();
    return f && f->DataType() == FieldType::Text && f->Kind() == FieldKind::Data && f->Size() > 0 ? f->Size()
                                                                                                  : 0;
}

void FieldLink::onDataSetChanged()
{
    if (!editing()) m_modified = false;
    if (!m_modified && !m_quiet) refresh();
}

void FieldLink::onCurrentChanged()
{
    if (m_quiet) return;
    m_modified = false;
    refresh();
}

void FieldLink::onRecordChanged(TField *changed)
{
    if (m_quiet) return;
    TField *f = field();
    // Calculated and lookup fields change with any field of the row.
    if (changed && changed != f && !(f && f->Kind() != FieldKind::Data)) return;
    // The program wrote this field itself: its value replaces the typed one.
    if (changed == f && f) m_modified = false;
    if (!m_modified) refresh();
}

void FieldLink::onStateChanged()
{
    if (m_quiet) return;
    if (!editing()) m_modified = false;
    if (!m_modified) refresh();
}
