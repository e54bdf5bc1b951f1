// SPDX-License-Identifier: GPL-3.0-or-later
#include "textfiles.h"

#include "safefile.h"

#include "apperror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QStringDecoder>

namespace TextFiles {

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F. The five unassigned
// bytes map to the C1 controls of the same value, as Windows itself does.
const char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98..9F
};

QString decodeCp1252(const QByteArray &bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *dst = out.data();
    for (char c : bytes) {
        const uchar b = uchar(c);
        *dst++ = (b >= 0x80 && b <= 0x9F) ? QChar(kCp1252High[b - 0x80]) : QChar(b);
    }
    return out;
}

bool readFile(const QString &path, QByteArray *bytes)
{
    if (QFileInfo(path).isDir()) return false;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    *bytes = f.readAll();
    return f.error() == QFileDevice::NoError;
}

} // namespace

QString decode(const QByteArray &bytes)
{
    QByteArray b = bytes;
    if (b.startsWith("\xEF\xBB\xBF")) b.remove(0, 3);
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(b);
    if (!utf8.hasError()) return text;
    return decodeCp1252(b);
}

QByteArray encodeCp1252(const QString &text)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    char *dst = out.data();
    qsizetype n = 0;
    const QChar *src = text.constData();
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = src[i].unicode();
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            dst[n++] = char(c);
            continue;
        }
        char b = '?';
        for (int k = 0; k < 32; ++k)
            if (kCp1252High[k] == c) {
                b = char(0x80 + k);
                break;
            }
        // A character outside the basic plane is one character, one "?".
        if (QChar::isHighSurrogate(c) && i + 1 < size && src[i + 1].isLowSurrogate()) ++i;
        dst[n++] = b;
    }
    out.truncate(n);
    return out;
}

QStringList splitLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) continue;
        lines << text.mid(start, i - start);
        if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n')) ++i;
        start = i + 1;
    }
    if (start < n) lines << text.mid(start);
    return lines;
}

QStringList loadLines(const QString &path)
{
    QByteArray bytes;
    if (!readFile(path, &bytes))
        throw AppError(
            QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(QDir::toNativeSeparators(path)));
    return splitLines(decode(bytes));
}

QStringList readLinesOrNotFound(const QString &path)
{
    QByteArray bytes;
    if (!readFile(path, &bytes)) throw AppError(QStringLiteral("Datei nicht gefunden"));
    return splitLines(decode(bytes));
}

void saveLines(const QString &path, const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    writeWhole(path, bytes);
}

void writeWhole(const QString &path, const QByteArray &bytes)
{
    SafeFile::write(path, bytes, SafeFile::Existing::Replace);
}

QString whyNotWritable(const QString &path, qint64 size)
{
    // The system's own texts come in English ("Not a directory"); the reason
    // is told from what the file system shows instead.
    const QFileInfo file(path);
    const QString folder = file.absolutePath();
    QFileInfo existing(folder);
    while (!existing.exists() && existing.absoluteFilePath() != existing.absolutePath())
        existing = QFileInfo(existing.absolutePath());
    const auto shown = [](const QString &p) { return QDir::toNativeSeparators(p); };
    if (existing.exists() && !existing.isDir())
        return QStringLiteral("%1 ist eine Datei, kein Ordner").arg(shown(existing.absoluteFilePath()));
    if (!existing.exists() || existing.absoluteFilePath() != QFileInfo(folder).absoluteFilePath())
        return QStringLiteral("den Ordner %1 gibt es nicht").arg(shown(folder));
    if (file.isDir()) return QStringLiteral("das ist ein Ordner");
    const QStorageInfo drive(folder);
    if (drive.isValid() && drive.isReadOnly()) return QStringLiteral("das Laufwerk ist schreibgeschützt");
    if (file.exists() && !file.isWritable()) return QStringLiteral("die Datei ist schreibgeschützt");
    if (!existing.isWritable())
        return QStringLiteral("im Ordner %1 darf nicht geschrieben werden").arg(shown(folder));
    if (drive.isValid() && drive.bytesAvailable() < size + 4096)
        return QStringLiteral("auf dem Laufwerk ist nicht genug Platz");
    return QStringLiteral("das Schreiben ist fehlgeschlagen");
}

} // namespace TextFiles
