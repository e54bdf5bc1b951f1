// SPDX-License-Identifier: GPL-3.0-or-later
#include "tfield.h"

#include "base/apperror.h"
#include "base/germanformat.h"
#include "base/money.h"
#include "tvexdaotable.h"

#include <QTextBoundaryFinder>
#include <cmath>

TField::TField(TVexDaoTable *dataset, const QString &name, FieldKind kind, FieldType type, int size)
    : m_dataset(dataset), m_name(name), m_kind(kind), m_type(type), m_size(size)
{}

Value TField::value() const
{
    return m_dataset->fieldValue(this, -1);
}

Value TField::valueAt(int row) const
{
    return m_dataset->fieldValue(this, row);
}

bool TField::IsNull() const
{
    const Value v = value();
    return v.isNull();
}

static QString blobError(const QString &field)
{
    return QStringLiteral("Das Feld '%1' enthält Binärdaten; sie werden nur unverändert übernommen")
        .arg(field);
}

static QString textOf(const Value &v)
{
    switch (v.kind()) {
    case Value::Null:
        return QString();
    case Value::Bool:
        return v.rawInt() ? QStringLiteral("True") : QStringLiteral("False");
    case Value::Int:
        return QString::number(v.rawInt());
    case Value::Double:
        return German::formatFloat(v.rawDouble());
    case Value::Text:
        return v.rawText();
    case Value::DateTime:
        return German::formatStamp(v.stamp());
    case Value::Bytes:
        return QStringLiteral("(%1 Bytes)").arg(v.rawBytes().size());
    }
    return QString();
}

QString TField::AsString() const
{
    return textOf(value());
}

qint64 TField::AsInteger() const
{
    const Value v = value();
    switch (v.kind()) {
    case Value::Null:
        return 0;
    case Value::Text: {
        const QString t = v.rawText().trimmed();
        if (t.isEmpty()) return 0;
        qint64 n = 0;
        if (!German::parseInteger(t, &n)) throw AppError(German::integerError(v.rawText()));
        return n;
    }
    case Value::Double:
        return qRound64(v.rawDouble());
    case Value::DateTime:
        return qint64(std::floor(v.toDouble()));
    case Value::Bytes:
        return 0;
    default:
        return v.rawInt();
    }
}

double TField::AsFloat() const
{
    const Value v = value();
    if (v.kind() == Value::Text) {
        const QString t = v.rawText().trimmed();
        if (t.isEmpty()) return 0;
        double d = 0;
        if (!German::parseFloat(t, &d)) throw AppError(German::floatError(v.rawText()));
        return d;
    }
    if (v.kind() == Value::Bool) return v.rawInt() ? -1 : 0;
    return v.toDouble();
}

bool TField::AsBoolean() const
{
    return value().toBool();
}

QDateTime TField::AsDateTime() const
{
    const Value v = value();
    if (v.kind() == Value::DateTime) return v.toDateTime();
    if (v.kind() == Value::Text) {
        qint64 stamp = 0;
        if (German::parseDateText(v.rawText(), &stamp)) return Value::fromStamp(stamp).toDateTime();
        if (!v.rawText().trimmed().isEmpty())
            throw AppError(QStringLiteral("'%1' ist kein gültiges Datum").arg(v.rawText()));
    }
    return QDateTime();
}

QDate TField::AsDate() const
{
    // A stored date needs no clock time of this machine's zone.
    const Value v = value();
    return v.kind() == Value::DateTime ? v.toDate() : AsDateTime().date();
}

QString TField::formatValue(const Value &v, bool forEdit) const
{
    if (v.isNull()) return QString();
    switch (m_type) {
    case FieldType::Number:
    case FieldType::Integer:
    case FieldType::Short:
    case FieldType::Counter:
        if (v.kind() == Value::Int || v.kind() == Value::Double) {
            if (!DisplayFormat.isEmpty() && !forEdit)
                return Currency ? Money::formatAmount(v.toDouble(), DisplayFormat)
                                : German::formatMask(v.toDouble(), DisplayFormat);
            return textOf(v);
        }
        return textOf(v);
    case FieldType::Bool:
        return v.toBool() ? QStringLiteral("Ja") : QStringLiteral("Nein");
    case FieldType::Date:
        if (v.kind() == Value::DateTime) return German::formatStamp(v.stamp());
        return textOf(v);
    default:
        return textOf(v);
    }
}

QString TField::DisplayText() const
{
    return formatValue(value(), false);
}

QString TField::EditText() const
{
    return formatValue(value(), true);
}

QString TField::DisplayTextAt(int row) const
{
    return formatValue(valueAt(row), false);
}

Value TField::convertText(const QString &text) const
{
    const QString t = text.trimmed();
    switch (m_type) {
    case FieldType::Text:
    case FieldType::Memo:
        return text.isEmpty() ? Value() : Value(text);
    case FieldType::Number: {
        if (t.isEmpty()) return Value();
        double d = 0;
        if (!German::parseFloat(t, &d)) throw AppError(German::floatError(text, m_name));
        return Value(d);
    }
    case FieldType::Integer:
    case FieldType::Short:
    case FieldType::Counter: {
        if (t.isEmpty()) return Value();
        qint64 n = 0;
        if (!German::parseInteger(t, &n)) throw AppError(German::integerError(text, m_name));
        return Value(n);
    }
    case FieldType::Bool: {
        const QString l = t.toLower();
        if (l.isEmpty() || l == QLatin1String("nein") || l == QLatin1String("false") ||
            l == QLatin1String("0") || l == QLatin1String("falsch"))
            return Value(false);
        if (l == QLatin1String("ja") || l == QLatin1String("true") || l == QLatin1String("1") ||
            l == QLatin1String("-1") || l == QLatin1String("wahr"))
            return Value(true);
        throw AppError(
            QStringLiteral("'%1' ist kein gültiger Boolescher Wert für Feld '%2'").arg(text, m_name));
    }
    case FieldType::Date: {
        if (t.isEmpty()) return Value();
        qint64 stamp = 0;
        if (!German::parseDateText(t, &stamp))
            throw AppError(QStringLiteral("'%1' ist kein gültiges Datum").arg(t));
        return Value::fromStamp(stamp);
    }
    case FieldType::Blob:
        throw AppError(blobError(m_name));
    }
    return Value();
}

// Brings a value of any kind into the form this field stores.
static Value normalise(const TField &f, const Value &v)
{
    if (v.isNull()) return v;
    // Bytes go into a blob column unchanged, and nowhere else.
    if ((v.kind() == Value::Bytes) != (f.DataType() == FieldType::Blob))
        throw AppError(blobError(f.FieldName()));
    switch (f.DataType()) {
    case FieldType::Blob:
        return v;
    case FieldType::Text:
    case FieldType::Memo:
        if (v.kind() == Value::Text) return v;
        if (v.kind() == Value::Bool)
            return Value(v.rawInt() ? QStringLiteral("True") : QStringLiteral("False"));
        return Value(textOf(v));
    case FieldType::Number:
        if (v.kind() == Value::Text) return f.convertText(v.rawText());
        if (v.kind() == Value::Double) return v;
        return Value(v.toDouble());
    case FieldType::Integer:
    case FieldType::Short:
    case FieldType::Counter: {
        if (v.kind() == Value::Text) return f.convertText(v.rawText());
        const qint64 n = v.kind() == Value::Double ? qRound64(v.rawDouble()) : v.rawInt();
        if (f.DataType() == FieldType::Short && (n < -32768 || n > 32767))
            throw AppError(
                QStringLiteral("%1 ist kein gültiger Wert für Feld '%2' (erlaubt sind -32768 bis 32767)")
                    .arg(n)
                    .arg(f.FieldName()));
        if (f.DataType() == FieldType::Integer && (n < -2147483648LL || n > 2147483647LL))
            throw AppError(
                QStringLiteral("%1 ist kein gültiger Integerwert für Feld '%2'").arg(n).arg(f.FieldName()));
        return Value(n);
    }
    case FieldType::Bool:
        if (v.kind() == Value::Text) return f.convertText(v.rawText());
        return Value(v.toBool());
    case FieldType::Date:
        if (v.kind() == Value::Text) return f.convertText(v.rawText());
        if (v.kind() == Value::DateTime) return v;
        throw AppError(QStringLiteral("'%1' ist kein gültiges Datum").arg(textOf(v)));
    }
    return v;
}

int TField::charCount(QStringView text)
{
    int n = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++n)
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ++i;
    return n;
}

QString TField::cutToChars(const QString &text, int chars)
{
    if (chars < 0 || text.size() <= chars)
        return text; // fewer code units than allowed characters: nothing to cut
    qsizetype end = 0;
    for (int n = 0; n < chars && end < text.size(); ++n) {
        const bool pair =
            text[end].isHighSurrogate() && end + 1 < text.size() && text[end + 1].isLowSurrogate();
        end += pair ? 2 : 1;
    }
    if (end >= text.size()) return text;
    // Accents and other marks that follow a letter belong to it: they go
    // with it rather than being split off.
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    graphemes.setPosition(end);
    if (!graphemes.isAtBoundary()) {
        const qsizetype before = graphemes.toPreviousBoundary();
        if (before > 0) end = before;
    }
    return text.left(end);
}

QString TField::fitText(const QString &text) const
{
    const int max = MaxChars();
    return max > 0 ? cutToChars(text, max) : text;
}

void TField::setValue(const Value &v)
{
    Value n = normalise(*this, v);
    if (Validate) Validate(n);
    if (MaxChars() > 0 && n.kind() == Value::Text && n.rawText().size() > MaxChars())
        n = Value(fitText(n.rawText()));
    m_dataset->setFieldValue(this, n);
}

void TField::SetAsString(const QString &text)
{
    if (m_type == FieldType::Text || m_type == FieldType::Memo || m_kind == FieldKind::Lookup)
        setValue(text.isEmpty() ? Value() : Value(text));
    else
        setValue(convertText(text));
}

void TField::SetAsInteger(qint64 v)
{
    setValue(Value(v));
}

void TField::SetAsFloat(double v)
{
    setValue(Value(v));
}

void TField::SetAsBoolean(bool v)
{
    setValue(Value(v));
}

void TField::SetAsDateTime(const QDateTime &v)
{
    setValue(Value::fromDateTime(v));
}

void TField::SetAsDate(const QDate &v)
{
    setValue(Value::fromDate(v));
}

void TField::Clear()
{
    m_dataset->setFieldValue(this, Value());
}
