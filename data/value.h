// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One cell of a dataset row. Kept to 32 bytes because a document list holds
// well over a million of them; dates are a single count of seconds so that
// comparing and sorting them costs nothing. Bytes are the contents of a blob
// column (a received e-invoice's original file), kept exactly as stored.
#include "base/stamp.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <cstring>

class Value
{
  public:
    enum Kind : quint8 { Null, Bool, Int, Double, Text, DateTime, Bytes };

    Value() noexcept : m_kind(Null) { m_i = 0; }
    Value(bool b) noexcept : m_kind(Bool) { m_i = b ? 1 : 0; }
    Value(int i) noexcept : m_kind(Int) { m_i = i; }
    Value(qint64 i) noexcept : m_kind(Int) { m_i = i; }
    Value(double d) noexcept : m_kind(Double) { m_d = d; }
    Value(const QString &s) : m_kind(Text) { new (&m_s) QString(s); }
    Value(QString &&s) noexcept : m_kind(Text) { new (&m_s) QString(std::move(s)); }
    Value(const char *) = delete;
    explicit Value(const QByteArray &b) : m_kind(Bytes) { new (&m_b) QByteArray(b); }
    static Value fromStamp(qint64 stamp)
    {
        Value v;
        v.m_kind = DateTime;
        v.m_i = stamp;
        return v;
    }
    static Value fromDate(const QDate &d) { return d.isValid() ? fromStamp(stampOf(d)) : Value(); }
    static Value fromDateTime(const QDateTime &dt);

    Value(const Value &o) : m_kind(o.m_kind)
    {
        if (m_kind == Text)
            new (&m_s) QString(o.m_s);
        else if (m_kind == Bytes)
            new (&m_b) QByteArray(o.m_b);
        else
            m_i = o.m_i;
    }
    Value(Value &&o) noexcept : m_kind(o.m_kind)
    {
        if (m_kind == Text)
            new (&m_s) QString(std::move(o.m_s));
        else if (m_kind == Bytes)
            new (&m_b) QByteArray(std::move(o.m_b));
        else
            m_i = o.m_i;
    }
    Value &operator=(const Value &o)
    {
        if (this != &o) {
            Value tmp(o);
            swap(tmp);
        }
        return *this;
    }
    Value &operator=(Value &&o) noexcept
    {
        // QString and QByteArray are relocatable: take over their bytes and
        // leave the source null.
        if (this != &o) {
            destroy();
            std::memcpy(static_cast<void *>(this), static_cast<const void *>(&o), sizeof(Value));
            o.m_kind = Null;
        }
        return *this;
    }
    ~Value() { destroy(); }
    void swap(Value &o) noexcept;

    Kind kind() const { return m_kind; }
    bool isNull() const { return m_kind == Null; }

    // Raw access; the caller knows the kind.
    qint64 rawInt() const { return m_i; }
    double rawDouble() const { return m_d; }
    const QString &rawText() const { return m_s; }
    // The text of a text value; empty for any other kind (a null column).
    QString textOrEmpty() const { return m_kind == Text ? m_s : QString(); }
    const QByteArray &rawBytes() const { return m_b; }
    qint64 stamp() const { return m_i; }

    // Loose readings used by comparisons and conversions.
    bool toBool() const;
    double toDouble() const;
    QDate toDate() const;
    QDateTime toDateTime() const;

    // Exact equality of kind and content (doubles compare by value).
    bool operator==(const Value &o) const;
    bool operator!=(const Value &o) const { return !(*this == o); }

    // Seconds since the start of the Julian day count; the time of day is local, naive.
    static qint64 stampOf(const QDate &d, int secondsOfDay = 0) { return Stamp::of(d, secondsOfDay); }
    static QDate dateOfStamp(qint64 s) { return Stamp::date(s); }
    static int secondsOfStamp(qint64 s) { return Stamp::seconds(s); }

  private:
    void destroy() noexcept
    {
        if (m_kind == Text)
            m_s.~QString();
        else if (m_kind == Bytes)
            m_b.~QByteArray();
    }

    union {
        qint64 m_i;
        double m_d;
        QString m_s;
        QByteArray m_b;
    };
    Kind m_kind;
};
static_assert(sizeof(Value) <= 32, "Value must stay small");
