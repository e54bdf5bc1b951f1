// SPDX-License-Identifier: GPL-3.0-or-later
#include "samplefirm.h"

#include "base/textfiles.h"
#include "settings.h"

#include <QDir>
#include <QFile>

namespace SampleFirm {

namespace {

const QString kSample = QStringLiteral(":/beispielfirma/");
const QString kDefaults = QStringLiteral(":/vorlagen/");

QByteArray builtIn(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Entry
{
    QString section, key, value;
};

// The sample firm's keys, in the order of its file.
QList<Entry> sampleEntries()
{
    QList<Entry> out;
    QString section;
    for (const QString &raw :
         TextFiles::splitLines(TextFiles::decode(builtIn(kSample + QStringLiteral("tavirel.ini"))))) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) continue;
        if (line.startsWith(QLatin1Char('['))) {
            section = line.mid(1, line.indexOf(QLatin1Char(']')) - 1);
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0) out.append({section, line.left(eq).trimmed(), line.mid(eq + 1).trimmed()});
    }
    return out;
}

QString iniOf(const QString &folder)
{
    return QDir(folder).filePath(QStringLiteral("tavirel.ini"));
}

QString firmName(const QString &folder)
{
    return IniFile(iniOf(folder)).readString(QStringLiteral("ERechnung"), QStringLiteral("Firma")).trimmed();
}

} // namespace

QStringList files()
{
    return {QStringLiteral("vorgang.txt"), QStringLiteral("vorgang1.txt"), QStringLiteral("vorgang2.txt"),
            QStringLiteral("Fuss1.txt"),   QStringLiteral("Fuss2.txt"),    QStringLiteral("Fuss3.txt"),
            QStringLiteral("Fuss4.txt")};
}

bool hasFirm(const QString &folder)
{
    const IniFile ini(iniOf(folder));
    return !firmName(folder).isEmpty() ||
           !ini.readString(QStringLiteral("UST"), QStringLiteral("ID")).trimmed().isEmpty();
}

bool isInUse(const QString &folder)
{
    for (const Entry &e : sampleEntries())
        if (e.key == QLatin1String("Firma")) return firmName(folder) == e.value;
    return false;
}

void write(const QString &folder)
{
    IniFile ini(iniOf(folder));
    for (const Entry &e : sampleEntries())
        ini.writeString(e.section, e.key, e.value);
    for (const QString &file : files())
        TextFiles::writeWhole(QDir(folder).filePath(file), builtIn(kSample + file));
}

void remove(const QString &folder)
{
    IniFile ini(iniOf(folder));
    for (const Entry &e : sampleEntries())
        if (e.key != QLatin1String("Land")) ini.writeString(e.section, e.key, QString());
    for (const QString &file : files()) {
        const QString path = QDir(folder).filePath(file);
        QFile own(path);
        if (!own.open(QIODevice::ReadOnly)) continue;
        const bool asShipped = own.readAll() == builtIn(kSample + file);
        own.close();
        if (asShipped) TextFiles::writeWhole(path, builtIn(kDefaults + file));
    }
}

void prepareSettings(const QString &folder, bool withSampleData)
{
    if (withSampleData) {
        if (!hasFirm(folder)) write(folder);
    } else if (isInUse(folder)) {
        remove(folder);
    }
}

} // namespace SampleFirm
