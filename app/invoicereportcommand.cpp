// SPDX-License-Identifier: GPL-3.0-or-later
#include "invoicereportcommand.h"

#include "commandline.h"
#include "commandoptions.h"

#include "base/apperror.h"
#include "data/tvexdaodatabase.h"
#include "data/tvexdaotable.h"
#include "printing/tberechnung.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <cstdio>
#include <optional>

namespace CommandLine {

namespace {

const char *const kUsage = "Aufruf: tavirel invoice-report alle|bezahlt|offen <datei.pdf> [--kdnr N] "
                           "[--von TT.MM.JJJJ --bis TT.MM.JJJJ] [--db PFAD]";

struct Arguments
{
    QString kind, file, db;
    std::optional<qint64> kdnr;
    std::optional<QDate> von, bis;
};

Arguments parseArguments(const QStringList &args)
{
    Arguments a;
    bool commandSeen = false;
    QStringList positional;
    const auto word = [&](const QString &arg) {
        if (!commandSeen && arg == QLatin1String("invoice-report"))
            commandSeen = true;
        else
            positional << arg;
    };
    const auto option = [&](const QString &arg, const QString &value) {
        if (arg == QLatin1String("--db")) {
            a.db = value;
        } else if (arg == QLatin1String("--kdnr")) {
            static const QRegularExpression digits(QStringLiteral("^\\d{1,15}$"));
            if (a.kdnr) throw UsageError{QStringLiteral("--kdnr ist mehrfach angegeben")};
            if (!digits.match(value.trimmed()).hasMatch())
                throw UsageError{
                    QStringLiteral("'%1' nach --kdnr ist keine Kundennummer (eine ganze Zahl)").arg(value)};
            a.kdnr = value.trimmed().toLongLong();
        } else if (arg == QLatin1String("--von")) {
            if (a.von) throw UsageError{QStringLiteral("--von ist mehrfach angegeben")};
            a.von = dateOption(arg, value);
        } else {
            if (a.bis) throw UsageError{QStringLiteral("--bis ist mehrfach angegeben")};
            a.bis = dateOption(arg, value);
        }
    };
    scanArguments(
        args,
        {QStringLiteral("--db"), QStringLiteral("--kdnr"), QStringLiteral("--von"), QStringLiteral("--bis")},
        word, option);
    if (positional.size() < 2)
        throw UsageError{
            QStringLiteral("Bitte die Auswahl (alle, bezahlt oder offen) und die PDF-Datei angeben")};
    if (positional.size() > 2)
        throw UsageError{QStringLiteral("Unerwartete Angabe '%1'").arg(positional.at(2))};
    a.kind = positional.at(0).toLower();
    a.file = positional.at(1);
    if (a.kind != QLatin1String("alle") && a.kind != QLatin1String("bezahlt") &&
        a.kind != QLatin1String("offen"))
        throw UsageError{QStringLiteral("Unbekannte Auswahl '%1': möglich sind alle, bezahlt oder offen")
                             .arg(positional.at(0))};
    if (a.von.has_value() != a.bis.has_value())
        throw UsageError{QStringLiteral("Ein Zeitraum braucht beide Daten: --von und --bis")};
    if (a.von && *a.bis < *a.von)
        throw UsageError{QStringLiteral("Das Ende des Zeitraums (--bis) liegt vor seinem Anfang (--von)")};
    // The customer's paid and all invoices are listed over all dates, as in
    // the document list's menu: a period there would be silently dropped.
    if (a.kdnr && a.von && a.kind != QLatin1String("offen"))
        throw UsageError{QStringLiteral("Die %1 Rechnungen eines Kunden werden ohne Zeitraum berichtet; "
                                        "--von und --bis gelten nur für offen")
                             .arg(a.kind == QLatin1String("alle") ? QStringLiteral("gesamten")
                                                                  : QStringLiteral("bezahlten"))};
    return a;
}

InvoiceReportKind kindOf(const Arguments &a)
{
    if (a.kind == QLatin1String("bezahlt"))
        return a.kdnr ? InvoiceReportKind::BezahltKunde : InvoiceReportKind::Bezahlt;
    if (a.kind == QLatin1String("offen"))
        return a.kdnr ? InvoiceReportKind::OffenKunde : InvoiceReportKind::Offen;
    return a.kdnr ? InvoiceReportKind::AlleKunde : InvoiceReportKind::Alle;
}

// The customer's name for the title, as the list's row would show it.
QString customerName(TVexDaoDatabase &db, qint64 kdnr)
{
    TVexDaoTable adress(nullptr, QStringLiteral("Adressen"));
    adress.setDatabase(&db);
    adress.setTableName(QStringLiteral("Adress"));
    adress.setFilter(QStringLiteral("KDNR =") + QString::number(kdnr));
    adress.setFiltered(true);
    adress.Open();
    if (adress.IsEmpty())
        throw AppError(QStringLiteral("Es gibt keine Adresse mit der Kundennummer %1").arg(kdnr));
    return adress.FieldByName(QStringLiteral("NAME1"))->AsString();
}

} // namespace

int invoiceReport(const QStringList &args)
{
    Arguments a;
    if (!parsedOrUsage([&] { a = parseArguments(args); }, kUsage)) return 2;
    const QString path = QFileInfo(a.file).absoluteFilePath();
    try {
        TVexDaoDatabase db;
        OpenDatabase(db, a.db);
        InvoiceReportRequest request;
        request.kind = kindOf(a);
        if (a.von) {
            request.periodSet = true;
            request.periodStart = *a.von;
            request.periodEnd = *a.bis;
        }
        if (a.kdnr) {
            request.kdnr = *a.kdnr;
            request.kunde = customerName(db, *a.kdnr);
        }
        WriteInvoiceReportPdf(&db, request, path);
    } catch (const AppError &e) {
        writeLine(stderr, e.message());
        return 1;
    }
    writeLine(stdout, QStringLiteral("PDF geschrieben: %1").arg(QDir::toNativeSeparators(path)));
    return 0;
}

} // namespace CommandLine
