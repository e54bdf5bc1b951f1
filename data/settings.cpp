// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings.h"

#include "base/apperror.h"
#include "base/textfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

enum class LineKind { Blank, Comment, Section, Entry, Malformed };

struct ParsedLine
{
    LineKind kind = LineKind::Blank;
    QString name; // section or key name, trimmed
    QString value;
};

ParsedLine parse(const QString &line)
{
    ParsedLine p;
    const QString t = line.trimmed();
    if (t.isEmpty()) return p;
    if (t.startsWith(QLatin1Char(';')) || t.startsWith(QLatin1Char('#'))) {
        p.kind = LineKind::Comment;
        return p;
    }
    if (t.startsWith(QLatin1Char('['))) {
        const qsizetype close = t.indexOf(QLatin1Char(']'));
        p.kind = close > 1 ? LineKind::Section : LineKind::Malformed;
        if (close > 1) p.name = t.mid(1, close - 1).trimmed();
        return p;
    }
    const qsizetype eq = t.indexOf(QLatin1Char('='));
    if (eq <= 0) {
        p.kind = LineKind::Malformed;
        return p;
    }
    p.kind = LineKind::Entry;
    p.name = t.left(eq).trimmed();
    p.value = t.mid(eq + 1).trimmed();
    return p;
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Where a key stands (index of its line, or -1) and where the first section
// of that name begins (index of the line after its header, or -1).
struct Location
{
    qsizetype entry = -1;
    qsizetype sectionBody = -1;
    QString keySpelling;
    QString value;
};

Location locate(const QStringList &lines, const QString &section, const QString &key)
{
    Location loc;
    bool inSection = false;
    for (qsizetype i = 0; i < lines.size() && loc.entry < 0; ++i) {
        const ParsedLine p = parse(lines.at(i));
        if (p.kind == LineKind::Section) {
            inSection = sameName(p.name, section.trimmed());
            if (inSection && loc.sectionBody < 0) loc.sectionBody = i + 1;
        } else if (inSection && p.kind == LineKind::Entry && sameName(p.name, key.trimmed())) {
            loc.entry = i;
            loc.keySpelling = p.name;
            loc.value = p.value;
        }
    }
    return loc;
}

QStringList readLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return TextFiles::splitLines(TextFiles::decode(f.readAll()));
}

bool validName(const QString &name)
{
    return !name.trimmed().isEmpty() && !name.contains(QLatin1Char('=')) &&
           !name.contains(QLatin1Char(']')) && !name.contains(QLatin1Char('\n')) &&
           !name.contains(QLatin1Char('\r'));
}

} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path)) {}

QString IniFile::readString(const QString &section, const QString &key, const QString &defaultValue) const
{
    const Location loc = locate(readLines(m_path), section, key);
    return loc.entry >= 0 ? loc.value : defaultValue;
}

bool IniFile::readBool(const QString &section, const QString &key, bool defaultValue) const
{
    bool ok = false;
    const qlonglong n = readString(section, key).toLongLong(&ok);
    return ok ? n != 0 : defaultValue;
}

void IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    if (!validName(section) || !validName(key) || value.contains(QLatin1Char('\n')) ||
        value.contains(QLatin1Char('\r')))
        throw AppError(
            QStringLiteral("Die Einstellung [%1] %2 kann so nicht gespeichert werden").arg(section, key));

    QStringList lines;
    if (QFileInfo::exists(m_path)) {
        // An existing file that cannot be read must not be replaced by one holding only this key.
        QFile f(m_path);
        if (!f.open(QIODevice::ReadOnly))
            throw AppError(QStringLiteral("Die Einstellungen können nicht in %1 gespeichert werden: die "
                                          "vorhandene Datei kann nicht gelesen werden")
                               .arg(QDir::toNativeSeparators(m_path)));
        lines = TextFiles::splitLines(TextFiles::decode(f.readAll()));
    }

    const Location loc = locate(lines, section, key);
    if (loc.entry >= 0) {
        lines[loc.entry] = loc.keySpelling + QLatin1Char('=') + value;
    } else if (loc.sectionBody >= 0) {
        // After the section's last entry, so blank lines and comments that lead
        // into the next section stay in front of it.
        qsizetype at = loc.sectionBody;
        for (qsizetype i = loc.sectionBody; i < lines.size(); ++i) {
            const ParsedLine p = parse(lines.at(i));
            if (p.kind == LineKind::Section) break;
            if (p.kind == LineKind::Entry || p.kind == LineKind::Malformed) at = i + 1;
        }
        lines.insert(at, key.trimmed() + QLatin1Char('=') + value);
    } else {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty()) lines << QString();
        lines << QLatin1Char('[') + section.trimmed() + QLatin1Char(']')
              << key.trimmed() + QLatin1Char('=') + value;
    }
    try {
        TextFiles::saveLines(m_path, lines);
    } catch (const AppError &) {
        throw AppError(QStringLiteral("Die Einstellungen können nicht in %1 gespeichert werden: %2")
                           .arg(QDir::toNativeSeparators(m_path), TextFiles::whyNotWritable(m_path)));
    }
}

void IniFile::writeBool(const QString &section, const QString &key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}
