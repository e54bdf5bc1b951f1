// SPDX-License-Identifier: GPL-3.0-or-later
#include "sqlshape.h"

namespace SqlShape {

namespace {

const QChar kMark(0x01);

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isNamePart(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

} // namespace

bool numbersOut(const QString &text, QString *shape, QStringList *numbers)
{
    shape->clear();
    numbers->clear();
    if (text.contains(kMark)) return false;
    shape->reserve(text.size());
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        // Quoted texts, names in brackets and date literals stay as they are.
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('#') ||
            c == QLatin1Char('[')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            qsizetype j = i + 1;
            while (j < n) {
                if (text.at(j) == close) {
                    if (close != QLatin1Char(']') && j + 1 < n && text.at(j + 1) == close) {
                        j += 2; // a doubled quote inside the text
                        continue;
                    }
                    break;
                }
                ++j;
            }
            j = qMin(j, n - 1);
            shape->append(QStringView(text).mid(i, j - i + 1));
            i = j + 1;
            continue;
        }
        if (isAsciiDigit(c)) {
            if (i > 0 && (isNamePart(text.at(i - 1)) || text.at(i - 1) == QLatin1Char('.'))) return false;
            qsizetype j = i;
            while (j < n && isAsciiDigit(text.at(j)))
                ++j;
            if (j + 1 < n && text.at(j) == QLatin1Char('.') && isAsciiDigit(text.at(j + 1))) {
                ++j;
                while (j < n && isAsciiDigit(text.at(j)))
                    ++j;
            }
            if (j < n && (isNamePart(text.at(j)) || text.at(j) == QLatin1Char('.'))) return false;
            numbers->append(text.mid(i, j - i));
            shape->append(kMark);
            i = j;
            continue;
        }
        if (isNamePart(c)) {
            // A name with digits in it (Fuss1, t0) is one word.
            qsizetype j = i;
            while (j < n && isNamePart(text.at(j)))
                ++j;
            shape->append(QStringView(text).mid(i, j - i));
            i = j;
            continue;
        }
        shape->append(c);
        ++i;
    }
    return true;
}

QString numbersIn(const QString &shape, const QStringList &numbers)
{
    QString text;
    text.reserve(shape.size() + numbers.size() * 8);
    qsizetype k = 0;
    for (const QChar c : shape) {
        if (c == kMark)
            text += numbers.value(k++);
        else
            text += c;
    }
    return text;
}

Value numberValue(const QString &number, Value::Kind kind)
{
    bool ok = false;
    if (kind == Value::Int) {
        const qint64 v = number.toLongLong(&ok);
        return ok ? Value(v) : Value();
    }
    if (kind == Value::Double) {
        const double v = number.toDouble(&ok);
        return ok ? Value(v) : Value();
    }
    return Value();
}

bool sameValue(const Value &a, const Value &b)
{
    if (a.kind() != b.kind()) return false;
    switch (a.kind()) {
    case Value::Null:
        return true;
    case Value::Double:
        return a.rawDouble() == b.rawDouble();
    case Value::Text:
        return a.rawText() == b.rawText();
    case Value::Bytes:
        return a.rawBytes() == b.rawBytes();
    default:
        return a.rawInt() == b.rawInt();
    }
}

} // namespace SqlShape
