// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the subcommands with options share: "--name value" and "--name=value"
// read alike, usage errors with the command's usage line, dates as TT.MM.JJJJ.
#include <QDate>
#include <QStringList>
#include <cstdio>
#include <functional>

namespace CommandLine {

// A call that cannot run as given: its message, then the usage line, status 2.
struct UsageError
{
    QString message;
};

// The text and a line break, UTF-8.
void writeLine(std::FILE *stream, const QString &s);

// Walks the arguments after the program: every word that is not an option
// goes to `word` in its order, every option of `known` to `option` with its
// value. An unknown option or one without a value is a UsageError.
void scanArguments(const QStringList &args, const QStringList &known,
                   const std::function<void(const QString &word)> &word,
                   const std::function<void(const QString &option, const QString &value)> &option);

// The value of a date option; anything but a real TT.MM.JJJJ is a UsageError.
QDate dateOption(const QString &option, const QString &text);

// Runs `parse`; a UsageError goes to standard error with the usage line and
// gives false (the caller's status 2).
bool parsedOrUsage(const std::function<void()> &parse, const char *usage);

} // namespace CommandLine
