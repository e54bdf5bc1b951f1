// SPDX-License-Identifier: GPL-3.0-or-later
// The dialect's syntax tree resolved against the columns it names, emitted as
// the engine's SQL with its literals bound, and evaluated on a row.
#include "sqldialect.h"

#include "base/apperror.h"
#include "base/germanformat.h"
#include "engine.h"
#include "textcompare.h"

#include <cmath>

namespace Sql {

QString oneLine(const QString &text)
{
    QString s = text;
    s.replace(QLatin1String("\r\n"), QLatin1String(" "));
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    s.replace(QLatin1Char('\r'), QLatin1Char(' '));
    s = s.simplified();
    // A message quotes the text; one of thousands of characters would bury it.
    constexpr int kQuoted = 200;
    if (s.size() > kQuoted) s = s.left(kQuoted) + QStringLiteral(" …");
    return s;
}

namespace {

// ---- resolution -------------------------------------------------------------

[[noreturn]] void typeMismatch(const QString &source)
{
    throw AppError(
        QStringLiteral("Datentypen in Kriterienausdruck unverträglich: '%1'").arg(oneLine(source)));
}

// The type an operand has once resolved; literals have theirs.
bool operandType(const Expr &e, FieldType *type)
{
    if (e.kind == Expr::Column) {
        *type = e.binding.type;
        return true;
    }
    if (e.kind == Expr::Val) {
        *type = FieldType::Number;
        return true;
    }
    return false;
}

// Converts a literal so it compares with a column of the given type.
void coerceLiteral(Expr &lit, FieldType type, const QString &source)
{
    if (lit.kind != Expr::Literal || lit.litKind == Expr::Null) return;
    switch (type) {
    case FieldType::Text:
    case FieldType::Memo:
        if (lit.litKind == Expr::Number)
            lit.value = Value(lit.value.kind() == Value::Int ? QString::number(lit.value.rawInt())
                                                             : German::formatFloat(lit.value.rawDouble()));
        else if (lit.litKind == Expr::Date)
            lit.value = Value(German::formatStamp(lit.value.stamp()));
        else if (lit.litKind == Expr::Bool)
            lit.value = Value(lit.value.rawInt() ? QStringLiteral("Ja") : QStringLiteral("Nein"));
        lit.litKind = Expr::Text;
        return;
    case FieldType::Number:
    case FieldType::Integer:
    case FieldType::Short:
    case FieldType::Counter:
        if (lit.litKind == Expr::Text) {
            double d = 0;
            if (!German::parseFloat(lit.value.rawText(), &d)) typeMismatch(source);
            lit.value = (d == std::floor(d) && std::fabs(d) < 9e15) ? Value(qint64(d)) : Value(d);
        } else if (lit.litKind == Expr::Bool) {
            lit.value = Value(qint64(lit.value.rawInt() ? -1 : 0));
        } else if (lit.litKind == Expr::Date) {
            typeMismatch(source);
        }
        lit.litKind = Expr::Number;
        return;
    case FieldType::Date:
        if (lit.litKind == Expr::Text) {
            qint64 stamp = 0;
            if (!German::parseDateText(lit.value.rawText(), &stamp) &&
                !German::parseIso(lit.value.rawText(), &stamp))
                typeMismatch(source);
            lit.value = Value::fromStamp(stamp);
        } else if (lit.litKind != Expr::Date) {
            typeMismatch(source);
        }
        lit.litKind = Expr::Date;
        return;
    case FieldType::Bool:
        if (lit.litKind == Expr::Number)
            lit.value = Value(lit.value.toDouble() != 0.0);
        else if (lit.litKind == Expr::Text) {
            const QString t = lit.value.rawText().trimmed().toLower();
            if (t == QLatin1String("ja") || t == QLatin1String("true") || t == QLatin1String("wahr") ||
                t == QLatin1String("-1") || t == QLatin1String("1"))
                lit.value = Value(true);
            else if (t == QLatin1String("nein") || t == QLatin1String("false") ||
                     t == QLatin1String("falsch") || t == QLatin1String("0"))
                lit.value = Value(false);
            else
                typeMismatch(source);
        } else if (lit.litKind == Expr::Date) {
            typeMismatch(source);
        }
        lit.litKind = Expr::Bool;
        return;
    case FieldType::Blob:
        // Bytes are kept, never compared with a literal.
        typeMismatch(source);
    }
}

const char *aggName(Agg agg)
{
    switch (agg) {
    case Agg::Count:
        return "COUNT";
    case Agg::Sum:
        return "SUM";
    case Agg::Min:
        return "MIN";
    case Agg::Max:
        return "MAX";
    case Agg::Avg:
        return "AVG";
    }
    return "COUNT";
}

void resolveNode(Expr &e, const Resolver &resolver, const QString &source)
{
    switch (e.kind) {
    case Expr::Aggregate: {
        if (!e.left) return;
        resolveNode(*e.left, resolver, source);
        const FieldType t = e.left->binding.type;
        // Texts are left out of MIN and MAX: their order ignores letter case,
        // which an engine's own MIN and MAX do not, and each engine would
        // pick another spelling.
        const bool fits = e.agg == Agg::Count                      ? true
                          : e.agg == Agg::Sum || e.agg == Agg::Avg ? isNumericType(t)
                                                                   : isNumericType(t) || t == FieldType::Date;
        if (!fits)
            throw AppError(QStringLiteral("%1 ist für das Feld '%2' nicht möglich (%3): '%4'")
                               .arg(QLatin1String(aggName(e.agg)), e.left->name,
                                    e.agg == Agg::Sum || e.agg == Agg::Avg
                                        ? QStringLiteral("nur für Zahlenfelder")
                                        : QStringLiteral("nur für Zahlen- und Datumsfelder"),
                                    oneLine(source)));
        return;
    }
    case Expr::Column:
        e.binding = resolver(e.table, e.name);
        if (!e.binding.valid) {
            const QString full = e.table.isEmpty() ? e.name : e.table + QLatin1Char('.') + e.name;
            throw AppError(QStringLiteral("Unbekannter Feldname '%1' in '%2'").arg(full, oneLine(source)));
        }
        return;
    case Expr::Literal:
        return;
    case Expr::Val:
        resolveNode(*e.left, resolver, source);
        return;
    case Expr::Compare: {
        resolveNode(*e.left, resolver, source);
        resolveNode(*e.right, resolver, source);
        FieldType t;
        if (operandType(*e.left, &t)) coerceLiteral(*e.right, t, source);
        if (operandType(*e.right, &t)) coerceLiteral(*e.left, t, source);
        return;
    }
    case Expr::Logic:
        for (ExprPtr &t : e.terms)
            resolveNode(*t, resolver, source);
        return;
    case Expr::Not:
    case Expr::IsNull:
    case Expr::Truth:
        resolveNode(*e.left, resolver, source);
        if (e.kind == Expr::Truth && e.left->kind == Expr::Column && isTextType(e.left->binding.type))
            typeMismatch(source);
        return;
    case Expr::Like:
        resolveNode(*e.left, resolver, source);
        if (e.left->kind == Expr::Column && e.left->binding.type == FieldType::Date) typeMismatch(source);
        return;
    }
}

// ---- emission ------------------------------------------------------------------

bool isAsciiText(const Value &v)
{
    if (v.kind() != Value::Text) return false;
    for (QChar c : v.rawText())
        if (c.unicode() >= 0x80) return false;
    return true;
}

bool isTextOperand(const Expr &e)
{
    return (e.kind == Expr::Column && isTextType(e.binding.type)) ||
           (e.kind == Expr::Literal && e.litKind == Expr::Text);
}

QString emitOperand(const Expr &e, const Engine &engine, QList<Value> &params)
{
    switch (e.kind) {
    case Expr::Column:
        if (e.binding.type == FieldType::Bool) return engine.boolOperand(e.binding.sql);
        return e.binding.sql;
    case Expr::Val:
        return engine.valCall(e.left->binding.sql, e.left->binding.type);
    case Expr::Literal:
        if (e.litKind == Expr::Null) return QStringLiteral("NULL");
        params << e.value;
        return QStringLiteral("?");
    default:
        return QString();
    }
}

const char *opText(Op op)
{
    switch (op) {
    case Op::Eq:
        return " = ";
    case Op::Ne:
        return " <> ";
    case Op::Lt:
        return " < ";
    case Op::Gt:
        return " > ";
    case Op::Le:
        return " <= ";
    case Op::Ge:
        return " >= ";
    case Op::And:
        return " AND ";
    case Op::Or:
        return " OR ";
    }
    return " = ";
}

// ---- evaluation ------------------------------------------------------------------

enum Tri { False, True, Unknown };

Value operandValue(const Expr &e, const std::function<Value(int)> &row)
{
    switch (e.kind) {
    case Expr::Column:
        return row(e.binding.fieldIndex);
    case Expr::Val: {
        const Value v = row(e.left->binding.fieldIndex);
        if (v.isNull()) return v;
        if (v.kind() == Value::Text) {
            double d = 0;
            const QString t = v.rawText().trimmed();
            int n = 0;
            while (n < t.size() && (t.at(n).isDigit() || (n == 0 && t.at(n) == QLatin1Char('-'))))
                ++n;
            return Value(qint64(German::parseFloat(t.left(n), &d) ? d : 0));
        }
        return Value(qint64(v.toDouble()));
    }
    case Expr::Literal:
        return e.value;
    default:
        return Value();
    }
}

int compareValues(const Value &a, const Value &b, bool text)
{
    if (text) {
        auto asText = [](const Value &v) {
            switch (v.kind()) {
            case Value::Text:
                return v.rawText();
            case Value::Int:
                return QString::number(v.rawInt());
            case Value::Double:
                return German::formatFloat(v.rawDouble());
            case Value::DateTime:
                return German::formatStamp(v.stamp());
            case Value::Bool:
                return v.rawInt() ? QStringLiteral("Ja") : QStringLiteral("Nein");
            default:
                return QString();
            }
        };
        return TextCompare::compare(asText(a), asText(b));
    }
    if (a.kind() == Value::DateTime && b.kind() == Value::DateTime)
        return a.stamp() < b.stamp() ? -1 : (a.stamp() > b.stamp() ? 1 : 0);
    const double x = a.kind() == Value::Bool ? (a.rawInt() ? 1 : 0) : a.toDouble();
    const double y = b.kind() == Value::Bool ? (b.rawInt() ? 1 : 0) : b.toDouble();
    return x < y ? -1 : (x > y ? 1 : 0);
}

Tri eval(const Expr &e, const std::function<Value(int)> &row)
{
    switch (e.kind) {
    case Expr::Logic: {
        // And: false wins, else unknown wins; or: true wins, else unknown wins.
        const Tri decisive = e.op == Op::And ? False : True;
        bool unknown = false;
        for (const ExprPtr &t : e.terms) {
            const Tri r = eval(*t, row);
            if (r == decisive) return decisive;
            unknown = unknown || r == Unknown;
        }
        return unknown ? Unknown : (e.op == Op::And ? True : False);
    }
    case Expr::Not: {
        const Tri t = eval(*e.left, row);
        return t == Unknown ? Unknown : (t == True ? False : True);
    }
    case Expr::Truth: {
        const Value v = operandValue(*e.left, row);
        if (e.left->kind == Expr::Column && e.left->binding.type == FieldType::Bool)
            return v.toBool() ? True : False;
        if (v.isNull()) return e.left->kind == Expr::Column ? False : Unknown;
        return v.toBool() ? True : False;
    }
    case Expr::IsNull: {
        const Value v = operandValue(*e.left, row);
        const bool isNull = v.isNull() || (v.kind() == Value::Text && false);
        return (isNull != e.negated) ? True : False;
    }
    case Expr::Like: {
        const Value v = operandValue(*e.left, row);
        if (v.isNull()) return Unknown;
        const QString text = v.kind() == Value::Text  ? v.rawText()
                             : v.kind() == Value::Int ? QString::number(v.rawInt())
                                                      : German::formatFloat(v.toDouble());
        const bool m = TextCompare::like(text, e.right->value.rawText());
        return (m != e.negated) ? True : False;
    }
    case Expr::Compare: {
        Value a = operandValue(*e.left, row);
        Value b = operandValue(*e.right, row);
        // Yes/no columns never hold null: a missing value is a no.
        if (e.left->kind == Expr::Column && e.left->binding.type == FieldType::Bool) a = Value(a.toBool());
        if (e.right->kind == Expr::Column && e.right->binding.type == FieldType::Bool) b = Value(b.toBool());
        if (a.isNull() || b.isNull()) return Unknown;
        const bool text = isTextOperand(*e.left) || isTextOperand(*e.right);
        const int c = compareValues(a, b, text);
        bool r = false;
        switch (e.op) {
        case Op::Eq:
            r = c == 0;
            break;
        case Op::Ne:
            r = c != 0;
            break;
        case Op::Lt:
            r = c < 0;
            break;
        case Op::Gt:
            r = c > 0;
            break;
        case Op::Le:
            r = c <= 0;
            break;
        case Op::Ge:
            r = c >= 0;
            break;
        default:
            break;
        }
        return r ? True : False;
    }
    default: {
        const Value v = operandValue(e, row);
        if (v.isNull()) return Unknown;
        return v.toBool() ? True : False;
    }
    }
}

} // namespace

void resolve(Expr &expr, const Resolver &resolver, const QString &sourceText)
{
    resolveNode(expr, resolver, sourceText);
}

namespace {

// The engine's parser nests every parenthesis on a small stack, and its
// expression tree may only grow so deep; so parentheses are written only where
// the precedence (not before and before or) needs them, and a long chain is
// cut into parenthesised groups that each stay short.
constexpr size_t kChainGroup = 64;

QString joinChain(std::vector<QString> parts, const QString &op)
{
    while (parts.size() > kChainGroup) {
        std::vector<QString> groups;
        for (size_t i = 0; i < parts.size(); i += kChainGroup) {
            QStringList group;
            for (size_t k = i; k < qMin(parts.size(), i + kChainGroup); ++k)
                group << parts[k];
            groups.push_back(QLatin1Char('(') + group.join(op) + QLatin1Char(')'));
        }
        parts = std::move(groups);
    }
    QStringList all;
    for (QString &p : parts)
        all << std::move(p);
    return all.join(op);
}

QString emitCondition(const Expr &e, const Engine &engine, QList<Value> &params);

// A term inside an and-chain, or-chain or after not, in parentheses where the
// precedence needs them.
QString emitTerm(const Expr &e, const Engine &engine, QList<Value> &params, Op context, bool afterNot)
{
    const QString s = emitCondition(e, engine, params);
    const bool needs = e.kind == Expr::Logic && (afterNot || (e.op == Op::Or && context == Op::And));
    return needs ? QLatin1Char('(') + s + QLatin1Char(')') : s;
}

QString emitCondition(const Expr &e, const Engine &engine, QList<Value> &params)
{
    switch (e.kind) {
    case Expr::Logic: {
        // Terms in the text's order: the parameters must follow it.
        std::vector<QString> parts;
        parts.reserve(e.terms.size());
        for (const ExprPtr &t : e.terms)
            parts.push_back(emitTerm(*t, engine, params, e.op, false));
        return joinChain(std::move(parts), QLatin1String(opText(e.op)));
    }
    case Expr::Not:
        return QStringLiteral("NOT ") + emitTerm(*e.left, engine, params, Op::And, true);
    default:
        return emitSql(e, engine, params);
    }
}

} // namespace

QString emitSql(const Expr &e, const Engine &engine, QList<Value> &params)
{
    switch (e.kind) {
    case Expr::Logic:
    case Expr::Not:
        // Whole conditions are joined by callers with AND: one pair of parentheses around.
        return QLatin1Char('(') + emitCondition(e, engine, params) + QLatin1Char(')');
    case Expr::Truth: {
        if (e.left->kind == Expr::Column && e.left->binding.type == FieldType::Bool)
            return engine.boolCondition(e.left->binding.sql);
        const QString o = emitOperand(*e.left, engine, params);
        if (e.left->kind == Expr::Literal && e.left->litKind == Expr::Bool) return engine.boolCondition(o);
        return QStringLiteral("(COALESCE(%1,0) <> 0)").arg(o);
    }
    case Expr::IsNull: {
        const QString o =
            e.left->kind == Expr::Column ? e.left->binding.sql : emitOperand(*e.left, engine, params);
        return QStringLiteral("(%1 IS %2NULL)").arg(o, e.negated ? QStringLiteral("NOT ") : QString());
    }
    case Expr::Like: {
        QString o = emitOperand(*e.left, engine, params);
        if (e.left->kind == Expr::Column && isNumericType(e.left->binding.type))
            o = engine.numberText(o, e.left->binding.type);
        else if (e.left->kind == Expr::Column && !isTextType(e.left->binding.type))
            o = QStringLiteral("CAST(%1 AS TEXT)").arg(o);
        params << engine.likePattern(e.right->value.rawText());
        const QString call = engine.likeCall(o, QStringLiteral("?"));
        return e.negated ? QStringLiteral("(NOT %1)").arg(call) : call;
    }
    case Expr::Compare: {
        const bool text = isTextOperand(*e.left) || isTextOperand(*e.right);
        QString l = emitOperand(*e.left, engine, params);
        QString r = emitOperand(*e.right, engine, params);
        if (text) {
            // A number or date column against a text is compared as text.
            if (!isTextOperand(*e.left) && e.left->kind != Expr::Literal) l = engine.asText(l);
            if (!isTextOperand(*e.right) && e.right->kind != Expr::Literal) r = engine.asText(r);
            const Expr *lit = e.right->kind == Expr::Literal  ? e.right.get()
                              : e.left->kind == Expr::Literal ? e.left.get()
                                                              : nullptr;
            const bool ascii = lit && isAsciiText(lit->value) && (e.op == Op::Eq || e.op == Op::Ne);
            return engine.compareText(l, QLatin1String(opText(e.op)), r, ascii);
        }
        return QLatin1Char('(') + l + QLatin1String(opText(e.op)) + r + QLatin1Char(')');
    }
    default:
        return QStringLiteral("(COALESCE(%1,0) <> 0)").arg(emitOperand(e, engine, params));
    }
}

QString emitValue(const Expr &e, const Engine &engine)
{
    switch (e.kind) {
    case Expr::Val:
        return engine.valCall(e.left->binding.sql, e.left->binding.type);
    case Expr::Aggregate:
        return QStringLiteral("%1(%2)").arg(QLatin1String(aggName(e.agg)),
                                            e.left ? e.left->binding.sql : QStringLiteral("*"));
    default:
        return e.binding.sql;
    }
}

FieldType valueType(const Expr &e)
{
    switch (e.kind) {
    case Expr::Val:
        return FieldType::Number;
    case Expr::Aggregate: {
        const FieldType t = e.left ? e.left->binding.type : FieldType::Integer;
        if (e.agg == Agg::Count || (e.agg != Agg::Avg && isIntegerType(t))) return FieldType::Integer;
        return e.agg == Agg::Avg || e.agg == Agg::Sum ? FieldType::Number : t;
    }
    default:
        return e.binding.type;
    }
}

bool evaluate(const Expr &expr, const std::function<Value(int)> &row)
{
    return eval(expr, row) == True;
}

QString quoteText(const QString &text)
{
    QString s = text;
    s.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + s + QLatin1Char('\'');
}

} // namespace Sql
