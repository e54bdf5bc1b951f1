// SPDX-License-Identifier: GPL-3.0-or-later
#include "dblookupcombobox.h"

#include "dialogs.h"

#include "base/apperror.h"
#include "data/textcompare.h"
#include "data/tfield.h"
#include "data/tvexdaotable.h"

namespace {

bool sameKey(const Value &a, const Value &b)
{
    if (a.isNull() || b.isNull()) return false;
    if (a.kind() == Value::Text && b.kind() == Value::Text)
        return TextCompare::equals(a.rawText(), b.rawText());
    if (a.kind() == Value::Text || b.kind() == Value::Text) return false;
    return a == b || a.toDouble() == b.toDouble();
}

} // namespace

DBLookupComboBox::DBLookupComboBox(QWidget *parent) : QComboBox(parent), m_link(this)
{
    setEditable(false);
    m_link.show = [this](TField *f) { showField(f); };
    m_link.write = [this](TField &) {
        const int i = currentIndex();
        TField *target = targetField();
        if (!target) return;
        if (i < 0 || i >= int(m_keys.size()))
            target->Clear();
        else
            target->setValue(m_keys[size_t(i)]);
    };
    connect(this, &QComboBox::activated, this, &DBLookupComboBox::chosen);
}

void DBLookupComboBox::setListSource(TDataSource *source)
{
    if (m_listSource == source) return;
    if (m_listSource) disconnect(m_listSource, nullptr, this, nullptr);
    m_listSource = source;
    if (m_listSource) {
        auto changed = [this] {
            m_dirty = true;
            m_link.refresh();
        };
        connect(m_listSource, &TDataSource::dataSetChanged, this, changed);
        connect(m_listSource, &TDataSource::recordChanged, this, changed);
        connect(m_listSource, &TDataSource::rowInserted, this, changed);
        connect(m_listSource, &TDataSource::rowRemoved, this, changed);
    }
    m_dirty = true;
    m_link.refresh();
}

void DBLookupComboBox::setKeyField(const QString &name)
{
    m_keyField = name;
    m_dirty = true;
    m_link.refresh();
}

void DBLookupComboBox::setListField(const QString &name)
{
    m_listField = name;
    m_dirty = true;
    m_link.refresh();
}

DBLookupComboBox::List DBLookupComboBox::list() const
{
    List l;
    const TField *f = m_link.field();
    QString key = m_keyField, shown = m_listField;
    if (m_listSource) {
        l.dataset = m_listSource->DataSet();
    } else if (f && f->Kind() == FieldKind::Lookup) {
        l.dataset = f->LookupDataSet;
        key = f->LookupKeyFields;
        shown = f->LookupResultField;
    }
    if (!l.dataset || !l.dataset->Active()) return List();
    l.key = l.dataset->FindField(key);
    l.shown = l.dataset->FindField(shown.isEmpty() ? key : shown);
    if (!l.key || !l.shown) return List();
    return l;
}

TField *DBLookupComboBox::targetField() const
{
    TField *f = m_link.field();
    if (f && f->Kind() == FieldKind::Lookup) return f->DataSet()->FindField(f->KeyFields);
    return f;
}

void DBLookupComboBox::followList(TVexDaoTable *dataset)
{
    // A lookup field names only its dataset; an own source tells of its changes.
    if (m_listSource) return;
    if (m_lookupSource && m_lookupSource->DataSet() == dataset) return;
    delete m_lookupSource;
    m_lookupSource = nullptr;
    if (!dataset) return;
    m_lookupSource = new TDataSource(this, dataset);
    auto changed = [this] {
        m_dirty = true;
        m_link.refresh();
    };
    connect(m_lookupSource, &TDataSource::dataSetChanged, this, changed);
    connect(m_lookupSource, &TDataSource::recordChanged, this, changed);
    connect(m_lookupSource, &TDataSource::rowInserted, this, changed);
    connect(m_lookupSource, &TDataSource::rowRemoved, this, changed);
    m_dirty = true;
}

void DBLookupComboBox::rebuild()
{
    const List l = list();
    if (l.dataset && l.dataset->ControlsDisabled())
        return; // the list dataset is busy; keep the entries until it is done
    m_showing = true;
    clear();
    m_keys.clear();
    if (l.dataset) {
        const int n = l.dataset->RowCount();
        m_keys.reserve(size_t(n));
        QStringList texts;
        texts.reserve(n);
        for (int i = 0; i < n; ++i) {
            m_keys.push_back(l.key->valueAt(i));
            texts << l.shown->DisplayTextAt(i);
        }
        addItems(texts);
    }
    m_showing = false;
    m_dirty = false;
}

void DBLookupComboBox::showField(TField *f)
{
    followList(f && f->Kind() == FieldKind::Lookup ? f->LookupDataSet : nullptr);
    if (m_dirty) rebuild();
    const TField *target = targetField();
    int index = -1;
    if (target) {
        const Value key = target->value();
        for (size_t i = 0; i < m_keys.size(); ++i)
            if (sameKey(m_keys[i], key)) {
                index = int(i);
                break;
            }
    }
    m_showing = true;
    setCurrentIndex(index);
    m_showing = false;
}

void DBLookupComboBox::showPopup()
{
    try {
        if (m_dirty) rebuild();
    } catch (const AppError &e) {
        m_showing = false;
        ShowErrorBox(e.message(), this); // a calculated list field may fail
        return;
    }
    QComboBox::showPopup();
}

void DBLookupComboBox::chosen(int)
{
    if (m_showing) return;
    TField *target = targetField();
    const bool writable = target && !target->ReadOnly && target->DataType() != FieldType::Counter;
    if (m_readOnly || !writable || !m_link.beginChange()) {
        m_link.reset();
        return;
    }
    m_link.commit();
}
