// SPDX-License-Identifier: GPL-3.0-or-later
#include "datasetrowsource.h"

#include "data/tvexdaotable.h"

bool DatasetRowSource::first()
{
    m_dataset.First();
    return !m_dataset.IsEmpty() && !m_dataset.Eof();
}

bool DatasetRowSource::next()
{
    m_dataset.Next();
    return !m_dataset.Eof();
}

QVariant DatasetRowSource::value(const QString &field) const
{
    const TField *f = m_dataset.FindField(field);
    if (!f || m_dataset.IsEmpty()) return QVariant();
    const Value v = f->value();
    switch (v.kind()) {
    case Value::Null:
        return QVariant();
    case Value::Bool:
        return QVariant(v.rawInt() != 0);
    case Value::Int:
        return QVariant(v.rawInt());
    case Value::Double:
        return QVariant(v.rawDouble());
    case Value::Text:
        return QVariant(v.rawText());
    case Value::DateTime:
        if (Value::secondsOfStamp(v.stamp()) == 0) return QVariant(Value::dateOfStamp(v.stamp()));
        return QVariant(v.toDateTime());
    case Value::Bytes:
        return QVariant(v.rawBytes());
    }
    return QVariant();
}

int DatasetRowSource::rowCount() const
{
    return m_dataset.RecordCount();
}
