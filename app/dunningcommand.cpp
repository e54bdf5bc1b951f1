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
#include "data/tvexdaotable.h"
#include "lists/core/dunningrun.h"
#include "printing/printvorgang.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QSet>
#include <QTemporaryFile>
#include <cstdio>

namespace CommandLine {

namespace {

const char *const kUsage =
    "Aufruf: tavirel dunning-run [--stichtag TT.MM.JJJJ] [--pdf ORDNER] [--verjaehrte] [--db PFAD]";

struct Arguments
{
    QDate key;
    QString pdf, db;
    bool barred = false; // time-barred claims are reminded too
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
    // The one switch without a value.
    QStringList rest = args;
    a.barred = rest.removeAll(QStringLiteral("--verjaehrte")) > 0;
    scanArguments(rest, {QStringLiteral("--db"), QStringLiteral("--stichtag"), QStringLiteral("--pdf")}, word,
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

// The PDF of every reminder of the run, and of each reminder of the key date
// made earlier whose file is missing from the folder (a run stopped while it
// printed): the command run again for that day writes them.
void writePdfs(TVexDaoDatabase &db, const QString &folder, const QDate &key, const DunningRunResult &r)
{
    QList<QPair<qint64, QString>> due; // id, number
    QSet<qint64> made;
    for (const MadeReminder &m : r.made) {
        due.append({m.id, m.number});
        made.insert(m.id);
    }
    TVexDaoTable earlier(nullptr, QStringLiteral("mahnungen"));
    earlier.setDatabase(&db);
    earlier.SQL() << QStringLiteral("select id, vorgangnr from Vorgang1 where typ = 'M' and datum = %1 and "
                                    "not storniert order by id")
                         .arg(DateToSqlLiteral(key));
    earlier.Open();
    QStringList redone;
    for (earlier.First(); !earlier.Eof(); earlier.Next()) {
        const qint64 id = earlier.FieldByName(QStringLiteral("id"))->AsInteger();
        const QString number = earlier.FieldByName(QStringLiteral("vorgangnr"))->AsString();
        // Only a file of its own counts as written; a link there is refused below.
        const QFileInfo pdf(folder + QLatin1Char('/') + number + QStringLiteral(".pdf"));
        if (made.contains(id) || (pdf.isFile() && !pdf.isSymLink())) continue;
        due.append({id, number});
        redone << number;
    }
    if (due.isEmpty()) return;
    ProgramValues::instance().UstId =
        IniFile(ProgramFolder::iniPath()).readString(QStringLiteral("UST"), QStringLiteral("ID"));
    QStringList warnings;
    // The names are the program's: a file of that name in the folder (or a
    // link someone put there) is refused, never written over or through.
    for (const auto &[id, number] : due)
        WriteVorgangPdf(&db, QString::number(id), folder + QLatin1Char('/') + number + QStringLiteral(".pdf"),
                        &warnings, SafeFile::Existing::Refuse);
    warnings.removeDuplicates();
    for (const QString &w : warnings)
        writeLine(stderr, QStringLiteral("Warnung: %1 (gedruckt mit den eingebauten Texten)").arg(w));
    if (!redone.isEmpty())
        writeLine(stdout, QStringLiteral("Fehlende PDF der Mahnungen vom %1 nachgeholt: %2")
                              .arg(German::formatDate(key), redone.join(QStringLiteral(", "))));
    writeLine(stdout, QStringLiteral("PDF geschrieben nach %1").arg(QDir::toNativeSeparators(folder)));
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
        QSet<qint64> barred;
        if (a.barred)
            for (const DunningCandidate &c : list.items)
                if (c.barred()) barred.insert(c.invoiceId);
        const DunningRunResult r = CreateReminders(db, settings, list, {}, {}, barred);
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
        if (!r.passedOver.isEmpty()) writeLine(stdout, PassedOverText(r));
        writeLine(stdout,
                  r.made.isEmpty()
                      ? QStringLiteral("Zum Stichtag %1 %2; es wurden keine Mahnungen erstellt.")
                            .arg(German::formatDate(a.key),
                                 r.passedOver.isEmpty() ? QStringLiteral("ist keine Mahnung fällig")
                                                        : QStringLiteral("wurde keine Mahnung gemacht"))
                      : QStringLiteral("Summe: %1 %2 (%3 - %4) über %5")
                            .arg(r.made.size())
                            .arg(r.made.size() == 1 ? QStringLiteral("Mahnung") : QStringLiteral("Mahnungen"))
                            .arg(r.first(), r.last(), sumTexts.join(QStringLiteral(" und "))));
        if (!r.error.isEmpty()) {
            writeLine(stderr, QStringLiteral("Der Mahnlauf wurde abgebrochen: %1").arg(r.error));
            return 1;
        }
        if (!folder.isEmpty()) writePdfs(db, folder, a.key, r);
    } catch (const AppError &e) {
        writeLine(stderr, e.message());
        return 1;
    }
    return 0;
}

} // namespace CommandLine
