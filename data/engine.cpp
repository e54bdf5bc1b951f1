// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine.h"

#include "base/apperror.h"

#include <QDir>
#include <QRegularExpression>
#include <QUrl>

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

QString Engine::missingMessage(const QString &location)
{
    return QStringLiteral(
               "Die Datenbank %1 gibt es nicht. Eine neue legt \"Datei › Neue Datenbank …\" im Programm "
               "oder \"tavirel init-db\" an; eine andere öffnet \"Datei › Datenbank öffnen …\" oder "
               "--db PFAD.")
        .arg(shownLocation(location));
}

bool Engine::isServerLocation(const QString &location)
{
    const QString l = location.trimmed();
    // Also libpq's other form, "host=server dbname=tavirel user=buero", with
    // any of libpq's keywords first: no file is named like that, and taken
    // for one it would be made.
    static const QRegularExpression keywords(
        QStringLiteral(
            "^(host|hostaddr|port|dbname|user|password|passfile|require_auth|channel_binding|"
            "connect_timeout|client_encoding|options|application_name|fallback_application_name|"
            "keepalives|keepalives_idle|keepalives_interval|keepalives_count|tcp_user_timeout|"
            "replication|gssencmode|sslmode|requiressl|sslcompression|sslcert|sslkey|sslpassword|"
            "sslcertmode|sslrootcert|sslcrl|sslcrldir|sslsni|requirepeer|ssl_min_protocol_version|"
            "ssl_max_protocol_version|krbsrvname|gsslib|gssdelegation|service|target_session_attrs|"
            "load_balance_hosts)\\s*="),
        QRegularExpression::CaseInsensitiveOption);
    return l.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           l.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive) || keywords.match(l).hasMatch();
}

std::unique_ptr<Engine> Engine::required(const QString &kind)
{
    auto engine = create(kind);
    if (!engine)
        throw AppError(kind == QLatin1String("postgresql")
                           ? QStringLiteral("Dem Programm fehlt die Anbindung an PostgreSQL-Server (die "
                                            "Bibliothek libpq); bitte das Programm neu installieren")
                           : QStringLiteral("Dem Programm fehlt die Anbindung an Datenbankdateien (die "
                                            "Bibliothek SQLite 3); bitte das Programm neu installieren"));
    return engine;
}

QString Engine::kindOf(const QString &location)
{
    return isServerLocation(location) ? QStringLiteral("postgresql") : QStringLiteral("sqlite");
}

namespace {

// user:password@ after a scheme, and password=… of a keyword list or a URI's
// query (quoted or up to the next blank). Generous on purpose: a stretch
// masked too many is harmless, a password shown is not.
const QRegularExpression &uriPassword()
{
    static const QRegularExpression re(QStringLiteral("(://[^:@/\\s]*):(\\S*)@"));
    return re;
}
const QRegularExpression &keywordPassword()
{
    static const QRegularExpression re(QStringLiteral("(password\\s*=\\s*)('(?:[^'\\\\]|\\\\.)*'?|[^\\s&]*)"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}
const QString kMask = QStringLiteral("***");

} // namespace

QString Engine::maskPasswords(const QString &text, const QString &location)
{
    QString out = text;
    // Each password of the location, also where a message quotes it alone
    // (a very short one would mask half the message: the forms above
    // catch it where it stands in a location).
    QStringList secrets;
    for (const QRegularExpression *re : {&uriPassword(), &keywordPassword()}) {
        auto it = re->globalMatch(location);
        while (it.hasNext()) {
            QString secret = it.next().captured(2);
            if (secret.size() >= 2 && secret.startsWith(QLatin1Char('\'')) &&
                secret.endsWith(QLatin1Char('\'')))
                secret = secret.mid(1, secret.size() - 2);
            for (const QString &s : {secret, QUrl::fromPercentEncoding(secret.toUtf8())})
                if (s.size() >= 4) secrets << s;
        }
    }
    out.replace(uriPassword(), QStringLiteral("\\1:") + kMask + QLatin1Char('@'));
    out.replace(keywordPassword(), QStringLiteral("\\1") + kMask);
    for (const QString &secret : std::as_const(secrets))
        out.replace(secret, kMask);
    return out;
}

bool Engine::holdsNul(const Value &value)
{
    return value.kind() == Value::Text && value.rawText().contains(QChar(0));
}

QString Engine::nulMessage(const QString &text)
{
    QString shown = text.left(40);
    shown.replace(QChar(0), QChar(0x2400)); // the visible picture of NUL
    return QStringLiteral("Der Text „%1%2“ enthält ein Nullzeichen (Zeichencode 0), das die Datenbank nicht "
                          "speichern kann; die Änderung wurde nicht gespeichert")
        .arg(shown, text.size() > 40 ? QStringLiteral("…") : QString());
}

QString Engine::withoutPassword(const QString &location)
{
    QString l = location.trimmed();
    l.replace(uriPassword(), QStringLiteral("\\1@"));
    static const QRegularExpression keyword(
        QStringLiteral("(^|\\s)password\\s*=\\s*('(?:[^'\\\\]|\\\\.)*'?|[^\\s&]*)\\s*"),
        QRegularExpression::CaseInsensitiveOption);
    l.replace(keyword, QStringLiteral("\\1"));
    static const QRegularExpression query(QStringLiteral("([?&])password=[^&]*&?"),
                                          QRegularExpression::CaseInsensitiveOption);
    l.replace(query, QStringLiteral("\\1"));
    if (l.endsWith(QLatin1Char('?')) || l.endsWith(QLatin1Char('&'))) l.chop(1);
    return l.trimmed();
}

QString Engine::shownLocation(const QString &location)
{
    const QString l = location.trimmed();
    return maskPasswords(isServerLocation(l) ? l : QDir::toNativeSeparators(location), location);
}

void Statement::runEach(const std::vector<std::vector<Value>> &sets,
                        const std::function<void(Statement &, bool)> &each)
{
    for (const std::vector<Value> &set : sets) {
        reset();
        for (size_t i = 0; i < set.size(); ++i)
            bind(int(i) + 1, set[i]);
        each(*this, step());
    }
    reset();
}

void Statement::runEachLater(const std::vector<std::vector<Value>> &sets)
{
    runEach(sets, [](Statement &, bool) {});
}
