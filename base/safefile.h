// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Files and folders the program makes, made so that another user of the
// machine can neither read what is private nor make the program write
// through a link planted in a shared folder: a file is never written through
// a link at its own name (the link itself is replaced, or the file refused),
// a file the program names itself never replaces one that is there, and
// private files and folders are for their owner only (0600, 0700). What is
// particular to a system stays in safefile.cpp; where a system has no such
// modes, the private ones are as the system makes files.
#include <QByteArray>
#include <QString>

namespace SafeFile {

enum class Existing {
    Refuse,  // a file (or link) of that name is left alone: AppError (Refused)
    Replace, // the user chose the name: a file there is replaced, a link there too (never its target)
};
enum class Access {
    Usual,   // as the user's settings make files (umask), an existing file's mode kept
    Private, // the owner only
};

// Writes the bytes whole or not at all; AppError "Die Datei … kann nicht
// geschrieben werden: " with the reason in German, or, refused, "Die Datei …
// besteht bereits; sie wird nicht überschrieben".
void write(const QString &path, const QByteArray &bytes, Existing existing, Access access = Access::Usual);
// A new empty file for what others fill (a database): refused when anything
// is there, link or file.
void createNew(const QString &path, Access access);
// Makes the folder and those above it that are missing; each one made is
// private when asked for. False when it cannot be made.
bool makeFolder(const QString &path, Access access);

// Whether group or others may read, write or enter it (never where the
// system has no such modes).
bool isOpenToOthers(const QString &path);
// Takes group's and others' rights away; false when that fails.
bool makePrivate(const QString &path);
// "0644": the rights as the file system shows them, for messages.
QString modeText(const QString &path);

} // namespace SafeFile
