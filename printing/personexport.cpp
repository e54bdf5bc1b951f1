// SPDX-License-Identifier: GPL-3.0-or-later
#include "personexport.h"

#include "printvorgang.h"

#include "base/apperror.h"
#include "base/germanformat.h"
#include "base/safefile.h"
#include "data/dates.h"
#include "data/personaldata.h"

#include <QBuffer>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPageLayout>
#include <QPdfWriter>
#include <QTextCursor>
#include <QTextDocument>

namespace {

QString valueText(const QJsonValue &v)
{
    if (v.isBool()) return v.toBool() ? QStringLiteral("ja") : QStringLiteral("nein");
    if (v.isDouble()) return German::formatFloat(v.toDouble());
    return v.toString();
}

// The JSON as pages to read: a heading per part, a line per value. Every
// text goes in as text, never as markup.
QByteArray readablePdf(const QJsonObject &data, qint64 kdnr)
{
    QTextDocument doc;
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(10);
    doc.setDefaultFont(font);
    QTextCursor c(&doc);
    QTextCharFormat plain, heading;
    heading.setFontWeight(QFont::Bold);
    heading.setFontPointSize(12);
    c.insertText(QStringLiteral("Datenauskunft zur Kundennummer %1, Stand %2")
                     .arg(kdnr)
                     .arg(German::formatDate(Today())),
                 heading);
    const auto section = [&](const QString &title) {
        c.insertBlock();
        c.insertBlock();
        c.insertText(title, heading);
    };
    const auto line = [&](const QString &text) {
        c.insertBlock();
        c.insertText(text, plain);
    };
    const auto object = [&](const QJsonObject &o, const QString &indent) {
        for (auto it = o.begin(); it != o.end(); ++it)
            line(QStringLiteral("%1%2: %3").arg(indent, it.key(), valueText(it.value())));
    };
    for (const char *part : {"Adresse", "Bankdaten", "Ansprechpartner", "Notizen", "E-Rechnung",
                             "Lieferantenkonten", "Datenschutz", "Vorgänge"}) {
        const QJsonValue v = data.value(QString::fromUtf8(part));
        if (v.isUndefined()) continue;
        section(QString::fromUtf8(part));
        if (v.isObject()) {
            if (v.toObject().isEmpty()) line(QStringLiteral("(keine)"));
            object(v.toObject(), QString());
            continue;
        }
        const QJsonArray rows = v.toArray();
        if (rows.isEmpty()) line(QStringLiteral("(keine)"));
        for (qsizetype i = 0; i < rows.size(); ++i) {
            line(QStringLiteral("%1.").arg(i + 1));
            object(rows.at(i).toObject(), QStringLiteral("    "));
        }
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(QStringLiteral("Datenauskunft %1").arg(kdnr));
        writer.setCreator(QStringLiteral("Tavirelsverwaltung"));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter));
        doc.print(&writer);
    }
    return buffer.data();
}

QString fileNameOf(const QString &text)
{
    QString s = text;
    for (QChar &c : s)
        if (!c.isLetterOrNumber() && c != QLatin1Char('-') && c != QLatin1Char('_')) c = QLatin1Char('_');
    return s;
}

} // namespace

QString PersonExportBaseName(qint64 kdnr)
{
    return QStringLiteral("Datenauskunft-%1").arg(kdnr);
}

QStringList WritePersonExport(TVexDaoDatabase &db, qint64 kdnr, const QString &folder, const QString &base,
                              QStringList *warnings)
{
    const QJsonObject data = PersonalData::exportJson(db, kdnr);
    const QString dir = QDir(folder).absolutePath();
    const QString documents = dir + QLatin1Char('/') + base + QStringLiteral("-Vorgaenge");
    for (const QString &f : {dir, documents})
        if (!SafeFile::makeFolder(f, SafeFile::Access::Private))
            throw AppError(
                QStringLiteral("Der Ordner %1 kann nicht angelegt werden").arg(QDir::toNativeSeparators(f)));
    QStringList written;
    const auto write = [&](const QString &path, const QByteArray &bytes) {
        SafeFile::write(path, bytes, SafeFile::Existing::Refuse, SafeFile::Access::Private);
        written << path;
    };
    write(dir + QLatin1Char('/') + base + QStringLiteral(".json"), QJsonDocument(data).toJson());
    write(dir + QLatin1Char('/') + base + QStringLiteral(".pdf"), readablePdf(data, kdnr));
    for (const QJsonValue &v : data.value(QStringLiteral("Vorgänge")).toArray()) {
        const QJsonObject d = v.toObject();
        const QString path =
            documents + QLatin1Char('/') +
            fileNameOf(QStringLiteral("%1-%2").arg(d.value(QStringLiteral("typ")).toString(),
                                                   d.value(QStringLiteral("vorgangnr")).toString())) +
            QStringLiteral("-%1.pdf").arg(qint64(d.value(QStringLiteral("id")).toDouble()));
        // A document that cannot be drawn is named; the others are written.
        try {
            WriteVorgangPdf(&db, QString::number(qint64(d.value(QStringLiteral("id")).toDouble())), path,
                            warnings, SafeFile::Existing::Refuse);
        } catch (const AppError &e) {
            if (e.kind() == AppError::Kind::Refused || !warnings) throw;
            *warnings << e.message();
            continue;
        }
        SafeFile::makePrivate(path);
        written << path;
    }
    return written;
}
