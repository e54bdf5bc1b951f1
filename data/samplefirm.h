// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sample firm of the sample data. Its settings and letterhead are built
// into the program (resources/beispielfirma), not shipped as the defaults of
// the program folder: a new firm starts with empty firm data and never prints
// another firm's bank account. The sample data brings its firm with it.
#include <QString>
#include <QStringList>

namespace SampleFirm {

// The letterhead files the sample firm brings, relative to the program folder.
QStringList files();

// The settings in the folder name a firm: its name or tax number is filled in.
bool hasFirm(const QString &folder);
// The sample firm is the firm of the settings in the folder.
bool isInUse(const QString &folder);

// Writes the sample firm into the folder: the keys of its sections into
// tavirel.ini (every other line stays) and its letterhead files. AppError
// when a file cannot be written.
void write(const QString &folder);
// Takes the sample firm out: its keys emptied, and its letterhead files that
// are still as it brought them back to the program's empty defaults. What the
// user changed stays.
void remove(const QString &folder);

// A new database of the program's own was made: with the sample data, the
// sample firm goes into the settings unless a firm is set up there; empty,
// the sample firm leaves them where it still is the firm. The database on a
// path the user named never touches the settings (that is the caller's rule).
void prepareSettings(const QString &folder, bool withSampleData);

} // namespace SampleFirm
