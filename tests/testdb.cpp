#include "testdb.h"

#include "data/schema.h"

TestDb::TestDb(bool demo)
{
    m_path = m_dir.path() + QStringLiteral("/daten/tavirel.mdb");
    Schema::createDatabaseFile(m_path, demo);
}

TestDb::~TestDb() = default;

Engine &TestDb::raw()
{
    if (!m_raw) {
        m_raw = Engine::create();
        m_raw->open(m_path);
    }
    return *m_raw;
}

void TestDb::exec(const QString &sql)
{
    raw().exec(sql);
}

Value TestDb::scalar(const QString &sql)
{
    auto st = raw().prepare(sql);
    if (!st->step())
        return Value();
    return st->columnDynamic(0);
}
