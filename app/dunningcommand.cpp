// SPDX-License-Identifier: GPL-3.0-or-later
#include "dunningcommand.h"

#include "app/commandline.h"
#include "app/commandoptions.h"
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
#include <QTemporaryFile>
#include <cstdio>

namespace CommandLine {

namespace {

const char *const kUsage = "Aufruf: tavirel dunning-run [--stichtag TT.MM.JJJJ] [--pdf ORDNER] [--db PFAD]";

struct Arguments
{
    QDate key;
    QString pdf, db;
};

Arguments parseArguments(const QStringList &args)
{
    Arguments a;
    bool commandSeen = false, keySeen = false;
    const auto word = [&](const QString &arg) {
        if (commandSeen) throw UsageError{QStringLiteral("Unerwartete Angabe '%1'").arg(arg)};
        commandSeen = true;
    };
    const auto option = [&](const QString &arg, const QString &value) {
        if (arg == QLatin1String("--stichtag")) {
            if (keySeen) throw UsageError{QStringLiteral("--stichtag ist mehrfach angegeben")};
            const QDate d = dateOption(arg, value);
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
    };
    scanArguments(args, {QStringLiteral("--db"), QStringLiteral("--stichtag"), QStringLiteral("--pdf")}, word,
                  option);
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
    if (!parsedOrUsage([&] { a = parseArguments(args); }, kUsage)) return 2;
    try {
        const QString folder = a.pdf.isEmpty() ? QString() : pdfFolder(a.pdf);
        const Dunning::Settings settings = Dunning::Settings::read(ProgramFolder::iniPath());
        TVexDaoDatabase db;
        OpenDatabase(db, a.db);
        const DunningList list = OverdueInvoices(db, settings, a.key);
        const DunningRunResult r = CreateReminders(db, settings, list);
        for (const QString &w : r.warnings)
            writeLine(stderr, QStringLiteral("Warnung: %1").arg(w));
        QMap<QString, qint64> sums; // per currency
        for (const MadeReminder &m : r.made) {
            writeLine(stdout, QStringLiteral("%1\tRechnung %2\t%3\t%4")
                                  .arg(m.number, m.invoice, Dunning::LevelTitle(m.level),
                                       Money::format(m.total, QStringLiteral("#,##0.00 ") + m.currency)));
            sums[m.currency] += m.total;
        }
        QStringList sumTexts;
        for (auto it = sums.cbegin(); it != sums.cend(); ++it)
            sumTexts << Money::format(it.value(), QStringLiteral("#,##0.00 ") + it.key());
        writeLine(stdout,
                  r.made.isEmpty()
                      ? QStringLiteral("Zum Stichtag %1 ist keine Mahnung fällig; es wurden keine Mahnungen "
                                       "erstellt.")
                            .arg(German::formatDate(a.key))
                      : QStringLiteral("Summe: %1 %2 (%3 - %4) über %5")
                            .arg(r.made.size())
                            .arg(r.made.size() == 1 ? QStringLiteral("Mahnung") : QStringLiteral("Mahnungen"))
                            .arg(r.first(), r.last(), sumTexts.join(QStringLiteral(" und "))));
        if (!r.error.isEmpty()) {
            writeLine(stderr, QStringLiteral("Der Mahnlauf wurde abgebrochen: %1").arg(r.error));
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
                writeLine(stderr, QStringLiteral("Warnung: %1 (gedruckt mit den eingebauten Texten)").arg(w));
            writeLine(stdout,
                      QStringLiteral("PDF geschrieben nach %1").arg(QDir::toNativeSeparators(folder)));
        }
    } catch (const AppError &e) {
        writeLine(stderr, e.message());
        return 1;
    }
    return 0;
}

} // namespace CommandLine
