// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the dialect: any text either parses or fails with an
// AppError; nothing else may happen (no crash, hang or other error). A text
// that parses must also run in the engine and in memory, and the pattern
// test must answer quickly for any text and pattern.
#include "base/apperror.h"
#include "data/engine.h"
#include "data/sqldialect.h"
#include "data/textcompare.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

// Four columns of the four kinds a condition compares; a name stands for one
// of them by its spelling, so that every name resolves.
const FieldType kTypes[] = {FieldType::Text, FieldType::Number, FieldType::Bool, FieldType::Date};
const char *const kColumns[] = {"t0.\"c_text\"", "t0.\"c_num\"", "t0.\"c_bool\"", "t0.\"c_date\""};

Engine &engine()
{
    static std::unique_ptr<Engine> e = [] {
        auto created = Engine::create();
        created->open(QStringLiteral(":memory:"), true);
        created->exec(
            QStringLiteral("create table t (c_text varchar(20), c_num double, c_bool boolean, "
                           "c_date datetime); insert into t values ('Müller', 1.5, 1, '2005-01-02'), "
                           "(NULL, NULL, 0, NULL)"));
        return created;
    }();
    return *e;
}

void runCondition(const QString &text)
{
    Sql::ExprPtr cond = Sql::parseCondition(text);
    Sql::resolve(
        *cond,
        [](const QString &, const QString &name) {
            Sql::ColumnBinding b;
            const int k = int(qHash(name.toLower()) % 4);
            b.sql = QString::fromLatin1(kColumns[k]);
            b.type = kTypes[k];
            b.fieldIndex = k;
            b.valid = true;
            return b;
        },
        text);
    QList<Value> params;
    const QString sql = Sql::emitSql(*cond, engine(), params);
    try {
        auto st = engine().prepare(QStringLiteral("select count(*) from t t0 where ") + sql);
        for (int i = 0; i < params.size(); ++i)
            st->bind(i + 1, params[i]);
        st->step();
    } catch (const AppError &e) {
        // Whatever the dialect accepts, the engine must take.
        if (e.message().contains(QLatin1String("stack overflow")) ||
            e.message().contains(QLatin1String("too large")))
            std::abort();
        throw;
    }
    const Value row[] = {Value(QStringLiteral("Müller")), Value(1.5), Value(true), Value()};
    Sql::evaluate(*cond, [&](int i) { return row[i]; });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        runCondition(text);
    } catch (const AppError &) {
    }
    try {
        Sql::parseSelect(text);
    } catch (const AppError &) {
    }
    try {
        Sql::parseSelect(QStringLiteral("select * from adress where ") + text);
    } catch (const AppError &) {
    }
    // The first line is a text, the rest a pattern.
    const qsizetype cut = text.indexOf(QLatin1Char('\n'));
    if (cut >= 0) TextCompare::like(QStringView(text).left(cut), QStringView(text).mid(cut + 1));
    return 0;
}
