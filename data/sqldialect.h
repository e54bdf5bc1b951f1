// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The SQL the program writes (selects, filter texts, order lists) in the Jet
// dialect: parsed into a tree, checked against the tables, emitted as engine
// SQL with every literal bound as a parameter, and evaluated on rows in
// memory where a find needs it. Nothing the user or a file supplies is ever
// pasted into SQL text.
#include "fieldtype.h"
#include "value.h"

#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class Engine;

namespace Sql {

enum class Op { Eq, Ne, Lt, Gt, Le, Ge, And, Or };
enum class Agg { Count, Sum, Min, Max, Avg };

// What a name in a condition stands for once it is resolved.
struct ColumnBinding
{
    QString sql; // engine expression, e.g. t0."kdnr"
    FieldType type = FieldType::Text;
    int fieldIndex = -1; // slot in an in-memory row, for evaluation
    bool valid = false;
};

struct Expr
{
    enum Kind { Column, Literal, Compare, Logic, Not, Like, IsNull, Truth, Val, Aggregate };
    Kind kind = Literal;
    // Column
    QString table, name;
    ColumnBinding binding;
    // Literal
    enum LitKind { Number, Text, Date, Bool, Null } litKind = Null;
    Value value;
    // Compare (left, right), Logic (terms joined by op), Not, Like, IsNull, Truth, Val (left),
    // Aggregate (agg over left; COUNT(*) has none)
    Op op = Op::Eq;
    Agg agg = Agg::Count;
    std::unique_ptr<Expr> left, right;
    std::vector<std::unique_ptr<Expr>> terms;
    bool negated = false; // Like, IsNull
};
using ExprPtr = std::unique_ptr<Expr>;

struct SelectItem
{
    bool star = false;
    QString starTable; // for "T.*"
    ExprPtr expr;      // a column, Val(column) or an aggregate of a column
    QString alias;
};

struct TableRef
{
    QString name;
    QString alias;
};

struct OrderItem
{
    ExprPtr expr;
    bool desc = false;
};

struct Select
{
    int top = -1;
    std::vector<SelectItem> items;
    TableRef from;
    bool hasJoin = false;
    bool leftJoin = false; // LEFT [OUTER] JOIN rather than INNER JOIN
    TableRef join;
    ExprPtr joinOn;
    ExprPtr where;
    std::vector<ExprPtr> groupBy; // plain columns
    bool aggregates = false;      // COUNT, SUM, MIN, MAX or AVG anywhere in it
    std::vector<OrderItem> orderBy;

    // One row per group (or one row in all): no row of it stands for a stored row.
    bool grouped() const { return aggregates || !groupBy.empty(); }
};

// The text, for messages.
Select parseSelect(const QString &text);
ExprPtr parseCondition(const QString &text);

// Names in a tree are resolved through a callback: table qualifier (may be
// empty) and name in, binding out; an unknown name leaves binding.valid false.
using Resolver = std::function<ColumnBinding(const QString &table, const QString &name)>;

// Binds every column of the tree and converts literals to the type of the
// column they are compared with (a quoted dd.mm.yyyy text against a date, a
// number against a text column as its digits). Throws AppError naming the
// text for an unknown name or a literal that does not fit its column.
void resolve(Expr &expr, const Resolver &resolver, const QString &sourceText);

// Emits a resolved condition as engine SQL, appending its parameters.
QString emitSql(const Expr &expr, const Engine &engine, QList<Value> &params);

// A resolved value of a field list or order list (a column, Val() or an
// aggregate) as engine SQL, and the type of what it gives.
QString emitValue(const Expr &expr, const Engine &engine);
FieldType valueType(const Expr &expr);

// Evaluates a resolved condition on a row whose values are reached by field
// index; true only when the condition holds (an unknown counts as false).
bool evaluate(const Expr &expr, const std::function<Value(int fieldIndex)> &row);

// A text in the dialect's quoting, for building conditions from values.
QString quoteText(const QString &text);

// A text in one line, shortened, as a message quotes the text it refuses.
QString oneLine(const QString &text);

} // namespace Sql
