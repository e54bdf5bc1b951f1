// SPDX-License-Identifier: GPL-3.0-or-later
// The dialect's lexer and parser: a select or a condition of the Jet dialect
// becomes a syntax tree, or a German message names what is wrong with it.
#include "sqldialect.h"

#include "base/apperror.h"
#include "base/germanformat.h"

#include <cmath>

namespace Sql {

namespace {

struct Token
{
    enum Type { End, Ident, Number, String, Date, Symbol } type = End;
    QString text; // identifier / symbol / string content
    Value value;  // number or date
    int pos = 0;
    bool bracketed = false;
};

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
                if (close < 0) syntaxError(m_text, QStringLiteral("fehlende schließende Klammer ']'"));
                t.type = Token::Ident;
                t.bracketed = true;
                t.text = m_text.mid(m_pos + 1, close - m_pos - 1);
                if (t.text.trimmed().isEmpty()) syntaxError(m_text, QStringLiteral("leerer Name in []"));
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
            syntaxError(m_text,
                        QStringLiteral("ungültige Zahl '%1'").arg(m_text.mid(start, m_pos - start + 1)));
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
        if (!ok || std::isinf(d)) syntaxError(m_text, QStringLiteral("ungültige Zahl '%1'").arg(s));
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
        if (close < 0) syntaxError(m_text, QStringLiteral("Datum ohne schließendes '#'"));
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
            } else if (cur().type == Token::Ident && peek(1).type == Token::Symbol &&
                       peek(1).text == QLatin1String(".") && peek(2).type == Token::Symbol &&
                       peek(2).text == QLatin1String("*")) {
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
            if (!isSymbol(",")) break;
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
        if (isSymbol(";") || cur().type != Token::End) unexpected();
        if (s.joinOn) checkNesting(*s.joinOn);
        if (s.where) checkNesting(*s.where);
        s.aggregates = m_aggregates;
        checkGrouping(s);
        return s;
    }

    ExprPtr parseConditionOnly()
    {
        if (cur().type == Token::End) error(QStringLiteral("leere Bedingung"));
        ExprPtr e = parseOr();
        if (cur().type != Token::End) unexpected();
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
        if (nestingOf(e) > kMaxNesting) error(tooDeep());
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
        if (m_i + 1 < m_tokens.size()) ++m_i;
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
        if (cur().type == Token::End) error(QStringLiteral("unerwartetes Ende"));
        QString what = cur().type == Token::String ? QLatin1Char('\'') + cur().text + QLatin1Char('\'')
                                                   : m_source.mid(cur().pos).section(QLatin1Char(' '), 0, 0);
        error(QStringLiteral("unerwartet: %1").arg(what.isEmpty() ? cur().text : what));
    }
    void expectKeyword(const char *kw)
    {
        if (!isKeyword(kw)) error(QStringLiteral("'%1' erwartet").arg(QString::fromLatin1(kw).toUpper()));
        next();
    }
    static bool isReserved(const QString &word)
    {
        static const char *const words[] = {"select", "from", "where", "order", "by",    "and",
                                            "or",     "not",  "like",  "as",    "inner", "join",
                                            "on",     "is",   "null",  "true",  "false", "desc",
                                            "asc",    "top",  "left",  "outer", "group", "having"};
        for (const char *w : words)
            if (word.compare(QLatin1String(w), Qt::CaseInsensitive) == 0) return true;
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
            if (!isSymbol(",")) break;
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
        if (!isKeyword(keyword)) return first;
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
        if (!negate) return inner;
        if (inner->kind == Expr::Not) return std::move(inner->left);
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
            if (!isSymbol(")")) error(QStringLiteral("')' erwartet"));
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
            } ops[] = {{"=", Op::Eq}, {"<>", Op::Ne}, {"<", Op::Lt},
                       {">", Op::Gt}, {"<=", Op::Le}, {">=", Op::Ge}};
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
        if (negated) unexpected();
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
                if (t.text.compare(QLatin1String("val"), Qt::CaseInsensitive) == 0 &&
                    peek(1).type == Token::Symbol && peek(1).text == QLatin1String("(")) {
                    const Nesting nesting(*this);
                    next();
                    next();
                    e->kind = Expr::Val;
                    e->left = parseOperand();
                    if (e->left->kind != Expr::Column) error(QStringLiteral("Val erwartet einen Feldnamen"));
                    if (!isSymbol(")")) error(QStringLiteral("')' erwartet"));
                    next();
                    return e;
                }
                if (isReserved(t.text)) unexpected();
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
            if (++m_p.m_depth > kMaxParserNesting) m_p.error(tooDeep());
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

} // namespace

Select parseSelect(const QString &text)
{
    return Parser(text).parseSelect();
}

ExprPtr parseCondition(const QString &text)
{
    return Parser(text).parseConditionOnly();
}

} // namespace Sql
