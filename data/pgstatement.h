// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A statement of the server engine: its runs prepared once per text and
// parameter types, many rows of an insert sent as one, the answer read row by row.
#include "engine.h"
#include "pgsession.h"

#include <map>
#include <memory>
#include <vector>

namespace Pg {

class PgStatement : public Statement
{
  public:
    PgStatement(std::shared_ptr<Session> session, QString sql, int count, bool insert, bool returning,
                bool generic)
        : m_session(std::move(session)), m_sql(std::move(sql)), m_params(size_t(count)), m_insert(insert),
          m_returning(returning), m_generic(generic)
    {}
    ~PgStatement() override { clearResult(); }

    void bind(int index, const Value &value) override;

    bool step() override;

    void reset() override
    {
        clearResult();
        for (Value &v : m_params)
            v = Value();
    }

    int columnCount() const override
    {
        // As with SQLite, the columns are known before the first row is read.
        if (!m_result) const_cast<PgStatement *>(this)->execute();
        return PQnfields(m_result.get());
    }

    Value column(int i, FieldType type) const override;

    Value columnDynamic(int i) const override;

    void runLater() override;

    void runEachLater(const std::vector<std::vector<Value>> &sets) override;

    void runEach(const std::vector<std::vector<Value>> &sets,
                 const std::function<void(Statement &, bool)> &each) override
    {
        if (sets.empty()) return;
        clearResult();
        if (m_insert && m_returning && sets.size() > 1 && insertRows(sets, each)) return;
        std::vector<Session::Run> runs;
        runs.reserve(sets.size());
        for (const std::vector<Value> &set : sets) {
            for (Value &v : m_params)
                v = Value();
            for (size_t k = 0; k < set.size(); ++k)
                bind(int(k) + 1, set[k]);
            runs.push_back(nextRun());
        }
        std::vector<PgResult> results = send(runs);
        for (PgResult &res : results) {
            clearResult();
            take(std::move(res));
            each(*this, step());
        }
        reset();
    }

  private:
    // Rows of an insert go as one statement of many rows: the server starts
    // one insert instead of one per row, and hands the rows back (where the
    // insert does) in the order of the values, as it inserts them. False
    // when the text is not of that form (the rows then go one by one).
    bool insertRows(const std::vector<std::vector<Value>> &sets,
                    const std::function<void(Statement &, bool)> &each)
    {
        static const QLatin1String kValues(" VALUES (");
        const qsizetype open = m_sql.indexOf(kValues, 0, Qt::CaseInsensitive);
        const qsizetype close = open < 0 ? -1 : m_sql.indexOf(QLatin1Char(')'), open);
        if (close < 0 || m_params.empty()) return false;
        Session &s = *m_session;
        const size_t width = m_params.size();
        constexpr size_t kRowsPerInsert = 200;
        for (size_t from = 0; from < sets.size(); from += kRowsPerInsert) {
            const size_t n = std::min(kRowsPerInsert, sets.size() - from);
            auto run = std::make_shared<Session::Run>();
            std::vector<bool> null;
            for (size_t r = 0; r < n; ++r) {
                reset();
                const std::vector<Value> &set = sets[from + r];
                for (size_t k = 0; k < set.size(); ++k)
                    bind(int(k) + 1, set[k]);
                for (size_t k = 0; k < width; ++k) {
                    run->types.push_back(parameterType(m_params[k]));
                    run->texts.push_back(parameterText(m_params[k]));
                    null.push_back(m_params[k].isNull());
                }
            }
            for (size_t k = 0; k < run->texts.size(); ++k)
                run->values.push_back(null[k] ? nullptr : run->texts[k].constData());
            QString &sql = m_rowsSql[n];
            if (sql.isEmpty()) {
                QString tuples;
                for (size_t r = 0; r < n; ++r) {
                    tuples += r ? QStringLiteral(", (") : QStringLiteral("(");
                    for (size_t k = 0; k < width; ++k)
                        tuples += (k ? QStringLiteral(", $") : QStringLiteral("$")) +
                                  QString::number(r * width + k + 1);
                    tuples += QLatin1Char(')');
                }
                sql = m_sql.left(open + kValues.size() - 1) + tuples + m_sql.mid(close + 1);
            }
            const QString typesKey =
                QString::fromLatin1(QByteArray::fromRawData(reinterpret_cast<const char *>(run->types.data()),
                                                            qsizetype(run->types.size() * sizeof(Oid)))
                                        .toHex());
            run->name = s.statementName(sql, typesKey, &run->prepareText);
            s.planFor(m_generic);
            clearResult();
            if (!each) {
                s.deferred.append(Session::Deferred{sql.toUtf8(), std::move(run)});
                continue;
            }
            if (traceRoundTrips())
                qDebug("pg round trip: %s %d rows× %s", s.deferredText().constData(), int(n),
                       qPrintable(m_sql));
            take(std::move(s.execute({*run}).front()));
            for (size_t r = 0; r < n; ++r)
                each(*this, step());
        }
        reset();
        return true;
    }

    // The next run with the bound values: its statement prepared once per
    // text and parameter types on this connection.
    Session::Run nextRun();

    std::vector<PgResult> send(const std::vector<Session::Run> &runs);

    void execute()
    {
        std::vector<Session::Run> runs{nextRun()};
        take(std::move(send(runs).front()));
    }

    // A run's result as the statement's.
    void take(PgResult owned);

    void clearResult()
    {
        m_result.reset();
        m_rows = 0;
        m_row = -1;
    }

    static Value textAsNumber(const char *p, int n);

    std::shared_ptr<Session> m_session;
    QString m_sql;
    // The server's name of the statement, for these parameter types, in
    // this generation of the session.
    QByteArray m_name;
    std::vector<Oid> m_types;
    int m_generation = -1;
    std::vector<Value> m_params;
    std::map<size_t, QString> m_rowsSql; // the insert of so many rows at once
    bool m_insert = false, m_returning = false, m_generic = false;
    PgResult m_result;
    int m_rows = 0;
    int m_row = -1;
};

} // namespace Pg
