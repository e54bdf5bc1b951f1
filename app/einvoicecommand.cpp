// SPDX-License-Identifier: GPL-3.0-or-later
#include "einvoicecommand.h"

#include "commandline.h"

#include "base/apperror.h"
#include "data/engine.h"
#include "data/tdataa.h"
#include "einvoice/incomingstore.h"
#include "einvoice/invoicecheck.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <cstdio>

namespace CommandLine {

namespace {

void write(std::FILE *stream, const QString &s)
{
    const QByteArray b = s.toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), stream);
}

void fail(const QString &message)
{
    write(stderr, message + QLatin1Char('\n'));
}

} // namespace

int einvoiceShow(const QStringList &arguments)
{
    QStringList files = arguments;
    const bool json = files.removeAll(QStringLiteral("--json")) > 0;
    if (files.size() != 1 || files.first().startsWith(QLatin1String("--"))) {
        fail(QStringLiteral("Aufruf: tavirel einvoice-show <datei.xml|datei.pdf> [--json]"));
        return 2;
    }
    try {
        const IncomingInvoice invoice =
            IncomingInvoice::read(IncomingInvoice::loadFile(files.first()), files.first());
        const QList<InvoiceFinding> findings = CheckIncomingInvoice(invoice);
        write(stdout, json ? QString::fromUtf8(
                                 QJsonDocument(invoice.toJson(findings)).toJson(QJsonDocument::Indented))
                           : invoice.toText(findings));
    } catch (const AppError &e) {
        fail(e.message());
        return 1;
    }
    return 0;
}

int einvoiceImport(const QStringList &arguments, const QString &db)
{
    if (arguments.size() != 1 || arguments.first().startsWith(QLatin1String("--"))) {
        fail(QStringLiteral("Aufruf: tavirel einvoice-import <datei.xml|datei.pdf> [--db PFAD]"));
        return 2;
    }
    const QString &file = arguments.first();
    try {
        const QByteArray bytes = IncomingInvoice::loadFile(file);
        Tdataa addresses;
        if (!db.isEmpty()) {
            if (!Engine::isServerLocation(db) && !QFileInfo::exists(db))
                throw AppError(
                    QStringLiteral("Die Datenbank %1 gibt es nicht").arg(QDir::toNativeSeparators(db)));
            addresses.Datenbank.SmartOpen = false;
        }
        addresses.DataModuleCreate(db.isEmpty() ? QString() : DatabaseLocation(db));
        // Here nobody can be asked: an unknown supplier is made a new address, and said so.
        const IncomingImport r =
            IncomingStore::import(addresses, bytes, file, [](const IncomingInvoice &) { return true; });
        write(stdout,
              r.summary() + QStringLiteral("\nVorgang-ID %1; Original: tavirel einvoice-export %2 <datei>\n")
                                .arg(r.vorgangId)
                                .arg(r.id));
    } catch (const AppError &e) {
        fail(e.message());
        return 1;
    }
    return 0;
}

int einvoiceExport(const QStringList &arguments, const QString &db)
{
    bool ok = false;
    const qint64 id = arguments.value(0).toLongLong(&ok);
    if (arguments.size() != 2 || !ok || id <= 0) {
        fail(QStringLiteral("Aufruf: tavirel einvoice-export <nr> <datei> [--db PFAD]; <nr> ist die Nummer "
                            "im Eingang, die einvoice-import nennt"));
        return 2;
    }
    const QString target = QFileInfo(arguments.at(1)).absoluteFilePath();
    try {
        TVexDaoDatabase conn;
        OpenDatabase(conn, db);
        const StoredIncoming s = IncomingStore::stored(conn, id);
        IncomingStore::writeOriginal(s, target);
        write(stdout,
              QStringLiteral("Original von %1 (Rechnung %2 von %3, eingelesen aus %4) geschrieben: %5\n")
                  .arg(QStringLiteral("Eingang Nr. %1").arg(s.id), s.number, s.seller, s.fileName,
                       QDir::toNativeSeparators(target)));
    } catch (const AppError &e) {
        fail(e.message());
        return 1;
    }
    return 0;
}

} // namespace CommandLine
