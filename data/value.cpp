// SPDX-License-Identifier: GPL-3.0-or-later
#include "value.h"

#include <cstring>

Value Value::fromDateTime(const QDateTime &dt)
{
    if (!dt.isValid()) return Value();
    return fromStamp(stampOf(dt.date(), dt.time().msecsSinceStartOfDay() / 1000));
}

void Value::swap(Value &o) noexcept
{
    // QString and QByteArray are relocatable, so swapping the raw bytes is a valid move.
    alignas(Value) unsigned char tmp[sizeof(Value)];
    std::memcpy(tmp, static_cast<void *>(this), sizeof(Value));
    std::memcpy(static_cast<void *>(this), static_cast<const void *>(&o), sizeof(Value));
    std::memcpy(static_cast<void *>(&o), tmp, sizeof(Value));
}

bool Value::toBool() const
{
    switch (m_kind) {
    case Bool:
    case Int:
        return m_i != 0;
    case Double:
        return m_d != 0.0;
    case Text: {
        const QString t = m_s.trimmed().toLower();
        return t == QLatin1String("1") || t == QLatin1String("-1") || t == QLatin1String("true") ||
               t == QLatin1String("ja") || t == QLatin1String("wahr");
    }
    default:
        return false;
    }
}

double Value::toDouble() const
{
    switch (m_kind) {
    case Bool:
        return m_i ? -1.0 : 0.0; // a yes reads as -1, as in the old engine
    case Int:
        return double(m_i);
    case Double:
        return m_d;
    case DateTime:
        return double(m_i) / 86400.0;
    default:
        return 0.0;
    }
}

QDate Value::toDate() const
{
    return m_kind == DateTime ? dateOfStamp(m_i) : QDate();
}

QDateTime Value::toDateTime() const
{
    if (m_kind != DateTime) return QDateTime();
    return QDateTime(dateOfStamp(m_i), QTime(0, 0).addSecs(secondsOfStamp(m_i)));
}

bool Value::operator==(const Value &o) const
{
    if (m_kind != o.m_kind) return false;
    switch (m_kind) {
    case Null:
        return true;
    case Text:
        return m_s == o.m_s;
    case Bytes:
        return m_b == o.m_b;
    case Double:
        return m_d == o.m_d;
    default:
        return m_i == o.m_i;
    }
}
