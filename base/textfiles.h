// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's plain text files (letterhead, units, note types, the list's
// select). Files written by older installations are Windows-1252, ours are
// UTF-8; both read the same.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace TextFiles {

// UTF-8 (with or without BOM) when the bytes are valid UTF-8, else Windows-1252.
QString decode(const QByteArray &bytes);
// Windows-1252, for files that Windows programs open in their ANSI code page;
// a character the code page lacks becomes "?", as Windows writes it.
QByteArray encodeCp1252(const QString &text);

// Splits at CR LF, LF or CR; a line break at the very end adds no empty line.
QStringList splitLines(const QString &text);

// For files loaded as a list of lines: "Datei <path> kann nicht geöffnet werden".
QStringList loadLines(const QString &path);
// For files read line by line: "Datei nicht gefunden".
QStringList readLinesOrNotFound(const QString &path);

// UTF-8 without BOM, every line ended by CR LF so the files stay exchangeable
// with Windows installations. Written atomically; AppError when it fails.
void saveLines(const QString &path, const QStringList &lines);

// Writes the bytes to path whole or not at all: a failed write leaves an
// existing file as it was. The path is one the user chose: a file there is
// replaced, a link there too, never what it points to (see SafeFile). AppError "Die Datei … kann nicht
// geschrieben werden: " and the reason in German.
void writeWhole(const QString &path, const QByteArray &bytes);
// Why nothing can be written at path, in German, as far as the file system
// tells: a missing folder, a file where a folder should be, a write-protected
// file, folder or drive, a full drive.
QString whyNotWritable(const QString &path, qint64 size = 0);

} // namespace TextFiles
