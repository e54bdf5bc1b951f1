// SPDX-License-Identifier: GPL-3.0-or-later
#include "sqldialect.h"

#include "base/apperror.h"
#include "base/germanformat.h"
#include "engine.h"
#include "textcompare.h"

#include <cmath>

namespace Sql {

namespace {

struct Token
{
    enum Type { End, Ident, Number, String, Date, Symbol } type = End;
    QString text;   // identifier / symbol / string content
    Value value;    // number or date
    int pos = 0;
    bool bracketed = false;
};

QString oneLine(const QString &text)
{
    QString s = text;
    s.replace(QLatin1String("\r\n"), QLatin1String(" "));
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    s.replace(QLatin1Char('\r'), QLatin1Char(' '));
    s = s.simplified();
    // A message quotes the text; one of thousands of characters would bury it.
    constexpr int kQuoted = 200;
    if (s.size() > kQuoted)
        s = s.left(kQuoted) + QStringLiteral(" …");
    return s;
}

[[noreturn]] void syntaxError(const QString &source, const QString &detail)
{
    throw AppError(QStringLiteral("Syntaxfehler in '%1': %2").arg(oneLine(source), detail));
}

// How deeply a condition may nest: conditions, not-operators and Val() inside
// one another. The engine parses the emitted SQL with a small fixed stack,
// so the limit is on the nesting that reaches the SQL; parentheses that only
// repeat themselves are allowed a little further.
constexpr int kMaxNesting = 20;
constexpr int kMaxParserNesting = 64;
// The engine's work on a statement grows with the square of its literals, so
// a text of tens of thousands of comparisons would hold the program for
// minutes; a few thousand take a fraction of a second.
constexpr int kMaxComparisons = 5000;

QString tooDeep()
{
    return QStringLiteral("der Ausdruck ist zu tief verschachtelt (höchstens %1 Ebenen)").arg(kMaxNesting);
}

bool isIdentStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_');
}
bool isIdentPart(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

class Lexer
{
public:
    explicit Lexer(const QString &text) : m_text(text) {}

    std::vector<Token> run()
    {
        std::vector<Token> out;
        for (;;) {
            skipSpace();
            Token t;
            t.pos = m_pos;
            if (m_pos >= m_text.size()) {
                out.push_back(t);
                return out;
            }
            const QChar c = m_text.at(m_pos);
            if (isIdentStart(c)) {
                const int start = m_pos;
                while (m_pos < m_text.size() && isIdentPart(m_text.at(m_pos)))
                    ++m_pos;
                t.type = Token::Ident;
                t.text = m_text.mid(start, m_pos - start);
            } else if (c == QLatin1Char('[')) {
                const int close = m_text.indexOf(QLatin1Char(']'), m_pos + 1);
                if (close < 0)
                    syntaxError(m_text, QStringLiteral("fehlende schließende Klammer ']'"));
                t.type = Token::Ident;
                t.bracketed = true;
                t.text = m_text.mid(m_pos + 1, close - m_pos - 1);
                if (t.text.trimmed().isEmpty())
                    syntaxError(m_text, QStringLiteral("leerer Name in []"));
                m_pos = close + 1;
            } else if (c.isDigit() || (c == QLatin1Char('.') && m_pos + 1 < m_text.size() &&
                                       m_text.at(m_pos + 1).isDigit())) {
                lexNumber(t);
            } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
                lexString(t, c);
            } else if (c == QLatin1Char('#')) {
                lexDate(t);
            } else {
                t.type = Token::Symbol;
                const QString two = m_text.mid(m_pos, 2);
                if (two == QLatin1String("<>") || two == QLatin1String("<=") || two == QLatin1String(">=") ||
                    two == QLatin1String("!=")) {
                    t.text = two == QLatin1String("!=") ? QStringLiteral("<>") : two;
                    m_pos += 2;
                } else if (QStringLiteral("=<>(),.*-+").contains(c)) {
                    t.text = c;
                    ++m_pos;
                } else {
                    syntaxError(m_text, QStringLiteral("unerwartetes Zeichen '%1'").arg(c));
                }
            }
            out.push_back(t);
        }
    }

private:
    void skipSpace()
    {
        while (m_pos < m_text.size() && m_text.at(m_pos).isSpace())
            ++m_pos;
    }

    void lexNumber(Token &t)
    {
        const int start = m_pos;
        while (m_pos < m_text.size() && m_text.at(m_pos).isDigit())
            ++m_pos;
        bool decimal = false;
        if (m_pos < m_text.size() && m_text.at(m_pos) == QLatin1Char('.')) {
            decimal = true;
            ++m_pos;
            while (m_pos < m_text.size() && m_text.at(m_pos).isDigit())
                ++m_pos;
        }
        if (m_pos < m_text.size() && isIdentStart(m_text.at(m_pos)))
            syntaxError(m_text, QStringLiteral("ungültige Zahl '%1'").arg(m_text.mid(start, m_pos - start + 1)));
        const QString s = m_text.mid(start, m_pos - start);
        t.type = Token::Number;
        t.text = s;
        bool ok = false;
        if (!decimal) {
            const qint64 v = s.toLongLong(&ok);
            if (ok) {
                t.value = Value(v);
                return;
            }
        }
        const double d = s.toDouble(&ok);
        if (!ok || std::isinf(d))
            syntaxError(m_text, QStringLiteral("ungültige Zahl '%1'").arg(s));
        t.value = Value(d);
    }

    void lexString(Token &t, QChar quote)
    {
        QString s;
        ++m_pos;
        for (;;) {
            if (m_pos >= m_text.size())
                throw AppError(QStringLiteral("Zeichenfolge ohne schließendes Anführungszeichen in '%1'")
                                   .arg(oneLine(m_text)));
            const QChar c = m_text.at(m_pos);
            if (c == quote) {
                if (m_pos + 1 < m_text.size() && m_text.at(m_pos + 1) == quote) {
                    s += quote;
                    m_pos += 2;
                    continue;
                }
                ++m_pos;
                break;
            }
            s += c;
            ++m_pos;
        }
        t.type = Token::String;
        t.text = s;
    }

    void lexDate(Token &t)
    {
        const int close = m_text.indexOf(QLatin1Char('#'), m_pos + 1);
        if (close < 0)
            syntaxError(m_text, QStringLiteral("Datum ohne schließendes '#'"));
        const QString body = m_text.mid(m_pos + 1, close - m_pos - 1).trimmed();
        m_pos = close + 1;
        // #mm/dd/yyyy# with an optional time.
        const QStringList parts = body.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const QStringList mdy = parts.value(0).split(QLatin1Char('/'));
        bool ok1 = false, ok2 = false, ok3 = false;
        int month = 0, day = 0, year = 0;
        if (mdy.size() == 3) {
            month = mdy[0].toInt(&ok1);
            day = mdy[1].toInt(&ok2);
            year = mdy[2].toInt(&ok3);
        }
        QDate date(year, month, day);
        if (!ok1 || !ok2 || !ok3 || !date.isValid() || parts.size() > 2)
            syntaxError(m_text, QStringLiteral("ungültiges Datum '#%1#'").arg(body));
        int secs = 0;
        if (parts.size() == 2) {
            const QTime time = QTime::fromString(parts[1], QStringLiteral("H:mm:ss"));
            const QTime time2 = QTime::fromString(parts[1], QStringLiteral("H:mm"));
            if (time.isValid())
                secs = time.msecsSinceStartOfDay() / 1000;
            else if (time2.isValid())
                secs = time2.msecsSinceStartOfDay() / 1000;
            else
                syntaxError(m_text, QStringLiteral("ungültige Uhrzeit '%1'").arg(parts[1]));
        }
        t.type = Token::Date;
        t.value = Value::fromStamp(Value::stampOf(date, secs));
        t.text = body;
    }

    QString m_text;
    int m_pos = 0;
};

class Parser
{
public:
    explicit Parser(const QString &text) : m_source(text), m_tokens(Lexer(text).run()) {}

    Select parseSelect()
    {
        Select s;
        expectKeyword("select");
        if (isKeyword("distinct") || isKeyword("distinctrow"))
            error(QStringLiteral("DISTINCT wird nicht unterstützt"));
        if (isKeyword("top")) {
            next();
            if (cur().type != Token::Number || cur().value.kind() != Value::Int || cur().value.rawInt() < 0)
                error(QStringLiteral("nach TOP wird eine ganze Zahl erwartet"));
            s.top = int(cur().value.rawInt());
            next();
        }
        for (;;) {
            SelectItem item;
            if (isSymbol("*")) {
                next();
                item.star = true;
            } else if (cur().type == Token::Ident && peek(1).type == Token::Symbol && peek(1).text == QLatin1String(".") &&
                       peek(2).type == Token::Symbol && peek(2).text == QLatin1String("*")) {
                item.star = true;
                item.starTable = cur().text;
                next();
                next();
                next();
            } else {
                item.expr = parseValue(QStringLiteral("in der Feldliste sind nur Feldnamen erlaubt"));
                if (isKeyword("as")) {
                    next();
                    item.alias = expectName();
                } else if (isSymbol("*") || isSymbol("+") || isSymbol("-")) {
                    error(QStringLiteral("Rechenausdrücke in der Feldliste werden nicht unterstützt"));
                }
            }
            s.items.push_back(std::move(item));
            if (!isSymbol(","))
                break;
            next();
        }
        expectKeyword("from");
        s.from = parseTableRef();
        if (isKeyword("inner") || isKeyword("left")) {
            // A left join keeps the rows of the first table that have no
            // partner (a document without an address).
            s.leftJoin = isKeyword("left");
            next();
            if (s.leftJoin && isKeyword("outer")) next();
            expectKeyword("join");
            s.hasJoin = true;
            s.join = parseTableRef();
            expectKeyword("on");
            s.joinOn = parseOr();
        }
        if (isKeyword("where")) {
            next();
            s.where = parseOr();
        }
        if (isKeyword("group")) {
            next();
            expectKeyword("by");
            for (;;) {
                ExprPtr g = parseOperand();
                if (g->kind != Expr::Column)
                    error(QStringLiteral("nach GROUP BY wird ein Feldname erwartet"));
                s.groupBy.push_back(std::move(g));
                if (!isSymbol(",")) break;
                next();
            }
        }
        if (isKeyword("having")) error(QStringLiteral("HAVING wird nicht unterstützt"));
        if (isKeyword("order")) {
            next();
            expectKeyword("by");
            s.orderBy = parseOrderList();
        }
        if (isSymbol(";") || cur().type != Token::End)
            unexpected();
        if (s.joinOn)
            checkNesting(*s.joinOn);
        if (s.where)
            checkNesting(*s.where);
        s.aggregates = m_aggregates;
        checkGrouping(s);
        return s;
    }

    ExprPtr parseConditionOnly()
    {
        if (cur().type == Token::End)
            error(QStringLiteral("leere Bedingung"));
        ExprPtr e = parseOr();
        if (cur().type != Token::End)
            unexpected();
        checkNesting(*e);
        return e;
    }

private:
    static int nestingOf(const Expr &e)
    {
        int inner = 0;
        switch (e.kind) {
        case Expr::Logic:
            for (const ExprPtr &t : e.terms)
                inner = qMax(inner, nestingOf(*t));
            return inner + 1;
        case Expr::Not:
            return nestingOf(*e.left) + 1;
        default:
            return 0;
        }
    }
    void checkNesting(const Expr &e) const
    {
        if (nestingOf(e) > kMaxNesting)
            error(tooDeep());
    }

    // In a grouped select every value must be an aggregate or come from the
    // groups: the engines would otherwise disagree (one picks any row's
    // value, the other refuses the text).
    void checkGrouping(const Select &s) const
    {
        if (!s.grouped()) return;
        auto sameName = [](const QString &a, const QString &b) {
            return a.isEmpty() || b.isEmpty() || a.compare(b, Qt::CaseInsensitive) == 0;
        };
        auto inGroups = [&](const Expr &c) {
            for (const ExprPtr &g : s.groupBy)
                if (g->name.compare(c.name, Qt::CaseInsensitive) == 0 && sameName(g->table, c.table))
                    return true;
            return false;
        };
        auto check = [&](const Expr &e, bool aliasAllowed) {
            if (e.kind == Expr::Aggregate) return;
            const Expr &c = e.kind == Expr::Val ? *e.left : e;
            if (inGroups(c)) return;
            if (aliasAllowed && c.table.isEmpty())
                for (const SelectItem &item : s.items)
                    if (item.alias.compare(c.name, Qt::CaseInsensitive) == 0) return;
            error(QStringLiteral("'%1' steht weder nach GROUP BY noch in COUNT, SUM, MIN, MAX oder AVG")
                      .arg(c.table.isEmpty() ? c.name : c.table + QLatin1Char('.') + c.name));
        };
        for (const SelectItem &item : s.items) {
            if (item.star)
                error(QStringLiteral("'*' ist neben COUNT, SUM, MIN, MAX, AVG oder GROUP BY nicht möglich"));
            check(*item.expr, false);
        }
        for (const OrderItem &o : s.orderBy)
            check(*o.expr, true);
    }

    static bool aggregateNamed(const QString &name, Agg *agg)
    {
        static const struct
        {
            const char *name;
            Agg agg;
        } names[] = {{"count", Agg::Count},
                     {"sum", Agg::Sum},
                     {"min", Agg::Min},
                     {"max", Agg::Max},
                     {"avg", Agg::Avg}};
        for (const auto &n : names)
            if (name.compare(QLatin1String(n.name), Qt::CaseInsensitive) == 0) {
                *agg = n.agg;
                return true;
            }
        return false;
    }
    bool atCall() const
    {
        return cur().type == Token::Ident && !cur().bracketed && peek(1).type == Token::Symbol &&
               peek(1).text == QLatin1String("(");
    }

    // A value of the field list or order list: a column, Val(column) or an
    // aggregate of a column; notAValue is the message for anything else.
    ExprPtr parseValue(const QString &notAValue)
    {
        Agg agg = Agg::Count;
        if (!atCall() || !aggregateNamed(cur().text, &agg)) {
            ExprPtr e = parseOperand();
            if (e->kind != Expr::Column && e->kind != Expr::Val) error(notAValue);
            return e;
        }
        const QString name = cur().text.toUpper();
        next();
        next();
        auto e = std::make_unique<Expr>();
        e->kind = Expr::Aggregate;
        e->agg = agg;
        if (agg == Agg::Count && isSymbol("*")) {
            next();
        } else {
            if (isKeyword("distinct")) error(QStringLiteral("DISTINCT wird nicht unterstützt"));
            e->left = parseOperand();
            if (e->left->kind != Expr::Column) error(QStringLiteral("%1 erwartet einen Feldnamen").arg(name));
        }
        if (!isSymbol(")")) error(QStringLiteral("')' erwartet"));
        next();
        m_aggregates = true;
        return e;
    }

    const Token &cur() const { return m_tokens[m_i]; }
    const Token &peek(int n) const
    {
        const size_t k = qMin(m_i + size_t(n), m_tokens.size() - 1);
        return m_tokens[k];
    }
    void next()
    {
        if (m_i + 1 < m_tokens.size())
            ++m_i;
    }
    bool isKeyword(const char *kw) const
    {
        return cur().type == Token::Ident && !cur().bracketed &&
               cur().text.compare(QLatin1String(kw), Qt::CaseInsensitive) == 0;
    }
    bool isSymbol(const char *s) const
    {
        return cur().type == Token::Symbol && cur().text == QLatin1String(s);
    }
    [[noreturn]] void error(const QString &detail) const { syntaxError(m_source, detail); }
    [[noreturn]] void unexpected() const
    {
        if (cur().type == Token::End)
            error(QStringLiteral("unerwartetes Ende"));
        QString what = cur().type == Token::String ? QLatin1Char('\'') + cur().text + QLatin1Char('\'')
                                                   : m_source.mid(cur().pos).section(QLatin1Char(' '), 0, 0);
        error(QStringLiteral("unerwartet: %1").arg(what.isEmpty() ? cur().text : what));
    }
    void expectKeyword(const char *kw)
    {
        if (!isKeyword(kw))
            error(QStringLiteral("'%1' erwartet").arg(QString::fromLatin1(kw).toUpper()));
        next();
    }
    static bool isReserved(const QString &word)
    {
        static const char *const words[] = {"select", "from", "where", "order", "by",    "and",
                                            "or",     "not",  "like",  "as",    "inner", "join",
                                            "on",     "is",   "null",  "true",  "false", "desc",
                                            "asc",    "top",  "left",  "outer", "group", "having"};
        for (const char *w : words)
            if (word.compare(QLatin1String(w), Qt::CaseInsensitive) == 0)
                return true;
        return false;
    }
    QString expectName()
    {
        if (cur().type != Token::Ident || (!cur().bracketed && isReserved(cur().text)))
            error(QStringLiteral("Name erwartet"));
        const QString n = cur().text;
        next();
        return n;
    }

    TableRef parseTableRef()
    {
        TableRef t;
        t.name = expectName();
        if (isKeyword("as")) {
            next();
            t.alias = expectName();
        } else if (cur().type == Token::Ident && (cur().bracketed || !isReserved(cur().text))) {
            t.alias = expectName();
        }
        return t;
    }

    std::vector<OrderItem> parseOrderList()
    {
        std::vector<OrderItem> list;
        for (;;) {
            OrderItem o;
            o.expr = parseValue(QStringLiteral("nach ORDER BY wird ein Feldname erwartet"));
            if (isKeyword("desc")) {
                o.desc = true;
                next();
            } else if (isKeyword("asc")) {
                next();
            }
            list.push_back(std::move(o));
            if (!isSymbol(","))
                break;
            next();
        }
        return list;
    }

    // "a or b or c" is one node with three terms, not a nesting of pairs: a
    // long chain neither nests the engine's SQL nor the recursion here.
    ExprPtr parseOr() { return parseChain(Op::Or); }
    ExprPtr parseAnd() { return parseChain(Op::And); }

    ExprPtr parseChain(Op op)
    {
        const char *keyword = op == Op::Or ? "or" : "and";
        ExprPtr first = op == Op::Or ? parseAnd() : parseNot();
        if (!isKeyword(keyword))
            return first;
        auto e = std::make_unique<Expr>();
        e->kind = Expr::Logic;
        e->op = op;
        addTerm(*e, std::move(first));
        while (isKeyword(keyword)) {
            next();
            addTerm(*e, op == Op::Or ? parseAnd() : parseNot());
        }
        return e;
    }

    static void addTerm(Expr &chain, ExprPtr term)
    {
        // "a or (b or c)" is the same chain.
        if (term->kind == Expr::Logic && term->op == chain.op) {
            for (ExprPtr &t : term->terms)
                chain.terms.push_back(std::move(t));
            return;
        }
        chain.terms.push_back(std::move(term));
    }

    ExprPtr parseNot()
    {
        // A run of "not" is read in a loop; two of them cancel out.
        bool negate = false;
        while (isKeyword("not")) {
            next();
            negate = !negate;
        }
        ExprPtr inner = parsePredicate();
        if (!negate)
            return inner;
        if (inner->kind == Expr::Not)
            return std::move(inner->left);
        auto e = std::make_unique<Expr>();
        e->kind = Expr::Not;
        e->left = std::move(inner);
        return e;
    }

    ExprPtr parsePredicate()
    {
        if (isSymbol("(")) {
            // A parenthesised condition; "(a) = b" is not a form the program writes.
            const Nesting nesting(*this);
            next();
            ExprPtr inner = parseOr();
            if (!isSymbol(")"))
                error(QStringLiteral("')' erwartet"));
            next();
            return inner;
        }
        if (++m_comparisons > kMaxComparisons)
            error(QStringLiteral("der Ausdruck ist zu lang (höchstens %1 Vergleiche)").arg(kMaxComparisons));
        ExprPtr left = parseOperand();
        if (cur().type == Token::Symbol) {
            static const struct
            {
                const char *sym;
                Op op;
            } ops[] = {{"=", Op::Eq}, {"<>", Op::Ne}, {"<", Op::Lt}, {">", Op::Gt}, {"<=", Op::Le}, {">=", Op::Ge}};
            for (const auto &o : ops) {
                if (cur().text == QLatin1String(o.sym)) {
                    next();
                    auto e = std::make_unique<Expr>();
                    e->kind = Expr::Compare;
                    e->op = o.op;
                    e->left = std::move(left);
                    e->right = parseOperand();
                    return e;
                }
            }
        }
        bool negated = false;
        if (isKeyword("not") && peek(1).type == Token::Ident &&
            peek(1).text.compare(QLatin1String("like"), Qt::CaseInsensitive) == 0) {
            negated = true;
            next();
        }
        if (isKeyword("like")) {
            next();
            auto e = std::make_unique<Expr>();
            e->kind = Expr::Like;
            e->negated = negated;
            e->left = std::move(left);
            e->right = parseOperand();
            if (e->right->kind != Expr::Literal || e->right->litKind != Expr::Text)
                error(QStringLiteral("nach LIKE wird ein Muster in Anführungszeichen erwartet"));
            return e;
        }
        if (negated)
            unexpected();
        if (isKeyword("is")) {
            next();
            auto e = std::make_unique<Expr>();
            e->kind = Expr::IsNull;
            if (isKeyword("not")) {
                e->negated = true;
                next();
            }
            expectKeyword("null");
            e->left = std::move(left);
            return e;
        }
        // A yes/no column (or a literal) standing alone is a condition.
        auto e = std::make_unique<Expr>();
        e->kind = Expr::Truth;
        e->left = std::move(left);
        return e;
    }

    ExprPtr parseOperand()
    {
        auto e = std::make_unique<Expr>();
        const Token &t = cur();
        if (t.type == Token::Symbol && (t.text == QLatin1String("-") || t.text == QLatin1String("+")) &&
            peek(1).type == Token::Number) {
            const bool minus = t.text == QLatin1String("-");
            next();
            e->kind = Expr::Literal;
            e->litKind = Expr::Number;
            const Value v = cur().value;
            e->value = !minus ? v : (v.kind() == Value::Int ? Value(-v.rawInt()) : Value(-v.rawDouble()));
            next();
            return e;
        }
        switch (t.type) {
        case Token::Number:
            e->kind = Expr::Literal;
            e->litKind = Expr::Number;
            e->value = t.value;
            next();
            return e;
        case Token::String:
            e->kind = Expr::Literal;
            e->litKind = Expr::Text;
            e->value = Value(t.text);
            next();
            return e;
        case Token::Date:
            e->kind = Expr::Literal;
            e->litKind = Expr::Date;
            e->value = t.value;
            next();
            return e;
        case Token::Ident:
            if (!t.bracketed) {
                if (t.text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
                    t.text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
                    e->kind = Expr::Literal;
                    e->litKind = Expr::Bool;
                    e->value = Value(t.text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0);
                    next();
                    return e;
                }
                if (t.text.compare(QLatin1String("null"), Qt::CaseInsensitive) == 0) {
                    e->kind = Expr::Literal;
                    e->litKind = Expr::Null;
                    next();
                    return e;
                }
                if (t.text.compare(QLatin1String("val"), Qt::CaseInsensitive) == 0 && peek(1).type == Token::Symbol &&
                    peek(1).text == QLatin1String("(")) {
                    const Nesting nesting(*this);
                    next();
                    next();
                    e->kind = Expr::Val;
                    e->left = parseOperand();
                    if (e->left->kind != Expr::Column)
                        error(QStringLiteral("Val erwartet einen Feldnamen"));
                    if (!isSymbol(")"))
                        error(QStringLiteral("')' erwartet"));
                    next();
                    return e;
                }
                if (isReserved(t.text))
                    unexpected();
                Agg agg = Agg::Count;
                if (atCall() && aggregateNamed(t.text, &agg))
                    error(QStringLiteral("%1 ist nur in der Feldliste und nach ORDER BY möglich")
                              .arg(t.text.toUpper()));
                if (atCall())
                    error(QStringLiteral(
                              "die Funktion %1 wird nicht unterstützt (möglich sind COUNT, SUM, MIN, MAX, "
                              "AVG und Val)")
                              .arg(t.text));
            }
            e->kind = Expr::Column;
            e->name = t.text;
            next();
            if (isSymbol(".")) {
                next();
                e->table = e->name;
                e->name = expectName();
            }
            return e;
        default:
            unexpected();
        }
    }

    // Guards the recursion of the parser against texts nested without end.
    class Nesting
    {
    public:
        explicit Nesting(Parser &p) : m_p(p)
        {
            if (++m_p.m_depth > kMaxParserNesting)
                m_p.error(tooDeep());
        }
        ~Nesting() { --m_p.m_depth; }
        Nesting(const Nesting &) = delete;
        Nesting &operator=(const Nesting &) = delete;

    private:
        Parser &m_p;
    };

    QString m_source;
    std::vector<Token> m_tokens;
    size_t m_i = 0;
    int m_depth = 0;
    int m_comparisons = 0;
    bool m_aggregates = false;
};

// ---- resolution -------------------------------------------------------------

[[noreturn]] void typeMismatch(const QString &source)
{
    throw AppError(QStringLiteral("Datentypen in Kriterienausdruck unverträglich: '%1'").arg(oneLine(source)));
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
    if (lit.kind != Expr::Literal || lit.litKind == Expr::Null)
        return;
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
            if (!German::parseFloat(lit.value.rawText(), &d))
                typeMismatch(source);
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
            if (!German::parseDateText(lit.value.rawText(), &stamp) && !German::parseIso(lit.value.rawText(), &stamp))
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
            else if (t == QLatin1String("nein") || t == QLatin1String("false") || t == QLatin1String("falsch") ||
                     t == QLatin1String("0"))
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
        if (operandType(*e.left, &t))
            coerceLiteral(*e.right, t, source);
        if (operandType(*e.right, &t))
            coerceLiteral(*e.left, t, source);
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
        if (e.left->kind == Expr::Column && e.left->binding.type == FieldType::Date)
            typeMismatch(source);
        return;
    }
}

// ---- emission ------------------------------------------------------------------

bool isAsciiText(const Value &v)
{
    if (v.kind() != Value::Text)
        return false;
    for (QChar c : v.rawText())
        if (c.unicode() >= 0x80)
            return false;
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
        if (e.binding.type == FieldType::Bool)
            return engine.boolOperand(e.binding.sql);
        return e.binding.sql;
    case Expr::Val:
        return engine.valCall(e.left->binding.sql, e.left->binding.type);
    case Expr::Literal:
        if (e.litKind == Expr::Null)
            return QStringLiteral("NULL");
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
        if (v.isNull())
            return v;
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
            if (r == decisive)
                return decisive;
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
        if (v.isNull())
            return e.left->kind == Expr::Column ? False : Unknown;
        return v.toBool() ? True : False;
    }
    case Expr::IsNull: {
        const Value v = operandValue(*e.left, row);
        const bool isNull = v.isNull() || (v.kind() == Value::Text && false);
        return (isNull != e.negated) ? True : False;
    }
    case Expr::Like: {
        const Value v = operandValue(*e.left, row);
        if (v.isNull())
            return Unknown;
        const QString text = v.kind() == Value::Text ? v.rawText()
                             : v.kind() == Value::Int ? QString::number(v.rawInt())
                                                      : German::formatFloat(v.toDouble());
        const bool m = TextCompare::like(text, e.right->value.rawText());
        return (m != e.negated) ? True : False;
    }
    case Expr::Compare: {
        Value a = operandValue(*e.left, row);
        Value b = operandValue(*e.right, row);
        // Yes/no columns never hold null: a missing value is a no.
        if (e.left->kind == Expr::Column && e.left->binding.type == FieldType::Bool)
            a = Value(a.toBool());
        if (e.right->kind == Expr::Column && e.right->binding.type == FieldType::Bool)
            b = Value(b.toBool());
        if (a.isNull() || b.isNull())
            return Unknown;
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
        if (v.isNull())
            return Unknown;
        return v.toBool() ? True : False;
    }
    }
}

} // namespace

Select parseSelect(const QString &text)
{
    return Parser(text).parseSelect();
}

ExprPtr parseCondition(const QString &text)
{
    return Parser(text).parseConditionOnly();
}

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
        if (e.left->kind == Expr::Literal && e.left->litKind == Expr::Bool)
            return engine.boolCondition(o);
        return QStringLiteral("(COALESCE(%1,0) <> 0)").arg(o);
    }
    case Expr::IsNull: {
        const QString o = e.left->kind == Expr::Column ? e.left->binding.sql : emitOperand(*e.left, engine, params);
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
            if (!isTextOperand(*e.left) && e.left->kind != Expr::Literal)
                l = engine.asText(l);
            if (!isTextOperand(*e.right) && e.right->kind != Expr::Literal)
                r = engine.asText(r);
            const Expr *lit = e.right->kind == Expr::Literal ? e.right.get()
                              : e.left->kind == Expr::Literal ? e.left.get() : nullptr;
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
