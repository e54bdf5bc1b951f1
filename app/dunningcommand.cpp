// SPDX-License-Identifier: GPL-3.0-or-later
#include "dunningcommand.h"

#include "app/commandline.h"
#include "base/apperror.h"
#include "base/germanformat.h"
#include "base/money.h"
#include "data/dates.h"
#include "data/programfolder.h"
#include "data/programvalues.h"
#include "data/settings.h"
#include "data/tvexdaodatabase.h"
#include "lists/core/dunningrun.h"
#include "printing/printvorgang.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <cstdio>

namespace CommandLine {

namespace {

const char *const kUsage = "Aufruf: tavirel dunning-run [--stichtag TT.MM.JJJJ] [--pdf ORDNER] [--db PFAD]";

void write(std::FILE *stream, const QString &s)
{
    const QByteArray b = (s + QLatin1Char('\n')).toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), stream);
}

struct UsageError
{
    QString message;
};

struct Arguments
{
    QDate key;
    QString pdf, db;
};

Arguments parseArguments(const QStringList &args)
{
    Arguments a;
    bool commandSeen = false, keySeen = false;
    for (int i = 1; i < args.size(); ++i) {
        QString arg = args.at(i);
        if (!arg.startsWith(QLatin1String("--"))) {
            if (commandSeen) throw UsageError{QStringLiteral("Unerwartete Angabe '%1'").arg(arg)};
            commandSeen = true;
            continue;
        }
        QString value;
        bool inlineValue = false;
        if (const qsizetype eq = arg.indexOf(QLatin1Char('=')); eq > 0) {
            value = arg.mid(eq + 1);
            arg = arg.left(eq);
            inlineValue = true;
        }
        static const QStringList known{QStringLiteral("--db"), QStringLiteral("--stichtag"),
                                       QStringLiteral("--pdf")};
        if (!known.contains(arg)) throw UsageError{QStringLiteral("Unbekannte Option '%1'").arg(args.at(i))};
        if (!inlineValue) {
            if (i + 1 >= args.size() || args.at(i + 1).startsWith(QLatin1String("--")))
                throw UsageError{QStringLiteral("Nach %1 fehlt ein Wert").arg(arg)};
            value = args.at(++i);
        }
        if (arg == QLatin1String("--stichtag")) {
            static const QRegularExpression form(QStringLiteral("^\\d{1,2}\\.\\d{1,2}\\.\\d{4}$"));
            const QDate d = QDate::fromString(value.trimmed(), QStringLiteral("d.M.yyyy"));
            if (keySeen) throw UsageError{QStringLiteral("--stichtag ist mehrfach angegeben")};
            if (!form.match(value.trimmed()).hasMatch() || !d.isValid())
                throw UsageError{
                    QStringLiteral("'%1' nach --stichtag ist kein gültiges Datum (erwartet wird TT.MM.JJJJ)")
                        .arg(value)};
            // Interest and reminder dates of days yet to come would claim
            // what is not owed yet.
            if (d > Today())
                throw UsageError{
                    QStringLiteral("Der Stichtag %1 liegt in der Zukunft").arg(German::formatDate(d))};
            a.key = d;
            keySeen = true;
        } else if (arg == QLatin1String("--pdf")) {
            if (value.trimmed().isEmpty()) throw UsageError{QStringLiteral("Nach --pdf fehlt der Ordner")};
            a.pdf = value;
        } else {
            a.db = value;
        }
    }
    if (!a.key.isValid()) a.key = Today();
    return a;
}

// The folder exists (or is made) and takes a file: checked before anything
// is made, so that a refused folder leaves the database as it was.
QString pdfFolder(const QString &given)
{
    const QString dir = QFileInfo(given).absoluteFilePath();
    QTemporaryFile probe(dir + QStringLiteral("/.tavirel-XXXXXX"));
    if (!QDir().mkpath(dir) || !probe.open())
        throw AppError(
            QStringLiteral("In den Ordner %1 kann nicht geschrieben werden; es wurden keine Mahnungen "
                           "erstellt")
                .arg(QDir::toNativeSeparators(dir)));
    return dir;
}

} // namespace

int dunningRun(const QStringList &args)
{
    Arguments a;
    try {
        a = parseArguments(args);
    } catch (const UsageError &e) {
        write(stderr, e.message);
        write(stderr, QString::fromUtf8(kUsage));
        return 2;
    }
    try {
        const QString folder = a.pdf.isEmpty() ? QString() : pdfFolder(a.pdf);
        const Dunning::Settings settings = Dunning::Settings::read(ProgramFolder::iniPath());
        TVexDaoDatabase db;
        OpenDatabase(db, a.db);
        const DunningList list = OverdueInvoices(db, settings, a.key);
        const DunningRunResult r = CreateReminders(db, settings, list);
        for (const QString &w : r.warnings)
            write(stderr, QStringLiteral("Warnung: %1").arg(w));
        QMap<QString, qint64> sums; // per currency
        for (const MadeReminder &m : r.made) {
            write(stdout, QStringLiteral("%1\tRechnung %2\t%3\t%4")
                              .arg(m.number, m.invoice, Dunning::LevelTitle(m.level),
                                   Money::format(m.total, QStringLiteral("#,##0.00 ") + m.currency)));
            sums[m.currency] += m.total;
        }
        QStringList sumTexts;
        for (auto it = sums.cbegin(); it != sums.cend(); ++it)
            sumTexts << Money::format(it.value(), QStringLiteral("#,##0.00 ") + it.key());
        write(stdout,
              r.made.isEmpty()
                  ? QStringLiteral("Zum Stichtag %1 ist keine Mahnung fällig; es wurden keine Mahnungen "
                                   "erstellt.")
                        .arg(German::formatDate(a.key))
                  : QStringLiteral("Summe: %1 %2 (%3 - %4) über %5")
                        .arg(r.made.size())
                        .arg(r.made.size() == 1 ? QStringLiteral("Mahnung") : QStringLiteral("Mahnungen"))
                        .arg(r.first(), r.last(), sumTexts.join(QStringLiteral(" und "))));
        if (!r.error.isEmpty()) {
            write(stderr, QStringLiteral("Der Mahnlauf wurde abgebrochen: %1").arg(r.error));
            return 1;
        }
        if (!folder.isEmpty() && !r.made.isEmpty()) {
            ProgramValues::instance().UstId =
                IniFile(ProgramFolder::iniPath()).readString(QStringLiteral("UST"), QStringLiteral("ID"));
            QStringList warnings;
            for (const MadeReminder &m : r.made)
                WriteVorgangPdf(&db, QString::number(m.id),
                                folder + QLatin1Char('/') + m.number + QStringLiteral(".pdf"), &warnings);
            warnings.removeDuplicates();
            for (const QString &w : warnings)
                write(stderr, QStringLiteral("Warnung: %1 (gedruckt mit den eingebauten Texten)").arg(w));
            write(stdout, QStringLiteral("PDF geschrieben nach %1").arg(QDir::toNativeSeparators(folder)));
        }
    } catch (const AppError &e) {
        write(stderr, e.message());
        return 1;
    }
    return 0;
}

} // namespace CommandLine
