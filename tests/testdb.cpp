// SPDX-License-Identifier: GPL-3.0-or-later
#include "testdb.h"

#include "data/schema.h"

#include <QCoreApplication>
#include <atomic>

namespace {

// One connection of the test run that makes and drops the schemas.
Engine &admin()
{
    static std::unique_ptr<Engine> engine;
    if (!engine) {
        engine = Engine::create(QStringLiteral("postgresql"));
        engine->open(TestDb::serverBase());
    }
    return *engine;
}

QString withSearchPath(const QString &base, const QString &schema)
{
    return base + (base.contains(QLatin1Char('?')) ? QLatin1Char('&') : QLatin1Char('?')) +
           QStringLiteral("options=-csearch_path%3D") + schema;
}

} // namespace

bool TestDb::onServer()
{
    return qEnvironmentVariable("TAVIREL_TEST_ENGINE")
               .compare(QLatin1String("postgresql"), Qt::CaseInsensitive) == 0;
}

QString TestDb::serverBase()
{
    return qEnvironmentVariable("TAVIREL_TEST_PG");
}

TestDb::TestDb(bool demo, Kind kind)
{
    m_server = kind == Kind::Server || (kind == Kind::Default && onServer());
    if (m_server) {
        static std::atomic<int> counter{0};
        m_schema = QStringLiteral("tvt_%1_%2").arg(QCoreApplication::applicationPid()).arg(++counter);
        admin().exec(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE; CREATE SCHEMA %1").arg(m_schema));
        m_path = withSearchPath(serverBase(), m_schema);
        Schema::createDatabase(m_path, demo);
        return;
    }
    m_path = m_dir.path() + QStringLiteral("/daten/tavirel.mdb");
    Schema::createDatabaseFile(m_path, demo);
}

TestDb::~TestDb()
{
    m_raw.reset();
    if (m_server) {
        try {
            admin().exec(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(m_schema));
        } catch (...) {
            // A server that went away takes its schemas with the cluster.
        }
    }
}

Engine &TestDb::raw()
{
    if (!m_raw) {
        m_raw = Engine::create(Engine::kindOf(m_path));
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
    if (!st->step()) return Value();
    return st->columnDynamic(0);
}
