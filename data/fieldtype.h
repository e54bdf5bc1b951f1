// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

// Column types of the database (text with size, memo, number, integer, short,
// counter, yes/no, date) as the dataset layer sees them, and blob: bytes kept
// exactly as they were stored (the original of a received e-invoice).
enum class FieldType : quint8 { Text, Memo, Number, Integer, Short, Counter, Bool, Date, Blob };

inline bool isTextType(FieldType t)
{
    return t == FieldType::Text || t == FieldType::Memo;
}
inline bool isIntegerType(FieldType t)
{
    return t == FieldType::Integer || t == FieldType::Short || t == FieldType::Counter;
}
inline bool isNumericType(FieldType t)
{
    return t == FieldType::Number || isIntegerType(t);
}

struct ColumnInfo
{
    QString name; // as the table spells it
    FieldType type = FieldType::Text;
    int size = 0; // characters, for Text
    bool counter = false;
};
