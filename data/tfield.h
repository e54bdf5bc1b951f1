// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A field of a dataset: a column of the row (data field), a value the
// dataset's OnCalcFields handler computes (calculated field) or the result of
// a lookup in another dataset (lookup field). Values are read and written in
// the current record of the owning dataset, or, while the dataset calculates
// a row, in that row.
#include "fieldtype.h"
#include "value.h"

#include <QDateTime>
#include <QString>
#include <functional>

class TVexDaoTable;

enum class FieldKind : quint8 { Data, Calculated, Lookup };

class TField
{
  public:
    TField(TVexDaoTable *dataset, const QString &name, FieldKind kind, FieldType type, int size);

    const QString &FieldName() const { return m_name; }
    FieldKind Kind() const { return m_kind; }
    FieldType DataType() const { return m_type; }
    int Size() const { return m_size; }
    TVexDaoTable *DataSet() const { return m_dataset; }

    QString DisplayFormat; // e.g. "#,#0.00"
    // An amount of money: shown through the format as the print shows sums,
    // to the nearest ten-thousandth first, then half up (348,075 -> 348,08).
    bool Currency = false;
    // A declared data field that a query may lack; it then reads as empty.
    bool Optional = false;
    QString DisplayLabel; // column title; the field name when empty
    bool ReadOnly = false;
    bool Visible = true;
    int DisplayWidth = 0; // characters, 0 = from the size

    // A rule of the owning module that every value written must keep: it
    // throws AppError with the German message, and the field keeps its value.
    std::function<void(const Value &)> Validate;

    // Lookup definition.
    QString KeyFields;
    TVexDaoTable *LookupDataSet = nullptr;
    QString LookupKeyFields;
    QString LookupResultField;

    // Reading: null reads as empty text, 0, false or no date.
    Value value() const;
    bool IsNull() const;
    QString AsString() const;
    qint64 AsInteger() const; // a text that is no whole number fails
    double AsFloat() const;
    bool AsBoolean() const;
    QDateTime AsDateTime() const;
    QDate AsDate() const;
    // The value as the user sees it: display format, German dates and numbers.
    QString DisplayText() const;
    // The value as the user edits it: like DisplayText without grouping.
    QString EditText() const;
    // Same, for any row of the dataset without moving to it (grids).
    QString DisplayTextAt(int row) const;
    Value valueAt(int row) const;

    // Writing: only in edit or insert state (or while the row is calculated,
    // for calculated fields). Texts are cut to the field's size.
    void setValue(const Value &v);
    void SetAsString(const QString &text);
    void SetAsInteger(qint64 v);
    void SetAsFloat(double v);
    void SetAsBoolean(bool v);
    void SetAsDateTime(const QDateTime &v);
    void SetAsDate(const QDate &v);
    void Clear();

    // Converts text to this field's type the way SetAsString does, failing
    // with the German message; used by controls to check before writing.
    Value convertText(const QString &text) const;
    QString formatValue(const Value &v, bool forEdit) const;

    // The most characters a text field holds (a character outside the basic
    // plane counts once), 0 when unlimited; for controls that limit typing.
    int MaxChars() const { return m_type == FieldType::Text && m_size > 0 ? m_size : 0; }
    // The text as this field stores it: cut to MaxChars() at a whole character.
    QString fitText(const QString &text) const;
    // Characters of a text, counted as MaxChars() counts them.
    static int charCount(QStringView text);
    // The text cut to at most that many characters, never inside a character.
    static QString cutToChars(const QString &text, int chars);

    int index() const { return m_index; }

  private:
    friend class TVexDaoTable;
    TVexDaoTable *m_dataset;
    QString m_name;
    FieldKind m_kind;
    FieldType m_type;
    int m_size;
    int m_index = -1; // slot in the row
    bool m_persistent = true;
    // Where a data field comes from in the query.
    int m_column = -1;    // result column, -1 when not in the result
    int m_tableIndex = 0; // which table of the query (0 = from, 1 = join)
    QString m_baseColumn; // column name in that table, empty for expressions
    bool m_counter = false;
};
