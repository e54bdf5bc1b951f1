// SPDX-License-Identifier: GPL-3.0-or-later
#include "personcommands.h"

#include "commandline.h"

#include "base/apperror.h"
#include "data/dates.h"
#include "data/personaldata.h"
#include "data/tvexdaodatabase.h"
#include "printing/personexport.h"

#include <QDir>
#include <cstdio>

namespace PersonCommands {

namespace {

void write(std::FILE *stream, const QString &s)
{
    const QByteArray b = s.toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), stream);
}

bool customerNumber(const QString &text, qint64 *kdnr)
{
    bool ok = false;
    *kdnr = text.trimmed().toLongLong(&ok);
    if (!ok || *kdnr <= 0) write(stderr, QStringLiteral("'%1' ist keine Kundennummer\n").arg(text));
    return ok && *kdnr > 0;
}

} // namespace

int personExport(const QStringList &positional, const QString &db)
{
    qint64 kdnr = 0;
    if (positional.size() != 2) {
        write(stderr, QStringLiteral("Aufruf: tavirel person-export <kdnr> <ordner> [--db PFAD]\n"));
        return 2;
    }
    if (!customerNumber(positional.at(0), &kdnr)) return 2;
    try {
        TVexDaoDatabase database;
        CommandLine::OpenDatabase(database, db);
        QStringList warnings;
        const QStringList files =
            WritePersonExport(database, kdnr, positional.at(1), PersonExportBaseName(kdnr), &warnings);
        for (const QString &w : warnings)
            write(stderr, QStringLiteral("Warnung: %1\n").arg(w));
        write(stdout, QStringLiteral("Datenauskunft zur Kundennummer %1 geschrieben:\n").arg(kdnr));
        for (const QString &f : files)
            write(stdout, QStringLiteral("  %1\n").arg(QDir::toNativeSeparators(f)));
    } catch (const AppError &e) {
        write(stderr, e.message() + QLatin1Char('\n'));
        return 1;
    }
    return 0;
}

int anonymize(const QStringList &positional, const QString &db)
{
    qint64 kdnr = 0;
    if (positional.size() != 1) {
        write(stderr, QStringLiteral("Aufruf: tavirel anonymize <kdnr> [--db PFAD]\n"));
        return 2;
    }
    if (!customerNumber(positional.at(0), &kdnr)) return 2;
    try {
        TVexDaoDatabase database;
        CommandLine::OpenDatabase(database, db);
        PersonalData::anonymise(database, kdnr, Today());
    } catch (const AppError &e) {
        write(stderr, e.message() + QLatin1Char('\n'));
        return 1;
    }
    write(stdout, QStringLiteral("Die Adresse mit der Kundennummer %1 ist anonymisiert.\n").arg(kdnr));
    return 0;
}

} // namespace PersonCommands
