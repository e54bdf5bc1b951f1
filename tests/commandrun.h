// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs the program's own command line, as a user or a script would.
#include "data/samplefirm.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

struct CommandRun
{
    int status = -1;
    QString out, err;
};

// The program at path, with env as its whole environment (and workingDir as
// its current folder, where given).
inline CommandRun runProgram(const QString &path, const QStringList &args, const QProcessEnvironment &env,
                             const QString &workingDir = QString())
{
    QProcess p;
    p.setProcessEnvironment(env);
    if (!workingDir.isEmpty()) p.setWorkingDirectory(workingDir);
    p.start(path, args);
    CommandRun r;
    if (!p.waitForFinished(120000)) return r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

inline QProcessEnvironment commandEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM")); // the command chooses its own
    return env;
}

// A portable copy of the program in the folder, with the shipped files and
// (unless told otherwise) the sample firm beside it: its own program folder,
// which a test may change (the build's never is). Returns the program's path.
inline QString portableProgram(const QString &folder, bool withSampleFirm = true)
{
    QDir().mkpath(folder);
    const QDir shipped(QStringLiteral(TAVIREL_SOURCE_DIR "/resources/programfolder"));
    for (const QString &name : shipped.entryList(QDir::Files))
        QFile::copy(shipped.filePath(name), QDir(folder).filePath(name));
    QDir(folder).mkpath(QStringLiteral("notiz"));
    QFile::copy(shipped.filePath(QStringLiteral("notiz/typ.txt")),
                QDir(folder).filePath(QStringLiteral("notiz/typ.txt")));
    for (const QString &name : QDir(folder).entryList(QDir::Files))
        QFile::setPermissions(QDir(folder).filePath(name), QFile::ReadOwner | QFile::WriteOwner);
    if (withSampleFirm) SampleFirm::write(folder);
    const QString program = QDir(folder).filePath(QStringLiteral("tavirel"));
    QFile::copy(QStringLiteral(TAVIREL_PROGRAM_DIR "/tavirel"), program);
    return program;
}

// One portable copy with the sample firm for the whole test run, so that
// no test writes into the build's program folder.
inline QString testProgram()
{
    static QTemporaryDir folder;
    static const QString program = portableProgram(folder.path());
    return program;
}

// The program's command line, run from that copy (in workingDir as its
// current folder, where given).
inline CommandRun tavirel(const QStringList &args, const QString &workingDir = QString())
{
    return runProgram(testProgram(), args, commandEnvironment(), workingDir);
}
