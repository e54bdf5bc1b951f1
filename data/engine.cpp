#include "engine.h"

std::unique_ptr<Engine> createSqliteEngine();
std::unique_ptr<Engine> createPgEngine();
bool engineMissingSimulated();

std::unique_ptr<Engine> Engine::create(const QString &kind)
{
    if (engineMissingSimulated()) return nullptr;
    if (kind.compare(QLatin1String("sqlite"), Qt::CaseInsensitive) == 0) return createSqliteEngine();
    if (kind.compare(QLatin1String("postgresql"), Qt::CaseInsensitive) == 0) return createPgEngine();
    return nullptr;
}

bool Engine::isServerLocation(const QString &location)
{
    const QString l = location.trimmed();
    return l.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           l.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

QString Engine::kindOf(const QString &location)
{
    return isServerLocation(location) ? QStringLiteral("postgresql") : QStringLiteral("sqlite");
}
